// The help window in this process, on a running TPelorinApp whose main window is shown: the
// text of each page through the show-help action, the main window disabled meanwhile, the
// keys and the system menu that close it, the keyboard back where it was, and a picture.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "CoreFakes.h"
#include "WinTestSupport.h"
#include "app/win/PelorinApp.h"
#include "base/Actions.h"
#include "base/SharedState.h"
#include "help/HelpTexts.h"

namespace pelorin::test {
namespace {

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void PressKey(WORD vk) {
  INPUT keys[2] = {};
  for (INPUT& k : keys) {
    k.type = INPUT_KEYBOARD;
    k.ki.wVk = vk;
    k.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, keys, sizeof(INPUT));
}

// A page of the main window: its tab and, on "Custom Inputs", its inner page.
struct TPage {
  const char* Name;
  int Tab;
  int Inner;
};
const std::vector<TPage> Pages = {
    {"Commands", 0, 0}, {"Mouse", 0, 1},           {"Keyboard layout", 0, 2},
    {"Desktop", 1, 0},  {"Tracked windows", 2, 0}, {"Settings", 3, 0},
};

class HelpForm : public ::testing::Test {
 protected:
  void SetUp() override {
    Resources = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Resources, nullptr);
    // Started by hand: the main window shows in front.
    App = std::make_unique<TPelorinApp>(::GetModuleHandleW(nullptr),
                                        TAppPaths{Temp.Path + L"PelorinUnderTest.exe", Temp.Path + L"Pelorin.ini", Resources},
                                        ParseStartMode({}));
    ASSERT_TRUE(App->Start());
    Main = App->MainForm()->Handle();
    Help = &App->HelpForm();
    ASSERT_NE(Help->Handle(), nullptr);
    ASSERT_TRUE(BringToFront(Main));
    PumpUntil([] { return false; }, 100);
  }
  void TearDown() override {
    App.reset();
    if (Resources != nullptr) ::FreeLibrary(Resources);
  }

