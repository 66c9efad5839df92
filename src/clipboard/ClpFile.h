#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/ClipboardData.h"
#include "clipboard/ClpFilePort.h"

namespace pelorin {

inline constexpr uint32_t ClpSignature = 0x1A135561;
inline constexpr int32_t ClpMaxItems = 500;
inline constexpr uint32_t ClpMaxFormats = 500;
inline constexpr uint32_t ClpMaxDataLength = 1u << 30;
inline constexpr uint64_t ClpHeaderSize = 8;

// Shown by the Windows side (caption "Pelorin", error icon) once after a damaged load.
inline constexpr std::wstring_view ClpDamagedMessage =
    L"A clipboard data file is damaged and will be rewrited! All possible data was loaded";

// What the file holds already, as far as the writer knows: one entry per stored item, oldest
// first. The writer appends after End only when the file still starts with exactly these items.
struct TClpStoredItem {
  uint64_t TimeBits = 0;
  bool Checked = false;
  uint64_t Size = 0;  // bytes of the whole record
  bool operator==(const TClpStoredItem&) const = default;
};
struct TClpStored {
  bool Known = false;
  std::vector<TClpStoredItem> Items;
  uint64_t End = ClpHeaderSize;  // first byte after the last stored item
};

enum class ClpLoadStatus {
  NoFile,      // nothing there: an empty history
  // There but could not be opened or read (held by another program for a moment). Load again
  // before the first save: a save replaces a file it knows nothing of.
  Unreadable,
  Foreign,     // shorter than 4 bytes or another signature: nothing loaded, no message
  Loaded,
  Damaged,  // the intact leading items were loaded; save at once and show ClpDamagedMessage
};

struct TClpLoadResult {
  ClpLoadStatus Status = ClpLoadStatus::NoFile;
  std::vector<TClipboardData> Items;  // oldest first
  TClpStored Stored;
};

// Reads the history. Never reads outside the file and never allocates a data block before
// knowing the file holds that many bytes.
TClpLoadResult LoadClipboardFile(ClpFilePort& files, const std::wstring& path);

// Writes the history (oldest first) so that a crash at any moment leaves a file that loads to
// the history before or after the save. On success stored describes the file; on failure the
// file on disk still loads to the history it held, stored stays usable and the caller tries
// again at the next trigger. A file that exists but cannot be opened is left alone. More than
// 500 items are refused: the history never holds them.
bool SaveClipboardFile(ClpFilePort& files, const std::wstring& path, std::span<const TClipboardData> history,
                       TClpStored& stored);
// The same for the history's shared items (none of them null).
bool SaveClipboardSnapshot(ClpFilePort& files, const std::wstring& path,
                           std::span<const std::shared_ptr<const TClipboardData>> history, TClpStored& stored);

// The bytes of one item record, as the file holds them.
uint64_t ClpRecordSize(const TClipboardData& item);

// The whole file for a history, for tests and tools.
std::string ClpFileBytes(std::span<const TClipboardData> history);

}  // namespace pelorin
