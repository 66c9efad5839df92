#include "commands/CustomInputThread.h"
#include "input/InputCatalogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "HookRig.h"

namespace pelorin {
namespace {

struct FakeVolume : VolumePort {
  EventLog& L;
  int Level = 50;
  explicit FakeVolume(EventLog& l) : L(l) {}
  int ChangeVolume(bool up, int step) override {
    Level += up ? step : -step;
    L.Add(std::string("volume ") + (up ? "+" : "-") + std::to_string(step));
    return Level;
  }
};

struct FakeMonitor : BrightnessPort {
  EventLog& L;
  uint32_t Min = 0, CurValue = 70, Max = 100;
  std::function<void()> OnWrite;  // a monitor that takes its time
  explicit FakeMonitor(EventLog& l) : L(l) {}
  bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) override {
    L.Add("monitor read");
    min = Min;
    cur = CurValue;
    max = Max;
    return true;
  }
  bool Write(uint32_t cur) override {
    L.Add("monitor write " + std::to_string(cur));
    CurValue = cur;
    if (OnWrite) OnWrite();
    return true;
  }
};

struct FakeSystem : CommandSystemPort {
  EventLog& L;
  uint32_t Tick = 100000;
  std::function<void()> OnShellExecute;  // a program that takes its time to start
  explicit FakeSystem(EventLog& l) : L(l) {}
  void ShellExecute(const std::wstring& file, const std::wstring& params, const std::wstring& folder) override {
    L.Add("run '" + Narrow(file) + "' '" + Narrow(params) + "' in '" + Narrow(folder) + "'");
    if (OnShellExecute) OnShellExecute();
  }
  void PowerCommand(int n) override { L.Add("power " + std::to_string(n)); }
  uint32_t TickCount() override { return Tick; }
  void ThreadStarted() override { L.Add("started"); }
  void ThreadEnding() override { L.Add("ending"); }
  void UnexpectedException() override { L.Add("UNEXPECTED"); }
  TWakeSignal* ActionWake() override { return nullptr; }
};

struct FakeWindows : CommandWindowsPort {
  EventLog& L;
  explicit FakeWindows(EventLog& l) : L(l) {}
  void OpenClipboardManager() override { L.Add("gui clipboard manager"); }
  void ShowMainWindow() override { L.Add("gui show main window"); }
  void ToggleCheckedInputs() override { L.Add("gui toggle checked inputs"); }
  void TogglePelorin() override { L.Add("gui toggle pelorin"); }
  void ShowHelp() override { L.Add("gui help"); }
  void MinimizeApplication() override { L.Add("gui minimize"); }
  void ShowTrayPopup() override { L.Add("gui tray popup"); }
  void ShowBrightnessSlider() override { L.Add("gui brightness slider"); }
  void RefreshTray() override { L.Add("gui refresh tray"); }
  void MarkSettingsChanged() override { L.Add("gui settings changed"); }
};

struct FakeLayout : LayoutCommandsPort {
  EventLog& L;
  explicit FakeLayout(EventLog& l) : L(l) {}
  void Retype() override { L.Add("retype"); }
  void AutoSwitchCheck() override { L.Add("auto switch check"); }
};

class CommandThreadTest : public ::testing::Test, protected THookRig {
 protected:
  CommandThreadTest() { Sink.Log = &Events; }
  void Row(std::wstring_view command, std::optional<TKeyChordRecord> keys = std::nullopt) {
    ASSERT_TRUE(Table.AddRow(command, keys, L"Left Alt + " + std::to_wstring(Table.RowCount()), StateChord));
  }
  // Runs code and returns what happened, queued GUI work included (after the thread's own work).
  std::vector<std::string> Run(int32_t code) {
    Events.Lines.clear();
    Shared.PostAction(code);
    EXPECT_TRUE(Thread.RunOnce());
    Events.Add("--- gui");
    Gui.RunQueued();
    return Events.Lines;
  }

