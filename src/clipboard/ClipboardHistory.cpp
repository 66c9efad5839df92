#include "clipboard/ClipboardHistory.h"

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

#include "clipboard/ClipboardText.h"

namespace pelorin {
namespace {

bool IsKeyFormat(uint32_t format) { return format == CfText || format == CfUnicodeText || format == CfHDrop; }

uint64_t HashText(const std::wstring& text) {
  uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : text) {
    hash ^= static_cast<uint32_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

bool ClipboardDataEqual(const TClipboardData& a, const TClipboardData& b) {
  if (a.Items.size() != b.Items.size()) return false;
  // Cheap checks over every format first, so that unequal items rarely compare bytes.
  for (size_t i = 0; i < a.Items.size(); ++i)
    if (a.Items[i].Format != b.Items[i].Format || a.Items[i].Data.size() != b.Items[i].Data.size()) return false;
  for (size_t i = 0; i < a.Items.size(); ++i)
    if (!a.Items[i].Data.empty() &&
        std::memcmp(a.Items[i].Data.data(), b.Items[i].Data.data(), a.Items[i].Data.size()) != 0)
      return false;
  return true;
}

uint64_t MemoryLimitBytes(int maxMemoryMb) {
  return static_cast<uint64_t>(maxMemoryMb < 0 ? 0 : maxMemoryMb) * 1048576u;
}

std::optional<size_t> NextMemoryVictim(const std::vector<uint64_t>& sizes, uint64_t total, uint64_t limit) {
  if (total <= limit) return std::nullopt;
  size_t largest = 0;
  uint64_t largestSize = 0;
  for (size_t j = 0; j < sizes.size(); ++j) {
    if (total - sizes[j] <= limit) return j;
    if (sizes[j] > largestSize) {
      largestSize = sizes[j];
      largest = j;
    }
  }
  if (largestSize == 0) return std::nullopt;
  return largest;
}

TClipboardHistory::TEntry TClipboardHistory::MakeEntry(TClipboardData&& data, std::wstring* firstKeyText) const {
  TEntry entry;
  entry.Data = std::move(data);
  for (const TClipboardDataItem& item : entry.Data.Items) {
    entry.Size += item.Data.size();
    if (!IsKeyFormat(item.Format)) continue;
    std::wstring text = TrimKeyText(ClipboardItemText(item, FAnsi));
    entry.Keys.push_back({item.Format, HashText(text), text.size()});
    if (firstKeyText && entry.Keys.size() == 1) *firstKeyText = std::move(text);
  }
  return entry;
}

TMergeResult TClipboardHistory::AddClipboardData(TClipboardData& snapshot, const TMergeInput& input) {
  bool repaired = TextFixUp(snapshot, FAnsi);
  // Everything that reads only the snapshot (decoding its texts) happens before the lock.
  TClipboardData taken;
  taken.Items = std::move(snapshot.Items);
  snapshot.Items.clear();
  std::wstring keyText;
  TEntry fresh = MakeEntry(std::move(taken), &keyText);
  std::optional<TTextKey> key;
  if (!fresh.Keys.empty()) key = fresh.Keys.front();

  std::lock_guard<std::mutex> lock(FLock);
  TMergeResult result;
  double time = input.Now;
  bool checked = false;
  for (size_t i = 0; i < FItems.size(); ++i) {
    TEntry& entry = FItems[i];
    if (ClipboardDataEqual(fresh.Data, entry.Data)) {
      result.Hit = true;
      if (i + 1 != FItems.size()) {
        TEntry found = std::move(entry);
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
        FItems.push_back(std::move(found));
        FChanged = true;
      }
      break;
    }
    if (!key) continue;
    bool same = false;
    for (size_t f = 0; f < entry.Keys.size() && !same; ++f) {
      const TTextKey& k = entry.Keys[f];
      if (k.Format != key->Format || k.Hash != key->Hash || k.Length != key->Length) continue;
      // The hash only narrows the search; the texts decide. Keys follow the key formats in order.
      size_t seen = 0;
      for (const TClipboardDataItem& item : entry.Data.Items) {
        if (!IsKeyFormat(item.Format)) continue;
        if (seen++ != f) continue;
        same = TrimKeyText(ClipboardItemText(item, FAnsi)) == keyText;
        break;
      }
    }
    if (same) {
      time = entry.Data.Time;
      checked = entry.Data.Checked;
      Delete(static_cast<int>(i));
      result.Replaced = true;
      break;
    }
  }

  if (!result.Hit) {
    LimitCount(input.MaxUnchecked);
    if (FItems.size() == ClpCapacity) Delete(0);
    fresh.Data.Time = time;
    fresh.Data.Checked = checked;
    if (result.Replaced) TimeParityFlip(fresh.Data.Time);
    FItems.push_back(std::move(fresh));
    result.Appended = true;
    result.SetClipboardTop = repaired;
    FChanged = true;
  }
  LimitMemory(input.MaxMemoryMb);
  result.Count = static_cast<int>(FItems.size());
  return result;
}

void TClipboardHistory::Delete(int index) {
  if (index < 0 || static_cast<size_t>(index) >= FItems.size()) throw std::out_of_range("clipboard item index");
  FItems.erase(FItems.begin() + index);
}

void TClipboardHistory::DeleteClipboardItem(int index) {
  std::lock_guard<std::mutex> lock(FLock);
  Delete(index);
}

void TClipboardHistory::LimitCount(int maxUnchecked) {
  if (FItems.empty()) return;
  const size_t top = FItems.size() - 1;
  long count = 0;
  for (size_t i = 0; i < top; ++i) count += FItems[i].Data.Checked ? 0 : 1;
  size_t from = 0;
  while (count > maxUnchecked) {
    size_t i = from;
    while (i < FItems.size() - 1 && FItems[i].Data.Checked) ++i;
    if (i >= FItems.size() - 1) break;
    Delete(static_cast<int>(i));
    from = i;
    --count;
    FChanged = true;
  }
}

void TClipboardHistory::LimitMemory(int maxMemoryMb) {
  if (FItems.empty()) return;
  const uint64_t limit = MemoryLimitBytes(maxMemoryMb);
  // Positions in FItems of the listed sizes, so that removals keep both in step.
  std::vector<size_t> index;
  std::vector<uint64_t> size;
  uint64_t total = 0;
  for (size_t i = 0; i + 1 < FItems.size(); ++i) {
    index.push_back(i);
    size.push_back(FItems[i].Data.Checked ? 0 : FItems[i].Size);
    total += size.back();
  }
  while (std::optional<size_t> chosen = NextMemoryVictim(size, total, limit)) {
    size_t j = *chosen;
    Delete(static_cast<int>(index[j]));
    total -= size[j];
    index.erase(index.begin() + static_cast<std::ptrdiff_t>(j));
    size.erase(size.begin() + static_cast<std::ptrdiff_t>(j));
    for (size_t k = j; k < index.size(); ++k) --index[k];
    FChanged = true;
  }
}

void TClipboardHistory::CheckUncheckedCount(int maxUnchecked) {
  std::lock_guard<std::mutex> lock(FLock);
  LimitCount(maxUnchecked);
}

void TClipboardHistory::CheckUncheckedMemory(int maxMemoryMb) {
  std::lock_guard<std::mutex> lock(FLock);
  LimitMemory(maxMemoryMb);
}

bool TClipboardHistory::AppendLoaded(TClipboardData record) {
  std::lock_guard<std::mutex> lock(FLock);
  if (FItems.size() >= ClpCapacity) return false;
  FItems.push_back(MakeEntry(std::move(record)));
  return true;
}

void TClipboardHistory::SetChecked(int index, bool checked) {
  std::lock_guard<std::mutex> lock(FLock);
  if (index < 0 || static_cast<size_t>(index) >= FItems.size()) throw std::out_of_range("clipboard item index");
  TClipboardData& data = FItems[static_cast<size_t>(index)].Data;
  if (data.Checked == checked) return;
  data.Checked = checked;
  TimeParityFlip(data.Time);
  FChanged = true;
}

int TClipboardHistory::ClpHigh() const {
  std::lock_guard<std::mutex> lock(FLock);
  return static_cast<int>(FItems.size()) - 1;
}

bool TClipboardHistory::ClpDataChanged() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FChanged;
}

void TClipboardHistory::SetDataChanged(bool changed) {
  std::lock_guard<std::mutex> lock(FLock);
  FChanged = changed;
}

void TClipboardHistory::ReadItem(int index, const std::function<void(const TClipboardData&)>& read) const {
  std::lock_guard<std::mutex> lock(FLock);
  if (index < 0 || static_cast<size_t>(index) >= FItems.size()) throw std::out_of_range("clipboard item index");
  read(FItems[static_cast<size_t>(index)].Data);
}

void TClipboardHistory::ReadAll(const std::function<void(int, const TClipboardData&)>& read) const {
  std::lock_guard<std::mutex> lock(FLock);
  for (size_t i = 0; i < FItems.size(); ++i) read(static_cast<int>(i), FItems[i].Data);
}

}  // namespace pelorin
