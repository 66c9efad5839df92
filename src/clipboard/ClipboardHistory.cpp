#include "clipboard/ClipboardHistory.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "clipboard/ClipboardText.h"

namespace pelorin {
namespace {

bool IsKeyFormat(uint32_t format) { return format == CfText || format == CfUnicodeText || format == CfHDrop; }

constexpr uint64_t HashStart = 14695981039346656037ull;
constexpr uint64_t HashPrime = 1099511628211ull;

// FNV-1a in four lanes, unit i of the text into lane i % 4: four independent chains of
// multiplies instead of one, so a capture of megabytes is keyed at memory speed. A tab counts
// as the four blanks it is shown as, one in each lane, which keeps the lanes in step.
class TKeyHasher {
 public:
  // H0 always takes the next unit; the lanes then turn, which costs nothing in registers
  // (an indexed array of lanes would go through memory).
  void Add(uint32_t unit) {
    uint64_t next = (H0 ^ unit) * HashPrime;
    H0 = H1, H1 = H2, H2 = H3, H3 = next;
    ++Count;
  }
  void AddTab() {
    H0 = (H0 ^ ' ') * HashPrime, H1 = (H1 ^ ' ') * HashPrime;
    H2 = (H2 ^ ' ') * HashPrime, H3 = (H3 ^ ' ') * HashPrime;
    Count += 4;
  }
  size_t Length() const { return Count; }
  uint64_t Hash() const {
    // Back into the order of the lanes' first units, whatever the length.
    const uint64_t turned[4] = {H0, H1, H2, H3};
    uint64_t hash = HashStart;
    for (size_t lane = 0; lane < 4; ++lane) hash = (hash ^ turned[(lane + 4 - Count % 4) % 4]) * HashPrime;
    return (hash ^ Count) * HashPrime;
  }

 private:
  uint64_t H0 = HashStart, H1 = HashStart + 1, H2 = HashStart + 2, H3 = HashStart + 3;
  size_t Count = 0;
};

bool IsTrimmedUnit(uint32_t u) { return u == ' ' || u == '\t' || u == '\r' || u == '\n'; }

}  // namespace

uint64_t HashKeyText(const std::wstring& text) {
  TKeyHasher hasher;
  for (wchar_t c : text) hasher.Add(static_cast<uint32_t>(c));
  return hasher.Hash();
}

TTextKey ClipboardTextKey(const TClipboardDataItem& item, const AnsiCodePagePort& ansi) {
  TTextKey key{item.Format, 0, 0};
  if (item.Format != CfUnicodeText) {
    std::wstring text = TrimKeyText(ClipboardItemText(item, ansi));
    key.Hash = HashKeyText(text);
    key.Length = text.size();
    return key;
  }
  // Straight from the UTF-16 bytes in one pass: a capture of megabytes of text is keyed
  // without a copy. White space is hashed only once something follows it.
  const uint8_t* bytes = item.Data.data();
  const size_t units = item.Data.size() / 2;
  auto unit = [bytes](size_t k) -> uint32_t {
    return static_cast<uint32_t>(bytes[2 * k]) | static_cast<uint32_t>(bytes[2 * k + 1]) << 8;
  };
  TKeyHasher hasher;
  auto add = [&hasher](uint32_t u) {
    if (u == '\t')
      hasher.AddTab();
    else
      hasher.Add(u);
  };
  constexpr size_t None = ~size_t{0};
  size_t pendingFrom = None;  // start of the white run after the last other unit
  bool started = false;
  size_t k = 0;
  for (; k < units; ++k) {
    uint32_t u = unit(k);
    if (u == 0) break;
    if (u <= ' ' && IsTrimmedUnit(u)) {
      if (started && pendingFrom == None) pendingFrom = k;
      continue;
    }
    started = true;
    if (pendingFrom != None) {
      for (size_t j = pendingFrom; j < k; ++j) add(unit(j));
      pendingFrom = None;
    }
    hasher.Add(u);
  }
  // White space only is kept whole.
  if (!started)
    for (size_t j = 0; j < k; ++j) add(unit(j));
  key.Hash = hasher.Hash();
  key.Length = hasher.Length();
  return key;
}

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

TClipboardHistory::THeld::THeld(const TClipboardHistory& owner)
    : Owner(owner), Lock(owner.FLock), Since(std::chrono::steady_clock::now()) {}

TClipboardHistory::THeld::~THeld() {
  const auto held = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - Since);
  Lock.unlock();
  const auto ns = static_cast<uint64_t>(held.count());
  uint64_t longest = Owner.FLongestHoldNs.load(std::memory_order_relaxed);
  while (ns > longest && !Owner.FLongestHoldNs.compare_exchange_weak(longest, ns, std::memory_order_relaxed)) {
  }
}

