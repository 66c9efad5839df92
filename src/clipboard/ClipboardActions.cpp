#include "clipboard/ClipboardActions.h"

#include <algorithm>

namespace pelorin {

void TGridRows::Reload(const TClipboardHistory& history) {
  Ids = history.ItemIds();
  std::reverse(Ids.begin(), Ids.end());
}

std::optional<uint64_t> TGridRows::IdAt(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= Ids.size()) return std::nullopt;
  return Ids[static_cast<size_t>(row)];
}

std::optional<int> TGridRows::RowOf(uint64_t id) const {
  auto found = std::find(Ids.begin(), Ids.end(), id);
  if (found == Ids.end()) return std::nullopt;
  return static_cast<int>(found - Ids.begin());
}

bool ReadGridRow(const TClipboardHistory& history, const TGridRows& rows, int row,
                 const std::function<void(const TClipboardData&, const TClipboardHistory::TItemView&)>& read) {
  std::optional<uint64_t> id = rows.IdAt(row);
  return id && history.ReadById(*id, read);
}

TClipboardActions::TDeleted TClipboardActions::DeleteRow(const TGridRows& rows, int row) {
  std::optional<uint64_t> id = rows.IdAt(row);
  if (!id) return TDeleted::Gone;
  bool checked = false;
  if (!History.ReadById(*id, [&](const TClipboardData& item, const TClipboardHistory::TItemView&) {
        checked = item.Checked;
      }))
    return TDeleted::Gone;
  if (checked && !Port.ConfirmDeleteChecked()) return TDeleted::Declined;
  TClipboardHistory::TDeletedById deleted = History.DeleteById(*id);
  if (!deleted.Deleted) return TDeleted::Gone;
  History.SetDataChanged(true);
  if (deleted.WasNewest) Port.PutNewestOnClipboard();
  return TDeleted::Deleted;
}

bool TClipboardActions::TakeRow(const TGridRows& rows, int row, bool moveToTop) {
  if (rows.Empty()) {
    Port.PutNewestOnClipboard();
    return true;
  }
  std::optional<uint64_t> id = rows.IdAt(row);
  if (!id || !History.IndexOfId(*id)) return false;
  Port.PutOnClipboard(*id);
  if (moveToTop) History.MoveToTopById(*id);
  return true;
}

bool TClipboardActions::ToggleCheckedRow(const TGridRows& rows, int row) {
  std::optional<uint64_t> id = rows.IdAt(row);
  bool checked = false;
  if (!id || !History.ReadById(*id, [&](const TClipboardData& item, const TClipboardHistory::TItemView&) {
        checked = item.Checked;
      }))
    return false;
  return History.SetCheckedById(*id, !checked);
}

}  // namespace pelorin
