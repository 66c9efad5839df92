#include "input/MouseHook.h"
#include "input/InputCatalogue.h"

#include <gtest/gtest.h>

#include <vector>

#include "HookRig.h"

namespace pelorin {
namespace {

class MouseHookTest : public ::testing::Test, protected THookRig {
 protected:
  MouseHookTest() : THookRig(TPoint{100, 500}) {
    Shared.ScreenHeight = 1080;
    Editor.Rect = {100, 100, 400, 300};
  }

  HookVerdict Send(uint32_t message, int32_t x, int32_t y, uint32_t data, uint32_t time) {
    return Mouse.MouseHookProc({message, x, y, data, time});
  }
  HookVerdict Move(int32_t x, int32_t y, uint32_t time) { return Send(MouseMsg::Move, x, y, 0, time); }
  HookVerdict Wheel(bool up, uint32_t time) {
    return Send(MouseMsg::Wheel, 0, 0, static_cast<uint32_t>(static_cast<uint16_t>(up ? 120 : -120)) << 16, time);
  }
  HookVerdict XButton(bool down, int number, uint32_t time) {
    return Send(down ? MouseMsg::XButtonDown : MouseMsg::XButtonUp, 0, 0, static_cast<uint32_t>(number) << 16, time);
  }
  // Moves along a path of points, one event per point, `step` ms apart; counts the rows fired.
  int Path(const std::vector<TPoint>& points, uint32_t& time, uint32_t step) {
    int fired = 0;
    for (TPoint p : points) {
      time += step;
      EXPECT_EQ(Move(p.X, p.Y, time), HookVerdict::Pass) << "a move is never eaten";
      if (Shared.TakeAction() != NoAction) ++fired;
    }
    return fired;
  }
  // A stroke from (x0, y) to (x1, y + drift) in equal steps of about `stepPx`.
  static std::vector<TPoint> Stroke(TPoint from, TPoint to, int steps) {
    std::vector<TPoint> out;
    for (int i = 1; i <= steps; ++i)
      out.push_back({from.X + (to.X - from.X) * i / steps, from.Y + (to.Y - from.Y) * i / steps});
    return out;
  }
  void Bind(std::wstring_view command, int inputItem, int state = StateMouse) {
    ASSERT_TRUE(Table.AddRow(command, std::nullopt, InputCatalogue[inputItem], state));
  }
};

// With a 1080-pixel screen and the defaults the distance threshold is 486 pixels.
TEST_F(MouseHookTest, HorizontalShakeFiresOnceThenWaitsForAPause) {
  Bind(L"Volume Up", inpShakeHorizontal);
  uint32_t t = 10000;
  EXPECT_EQ(Path({{100, 500}}, t, 1000), 0);  // slow start, no gesture yet
  EXPECT_EQ(Path(Stroke({100, 500}, {700, 500}, 3), t, 1), 0) << "forth: 600 px in 200 px steps";
  EXPECT_EQ(Path(Stroke({700, 500}, {200, 742}, 2), t, 1), 1) << "back 500 px with 242 px drift";

  // Swinging on without a pause never fires again.
  EXPECT_EQ(Path(Stroke({200, 742}, {800, 742}, 3), t, 1), 0);
  EXPECT_EQ(Path(Stroke({800, 742}, {200, 742}, 3), t, 1), 0);
  // A slow move exactly 450 ms after the last fast one is not yet a pause...
  EXPECT_EQ(Path({{201, 742}}, t, 450), 0);
  EXPECT_EQ(Path(Stroke({201, 742}, {801, 742}, 3), t, 1), 0);
  EXPECT_EQ(Path(Stroke({801, 742}, {201, 742}, 3), t, 1), 0);
  // ...451 ms is, and the next gesture fires.
  EXPECT_EQ(Path({{202, 742}}, t, 451), 0);
  EXPECT_EQ(Path(Stroke({202, 742}, {802, 742}, 3), t, 1), 0);
  EXPECT_EQ(Path(Stroke({802, 742}, {302, 742}, 2), t, 1), 1);
}

TEST_F(MouseHookTest, ShakeDriftAcrossMustStayUnderHalfTheThreshold) {
  struct Case { int Drift; int BackPx; bool Fires; };
  for (Case c : std::vector<Case>{{242, 500, true}, {243, 500, false}, {-242, 500, true},
                                   {0, 487, true}, {0, 486, false}}) {
    TCustomInputTable table;
    table.AddRow(L"Sleep", std::nullopt, InputCatalogue[inpShakeHorizontal], StateMouse);
    TMouseHook hook(table, Cfg, Shared, Editor, Typed, {100, 500});
    uint32_t t = 10000;
    hook.MouseHookProc({MouseMsg::Move, 100, 500, 0, t});
    for (int x : {300, 500, 700}) hook.MouseHookProc({MouseMsg::Move, x, 500, 0, ++t});
    hook.MouseHookProc({MouseMsg::Move, 700 - c.BackPx / 2, 500 + c.Drift / 2, 0, ++t});
    hook.MouseHookProc({MouseMsg::Move, 700 - c.BackPx, 500 + c.Drift, 0, ++t});
    EXPECT_EQ(Shared.TakeAction() == 1, c.Fires) << "drift " << c.Drift << " back " << c.BackPx;
  }
}

TEST_F(MouseHookTest, SpeedThresholdIsInclusiveAndEqualTimeStampsCountAsOneMillisecond) {
  struct Case { int StepPx; uint32_t StepMs; bool Fires; };
  // Steps of 175 px are fast at 1 ms and at 0 ms (counted as 1); 174 px never are; 350 px
  // in 2 ms is 175 px/ms again.
  for (Case c : std::vector<Case>{{175, 1, true}, {175, 0, true}, {174, 1, false}, {174, 0, false}, {350, 2, true}}) {
    TCustomInputTable table;
    table.AddRow(L"Sleep", std::nullopt, InputCatalogue[inpShakeHorizontal], StateMouse);
    TMouseHook hook(table, Cfg, Shared, Editor, Typed, {0, 500});
    uint32_t t = 5000;
    hook.MouseHookProc({MouseMsg::Move, 0, 500, 0, t});
    int x = 0;
    while (x < 700) hook.MouseHookProc({MouseMsg::Move, x += c.StepPx, 500, 0, t += c.StepMs});
    while (x > 100) hook.MouseHookProc({MouseMsg::Move, x -= c.StepPx, 500, 0, t += c.StepMs});
    EXPECT_EQ(Shared.TakeAction() == 1, c.Fires) << c.StepPx << " px every " << c.StepMs << " ms";
  }
}

TEST_F(MouseHookTest, VerticalSpeedIsWeightedByOneAndAHalf) {
  Bind(L"Volume Down", inpShakeVertical);
  Bind(L"Volume Up", inpShakeHorizontal);
  uint32_t t = 1000;
  Path({{100, 100}}, t, 1000);
  // 117 px steps: 117 x 3 div 2 = 175, fast vertically.
  EXPECT_EQ(Path(Stroke({100, 100}, {100, 685}, 5), t, 1), 0);
  EXPECT_EQ(Path(Stroke({100, 685}, {100, 100}, 5), t, 1), 1);
  EXPECT_EQ(Table.FindInputRow(InputCatalogue[inpShakeVertical]), 1);

  // The same 117 px steps are slow horizontally.
  t += 1000;
  Path({{101, 100}}, t, 1000);
  int fired = Path(Stroke({101, 100}, {686, 100}, 5), t, 1) + Path(Stroke({686, 100}, {101, 100}, 5), t, 1);
  EXPECT_EQ(fired, 0);
  // 116 px steps are slow vertically too: 116 x 3 div 2 = 174.
  t += 1000;
  Path({{100, 101}}, t, 1000);
  fired = Path(Stroke({100, 101}, {100, 681}, 5), t, 1) + Path(Stroke({100, 681}, {100, 101}, 5), t, 1);
  EXPECT_EQ(fired, 0);
}

TEST_F(MouseHookTest, SamePositionUpdatesTheTimeButNotTheDetector) {
  uint32_t t = 100;
  Move(100, 500, t);
  Move(400, 500, ++t);  // fast, forward
  TShakeAxis before = Mouse.AxisX();
  EXPECT_EQ(Move(400, 500, 900), HookVerdict::Pass);
  EXPECT_EQ(Mouse.LastMoveTime(), 900u);
  EXPECT_EQ(Mouse.AxisX().Max, before.Max);
  EXPECT_EQ(Mouse.AxisX().SlowSince, before.SlowSince);
  EXPECT_TRUE(Mouse.AxisX().Forward);
}

TEST_F(MouseHookTest, DisablePelorinShakePostsTheSwitchCode) {
  Bind(CommandCatalogue[cmdDisablePelorin], inpShakeHorizontal);
  uint32_t t = 1000;
  Move(100, 500, t);
  for (int x : {300, 500, 700, 450, 200}) Move(x, 500, ++t);
  EXPECT_EQ(Shared.TakeAction(), ActionTogglePelorin);
}

TEST_F(MouseHookTest, AssignedMiddleButtonFiresOnceWithinTwoHundredMsAndIsSwallowed) {
  Bind(L"Volume Up", inpMiddleButton);
  EXPECT_EQ(Send(MouseMsg::MButtonDown, 0, 0, 0, 1000), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Send(MouseMsg::MButtonUp, 0, 0, 0, 1050), HookVerdict::Eat);
  EXPECT_EQ(Send(MouseMsg::MButtonDown, 0, 0, 0, 1200), HookVerdict::Eat);  // 200 ms: too soon
  EXPECT_EQ(Send(MouseMsg::MButtonUp, 0, 0, 0, 1250), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), NoAction);
  EXPECT_EQ(Send(MouseMsg::MButtonDown, 0, 0, 0, 1401), HookVerdict::Eat);  // 201 ms after the last press
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Typed.Clears, 0);
}