  EventLog Events;
  FakeNotes Notes{Events};
  FakeVolume Volume{Events};
  FakeMonitor Monitor{Events};
  TBrightness Brightness{&Monitor};
  FakeSystem System{Events};
  QueueingGui Gui;
  FakeWindows Windows{Events};
  TCustomInputThread Thread{{Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr}};
};

using Lines = std::vector<std::string>;

TEST_F(CommandThreadTest, ChordCommandPressesInOrderAndReleasesInPressOrder) {
  const uint8_t vks[] = {162, 'C'}, scans[] = {29, 46};
  Row(L"Left Ctrl + C", TKeyChordRecord::FromKeys(vks, scans));
  EXPECT_EQ(Run(1), (Lines{"key down 162 marked", "key down 67 marked", "key up 162 marked", "key up 67 marked",
                           "note 'Left Ctrl + C' level -1", "--- gui"}));
}

TEST_F(CommandThreadTest, CatalogueCommandsAndTheirNotes) {
  Row(L"Reboot");
  Row(L"Left mouse button double click");
  Row(L"Show Pelorin");
  Row(L"Checked inputs enable/disable");
  EXPECT_EQ(Run(1), (Lines{"note 'Reboot' level -1", "power 4", "--- gui"})) << "the note comes first";
  EXPECT_EQ(Run(2), (Lines{"mouse 2 data 0 marked", "mouse 4 data 0 marked", "mouse 2 data 0 marked",
                           "mouse 4 data 0 marked", "note 'Double click' level -1", "--- gui"}));
  EXPECT_EQ(Run(3), (Lines{"--- gui", "gui show main window"})) << "windows are queued, never touched here";
  EXPECT_EQ(Run(4), (Lines{"--- gui", "gui toggle checked inputs"}));
}

TEST_F(CommandThreadTest, CatalogueMatchingIsExactSoOtherTextsAreCommandLines) {
  Row(L"sleep");
  Row(L"C:\\Tools\\app.exe -x");
  Row(L"C:\\Tools\\app.exe");
  EXPECT_EQ(Run(1), (Lines{"note 'sleep' level -1", "run 'sleep' '' in ''", "--- gui"}));
  EXPECT_EQ(Run(2), (Lines{"note 'C:\\Tools\\app.exe -x' level -1", "run 'C:\\Tools\\app.exe' '-x' in 'C:\\Tools'",
                           "--- gui"}));
  EXPECT_EQ(Run(3), (Lines{"note 'C:\\Tools\\app.exe' level -1", "run 'C:\\Tools\\app.exe' '' in 'C:\\Tools'",
                           "--- gui"}))
      << "no parameters left over from the previous command";
}

TEST_F(CommandThreadTest, RepeatedVolumeStepsGrowToFourAndAReleaseResetsThem) {
  Row(L"Volume Up");
  std::vector<int> steps;
  for (int i = 0; i < 5; ++i) {
    Lines lines = Run(1);
    ASSERT_EQ(lines.size(), 3u);
    steps.push_back(std::stoi(lines[0].substr(8)));
    EXPECT_EQ(lines[1], "note '' level " + std::to_string(Volume.Level)) << "a level note without text";
  }
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 4}));
  Shared.VolumeStep = 1;  // any key release
  EXPECT_EQ(Run(1)[0], "volume +1");
}

// Rows fired before the thread's turn all run, oldest first, in one turn.
TEST_F(CommandThreadTest, EveryCodeWrittenBeforeATurnRunsInOrder) {
  Row(L"Reboot");
  Row(L"Sleep");
  Shared.PostAction(1);
  Shared.PostAction(2);
  EXPECT_EQ(Thread.RunPending(), 2);
  EXPECT_EQ(Events.Lines, (Lines{"note 'Reboot' level -1", "power 4", "note 'Sleep' level -1", "power 1"}));
  EXPECT_FALSE(Thread.RunOnce()) << "the queue is empty again";
  EXPECT_EQ(Thread.RunPending(), 0);
}

