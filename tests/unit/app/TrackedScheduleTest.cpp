#include "app/MainWorkThread.h"
#include "HookRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pelorin {
namespace {

// When the worker queues the tracked-window check, and which window it hands over.
struct FakeSystem : WorkerSystemPort {
  std::set<TWindowHandle> Hidden;
  std::map<uint32_t, int> Delays;  // ms -> how often
  std::function<void(uint32_t)> OnDelay;
  TWindowHandle Front = 0;  // 0: the test sets ForegroundWnd itself
  bool TakeAtom(std::wstring_view) override { return false; }
  TWindowHandle ForegroundWindow() override { return Front; }
  uint32_t WindowThreadId(TWindowHandle) override { return 0; }
  bool IsMinimized(TWindowHandle) override { return false; }
  bool KeyDown(uint8_t) override { return false; }
  uint32_t TickCount() override { return 0; }
  bool IsVisible(TWindowHandle w) override { return Hidden.count(w) == 0; }
  void Delay(uint32_t ms) override {
    ++Delays[ms];
    if (OnDelay) OnDelay(ms);
  }
  void UnexpectedException() override {}
};

struct NoWindows : WorkerWindowsPort {
  void ShowMainWindow() override {}
  void CloseMainWindow() override {}
  void ShowHookError(std::wstring_view, std::wstring_view) override {}
  void RefreshInputsCaption() override {}
};

struct NoScreen : ForegroundPort {
  TWindowHandle ForegroundWindow() override { return 0; }
  uint32_t WindowStyle(TWindowHandle) override { return 0; }
  TRect WindowRect(TWindowHandle) override { return {}; }
  bool IsDesktopWindow(TWindowHandle) override { return false; }
  bool NoteRunning() override { return false; }
};

struct FakeTracked : TrackedScanPort {
  TSharedState& Shared;
  std::vector<TWindowHandle> Checked;
  explicit FakeTracked(TSharedState& s) : Shared(s) {}
  void CheckTrackedWindows() override { Checked.push_back(Shared.TrackCandidate.load()); }
};

constexpr TWindowHandle MainWnd = 0x1000, Box = 0x2000, Other = 0x3000;

class TrackedScheduleTest : public ::testing::Test, protected THookRig {
 protected:
  void SetUp() override {
    Tracker.SetMainWindow(MainWnd);
    Shared.ForegroundWnd = Box;
  }
  // Ticks and runs what they queued; the windows checked.
  std::vector<TWindowHandle> Ticks(int n) {
    for (int i = 0; i < n; ++i) Worker.Tick();
    Gui.RunQueued();
    return std::exchange(Tracked.Checked, {});
  }
  using Handles = std::vector<TWindowHandle>;

