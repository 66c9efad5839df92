#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/SharedState.h"

namespace pelorin {

// The keys of a chord command: byte 0 = n (1 to 16), bytes 1..n the virtual-key codes in
// press order, bytes n+1..2n the scan codes in the same order. Held inline: a row owns its
// record by value, so removing or reloading a row frees it with the row.
class TKeyChordRecord {
 public:
  static constexpr int MaxKeys = 16;

  // The record of n keys, or nothing when n is 0, above 16, or the two lists differ in length.
  static std::optional<TKeyChordRecord> FromKeys(std::span<const uint8_t> virtualKeys,
                                                 std::span<const uint8_t> scanCodes);
  // The record from its 2n + 1 byte block, or nothing when the block is malformed.
  static std::optional<TKeyChordRecord> FromBytes(std::span<const uint8_t> block);

  int Count() const { return Block[0]; }
  uint8_t VirtualKey(int i) const { return Block[1 + i]; }
  uint8_t ScanCode(int i) const { return Block[1 + Count() + i]; }
  std::span<const uint8_t> Bytes() const { return {Block.data(), static_cast<size_t>(2 * Count() + 1)}; }

  friend bool operator==(const TKeyChordRecord& a, const TKeyChordRecord& b) {
    return std::ranges::equal(a.Bytes(), b.Bytes());
  }

 private:
  TKeyChordRecord() = default;
  std::array<uint8_t, 2 * MaxKeys + 1> Block{};
};

// InputState values: the kind is fixed when a row is added; 4 and above is checked.
inline constexpr int StateMouse = 0;
inline constexpr int StateChord = 1;
inline constexpr int StateMouseChecked = 5;
inline constexpr int StateChordChecked = 6;
inline constexpr int StateLoadedDefault = 5;

constexpr int ToggledInputState(int v) { return v > 2 ? v - 5 : v + 5; }
constexpr bool IsCheckedState(int v) { return v >= 4; }
constexpr bool IsChordState(int v) { return v == StateChord || v == StateChordChecked; }

// Blanks in front of every input cell, leaving room for the check box.
// 2 x round(5 x PixelsScale) - 5, halves to even; 5 at 96 pixels per inch.
int CellPrefixLenFor(double pixelsScale);

// What a chord comparison can rule a row out by without reading its text: the length of the
// input with " + " appended and a sum of one hash per character, which no reordering of the
// same characters changes. Equal digests are necessary for a match, never sufficient.
struct TChordDigest {
  size_t Length = 0;
  uint64_t CharSum = 0;
  friend bool operator==(const TChordDigest&, const TChordDigest&) = default;
};
uint64_t ChordCharHash(wchar_t c);
// The digest of text + " + ".
TChordDigest ChordDigestOf(std::wstring_view text);

// One data row as the command thread sees it after taking a code.
struct TInputRowCopy {
  std::wstring Command;
  std::optional<TKeyChordRecord> Keys;
  std::wstring Input;
  int InputState = StateMouse;
};

// The custom input table (MainGrid): row 0 is the header, rows 1.. the bindings in the
// user's order. Row indices are action codes, so the table never grows past row 240.
//
// All writes happen in the GUI thread under `Lock`; the GUI thread (hooks, editor) reads
// without locking, the command thread copies a row with `CopyRow`, which locks.
class TCustomInputTable {
 public:
  static constexpr int MaxRowCount = MaxRowAction + 1;  // rows 0..240
  static constexpr int ColumnCount = 2;
  static constexpr std::wstring_view CommandHeader = L"Executable commands:";
  static constexpr std::wstring_view InputHeader = L"Inputs to do them:";

  explicit TCustomInputTable(int cellPrefixLen = 5);

  int CellPrefixLen() const { return PrefixLen; }
  // Header plus data rows; an empty table still has 2 rows (row 1 empty and unused).
  int RowCount() const { return static_cast<int>(Rows.size()); }
  // Data rows in use: row 1 counts only when its command is not empty.
  int UsedRowCount() const;

  // The cell's text; input cells of data rows without their first CellPrefixLen characters.
  std::wstring_view GetCell(int col, int row) const;
  // Stores the text, with the prefix in front for input cells of data rows.
  void SetCell(int col, int row, std::wstring_view text);
  // The cell as displayed, prefix included.
  const std::wstring& DisplayCell(int col, int row) const;

  const std::optional<TKeyChordRecord>& Keys(int row) const { return Rows[row].Keys; }
  // Kept with the input cell, so a key press compares no text of rows that cannot match.
  const TChordDigest& InputDigest(int row) const { return Rows[row].Digest; }
  int InputState(int row) const { return Rows[row].State; }
  void SetInputState(int row, int state);
  void ToggleInputState(int row) { SetInputState(row, ToggledInputState(InputState(row))); }

  // Appends a data row (filling the unused row 1 of an empty table first). False, and
  // nothing changed, when the table already holds row 240.
  bool AddRow(std::wstring_view command, std::optional<TKeyChordRecord> keys, std::wstring_view input,
              int inputState);
  void RemoveRow(int row);
  void MoveRow(int from, int to);
  void Clear();

  // First row from the top (header included) whose input equals text exactly, or -1.
  int FindInputRow(std::wstring_view text) const;

  // A copy of a data row taken under the lock, for threads other than the GUI thread.
  std::optional<TInputRowCopy> CopyRow(int row) const;

 private:
  struct Row {
    std::wstring Command;
    std::optional<TKeyChordRecord> Keys;
    std::wstring InputCell;  // with the prefix for data rows
    TChordDigest Digest = ChordDigestOf({});
    int State = StateMouse;
  };
  // Sets a data row's input cell with its prefix and digest.
  void SetInput(Row& row, std::wstring_view text) const;
  bool IsDataRow(int row) const { return row > 0 && row < RowCount(); }

  int PrefixLen;
  std::vector<Row> Rows;
  mutable std::mutex Lock;
};

// True when the row may fire: checked inputs are on, or the row is unchecked.
bool IsRowActive(const TCustomInputTable& table, int row, bool checkedInputsEnabled);

// The common tail of every recognised input: posts 245 for a "Disable Pelorin" row (the
// switch is never run through a row index), the row index otherwise. `repeat`: a held key's
// auto-repeat fired it again.
void FireRow(const TCustomInputTable& table, int row, TSharedState& shared, bool repeat = false);

}  // namespace pelorin
