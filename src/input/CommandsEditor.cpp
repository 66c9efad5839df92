#include "input/CommandsEditor.h"

#include "common/Rounding.h"

namespace pelorin {
namespace {

constexpr int VkEscape = 0x1B;
constexpr int VkUp = 0x26;
constexpr int VkDown = 0x28;

constexpr std::wstring_view ChooseCommandLine = L"- choose a command which you want to execute;";
constexpr std::wstring_view ChooseInputLine = L"- choose an input to do the chosen command.";
constexpr std::wstring_view PressCommandKeysLine = L"- press the keyboard keys of the command chord;";
constexpr std::wstring_view PressInputKeysLine = L"- press the keyboard keys of the input chord.";

// Item 0 chosen but no keys pressed yet.
bool ShowsChordPrompt(int index, std::wstring_view text) {
  return index == 0 && (text.empty() || text == ChordPromptOpen || text == ChordPromptChosen);
}

}  // namespace

TChoiceComboState TChoiceComboState::Command() {
  TChoiceComboState combo;
  combo.IsCommand = true;
  combo.Items.assign(CommandCatalogue.begin(), CommandCatalogue.end());
  return combo;
}

TChoiceComboState TChoiceComboState::Input() {
  TChoiceComboState combo;
  combo.Items.assign(InputCatalogue.begin(), InputCatalogue.end());
  return combo;
}

std::wstring_view TChoiceComboState::SelectedText() const {
  if (Selected < 0 || Selected >= static_cast<int>(Items.size())) return {};
  return Items[Selected];
}

void ChoiceComboChange(TChoiceComboState& combo) {
  if (combo.IsCommand) {
    if (combo.Selected != cmdCustomCommand && combo.Selected != -1 && combo.Editable) {
      combo.Items[cmdCustomCommand] = CustomCommandPrompt;
      combo.Editable = false;
    }
    if (combo.Selected == cmdCustomCommand) {
      combo.Editable = true;
      // The user types the command line into the empty field.
      combo.Items[cmdCustomCommand].clear();
    }
  }
  if (combo.Selected == 0) combo.Items[0] = ChordPromptChosen;
}

void ChoiceComboDropDown(TChoiceComboState& combo) {
  combo.Items[0] = ChordPromptOpen;
  if (combo.IsCommand) combo.Items[cmdCustomCommand] = CustomCommandPrompt;
}

void ChoiceComboExit(TChoiceComboState& combo) {
  if (combo.Selected == 0 && combo.Items[0] == ChordPromptChosen) combo.Items[0] = ChordPromptOpen;
}

bool SwallowComboKey(bool editable, int virtualKey, bool shift, bool ctrl, bool alt) {
  if (editable) return alt || virtualKey == VkUp || virtualKey == VkDown;
  return !(virtualKey == VkEscape && !shift && !ctrl && !alt);
}

std::optional<TEditorMessage> CheckAddInput(const TCustomInputTable& table, const TAddRequest& request) {
  if (table.RowCount() >= MaxEditorRowCount)
    return TEditorMessage{L"Too much custom inputs. To add you must delete some first", L"Too much custom inputs",
                          MsgIconWarning};

  std::wstring missing;
  if (request.CommandText.empty())
    missing = ChooseCommandLine;
  else if (ShowsChordPrompt(request.CommandIndex, request.CommandText))
    missing = PressCommandKeysLine;
  std::wstring_view inputLine;
  if (request.InputIndex < 0 || request.InputText.empty())
    inputLine = ChooseInputLine;
  else if (ShowsChordPrompt(request.InputIndex, request.InputText))
    inputLine = PressInputKeysLine;
  if (!inputLine.empty()) {
    if (!missing.empty()) missing += L"\r";
    missing += inputLine;
  }
  if (!missing.empty()) return TEditorMessage{missing, L"Firstly you must:", MsgIconInformation};

  if (table.FindInputRow(request.InputText) != -1)
    return TEditorMessage{L"The chosen input has already assigned", L"Input already assigned", MsgIconWarning};
  // A chord command equal to a bound input would fire itself again and again.
  if (table.FindInputRow(request.CommandText) != -1)
    return TEditorMessage{L"You can not choose the command, which already assigned as an input", L"Incorrect command",
                          MsgIconWarning};
  return std::nullopt;
}

int AddInputRow(TCustomInputTable& table, const TAddRequest& request,
                const std::optional<TKeyChordRecord>& capturedChord) {
  std::optional<TKeyChordRecord> keys = request.CommandIndex == cmdChord ? capturedChord : std::nullopt;
  int state = request.InputIndex == inpChord ? StateChord : StateMouse;
  if (!table.AddRow(request.CommandText, keys, request.InputText, state)) return -1;
  return table.UsedRowCount();
}

TEditorMessage RemoveQuestion(std::wstring_view what, std::wstring_view caption) {
  return {L"Do you want to remove the selected " + std::wstring(what), std::wstring(caption), MsgYesNoQuestion};
}

bool RowHasCheckBox(const TCustomInputTable& table, int row) {
  if (row <= 0 || row >= table.RowCount() || table.GetCell(1, row).empty()) return false;
  std::wstring_view command = table.GetCell(0, row);
  return command != CommandCatalogue[cmdToggleCheckedInputs] && command != CommandCatalogue[cmdDisablePelorin];
}

std::vector<int> FitColumnWidths(const std::vector<std::vector<std::wstring_view>>& columns, int clientWidth) {
  std::vector<int64_t> averages;
  int64_t sum = 0;
  for (const auto& cells : columns) {
    size_t chars = 0;
    for (std::wstring_view cell : cells) chars += cell.size();
    int64_t average = cells.empty() ? 0 : RoundHalfEven(static_cast<double>(chars) / static_cast<double>(cells.size()));
    averages.push_back(average);
    sum += average;
  }
  if (sum == 0) return {};
  std::vector<int> widths;
  for (int64_t average : averages)
    widths.push_back(static_cast<int>(
        RoundHalfEven(static_cast<double>(clientWidth - 3) * static_cast<double>(average) / static_cast<double>(sum))));
  return widths;
}

std::vector<int> FitColumnWidths(const TCustomInputTable& table, int clientWidth) {
  std::vector<std::vector<std::wstring_view>> columns(TCustomInputTable::ColumnCount);
  for (int col = 0; col < TCustomInputTable::ColumnCount; ++col)
    for (int row = 0; row < table.RowCount(); ++row) columns[col].push_back(table.GetCell(col, row));
  return FitColumnWidths(columns, clientWidth);
}

}  // namespace pelorin
