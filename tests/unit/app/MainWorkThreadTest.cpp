#include "app/MainWorkThread.h"
#include "HookRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace pelorin {
namespace {

// The worker sends nothing but the probes: anything else shows up as a line of its own.
std::string DescribeProbe(const TInputRecord& r) {
  if (r.Kind == InputKind::Mouse)
    return r.Mouse.Time == ProbeMark && r.Mouse.Flags == (MouseFlag::Move | MouseFlag::Absolute) ? "mouse probe"
                                                                                                 : "OTHER MOUSE EVENT";
  bool up = (r.Key.Flags & KeyFlag::KeyUp) != 0;
  return up && r.Key.Vk == 255 && r.Key.Scan == 255 && r.Key.Time == 0 ? "key probe" : "OTHER KEY EVENT";
}

struct FakeSystem : WorkerSystemPort {
  std::mutex Lock;  // the thread test reads the atoms from the worker thread
  std::set<std::wstring> Atoms;
  bool Throw = false;
  int Unexpected = 0;
  TWindowHandle Foreground = 0;
  std::map<TWindowHandle, uint32_t> ThreadIds;
  std::set<TWindowHandle> Minimized;
  std::set<uint8_t> Down;
  uint32_t Tick = 5000;

  bool TakeAtom(std::wstring_view name) override {
    std::lock_guard guard(Lock);
    if (Throw) throw std::runtime_error("broken");
    return Atoms.erase(std::wstring(name)) != 0;
  }
  TWindowHandle ForegroundWindow() override { return Foreground; }
  uint32_t WindowThreadId(TWindowHandle window) override { return ThreadIds[window]; }
  bool IsMinimized(TWindowHandle window) override { return Minimized.count(window) != 0; }
  bool KeyDown(uint8_t vk) override { return Down.count(vk) != 0; }
  uint32_t TickCount() override { return Tick; }
  bool IsVisible(TWindowHandle) override { return true; }
  void Delay(uint32_t) override {}
  void UnexpectedException() override {
    std::lock_guard guard(Lock);
    ++Unexpected;
  }
};

struct FakeWindows : WorkerWindowsPort {
  EventLog& L;
  explicit FakeWindows(EventLog& l) : L(l) {}
  void ShowMainWindow() override { L.Add("gui show main window"); }
  void CloseMainWindow() override { L.Add("gui close main window"); }
  void ShowHookError(std::wstring_view text, std::wstring_view hint) override {
    L.Add("gui hook error '" + Narrow(text) + "' hint '" + Narrow(hint) + "'");
  }
  void RefreshInputsCaption() override { L.Add("gui inputs caption"); }
};

// The same screen the worker polls: one window in front for both.
struct FakeScreen : ForegroundPort {
  explicit FakeScreen(const FakeSystem& system) : System(system) {}
  const FakeSystem& System;
  std::map<TWindowHandle, uint32_t> Styles;
  std::map<TWindowHandle, TRect> Rects;
  TWindowHandle ForegroundWindow() override { return System.Foreground; }
  uint32_t WindowStyle(TWindowHandle window) override { return Styles[window]; }
  TRect WindowRect(TWindowHandle window) override { return Rects[window]; }
  bool IsDesktopWindow(TWindowHandle) override { return false; }
  bool NoteRunning() override { return false; }
};

struct FakeDesktop : DesktopRestorePort {
  EventLog& L;
  explicit FakeDesktop(EventLog& l) : L(l) {}
  void ForegroundChanged(TWindowHandle window) override { L.Add("desktop sees " + std::to_string(window)); }
};

constexpr TWindowHandle MainWnd = 0x1000, EditorWnd = 0x2000, Game = 0x3000, Note = 0x4000;
constexpr uint32_t PopupStyle = 0x80000000;
constexpr uint32_t OverlappedWindowStyle = 0x00CF0000;  // caption, frame, minimise and maximise boxes

struct Key {
  uint32_t Vk, Scan;
};
constexpr Key LCtrl{162, 29}, KeyA{'A', 30}, KeyB{'B', 48};

using Lines = std::vector<std::string>;

class WorkerTest : public ::testing::Test, protected THookRig {
 protected:
  WorkerTest() : THookRig(TPoint{10, 10}) {}
  void SetUp() override {
    LoopBack();
    Sink.Log = &Events;
    Sink.Describe = DescribeProbe;
    Tracker.SetMainWindow(MainWnd);
    Tracker.RegisterOwnWindow(Note);
    Shared.ScreenWidth = 1280;
    Shared.ScreenHeight = 1024;
    System.Foreground = EditorWnd;
    Shared.ForegroundWnd = EditorWnd;  // the first tick sees it as the foreground's first value
    Worker.SetHooksCheck(true);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Worker.Tick();
  }
  // Runs the queued GUI work and returns everything logged since the last call.
  Lines RunGui() {
    Gui.RunQueued();
    Lines lines = std::move(Events.Lines);
    Events.Lines.clear();
    return lines;
  }
  void Press(Key k) { Keyboard.KeyboardHookProc({k.Vk, k.Scan, 0, 1000}); }