// What lost rows with a single slot: a row fired by a button, then a typed key 10 ms later
// asking for an auto-switch check before the thread's turn. Both go through the real hooks.
TEST_F(CommandThreadTest, AButtonRowAndAnAutoSwitchCheckRightAfterItBothRun) {
  FakeLayout layout(Events);
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, &layout});
  const uint8_t vks[] = {'X'}, scans[] = {45};
  ASSERT_TRUE(Table.AddRow(L"X", TKeyChordRecord::FromKeys(vks, scans), InputCatalogue[inpMiddleButton], StateMouse));
  Shared.OtherLayoutLang = 0x419;  // a second layout: typing keys are logged for the check

  EXPECT_EQ(Mouse.MouseHookProc({MouseMsg::MButtonDown, 0, 0, 0, 5000}), HookVerdict::Eat);
  EXPECT_EQ(Mouse.MouseHookProc({MouseMsg::MButtonUp, 0, 0, 0, 5005}), HookVerdict::Eat);
  EXPECT_EQ(Keyboard.KeyboardHookProc({'A', 30, 0, 5015}), HookVerdict::Pass);
  EXPECT_EQ(Keyboard.KeyboardHookProc({'S', 31, 0, 5025}), HookVerdict::Pass) << "a second key: one check waits";

  EXPECT_EQ(thread.RunPending(), 2);
  EXPECT_EQ(Events.Lines, (Lines{"key down 88 marked", "key up 88 marked", "note 'X' level -1", "auto switch check"}));
}

// A chord held on a slow command: while the command runs, the system repeats the chord's key
// (60 times here) and the user lets go. The repeats that came meanwhile are one waiting
// action, so the command runs at most once more after the release.
TEST_F(CommandThreadTest, AChordHeldOnASlowCommandRunsAtMostOnceAfterItIsReleased) {
  struct Case {
    const char* Name;
    std::wstring Command;
    std::function<void()>* Slow;  // the fake's step that takes its time
  };
  const std::vector<Case> cases = {
      {"a command line", L"C:\\Tools\\slow.exe", &System.OnShellExecute},
      {"a brightness step", L"Monitor brightness Up", &Monitor.OnWrite},
  };
  const uint32_t ctrl = 162, ctrlScan = 29, t = 'T', tScan = 20;
  for (const Case& c : cases) {
    Table.Clear();
    ASSERT_TRUE(Table.AddRow(c.Command, std::nullopt, L"Left Ctrl + T", StateChord));
    int runs = 0, runsAfterRelease = 0;
    bool released = false;
    uint32_t time = 5000;
    *c.Slow = [&] {
      ++runs;
      if (released) ++runsAfterRelease;
      if (runs > 1) return;
      for (int i = 0; i < 60; ++i) Keyboard.KeyboardHookProc({t, tScan, 0, time += 33});
      Keyboard.KeyboardHookProc({t, tScan, KeyReleasedFlag, time += 10});
      Keyboard.KeyboardHookProc({ctrl, ctrlScan, KeyReleasedFlag, time += 10});
      released = true;
    };
    Keyboard.KeyboardHookProc({ctrl, ctrlScan, 0, time});
    ASSERT_EQ(Keyboard.KeyboardHookProc({t, tScan, 0, time += 10}), HookVerdict::Eat) << c.Name;
    Thread.RunPending();
    *c.Slow = nullptr;
    EXPECT_TRUE(released) << c.Name << ": the command never ran";
    EXPECT_LE(runsAfterRelease, 1) << c.Name << " ran " << runs << " times in all";
    EXPECT_TRUE(Shared.PendingAction.Empty()) << c.Name;
  }
}