TEST_F(MouseHookTest, ExtendedButtonsMapToTheirInputs) {
  Bind(L"Sleep", inpButton4);
  Bind(L"Reboot", inpButton5);
  EXPECT_EQ(XButton(true, 1, 1000), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(XButton(false, 1, 1010), HookVerdict::Eat);
  EXPECT_EQ(XButton(true, 2, 2000), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 2);
  EXPECT_EQ(XButton(false, 2, 2010), HookVerdict::Eat);
  EXPECT_EQ(Typed.Clears, 0);
}

TEST_F(MouseHookTest, UnassignedButtonsPassAndClearTheTypedLog) {
  Bind(L"Sleep", inpButton4);
  struct Case { uint32_t Message; int Number; bool Clears; };
  const std::vector<Case> cases = {
      {MouseMsg::MButtonDown, 0, true}, {MouseMsg::MButtonUp, 0, true},    // middle, not bound
      {MouseMsg::XButtonDown, 2, true}, {MouseMsg::XButtonUp, 2, true},    // button 5, not bound
      {MouseMsg::XButtonDown, 3, true},                                     // no such input
      {MouseMsg::XButtonDown, 0, true},                                     // malformed number
      {MouseMsg::LButtonDown, 0, false}, {MouseMsg::LButtonUp, 0, false},  // left never clears
      {MouseMsg::RButtonDown, 0, false}, {MouseMsg::RButtonUp, 0, false},
  };
  uint32_t t = 1000;
  for (const Case& c : cases) {
    int before = Typed.Clears;
    EXPECT_EQ(Send(c.Message, 0, 0, static_cast<uint32_t>(c.Number) << 16, t += 300), HookVerdict::Pass)
        << std::hex << c.Message << " " << c.Number;
    EXPECT_EQ(Typed.Clears - before, c.Clears ? 1 : 0) << std::hex << c.Message << " " << c.Number;
  }
  EXPECT_EQ(Shared.TakeAction(), NoAction);
}

TEST_F(MouseHookTest, CheckedRowsAreIgnoredWhileCheckedInputsAreOff) {
  Bind(L"Sleep", inpMiddleButton, StateMouseChecked);
  Bind(L"Reboot", inpButton4, StateMouse);
  Shared.CheckedInputsEnabled = false;
  EXPECT_EQ(Send(MouseMsg::MButtonDown, 0, 0, 0, 1000), HookVerdict::Pass);
  EXPECT_EQ(Typed.Clears, 1) << "treated as if no row matched";
  EXPECT_EQ(Shared.TakeAction(), NoAction);
  EXPECT_EQ(XButton(true, 1, 2000), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 2);

  Shared.CheckedInputsEnabled = true;
  EXPECT_EQ(Send(MouseMsg::MButtonDown, 0, 0, 0, 3000), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 1);
}

TEST_F(MouseHookTest, WheelFixReplacesAReversedNotchInAFastRun) {
  Cfg.FixWheelCheck = true;
  uint32_t t = 10000;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Wheel(true, t + 40 * i), HookVerdict::Pass);  // 10000..10360
  EXPECT_TRUE(Mouse.LastWheelUp());
  EXPECT_EQ(Wheel(false, 10400), HookVerdict::Eat);  // 40 ms gap, run started 400 ms ago
  EXPECT_EQ(Shared.TakeAction(), ActionWheelNotchUp) << "a notch of the run's way";
  EXPECT_TRUE(Mouse.LastWheelUp()) << "the run keeps its direction";
  EXPECT_EQ(Wheel(false, 10440), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), ActionWheelNotchUp) << "a notch of the run's way";

  EXPECT_EQ(Wheel(false, 10590), HookVerdict::Pass);  // after a 150 ms gap it is the user's choice
  EXPECT_FALSE(Mouse.LastWheelUp());
  EXPECT_EQ(Shared.TakeAction(), NoAction);
}

