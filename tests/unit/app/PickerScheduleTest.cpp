#include "app/MainWorkThread.h"
#include "HookRig.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelorin {
namespace {

// When the worker queues the hand-point picker's step: the mouse hook records points during a
// drag, away from the main window.
struct QuietSystem : WorkerSystemPort {
  bool TakeAtom(std::wstring_view) override { return false; }
  TWindowHandle ForegroundWindow() override { return 0; }
  uint32_t WindowThreadId(TWindowHandle) override { return 0; }
  bool IsMinimized(TWindowHandle) override { return false; }
  bool KeyDown(uint8_t) override { return false; }
  uint32_t TickCount() override { return 0; }
  bool IsVisible(TWindowHandle) override { return true; }
  void Delay(uint32_t) override {}
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

// Takes the point as the real step does.
struct FakePicker : PickerPort {
  TSharedState& Shared;
  std::vector<TPoint> Seen;
  explicit FakePicker(TSharedState& s) : Shared(s) {}
  void PickUnderPoint() override {
    TPoint p = Shared.PickerPoint.Exchange({-1, -1});
    if (p.X != -1) Seen.push_back(p);
  }
};

class PickerScheduleTest : public ::testing::Test, protected THookRig {
 protected:
  void SetUp() override {
    Editor.Rect = {400, 300, 500, 400};  // the main window
    Worker.SetPicker(&Picker);
  }
  void Move(int x, int y) { Mouse.MouseHookProc({MouseMsg::Move, x, y, 0, 1000}); }

  TConfigState Config;
  EventLog Events;
  QuietSystem System;
  QueueingGui Gui;
  NoWindows Windows;
  FakeNotes Notes{Events};
  NoScreen Screen;
  FakePicker Picker{Shared};
  TForegroundTracker Tracker{{Shared, Config, Typed, Screen, Gui, Windows, Notes}};
  TMainWorkThread Worker{{Shared, Input, Tracker, Keyboard.PressedKeys(), System, Gui, Windows, nullptr, {}}};
};

TEST_F(PickerScheduleTest, AStepIsQueuedOnlyForARecordedPoint) {
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 0u);  // no drag, no point
  Move(100, 100);
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 0u);  // moves outside a drag are not the picker's

  Shared.PickerMode = 4;
  Move(380, 700);  // within 35 pixels left of the main window and 45 below it
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 0u);
  Move(364, 746);
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 1u);
  Gui.RunQueued();
  EXPECT_EQ(Picker.Seen, (std::vector<TPoint>{{364, 746}}));
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 0u);  // the point was taken
}

TEST_F(PickerScheduleTest, OneStepWaitsForTheGuiThreadAtATime) {
  Shared.PickerMode = 1;
  Move(100, 100);
  Worker.Tick();
  Move(120, 100);
  Worker.Tick();
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 1u);
  Gui.RunQueued();
  // The step looks at the latest point only.
  EXPECT_EQ(Picker.Seen, (std::vector<TPoint>{{120, 100}}));
  Move(140, 100);
  Worker.Tick();
  EXPECT_EQ(Gui.Pending(), 1u);
}

}  // namespace
}  // namespace pelorin