// A quick command runs for every repeat the thread takes; two presses while one waits are two
// runs, a press and its repeats one.
TEST_F(CommandThreadTest, RepeatsOfAQuickCommandRunAsTakenAndEveryPressRuns) {
  Row(L"Volume Up");
  for (int i = 0; i < 2; ++i) {
    Shared.PostAction(1, true);
    Shared.PostAction(1, true);
    EXPECT_EQ(Thread.RunPending(), 1) << i;
  }
  Shared.PostAction(1);
  Shared.PostAction(1);
  EXPECT_EQ(Thread.RunPending(), 2);
  EXPECT_EQ(Volume.Level, 50 + 1 + 2 + 3 + 4);
}

TEST_F(CommandThreadTest, BrightnessStepUsesAOneSecondCacheAndAlwaysWrites) {
  Row(L"Monitor brightness Up");
  Row(L"Monitor brightness Down");
  EXPECT_EQ(Run(1), (Lines{"monitor read", "note '' level 71", "monitor write 71", "--- gui", "gui refresh tray",
                           "gui settings changed"}));
  System.Tick += 1000;  // not more than a second: the cached value
  EXPECT_EQ(Run(1), (Lines{"note '' level 72", "monitor write 72", "--- gui", "gui refresh tray",
                           "gui settings changed"}));
  Monitor.CurValue = 100;  // changed on the monitor itself
  System.Tick += 1001;
  EXPECT_EQ(Run(1), (Lines{"monitor read", "note '' level 100", "monitor write 100", "--- gui", "gui refresh tray",
                           "gui settings changed"}))
      << "at the maximum the value stays but is still written and shown";
  Monitor.CurValue = 0;
  System.Tick += 5000;
  EXPECT_EQ(Run(2)[1], "note '' level 0");
}

TEST_F(CommandThreadTest, BrightnessWithoutAMeaningfulRangeShowsNothing) {
  Row(L"Monitor brightness Up");
  Monitor.Min = Monitor.Max = Monitor.CurValue = 50;
  EXPECT_EQ(Run(1), (Lines{"monitor read", "monitor write 50", "--- gui", "gui refresh tray", "gui settings changed"}));

  TBrightness none(nullptr);
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, none, System, Gui, Windows, nullptr});
  Events.Lines.clear();
  Shared.PostAction(1);
  thread.RunOnce();
  Shared.PostAction(ActionBrightnessSlider);
  thread.RunOnce();
  EXPECT_TRUE(Events.Lines.empty()) << "no brightness control: steps and the slider do nothing";
  EXPECT_TRUE(Gui.Queued.empty());
}

TEST_F(CommandThreadTest, FixedActionsAndIgnoredCodes) {
  struct Case { int32_t Code; Lines Expected; };
  const std::vector<Case> cases = {
      {ActionWheelNotchDown, {"mouse 2048 data -120 marked", "--- gui"}},
      {ActionWheelNotchUp, {"mouse 2048 data 120 marked", "--- gui"}},
      {ActionClipboardManager, {"--- gui", "gui clipboard manager"}},
      {ActionTogglePelorin, {"--- gui", "gui toggle pelorin"}},
      {ActionShowHelp, {"--- gui", "gui help"}},
      {ActionMinimize, {"--- gui", "gui minimize"}},
      {ActionTrayPopup, {"--- gui", "gui tray popup"}},
      {ActionBrightnessSlider, {"--- gui", "gui brightness slider"}},
      {ActionCustomCommand, {"--- gui"}},  // never posted: nothing to run
      {ActionAutoSwitchCheck, {"--- gui"}},
      {246, {"--- gui"}},
      {500, {"--- gui"}},
      {7, {"--- gui"}},  // a row that does not exist
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.Code), c.Expected) << "code " << c.Code;
}

