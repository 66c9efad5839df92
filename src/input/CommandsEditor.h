#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/CustomInputTable.h"
#include "input/InputCatalogue.h"

namespace pelorin {

// The texts and rules of the Commands editor, free of any window: the main window keeps its
// two combo boxes in step with a TChoiceComboState and asks these functions what to do.

// Message box icon flags, as the platform defines them.
inline constexpr unsigned MsgIconError = 16;
inline constexpr unsigned MsgIconQuestion = 32;
inline constexpr unsigned MsgYesNoQuestion = 36;  // Yes/No buttons with the question icon
inline constexpr unsigned MsgIconWarning = 48;
inline constexpr unsigned MsgIconInformation = 64;
inline constexpr int MsgAnswerYes = 6;

struct TEditorMessage {
  std::wstring Text;
  std::wstring Caption;
  unsigned Flags = 0;
  friend bool operator==(const TEditorMessage&, const TEditorMessage&) = default;
};

inline constexpr std::wstring_view CustomCommandPrompt = CommandCatalogue[cmdCustomCommand];

// Both catalogue combo boxes: the item texts, the selection (-1 for none) and, for
// CommandCombo, whether it is the editable kind in which a command line is typed.
struct TChoiceComboState {
  bool IsCommand = false;
  std::vector<std::wstring> Items;
  int Selected = -1;
  bool Editable = false;

  static TChoiceComboState Command();
  static TChoiceComboState Input();
  std::wstring_view SelectedText() const;
};

// The user chose an item (CommandComboChange): item 15 turns the combo editable with an empty
// item 15; another item turns it back; item 0 shows ChordPromptChosen.
void ChoiceComboChange(TChoiceComboState& combo);
// The list is about to open: item 0 reads ChordPromptOpen again (and item 15 its caption).
void ChoiceComboDropDown(TChoiceComboState& combo);
// The combo lost the focus with no keys pressed for item 0.
void ChoiceComboExit(TChoiceComboState& combo);

// True when a key pressed in the combo must not reach it. Typing a command line, Alt
// combinations and Up/Down could move the selection away from the line; in list mode only
// Esc without Shift, Alt or Ctrl passes, so letters and arrows never change the choice.
bool SwallowComboKey(bool editable, int virtualKey, bool shift, bool ctrl, bool alt);

// What Add is asked to add: the texts shown by the two combo boxes and their selections.
struct TAddRequest {
  std::wstring CommandText;
  int CommandIndex = -1;
  std::wstring InputText;
  int InputIndex = -1;
};

// The grid's row limit: 239 data rows, so that a row index is always a valid action code.
inline constexpr int MaxEditorRowCount = 240;

// Why Add must refuse, or nothing when the row can be added. A chord item that still shows
// a prompt (no keys pressed) is refused like a missing choice.
std::optional<TEditorMessage> CheckAddInput(const TCustomInputTable& table, const TAddRequest& request);

// Adds the row (CheckAddInput must have passed) and returns its index. A chord command keeps
// a copy of the captured chord.
int AddInputRow(TCustomInputTable& table, const TAddRequest& request,
                const std::optional<TKeyChordRecord>& capturedChord);

inline const TEditorMessage AddedMessage{L"New input was successfully added", L"Custom input assigned",
                                         MsgIconInformation};

// The question Remove asks; `what` is "input?" for the custom inputs and "window from
// tracking list?" for the tracked windows.
TEditorMessage RemoveQuestion(std::wstring_view what, std::wstring_view caption);
inline constexpr std::wstring_view RemoveInputWhat = L"input?";
inline constexpr std::wstring_view RemoveInputCaption = L"Remove a custom input";

// Rows whose command is one of the two switches have no check box: a switch that could be
// switched off by itself would lock the user out.
bool RowHasCheckBox(const TCustomInputTable& table, int row);

// The column widths that fit the texts: each column's share of (clientWidth - 3) follows
// the average length in characters of its cells over all rows, the header included.
// Empty when no column holds any text.
std::vector<int> FitColumnWidths(const std::vector<std::vector<std::wstring_view>>& columns, int clientWidth);
std::vector<int> FitColumnWidths(const TCustomInputTable& table, int clientWidth);

}  // namespace pelorin