TClipboardHistory::TMeta TClipboardHistory::MakeMeta(const TClipboardData& data) const {
  TMeta meta;
  meta.Preview = MakeItemPreview(data, FAnsi);
  for (const TClipboardDataItem& item : data.Items) {
    meta.Size += item.Data.size();
    if (IsKeyFormat(item.Format)) meta.Keys.push_back(ClipboardTextKey(item, FAnsi));
  }
  return meta;
}

void TClipboardHistory::Push(TSharedItem data, TMeta&& meta) {
  if (meta.Id == 0) meta.Id = FNextId++;
  FData.push_back(std::move(data));
  FMeta.push_back(std::move(meta));
}

TMergeResult TClipboardHistory::AddClipboardData(TClipboardData& snapshot, const TMergeInput& input) {
  bool repaired = TextFixUp(snapshot, FAnsi);
  // Everything that reads only the snapshot (decoding its texts) happens before the lock.
  auto fresh = std::make_shared<TClipboardData>();
  TClipboardData& taken = *fresh;
  taken.Items = std::move(snapshot.Items);
  snapshot.Items.clear();
  TMeta freshMeta = MakeMeta(taken);
  std::optional<TTextKey> key;
  if (!freshMeta.Keys.empty()) key = freshMeta.Keys.front();
  // The key's full text, built only when a hash agrees (a real replacement, as a rule).
  std::optional<std::wstring> keyText;
  auto snapshotKeyText = [&]() -> const std::wstring& {
    if (!keyText)
      for (const TClipboardDataItem& item : taken.Items)
        if (IsKeyFormat(item.Format)) {
          keyText = TrimKeyText(ClipboardItemText(item, FAnsi));
          break;
        }
    return *keyText;
  };

  std::vector<TSharedItem> dropped;  // freed after the lock
  THeld lock(*this);
  TMergeResult result;
  double time = input.Now;
  bool checked = false;
  for (size_t i = 0; i < FData.size(); ++i) {
    const TClipboardData& entry = *FData[i];
    if (ClipboardDataEqual(taken, entry)) {
      result.Hit = true;
      if (i + 1 != FData.size()) {
        TSharedItem found = FData[i];
        TMeta foundMeta = std::move(FMeta[i]);
        Delete(static_cast<int>(i));
        FDropped.pop_back();  // it stays
        Push(std::move(found), std::move(foundMeta));
        Touch();
      }
      break;
    }
    if (!key) continue;
    const std::vector<TTextKey>& keys = FMeta[i].Keys;
    bool same = false;
    for (size_t f = 0; f < keys.size() && !same; ++f) {
      const TTextKey& k = keys[f];
      if (k != *key) continue;
      // The hash only narrows the search; the texts decide. Keys follow the key formats in order.
      size_t seen = 0;
      for (const TClipboardDataItem& item : entry.Items) {
        if (!IsKeyFormat(item.Format)) continue;
        if (seen++ != f) continue;
        same = TrimKeyText(ClipboardItemText(item, FAnsi)) == snapshotKeyText();
        break;
      }
    }
    if (same) {
      time = entry.Time;
      checked = entry.Checked;
      Delete(static_cast<int>(i));
      result.Replaced = true;
      break;
    }
  }

  if (!result.Hit) {
    LimitCount(input.MaxUnchecked);
    if (FData.size() == ClpCapacity) Delete(0);
    taken.Time = time;
    taken.Checked = checked;
    if (result.Replaced) TimeParityFlip(taken.Time);
    Push(std::move(fresh), std::move(freshMeta));
    result.Appended = true;
    result.SetClipboardTop = repaired;
    Touch();
  }
  LimitMemory(input.MaxMemoryMb);
  result.Count = static_cast<int>(FData.size());
  dropped.swap(FDropped);
  return result;
}

