#include "input/CustomInputTable.h"
#include "input/InputCatalogue.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelorin {
namespace {

const std::wstring_view Middle = InputCatalogue[inpMiddleButton];
const std::wstring_view ShakeX = InputCatalogue[inpShakeHorizontal];

TEST(CellPrefix, LengthFollowsPixelsScaleRoundingHalvesToEven) {
  struct Case { double Scale; int Expected; };
  for (Case c : std::vector<Case>{{1.0, 5}, {1.25, 7}, {1.3, 7}, {1.5, 11}, {1.7, 11}, {2.0, 15}})
    EXPECT_EQ(CellPrefixLenFor(c.Scale), c.Expected) << "scale " << c.Scale;
}

TEST(CustomInputTable, InputCellsCarryThePrefixOnlyInDataRows) {
  TCustomInputTable t(7);
  ASSERT_TRUE(t.AddRow(L"Sleep", std::nullopt, Middle, StateMouse));
  EXPECT_EQ(t.DisplayCell(1, 1), std::wstring(7, L' ') + std::wstring(Middle));
  EXPECT_EQ(t.GetCell(1, 1), Middle);
  EXPECT_EQ(t.GetCell(0, 1), L"Sleep");  // commands are never prefixed
  EXPECT_EQ(t.GetCell(1, 0), L"Inputs to do them:");
  EXPECT_EQ(t.GetCell(0, 0), L"Executable commands:");

  t.SetCell(1, 0, L"Header");
  EXPECT_EQ(t.DisplayCell(1, 0), L"Header");
  t.SetCell(1, 1, L"");  // shorter than the prefix: nothing left after removing it
  EXPECT_EQ(t.GetCell(1, 1), L"");
}

TEST(CustomInputTable, EmptyTableKeepsOneUnusedRowAndFindsNothing) {
  TCustomInputTable t;
  EXPECT_EQ(t.RowCount(), 2);
  EXPECT_EQ(t.UsedRowCount(), 0);
  for (int i = 1; i < InputItemCount; ++i) EXPECT_EQ(t.FindInputRow(InputCatalogue[i]), -1);

  ASSERT_TRUE(t.AddRow(L"Sleep", std::nullopt, Middle, StateMouse));
  EXPECT_EQ(t.RowCount(), 2);  // the unused row 1 is taken first
  EXPECT_EQ(t.UsedRowCount(), 1);
  t.RemoveRow(1);
  EXPECT_EQ(t.RowCount(), 2);
  EXPECT_EQ(t.UsedRowCount(), 0);
  EXPECT_EQ(t.FindInputRow(Middle), -1);
}

TEST(CustomInputTable, DuplicateInputFindsTheUpperRow) {
  TCustomInputTable t;
  t.AddRow(L"Sleep", std::nullopt, ShakeX, StateMouse);
  t.AddRow(L"Reboot", std::nullopt, Middle, StateMouse);
  t.AddRow(L"Volume Up", std::nullopt, Middle, StateMouse);
  EXPECT_EQ(t.FindInputRow(Middle), 2);
  t.MoveRow(3, 1);
  EXPECT_EQ(t.GetCell(0, 1), L"Volume Up");
  EXPECT_EQ(t.FindInputRow(Middle), 1);
  EXPECT_EQ(t.FindInputRow(ShakeX), 2);
  t.MoveRow(1, 3);
  EXPECT_EQ(t.GetCell(0, 3), L"Volume Up");
  EXPECT_EQ(t.GetCell(0, 1), L"Sleep");
}

TEST(CustomInputTable, RowIndicesNeverPassTheLastActionCode) {
  TCustomInputTable t;
  for (int i = 1; i <= MaxRowAction; ++i)
    ASSERT_TRUE(t.AddRow(L"Sleep", std::nullopt, L"Chord " + std::to_wstring(i), StateChordChecked)) << i;
  EXPECT_EQ(t.RowCount(), MaxRowAction + 1);
  EXPECT_FALSE(t.AddRow(L"Sleep", std::nullopt, Middle, StateMouse));
  EXPECT_EQ(t.RowCount(), MaxRowAction + 1);
  EXPECT_EQ(t.FindInputRow(Middle), -1);
  EXPECT_EQ(t.FindInputRow(L"Chord 240"), 240);
}

TEST(InputState, TogglingTwiceGivesBackTheValue) {
  struct Case { int From, Toggled; };
  for (Case c : std::vector<Case>{{0, 5}, {1, 6}, {5, 0}, {6, 1}}) {
    TCustomInputTable t;
    t.AddRow(L"Sleep", std::nullopt, Middle, c.From);
    t.ToggleInputState(1);
    EXPECT_EQ(t.InputState(1), c.Toggled);
    t.ToggleInputState(1);
    EXPECT_EQ(t.InputState(1), c.From);
  }
}

TEST(InputState, CheckedRowsAreInactiveWhileCheckedInputsAreOff) {
  struct Case { int State; bool Enabled; bool Active; };
  for (Case c : std::vector<Case>{{0, false, true}, {1, false, true}, {5, false, false}, {6, false, false},
                                   {5, true, true}, {6, true, true}}) {
    TCustomInputTable t;
    t.AddRow(L"Sleep", std::nullopt, Middle, c.State);
    EXPECT_EQ(IsRowActive(t, 1, c.Enabled), c.Active) << "state " << c.State << " enabled " << c.Enabled;
  }
}

TEST(FireRow, DisablePelorinRowPostsTheSwitchCodeOthersTheirIndex) {
  TCustomInputTable t;
  TSharedState shared;
  t.AddRow(L"Volume Up", std::nullopt, ShakeX, StateMouse);
  t.AddRow(CommandCatalogue[cmdDisablePelorin], std::nullopt, Middle, StateMouse);
  FireRow(t, 1, shared);
  EXPECT_EQ(shared.TakeAction(), 1);
  EXPECT_EQ(shared.TakeAction(), NoAction);
  FireRow(t, 2, shared);
  EXPECT_EQ(shared.TakeAction(), ActionTogglePelorin);
}

TEST(KeyChordRecord, HoldsOneToSixteenKeysInPressOrder) {
  std::vector<uint8_t> vks, scans;
  for (uint8_t i = 0; i < 16; ++i) {
    vks.push_back(0x41 + i);
    scans.push_back(0x10 + i);
  }
  auto full = TKeyChordRecord::FromKeys(vks, scans);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->Count(), 16);
  EXPECT_EQ(full->Bytes().size(), 33u);
  EXPECT_EQ(full->VirtualKey(15), 0x50);
  EXPECT_EQ(full->ScanCode(0), 0x10);
  EXPECT_EQ(full->ScanCode(15), 0x1F);
  EXPECT_EQ(TKeyChordRecord::FromBytes(full->Bytes()), full);

