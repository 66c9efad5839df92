#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/CommandsEditor.h"
#include "tracked/TrackedWindowRow.h"

namespace pelorin {

// The rules of the tracked-windows editor, free of any window: the page copies its controls
// into a TTrackedFields, asks these functions, and shows the fields again.

// The four fields of the page with their check boxes and radio buttons.
struct TTrackedFields {
  std::wstring HeaderText;
  std::wstring InWinText;
  std::wstring WinSize;
  std::wstring ButtonText;
  bool InWinCheck = false;
  bool WinSizeCheck = false;
  bool BtnCheck = false;
  bool XYCheck = false;
  friend bool operator==(const TTrackedFields&, const TTrackedFields&) = default;
};

inline constexpr std::wstring_view TrackedGridHeaders[] = {L"Window title:", L"Inner text/class name or window size:",
                                                          L"Click at:"};

// Field events. InWinText or WinSize edited: its check box follows whether it holds text; a
// check box that becomes checked clears the other one.
void InWinTextChange(TTrackedFields& f);
void WinSizeChange(TTrackedFields& f);
void InWinCheckClick(TTrackedFields& f);
void WinSizeCheckClick(TTrackedFields& f);
// ButtonText edited by the user (typed, "[*]" inserted, a row selected): a button text.
void ButtonTextChange(TTrackedFields& f);
// The radio buttons are one group: checking one clears the other.
void SetBtnCheck(TTrackedFields& f, bool button);

// A row selected in the grid shows in the fields (TrackWinsGridSelectCell). The text of an
// optional field that the row does not use stays.
void ShowRowInFields(const TTrackedWindowRow& row, TTrackedFields& f);

// The row the fields describe, tracked.
TTrackedWindowRow RowFromFields(const TTrackedFields& f);

inline constexpr std::wstring_view RemoveWindowWhat = L"window from tracking list?";
inline constexpr std::wstring_view RemoveWindowCaption = L"Remove tracking";

inline const TEditorMessage NoTextsMessage{L"Select the window caption and the button text", L"Set the text firstly",
                                           MsgIconWarning};
inline const TEditorMessage BadOffsetMessage{
    L"The coordinates to click at must be two whole numbers with an x between them, for example 35x120. Choose "
    L"\"button or\" for a button text",
    L"Set the text firstly", MsgIconWarning};
inline const TEditorMessage DuplicateWindowMessage{L"A tracked window with this parameters was already added to table",
                                                   L"The window was already added", MsgIconInformation};
inline const TEditorMessage WindowAddedMessage{L"New window for tracking was successfully added", L"New window added",
                                               MsgIconInformation};
inline const TEditorMessage WindowModifiedMessage{L"The window for tracking was successfully modified",
                                                  L"The window modified", MsgIconInformation};
inline const TEditorMessage TypingWarning{L"Don`t specify the text of this field by manually. Use a hand-point icon, "
                                          L"placed at left of the field. Read the Help for more details",
                                          L"Warning", MsgIconWarning};

// What Add or Edit did (AddBtnClick).
struct TAddWindowOutcome {
  // The message to show: a refusal, or the success message.
  TEditorMessage Message;
  bool Done = false;
  // The row (0-based) to select: the new or edited row, or the duplicate found; -1 for none.
  int SelectRow = -1;
};

// Add (edit false) or Edit (edit true, `selected` the selected row or -1) with the fields.
// Refused, with the table unchanged: an empty title or button text; coordinates that are not
// "integer x integer" (the check could never click them); an exact duplicate of another row.
// An edited row is tracked again.
TAddWindowOutcome AddWindowRow(std::vector<TTrackedWindowRow>& rows, const TTrackedFields& fields, bool edit,
                               int selected);

// Remove: whether the question is asked at all (a row is selected and the table holds one).
bool CanRemoveWindowRow(const std::vector<TTrackedWindowRow>& rows, int selected);
// On Yes: the rows below move up. Returns the row to select next, -1 for none.
int RemoveWindowRow(std::vector<TTrackedWindowRow>& rows, int selected);
// A click on a row's check box: tracked and not tracked alternate.
void ToggleWindowRow(std::vector<TTrackedWindowRow>& rows, int row);
// A row dragged onto another.
void MoveWindowRow(std::vector<TTrackedWindowRow>& rows, int from, int to);
// The column widths that fit the texts (the header row counts, the titles with the blanks
// in front that leave room for the check box).
std::vector<int> FitTrackedColumnWidths(const std::vector<TTrackedWindowRow>& rows, int cellPrefixLen,
                                        int clientWidth);

// A character typed into one of the four fields brings the typing warning, once a field:
// letters (the character's code modulo 256 in A-Z, a-z or 0xC0-0xFF).
bool WarnsWhenTyped(unsigned character);

// "[*]" pasted over the selection [selStart, selEnd) of a field's text; the caret goes after it.
struct TPasted {
  std::wstring Text;
  size_t Caret = 0;
};
TPasted PasteWildcard(std::wstring_view text, size_t selStart, size_t selEnd);

}  // namespace pelorin