void TClipboardHistory::Delete(int index) {
  if (index < 0 || static_cast<size_t>(index) >= FData.size()) throw std::out_of_range("clipboard item index");
  FDropped.push_back(std::move(FData[static_cast<size_t>(index)]));
  FData.erase(FData.begin() + index);
  FMeta.erase(FMeta.begin() + index);
}

void TClipboardHistory::Touch() {
  FChanged = true;
  ++FVersion;
}

void TClipboardHistory::DeleteClipboardItem(int index) {
  std::vector<TSharedItem> dropped;
  THeld lock(*this);
  Delete(index);
  dropped.swap(FDropped);
}

void TClipboardHistory::LimitCount(int maxUnchecked) {
  if (FData.empty()) return;
  const size_t top = FData.size() - 1;
  long count = 0;
  for (size_t i = 0; i < top; ++i) count += FData[i]->Checked ? 0 : 1;
  size_t from = 0;
  while (count > maxUnchecked) {
    size_t i = from;
    while (i < FData.size() - 1 && FData[i]->Checked) ++i;
    if (i >= FData.size() - 1) break;
    Delete(static_cast<int>(i));
    from = i;
    --count;
    Touch();
  }
}

void TClipboardHistory::LimitMemory(int maxMemoryMb) {
  if (FData.empty()) return;
  const uint64_t limit = MemoryLimitBytes(maxMemoryMb);
  // Positions in FData of the listed sizes, so that removals keep both in step.
  std::vector<size_t> index;
  std::vector<uint64_t> size;
  uint64_t total = 0;
  for (size_t i = 0; i + 1 < FData.size(); ++i) {
    index.push_back(i);
    size.push_back(FData[i]->Checked ? 0 : FMeta[i].Size);
    total += size.back();
  }
  while (std::optional<size_t> chosen = NextMemoryVictim(size, total, limit)) {
    size_t j = *chosen;
    Delete(static_cast<int>(index[j]));
    total -= size[j];
    index.erase(index.begin() + static_cast<std::ptrdiff_t>(j));
    size.erase(size.begin() + static_cast<std::ptrdiff_t>(j));
    for (size_t k = j; k < index.size(); ++k) --index[k];
    Touch();
  }
}

void TClipboardHistory::CheckUncheckedCount(int maxUnchecked) {
  std::vector<TSharedItem> dropped;
  THeld lock(*this);
  LimitCount(maxUnchecked);
  dropped.swap(FDropped);
}

void TClipboardHistory::CheckUncheckedMemory(int maxMemoryMb) {
  std::vector<TSharedItem> dropped;
  THeld lock(*this);
  LimitMemory(maxMemoryMb);
  dropped.swap(FDropped);
}

bool TClipboardHistory::AppendLoaded(TClipboardData record) {
  TMeta meta = MakeMeta(record);  // decoding the texts needs no lock
  auto shared = std::make_shared<const TClipboardData>(std::move(record));
  THeld lock(*this);
  if (FData.size() >= ClpCapacity) return false;
  Push(std::move(shared), std::move(meta));
  return true;
}