// The hook eats a notch down in a run up; before the command thread gets to it the user has
// turned the wheel down after a pause, which the hook accepts. The notch sent is still up: the
// direction the run had when the reversed notch came.
TEST_F(CommandThreadTest, WheelNotchGoesTheWayTheRunWentWhenTheHookAteTheReversedNotch) {
  Cfg.FixWheelCheck = true;
  auto wheel = [&](int delta, uint32_t time) {
    return Mouse.MouseHookProc({MouseMsg::Wheel, 0, 0, static_cast<uint32_t>(delta) << 16, time});
  };
  for (uint32_t t = 1000; t <= 1400; t += 50) EXPECT_EQ(wheel(120, t), HookVerdict::Pass);
  EXPECT_EQ(wheel(-120, 1450), HookVerdict::Eat);
  EXPECT_EQ(wheel(-120, 1650), HookVerdict::Pass);
  EXPECT_FALSE(Mouse.LastWheelUp());
  EXPECT_EQ(Run(Shared.TakeAction()), (Lines{"mouse 2048 data 120 marked", "--- gui"}));
}

// Codes that came without a wake are still taken at the next interval.
TEST_F(CommandThreadTest, ThreadPollsTheQueueUntilStopped) {
  Row(L"Hibernate");
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr},
                            std::chrono::milliseconds(1));
  thread.Start();
  ASSERT_EQ(Shared.PendingAction.Push(1), TActionQueue::PushResult::Queued);  // no wake
  EXPECT_TRUE(Events.WaitForLines(3));
  thread.Stop();
  EXPECT_TRUE(Shared.PendingAction.Empty());
  EXPECT_EQ(Events.Lines, (Lines{"started", "note 'Hibernate' level -1", "power 2", "ending"}));
}

// Posting wakes the thread: with an interval far beyond the wait below, the actions can only
// have run because they were posted. Everything posted meanwhile runs in order.
TEST_F(CommandThreadTest, PostingWakesTheThreadLongBeforeItsInterval) {
  Row(L"Hibernate");
  Row(L"Sleep");
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr},
                            std::chrono::hours(1));
  thread.Start();
  ASSERT_TRUE(Events.WaitForLines(1)) << "the thread did not start";
  Shared.PostAction(1);
  ASSERT_TRUE(Events.WaitForLines(3, std::chrono::seconds(10))) << "posting did not wake the thread";
  Shared.PostAction(2);
  Shared.PostAction(1);
  ASSERT_TRUE(Events.WaitForLines(7, std::chrono::seconds(10)));
  thread.Stop();
  EXPECT_EQ(Events.Lines, (Lines{"started", "note 'Hibernate' level -1", "power 2", "note 'Sleep' level -1",
                                 "power 1", "note 'Hibernate' level -1", "power 2", "ending"}));
  EXPECT_EQ(Shared.ActionWake.load(), nullptr) << "a stopped thread is no longer woken";
}

// At rest the thread waits for posts only. A code posted before it started woke nobody, yet
// it is carried out at once.
TEST_F(CommandThreadTest, ACodePostedBeforeTheStartRunsThoughTheThreadNeverPolls) {
  Row(L"Hibernate");
  Shared.PostAction(1);
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr});
  thread.Start();
  EXPECT_TRUE(Events.WaitForLines(3, std::chrono::seconds(10))) << "the early code waited for a poll";
  thread.Stop();
  EXPECT_EQ(Events.Lines, (Lines{"started", "note 'Hibernate' level -1", "power 2", "ending"}));
}

