#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "clipboard/ClipboardData.h"
#include "clipboard/ClipboardGrid.h"
#include "config/AnsiCodePage.h"

namespace pelorin {

inline constexpr int ClpCapacity = 500;

// Exact equality: same formats in the same order with the same bytes.
bool ClipboardDataEqual(const TClipboardData& a, const TClipboardData& b);

// The memory limit in bytes: up to 5000 MB, past 32 bits.
uint64_t MemoryLimitBytes(int maxMemoryMb);

// Which size of the list goes next to bring Total within the limit: the oldest whose removal
// alone is enough, else the largest (the oldest among equals); none when Total is within it or
// every size is 0.
std::optional<size_t> NextMemoryVictim(const std::vector<uint64_t>& sizes, uint64_t total, uint64_t limit);

// The text key of one text-like format: the hash and length of its trimmed text, equal to those
// of TrimKeyText(ClipboardItemText(item)), without building the text for CF_UNICODETEXT.
struct TTextKey {
  uint32_t Format = 0;
  uint64_t Hash = 0;
  size_t Length = 0;
  bool operator==(const TTextKey&) const = default;
};
TTextKey ClipboardTextKey(const TClipboardDataItem& item, const AnsiCodePagePort& ansi);
uint64_t HashKeyText(const std::wstring& text);

// What a merge needs from the settings and the clock.
struct TMergeInput {
  double Now = 0;
  int MaxUnchecked = 20;  // MaxUncheckedEdit
  int MaxMemoryMb = 1000;  // MaxMemoryEdit
};

// What the Windows side has to do after a merge; the history itself never touches the clipboard.
struct TMergeResult {
  bool Hit = false;            // the content was already there (moved to the top if it was not)
  bool Appended = false;       // a new top item (it may want a thumbnail)
  bool Replaced = false;       // an item with the same text gave way to it
  bool SetClipboardTop = false;  // the text was repaired: put the top item on the clipboard
  int Count = 0;               // items after the merge (the grid's row count)
};

// One history item, shared: an item never changes once it is in the history (a new check mark
// makes a new item), so a holder may read it with no lock, for as long as it likes.
using TSharedItem = std::shared_ptr<const TClipboardData>;

// Every item at one moment, oldest first, and the version of the history they are.
struct THistorySnapshot {
  std::vector<TSharedItem> Items;
  uint64_t Version = 0;
};

// The clipboard history: up to 500 items, index 0 the oldest, the newest (the content the
// clipboard holds) last. Every public operation takes the one lock, briefly: long work (a file
// save, a clipboard write) takes shared items and does it after the lock is released. The read
// callbacks below run under the lock (they must be short and must not call back into the
// history).
class TClipboardHistory {
 public:
  explicit TClipboardHistory(const AnsiCodePagePort& ansi) : FAnsi(ansi) {}

  // Merges a fresh snapshot; the snapshot is always left empty.
  TMergeResult AddClipboardData(TClipboardData& snapshot, const TMergeInput& input);

  // Removes one item; leaves the changed flag and the clipboard to the caller.
  void DeleteClipboardItem(int index);
  void CheckUncheckedCount(int maxUnchecked);
  void CheckUncheckedMemory(int maxMemoryMb);

  // Appends a record as it is (the data file loader); false when the table is full.
  bool AppendLoaded(TClipboardData record);
  // Puts records read late from the data file before every item (they are older than anything
  // copied since the start). One equal to an item already there gives that item its time and
  // check mark instead; the oldest give way when the table would overflow. Always a change.
  void PrependLoaded(std::vector<TClipboardData> older);
  // Toggles the check mark; the time moves by a parity flip so the data file rewrites the item.
  void SetChecked(int index, bool checked);

  int ClpHigh() const;
  bool ClpDataChanged() const;
  void SetDataChanged(bool changed);

  // Moves the item at index to the top (the newest place); its time stays. False when it was
  // there already.
  bool MoveToTop(int index);
  // Checked items first, then the unchecked, each group oldest first (so the window, newest
  // first, shows the unchecked ones on top and the checked at the end). True when another item
  // is now at the top.
  bool Sort();

