#include "commands/CustomInputThread.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pelorin {
namespace {

// Everything the thread does, in order, as readable lines.
struct Log {
  std::vector<std::string> Lines;
  void Add(std::string line) { Lines.push_back(std::move(line)); }
};

std::string Narrow(std::wstring_view w) { return std::string(w.begin(), w.end()); }

struct RecordingSink : SyntheticInputPort {
  Log& L;
  explicit RecordingSink(Log& l) : L(l) {}
  uintptr_t CurrentExtraInfo() override { return 0; }
  void SendBatch(const TInputBatch& batch) override {
    for (const TInputRecord& r : batch) {
      if (r.Kind == InputKind::Keyboard)
        L.Add(std::string((r.Key.Flags & KeyFlag::KeyUp) ? "key up " : "key down ") + std::to_string(r.Key.Vk) +
              (r.Key.Time == OwnInputMark ? " marked" : " UNMARKED"));
      else
        L.Add("mouse " + std::to_string(r.Mouse.Flags) + " data " + std::to_string(r.Mouse.MouseData) +
              (r.Mouse.Time == OwnInputMark ? " marked" : " UNMARKED"));
    }
  }
  void PutPointerAt(TPoint) override {}
};

struct NoWindow : MouseHookPort {
  bool ChoiceComboFocused() override { return false; }
  TRect MainWindowRect() override { return {}; }
};

struct FakeNotes : NotePort {
  Log& L;
  explicit FakeNotes(Log& l) : L(l) {}
  void ShowNote(std::wstring_view text, bool forced, int32_t level) override {
    L.Add("note '" + Narrow(text) + "'" + (forced ? " forced" : "") + " level " + std::to_string(level));
  }
};

struct FakeVolume : VolumePort {
  Log& L;
  int Level = 50;
  explicit FakeVolume(Log& l) : L(l) {}
  int ChangeVolume(bool up, int step) override {
    Level += up ? step : -step;
    L.Add(std::string("volume ") + (up ? "+" : "-") + std::to_string(step));
    return Level;
  }
};

struct FakeMonitor : BrightnessPort {
  Log& L;
  uint32_t Min = 0, CurValue = 70, Max = 100;
  explicit FakeMonitor(Log& l) : L(l) {}
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
    return true;
  }
};

struct FakeSystem : CommandSystemPort {
  Log& L;
  uint32_t Tick = 100000;
  explicit FakeSystem(Log& l) : L(l) {}
  void ShellExecute(const std::wstring& file, const std::wstring& params, const std::wstring& folder) override {
    L.Add("run '" + Narrow(file) + "' '" + Narrow(params) + "' in '" + Narrow(folder) + "'");
  }
  void PowerCommand(int n) override { L.Add("power " + std::to_string(n)); }
  uint32_t TickCount() override { return Tick; }
  void ThreadStarted() override { L.Add("started"); }
  void ThreadEnding() override { L.Add("ending"); }
  void UnexpectedException() override { L.Add("UNEXPECTED"); }
};

// Queued GUI work waits until the test runs it, so a test sees that it was queued and not run
// in the command thread.
struct QueueingGui : GuiThreadPort {
  std::vector<std::function<void()>> Queued;
  bool Synchronize(const std::function<void()>& work) override {
    work();
    return true;
  }
  void Queue(std::function<void()> work) override { Queued.push_back(std::move(work)); }
  void RunQueued() {
    auto work = std::move(Queued);
    Queued.clear();
    for (auto& w : work) w();
  }
};

struct FakeWindows : CommandWindowsPort {
  Log& L;
  explicit FakeWindows(Log& l) : L(l) {}
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

class CommandThreadTest : public ::testing::Test {
 protected:
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

  Log Events;
  TCustomInputTable Table;
  Settings Cfg;
  TSharedState Shared;
  NoWindow Window;
  TTypedChars Typed;
  TMouseHook Mouse{Table, Cfg, Shared, Window, Typed, {0, 0}};
  RecordingSink Sink{Events};
  TSyntheticInput Input{Shared, Mouse, Sink};
  FakeNotes Notes{Events};
  FakeVolume Volume{Events};
  FakeMonitor Monitor{Events};
  TBrightness Brightness{&Monitor};
  FakeSystem System{Events};
  QueueingGui Gui;
  FakeWindows Windows{Events};
  TCustomInputThread Thread{{Table, Shared, Mouse, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr}};
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

TEST_F(CommandThreadTest, OnlyTheLastCodeWrittenWithinOnePollRuns) {
  Row(L"Reboot");
  Row(L"Sleep");
  Shared.PostAction(1);
  Shared.PostAction(2);
  ASSERT_TRUE(Thread.RunOnce());
  EXPECT_EQ(Events.Lines, (Lines{"note 'Sleep' level -1", "power 1"}));
  EXPECT_FALSE(Thread.RunOnce()) << "the slot is empty again";
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
  TCustomInputThread thread({Table, Shared, Mouse, Input, Notes, Volume, none, System, Gui, Windows, nullptr});
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
  Mouse.MouseHookProc({MouseMsg::Wheel, 0, 0, 120u << 16, 1000});  // no fix: nothing recorded
  const std::vector<Case> cases = {
      {ActionWheelNotch, {"mouse 2048 data -120 marked", "--- gui"}},
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

TEST_F(CommandThreadTest, WheelNotchGoesInTheLastAcceptedDirection) {
  Cfg.FixWheelCheck = true;
  Mouse.MouseHookProc({MouseMsg::Wheel, 0, 0, 120u << 16, 1000});
  EXPECT_EQ(Run(ActionWheelNotch)[0], "mouse 2048 data 120 marked");
}

TEST_F(CommandThreadTest, ThreadPollsTheSlotUntilStopped) {
  Row(L"Hibernate");
  TCustomInputThread thread({Table, Shared, Mouse, Input, Notes, Volume, Brightness, System, Gui, Windows, nullptr},
                            std::chrono::milliseconds(1));
  thread.Start();
  Shared.PostAction(1);
  for (int i = 0; i < 5000 && Shared.PendingAction.load() != NoAction; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  thread.Stop();
  EXPECT_EQ(Shared.PendingAction.load(), NoAction);
  EXPECT_EQ(Events.Lines, (Lines{"started", "note 'Hibernate' level -1", "power 2", "ending"}));
}

}  // namespace
}  // namespace pelorin