  EventLog Events;
  TConfigState Config;
  FakeSystem System;
  QueueingGui Gui;
  FakeWindows Windows{Events};
  FakeNotes Notes{Events};
  FakeScreen Screen{System};
  FakeDesktop Desktop{Events};
  TForegroundTracker Tracker{{Shared, Config, Typed, Screen, Gui, Windows, Notes}};
  TMainWorkThread Worker{{Shared, Input, Tracker, Keyboard.PressedKeys(), System, Gui, Windows, &Desktop, {}}};
};

TEST_F(WorkerTest, BothHooksAreProbedAfterFiftyTicksAndAnAnswerRearmsTheCounter) {
  Ticks(50);
  EXPECT_EQ(Shared.MouseProbe.load(), 0);
  EXPECT_EQ(Shared.KeyboardProbe.load(), 0);
  EXPECT_EQ(RunGui(), (Lines{"desktop sees 8192"})) << "nothing probed while counting down";

  Ticks(1);
  EXPECT_EQ(RunGui(), (Lines{"mouse probe", "key probe"})) << "the mouse first, then the keyboard";
  EXPECT_EQ(Shared.MouseProbe.load(), ProbeAnswered) << "the answer found the counter waiting";
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeAnswered);

  Ticks(1);
  EXPECT_EQ(Shared.MouseProbe.load(), ProbeIdleTicks);
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeIdleTicks);
  Ticks(51);
  EXPECT_EQ(RunGui(), (Lines{"mouse probe", "key probe"})) << "and again 51 ticks later";
}

TEST_F(WorkerTest, SilentHookIsReportedAfterTwentyTicksAndOnEveryTickAfter) {
  Sink.KeyboardAlive = false;
  Ticks(51);
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeSent);
  RunGui();

  Ticks(19);
  EXPECT_EQ(Shared.KeyboardProbe.load(), -3);
  EXPECT_EQ(RunGui(), Lines{}) << "still within its second";
  EXPECT_EQ(Worker.HookErrTicks(), 0);

  Ticks(1);
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeFailed);
  Lines lines = RunGui();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "gui hook error 'Can`t set system hook for normal work' hint 'Some functions, provided by "
                      "Pelorin, are not working. Restart Pelorin manually or hide it (press Esc), it will restarts "
                      "automatically when hidden'");
  EXPECT_EQ(Worker.HookErrTicks(), 1);

  Ticks(3);
  RunGui();
  EXPECT_EQ(Worker.HookErrTicks(), 4) << "reported again on every tick";
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeFailed) << "the failure stays";
  EXPECT_EQ(Shared.MouseProbe.load(), 28) << "the live mouse hook goes on as usual: rearmed 22 ticks ago";
}

TEST_F(WorkerTest, ProbingWaitsWithNothingInFrontInStandbyOrUnderAGame) {
  struct Case {
    const char* Name;
    std::function<void()> Set;
  };
  const std::vector<Case> cases = {
      {"nothing in front", [this] { System.Foreground = 0; }},
      {"suspending", [this] { Shared.Suspending = true; }},
      {"full screen", [this] { Shared.Fullscreen = true; }},
  };
  Ticks(1);
  RunGui();
  for (const Case& c : cases) {
    for (int32_t start : {0, ProbeSent, -5}) {
      System.Foreground = EditorWnd;
      Shared.Suspending = false;
      Shared.Fullscreen = false;
      c.Set();
      Shared.MouseProbe = start;
      Shared.KeyboardProbe = 7;
      Ticks(1);
      EXPECT_EQ(Shared.MouseProbe.load(), ProbeIdleTicks) << c.Name << " from " << start;
      EXPECT_EQ(Shared.KeyboardProbe.load(), 6) << c.Name << ": a counting counter counts on";
      EXPECT_EQ(RunGui(), Lines{}) << c.Name << " from " << start << ": no probe, no failure";
      EXPECT_EQ(Worker.HookErrTicks(), 0);
    }
  }
}