// Started lazily: the first post asks the GUI thread once to start the thread, which then
// takes every code posted meanwhile; later posts only wake it.
TEST_F(CommandThreadTest, TheFirstPostStartsTheThreadThroughTheGuiThreadOnce) {
  Row(L"Hibernate");
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr});
  thread.StartOnFirstPost();
  EXPECT_FALSE(thread.Running());
  EXPECT_EQ(Gui.Pending(), 0u) << "nothing posted, nothing started";
  Shared.PostAction(1);
  Shared.PostAction(1);
  EXPECT_FALSE(thread.Running()) << "never started in the posting thread, which may be a hook's";
  EXPECT_EQ(Gui.Pending(), 1u) << "one request to start";
  Gui.RunQueued();
  EXPECT_TRUE(thread.Running());
  ASSERT_TRUE(Events.WaitForLines(5, std::chrono::seconds(10)));
  Shared.PostAction(1);
  ASSERT_TRUE(Events.WaitForLines(7, std::chrono::seconds(10))) << "a later post did not wake it";
  EXPECT_EQ(Gui.Pending(), 0u);
  thread.Stop();
  EXPECT_EQ(Events.Lines, (Lines{"started", "note 'Hibernate' level -1", "power 2", "note 'Hibernate' level -1",
                                 "power 2", "note 'Hibernate' level -1", "power 2", "ending"}));
  EXPECT_EQ(Shared.ActionWake.load(), nullptr);
}

// A start request that the GUI thread's queue refused never runs: the next post asks again
// instead of finding the request still marked as on its way.
TEST_F(CommandThreadTest, AStartRequestThatCouldNotBeQueuedIsAskedAgain) {
  Row(L"Hibernate");
  TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr});
  thread.StartOnFirstPost();
  Gui.FailNextQueues = 1;
  Shared.PostAction(1);
  EXPECT_EQ(Gui.Pending(), 0u) << "the refused request is not on its way";
  Shared.PostAction(1);
  ASSERT_EQ(Gui.Pending(), 1u) << "the next post did not ask for the start again";
  Gui.RunQueued();
  EXPECT_TRUE(thread.Running());
  ASSERT_TRUE(Events.WaitForLines(5, std::chrono::seconds(10))) << "the codes waiting did not run";
  thread.Stop();
  EXPECT_EQ(Events.Lines, (Lines{"started", "note 'Hibernate' level -1", "power 2", "note 'Hibernate' level -1",
                                 "power 2", "ending"}));
}

TEST_F(CommandThreadTest, ALazyStartComesAtOnceForEarlyCodesAndNeverAfterTheStop) {
  Row(L"Hibernate");
  {
    Shared.PostAction(1);  // before: nobody to wake
    TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr});
    thread.StartOnFirstPost();
    EXPECT_EQ(Gui.Pending(), 1u) << "the waiting code asks for the start at once";
    Gui.RunQueued();
    EXPECT_TRUE(Events.WaitForLines(3, std::chrono::seconds(10)));
    thread.Stop();
  }
  Events.Lines.clear();
  {
    TCustomInputThread thread({Table, Shared, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr});
    thread.StartOnFirstPost();
    Shared.PostAction(1);
    thread.Stop();  // the start request is still on its way
    Gui.RunQueued();
    EXPECT_FALSE(thread.Running());
    EXPECT_TRUE(Events.Lines.empty());
    EXPECT_EQ(Shared.TakeAction(), 1) << "the code stays for nobody, as after any stop";
  }
}

// An exception that escapes a command ends the thread through the fatal path, once, and the
// thread still cleans up.
TEST_F(CommandThreadTest, AnEscapingExceptionEndsTheThreadThroughTheUnexpectedPath) {
  struct ThrowingNotes : NotePort {
    void ShowNote(std::wstring_view, bool, int32_t) override { throw std::runtime_error("broken"); }
  } notes;
  Row(L"Hibernate");
  TCustomInputThread thread({Table, Shared, Input, notes, Volume, Brightness, System, Gui, Windows, nullptr},
                            std::chrono::hours(1));
  thread.Start();
  Shared.PostAction(1);
  ASSERT_TRUE(Events.WaitForLines(3));
  Shared.PostAction(1);  // nobody takes it any more
  thread.Stop();
  EXPECT_EQ(Events.Lines, (Lines{"started", "UNEXPECTED", "ending"}));
  EXPECT_EQ(Shared.TakeAction(), 1);
}

}  // namespace
}  // namespace pelorin
