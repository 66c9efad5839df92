// The tray icon as a user meets it: Wine's taskbar draws Pelorin's icon; the pop-up a press on
// it shows, the Disable item that turns everything off and the icon gray, Esc, and a double
// click that shows the main window. The presses reach Pelorin as the shell passes them on, the
// callback message with the mouse message, while the pointer rests on the icon: Wine's taskbar
// now and then keeps a real click for itself (the Windows-side tests click it for real). The
// icon sits at the right end of the screen, so the pop-up keeps inside the work area there;
// its place 20 pixels left of the pointer elsewhere is checked by the Windows-side tests.
#include "E2eDesktop.h"
#include "E2eSupport.h"

#include <optional>
#include <string>
#include <vector>

#include "ScreenPixels.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

using test::Colourful;
using test::GrabScreen;

constexpr DWORD Gap = 700;  // between clicks, above the double-click time
constexpr int PopupWidth = 154, PopupHeight = 131;  // at the 96 DPI of the test desktop

RECT WorkArea() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

HWND TrayWindow() {
  HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  return tray != nullptr && ::IsWindowVisible(tray) ? tray : nullptr;
}

// Where the notification area at the right end of the taskbar shows a coloured picture:
// Pelorin's icon while it is on (the only icon of the test desktop; the Start button at the
// left end has a coloured picture too). Nothing when no pixel there has colour.
std::optional<RECT> ColouredIcon() {
  HWND tray = TrayWindow();
  if (tray == nullptr) return std::nullopt;
  RECT area{};
  ::GetWindowRect(tray, &area);
  area.left = (area.left + area.right) / 2;
  std::vector<COLORREF> pixels = GrabScreen(area);
  const int width = area.right - area.left;
  std::optional<RECT> box;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (!Colourful(pixels[i])) continue;
    LONG x = area.left + static_cast<LONG>(i % width), y = area.top + static_cast<LONG>(i / width);
    if (!box) box = RECT{x, y, x + 1, y + 1};
    box = RECT{std::min(box->left, x), std::min(box->top, y), std::max(box->right, x + 1),
               std::max(box->bottom, y + 1)};
  }
  return box;
}

// Coloured pixels inside the icon's place.
int ColourfulIn(const RECT& icon) {
  int count = 0;
  for (COLORREF c : GrabScreen(icon)) count += Colourful(c);
  return count;
}

// Counts the times the pop-up of a process was shown and hidden, for failure messages.
struct TShowWatch {
  static inline int Shows = 0, Hides = 0;
  HWINEVENTHOOK Hook = nullptr;
  explicit TShowWatch(DWORD pid) {
    Shows = Hides = 0;
    Hook = ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, nullptr, Proc, pid, 0, WINEVENT_OUTOFCONTEXT);
  }
  ~TShowWatch() {
    if (Hook != nullptr) ::UnhookWinEvent(Hook);
  }
  static void CALLBACK Proc(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (object != OBJID_WINDOW || std::wstring(name) != L"PelorinPopupForm") return;
    (event == EVENT_OBJECT_SHOW ? Shows : Hides)++;
  }
  static std::string Text() {
    return "the pop-up was shown " + std::to_string(Shows) + " and hidden " + std::to_string(Hides) + " times";
  }
};

// For failure messages: whether the window's thread still answers.
std::string Responsive(HWND window) {
  DWORD_PTR ignored = 0;
  if (::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0) return "it answers";
  return "it does not answer (error " + std::to_string(::GetLastError()) + ")";
}

class TrayIcon : public TScenario {
 protected:
  void SetUp() override {
    TScenario::SetUp();
    // The stand-in desktop covers the test desktop's taskbar; without it Pelorin finds no
    // desktop, which the scenario keeps from restarting it with the working-state check off.
    ASSERT_TRUE(StandIn().Stop());
    // The taskbar shows while some icon exists: once the Pelorin of an earlier scenario has
    // taken its icon away, every coloured picture there is this scenario's.
    WaitFor([] { return TrayWindow() == nullptr; }, EffectDeadlineMs);
  }
  void TearDown() override {
    TScenario::TearDown();
    EXPECT_TRUE(StandIn().Start()) << "FakeDesktop.exe did not start again";
  }
  void Click(POINT p) {
    Input.MoveTo(p, Input.After(Gap));
    Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(50));
  }
  HWND Popup() { return FindTopWindow(Pelorin->Pid(), L"PelorinPopupForm"); }
  bool PopupShown() {
    HWND popup = Popup();
    return popup != nullptr && ::IsWindowVisible(popup);
  }
  // The pointer on the icon, and the mouse messages the shell passes on for it.
  void PressIcon(POINT centre, std::initializer_list<UINT> messages) {
    Input.MoveTo(centre, Input.After(Gap));
    for (UINT message : messages) ::PostMessageW(Pelorin->Window(), WM_USER + 1, 0, message);
  }
  // The item of the shown pop-up with that caption, clicked where it is: the button messages
  // of a click, without moving Wine's pointer onto a window that hides under it (its position
  // then sticks there for a while and later input lands in the wrong place).
  void ClickItem(const wchar_t* caption) {
    HWND item = ::FindWindowExW(Popup(), nullptr, nullptr, caption);
    ASSERT_NE(item, nullptr) << "no item \"" << Narrow(caption) << "\" in the pop-up";
    RECT r{};
    ::GetClientRect(item, &r);
    LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    ::PostMessageW(item, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(item, WM_LBUTTONUP, 0, at);
  }
  // Every Pelorin of the scenario with its command line, for failure messages.
  std::string Pelorins() {
    std::string text;
    for (const TProcessEntry& p : OwnPelorins()) text += " [" + std::to_string(p.Pid) + " " + Narrow(p.CommandLine) + "]";
    return text.empty() ? " none running" : text;
  }
  // A middle click over the driver's window, and whether the row's marker line followed.
  bool MiddleClickRuns(TDriverWindow& driver, const std::wstring& marker, size_t linesBefore) {
    Input.MoveTo(driver.BlankPoint(), Input.After(Gap));
    Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(Gap));
    return WaitFor([&] { return ReadLines(marker).size() == linesBefore + 1; }, EffectDeadlineMs);
  }

  TPelorin* Pelorin = nullptr;
};

