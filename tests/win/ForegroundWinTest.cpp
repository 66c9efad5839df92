// Foreground tracking and the worker's system calls for real: full-screen detection through
// the real window styles and rectangles, the desktop's list view, the foreground poll that
// stands in for the event Wine never sends, the atoms, and the key state of the sweep.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "WinTestSupport.h"
#include "app/win/GuiDispatcher.h"
#include "app/win/MainWorkThreadWin.h"
#include "input/win/ForegroundHook.h"
#include "tracked/win/SyntheticInputWin.h"
#include "NoEditor.h"

namespace pelorin::test {
namespace {

constexpr wchar_t TestClass[] = L"PelorinForegroundTest";
constexpr wchar_t ListViewClass[] = L"SysListView32";

void RegisterClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = TestClass;
  ::RegisterClassW(&wc);
  // Only the class name matters to the desktop test; comctl32 is not loaded here.
  wc.lpszClassName = ListViewClass;
  ::RegisterClassW(&wc);
}

HWND MakeWindow(DWORD exStyle, DWORD style, int x, int y, int w, int h, HWND parent = nullptr,
                const wchar_t* cls = TestClass) {
  return ::CreateWindowExW(exStyle, cls, L"foreground test", style, x, y, w, h, parent, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

struct RecordingSwitch : InputsSwitchPort {
  int Refreshed = 0;
  void RefreshInputsCaption() override { ++Refreshed; }
};

struct RecordingNotes : NotePort {
  std::wstring Last;
  void ShowNote(std::wstring_view text, bool, int32_t) override { Last = text; }
};

struct RecordingWindows : WorkerWindowsPort {
  std::atomic<int> Shown{0};
  std::atomic<DWORD> ShownIn{0};
  void ShowMainWindow() override {
    ShownIn = ::GetCurrentThreadId();
    ++Shown;
  }
  void CloseMainWindow() override {}
  void ShowHookError(std::wstring_view, std::wstring_view) override {}
  void RefreshInputsCaption() override {}
};

class ForegroundWin : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClasses();
    ASSERT_TRUE(Dispatcher.Create(::GetModuleHandleW(nullptr)));
    Shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    Shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(Shared.ScreenWidth.load(), 0);
  }
  void TearDown() override {
    RemoveForegroundHook();
    Dispatcher.Close();
    for (HWND w : Windows) ::DestroyWindow(w);
    // The stand-in list view class would shadow the real one for every later suite.
    ::UnregisterClassW(ListViewClass, ::GetModuleHandleW(nullptr));
    ::UnregisterClassW(TestClass, ::GetModuleHandleW(nullptr));
  }
  HWND Make(DWORD exStyle, DWORD style, int x, int y, int w, int h, HWND parent = nullptr,
            const wchar_t* cls = TestClass) {
    HWND window = MakeWindow(exStyle, style, x, y, w, h, parent, cls);
    EXPECT_NE(window, nullptr);
    if (parent == nullptr) Windows.push_back(window);
    return window;
  }

  std::vector<HWND> Windows;
  TSharedState Shared;
  TConfigState Config;
  TTypedChars Typed;
  TGuiDispatcher Dispatcher;
  TForegroundWin Screen;
  RecordingSwitch Switch;
  RecordingNotes Notes;
  TForegroundTracker Tracker{{Shared, Config, Typed, Screen, Dispatcher, Switch, Notes}};
};

TEST_F(ForegroundWin, ScreenSizedBorderlessPopupIsFullScreenAndOrdinaryWindowsAreNot) {
  int w = Shared.ScreenWidth, h = Shared.ScreenHeight;
  HWND game = Make(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, 0, 0, w, h);
  HWND normal = Make(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300);
  HWND maximised = Make(0, WS_OVERLAPPEDWINDOW, 60, 60, 400, 300);
  ::ShowWindow(maximised, SW_SHOWMAXIMIZED);
  HWND large = Make(0, WS_POPUP | WS_VISIBLE, -10, -10, w + 20, h + 20);
  HWND almost = Make(0, WS_POPUP | WS_VISIBLE, 0, 0, w, h - 1);

  TRect r = Screen.WindowRect(ToWindowHandle(game));
  EXPECT_EQ(r.Width, w);
  EXPECT_EQ(r.Height, h);
  EXPECT_EQ(Screen.WindowStyle(ToWindowHandle(normal)) & (MaximizeBoxStyle | MinimizeBoxStyle),
            MaximizeBoxStyle | MinimizeBoxStyle);

  struct Case {
    const char* Name;
    HWND Window;
    bool Fullscreen;
  };
  const Case cases[] = {{"screen-sized popup", game, true},    {"ordinary window", normal, false},
                        {"maximised window", maximised, false}, {"larger than the screen", large, true},
                        {"one pixel short", almost, false},     {"a window that is gone", nullptr, false}};
  for (const Case& c : cases) {
    Shared.Fullscreen = !c.Fullscreen;
    Shared.PrevFullscreen = c.Fullscreen;  // no switch here
    EXPECT_FALSE(Tracker.DetectFullscreen(ToWindowHandle(c.Window))) << c.Name;
    EXPECT_EQ(Shared.Fullscreen.load(), c.Fullscreen) << c.Name;
  }

  // The switch and its note go through the GUI thread: this one.
  Shared.PrevFullscreen = false;
  EXPECT_TRUE(Tracker.DetectFullscreen(ToWindowHandle(game)));
  EXPECT_TRUE(PumpUntil([&] { return Switch.Refreshed == 1; }, 3000));
  EXPECT_EQ(Notes.Last, L"Checked Inputs disabled");
  EXPECT_FALSE(Shared.CheckedInputsEnabled.load());
}

TEST_F(ForegroundWin, AWindowHoldingAListViewAtAnyDepthIsTheDesktopAndNeverFullScreen) {
  int w = Shared.ScreenWidth, h = Shared.ScreenHeight;
  HWND desktop = Make(0, WS_POPUP | WS_VISIBLE, 0, 0, w, h);
  HWND view = Make(0, WS_CHILD | WS_VISIBLE, 0, 0, w, h, desktop);  // "SHELLDLL_DefView" on Windows
  Make(0, WS_CHILD | WS_VISIBLE, 0, 0, w, h, view, ListViewClass);
  HWND plain = Make(0, WS_POPUP | WS_VISIBLE, 0, 0, w, h);
  Make(0, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, plain);

  EXPECT_TRUE(IsDesktopWindow(desktop));
  EXPECT_FALSE(IsDesktopWindow(plain));
  EXPECT_FALSE(IsDesktopWindow(static_cast<HWND>(nullptr)));
  Tracker.DetectFullscreen(ToWindowHandle(desktop));
  EXPECT_FALSE(Shared.Fullscreen.load());
  Tracker.DetectFullscreen(ToWindowHandle(plain));
  EXPECT_TRUE(Shared.Fullscreen.load());
}

TEST_F(ForegroundWin, EventHookInstallsAndRemoves) {
  ASSERT_TRUE(InstallForegroundHook(&Tracker));
  EXPECT_NE(ForegroundHookHandle(), nullptr);
  HWND first = Make(0, WS_OVERLAPPEDWINDOW, 50, 50, 300, 200);
  HWND second = Make(0, WS_OVERLAPPEDWINDOW, 100, 100, 300, 200);
  ASSERT_TRUE(BringToFront(first));
  ASSERT_TRUE(BringToFront(second));
  // Only the event hook can move ForegroundWnd here: no worker runs.
  bool delivered = PumpUntil([&] { return Shared.ForegroundWnd.load() == ToWindowHandle(second); }, 2000);
  std::printf("[ foreground ] EVENT_SYSTEM_FOREGROUND %s delivered here\n", delivered ? "was" : "was NOT");
  RecordProperty("ForegroundEventDelivered", delivered ? "yes" : "no");
  if (delivered) {
    EXPECT_EQ(Shared.ForegroundThreadId.load(), ::GetCurrentThreadId());
  }
  RemoveForegroundHook();
  EXPECT_EQ(ForegroundHookHandle(), nullptr);
}

class WorkerWin : public ForegroundWin {
 protected:
  TCustomInputTable Table;
  Settings Cfg;
  NoEditor Editor;
  TMouseHook Mouse{Table, Cfg, Shared, Editor, Typed, {0, 0}};
  TKeyboardHook Keyboard{Table, Shared, Editor, Typed};
  TSyntheticInputWin Sink;
  TSyntheticInput Input{Shared, Mouse, Sink};
  TWorkerSystemWin System;
  RecordingWindows Actions;
};

TEST_F(WorkerWin, ForegroundPollFollowsTheWindowYouActivate) {
  HWND first = Make(0, WS_OVERLAPPEDWINDOW, 50, 50, 300, 200);
  HWND second = Make(0, WS_OVERLAPPEDWINDOW, 100, 100, 300, 200);
  Tracker.SetMainWindow(ToWindowHandle(second));
  TMainWorkThread worker({Shared, Input, Tracker, Keyboard.PressedKeys(), System, Dispatcher, Actions, nullptr, {}});
  worker.Start();

  ASSERT_TRUE(BringToFront(first));
  EXPECT_EQ(System.ForegroundWindow(), ToWindowHandle(first));
  EXPECT_TRUE(PumpUntil([&] { return Shared.ForegroundWnd.load() == ToWindowHandle(first); }, 3000));
  EXPECT_EQ(Shared.ForegroundThreadId.load(), ::GetCurrentThreadId());

  ASSERT_TRUE(BringToFront(second));
  EXPECT_TRUE(PumpUntil([&] { return Shared.MainWindowActive.load(); }, 3000))
      << "the main window in front is the active one";
  EXPECT_EQ(Shared.ForegroundWnd.load(), ToWindowHandle(second));

  ::ShowWindow(second, SW_MINIMIZE);
  EXPECT_TRUE(System.IsMinimized(ToWindowHandle(second)));
  ASSERT_TRUE(BringToFront(first));
  EXPECT_TRUE(PumpUntil([&] { return !Shared.MainWindowActive.load(); }, 3000));
  worker.Stop();
}

TEST_F(WorkerWin, AtomsOfAnotherInstanceAreTakenAndAnsweredInTheGuiThread) {
  ASSERT_EQ(::GlobalFindAtomW(L"Activate Pelorin"), 0) << "left over from an earlier run";
  ::GlobalAddAtomW(L"Activate Pelorin");
  ASSERT_NE(::GlobalFindAtomW(L"Activate Pelorin"), 0);
  EXPECT_TRUE(System.TakeAtom(ActivateAtomName));
  EXPECT_EQ(::GlobalFindAtomW(L"Activate Pelorin"), 0);
  EXPECT_FALSE(System.TakeAtom(ActivateAtomName));

  TMainWorkThread worker({Shared, Input, Tracker, Keyboard.PressedKeys(), System, Dispatcher, Actions, nullptr, {}});
  worker.Start();
  ::GlobalAddAtomW(L"Activate Pelorin");  // what a second start does
  EXPECT_TRUE(PumpUntil([&] { return Actions.Shown.load() == 1; }, 3000));
  EXPECT_EQ(Actions.ShownIn.load(), ::GetCurrentThreadId());
  EXPECT_EQ(::GlobalFindAtomW(L"Activate Pelorin"), 0);
  worker.Stop();
}

// The sweep asks from the GUI thread about keys held in other applications' windows, here a
// window of another thread.
TEST_F(WorkerWin, SweepSeesAKeyHeldInAnotherThreadsWindow) {
  std::atomic<HWND> other{nullptr};
  std::atomic<bool> quit{false};
  std::thread owner([&] {
    HWND w = MakeWindow(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 300, 200);
    other = w;
    while (!quit) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    ::DestroyWindow(w);
  });
  ASSERT_TRUE(PumpUntil([&] { return other.load() != nullptr; }, 3000));
  ::SetForegroundWindow(other);
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other.load(); }, 3000));

  constexpr WORD vk = VK_F9;
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  // The system has taken the key once its global state shows it. Under load Wine may apply
  // the X server's key map (which never saw the injected key) when the focus change reaches
  // it late, and the key is up again: then it is pressed again.
  bool seen = false;
  for (int attempt = 0; attempt < 3 && !seen; ++attempt) {
    ASSERT_EQ(::SendInput(1, &in, sizeof(INPUT)), 1u);
    EXPECT_TRUE(PumpUntil([&] { return (::GetAsyncKeyState(vk) & 0x8000) != 0; }, 3000));
    PumpUntil([] { return false; }, 100);
    seen = System.KeyDown(vk);
  }
  EXPECT_TRUE(seen);
  in.ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(::SendInput(1, &in, sizeof(INPUT)), 1u);
  EXPECT_TRUE(PumpUntil([&] { return (::GetAsyncKeyState(vk) & 0x8000) == 0; }, 3000));
  EXPECT_FALSE(System.KeyDown(vk));
  quit = true;
  owner.join();
}

}  // namespace
}  // namespace pelorin::test