  // Shows a page as a click on its tabs does.
  void SelectPage(const TPage& page) {
    TMainForm& form = *App->MainForm();
    SelectTab(form.PageControl(), page.Tab);
    if (page.Tab == 0) SelectTab(form.CustomInputsPage().Tabs(), page.Inner);
  }
  static void SelectTab(HWND tabs, int index) {
    ::SendMessageW(tabs, TCM_SETCURSEL, index, 0);
    NMHDR header{tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(::GetParent(tabs), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }
  // F1's action, as the keyboard hook posts it: the command thread hands it to this thread.
  bool AskForHelp() {
    Shared().PostAction(ActionShowHelp);
    return PumpUntil([&] { return Help->Visible() && ::GetFocus() == Help->HelpMemo(); }, 5000);
  }
  bool Closed() {
    return PumpUntil([&] { return !Help->Visible() && ::IsWindowEnabled(Main) && ::GetActiveWindow() == Main; },
                     5000);
  }

  TTempFolder Temp{L"pelorin-help-"};
  HMODULE Resources = nullptr;
  std::unique_ptr<TPelorinApp> App;
  HWND Main = nullptr;
  THelpForm* Help = nullptr;
};

TEST_F(HelpForm, EachPageShowsItsTextWhileTheMainWindowIsDisabledAndEnterClosesIt) {
  for (const TPage& page : Pages) {
    SCOPED_TRACE(page.Name);
    SelectPage(page);
    const int index = HelpTextIndex(page.Tab, page.Inner);
    ASSERT_NE(index, -1);
    EXPECT_EQ(App->MainForm()->HelpIndex(), index) << "the page's own idea of its help";
    ASSERT_TRUE(AskForHelp());
    EXPECT_EQ(Narrow(TextOf(Help->HelpMemo())), Narrow(HelpTexts()[index]));
    EXPECT_FALSE(::IsWindowEnabled(Main));
    EXPECT_EQ(::GetForegroundWindow(), Help->Handle());
    DWORD start = 1, end = 1;
    ::SendMessageW(Help->HelpMemo(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u) << "nothing selected, the caret at the top";
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(::SendMessageW(Help->HelpMemo(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    PressKey(VK_RETURN);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(TextOf(Help->HelpMemo()), HelpTexts()[index]) << "Enter is no key of a read-only text";
  }
}

TEST_F(HelpForm, EscClosesItAndTheMainWindowsControlGetsTheKeyboardBackOtherKeysDoNothing) {
  SelectPage(Pages[0]);
  HWND combo = App->MainForm()->CommandsPage().CommandCombo();
  ::SetFocus(combo);
  ASSERT_EQ(::GetFocus(), combo);
  ASSERT_TRUE(AskForHelp());
  for (WORD other : {WORD('A'), WORD(VK_SPACE), WORD(VK_DOWN), WORD(VK_F1)}) PressKey(other);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(Help->Visible()) << "only Enter and Esc close the help";
  EXPECT_EQ(TextOf(Help->HelpMemo()), HelpTexts()[0]);
  EXPECT_FALSE(::IsWindowEnabled(Main));

  PressKey(VK_ESCAPE);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(::GetFocus(), combo);
  // The Esc was the help's: the command thread had nothing to hide the main window for.
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(::IsWindowVisible(Main));
}

TEST_F(HelpForm, TheSystemMenuClosesItAndAHelpWindowDestroyedWhileShownEnablesTheMainWindow) {
  SelectPage(Pages[4]);
  ASSERT_TRUE(AskForHelp());
  ::SendMessageW(Help->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(Closed());
  EXPECT_NE(Help->Handle(), nullptr) << "closing only hides it";

  ASSERT_TRUE(AskForHelp());
  ASSERT_FALSE(::IsWindowEnabled(Main));
  Help->Destroy();
  EXPECT_TRUE(::IsWindowEnabled(Main));
  EXPECT_EQ(Help->Handle(), nullptr);
  // With no window the action does nothing.
  Shared().PostAction(ActionShowHelp);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(::IsWindowEnabled(Main));
}

// The user went to another program with the help still open, then asked for Pelorin again
// (the tray's Show Pelorin, a second start): the keyboard goes to the help, not to the
// disabled main window behind it.
TEST_F(HelpForm, TheMainWindowBroughtToTheFrontPassesTheKeyboardToTheHelp) {
  ASSERT_TRUE(AskForHelp());
  HWND other = CreatePlainWindow(L"other work", 600, 500, 200, 150);
  ASSERT_TRUE(BringToFront(other));
  PumpUntil([] { return false; }, 200);
  App->ShowMainWindow();
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Help->Handle() && ::GetFocus() == Help->HelpMemo(); },
                        3000))
      << "in front " << ::GetForegroundWindow() << ", the help " << Help->Handle() << ", the main window " << Main;
  EXPECT_TRUE(Help->Visible());
  EXPECT_FALSE(::IsWindowEnabled(Main));
  PressKey(VK_RETURN);
  EXPECT_TRUE(Closed());
  ::DestroyWindow(other);
}

TEST_F(HelpForm, AWindowWithoutTitleCentredOverTheMainWindowAndAMemoFillingIt) {
  ASSERT_TRUE(AskForHelp());
  HWND form = Help->Handle(), memo = Help->HelpMemo();
  EXPECT_EQ(TextOf(form), L"");
  EXPECT_EQ(::GetWindow(form, GW_OWNER), Main);
  LONG style = ::GetWindowLongW(form, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  RECT client{}, memoRect{}, own{}, main{};
  ::GetClientRect(form, &client);
  EXPECT_EQ(client.right, Help->Scale(484));
  EXPECT_EQ(client.bottom, Help->Scale(296));
  ::GetWindowRect(memo, &memoRect);
  ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&memoRect), 2);
  EXPECT_TRUE(::EqualRect(&memoRect, &client));
  LONG memoStyle = ::GetWindowLongW(memo, GWL_STYLE);
  EXPECT_TRUE(memoStyle & ES_READONLY);
  EXPECT_TRUE(memoStyle & ES_MULTILINE);
  EXPECT_TRUE(memoStyle & WS_VSCROLL);
  ::GetWindowRect(form, &own);
  ::GetWindowRect(Main, &main);
  EXPECT_LE(std::abs((own.left + own.right) - (main.left + main.right)), 1);
  EXPECT_LE(std::abs((own.top + own.bottom) - (main.top + main.bottom)), 1);

  LOGFONTW font{};
  ASSERT_NE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(memo, WM_GETFONT, 0, 0)), sizeof(font), &font), 0);
  EXPECT_EQ(font.lfHeight, -Help->Scale(13));
  // White behind black text, though read-only controls are grey by default.
  HDC dc = ::GetDC(memo);
  auto brush = reinterpret_cast<HBRUSH>(
      ::SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(memo)));
  EXPECT_EQ(::GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(brush, ::GetStockObject(WHITE_BRUSH));
  ::ReleaseDC(memo, dc);
}

TEST_F(HelpForm, Screenshots) {
  std::wstring folder = ShotsFolder();
  if (folder.empty()) GTEST_SKIP() << "PELORIN_TEST_SHOTS names no folder";
  struct TShot {
    int Page;
    const wchar_t* Name;
  };
  for (TShot shot : {TShot{0, L"commands"}, TShot{3, L"desktop"}}) {
    SelectPage(Pages[shot.Page]);
    ASSERT_TRUE(AskForHelp());
    PumpUntil([] { return false; }, 200);
    std::wstring path = folder + L"\\help-" + shot.Name + L".bmp";
    EXPECT_TRUE(SaveWindow(Help->Handle(), path)) << "could not write " << Narrow(path);
    Help->Close();
  }
}

}  // namespace
}  // namespace pelorin::test
