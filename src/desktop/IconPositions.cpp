#include "desktop/IconPositions.h"

#include <limits>
#include <vector>

namespace pelorin {

namespace {

std::wstring Record(const TDesktopIcon& icon) {
  return L"|" + icon.Caption + L"|" + std::to_wstring(icon.X) + L"|" + std::to_wstring(icon.Y);
}

// A signed decimal number filling the whole field, within 32 bits.
std::optional<int32_t> ParseCoordinate(std::wstring_view field) {
  bool negative = false;
  if (!field.empty() && field.front() == L'-') {
    negative = true;
    field.remove_prefix(1);
  }
  if (field.empty() || field.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (wchar_t c : field) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

// One saved record: a caption and its two coordinate fields, as stored.
struct TSavedRecord {
  std::wstring_view Caption, X, Y;
  bool Used = false;
};

// "|caption|x|y" records one after another. Fields missing at the end stay empty, which no
// coordinate parse accepts.
std::vector<TSavedRecord> SplitRecords(std::wstring_view saved) {
  std::vector<std::wstring_view> fields;
  for (size_t at = saved.find(L'|'); at != std::wstring_view::npos;) {
    const size_t next = saved.find(L'|', at + 1);
    fields.push_back(saved.substr(at + 1, next == std::wstring_view::npos ? std::wstring_view::npos : next - at - 1));
    at = next;
  }
  std::vector<TSavedRecord> records;
  for (size_t i = 0; i < fields.size(); i += 3)
    records.push_back({fields[i], i + 1 < fields.size() ? fields[i + 1] : std::wstring_view{},
                       i + 2 < fields.size() ? fields[i + 2] : std::wstring_view{}});
  return records;
}

}  // namespace

std::optional<std::wstring> SaveIconPositions(DesktopListPort& list) {
  std::wstring text;
  const int count = list.ItemCount();
  for (int i = 0; i < count; ++i) {
    std::optional<TDesktopIcon> icon = list.ReadItem(i);
    if (!icon) return std::nullopt;
    text += Record(*icon);
  }
  return text;
}

TRestoreResult RestoreIconPositions(DesktopListPort& list, std::wstring_view saved) {
  std::vector<TSavedRecord> records = SplitRecords(saved);
  TRestoreResult result;
  const int count = list.ItemCount();
  for (int i = 0; i < count; ++i) {
    std::optional<TDesktopIcon> icon = list.ReadItem(i);
    if (!icon) continue;  // an icon that cannot be read keeps its place
    const std::wstring x = std::to_wstring(icon->X), y = std::to_wstring(icon->Y);
    // Where it was saved: that record is taken. The record saved last never counts, so the
    // icon saved last is always set again and an automatic restore makes its second pass.
    bool inPlace = false;
    for (size_t r = 0; r + 1 < records.size() && !inPlace; ++r) {
      TSavedRecord& rec = records[r];
      if (!rec.Used && rec.Caption == icon->Caption && rec.X == x && rec.Y == y) rec.Used = inPlace = true;
    }
    if (inPlace) continue;
    result.Moved = true;
    // The first record of its caption not yet taken: a second icon of that caption gets the next.
    TSavedRecord* target = nullptr;
    for (TSavedRecord& rec : records)
      if (!rec.Used && rec.Caption == icon->Caption) {
        target = &rec;
        break;
      }
    if (target == nullptr) continue;  // not saved
    const std::optional<int32_t> newX = ParseCoordinate(target->X), newY = ParseCoordinate(target->Y);
    if (!newX || !newY) {
      result.Failed = true;
      return result;
    }
    list.MoveItem(i, *newX, *newY);
    target->Used = true;
  }
  return result;
}

TRestoreResult AutoRestoreIconPositions(DesktopListPort& list, std::wstring_view saved) {
  TRestoreResult first = RestoreIconPositions(list, saved);
  if (!first.Moved || first.Failed) return first;
  return RestoreIconPositions(list, saved);
}

}  // namespace pelorin