// The desktop list or a hook missing at start, or a probe that went unanswered: with nothing
// in front the report waits, and comes once a window is in front again.
TEST_F(WorkerTest, AFailureFoundBeforeWaitsWithNothingInFrontAndIsNotForgotten) {
  Ticks(1);
  RunGui();
  System.Foreground = 0;
  Shared.KeyboardProbe = ProbeFailed;
  Ticks(3);
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeFailed);
  EXPECT_EQ(RunGui(), Lines{}) << "not reported while nothing is in front";
  EXPECT_EQ(Worker.HookErrTicks(), 0);
  System.Foreground = EditorWnd;
  Ticks(1);
  EXPECT_EQ(RunGui().size(), 1u) << "reported once a window is in front";
  EXPECT_EQ(Worker.HookErrTicks(), 1);
}

TEST_F(WorkerTest, NothingIsProbedWhileTheCheckIsOffOrPelorinIsOffAndTheCountersKeepTheirValues) {
  struct Case {
    bool HooksCheck, AppEnabled;
  };
  for (Case c : {Case{false, true}, Case{true, false}, Case{false, false}}) {
    Worker.SetHooksCheck(c.HooksCheck);
    Shared.AppEnabled = c.AppEnabled;
    Shared.MouseProbe = 0;
    Shared.KeyboardProbe = ProbeFailed;
    Ticks(30);
    EXPECT_EQ(Shared.MouseProbe.load(), 0) << c.HooksCheck << c.AppEnabled;
    EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeFailed);
    RunGui();
    EXPECT_EQ(Worker.HookErrTicks(), 0) << "no failure reported";
  }
  Worker.SetHooksCheck(true);
  Shared.AppEnabled = true;
  Ticks(1);
  EXPECT_EQ(RunGui(), (Lines{"mouse probe", "gui hook error 'Can`t set system hook for normal work' hint '" +
                                               Narrow(HookErrorHint) + "'"}))
      << "checked again, the kept counters go on where they were";
}

TEST_F(WorkerTest, AProbeLostWithTheHooksOfADisabledPelorinIsNoFailureOnceItIsOnAgain) {
  Worker.SetHooksCheck(true);
  Shared.MouseProbe = ProbeSent + 3;  // a probe on its way when the user switched Pelorin off
  Shared.KeyboardProbe = 7;
  Shared.AppEnabled = false;
  Ticks(30);
  Shared.AppEnabled = true;
  HooksReinstalled(Shared, true);
  EXPECT_EQ(Shared.MouseProbe.load(), ProbeIdleTicks);
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeIdleTicks);
  Ticks(ProbeIdleTicks - 1);
  RunGui();
  EXPECT_EQ(Worker.HookErrTicks(), 0) << "the new hooks are probed afresh, nothing failed";

  // Hooks that could not be installed again are reported as at start-up; a requested restart stays.
  HooksReinstalled(Shared, false);
  EXPECT_EQ(Shared.KeyboardProbe.load(), ProbeFailed);
  Shared.MouseProbe = ProbeRestart;
  HooksReinstalled(Shared, true);
  EXPECT_EQ(Shared.MouseProbe.load(), ProbeRestart);
}

TEST_F(WorkerTest, ARestartRequestIsLeftForTheShutdown) {
  Shared.MouseProbe = ProbeRestart;
  Ticks(60);
  EXPECT_EQ(Shared.MouseProbe.load(), ProbeRestart);
}

