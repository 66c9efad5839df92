#include "input/CustomInputTable.h"
#include "input/InputCatalogue.h"

#include <algorithm>

#include "common/Rounding.h"

namespace pelorin {

std::optional<TKeyChordRecord> TKeyChordRecord::FromKeys(std::span<const uint8_t> virtualKeys,
                                                         std::span<const uint8_t> scanCodes) {
  size_t n = virtualKeys.size();
  if (n == 0 || n > MaxKeys || scanCodes.size() != n) return std::nullopt;
  TKeyChordRecord r;
  r.Block[0] = static_cast<uint8_t>(n);
  std::ranges::copy(virtualKeys, r.Block.begin() + 1);
  std::ranges::copy(scanCodes, r.Block.begin() + 1 + n);
  return r;
}

std::optional<TKeyChordRecord> TKeyChordRecord::FromBytes(std::span<const uint8_t> block) {
  if (block.empty()) return std::nullopt;
  size_t n = block[0];
  if (block.size() != 2 * n + 1) return std::nullopt;
  return FromKeys(block.subspan(1, n), block.subspan(1 + n, n));
}

uint64_t ChordCharHash(wchar_t c) {
  // splitmix64's finaliser: neighbouring characters get unrelated values, so sums of
  // different multisets of characters rarely agree.
  uint64_t z = static_cast<uint64_t>(c) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

TChordDigest ChordDigestOf(std::wstring_view text) {
  TChordDigest d{text.size() + 3, 0};
  for (wchar_t c : text) d.CharSum += ChordCharHash(c);
  d.CharSum += 2 * ChordCharHash(L' ') + ChordCharHash(L'+');
  return d;
}

int CellPrefixLenFor(double pixelsScale) {
  return static_cast<int>(2 * RoundHalfEven(5 * pixelsScale) - 5);
}

TCustomInputTable::TCustomInputTable(int cellPrefixLen) : PrefixLen(std::max(0, cellPrefixLen)) {
  Rows.resize(2);
  Rows[0].Command = CommandHeader;
  Rows[0].InputCell = InputHeader;
  Rows[1].InputCell.assign(PrefixLen, L' ');
}

int TCustomInputTable::UsedRowCount() const {
  if (RowCount() == 2 && Rows[1].Command.empty()) return 0;
  return RowCount() - 1;
}

std::wstring_view TCustomInputTable::GetCell(int col, int row) const {
  if (row < 0 || row >= RowCount()) return {};
  if (col == 0) return Rows[row].Command;
  if (col != 1) return {};
  std::wstring_view cell = Rows[row].InputCell;
  if (row > 0) cell.remove_prefix(std::min<size_t>(cell.size(), PrefixLen));
  return cell;
}

const std::wstring& TCustomInputTable::DisplayCell(int col, int row) const {
  return col == 0 ? Rows[row].Command : Rows[row].InputCell;
}

void TCustomInputTable::SetCell(int col, int row, std::wstring_view text) {
  if (row < 0 || row >= RowCount() || col < 0 || col > 1) return;
  std::lock_guard guard(Lock);
  if (col == 0) {
    Rows[row].Command = text;
  } else {
    if (row > 0) {
      SetInput(Rows[row], text);
    } else {
      Rows[row].InputCell = text;
    }
  }
}

void TCustomInputTable::SetInput(Row& row, std::wstring_view text) const {
  row.InputCell.assign(PrefixLen, L' ');
  row.InputCell += text;
  row.Digest = ChordDigestOf(text);
}

void TCustomInputTable::SetInputState(int row, int state) {
  if (!IsDataRow(row)) return;
  std::lock_guard guard(Lock);
  Rows[row].State = state;
}

bool TCustomInputTable::AddRow(std::wstring_view command, std::optional<TKeyChordRecord> keys,
                               std::wstring_view input, int inputState) {
  std::lock_guard guard(Lock);
  bool reuseFirst = RowCount() == 2 && Rows[1].Command.empty();
  if (!reuseFirst && RowCount() >= MaxRowCount) return false;
  Row row;
  row.Command = command;
  row.Keys = keys;
  SetInput(row, input);
  row.State = inputState;
  if (reuseFirst)
    Rows[1] = std::move(row);
  else
    Rows.push_back(std::move(row));
  return true;
}

void TCustomInputTable::RemoveRow(int row) {
  if (!IsDataRow(row)) return;
  std::lock_guard guard(Lock);
  if (RowCount() == 2) {
    Rows[1] = Row{};
    SetInput(Rows[1], {});
  } else {
    Rows.erase(Rows.begin() + row);
  }
}

void TCustomInputTable::MoveRow(int from, int to) {
  if (!IsDataRow(from) || !IsDataRow(to) || from == to) return;
  std::lock_guard guard(Lock);
  if (from < to)
    std::rotate(Rows.begin() + from, Rows.begin() + from + 1, Rows.begin() + to + 1);
  else
    std::rotate(Rows.begin() + to, Rows.begin() + from, Rows.begin() + from + 1);
}

void TCustomInputTable::Clear() {
  std::lock_guard guard(Lock);
  Rows.resize(1);
  Rows.emplace_back();
  SetInput(Rows[1], {});
}

int TCustomInputTable::FindInputRow(std::wstring_view text) const {
  for (int row = 0; row < RowCount(); ++row)
    if (GetCell(1, row) == text) return row;
  return -1;
}

std::optional<TInputRowCopy> TCustomInputTable::CopyRow(int row) const {
  std::lock_guard guard(Lock);
  if (!IsDataRow(row)) return std::nullopt;
  const Row& r = Rows[row];
  return TInputRowCopy{r.Command, r.Keys, std::wstring(GetCell(1, row)), r.State};
}

bool IsRowActive(const TCustomInputTable& table, int row, bool checkedInputsEnabled) {
  return checkedInputsEnabled || !IsCheckedState(table.InputState(row));
}

void FireRow(const TCustomInputTable& table, int row, TSharedState& shared, bool repeat) {
  if (table.GetCell(0, row) == CommandCatalogue[cmdDisablePelorin])
    shared.PostAction(ActionTogglePelorin, repeat);
  else if (row >= 0 && row <= MaxRowAction)
    shared.PostAction(row, repeat);
}

}  // namespace pelorin