void TClipboardHistory::PrependLoaded(std::vector<TClipboardData> older) {
  std::vector<TSharedItem> records;
  records.reserve(older.size());
  for (TClipboardData& record : older) records.push_back(std::make_shared<const TClipboardData>(std::move(record)));
  std::vector<TSharedItem> dropped;
  THeld lock(*this);
  std::vector<TSharedItem> kept;
  for (TSharedItem& record : records) {
    bool there = false;
    for (TSharedItem& item : FData) {
      if (!ClipboardDataEqual(*record, *item)) continue;
      // As for a copy of a stored content: the item keeps when it was first copied and its
      // mark. The stored record has the same bytes and just that time and mark.
      dropped.push_back(std::exchange(item, std::move(record)));
      there = true;
      break;
    }
    if (!there) kept.push_back(std::move(record));
  }
  size_t room = ClpCapacity - std::min(FData.size(), size_t(ClpCapacity));
  if (kept.size() > room) kept.erase(kept.begin(), kept.end() - static_cast<std::ptrdiff_t>(room));
  Touch();
  if (kept.empty()) return;
  std::vector<TMeta> metas;
  for (const TSharedItem& record : kept) metas.push_back(MakeMeta(*record));
  for (TMeta& meta : metas) meta.Id = FNextId++;
  FData.insert(FData.begin(), std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
  FMeta.insert(FMeta.begin(), std::make_move_iterator(metas.begin()), std::make_move_iterator(metas.end()));
}

bool TClipboardHistory::MoveToTop(int index) {
  THeld lock(*this);
  if (index < 0 || static_cast<size_t>(index) >= FData.size()) throw std::out_of_range("clipboard item index");
  if (static_cast<size_t>(index) + 1 == FData.size()) return false;
  TSharedItem data = FData[static_cast<size_t>(index)];
  TMeta meta = std::move(FMeta[static_cast<size_t>(index)]);
  Delete(index);
  FDropped.pop_back();  // it stays
  Push(std::move(data), std::move(meta));
  Touch();
  return true;
}

bool TClipboardHistory::Sort() {
  THeld lock(*this);
  if (FData.empty()) return false;
  const uint64_t topBefore = FMeta.back().Id;
  std::vector<size_t> order(FData.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  // Checked first, then by time; equal keys keep their order.
  std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
    if (FData[a]->Checked != FData[b]->Checked) return FData[a]->Checked;
    return FData[a]->Time < FData[b]->Time;
  });
  std::vector<TSharedItem> data;
  std::vector<TMeta> metas;
  data.reserve(order.size());
  metas.reserve(order.size());
  for (size_t i : order) {
    data.push_back(std::move(FData[i]));
    metas.push_back(std::move(FMeta[i]));
  }
  FData = std::move(data);
  FMeta = std::move(metas);
  Touch();
  return FMeta.back().Id != topBefore;
}

void TClipboardHistory::ReadRow(int index,
                                const std::function<void(const TClipboardData&, const TItemView&)>& read) const {
  THeld lock(*this);
  if (index < 0 || static_cast<size_t>(index) >= FData.size()) throw std::out_of_range("clipboard item index");
  const TMeta& meta = FMeta[static_cast<size_t>(index)];
  read(*FData[static_cast<size_t>(index)], TItemView{meta.Id, meta.Preview});
}

std::vector<uint64_t> TClipboardHistory::ItemIds() const {
  THeld lock(*this);
  std::vector<uint64_t> ids;
  ids.reserve(FMeta.size());
  for (const TMeta& meta : FMeta) ids.push_back(meta.Id);
  return ids;
}

THistorySnapshot TClipboardHistory::Snapshot() const {
  THeld lock(*this);
  return {FData, FVersion};
}

void TClipboardHistory::MarkSaved(uint64_t version) {
  THeld lock(*this);
  if (version == FVersion) FChanged = false;
}

TSharedItem TClipboardHistory::ShareItem(int index) const {
  THeld lock(*this);
  if (index < 0 || static_cast<size_t>(index) >= FData.size()) return nullptr;
  return FData[static_cast<size_t>(index)];
}

void TClipboardHistory::SetChecked(int index, bool checked) {
  TSharedItem old;
  {
    THeld lock(*this);
    if (index < 0 || static_cast<size_t>(index) >= FData.size()) throw std::out_of_range("clipboard item index");
    old = FData[static_cast<size_t>(index)];
    if (old->Checked == checked) return;
  }
  ReplaceChecked(old, checked);
}

bool TClipboardHistory::ReplaceChecked(const TSharedItem& old, bool checked) {
  // A save or a clipboard write may be reading the item: the new mark goes into a copy, made
  // with the lock released.
  auto marked = std::make_shared<TClipboardData>(*old);
  marked->Checked = checked;
  TimeParityFlip(marked->Time);
  std::vector<TSharedItem> dropped;
  THeld lock(*this);
  // The item may have moved meanwhile, or left.
  auto at = std::find(FData.begin(), FData.end(), old);
  if (at == FData.end()) return false;
  dropped.push_back(std::exchange(*at, std::move(marked)));
  Touch();
  return true;
}

