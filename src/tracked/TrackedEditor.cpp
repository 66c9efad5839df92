#include "tracked/TrackedEditor.h"

#include <algorithm>

#include "input/CustomInputTable.h"
#include "tracked/TrackedCheck.h"

namespace pelorin {

namespace {

constexpr std::wstring_view Wildcard = L"[*]";

bool SameRow(const TTrackedWindowRow& a, const TTrackedWindowRow& b) {
  return a.Title == b.Title && a.InnerText == b.InnerText && a.WinSize == b.WinSize && a.ClickAt == b.ClickAt &&
         a.IsButton == b.IsButton;
}

}  // namespace

void InWinTextChange(TTrackedFields& f) {
  f.InWinCheck = !f.InWinText.empty();
  InWinCheckClick(f);
}

void WinSizeChange(TTrackedFields& f) {
  f.WinSizeCheck = !f.WinSize.empty();
  WinSizeCheckClick(f);
}

void InWinCheckClick(TTrackedFields& f) {
  if (f.InWinCheck) f.WinSizeCheck = false;
}

void WinSizeCheckClick(TTrackedFields& f) {
  if (f.WinSizeCheck) f.InWinCheck = false;
}

void ButtonTextChange(TTrackedFields& f) { SetBtnCheck(f, true); }

void SetBtnCheck(TTrackedFields& f, bool button) {
  f.BtnCheck = button;
  f.XYCheck = !button;
}

void ShowRowInFields(const TTrackedWindowRow& row, TTrackedFields& f) {
  f.HeaderText = row.Title;
  if (row.InnerText.empty()) {
    f.InWinCheck = false;
    f.WinSizeCheck = false;
  } else if (row.WinSize) {
    f.InWinText.clear();
    f.InWinCheck = false;
    f.WinSize = row.InnerText;
    f.WinSizeCheck = true;
  } else {
    f.InWinText = row.InnerText;
    f.WinSize.clear();
    f.WinSizeCheck = false;
    f.InWinCheck = true;
  }
  f.ButtonText = row.ClickAt;
  SetBtnCheck(f, row.IsButton);
}

TTrackedWindowRow RowFromFields(const TTrackedFields& f) {
  TTrackedWindowRow row;
  row.State = 5;
  row.Title = f.HeaderText;
  if (f.InWinCheck)
    row.InnerText = f.InWinText;
  else if (f.WinSizeCheck)
    row.InnerText = f.WinSize;
  row.WinSize = f.WinSizeCheck;
  row.ClickAt = f.ButtonText;
  row.IsButton = f.BtnCheck;
  return row;
}

TAddWindowOutcome AddWindowRow(std::vector<TTrackedWindowRow>& rows, const TTrackedFields& fields, bool edit,
                               int selected) {
  TAddWindowOutcome out;
  if (fields.HeaderText.empty() || fields.ButtonText.empty()) {
    out.Message = NoTextsMessage;
    return out;
  }
  TTrackedWindowRow row = RowFromFields(fields);
  if (!row.IsButton && !ParseClickOffset(row.ClickAt)) {
    out.Message = BadOffsetMessage;
    return out;
  }
  const int count = static_cast<int>(rows.size());
  int target;
  if (edit && selected >= 0 && selected < count)
    target = selected;
  else if (count > 0 && rows[0].Title.empty())
    target = 0;  // the first row of an empty table
  else
    target = count;
  for (int i = 0; i < count; ++i) {
    if (i == target || !SameRow(rows[i], row)) continue;
    out.Message = DuplicateWindowMessage;
    out.SelectRow = i;
    return out;
  }
  if (target == count) rows.emplace_back();
  rows[target] = row;
  out.Done = true;
  out.SelectRow = target;
  out.Message = edit ? WindowModifiedMessage : WindowAddedMessage;
  return out;
}

bool CanRemoveWindowRow(const std::vector<TTrackedWindowRow>& rows, int selected) {
  return !rows.empty() && !rows[0].Title.empty() && selected >= 0 && selected < static_cast<int>(rows.size());
}

int RemoveWindowRow(std::vector<TTrackedWindowRow>& rows, int selected) {
  if (selected < 0 || selected >= static_cast<int>(rows.size())) return -1;
  // The only row goes too: an empty table is kept and stored without any row.
  rows.erase(rows.begin() + selected);
  if (rows.empty()) return -1;
  return std::min(selected, static_cast<int>(rows.size()) - 1);
}

void ToggleWindowRow(std::vector<TTrackedWindowRow>& rows, int row) {
  if (row < 0 || row >= static_cast<int>(rows.size())) return;
  rows[row].State = ToggledInputState(rows[row].State);
}

void MoveWindowRow(std::vector<TTrackedWindowRow>& rows, int from, int to) {
  const int count = static_cast<int>(rows.size());
  if (from < 0 || from >= count || to < 0 || to >= count || from == to) return;
  TTrackedWindowRow moved = std::move(rows[from]);
  rows.erase(rows.begin() + from);
  rows.insert(rows.begin() + to, std::move(moved));
}

std::vector<int> FitTrackedColumnWidths(const std::vector<TTrackedWindowRow>& rows, int cellPrefixLen,
                                        int clientWidth) {
  std::vector<std::wstring> titles;
  titles.reserve(rows.size());
  for (const TTrackedWindowRow& row : rows)
    titles.push_back(std::wstring(static_cast<size_t>(cellPrefixLen), L' ') + row.Title);
  std::vector<std::vector<std::wstring_view>> columns(3);
  for (int c = 0; c < 3; ++c) columns[c].push_back(TrackedGridHeaders[c]);
  for (size_t i = 0; i < rows.size(); ++i) {
    columns[0].push_back(titles[i]);
    columns[1].push_back(rows[i].InnerText);
    columns[2].push_back(rows[i].ClickAt);
  }
  return FitColumnWidths(columns, clientWidth);
}

bool WarnsWhenTyped(unsigned character) {
  const unsigned c = character % 256;
  return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || c >= 0xC0;
}

TPasted PasteWildcard(std::wstring_view text, size_t selStart, size_t selEnd) {
  selStart = std::min(selStart, text.size());
  selEnd = std::clamp(selEnd, selStart, text.size());
  TPasted out;
  out.Text.reserve(text.size() + Wildcard.size());
  out.Text.append(text.substr(0, selStart)).append(Wildcard).append(text.substr(selEnd));
  out.Caret = selStart + Wildcard.size();
  return out;
}

}  // namespace pelorin