TEST_F(MouseHookTest, WheelFixAsksForANotchOfTheRunsWayInARunDownToo) {
  Cfg.FixWheelCheck = true;
  for (uint32_t t = 20000; t <= 20400; t += 50) EXPECT_EQ(Wheel(false, t), HookVerdict::Pass);
  EXPECT_EQ(Wheel(true, 20450), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), ActionWheelNotchDown);
}

TEST_F(MouseHookTest, WheelFixLeavesEarlyReversalsAndSwitchedOffStateAlone) {
  struct Case { bool Fix; bool Enabled; uint32_t RunMs; HookVerdict Expected; };
  for (Case c : std::vector<Case>{{true, true, 280, HookVerdict::Pass},     // run too young
                                   {true, true, 320, HookVerdict::Eat},
                                   {false, true, 320, HookVerdict::Pass},    // fix off
                                   {true, false, 320, HookVerdict::Pass}}) { // Pelorin off
    Settings cfg;
    cfg.FixWheelCheck = c.Fix;
    TSharedState shared;
    shared.AppEnabled = c.Enabled;
    TMouseHook hook(Table, cfg, shared, Editor, Typed, {0, 0});
    for (uint32_t t = 0; t < c.RunMs; t += 40) hook.MouseHookProc({MouseMsg::Wheel, 0, 0, 120u << 16, 5000 + t});
    uint32_t down = static_cast<uint32_t>(static_cast<uint16_t>(-120)) << 16;
    EXPECT_EQ(hook.MouseHookProc({MouseMsg::Wheel, 0, 0, down, 5000 + c.RunMs}), c.Expected)
        << "fix " << c.Fix << " enabled " << c.Enabled << " run " << c.RunMs;
  }
}

