#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "clipboard/ClipboardHistory.h"

namespace pelorin {

// The items the Clipboard Manager's grid shows, newest first, as they stood when the window
// last heard of the history. Captures merge on the worker at any moment, so a row number is
// only good for what that row showed: whatever a row does reaches that item by its number, or
// nothing once the item has left.
class TGridRows {
 public:
  void Reload(const TClipboardHistory& history);
  // The grid keeps at least one row: an empty history shows one blank row.
  int Count() const { return Ids.empty() ? 1 : static_cast<int>(Ids.size()); }
  bool Empty() const { return Ids.empty(); }
  std::optional<uint64_t> IdAt(int row) const;
  std::optional<int> RowOf(uint64_t id) const;

 private:
  std::vector<uint64_t> Ids;  // row 0 first
};

// Reads the item a row shows; false, reading nothing, for a blank row or an item gone since.
bool ReadGridRow(const TClipboardHistory& history, const TGridRows& rows, int row,
                 const std::function<void(const TClipboardData&, const TClipboardHistory::TItemView&)>& read);

// What the window's actions need besides the history.
struct ClipboardActionsPort {
  virtual ~ClipboardActionsPort() = default;
  // "Are you sure you want to delete the checked item?" in a modal box: true on Yes. Captures
  // go on while it is open.
  virtual bool ConfirmDeleteChecked() = 0;
  // The item on the clipboard; nothing when it has left the history.
  virtual void PutOnClipboard(uint64_t id) = 0;
  // The newest item on the clipboard, or an empty clipboard for an empty history.
  virtual void PutNewestOnClipboard() = 0;
};

// The Clipboard Manager's actions on one item, by its number. GUI thread; the history's own
// lock keeps each step whole against a merge.
class TClipboardActions {
 public:
  TClipboardActions(TClipboardHistory& history, ClipboardActionsPort& port) : History(history), Port(port) {}

  enum class TDeleted { Gone, Declined, Deleted };
  // Delete on a row: a checked item is deleted only on Yes; the item asked about is the one
  // that goes, or none when it left the history while the question was open. The newest going
  // puts the next one on the clipboard (or empties it).
  TDeleted DeleteRow(const TGridRows& rows, int row);
  // The first half of a paste, quick paste or copy of a row: its item on the clipboard and,
  // unless it is a quick paste, at the top (its time stays). False, doing nothing, when the
  // item is gone. A blank grid pastes an empty clipboard.
  bool TakeRow(const TGridRows& rows, int row, bool moveToTop);
  // The check box of a row: toggled, with the time's parity flip; false when the item is gone.
  bool ToggleCheckedRow(const TGridRows& rows, int row);

 private:
  TClipboardHistory& History;
  ClipboardActionsPort& Port;
};

}  // namespace pelorin