  TConfigState Config;
  EventLog Events;
  FakeSystem System;
  QueueingGui Gui;
  NoWindows Windows;
  FakeNotes Notes{Events};
  NoScreen Screen;
  FakeTracked Tracked{Shared};
  TForegroundTracker Tracker{{Shared, Config, Typed, Screen, Gui, Windows, Notes}};
  TMainWorkThread Worker{
      {Shared, Input, Tracker, Keyboard.PressedKeys(), System, Gui, Windows, nullptr, {}, &Tracked}};
};

TEST_F(TrackedScheduleTest, EachNewForegroundWindowIsCheckedAtOnceThenOnceEveryTwentyTicks) {
  EXPECT_EQ(Ticks(1), Handles{Box});
  EXPECT_EQ(Ticks(19), Handles{});
  EXPECT_EQ(Ticks(1), Handles{Box});
  EXPECT_EQ(Ticks(5), Handles{});
  Shared.ForegroundWnd = Other;
  EXPECT_EQ(Ticks(1), Handles{Other});
  EXPECT_EQ(Ticks(19), Handles{});
  EXPECT_EQ(Ticks(1), Handles{Other});
  EXPECT_TRUE(System.Delays.empty()) << "no pause without a click";
}

TEST_F(TrackedScheduleTest, NoChecksWhilePelorinIsOffOrItsWindowIsInFront) {
  for (std::atomic<bool>* off : {&Shared.AppEnabled, &Shared.MainWindowActive}) {
    const bool on = off == &Shared.AppEnabled;
    off->store(!on);
    Shared.TrackedClicking = true;
    EXPECT_EQ(Ticks(45), Handles{});
    off->store(on);
    EXPECT_EQ(Ticks(1), Handles{Box});
    Shared.TrackedClicking = false;
  }
}

TEST_F(TrackedScheduleTest, WithNoRowTrackedTheGuiThreadIsNotWokenUntilOneIsOn) {
  Shared.TrackedRowsOn = false;
  Shared.TrackedClicking = true;
  EXPECT_EQ(Ticks(45), Handles{});
  Shared.ForegroundWnd = Other;
  EXPECT_EQ(Ticks(1), Handles{});
  Shared.TrackedClicking = false;
  Shared.TrackedRowsOn = true;
  // The window that came to the front meanwhile is the one the next once-a-second check sees.
  EXPECT_EQ(Ticks(19), Handles{});
  EXPECT_EQ(Ticks(1), Handles{Other});
}

TEST_F(TrackedScheduleTest, AFullScreenApplicationStopsTheOnceASecondCount) {
  EXPECT_EQ(Ticks(1), Handles{Box});
  Shared.Fullscreen = true;
  EXPECT_EQ(Ticks(100), Handles{});
  Shared.ForegroundWnd = Other;  // a change is still checked
  EXPECT_EQ(Ticks(1), Handles{Other});
  Shared.Fullscreen = false;
  EXPECT_EQ(Ticks(19), Handles{});
  EXPECT_EQ(Ticks(1), Handles{Other});
}

TEST_F(TrackedScheduleTest, AClickedWindowIsCheckedAgainAfterAPauseUntilEscClearsTheFlag) {
  EXPECT_EQ(Ticks(1), Handles{Box});
  Shared.TrackedClicking = true;  // the check clicked
  EXPECT_EQ(Ticks(1), Handles{Box});
  EXPECT_EQ(System.Delays[TrackRepeatDelayMs], 1);
  EXPECT_EQ(Ticks(3), (Handles{Box, Box, Box}));
  EXPECT_EQ(System.Delays[TrackRepeatDelayMs], 4);

  // Esc during the pause: that check is not made, and the once-a-second check goes on.
  System.OnDelay = [this](uint32_t ms) {
    if (ms == TrackRepeatDelayMs) Keyboard.KeyboardHookProc({27, 1, 0, 1000});
  };
  EXPECT_EQ(Ticks(1), Handles{});
  EXPECT_FALSE(Shared.TrackedClicking);
  EXPECT_EQ(Ticks(18), Handles{});
  EXPECT_EQ(Ticks(1), Handles{Box});
  EXPECT_EQ(System.Delays[TrackRepeatDelayMs], 5);
}

TEST_F(TrackedScheduleTest, WaitsForAHiddenCandidateOnlyWhileNothingElseHappens) {
  EXPECT_EQ(Ticks(1), Handles{Box});
  Ticks(1);  // the foreground change reaches LastForeground
  System.Hidden = {Box};
  // The candidate differs from the window in front, which has not changed since the last tick.
  Shared.TrackCandidate = Box;
  Shared.ForegroundWnd = Other;
  struct Case {
    const char* What;
    std::function<void()> Stop;
    int Steps;
  } cases[] = {
      {"still hidden", [] {}, TrackVisibleSteps},
      {"shown", [this] { System.Hidden.clear(); }, 3},
      // Under Wine nothing but the worker's own poll would bring this into ForegroundWnd.
      {"another window in front", [this] { System.Front = MainWnd + 2; }, 3},
  };
  for (const Case& c : cases) {
    System.Front = Other;
    Worker.Tick();  // LastForeground catches up with Other
    Gui.RunQueued();
    Tracked.Checked.clear();
    Shared.TrackCandidate = Box;
    System.Hidden = {Box};
    System.Delays.clear();
    int steps = 0;
    System.OnDelay = [&](uint32_t ms) {
      if (ms == TrackVisibleStepMs && ++steps == 3) c.Stop();
    };
    EXPECT_EQ(Ticks(1), Handles{Other}) << c.What;
    EXPECT_EQ(System.Delays[TrackVisibleStepMs], c.Steps) << c.What;
  }
  // A new window in front since the last tick: no wait at all.
  System.Front = 0;
  System.Delays.clear();
  Shared.TrackCandidate = Box;
  Shared.ForegroundWnd = MainWnd + 1;
  EXPECT_EQ(Ticks(1), Handles{MainWnd + 1});
  EXPECT_EQ(System.Delays[TrackVisibleStepMs], 0);
}

}  // namespace
}  // namespace pelorin
