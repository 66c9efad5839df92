#include "input/CommandsEditor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace pelorin {
namespace {

const std::wstring Middle(InputCatalogue[inpMiddleButton]);
const std::wstring ShakeX(InputCatalogue[inpShakeHorizontal]);
const std::wstring VolumeUp(CommandCatalogue[cmdVolumeUp]);

TKeyChordRecord CtrlC() {
  const uint8_t vk[] = {0xA2, 'C'};
  const uint8_t scan[] = {29, 46};
  return *TKeyChordRecord::FromKeys(vk, scan);
}

TEST(ChoiceCombo, CommandItemZeroAndItemFifteenCycle) {
  TChoiceComboState combo = TChoiceComboState::Command();
  EXPECT_EQ(combo.Items[0], L"");

  ChoiceComboDropDown(combo);
  EXPECT_EQ(combo.Items[0], ChordPromptOpen);
  combo.Selected = 0;
  ChoiceComboChange(combo);
  EXPECT_EQ(combo.Items[0], ChordPromptChosen);
  EXPECT_FALSE(combo.Editable);
  // Left without pressing keys.
  ChoiceComboExit(combo);
  EXPECT_EQ(combo.Items[0], ChordPromptOpen);

  // A captured chord stays when the combo is left.
  combo.Items[0] = L"Left Ctrl + C";
  ChoiceComboExit(combo);
  EXPECT_EQ(combo.Items[0], L"Left Ctrl + C");

  combo.Selected = cmdCustomCommand;
  ChoiceComboChange(combo);
  EXPECT_TRUE(combo.Editable);
  EXPECT_EQ(combo.Items[cmdCustomCommand], L"");
  // Typing clears the selection of an editable combo: it stays editable.
  combo.Selected = -1;
  ChoiceComboChange(combo);
  EXPECT_TRUE(combo.Editable);
  EXPECT_EQ(combo.Items[cmdCustomCommand], L"");

  ChoiceComboDropDown(combo);
  EXPECT_EQ(combo.Items[cmdCustomCommand], CustomCommandPrompt);
  combo.Selected = cmdVolumeUp;
  ChoiceComboChange(combo);
  EXPECT_FALSE(combo.Editable);
  EXPECT_EQ(combo.Items[cmdCustomCommand], CustomCommandPrompt);
  EXPECT_EQ(combo.SelectedText(), VolumeUp);
}

TEST(ChoiceCombo, InputComboHasNoEditableMode) {
  TChoiceComboState combo = TChoiceComboState::Input();
  ASSERT_EQ(combo.Items.size(), static_cast<size_t>(InputItemCount));
  combo.Selected = inpShakeVertical;
  ChoiceComboChange(combo);
  EXPECT_FALSE(combo.Editable);
  combo.Selected = 0;
  ChoiceComboChange(combo);
  EXPECT_EQ(combo.Items[0], ChordPromptChosen);
  ChoiceComboDropDown(combo);
  EXPECT_EQ(combo.Items[0], ChordPromptOpen);
  EXPECT_EQ(combo.Items[inpShakeVertical], InputCatalogue[inpShakeVertical]);
}

TEST(ChoiceCombo, KeyFilter) {
  constexpr int Esc = 0x1B, Up = 0x26, Down = 0x28, Left = 0x25, A = 'A', Enter = 0x0D;
  struct Case {
    bool Editable;
    int Key;
    bool Shift, Ctrl, Alt;
    bool Swallowed;
  };
  const Case cases[] = {
      {false, Esc, false, false, false, false}, {false, Esc, true, false, false, true},
      {false, Esc, false, true, false, true},   {false, Esc, false, false, true, true},
      {false, A, false, false, false, true},    {false, Down, false, false, false, true},
      {false, Enter, false, false, false, true}, {true, A, false, false, false, false},
      {true, A, true, false, false, false},     {true, A, false, true, false, false},
      {true, A, false, false, true, true},      {true, Up, false, false, false, true},
      {true, Down, false, false, false, true},  {true, Left, false, false, false, false},
      {true, Esc, false, false, false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SwallowComboKey(c.Editable, c.Key, c.Shift, c.Ctrl, c.Alt), c.Swallowed)
        << "editable " << c.Editable << " key " << c.Key << " shift " << c.Shift << " ctrl " << c.Ctrl << " alt "
        << c.Alt;
}

TEST(AddInput, RefusalsNameWhatIsMissingOrWrong) {
  TCustomInputTable table;
  table.AddRow(VolumeUp, std::nullopt, Middle, StateMouse);
  table.AddRow(L"Sleep", std::nullopt, L"Left Ctrl + C", StateChord);
  struct Case {
    TAddRequest Request;
    std::wstring Text, Caption;
    unsigned Flags;
  };
  const std::wstring both =
      L"- choose a command which you want to execute;\r- choose an input to do the chosen command.";
  const Case cases[] = {
      {{L"", -1, L"", -1}, both, L"Firstly you must:", 64},
      {{VolumeUp, cmdVolumeUp, L"", -1}, L"- choose an input to do the chosen command.", L"Firstly you must:", 64},
      {{L"", -1, ShakeX, inpShakeHorizontal}, L"- choose a command which you want to execute;", L"Firstly you must:", 64},
      // Editable mode with nothing typed.
      {{L"", cmdCustomCommand, ShakeX, inpShakeHorizontal}, L"- choose a command which you want to execute;",
       L"Firstly you must:", 64},
      {{std::wstring(ChordPromptChosen), 0, ShakeX, inpShakeHorizontal},
       L"- press the keyboard keys of the command chord;", L"Firstly you must:", 64},
      {{VolumeUp, cmdVolumeUp, std::wstring(ChordPromptOpen), 0}, L"- press the keyboard keys of the input chord.",
       L"Firstly you must:", 64},
      {{std::wstring(ChordPromptOpen), 0, std::wstring(ChordPromptChosen), 0},
       L"- press the keyboard keys of the command chord;\r- press the keyboard keys of the input chord.",
       L"Firstly you must:", 64},
      {{L"Sleep", cmdSleep, Middle, inpMiddleButton}, L"The chosen input has already assigned",
       L"Input already assigned", 48},
      // A chord command equal to a bound chord input would fire itself.
      {{L"Left Ctrl + C", 0, ShakeX, inpShakeHorizontal},
       L"You can not choose the command, which already assigned as an input", L"Incorrect command", 48},
  };
  for (const Case& c : cases) {
    std::optional<TEditorMessage> refusal = CheckAddInput(table, c.Request);
    ASSERT_TRUE(refusal.has_value()) << "command '" << testing::PrintToString(c.Request.CommandText) << "'";
    EXPECT_EQ(*refusal, (TEditorMessage{c.Text, c.Caption, c.Flags}))
        << "command '" << testing::PrintToString(c.Request.CommandText) << "' input '"
        << testing::PrintToString(c.Request.InputText) << "'";
  }
  EXPECT_EQ(table.UsedRowCount(), 2);

  // A prompt text typed as a command line is an ordinary line.
  EXPECT_FALSE(CheckAddInput(table, {std::wstring(ChordPromptOpen), -1, ShakeX, inpShakeHorizontal}).has_value());
  EXPECT_FALSE(CheckAddInput(table, {L"notepad.exe", cmdCustomCommand, L"Left Alt + N", 0}).has_value());
}

TEST(AddInput, RowsAreAddedWithTheirKindAndTheCapturedChord) {
  TCustomInputTable table;
  // The first row fills the empty table's unused row 1.
  TAddRequest mouse{VolumeUp, cmdVolumeUp, ShakeX, inpShakeHorizontal};
  ASSERT_FALSE(CheckAddInput(table, mouse).has_value());
  EXPECT_EQ(AddInputRow(table, mouse, CtrlC()), 1);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_FALSE(table.Keys(1).has_value()) << "only a chord command keeps the captured keys";
  EXPECT_EQ(table.InputState(1), StateMouse);

  TAddRequest chord{L"Left Ctrl + C", cmdChord, L"Left Alt + V", inpChord};
  EXPECT_EQ(AddInputRow(table, chord, CtrlC()), 2);
  ASSERT_TRUE(table.Keys(2).has_value());
  EXPECT_EQ(*table.Keys(2), CtrlC());
  EXPECT_EQ(table.InputState(2), StateChord);
  EXPECT_EQ(table.GetCell(0, 2), L"Left Ctrl + C");
  EXPECT_EQ(table.GetCell(1, 2), L"Left Alt + V");
  EXPECT_EQ(table.FindInputRow(L"Left Alt + V"), 2);
}

TEST(AddInput, TheTwoHundredThirtyNinthRowIsTheLast) {
  TCustomInputTable table;
  for (int i = 1; i <= 238; ++i)
    ASSERT_EQ(AddInputRow(table, {L"Sleep", cmdSleep, L"Key " + std::to_wstring(i), 0}, std::nullopt), i);
  TAddRequest last{L"Sleep", cmdSleep, L"Key 239", 0};
  ASSERT_FALSE(CheckAddInput(table, last).has_value());
  EXPECT_EQ(AddInputRow(table, last, std::nullopt), 239);
  std::optional<TEditorMessage> refusal = CheckAddInput(table, {L"Sleep", cmdSleep, L"Key 240", 0});
  ASSERT_TRUE(refusal.has_value());
  EXPECT_EQ(*refusal, (TEditorMessage{L"Too much custom inputs. To add you must delete some first",
                                      L"Too much custom inputs", 48}));
}

TEST(CommandsEditor, SwitchRowsHaveNoCheckBox) {
  TCustomInputTable table;
  EXPECT_FALSE(RowHasCheckBox(table, 1)) << "the empty table's unused row";
  table.AddRow(VolumeUp, std::nullopt, Middle, StateMouse);
  table.AddRow(std::wstring(CommandCatalogue[cmdToggleCheckedInputs]), std::nullopt, ShakeX, StateMouse);
  table.AddRow(std::wstring(CommandCatalogue[cmdDisablePelorin]), std::nullopt, L"Left Alt + D", StateChord);
  EXPECT_TRUE(RowHasCheckBox(table, 1));
  EXPECT_FALSE(RowHasCheckBox(table, 2));
  EXPECT_FALSE(RowHasCheckBox(table, 3));
  EXPECT_FALSE(RowHasCheckBox(table, 0));
  EXPECT_FALSE(RowHasCheckBox(table, 4));
}

TEST(CommandsEditor, RemoveQuestionTexts) {
  EXPECT_EQ(RemoveQuestion(RemoveInputWhat, RemoveInputCaption),
            (TEditorMessage{L"Do you want to remove the selected input?", L"Remove a custom input", 36}));
  EXPECT_EQ(RemoveQuestion(L"window from tracking list?", L"Remove tracking").Text,
            L"Do you want to remove the selected window from tracking list?");
}

TEST(FitColumns, WidthsFollowTheAverageTextLength) {
  // Averages 20 and 10 of 300 - 3 pixels: 198 and 99.
  std::vector<std::vector<std::wstring_view>> columns = {{L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", L"aaaaaaaaaa"},
                                                         {L"bbbbbbbbbbbbbbb", L"bbbbb"}};
  EXPECT_EQ(FitColumnWidths(columns, 300), (std::vector<int>{198, 99}));
  // Averages round halves to even: 2.5 -> 2, 3.5 -> 4.
  columns = {{L"aa", L"aaa"}, {L"bbb", L"bbbb"}};
  EXPECT_EQ(FitColumnWidths(columns, 303), (std::vector<int>{100, 200}));
  EXPECT_TRUE(FitColumnWidths({{L""}, {L""}}, 300).empty()) << "no text, no change";

  TCustomInputTable table(5);
  table.AddRow(VolumeUp, std::nullopt, ShakeX, StateMouse);
  // Commands: "Executable commands:" (20) and "Volume Up" (9) -> 14.5 -> 14; inputs without the
  // blanks: "Inputs to do them:" (18) and 42 characters -> 30.
  std::vector<int> widths = FitColumnWidths(table, 443);
  EXPECT_EQ(widths, (std::vector<int>{140, 300}));
}

}  // namespace
}  // namespace pelorin