// HookFailure runs in the GUI thread; here it is called as the queued work would call it.
TEST(HookFailureTest, RestartWaitsLongerForEachRestartWithinFifteenSeconds) {
  struct Case {
    std::optional<int32_t> RestartedAs;
    uint32_t MsSinceStart;
    int32_t RestartCount;
  };
  const std::vector<Case> cases = {
      {std::nullopt, 0, 1},  {std::nullopt, 60000, 1}, {3, 0, 4},        {3, 15000, 4},
      {3, 15001, 1},         {0, 0, 1},                {98, 100, 99},    {99, 100, 100},
      {100, 100, 100},       {250, 100, 100},
  };
  for (const Case& c : cases) {
    EventLog events;
    THookRig rig;
    rig.LoopBack();
    rig.Sink.Log = &events;
    rig.Sink.Describe = DescribeProbe;
    TSharedState& shared = rig.Shared;
    TConfigState config;
    FakeSystem system;
    QueueingGui gui;
    FakeWindows windows(events);
    FakeNotes notes(events);
    FakeScreen screen(system);
    TForegroundTracker tracker({shared, config, rig.Typed, screen, gui, windows, notes});
    system.Tick = 0xFFFFF000;  // the tick count wraps meanwhile
    TMainWorkThread worker({shared, rig.Input, tracker, rig.Keyboard.PressedKeys(), system, gui, windows, nullptr,
                            c.RestartedAs});
    system.Tick += c.MsSinceStart;

    std::string label = "restart " + (c.RestartedAs ? std::to_string(*c.RestartedAs) : "none") + " after " +
                        std::to_string(c.MsSinceStart) + " ms";
    int32_t threshold = c.RestartCount * 20;
    for (int32_t i = 1; i < threshold; ++i) worker.HookFailure();
    EXPECT_EQ(worker.RestartCount(), c.RestartCount) << label;
    EXPECT_EQ(worker.HookErrTicks(), threshold - 1) << label;
    EXPECT_EQ(events.Lines.size(), 1u) << label << ": only the error label so far";
    EXPECT_EQ(shared.MouseProbe.load(), 50) << label;

    worker.HookFailure();
    EXPECT_EQ(shared.MouseProbe.load(), ProbeRestart) << label;
    ASSERT_EQ(events.Lines.size(), 2u) << label;
    EXPECT_EQ(events.Lines[1], "gui close main window") << label;
    EXPECT_EQ(worker.RestartCount(), c.RestartCount) << label << ": the successor's count";
  }
}

TEST_F(WorkerTest, NeverRestartsWhileTheMainWindowIsInFront) {
  Shared.MainWindowActive = true;
  for (int i = 0; i < 100; ++i) Worker.HookFailure();
  EXPECT_EQ(RunGui().size(), 1u) << "only the error label";
  EXPECT_EQ(Shared.MouseProbe.load(), 50);
  EXPECT_EQ(Worker.HookErrTicks(), 100) << "the failures are still counted";

  Shared.MainWindowActive = false;  // hidden with Esc
  Worker.HookFailure();
  EXPECT_EQ(RunGui(), (Lines{"gui close main window"})) << "the count was reached long ago";
  EXPECT_EQ(Shared.MouseProbe.load(), ProbeRestart);
}

TEST_F(WorkerTest, StaleKeysAreSweptInTheGuiThreadAfterTenIdleTicks) {
  Shared.ForegroundWnd = 0;  // no foreground work in the queue
  System.Foreground = 0;
  Worker.SetHooksCheck(false);
  Press(LCtrl);
  Press(KeyA);
  System.Down = {static_cast<uint8_t>(LCtrl.Vk)};  // A's release was missed

  Ticks(9);
  EXPECT_EQ(Gui.Pending(), 0u);
  Ticks(1);
  EXPECT_EQ(Shared.KbdIdleTicks.load(), StaleKeyTicks);
  ASSERT_EQ(Gui.Pending(), 1u);
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 2) << "the worker never touches the held keys itself";
  RunGui();
  ASSERT_EQ(Keyboard.PressedKeys().Count(), 1);
  EXPECT_EQ(Keyboard.PressedKeys()[0].VirtualKey, LCtrl.Vk) << "a key still down stays";

  Ticks(30);
  EXPECT_EQ(Gui.Pending(), 0u) << "one sweep per idle spell";

  System.Down.clear();
  Press(KeyB);  // a key event restarts the count
  Ticks(5);
  Press(KeyB);
  Ticks(9);
  EXPECT_EQ(Gui.Pending(), 0u);
  Ticks(1);
  RunGui();
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 0) << "every entry whose key is up goes";
}