  // What the window shows of an item: a number that stays with it while it is in the history
  // (for what the window keeps per item, as thumbnails), and its preview.
  struct TItemView {
    uint64_t Id = 0;
    const TItemPreview& Preview;
  };
  void ReadRow(int index, const std::function<void(const TClipboardData&, const TItemView&)>& read) const;
  // The numbers of every item now in the history, oldest first, read under one lock.
  std::vector<uint64_t> ItemIds() const;

  // Every item as it is now, for a save that runs with the lock released.
  THistorySnapshot Snapshot() const;
  // The save of the snapshot of that version is on the disk: the changed flag is cleared unless
  // something changed since the snapshot was taken.
  void MarkSaved(uint64_t version);
  // The item at index, to be used with the lock released; null when there is none.
  TSharedItem ShareItem(int index) const;

  // The longest time the lock was held since the last reset, in nanoseconds: what a reader on
  // the GUI thread (which also runs the hooks) may have had to wait.
  uint64_t LongestLockHoldNs() const { return FLongestHoldNs.load(std::memory_order_relaxed); }
  void ResetLockHold() { FLongestHoldNs.store(0, std::memory_order_relaxed); }

  // Read access under the lock; index must be 0 .. ClpHigh.
  void ReadItem(int index, const std::function<void(const TClipboardData&)>& read) const;
  void ReadAll(const std::function<void(int, const TClipboardData&)>& read) const;

  // The same by the number an item keeps (TItemView::Id), for the window, whose rows and
  // questions outlive the history's order: an item that left meanwhile is simply not found.
  std::optional<int> IndexOfId(uint64_t id) const;
  bool ReadById(uint64_t id, const std::function<void(const TClipboardData&, const TItemView&)>& read) const;
  // The newest item; false for an empty history.
  bool ReadNewest(const std::function<void(const TClipboardData&, const TItemView&)>& read) const;
  // The item of that number, or the newest, to be used with the lock released; null when none.
  TSharedItem ShareById(uint64_t id) const;
  TSharedItem ShareNewest() const;
  struct TDeletedById {
    bool Deleted = false;
    bool WasNewest = false;  // the clipboard's content went with it
  };
  TDeletedById DeleteById(uint64_t id);
  // False when the item is gone or was the newest already.
  bool MoveToTopById(uint64_t id);
  // False when the item is gone.
  bool SetCheckedById(uint64_t id, bool checked);

 private:
  // What the merge needs of an item, computed once when it enters the history.
  struct TMeta {
    std::vector<TTextKey> Keys;
    uint64_t Size = 0;
    uint64_t Id = 0;
    TItemPreview Preview;
  };

  // The lock, held for one scope, its time kept.
  class THeld {
   public:
    explicit THeld(const TClipboardHistory& owner);
    ~THeld();
    THeld(const THeld&) = delete;
    THeld& operator=(const THeld&) = delete;

   private:
    const TClipboardHistory& Owner;
    std::unique_lock<std::mutex> Lock;
    std::chrono::steady_clock::time_point Since;
  };

  TMeta MakeMeta(const TClipboardData& data) const;
  void Push(TSharedItem data, TMeta&& meta);
  // Removed items are freed after the lock is released (a large one takes a while).
  void Delete(int index);
  void Touch();
  void LimitCount(int maxUnchecked);
  void LimitMemory(int maxMemoryMb);
  std::optional<int> FindId(uint64_t id) const;  // under the lock
  // Puts a copy of old with the new check mark in its place; false when it left meanwhile.
  bool ReplaceChecked(const TSharedItem& old, bool checked);

  const AnsiCodePagePort& FAnsi;
  mutable std::mutex FLock;
  mutable std::atomic<uint64_t> FLongestHoldNs{0};
  // Side by side, index for index: the records alone are what the data file writes.
  std::vector<TSharedItem> FData;
  std::vector<TMeta> FMeta;
  std::vector<TSharedItem> FDropped;
  bool FChanged = false;
  uint64_t FVersion = 0;
  uint64_t FNextId = 1;
};

}  // namespace pelorin
