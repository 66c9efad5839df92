// The tracked-windows editor on the main window built from Pelorin.exe's own templates: the
// fields and their rules, Add/Edit/Remove with their refusals, the grid's check boxes, and the
// hand-point picker over real windows of this process with its frame on the screen. With
// PELORIN_TEST_SHOTS naming a folder, the editor during a drag is saved there.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ScreenPixels.h"
#include "WinTestSupport.h"
#include "app/win/MainForm.h"
#include "common/win/Com.h"
#include "common/win/GdiObjects.h"
#include "config/SettingsFile.h"
#include "config/win/AnsiCodePageWin.h"
#include "config/win/FilePortWin.h"
#include "input/CommandsEditor.h"

namespace pelorin::test {
namespace {

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

// Pelorin.exe's resources under the activation context of its manifest, as the program has them.
class TExeResources {
 public:
  TExeResources() {
    Module = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = PelorinExePath.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    Context = ::CreateActCtxW(&context);
    if (Context != INVALID_HANDLE_VALUE) ::ActivateActCtx(Context, &Cookie);
  }
  ~TExeResources() {
    if (Context != INVALID_HANDLE_VALUE) {
      ::DeactivateActCtx(0, Cookie);
      ::ReleaseActCtx(Context);
    }
    if (Module != nullptr) ::FreeLibrary(Module);
  }
  TExeResources(const TExeResources&) = delete;
  TExeResources& operator=(const TExeResources&) = delete;
  HMODULE Module = nullptr;
  HANDLE Context = INVALID_HANDLE_VALUE;
  ULONG_PTR Cookie = 0;
};

class TNoRunKey final : public AutoRunPort {
 public:
  TRunValue ReadRunValue() override { return {true, false, L""}; }
  void WriteRunValue(std::wstring_view) override {}
  void DeleteRunValue() override {}
};

std::wstring GridCell(HWND grid, int item, int column) {
  wchar_t text[256] = {};
  LVITEMW lv{};
  lv.iSubItem = column;
  lv.pszText = text;
  lv.cchTextMax = 256;
  ::SendMessageW(grid, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
  return text;
}

struct TShown {
  std::wstring Text, Caption;
  UINT Flags;
};

// A dialog of another program as the picker meets it: a frame with a title, a static text, a
// push button and a textless child. The statics answer the hit test (SS_NOTIFY): a window of
// the same thread that answers HTTRANSPARENT is passed over by WindowFromPoint.
struct TTargetDialog {
  static constexpr RECT Place{820, 420, 1220, 640};
  HWND Frame = nullptr, Message = nullptr, Yes = nullptr, Blank = nullptr;
  TTargetDialog() {
    Frame = CreatePlainWindow(L"Confirm &File Delete", Place.left, Place.top, Place.right - Place.left,
                              Place.bottom - Place.top);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    Message = ::CreateWindowExW(0, L"STATIC", L"The file a.txt is a system file.", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 20, 20,
                                300, 20, Frame, nullptr, instance, nullptr);
    Yes = ::CreateWindowExW(0, L"BUTTON", L"&Yes", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 250, 120, 100, 30, Frame,
                            nullptr, instance, nullptr);
    Blank = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_GRAYRECT | SS_NOTIFY, 20, 120, 60, 40, Frame,
                              nullptr, instance, nullptr);
    ::UpdateWindow(Frame);
  }
  ~TTargetDialog() { ::DestroyWindow(Frame); }
  static POINT Centre(HWND w) {
    RECT r{};
    ::GetWindowRect(w, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  static RECT Rect(HWND w) {
    RECT r{};
    ::GetWindowRect(w, &r);
    return r;
  }
};

class TrackedWindowsPage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::SetProcessDPIAware(); }

  void SetUp() override {
    ASSERT_NE(Resources.Module, nullptr) << "cannot load " << Narrow(PelorinExePath);
    Form = std::make_unique<TMainForm>(TSettingsModel{Cfg, Inputs, Rows}, State, Shared, Io);
    ASSERT_TRUE(Form->Create(::GetModuleHandleW(nullptr), L"Pelorin (v.1.0.0)", Resources.Module));
    Cfg.Left = 20;
    Cfg.Top = 20;
    Cfg.Width = Form->MinimumSize().cx;
    Cfg.Height = Form->MinimumSize().cy;
    Form->LoadControls(Cfg);
    Form->ShowModel();
    Form->ActivatePage(TMainPage::TrackedWindows);
    Page().Message = [this](std::wstring_view text, std::wstring_view caption, UINT flags) {
      Shown.push_back({std::wstring(text), std::wstring(caption), flags});
      return Answer;
    };
    State.CfgChanged = CfgNothingToSave;
  }
  void TearDown() override { Form.reset(); }

  TTrackedWindowsPage& Page() { return Form->TrackedPage(); }
  HWND C(int id) const { return Form->Control(id); }
  bool IsChecked(int id) const { return ::SendMessageW(C(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  std::wstring Text(int id) const { return WindowText(C(id)); }
  void Type(int id, const wchar_t* text) { ::SetWindowTextW(C(id), text); }
  void Press(int id) {
    ::SendMessageW(::GetParent(C(id)), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(C(id)));
  }
  void Click(int id) {
    HWND box = C(id);
    ::SendMessageW(box, BM_SETCHECK, ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    Press(id);
  }
  std::vector<std::wstring> Captions() {
    std::vector<std::wstring> out;
    for (const TShown& s : Shown) out.push_back(s.Caption);
    Shown.clear();
    return out;
  }
  void ShowAndSettle() {
    Form->Show();
    BringToFront(Form->Handle());
    ::RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 3000);
  }
  // What the mouse hook records during a drag, and the step the worker queues.
  void PickAt(POINT p) {
    Shared.PickerPoint.Store({p.x, p.y});
    Page().PickUnderPoint();
  }

  TComApartment Apartment{COINIT_APARTMENTTHREADED};
  TExeResources Resources;
  Settings Cfg;
  TCustomInputTable Inputs{CellPrefixLenFor(1.0)};
  std::vector<TTrackedWindowRow> Rows;
  TConfigState State;
  TSharedState Shared;
  TWinFilePort Files;
  TSystemAnsiCodePage Ansi;
  TNoRunKey RunKey;
  TSettingsIo Io{Files, Ansi, RunKey, L"\"C:\\Pelorin\\Pelorin.exe\" autorun"};
  std::unique_ptr<TMainForm> Form;
  std::vector<TShown> Shown;
  int Answer = IDYES;
};

TEST_F(TrackedWindowsPage, FieldsKeepTheirBoxesAndRadioButtonsInStep) {
  for (int id : {IDC_IN_WIN_CHECK, IDC_WIN_SIZE_CHECK, IDC_BTN_CHECK, IDC_XY_CHECK})
    EXPECT_FALSE(IsChecked(id)) << "nothing is set at start";
  Type(IDC_IN_WIN_TEXT, L"The file [*]");
  EXPECT_TRUE(IsChecked(IDC_IN_WIN_CHECK));
  Type(IDC_WIN_SIZE, L"400x150");
  EXPECT_TRUE(IsChecked(IDC_WIN_SIZE_CHECK));
  EXPECT_FALSE(IsChecked(IDC_IN_WIN_CHECK));
  Click(IDC_IN_WIN_CHECK);
  EXPECT_TRUE(IsChecked(IDC_IN_WIN_CHECK));
  EXPECT_FALSE(IsChecked(IDC_WIN_SIZE_CHECK));
  Type(IDC_WIN_SIZE, L"");
  EXPECT_FALSE(IsChecked(IDC_WIN_SIZE_CHECK));
  EXPECT_TRUE(IsChecked(IDC_IN_WIN_CHECK));

  // A typed offset with X&Y chosen by hand, then "[*]" inserted: a button text again.
  Type(IDC_BUTTON_TEXT, L"35x120");
  EXPECT_TRUE(IsChecked(IDC_BTN_CHECK));
  ::SendMessageW(C(IDC_BTN_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
  ::SendMessageW(C(IDC_XY_CHECK), BM_SETCHECK, BST_CHECKED, 0);
  ::SendMessageW(C(IDC_BUTTON_TEXT), EM_SETSEL, 2, 3);
  Page().PasteSymBtnClick(C(IDC_BUTTON_TEXT));
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"35[*]120");
  EXPECT_TRUE(IsChecked(IDC_BTN_CHECK));
  EXPECT_FALSE(IsChecked(IDC_XY_CHECK));
}

TEST_F(TrackedWindowsPage, TheWildcardButtonReplacesTheSelectionOfTheFocusedField) {
  ShowAndSettle();
  Type(IDC_IN_WIN_TEXT, L"The file Thumbs.db is a system file.");
  HWND field = C(IDC_IN_WIN_TEXT);
  ::SetFocus(field);
  ::SendMessageW(field, EM_SETSEL, 9, 18);
  // A click on the button takes the focus; the field it came from gets the symbols.
  ::SendMessageW(C(IDC_PASTE_SYM), BM_CLICK, 0, 0);
  EXPECT_EQ(Text(IDC_IN_WIN_TEXT), L"The file [*] is a system file.");
  DWORD start = 0, end = 0;
  ::SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 12u);
  EXPECT_EQ(end, 12u);
  EXPECT_EQ(::GetFocus(), field);
  // No field focused: nothing happens.
  ::SetFocus(Page().Grid());
  ::SendMessageW(C(IDC_PASTE_SYM), BM_CLICK, 0, 0);
  EXPECT_EQ(Text(IDC_IN_WIN_TEXT), L"The file [*] is a system file.");
  for (int id : {IDC_HEADER_TEXT, IDC_WIN_SIZE, IDC_BUTTON_TEXT}) EXPECT_EQ(Text(id), L"");
}

TEST_F(TrackedWindowsPage, ALetterTypedIntoAFieldWarnsOnceAFieldAndIsTypedAllTheSame) {
  ShowAndSettle();
  auto typeChar = [&](int id, wchar_t c) { ::SendMessageW(C(id), WM_CHAR, c, 1); };
  typeChar(IDC_BUTTON_TEXT, L'2');
  EXPECT_TRUE(Shown.empty());
  typeChar(IDC_BUTTON_TEXT, L'a');
  typeChar(IDC_BUTTON_TEXT, L'b');
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Text, TypingWarning.Text);
  EXPECT_EQ(Shown[0].Caption, L"Warning");
  EXPECT_EQ(Shown[0].Flags, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"2ab");
  typeChar(IDC_HEADER_TEXT, L'T');
  typeChar(IDC_IN_WIN_TEXT, L'[');
  EXPECT_EQ(Shown.size(), 2u) << "the title field warns on its own; '[' is no letter";
}

TEST_F(TrackedWindowsPage, AddEditAndRemoveKeepTheTableAndTheGrid) {
  HWND grid = Page().Grid();
  Press(IDC_ADD_WINDOW);
  EXPECT_EQ(Captions(), std::vector<std::wstring>{L"Set the text firstly"});
  EXPECT_TRUE(Rows.empty());

  Type(IDC_HEADER_TEXT, L"Confirm File Delete");
  Type(IDC_BUTTON_TEXT, L"Yes");
  Press(IDC_ADD_WINDOW);
  EXPECT_EQ(Captions(), std::vector<std::wstring>{L"New window added"});
  ASSERT_EQ(Rows.size(), 1u);
  EXPECT_EQ(Rows[0], (TTrackedWindowRow{L"Confirm File Delete", L"", L"Yes", 5, false, true}));
  EXPECT_EQ(State.CfgChanged.load(), CfgSettingsChanged);
  EXPECT_TRUE(Shared.TrackedRowsOn.load()) << "the worker checks again";
  ASSERT_EQ(::SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(GridCell(grid, 0, 0), std::wstring(Inputs.CellPrefixLen(), L' ') + L"Confirm File Delete");
  EXPECT_EQ(Page().SelectedRow(), 0);

  // An offset that the check could never click is refused; a real one is added.
  Type(IDC_WIN_SIZE, L"400x150");
  Type(IDC_BUTTON_TEXT, L"Yes");
  ::SendMessageW(C(IDC_BTN_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
  ::SendMessageW(C(IDC_XY_CHECK), BM_SETCHECK, BST_CHECKED, 0);
  Press(IDC_ADD_WINDOW);
  EXPECT_EQ(Captions(), std::vector<std::wstring>{L"Set the text firstly"});
  EXPECT_EQ(Rows.size(), 1u);
  {
    TProgrammaticChange typedThenChosen(State);  // the radio button stays as chosen
    Type(IDC_BUTTON_TEXT, L"35x120");
  }
  Press(IDC_ADD_WINDOW);
  EXPECT_EQ(Captions(), std::vector<std::wstring>{L"New window added"});
  ASSERT_EQ(Rows.size(), 2u);
  EXPECT_EQ(Rows[1], (TTrackedWindowRow{L"Confirm File Delete", L"400x150", L"35x120", 5, true, false}));
  EXPECT_EQ(GridCell(grid, 1, 1), L"400x150");

  // The same again: the existing row is selected and reported.
  Press(IDC_ADD_WINDOW);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Text, L"A tracked window with this parameters was already added to table");
  EXPECT_EQ(Shown[0].Flags, static_cast<UINT>(MB_ICONINFORMATION));
  Shown.clear();
  EXPECT_EQ(Page().SelectedRow(), 1);
  EXPECT_EQ(Rows.size(), 2u);

  // Selecting row 1 shows it; the size field keeps its text, its box is cleared.
  Page().SelectRow(0);
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"Yes");
  EXPECT_TRUE(IsChecked(IDC_BTN_CHECK));
  EXPECT_FALSE(IsChecked(IDC_XY_CHECK));
  EXPECT_FALSE(IsChecked(IDC_WIN_SIZE_CHECK));
  EXPECT_EQ(Text(IDC_WIN_SIZE), L"400x150");
  // Edit: row 1 changed in place, even when switched off before.
  Rows[0].State = 0;
  Type(IDC_BUTTON_TEXT, L"&No");
  Press(IDC_EDIT_WINDOW);
  EXPECT_EQ(Captions(), std::vector<std::wstring>{L"The window modified"});
  EXPECT_EQ(Rows[0], (TTrackedWindowRow{L"Confirm File Delete", L"", L"&No", 5, false, true}));
  EXPECT_EQ(GridCell(grid, 0, 2), L"&No");

  // Remove asks; No keeps the row, Yes removes it; the last row goes too.
  Answer = IDNO;
  State.CfgChanged = CfgNothingToSave;
  Press(IDC_REMOVE_WIN_TRACK);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Text, L"Do you want to remove the selected window from tracking list?");
  EXPECT_EQ(Shown[0].Caption, L"Remove tracking");
  EXPECT_EQ(Shown[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  Shown.clear();
  EXPECT_EQ(Rows.size(), 2u);
  EXPECT_EQ(State.CfgChanged.load(), CfgNothingToSave);
  Answer = IDYES;
  Press(IDC_REMOVE_WIN_TRACK);
  ASSERT_EQ(Rows.size(), 1u);
  EXPECT_EQ(Rows[0].ClickAt, L"35x120");
  EXPECT_EQ(State.CfgChanged.load(), CfgSettingsChanged);
  EXPECT_EQ(Page().SelectedRow(), 0);
  // The Delete key of the grid removes as the button does, while the page is shown.
  ShowAndSettle();
  Shown.clear();
  ::SetFocus(grid);
  ::SendMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(Captions(), std::vector<std::wstring>{L"Remove tracking"});
  EXPECT_TRUE(Rows.empty());
  EXPECT_EQ(::SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_FALSE(Shared.TrackedRowsOn.load()) << "nothing left to check";
  // Nothing left: nothing is asked.
  Press(IDC_REMOVE_WIN_TRACK);
  EXPECT_TRUE(Shown.empty());
}

TEST_F(TrackedWindowsPage, AClickOnARowsCheckBoxSwitchesItsTracking) {
  Rows = {{L"Confirm File Delete", L"", L"Yes", 5, false, true}, {L"Save as", L"[*].txt", L"120x40", 0, false, false}};
  Form->ShowModel();
  ShowAndSettle();
  HWND grid = Page().Grid();
  auto boxCentre = [&](int item) {
    RECT r{};
    r.top = 0;
    r.left = LVIR_LABEL;
    ::SendMessageW(grid, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&r));
    POINT p{r.left + (r.bottom - r.top) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(grid, &p);
    return p;
  };
  ClickOrDrag(boxCentre(0));
  PumpUntil([&] { return Rows[0].State == 0; }, 3000);
  EXPECT_EQ(Rows[0].State, 0);
  EXPECT_EQ(State.CfgChanged.load(), CfgSettingsChanged);
  EXPECT_FALSE(Shared.TrackedRowsOn.load()) << "both rows off: the worker stops asking";
  ClickOrDrag(boxCentre(1));
  PumpUntil([&] { return Rows[1].State == 5; }, 3000);
  EXPECT_EQ(Rows[1].State, 5);
  EXPECT_TRUE(Shared.TrackedRowsOn.load());
  // Clicking a row (not its box) shows it in the fields.
  RECT r{};
  r.top = 1;
  r.left = LVIR_LABEL;
  ::SendMessageW(grid, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  POINT cell{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(grid, &cell);
  ClickOrDrag(cell);
  PumpUntil([&] { return Text(IDC_HEADER_TEXT) == L"Save as"; }, 3000);
  EXPECT_EQ(Text(IDC_HEADER_TEXT), L"Save as");
  EXPECT_EQ(Text(IDC_IN_WIN_TEXT), L"[*].txt");
  EXPECT_TRUE(IsChecked(IDC_IN_WIN_CHECK));
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"120x40");
  EXPECT_TRUE(IsChecked(IDC_XY_CHECK));
  EXPECT_FALSE(IsChecked(IDC_BTN_CHECK));
  EXPECT_EQ(Rows[1].State, 5) << "a click beside the box leaves it";
}

TEST_F(TrackedWindowsPage, ThePickerFillsEachFieldFromTheWindowUnderThePoint) {
  ShowAndSettle();
  TTargetDialog target;
  BringToFront(target.Frame);
  PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000);

  Page().CursorImageMouseDown(IDC_HEADER_IMAGE);
  EXPECT_EQ(Shared.PickerMode.load(), 1);
  EXPECT_FALSE(::IsWindowVisible(C(IDC_HEADER_IMAGE))) << "the picture goes with the hand";
  PickAt(TTargetDialog::Centre(target.Yes));
  EXPECT_EQ(Text(IDC_HEADER_TEXT), L"Confirm File Delete");
  Page().CursorImageMouseUp();
  EXPECT_EQ(Shared.PickerMode.load(), 0);
  EXPECT_TRUE(::IsWindowVisible(C(IDC_HEADER_IMAGE)));

  Page().CursorImageMouseDown(IDC_IN_WIN_IMAGE);
  PickAt(TTargetDialog::Centre(target.Message));
  EXPECT_EQ(Text(IDC_IN_WIN_TEXT), L"The file a.txt is a system file.");
  EXPECT_TRUE(IsChecked(IDC_IN_WIN_CHECK));
  PickAt(TTargetDialog::Centre(target.Blank));
  EXPECT_EQ(Text(IDC_IN_WIN_TEXT), L"ClassName: Static");
  Page().CursorImageMouseUp();

  Page().CursorImageMouseDown(IDC_SIZE_IMAGE);
  PickAt(TTargetDialog::Centre(target.Message));
  RECT frame = TTargetDialog::Rect(target.Frame);
  EXPECT_EQ(Text(IDC_WIN_SIZE),
            std::to_wstring(frame.right - frame.left) + L"x" + std::to_wstring(frame.bottom - frame.top));
  EXPECT_TRUE(IsChecked(IDC_WIN_SIZE_CHECK));
  EXPECT_FALSE(IsChecked(IDC_IN_WIN_CHECK));
  Page().CursorImageMouseUp();

  Page().CursorImageMouseDown(IDC_BUTTON_IMAGE);
  PickAt(TTargetDialog::Centre(target.Yes));
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"Yes");
  EXPECT_TRUE(IsChecked(IDC_BTN_CHECK));
  // The frame's own background: the offset of the point in it.
  PickAt({frame.left + 35, frame.top + 120});
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"35x120");
  EXPECT_TRUE(IsChecked(IDC_XY_CHECK));
  EXPECT_FALSE(IsChecked(IDC_BTN_CHECK));
  Page().CursorImageMouseUp();
  EXPECT_FALSE(Page().PickFrame().Shown());
}

TEST_F(TrackedWindowsPage, TheFrameIsDrawnAroundThePickAndErasedAtTheEnd) {
  ShowAndSettle();
  TTargetDialog target;
  BringToFront(target.Frame);
  PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000);
  // The top edge of the button, 4 pixels deep: where the frame is drawn inside its rectangle.
  RECT button = TTargetDialog::Rect(target.Yes);
  RECT edge{button.left + 10, button.top, button.right - 10, button.top + 4};
  const std::vector<COLORREF> before = GrabScreen(edge);
  ASSERT_FALSE(before.empty());
  std::vector<COLORREF> inverted;
  for (COLORREF c : before) inverted.push_back(RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)));

  Page().CursorImageMouseDown(IDC_BUTTON_IMAGE);
  PickAt(TTargetDialog::Centre(target.Yes));
  ASSERT_TRUE(Page().PickFrame().Shown());
  EXPECT_EQ(GrabScreen(edge), inverted) << "no frame around the button";
  // The same button again draws nothing more.
  PickAt({TTargetDialog::Centre(target.Yes).x + 5, TTargetDialog::Centre(target.Yes).y});
  EXPECT_EQ(GrabScreen(edge), inverted);
  // A step queued just before the release runs after it: no frame, no field.
  Shared.PickerPoint.Store({TTargetDialog::Rect(target.Frame).left + 35, TTargetDialog::Rect(target.Frame).top + 120});
  Page().CursorImageMouseUp();
  EXPECT_EQ(GrabScreen(edge), before) << "the frame stayed on the screen";
  Page().PickUnderPoint();
  Shared.PickerPoint.Store({TTargetDialog::Rect(target.Frame).left + 35, TTargetDialog::Rect(target.Frame).top + 120});
  Page().PickUnderPoint();
  EXPECT_EQ(GrabScreen(edge), before);
  EXPECT_FALSE(Page().PickFrame().Shown());
  EXPECT_EQ(Text(IDC_BUTTON_TEXT), L"Yes");
}

TEST_F(TrackedWindowsPage, Screenshots) {
  std::wstring folder = ShotsFolder();
  if (folder.empty()) GTEST_SKIP() << "PELORIN_TEST_SHOTS names no folder";
  Rows = {{L"Confirm File Delete", L"", L"Yes", 5, false, true}, {L"Save as", L"[*].txt", L"120x40", 0, false, false}};
  Form->ShowModel();
  ShowAndSettle();
  TTargetDialog target;
  BringToFront(target.Frame);
  PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000);
  Page().CursorImageMouseDown(IDC_HEADER_IMAGE);
  PickAt(TTargetDialog::Centre(target.Yes));
  Page().CursorImageMouseUp();
  Page().CursorImageMouseDown(IDC_BUTTON_IMAGE);
  PickAt(TTargetDialog::Centre(target.Yes));
  // The fields filled are painted by the message loop.
  PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000);
  // The editor and the target with the frame on the button, the button's picture in the hand.
  RECT main{}, all{};
  ::GetWindowRect(Form->Handle(), &main);
  ::UnionRect(&all, &main, &TTargetDialog::Place);
  TWindowDc screen;
  std::wstring path = folder + L"\\tracked-windows-drag.bmp";
  EXPECT_TRUE(SaveDcArea(screen.Get(), all.left, all.top, all.right - all.left, all.bottom - all.top, SRCCOPY, path))
      << "could not write " << Narrow(path);
  Page().CursorImageMouseUp();
}

}  // namespace
}  // namespace pelorin::test
