// The tracked-windows editor of the real Pelorin.exe driven as a user drives it: a hand-point
// picture pressed and dragged onto a dialog of another program fills a field while the button
// is held, an inverted frame shows what was recognised and is gone after the release, and the
// row added from the fields lands in Pelorin.ini.
#include "E2eSupport.h"
#include "ScreenPixels.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "res/resource.h"

namespace pelorin::e2e {
namespace {

constexpr DWORD Gap = 700;  // between clicks: never a double click

// The driver's dialog: a frame with a title and a push button, away from Pelorin's window and
// the margin around it in which the picker picks nothing.
class TPickedDialog {
 public:
  static constexpr const wchar_t* Title = L"Pelorin e2e picker dialog";
  TPickedDialog() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelorinE2ePickedDialog";
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    ::RegisterClassW(&wc);  // fails harmlessly from the second dialog on
    Frame = ::CreateWindowExW(WS_EX_DLGMODALFRAME, wc.lpszClassName, Title, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                              760, 600, 400, 200, nullptr, nullptr, wc.hInstance, nullptr);
    Save = ::CreateWindowExW(0, L"BUTTON", L"&Save", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 240, 110, 110, 32, Frame,
                             nullptr, wc.hInstance, nullptr);
    ::UpdateWindow(Frame);
  }
  ~TPickedDialog() { ::DestroyWindow(Frame); }
  RECT SaveRect() const {
    RECT r{};
    ::GetWindowRect(Save, &r);
    return r;
  }
  HWND Frame = nullptr;
  HWND Save = nullptr;
};

POINT CentreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class TrackedEditor : public TScenario {
 protected:
  HWND Control(int id) { return FindControl(Pelorin->Window(), id); }
  RECT RectOf(HWND w) {
    RECT r{};
    ::GetWindowRect(w, &r);
    return r;
  }
  // Presses the button over the picture and moves, in steps as a hand does, to `to`.
  void PressAndDrag(int imageId, POINT to) {
    POINT from = CentreOf(RectOf(Control(imageId)));
    Input.MoveTo(from, Input.After(Gap));
    Input.Button(MOUSEEVENTF_LEFTDOWN, 0, Input.After(50));
    std::vector<TInput::TMove> moves;
    for (int i = 1; i <= 10; ++i)
      moves.push_back({from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10, Input.After(15)});
    Input.Moves(moves);
  }
  void Release() { Input.Button(MOUSEEVENTF_LEFTUP, 0, Input.After(50)); }
  void ClickAt(POINT p) {
    Input.MoveTo(p, Input.After(Gap));
    Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(50));
  }

  TPelorin* Pelorin = nullptr;
};

TEST_F(TrackedEditor, AHandDraggedOntoADialogsButtonFillsTheFieldsAndFramesWhatItPicks) {
  ASSERT_TRUE(WriteBytes(IniPath(), TIni().Section("Custom Inputs").Value("Fix mouse wheel malfunction", "0").Text()));
  ASSERT_NE(Pelorin = StartPelorin(L""), nullptr);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs));
  // Up in the corner, out of the dialog's way.
  ::SetWindowPos(Pelorin->Window(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND tabs = Control(IDC_PAGE_CONTROL);
  ASSERT_NE(tabs, nullptr);
  ::SendMessageW(tabs, TCM_SETCURFOCUS, 2, 0);
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(Control(IDC_BUTTON_IMAGE)) != FALSE; }, EffectDeadlineMs))
      << "the Tracked windows page did not come to the front";
  TPickedDialog dialog;
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(dialog.Frame) != FALSE; }, EffectDeadlineMs));
  RECT main = RectOf(Pelorin->Window());
  RECT save = dialog.SaveRect();
  ASSERT_GT(save.top, main.bottom + 45) << "the dialog lies in the margin where nothing is picked";

  // The top edge of the button, where the frame is drawn (4 pixels inside the rectangle).
  const RECT edge{save.left + 8, save.top, save.right - 8, save.top + 4};
  const std::vector<COLORREF> before = test::GrabScreen(edge);
  ASSERT_FALSE(before.empty());
  std::vector<COLORREF> inverted;
  for (COLORREF c : before) inverted.push_back(RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)));

  PressAndDrag(IDC_BUTTON_IMAGE, CentreOf(save));
  EXPECT_TRUE(WaitFor([&] { return Pelorin->ControlText(IDC_BUTTON_TEXT) == L"Save"; }, EffectDeadlineMs))
      << "the button field shows \"" << Narrow(Pelorin->ControlText(IDC_BUTTON_TEXT)) << "\"";
  EXPECT_FALSE(::IsWindowVisible(Control(IDC_BUTTON_IMAGE))) << "the picture is in the hand while dragged";
  EXPECT_TRUE(WaitFor([&] { return test::GrabScreen(edge) == inverted; }, EffectDeadlineMs))
      << "no inverted frame around the button while the hand is over it";
  EXPECT_EQ(::SendMessageW(Control(IDC_BTN_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
  Release();
  EXPECT_TRUE(WaitFor([&] { return test::GrabScreen(edge) == before; }, EffectDeadlineMs))
      << "the frame stayed on the screen after the release";
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(Control(IDC_BUTTON_IMAGE)) != FALSE; }, EffectDeadlineMs));

  // The title picture onto the same button: the dialog's title, from the frame above it.
  PressAndDrag(IDC_HEADER_IMAGE, CentreOf(save));
  EXPECT_TRUE(WaitFor([&] { return Pelorin->ControlText(IDC_HEADER_TEXT) == TPickedDialog::Title; }, EffectDeadlineMs))
      << "the title field shows \"" << Narrow(Pelorin->ControlText(IDC_HEADER_TEXT)) << "\"";
  Release();
  EXPECT_TRUE(WaitFor([&] { return test::GrabScreen(edge) == before; }, EffectDeadlineMs))
      << "the dialog's frame stayed on the screen after the release";
  EXPECT_TRUE(HoldsFor([&] { return test::GrabScreen(edge) == before; }, QuietMs))
      << "a frame came back after the release";

  // Moved back over Pelorin's own window the hand picks nothing.
  PressAndDrag(IDC_BUTTON_IMAGE, {main.right + 20, main.bottom + 30});
  EXPECT_TRUE(HoldsFor([&] { return Pelorin->ControlText(IDC_BUTTON_TEXT) == L"Save"; }, QuietMs));
  Release();

  // The row built from the fields is kept in Pelorin.ini.
  ClickAt(CentreOf(RectOf(Control(IDC_ADD_WINDOW))));
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = FindShownWindow(Pelorin->Pid(), L"#32770", L"New window added")) != nullptr; },
                      EffectDeadlineMs));
  EXPECT_EQ(Narrow(MessageBoxText(box)), "New window for tracking was successfully added");
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, EffectDeadlineMs));
  ASSERT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
  const std::vector<std::string> lines = ReadLines(IniPath());
  auto has = [&](const std::string& line) {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  };
  EXPECT_TRUE(has("[Tracked windows]"));
  EXPECT_TRUE(has("Window1 = Pelorin e2e picker dialog&&&&Save&&"));
  EXPECT_TRUE(has("State1 = 5"));
  EXPECT_TRUE(has("IsButton1 = 1"));
}

}  // namespace
}  // namespace pelorin::e2e