// The three limits at their edges: the run must be older than 300 ms, the reversed notch
// closer than 100 ms to the one before, and a pause over 500 ms starts a new run.
TEST_F(MouseHookTest, WheelFixLimitsAtTheirBoundaries) {
  struct Case {
    const char* Name;
    std::vector<uint32_t> UpNotches;  // ms after the run's first notch
    uint32_t Reversed;
    HookVerdict Expected;
  };
  auto every20 = [](uint32_t last) {
    std::vector<uint32_t> t;
    for (uint32_t ms = 0; ms <= last; ms += 20) t.push_back(ms);
    return t;
  };
  const std::vector<Case> cases = {
      {"run 300 ms old", every20(260), 300, HookVerdict::Pass},
      {"run 301 ms old", every20(260), 301, HookVerdict::Eat},
      {"gap 99 ms", every20(300), 399, HookVerdict::Eat},
      {"gap 100 ms", every20(300), 400, HookVerdict::Pass},
      {"a pause of 500 ms keeps the run", {0, 500}, 540, HookVerdict::Eat},
      {"a pause of 501 ms starts a new run", {0, 501}, 541, HookVerdict::Pass},
  };
  const uint32_t down = static_cast<uint32_t>(static_cast<uint16_t>(-120)) << 16;
  for (const Case& c : cases) {
    Settings cfg;
    cfg.FixWheelCheck = true;
    TSharedState shared;
    TMouseHook hook(Table, cfg, shared, Editor, Typed, {0, 0});
    for (uint32_t t : c.UpNotches) hook.MouseHookProc({MouseMsg::Wheel, 0, 0, 120u << 16, 5000 + t});
    EXPECT_EQ(hook.MouseHookProc({MouseMsg::Wheel, 0, 0, down, 5000 + c.Reversed}), c.Expected) << c.Name;
  }
}

TEST_F(MouseHookTest, WheelIsSwallowedWhileTheEditorChoiceHasFocus) {
  Editor.ComboFocused = true;
  EXPECT_EQ(Wheel(true, 1000), HookVerdict::Pass) << "main window not active";
  Shared.MainWindowActive = true;
  EXPECT_EQ(Wheel(true, 2000), HookVerdict::Eat);
  Editor.ComboFocused = false;
  EXPECT_EQ(Wheel(true, 3000), HookVerdict::Pass);
}

