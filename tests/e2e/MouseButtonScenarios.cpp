// The middle and side buttons: a bound click runs its command and never reaches the window
// under the cursor, an unbound one does; checked rows and their switch.
#include <cwctype>

#include "E2eSupport.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

std::wstring WithoutTrailingSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

bool SameText(const std::string& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<unsigned char>(a[i])) != std::towlower(b[i])) return false;
  return true;
}

struct TButtonCase {
  const char* Name;
  const char* BoundInput;  // the input of the marker row
  DWORD Down, Up, Data;    // the button the driver clicks
  bool Eaten;
};

class ButtonBinding : public TScenario, public ::testing::WithParamInterface<TButtonCase> {};

TEST_P(ButtonBinding, BoundClickRunsItsCommandUnboundClickArrives) {
  const TButtonCase& c = GetParam();
  const std::wstring marker = Folder + L"marker.txt";
  WriteIni(TIni().Section("Custom Inputs").Row(1, Narrow(MarkerCommand(marker)), c.BoundInput, StateMouse));
  TDriverWindow driver;
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));

  ULONGLONG clicked = ::GetTickCount64();
  Input.Click(c.Down, c.Up, c.Data, Input.After(500));
  ASSERT_TRUE(SyncMouse(Input, driver));
  UINT down = c.Down == MOUSEEVENTF_MIDDLEDOWN ? WM_MBUTTONDOWN : WM_XBUTTONDOWN;
  UINT up = c.Down == MOUSEEVENTF_MIDDLEDOWN ? WM_MBUTTONUP : WM_XBUTTONUP;
  if (c.Eaten) {
    EXPECT_EQ(driver.Count(down) + driver.Count(up), 0) << "the bound click reached the driver: " << driver.Describe();
    EXPECT_TRUE(WaitFor([&] { return ReadLines(marker).size() == 1; }, EffectDeadlineMs))
        << "expected one line in " << Narrow(marker) << "; seen " << ReadLines(marker).size();
    RecordProperty("marker_after_ms", static_cast<int>(::GetTickCount64() - clicked));
    std::vector<std::string> lines = ReadLines(marker);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(SameText(lines[0], WithoutTrailingSlash(Folder)))
        << "the command ran in " << lines[0] << ", expected its own folder " << Narrow(Folder);
  } else {
    EXPECT_EQ(driver.Count(down), 1) << driver.Describe();
    EXPECT_EQ(driver.Count(up), 1) << driver.Describe();
    // The row itself works: its own button runs it.
    Input.Click(MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON1, Input.After(500));
    EXPECT_TRUE(WaitFor([&] { return ReadLines(marker).size() == 1; }, EffectDeadlineMs))
        << "expected the Button 4 row to run its command once; lines: " << ReadLines(marker).size();
  }
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(
    , ButtonBinding,
    ::testing::Values(TButtonCase{"MiddleBound", inputs::Middle, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, true},
                      TButtonCase{"MiddleUnbound", inputs::Button4, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0,
                                  false},
                      TButtonCase{"Button5Bound", inputs::Button5, MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON2, true}),
    [](const ::testing::TestParamInfo<TButtonCase>& info) { return std::string(info.param.Name); });

// Checked rows (InputState 5 and 6) stop while the "Checked inputs enable/disable" command has
// switched them off; unchecked rows go on. The rows type into the driver's edit control: "m"
// for the checked middle button, "x" for the unchecked button 5, F9 (no character) for the
// checked chord, whose Ctrl could turn a letter into a shortcut.
class CheckedInputs : public TScenario {};

TEST_F(CheckedInputs, TheToggleCommandStopsCheckedRowsAndNotUncheckedOnes) {
  const TChord typeM{{keys::M}}, typeX{{keys::X}}, pressF9{{{VK_F9, 0x43, "F9"}}};
  const TChord ctrlQ{{keys::LeftCtrl, keys::Q}};
  WriteIni(TIni()
               .Section("Custom Inputs")
               .Row(1, commands::ToggleChecked, inputs::Button4, StateMouse)
               .Row(2, typeM.Text(), inputs::Middle, StateMouseChecked, typeM.Hex())
               .Row(3, typeX.Text(), inputs::Button5, StateMouse, typeX.Hex())
               .Row(4, pressF9.Text(), ctrlQ.Text(), StateChordChecked, pressF9.Hex()));
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));

  auto middle = [&] { Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(400)); };
  auto button = [&](DWORD which) { Input.Click(MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, which, Input.After(400)); };
  auto textIs = [&](const wchar_t* expected) {
    return WaitFor([&] { return driver.EditText() == expected; }, EffectDeadlineMs);
  };
  auto switchCaption = [&] { return pelorin->ControlText(IDC_INPUTS_ENABLED); };
  ASSERT_EQ(switchCaption(), L"Checked Inputs enabled");

  // One firing at a time, each checked before the next.
  middle();
  EXPECT_TRUE(textIs(L"m")) << "the checked row fires while checked inputs are on; seen \"" << Narrow(driver.EditText())
                            << "\"";
  button(XBUTTON2);
  EXPECT_TRUE(textIs(L"mx")) << "the unchecked row fires; seen \"" << Narrow(driver.EditText()) << "\"";
  Input.Chord(ctrlQ.Keys);
  EXPECT_TRUE(WaitFor([&] { return driver.KeyDowns(VK_F9) == 1; }, EffectDeadlineMs)) << driver.Describe();

  button(XBUTTON1);
  EXPECT_TRUE(WaitFor([&] { return switchCaption() == L"Checked Inputs disabled"; }, EffectDeadlineMs))
      << "caption: " << Narrow(switchCaption());
  driver.Clear();
  middle();
  button(XBUTTON2);
  EXPECT_TRUE(textIs(L"mxx")) << "only the unchecked row fires; seen \"" << Narrow(driver.EditText()) << "\"";
  Input.Chord(ctrlQ.Keys);
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.Count(WM_MBUTTONDOWN), 1) << "a stopped row lets its click through: " << driver.Describe();
  EXPECT_EQ(driver.KeyDowns('Q'), 1) << "a stopped chord reaches the edit control: " << driver.Describe();
  EXPECT_TRUE(HoldsFor([&] { return driver.EditText() == L"mxx" && driver.KeyDowns(VK_F9) == 0; }, QuietMs))
      << "a stopped row fired: \"" << Narrow(driver.EditText()) << "\" " << driver.Describe();

  button(XBUTTON1);
  EXPECT_TRUE(WaitFor([&] { return switchCaption() == L"Checked Inputs enabled"; }, EffectDeadlineMs))
      << "caption: " << Narrow(switchCaption());
  middle();
  EXPECT_TRUE(textIs(L"mxxm")) << "the checked row fires again; seen \"" << Narrow(driver.EditText()) << "\"";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
