#include "config/SettingsFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ConfigFakes.h"
#include "input/InputCatalogue.h"

namespace pelorin {
namespace {

using test::ModelHolder;
using test::RowsOf;

const TScreenSize Screen{1920, 1080};

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TKeyChordRecord CtrlC() {
  const uint8_t vk[] = {0xA2, 0x43}, scan[] = {0x1D, 0x2E};
  return *TKeyChordRecord::FromKeys(vk, scan);
}

// Every setting away from its design value, both tables with awkward texts.
void FillEverything(ModelHolder& m) {
  Settings& s = m.Cfg;
  s.SpeedTrack = 220;
  s.DistTrack = 60;
  s.FixWheelCheck = s.FixDblClicksCheck = s.AutoLayoutCheck = true;
  s.AutoLayoutTrack = 4;
  s.AutoRestoreDesktopCheck = true;
  s.IconPositions = L"|Recycle Bin|10|20|Caf\u00E9 = menu|10|110";
  s.AutoRunCheck = s.NoteCheck = s.DisableInGame = s.SaveClipboardCheck = s.HooksCheck = true;
  s.MaxUncheckedEdit = 150;
  s.MaxMemoryEdit = 2500;
  s.Left = 100, s.Top = -20, s.Width = 700, s.Height = 520;
  s.MainGridColWidths = {170, 200};
  s.WinGridColWidths = {110, 120, 130};
  s.ClpWinLeft = 300, s.ClpWinTop = 200, s.ClpWinWidth = 450, s.ClpWinHeight = 600;
  s.ClpZoomWinLeft = 320, s.ClpZoomWinTop = 210, s.ClpZoomWinWidth = 800, s.ClpZoomWinHeight = 700;

  m.Inputs.AddRow(L"Volume Up", std::nullopt, InputCatalogue[inpShakeHorizontal], StateMouseChecked);
  m.Inputs.AddRow(L"Left Ctrl + C", CtrlC(), InputCatalogue[inpButton4], StateMouse);
  m.Inputs.AddRow(L"\"C:\\Program Files\\Editor\\ed.exe\" /a=1 \"C:\\Users\\Zo\u00EB\\notes.txt\"", std::nullopt,
                  L"Left Alt + Q", StateChordChecked);
  m.Inputs.AddRow(L"cmd /c echo a=b&&c", std::nullopt, InputCatalogue[inpMiddleButton], StateChord);

  m.Tracked = {{L"Save as", L"[*].txt", L"Yes", 5, false, true},
               {L"Confirm = \u00DCberschreiben?", L"", L"120x45", 0, false, false},
               {L"Dialog", L"300x200", L"", 5, true, true}};
}

const std::string EverythingText = Lines({
    "[Custom Inputs]",
    "Command1 = Volume Up",
    "Input1 = Quickly move mouse horizontally forth-back",
    "InputState1 = 5",
    "Command2 = Left Ctrl + C",
    "Keys2 = 02A2431D2E",
    "Input2 = Mouse button 4 click",
    "InputState2 = 0",
    "Command3 = \"\"C:\\Program Files\\Editor\\ed.exe\" /a=1 \"C:\\Users\\Zo\xEB\\notes.txt\"\"",
    "Input3 = Left Alt + Q",
    "InputState3 = 6",
    "Command4 = cmd /c echo a=b&&c",
    "Input4 = Middle mouse button click",
    "InputState4 = 1",
    "a distance  which mouse should overcome to do the input = 60",
    "a speed from which mouse should overcome this distance = 220",
    "Fix mouse wheel malfunction = 1",
    "Fix mouse wrong double clicks = 1",
    "Auto switch the keyboard layout = 1",
    "auto-switcher sensitivity = 4",
    "",
    "[Desktop]",
    "Automatically restore the previously saved shortcuts positions on desktop = 1",
    "Shortcuts = |Recycle Bin|10|20|Caf\xE9 = menu|10|110",
    "",
    "[Tracked windows]",
    "Window1 = Save as&&[*].txt&&Yes&&",
    "State1 = 5",
    "WinSize1 = 0",
    "IsButton1 = 1",
    "Window2 = Confirm = \xDC" "berschreiben?&&&&120x45&&",
    "State2 = 0",
    "WinSize2 = 0",
    "IsButton2 = 0",
    "Window3 = Dialog&&300x200&&&&",
    "State3 = 5",
    "WinSize3 = 1",
    "IsButton3 = 1",
    "",
    "[Settings]",
    "Auto-runs at Windows start = 1",
    "Show notifications on custom inputs = 1",
    "DisableInGame = 1",
    "Maximum count of unchecked items = 150",
    "Maximum memory for unchecked items, Mb = 2500",
    "Save the data of Clipboard Manager = 1",
    "",
    "[System Settings]",
    "CheckHooks = 1",
    "Left = 100",
    "Top = -20",
    "Width = 700",
    "Height = 520",
    "MainGridColWidth0 = 170",
    "MainGridColWidth1 = 200",
    "WinGridColWidth0 = 110",
    "WinGridColWidth1 = 120",
    "WinGridColWidth2 = 130",
    "ClpWinLeft = 300",
    "ClpWinTop = 200",
    "ClpWinWidth = 450",
    "ClpWinHeight = 600",
    "ClpZoomWinLeft = 320",
    "ClpZoomWinTop = 210",
    "ClpZoomWinWidth = 800",
    "ClpZoomWinHeight = 700",
    "",
});

bool LoadText(const std::wstring& text, ModelHolder& m, TScreenSize screen = Screen) {
  return LoadSettings(TProfileFile(text), m.Model(), screen);
}

TEST(SettingsFile, FullSetIsWrittenInTheDocumentedLayoutAndReadsBackTheSame) {
  TWindows1252 ansi;
  ModelHolder saved;
  FillEverything(saved);
  std::string bytes = ansi.ToAnsi(SaveSettings(saved.Model()));
  EXPECT_EQ(bytes, EverythingText);

  ModelHolder loaded;
  EXPECT_TRUE(LoadText(DecodeProfileText(bytes, ansi), loaded));
  EXPECT_EQ(loaded.Cfg, saved.Cfg);
  EXPECT_EQ(RowsOf(loaded.Inputs), RowsOf(saved.Inputs));
  EXPECT_EQ(loaded.Inputs.DisplayCell(1, 1), L"     Quickly move mouse horizontally forth-back") << "prefix back on";
  EXPECT_EQ(loaded.Tracked, saved.Tracked);
}

TEST(SettingsFile, NoFileGivesTheDefaultsOfMissingKeys) {
  ModelHolder m;
  EXPECT_FALSE(LoadText(L"", m));
  Settings expected;  // design values where the default is the current value
  expected.AutoRunCheck = expected.NoteCheck = expected.DisableInGame = expected.HooksCheck = true;
  expected.MaxUncheckedEdit = 100;
  expected.Left = (1920 - 640) / 2;
  expected.Top = (1080 - 480) / 2;
  expected.ClpWinLeft = expected.ClpZoomWinLeft = (1920 - 430) / 2;
  expected.ClpWinTop = expected.ClpZoomWinTop = (1080 - 590) / 2;
  EXPECT_EQ(m.Cfg, expected);
  EXPECT_EQ(m.Inputs.RowCount(), 2);
  EXPECT_EQ(m.Inputs.UsedRowCount(), 0);
  EXPECT_TRUE(m.Tracked.empty());

  std::wstring text = SaveSettings(m.Model());
  EXPECT_NE(text.find(L"\r\n[Settings]\r\nAuto-runs at Windows start = 1\r\n"), std::wstring::npos);
}

TEST(SettingsFile, EmptyTablesWriteTheSixMouseKeysAndNoTrackedSection) {
  ModelHolder m;
  std::wstring text = SaveSettings(m.Model());
  const std::wstring customInputs =
      L"[Custom Inputs]\r\n"
      L"a distance  which mouse should overcome to do the input = 45\r\n"
      L"a speed from which mouse should overcome this distance = 175\r\n"
      L"Fix mouse wheel malfunction = 0\r\n"
      L"Fix mouse wrong double clicks = 0\r\n"
      L"Auto switch the keyboard layout = 0\r\n"
      L"auto-switcher sensitivity = 6\r\n"
      L"\r\n"
      L"[Settings]\r\n";
  EXPECT_TRUE(text.starts_with(customInputs)) << "no Desktop and no Tracked windows section";
  EXPECT_EQ(text.find(L"Command"), std::wstring::npos);
}

TEST(SettingsFile, FileWithNoKnownSectionEmptiesTablesAndKeepsCurrentValues) {
  ModelHolder m;
  FillEverything(m);
  Settings before = m.Cfg;
  EXPECT_FALSE(LoadText(L"[Other]\r\nx=1\r\n", m));
  EXPECT_EQ(m.Inputs.UsedRowCount(), 0);
  EXPECT_TRUE(m.Tracked.empty());
  // Current values stay.
  EXPECT_EQ(m.Cfg.DistTrack, before.DistTrack);
  EXPECT_EQ(m.Cfg.SpeedTrack, before.SpeedTrack);
  EXPECT_TRUE(m.Cfg.FixWheelCheck && m.Cfg.FixDblClicksCheck && m.Cfg.AutoLayoutCheck && m.Cfg.AutoRestoreDesktopCheck);
  EXPECT_EQ(m.Cfg.Width, 700);
  EXPECT_EQ(m.Cfg.Height, 520);
  EXPECT_EQ(m.Cfg.MainGridColWidths, before.MainGridColWidths);
  EXPECT_EQ(m.Cfg.WinGridColWidths, before.WinGridColWidths);
  // Fixed defaults come back.
  EXPECT_EQ(m.Cfg.AutoLayoutTrack, 6);
  EXPECT_EQ(m.Cfg.IconPositions, L"");
  EXPECT_FALSE(m.Cfg.SaveClipboardCheck);
  EXPECT_EQ(m.Cfg.MaxUncheckedEdit, 100);
  EXPECT_EQ(m.Cfg.MaxMemoryEdit, 1000);
  EXPECT_EQ(m.Cfg.Left, (1920 - 700) / 2);
  EXPECT_EQ(m.Cfg.ClpWinWidth, 430);
  EXPECT_EQ(m.Cfg.ClpZoomWinHeight, 590);
}

TEST(SettingsFile, EachKnownSectionAloneCountsAsSettings) {
  for (const wchar_t* section : {L"Custom Inputs", L"desktop", L"Tracked windows", L"SETTINGS"}) {
    ModelHolder m;
    EXPECT_TRUE(LoadText(L"[" + std::wstring(section) + L"]\r\n", m)) << std::string(section, section + 5);
  }
  ModelHolder m;
  EXPECT_FALSE(LoadText(L"[System Settings]\r\nLeft=1\r\n", m));
}

TEST(SettingsFile, DistanceKeyHasTwoBlanksAndValuesLoseTheBlanksAroundThem) {
  ModelHolder m;
  LoadText(L"[Custom Inputs]\r\na distance  which mouse should overcome to do the input = 60\r\n", m);
  EXPECT_EQ(m.Cfg.DistTrack, 60);
  ModelHolder one;
  LoadText(L"[Custom Inputs]\r\na distance which mouse should overcome to do the input = 60\r\n", one);
  EXPECT_EQ(one.Cfg.DistTrack, DistRange.Default) << "one blank is another key";
}

TEST(SettingsFile, LoadingBringsValuesIntoTheirControlsRanges) {
  struct Case {
    std::wstring Section, Key, Stored;
    std::function<int(const Settings&)> Field;
    int Expected;
  };
  auto speed = [](const Settings& s) { return s.SpeedTrack; };
  auto dist = [](const Settings& s) { return s.DistTrack; };
  auto layout = [](const Settings& s) { return s.AutoLayoutTrack; };
  auto count = [](const Settings& s) { return s.MaxUncheckedEdit; };
  auto memory = [](const Settings& s) { return s.MaxMemoryEdit; };
  const std::wstring ci(SectionCustomInputs), st(SectionSettings);
  const std::vector<Case> cases = {
      {ci, std::wstring(KeySpeed), L"400", speed, 300},      {ci, std::wstring(KeySpeed), L"10", speed, 50},
      {ci, std::wstring(KeySpeed), L"300", speed, 300},      {ci, std::wstring(KeyDistance), L"5", dist, 10},
      {ci, std::wstring(KeyDistance), L"$FF", dist, 80},     {ci, std::wstring(KeyAutoLayoutSensitivity), L"9", layout, 8},
      {ci, std::wstring(KeyAutoLayoutSensitivity), L"-1", layout, 3},
      {st, std::wstring(KeyMaxUnchecked), L"5000", count, 200}, {st, std::wstring(KeyMaxUnchecked), L"1", count, 20},
      {st, std::wstring(KeyMaxMemory), L"100", memory, 200},  {st, std::wstring(KeyMaxMemory), L"0x7FFFFFFF", memory, 5000},
      {st, std::wstring(KeyMaxMemory), L"lots", memory, 1000},
  };
  for (const Case& c : cases) {
    ModelHolder m;
    LoadText(L"[" + c.Section + L"]\r\n" + c.Key + L" = " + c.Stored + L"\r\n", m);
    EXPECT_EQ(c.Field(m.Cfg), c.Expected) << std::string(c.Stored.begin(), c.Stored.end());
  }
}

TEST(SettingsFile, WindowPositionDefaultsCentreOnTheScreenRoundingTowardZero) {
  struct Case {
    TScreenSize Screen;
    std::wstring File;
    int Left, Top, ClpLeft, ClpTop, ZoomLeft, ZoomWidth;
  };
  const std::vector<Case> cases = {
      {{1920, 1080}, L"", 640, 300, 745, 245, 745, 430},
      {{1365, 767}, L"", 362, 143, 467, 88, 467, 430},
      {{0, 0}, L"", -320, -240, -215, -295, -215, 430},
      // Left centres the width in use before "Width" is read.
      {{1920, 1080}, L"[System Settings]\r\nWidth=1000\r\n", 640, 300, 745, 245, 745, 430},
      // The zoom window defaults to the values just read for the list view.
      {{1920, 1080}, L"[System Settings]\r\nClpWinLeft=5\r\nClpWinWidth=999\r\n", 640, 300, 5, 245, 5, 999},
  };
  for (const Case& c : cases) {
    ModelHolder m;
    LoadText(c.File, m, c.Screen);
    EXPECT_EQ(m.Cfg.Left, c.Left);
    EXPECT_EQ(m.Cfg.Top, c.Top);
    EXPECT_EQ(m.Cfg.ClpWinLeft, c.ClpLeft);
    EXPECT_EQ(m.Cfg.ClpWinTop, c.ClpTop);
    EXPECT_EQ(m.Cfg.ClpZoomWinLeft, c.ZoomLeft);
    EXPECT_EQ(m.Cfg.ClpZoomWinWidth, c.ZoomWidth);
  }
  ModelHolder extreme;
  extreme.Cfg.Width = INT32_MIN;
  LoadText(L"", extreme, {INT32_MAX, 0});
  EXPECT_EQ(extreme.Cfg.Left, INT32_MAX) << "(max - min) div 2 computed without overflow";
}

TEST(SettingsFile, CustomInputTableEndsAtTheFirstEmptyCommand) {
  struct Case {
    const char* Why;
    std::wstring Lines;
    std::vector<std::wstring> Rows;
  };
  const std::vector<Case> cases = {
      {"empty value", L"Command1=Sleep\r\nCommand2=\r\nCommand3=Reboot\r\n", {L"Sleep|-||5"}},
      {"missing key", L"Command1=Sleep\r\nCommand3=Reboot\r\n", {L"Sleep|-||5"}},
      {"line without =", L"Command1=Sleep\r\nCommand2\r\nCommand3=Reboot\r\n", {L"Sleep|-||5"}},
      {"first missing", L"Command2=Sleep\r\n", {}},
      {"fields of a row", L"command1=Sleep\r\nINPUT1=  Mouse button 5 click\r\ninputstate1=6\r\nKeys1=0141\r\n",
       {L"Sleep|-|Mouse button 5 click|6"}},
  };
  for (const Case& c : cases) {
    ModelHolder m;
    LoadText(L"[Custom Inputs]\r\n" + c.Lines, m);
    EXPECT_EQ(m.Inputs.UsedRowCount(), static_cast<int>(c.Rows.size())) << c.Why;
    if (!c.Rows.empty()) {
      EXPECT_EQ(RowsOf(m.Inputs), c.Rows) << c.Why;
    }
  }
}

TEST(SettingsFile, LoaderStopsAtRow240WhoseIndexIsTheLastRowCode) {
  std::wstring text = L"[Custom Inputs]\r\n";
  for (int i = 1; i <= 241; ++i) text += L"Command" + std::to_wstring(i) + L"=C" + std::to_wstring(i) + L"\r\n";
  ModelHolder m;
  LoadText(text, m);
  EXPECT_EQ(m.Inputs.RowCount(), MaxRowAction + 1);
  EXPECT_EQ(m.Inputs.GetCell(0, 240), L"C240");
}

TEST(SettingsFile, KeysValueIsTheRecordInUpperCaseHex) {
  EXPECT_EQ(ChordRecordToHex(CtrlC()), L"02A2431D2E") << "two keys: 5 bytes, 10 digits";
  struct Case {
    const char* Why;
    std::wstring Hex;
    std::optional<std::wstring> Record;
  };
  const std::vector<Case> cases = {
      {"two keys", L"02A2431D2E", L"02A2431D2E"},
      {"lower case", L"02a2431d2e", L"02A2431D2E"},
      {"bytes past 2n + 1 ignored", L"02A2431D2E7F00", L"02A2431D2E"},
      {"odd last digit ignored", L"02A2431D2E7", L"02A2431D2E"},
      {"one key", L"01411E", L"01411E"},
      {"truncated record", L"02A2431D", std::nullopt},
      {"stray character before the end", L"02A2G31D2E", std::nullopt},
      {"blank inside", L"02 A2431D2E", std::nullopt},
      {"no keys", L"00", std::nullopt},
      {"17 keys", L"11" + std::wstring(68, L'4'), std::nullopt},
      {"first byte 128 or more", L"80" + std::wstring(600, L'1'), std::nullopt},
      {"empty", L"", std::nullopt},
      {"one digit", L"2", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<TKeyChordRecord> record = ChordRecordFromHex(c.Hex);
    std::optional<std::wstring> hex;
    if (record) hex = ChordRecordToHex(*record);
    EXPECT_EQ(hex, c.Record) << c.Why;
  }
  std::wstring sixteen = L"10";
  for (int i = 0; i < 32; ++i) sixteen += L"4A";
  ASSERT_TRUE(ChordRecordFromHex(sixteen));
  EXPECT_EQ(ChordRecordFromHex(sixteen)->Count(), 16);
}

TEST(SettingsFile, WindowValueHoldsThreeCellsEachFollowedBySeparator) {
  struct Case {
    std::wstring Value;
    std::wstring Title, Inner, ClickAt;
  };
  const std::vector<Case> cases = {
      {L"Save as&&[*].txt&&Yes&&", L"Save as", L"[*].txt", L"Yes"},
      {L"Open file&&&&OK&&", L"Open file", L"", L"OK"},
      {L"a&&b&&c&&d&&", L"a", L"b", L"c"},
      {L"a&&&b&&c&&", L"a", L"&b", L"c"},
      {L"a&&b", L"a", L"b", L""},
      {L"abc", L"abc", L"", L""},
      {L"a&&b&&c&", L"a", L"b", L"c"},
      {L"a&", L"a", L"", L""},
      {L"", L"", L"", L""},
  };
  for (const Case& c : cases) {
    TTrackedWindowRow row;
    SplitWindowValue(c.Value, row);
    EXPECT_EQ(row.Title, c.Title) << std::string(c.Value.begin(), c.Value.end());
    EXPECT_EQ(row.InnerText, c.Inner) << std::string(c.Value.begin(), c.Value.end());
    EXPECT_EQ(row.ClickAt, c.ClickAt) << std::string(c.Value.begin(), c.Value.end());
  }
  EXPECT_EQ(JoinWindowValue({L"Open file", L"", L"OK"}), L"Open file&&&&OK&&");
}

TEST(SettingsFile, TrackedTableEndsAtTheFirstMissingWindowKey) {
  ModelHolder m;
  LoadText(L"[Tracked windows]\r\nWindow1=\r\nWindow2=Save as&&[*].txt&&Yes&&\r\nState2=0\r\nWinSize2=1\r\n"
           L"IsButton2=0\r\nWindow3\r\nWindow4=x&&y&&z&&\r\n",
           m);
  ASSERT_EQ(m.Tracked.size(), 2u) << "a line without = is no key; row 4 is not reached";
  EXPECT_EQ(m.Tracked[0], (TTrackedWindowRow{L"", L"", L"", 5, false, true})) << "empty value: a row of defaults";
  EXPECT_EQ(m.Tracked[1], (TTrackedWindowRow{L"Save as", L"[*].txt", L"Yes", 0, true, false}));

  // The grid's "first row has no title" marks an empty table; the vector has no such row, so
  // such a row is written and read back rather than losing the rows after it.
  ModelHolder again;
  LoadText(SaveSettings(m.Model()), again);
  EXPECT_EQ(again.Tracked, m.Tracked);
}

TEST(SettingsFile, DesktopSectionOnlyWhenCheckedOrPositionsSaved) {
  struct Case {
    bool Checked;
    std::wstring Positions;
    std::wstring Section;  // empty: not written
  };
  const std::vector<Case> cases = {
      {false, L"", L""},
      {true, L"", L"[Desktop]\r\n" + std::wstring(KeyAutoRestoreDesktop) + L" = 1\r\n\r\n"},
      {false, L"|a|1|2", L"[Desktop]\r\nShortcuts = |a|1|2\r\n\r\n"},
      {true, L"|a|1|2", L"[Desktop]\r\n" + std::wstring(KeyAutoRestoreDesktop) + L" = 1\r\nShortcuts = |a|1|2\r\n\r\n"},
  };
  for (const Case& c : cases) {
    ModelHolder m;
    m.Cfg.AutoRestoreDesktopCheck = c.Checked;
    m.Cfg.IconPositions = c.Positions;
    std::wstring text = SaveSettings(m.Model());
    size_t begin = text.find(L"[Desktop]");
    std::wstring section = begin == std::wstring::npos ? L"" : text.substr(begin, text.find(L"[Settings]") - begin);
    EXPECT_EQ(section, c.Section) << c.Checked << " " << c.Positions.size();
  }
  // Written only as 1 and read with the current state as default: a file saved unchecked
  // leaves the check box as it is.
  for (bool current : {false, true}) {
    ModelHolder m;
    m.Cfg.AutoRestoreDesktopCheck = current;
    LoadText(L"[Desktop]\r\nShortcuts = |a|1|2\r\n", m);
    EXPECT_EQ(m.Cfg.AutoRestoreDesktopCheck, current);
  }
}

TEST(SettingsFile, ValuesTheReaderWouldChangeAreQuoted) {
  struct Case {
    const char* Why;
    std::wstring Value;
    std::optional<std::wstring> Written;  // nothing: only the read-back is compared
    std::wstring ReadBack;
  };
  const std::wstring long2047 = L"\"" + std::wstring(2045, L'q') + L"\"";
  const std::vector<Case> cases = {
      {"plain", L"a=b", L"a=b", L"a=b"},
      {"leading blank", L" x", L"\" x\"", L" x"},
      {"trailing tab", L"x\t", L"\"x\t\"", L"x\t"},
      {"quoted command line", L"\"a b\" \"c\"", L"\"\"a b\" \"c\"\"", L"\"a b\" \"c\""},
      {"single quotes", L"'x'", L"\"'x'\"", L"'x'"},
      {"quote at one end only", L"\"a b\" -x", L"\"a b\" -x", L"\"a b\" -x"},
      {"lone quote", L"\"", L"\"", L"\""},
      {"line breaks become blanks", L"a\r\nb", L"a  b", L"a  b"},
      {"line break at the end", L"a\n", L"\"a \"", L"a "},
      {"empty", L"", L"", L""},
      {"2047 characters quoted", long2047, std::nullopt, long2047},
      {"2047 with a leading blank", L" " + std::wstring(2046, L'w'), std::nullopt, L" " + std::wstring(2046, L'w')},
      {"longer ones are cut anyway", L" " + std::wstring(3000, L'w'), std::nullopt, L" " + std::wstring(2046, L'w')},
  };
  for (const Case& c : cases) {
    std::wstring written = ProtectSettingValue(c.Value);
    if (c.Written) {
      EXPECT_EQ(written, *c.Written) << c.Why;
    }
    TProfileFile file(L"[S]\r\nk = " + written + L"\r\n");
    EXPECT_EQ(file.ReadString(L"S", L"k"), c.ReadBack) << c.Why;
  }
}

TEST(SettingsFile, ThreeThousandCharacterValueReadsBackAsItsFirst2047) {
  ModelHolder m;
  m.Inputs.AddRow(std::wstring(3000, L'c'), std::nullopt, InputCatalogue[inpMiddleButton], StateMouse);
  ModelHolder loaded;
  LoadText(SaveSettings(m.Model()), loaded);
  EXPECT_EQ(loaded.Inputs.GetCell(0, 1), std::wstring(2047, L'c'));
}

TEST(EscapeSettingKey, CaptionsBecomeKeys) {
  struct Case {
    std::wstring Caption, Key;
  };
  const std::vector<Case> cases = {
      {L"auto-switcher sensitivity:", std::wstring(KeyAutoLayoutSensitivity)},
      {L"Maximum count of unchecked items:", std::wstring(KeyMaxUnchecked)},
      {L"Maximum memory for unchecked items, Mb:", std::wstring(KeyMaxMemory)},
      {L"a distance \r\nwhich mouse should overcome to do the input:", std::wstring(KeyDistance)},
      {L"a:\r\nb", L"a b"},    // CR LF first, then the colon
      {L"a\r:\nb", L"a  b"},   // the colon goes, the CR and LF it split stay apart
      {L"x=y\rz\n", L"x y z "},
      {L"x\u013Dy\u010Az\u010Dw", L"x y z w"},  // codes modulo 256
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeSettingKey(c.Caption), c.Key);
}

}  // namespace
}  // namespace pelorin