  vks.push_back(0x60);
  scans.push_back(0x60);
  EXPECT_FALSE(TKeyChordRecord::FromKeys(vks, scans)) << "17 keys";
  EXPECT_FALSE(TKeyChordRecord::FromKeys({}, {})) << "a record is never empty";
  const uint8_t truncated[] = {2, 0x11, 0x41, 0x1D};
  const uint8_t empty[] = {0};
  EXPECT_FALSE(TKeyChordRecord::FromBytes(truncated));
  EXPECT_FALSE(TKeyChordRecord::FromBytes(empty));
}

TEST(CustomInputTable, CopyRowTakesAllFourFieldsAndRefusesTheHeader) {
  TCustomInputTable t;
  const uint8_t vk[] = {0xA2, 0x41}, sc[] = {0x1D, 0x1E};
  t.AddRow(L"Left Ctrl + A", TKeyChordRecord::FromKeys(vk, sc), L"Left Alt + Q", StateChordChecked);
  auto copy = t.CopyRow(1);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Command, L"Left Ctrl + A");
  ASSERT_TRUE(copy->Keys);
  EXPECT_EQ(copy->Keys->Count(), 2);
  EXPECT_EQ(copy->Input, L"Left Alt + Q");
  EXPECT_EQ(copy->InputState, StateChordChecked);
  EXPECT_FALSE(t.CopyRow(0));
  EXPECT_FALSE(t.CopyRow(2));
}

TEST(CommandIndex, MatchesItemsOneToThirteenExactly) {
  EXPECT_EQ(CommandIndexOf(L"Volume Up"), cmdVolumeUp);
  EXPECT_EQ(CommandIndexOf(L"Checked inputs enable/disable"), cmdToggleCheckedInputs);
  EXPECT_EQ(CommandIndexOf(L"volume up"), 0) << "comparison is case-sensitive";
  EXPECT_EQ(CommandIndexOf(L"Disable Pelorin"), 0) << "item 14 is never run through its row";
  EXPECT_EQ(CommandIndexOf(L"notepad.exe"), 0);
}

}  // namespace
}  // namespace pelorin
