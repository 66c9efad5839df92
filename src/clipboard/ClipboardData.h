#pragma once
#include <cstdint>
#include <vector>

namespace pelorin {

// Clipboard format numbers the history looks into.
inline constexpr uint32_t CfText = 1;
inline constexpr uint32_t CfDib = 8;
inline constexpr uint32_t CfUnicodeText = 13;
inline constexpr uint32_t CfHDrop = 15;

// One format of one clipboard content: its number and the whole memory block as the system
// reported its size (it may carry padding past the logical end); empty when it had no data.
struct TClipboardDataItem {
  uint32_t Format = 0;
  std::vector<uint8_t> Data;

  bool operator==(const TClipboardDataItem&) const = default;
};

// One clipboard content: a fresh snapshot or one history item. Time is when this content was
// first copied, as a date-time double (days since 1899-12-30, local time); Items are the
// formats in the order the clipboard enumerated them. Thumbnails are the Windows side's.
struct TClipboardData {
  double Time = 0;
  bool Checked = false;
  std::vector<TClipboardDataItem> Items;

  // All the format bytes, 64-bit: a history may hold gigabytes.
  uint64_t DataSize() const {
    uint64_t size = 0;
    for (const TClipboardDataItem& item : Items) size += item.Data.size();
    return size;
  }
};

// What one read of the clipboard found. "Empty" and "not captured" are different answers: only
// a clipboard with no format at all may get a history item back unasked.
enum class ClipboardReadStatus {
  Captured,     // the snapshot holds the content
  Empty,        // the clipboard holds no format at all
  NotCaptured,  // it holds something the history does not keep (marked by its source, only
                // handle formats), or it stayed busy
};

}  // namespace pelorin