TEST_F(WorkerTest, SweepStopsWhenAKeyEventArrivedAfterItWasQueued) {
  Shared.ForegroundWnd = 0;
  System.Foreground = 0;
  Press(LCtrl);
  Press(KeyA);
  Ticks(10);
  ASSERT_EQ(Gui.Pending(), 1u);
  Press(KeyB);  // reaches the hook before the queued sweep runs
  RunGui();
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 3) << "the hook's list is fresh again: nothing swept";
}

TEST_F(WorkerTest, AtomsOfOtherInstancesAreTakenAndAnsweredInTheGuiThread) {
  struct Case {
    std::set<std::wstring> Atoms;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {{}, {}},
      {{L"Activate Pelorin"}, {"gui show main window"}},
      {{L"Shutdown Pelorin"}, {"gui close main window"}},
      {{L"Activate Pelorin", L"Shutdown Pelorin"}, {"gui show main window", "gui close main window"}},
      {{L"Some other atom"}, {}},
  };
  Ticks(1);
  RunGui();
  for (const Case& c : cases) {
    System.Atoms = c.Atoms;
    Ticks(1);
    EXPECT_EQ(Events.Lines, Lines{}) << "queued, not done in the worker";
    EXPECT_EQ(RunGui(), c.Expected);
    EXPECT_EQ(System.Atoms.size(), c.Atoms.size() - c.Expected.size()) << "each atom answered is deleted";
    Ticks(1);
    EXPECT_EQ(RunGui(), Lines{}) << "answered once";
  }
}

TEST_F(WorkerTest, VolumeStepFallsBackByOnePerTick) {
  for (int32_t start : {1, 2, 4}) {
    Shared.VolumeStep = start;
    std::vector<int32_t> steps;
    for (int i = 0; i < 4; ++i) {
      Ticks(1);
      steps.push_back(Shared.VolumeStep.load());
    }
    std::vector<int32_t> expected;
    for (int i = 1; i <= 4; ++i) expected.push_back(std::max(start - i, 1));
    EXPECT_EQ(steps, expected) << "from " << start;
  }
}

TEST_F(WorkerTest, ForegroundPollFeedsTheHandlerOncePerChange) {
  Worker.SetHooksCheck(false);
  Shared.KbdIdleTicks = StaleKeyTicks;  // no sweep in the queue
  Shared.ForegroundWnd = 0;
  System.Foreground = EditorWnd;
  System.ThreadIds[EditorWnd] = 77;
  System.ThreadIds[Game] = 88;
  Typed.Append({30, 'A', false});

  Ticks(1);
  EXPECT_EQ(Shared.ForegroundWnd.load(), 0u) << "the handler runs in the GUI thread";
  ASSERT_EQ(Gui.Pending(), 1u);
  RunGui();
  EXPECT_EQ(Shared.ForegroundWnd.load(), EditorWnd);
  EXPECT_EQ(Shared.ForegroundThreadId.load(), 77u);
  EXPECT_TRUE(Typed.Copy().empty()) << "the word typed before belongs to the other window";

  Ticks(5);
  EXPECT_EQ(Gui.Pending(), 0u) << "the same window is not fed again";

  System.Foreground = 0;  // between two windows
  Ticks(3);
  EXPECT_EQ(Gui.Pending(), 0u);
  EXPECT_EQ(Shared.ForegroundWnd.load(), EditorWnd);

  System.Foreground = Note;  // Pelorin's own note: fed once, ignored by the handler
  Ticks(5);
  EXPECT_EQ(Gui.Pending(), 1u);
  RunGui();
  EXPECT_EQ(Shared.ForegroundWnd.load(), EditorWnd);

  System.Foreground = Game;
  Ticks(3);
  EXPECT_EQ(Gui.Pending(), 1u);
  RunGui();
  EXPECT_EQ(Shared.ForegroundWnd.load(), Game);
  EXPECT_EQ(Shared.ForegroundThreadId.load(), 88u);

  Shared.ForegroundWnd = EditorWnd;  // the event hook saw the switch first
  System.Foreground = EditorWnd;
  Ticks(2);
  EXPECT_EQ(Gui.Pending(), 0u) << "nothing to feed when the event already arrived";
}