int TClipboardHistory::ClpHigh() const {
  THeld lock(*this);
  return static_cast<int>(FData.size()) - 1;
}

bool TClipboardHistory::ClpDataChanged() const {
  THeld lock(*this);
  return FChanged;
}

void TClipboardHistory::SetDataChanged(bool changed) {
  THeld lock(*this);
  if (changed)
    Touch();
  else
    FChanged = false;
}

void TClipboardHistory::ReadItem(int index, const std::function<void(const TClipboardData&)>& read) const {
  THeld lock(*this);
  if (index < 0 || static_cast<size_t>(index) >= FData.size()) throw std::out_of_range("clipboard item index");
  read(*FData[static_cast<size_t>(index)]);
}

void TClipboardHistory::ReadAll(const std::function<void(int, const TClipboardData&)>& read) const {
  THeld lock(*this);
  for (size_t i = 0; i < FData.size(); ++i) read(static_cast<int>(i), *FData[i]);
}

std::optional<int> TClipboardHistory::IndexOfId(uint64_t id) const {
  THeld lock(*this);
  return FindId(id);
}

std::optional<int> TClipboardHistory::FindId(uint64_t id) const {
  // Newest first: the window acts mostly on the rows at its top.
  for (size_t i = FMeta.size(); i-- > 0;)
    if (FMeta[i].Id == id) return static_cast<int>(i);
  return std::nullopt;
}

bool TClipboardHistory::ReadById(uint64_t id,
                                 const std::function<void(const TClipboardData&, const TItemView&)>& read) const {
  THeld lock(*this);
  std::optional<int> index = FindId(id);
  if (!index) return false;
  const TMeta& meta = FMeta[static_cast<size_t>(*index)];
  read(*FData[static_cast<size_t>(*index)], TItemView{meta.Id, meta.Preview});
  return true;
}

bool TClipboardHistory::ReadNewest(const std::function<void(const TClipboardData&, const TItemView&)>& read) const {
  THeld lock(*this);
  if (FData.empty()) return false;
  read(*FData.back(), TItemView{FMeta.back().Id, FMeta.back().Preview});
  return true;
}

TSharedItem TClipboardHistory::ShareById(uint64_t id) const {
  THeld lock(*this);
  std::optional<int> index = FindId(id);
  return index ? FData[static_cast<size_t>(*index)] : nullptr;
}

TSharedItem TClipboardHistory::ShareNewest() const {
  THeld lock(*this);
  return FData.empty() ? nullptr : FData.back();
}

TClipboardHistory::TDeletedById TClipboardHistory::DeleteById(uint64_t id) {
  std::vector<TSharedItem> dropped;
  THeld lock(*this);
  std::optional<int> index = FindId(id);
  if (!index) return {};
  const bool newest = static_cast<size_t>(*index) + 1 == FData.size();
  Delete(*index);
  dropped.swap(FDropped);
  return {true, newest};
}

bool TClipboardHistory::MoveToTopById(uint64_t id) {
  THeld lock(*this);
  std::optional<int> index = FindId(id);
  if (!index || static_cast<size_t>(*index) + 1 == FData.size()) return false;
  TSharedItem data = FData[static_cast<size_t>(*index)];
  TMeta meta = std::move(FMeta[static_cast<size_t>(*index)]);
  Delete(*index);
  FDropped.pop_back();  // it stays
  Push(std::move(data), std::move(meta));
  Touch();
  return true;
}

bool TClipboardHistory::SetCheckedById(uint64_t id, bool checked) {
  TSharedItem old;
  {
    THeld lock(*this);
    std::optional<int> index = FindId(id);
    if (!index) return false;
    old = FData[static_cast<size_t>(*index)];
    if (old->Checked == checked) return true;
  }
  return ReplaceChecked(old, checked);
}

}  // namespace pelorin
