// The rules that depend on the time stamps of the input: the 200 ms quiet time of the buttons,
// the speed and the pause of a shake, the wheel fix and the double-click fix. Every event
// carries the time the scenario chose, so each limit is hit exactly.
#include "E2eSupport.h"

namespace pelorin::e2e {
namespace {

// The row's command types "m" into the driver's edit control: each firing shows as one letter.
class ButtonTiming : public TScenario {};

TEST_F(ButtonTiming, APressWithin200MsOfTheLastPressFiresNothing) {
  const TChord typeM{{keys::M}};
  WriteIni(TIni().Section("Custom Inputs").Row(1, typeM.Text(), inputs::Middle, StateMouse, typeM.Hex()));
  TDriverWindow driver;
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));

  struct Step {
    DWORD AfterLastPress;
    bool Fires;
  };
  // The quiet time counts from the last press, fired or not.
  const Step steps[] = {{1000, true}, {150, false}, {150, false}, {200, false}, {201, true}, {120, false}};
  std::wstring expected;
  DWORD press = Input.Now();
  for (const Step& s : steps) {
    press += s.AfterLastPress;
    ASSERT_GT(press, Input.Now()) << "the sync click of the last step must come before this press";
    Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, press, 2);
    ASSERT_TRUE(SyncMouse(Input, driver));
    if (s.Fires) {
      expected += L'm';
      EXPECT_TRUE(WaitFor([&] { return driver.EditText() == expected; }, EffectDeadlineMs))
          << "press " << s.AfterLastPress << " ms after the last: expected \"" << Narrow(expected) << "\", seen \""
          << Narrow(driver.EditText()) << "\"";
    } else {
      EXPECT_TRUE(HoldsFor([&] { return driver.EditText() == expected; }, QuietMs))
          << "press " << s.AfterLastPress << " ms after the last must fire nothing: expected \"" << Narrow(expected)
          << "\", seen \"" << Narrow(driver.EditText()) << "\"";
    }
  }
  EXPECT_EQ(driver.Count(WM_MBUTTONDOWN), 0) << "every press is eaten: " << driver.Describe();
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

// A horizontal shake types "h", a vertical one "v". The screen is 1024 pixels high, so with
// the default distance of 45 % a stroke must be longer than 460 pixels; with the default speed
// a move is fast at 175 pixels per millisecond, and a pause is longer than 450 ms.
class Shake : public TScenario {
 protected:
  // One move per point, `stepMs` apart, after the last event.
  void Path(const std::vector<POINT>& points, DWORD stepMs) {
    std::vector<TInput::TMove> moves;
    DWORD t = Input.Now();
    for (POINT p : points) moves.push_back({p.x, p.y, t += stepMs});
    Input.Moves(moves);
  }
  // What the edit control holds now and after the quiet time: a shake that fired shows up.
  void ExpectTyped(const wchar_t* expected, const char* what, bool quiet) {
    bool ok = quiet ? HoldsFor([&] { return Driver->EditText() == expected; }, QuietMs)
                    : WaitFor([&] { return Driver->EditText() == expected; }, EffectDeadlineMs);
    EXPECT_TRUE(ok) << what << ": expected \"" << Narrow(expected) << "\", seen \"" << Narrow(Driver->EditText())
                    << "\"";
  }
  std::unique_ptr<TDriverWindow> Driver;
};