TEST_F(TrayIcon, AClickShowsThePopUpItsDisableItemTurnsEverythingOffEscHidesItADoubleClickShowsTheWindow) {
  const std::wstring marker = Folder + L"marker.txt";
  WriteIni(TIni()
               .Section("Custom Inputs")
               .Row(1, Narrow(MarkerCommand(marker)), inputs::Middle, StateMouse)
               .Section("System Settings")
               .Value("CheckHooks", "0"));
  TDriverWindow driver;
  ASSERT_NE(Pelorin = StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  ASSERT_TRUE(MiddleClickRuns(driver, marker, 0)) << "the bound middle button works before";

  std::optional<RECT> icon;
  ASSERT_TRUE(WaitFor([&] { return (icon = ColouredIcon()).has_value(); }, EffectDeadlineMs))
      << "no coloured icon in the taskbar";
  POINT centre{(icon->left + icon->right) / 2, (icon->top + icon->bottom) / 2};
  PressIcon(centre, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_TRUE(WaitFor([&] { return PopupShown(); }, EffectDeadlineMs)) << "a click on the icon shows the pop-up";
  RECT popup{}, work = WorkArea();
  ::GetWindowRect(Popup(), &popup);
  EXPECT_EQ(popup.right - popup.left, PopupWidth);
  EXPECT_EQ(popup.bottom - popup.top, PopupHeight);
  EXPECT_EQ(popup.bottom, work.bottom - 5) << "its bottom 5 pixels above the work area";
  // 20 pixels left of the pointer, but never past the right edge of the work area.
  EXPECT_EQ(popup.left, std::min<LONG>(centre.x - 20, work.right - PopupWidth)) << "pointer at x " << centre.x;
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Popup(); }, EffectDeadlineMs)) << "the pop-up is in front";

  ClickItem(L"   Disable Pelorin");
  EXPECT_TRUE(WaitFor([&] { return !PopupShown(); }, EffectDeadlineMs)) << "the Disable item hides the pop-up";
  EXPECT_TRUE(WaitFor([&] { return Pelorin->ControlText(IDC_PELORIN_ENABLED) == L"Pelorin disabled"; },
                      EffectDeadlineMs))
      << Narrow(Pelorin->ControlText(IDC_PELORIN_ENABLED));
  EXPECT_TRUE(WaitFor([&] { return ColourfulIn(*icon) == 0 && TrayWindow() != nullptr; }, EffectDeadlineMs))
      << "the icon turns gray; coloured pixels left: " << ColourfulIn(*icon);

  ASSERT_TRUE(driver.Activate());
  driver.Clear();
  Input.MoveTo(driver.BlankPoint(), Input.After(Gap));
  Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(Gap));
  ASSERT_TRUE(SyncMouse(Input, driver));
  EXPECT_EQ(driver.Count(WM_MBUTTONDOWN), 1) << "with Pelorin off the click arrives: " << driver.Describe();
  EXPECT_TRUE(HoldsFor([&] { return ReadLines(marker).size() == 1; }, QuietMs)) << "and runs nothing";

  // On again from the same item, which now says so.
  PressIcon(centre, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_TRUE(WaitFor([&] { return PopupShown(); }, EffectDeadlineMs));
  ClickItem(L"   Enable Pelorin");
  EXPECT_TRUE(WaitFor([&] { return ColourfulIn(*icon) > 0; }, EffectDeadlineMs)) << "the icon has its colour again";
  EXPECT_TRUE(WaitFor([&] { return Pelorin->ControlText(IDC_PELORIN_ENABLED) == L"Pelorin enabled"; },
                      EffectDeadlineMs))
      << Narrow(Pelorin->ControlText(IDC_PELORIN_ENABLED)) << "; " << Responsive(Pelorin->Window()) << ";"
      << Pelorins();
  ASSERT_TRUE(driver.Activate());
  EXPECT_TRUE(MiddleClickRuns(driver, marker, 1)) << "the hooks are back";

  // Esc hides the pop-up and shows nothing else.
  TShowWatch watch(Pelorin->Pid());
  PressIcon(centre, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_TRUE(WaitFor([&] { return PopupShown() && ::GetForegroundWindow() == Popup(); }, EffectDeadlineMs))
      << TShowWatch::Text() << "; " << Responsive(Pelorin->Window());
  Input.Keys({{keys::Escape, false, Input.After(Gap)}, {keys::Escape, true, Input.After(50)}});
  EXPECT_TRUE(WaitFor([&] { return !PopupShown(); }, EffectDeadlineMs)) << "Esc hides the pop-up";
  EXPECT_FALSE(Pelorin->Visible());

  // A double click: the press shows the pop-up, the double click the main window.
  PressIcon(centre, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
  EXPECT_TRUE(WaitFor([&] { return Pelorin->Visible(); }, EffectDeadlineMs)) << "a double click shows the window";
  EXPECT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