TEST_F(WorkerTest, ForegroundChangeSetsMainWindowActiveAndReachesTheDesktopOncePerChange) {
  Worker.SetHooksCheck(false);
  Shared.KbdIdleTicks = StaleKeyTicks;
  struct Step {
    TWindowHandle Foreground;
    bool MainMinimized;
    bool MainWindowActive;
    Lines Expected;
  };
  const std::vector<Step> steps = {
      {EditorWnd, false, false, {"desktop sees 8192"}},   // the first value counts as a change
      {EditorWnd, false, false, {}},
      {MainWnd, false, true, {"desktop sees 4096"}},
      {MainWnd, false, true, {}},
      {Game, false, false, {"desktop sees 12288"}},
      {MainWnd, true, false, {"desktop sees 4096"}},  // in front but minimised
  };
  for (const Step& s : steps) {
    Shared.ForegroundWnd = s.Foreground;
    System.Foreground = s.Foreground;
    System.Minimized.clear();
    if (s.MainMinimized) System.Minimized.insert(MainWnd);
    Ticks(1);
    EXPECT_EQ(Shared.MainWindowActive.load(), s.MainWindowActive) << s.Foreground;
    EXPECT_EQ(RunGui(), s.Expected) << s.Foreground;
  }
}

TEST_F(WorkerTest, FullScreenIsDetectedOnAChangeOnlyWithTheOptionAndPelorinOn) {
  Worker.SetHooksCheck(false);
  Shared.KbdIdleTicks = StaleKeyTicks;
  Screen.Styles[Game] = PopupStyle;
  Screen.Rects[Game] = {0, 0, 1280, 1024};
  Screen.Styles[EditorWnd] = OverlappedWindowStyle;
  Screen.Rects[EditorWnd] = {0, 0, 1280, 1024};
  struct Case {
    bool Option, AppEnabled, Detected;
  };
  for (Case c : {Case{true, true, true}, Case{false, true, false}, Case{true, false, false}}) {
    Tracker.SetDisableInGame(c.Option);
    Shared.AppEnabled = c.AppEnabled;
    Shared.ForegroundWnd = EditorWnd;
    Ticks(1);
    RunGui();
    Shared.ForegroundWnd = Game;
    Ticks(1);
    EXPECT_EQ(Shared.Fullscreen.load(), c.Detected) << c.Option << c.AppEnabled;
    EXPECT_EQ(Shared.CheckedInputsEnabled.load(), !c.Detected);
    Lines lines = RunGui();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "note 'Checked Inputs disabled' level -1"), c.Detected ? 1 : 0);
    Shared.ForegroundWnd = EditorWnd;
    Ticks(1);
    RunGui();
    EXPECT_FALSE(Shared.Fullscreen.load()) << "a game in front leaves nothing behind";
    EXPECT_TRUE(Shared.CheckedInputsEnabled.load());
  }
}

TEST_F(WorkerTest, ThreadTicksUntilStopped) {
  TMainWorkThread worker({Shared, Input, Tracker, Keyboard.PressedKeys(), System, Gui, Windows, nullptr, {}},
                         std::chrono::milliseconds(1));
  worker.Start();
  {
    std::lock_guard guard(System.Lock);
    System.Atoms.insert(L"Activate Pelorin");
  }
  // Polled with a deadline: the activation is queued once the worker took the atom.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool taken = false;
  while (!taken && std::chrono::steady_clock::now() < deadline) {
    {
      std::lock_guard guard(System.Lock);
      taken = System.Atoms.empty();
    }
    if (!taken) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.Stop();
  ASSERT_TRUE(taken);
  Lines lines = RunGui();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "gui show main window"), 1);
}

TEST_F(WorkerTest, AnExceptionInATickEndsTheThreadThroughTheUnexpectedPath) {
  TMainWorkThread worker({Shared, Input, Tracker, Keyboard.PressedKeys(), System, Gui, Windows, nullptr, {}},
                         std::chrono::milliseconds(1));
  {
    std::lock_guard guard(System.Lock);
    System.Throw = true;
  }
  worker.Start();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int unexpected = 0;
  while (unexpected == 0 && std::chrono::steady_clock::now() < deadline) {
    {
      std::lock_guard guard(System.Lock);
      unexpected = System.Unexpected;
    }
    if (unexpected == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.Stop();
  EXPECT_EQ(System.Unexpected, 1) << "reported once, then the loop ends";
}

}  // namespace
}  // namespace pelorin