TEST_F(MouseHookTest, DoubleClickFixSwallowsAPressRightAfterARelease) {
  for (bool fix : {true, false}) {
    Settings cfg;
    cfg.FixDblClicksCheck = fix;
    TMouseHook hook(Table, cfg, Shared, Editor, Typed, {0, 0});
    auto left = [&](bool down, uint32_t t) {
      return hook.MouseHookProc({down ? MouseMsg::LButtonDown : MouseMsg::LButtonUp, 0, 0, 0, t});
    };
    HookVerdict expected = fix ? HookVerdict::Eat : HookVerdict::Pass;
    EXPECT_EQ(left(true, 1000), HookVerdict::Pass);
    EXPECT_EQ(left(false, 1100), HookVerdict::Pass);
    EXPECT_EQ(left(true, 1130), expected) << "30 ms after the release, fix " << fix;
    EXPECT_TRUE(hook.LeftButtonDown());
    EXPECT_EQ(left(false, 1170), expected) << "its release within 50 ms of the swallowed press";
    EXPECT_FALSE(hook.LeftButtonDown());
    EXPECT_EQ(left(true, 1220), HookVerdict::Pass) << "exactly 50 ms later";
  }
}

TEST_F(MouseHookTest, ProbeMoveIsAnsweredAndSwallowed) {
  Shared.MouseProbe = ProbeSent;
  EXPECT_EQ(Move(700, 700, ProbeMark), HookVerdict::Eat);
  EXPECT_EQ(Shared.MouseProbe, ProbeAnswered);
  EXPECT_EQ(Mouse.Prev(), (TPoint{100, 500}));
  EXPECT_EQ(Mouse.LastMoveTime(), 0u);
}

TEST_F(MouseHookTest, OwnInputChangesNoState) {
  Bind(L"Sleep", inpMiddleButton);
  Cfg.FixWheelCheck = true;
  Cfg.FixDblClicksCheck = true;
  Shared.MouseProbe = 7;
  Shared.MainWindowActive = true;
  Editor.ComboFocused = true;
  for (uint32_t message : {MouseMsg::Move, MouseMsg::LButtonDown, MouseMsg::MButtonDown, MouseMsg::MButtonUp,
                           MouseMsg::XButtonDown, MouseMsg::Wheel})
    EXPECT_EQ(Send(message, 900, 900, 1u << 16, OwnInputMark), HookVerdict::Pass) << std::hex << message;
  EXPECT_EQ(Mouse.Prev(), (TPoint{100, 500}));
  EXPECT_EQ(Mouse.LastMoveTime(), 0u);
  EXPECT_FALSE(Mouse.LeftButtonDown());
  EXPECT_FALSE(Mouse.LastWheelUp());
  EXPECT_EQ(Shared.TakeAction(), NoAction);
  EXPECT_EQ(Shared.MouseProbe, 7);
  EXPECT_EQ(Typed.Clears, 0);
  // Nothing was remembered either: a real press soon after still fires.
  EXPECT_EQ(Send(MouseMsg::MButtonDown, 0, 0, 0, 1000), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 1);
}

TEST_F(MouseHookTest, PickerRecordsPointsOutsideTheWidenedMainWindow) {
  Shared.PickerMode = 1;
  Shared.PickerPoint.Store({-1, -1});
  // Window at 100,100 sized 400 x 300: picking happens left of 65, right of 535,
  // above 80 or below 445.
  struct Case { TPoint P; bool Recorded; };
  for (Case c : std::vector<Case>{{{65, 200}, false}, {{64, 200}, true}, {{535, 200}, false}, {{536, 200}, true},
                                   {{200, 80}, false}, {{200, 79}, true}, {{200, 445}, false}, {{200, 446}, true}}) {
    Shared.PickerPoint.Store({-1, -1});
    EXPECT_EQ(Move(c.P.X, c.P.Y, 5000), HookVerdict::Pass);
    EXPECT_EQ(Shared.PickerPoint.Load() == c.P, c.Recorded) << c.P.X << "," << c.P.Y;
    EXPECT_EQ(Mouse.Prev(), c.P);
  }
  EXPECT_EQ(Mouse.LastMoveTime(), 0u) << "the drag does not feed the shake detector";
}

}  // namespace
}  // namespace pelorin