TEST_F(Shake, QuickStrokesFireTheirRowSlowOnesDoNotAndAFiredShakeWaitsForAPause) {
  const TChord typeH{{keys::H}}, typeV{{keys::V}};
  WriteIni(TIni()
               .Section("Custom Inputs")
               .Row(1, typeH.Text(), inputs::ShakeHorizontal, StateMouse, typeH.Hex())
               .Row(2, typeV.Text(), inputs::ShakeVertical, StateMouse, typeV.Hex()));
  Driver = std::make_unique<TDriverWindow>();
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(Driver->Activate());
  const std::vector<POINT> forthAndBack = {{400, 500}, {600, 500}, {800, 500}, {550, 500}, {300, 500}};

  Input.MoveTo({200, 500}, Input.After(1000));
  Path(forthAndBack, 10);  // 20 to 25 pixels per millisecond
  ExpectTyped(L"", "the same strokes at a tenth of the speed", true);

  Input.MoveTo({200, 500}, Input.After(1000));
  Path(forthAndBack, 1);
  ExpectTyped(L"h", "600 pixels forth and 500 back, 200 to 250 pixels per millisecond", false);

  // Swinging on fires nothing until the mouse was slow for more than 450 ms.
  Path({{550, 500}, {800, 500}, {550, 500}, {300, 500}}, 1);
  Path({{301, 500}}, 450);
  Path({{501, 500}, {701, 500}, {901, 500}, {651, 500}, {401, 500}}, 1);
  ExpectTyped(L"h", "swinging on without a pause longer than 450 ms", true);
  Path({{402, 500}}, 451);
  Path({{602, 500}, {802, 500}, {1002, 500}, {752, 500}, {502, 500}}, 1);
  ExpectTyped(L"hh", "a new shake after a pause of 451 ms", false);

  // Vertical moves count one and a half times: 125-pixel steps are fast.
  Input.MoveTo({300, 100}, Input.After(1000));
  Path({{300, 250}, {300, 400}, {300, 550}, {300, 700}, {300, 575}, {300, 450}, {300, 325}, {300, 200}}, 1);
  ExpectTyped(L"hhv", "600 pixels down and 500 up", false);
  ExpectTyped(L"hhv", "nothing more", true);
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

// The wheel fix: in a run of notches less than 100 ms apart that is older than 300 ms, a notch
// the other way is a fault of the wheel; it is eaten and a notch the run's way sent instead.
class WheelFix : public TScenario {};

TEST_F(WheelFix, AReversedNotchInAFastOldRunIsReplacedOtherwiseItPasses) {
  WriteIni(TIni().Section("Custom Inputs").Value("Fix mouse wheel malfunction", "1"));
  TDriverWindow driver;
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));
  const int up = WHEEL_DELTA, down = -WHEEL_DELTA;
  std::vector<int> expected;
  auto arrived = [&](const char* what) {
    EXPECT_TRUE(WaitFor([&] { return driver.WheelDeltas().size() >= expected.size(); }, EffectDeadlineMs));
    EXPECT_EQ(driver.WheelDeltas(), expected) << what << "; seen " << driver.Describe();
  };

  // Eight notches up 50 ms apart make a run 350 ms old; a notch down 50 ms later is replaced.
  DWORD t = Input.After(1000);
  for (int i = 0; i < 8; ++i) Input.Wheel(up, i == 0 ? t : Input.After(50));
  Input.Wheel(down, Input.After(50));
  expected.assign(9, up);
  arrived("the reversed notch of a fast run older than 300 ms is replaced by one up");

  // 150 ms later the run is over: the notch down passes.
  Input.Wheel(down, Input.After(150));
  expected.push_back(down);
  arrived("a notch down 150 ms after the last");

  // A run only 100 ms old may turn.
  Input.Wheel(up, Input.After(1000));
  Input.Wheel(up, Input.After(50));
  Input.Wheel(down, Input.After(50));
  expected.insert(expected.end(), {up, up, down});
  arrived("a notch down in a run 100 ms old");
  ASSERT_TRUE(SyncMouse(Input, driver));
  EXPECT_EQ(driver.WheelDeltas(), expected) << driver.Describe();
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

// The double-click fix: a left button event less than 50 ms after the last release (or after
// the last event it ate) is eaten. A worn button bounces: down 30 ms after the release, up
// 15 ms later.
struct TBounceCase {
  const char* Name;
  const char* FixValue;
  const char* Expected;  // the left button messages that arrive, D for down, U for up
};

class DoubleClickFix : public TScenario, public ::testing::WithParamInterface<TBounceCase> {};

TEST_P(DoubleClickFix, ABounceRightAfterAReleaseIsEatenWhenTheFixIsOn) {
  WriteIni(TIni().Section("Custom Inputs").Value("Fix mouse wrong double clicks", GetParam().FixValue));
  TDriverWindow driver;
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));

  Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(500), 80);
  Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(30), 15);
  // A real second click, 300 ms later.
  Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(300), 80);
  ASSERT_TRUE(SyncMouse(Input, driver));
  std::string seen;
  for (const TArrival& a : driver.Arrivals()) {
    if (a.Message == WM_LBUTTONDOWN) seen += 'D';
    if (a.Message == WM_LBUTTONUP) seen += 'U';
  }
  EXPECT_EQ(seen, GetParam().Expected) << driver.Describe();
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(, DoubleClickFix,
                         ::testing::Values(TBounceCase{"FixOn", "1", "DUDU"}, TBounceCase{"FixOff", "0", "DUDUDU"}),
                         [](const ::testing::TestParamInfo<TBounceCase>& info) {
                           return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace pelorin::e2e
