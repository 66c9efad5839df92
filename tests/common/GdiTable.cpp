#include "GdiTable.h"

#include <winternl.h>

#include <cstdio>
#include <vector>

namespace pelorin::test {

namespace {

// Where Wine hangs its table on the 64-bit PEB (where Windows hangs the shared one): one
// 24-byte entry a handle: byte 14 its type (0: a free entry), byte 12 its finer type in the low
// 7 bits and the stock flag in bit 7.
constexpr size_t PebGdiTableOffset = 0xF8;
constexpr size_t GdiEntrySize = 24;
constexpr size_t GdiEntries = 0x10000;

}  // namespace

const char* GdiTypeName(int type) {
  switch (type) {
    case GdiDc: return "DC";
    case GdiMemoryDc: return "memory DC";
    case GdiRegion: return "region";
    case GdiBitmap: return "bitmap";
    case GdiPalette: return "palette";
    case GdiFont: return "font";
    case GdiBrush: return "brush";
    case GdiPen: return "pen";
    case GdiExtPen: return "extpen";
    default: return nullptr;
  }
}

namespace {

std::string NameOf(int type) {
  if (const char* name = GdiTypeName(type)) return name;
  char text[16];
  std::snprintf(text, sizeof(text), "type 0x%02x", type);
  return text;
}

}  // namespace

std::string TGdiCounts::Describe() const {
  std::string text;
  for (const auto& [type, count] : ByType) {
    if (count == 0) continue;
    if (!text.empty()) text += ", ";
    text += NameOf(type) + " " + std::to_string(count);
  }
  return text;
}

std::string TGdiCounts::ChangeFrom(const TGdiCounts& before) const {
  std::map<int, long> change;
  for (const auto& [type, count] : ByType) change[type] += count;
  for (const auto& [type, count] : before.ByType) change[type] -= count;
  std::string text;
  for (const auto& [type, delta] : change) {
    if (delta == 0) continue;
    if (!text.empty()) text += ", ";
    text += NameOf(type) + (delta > 0 ? " +" : " ") + std::to_string(delta);
  }
  return text;
}

std::optional<TGdiCounts> CountGdiObjects(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &length) != 0)
    return std::nullopt;
  ULONG64 table = 0;
  if (!::ReadProcessMemory(process, reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + PebGdiTableOffset, &table,
                           sizeof(table), nullptr) ||
      table == 0)
    return std::nullopt;
  std::vector<BYTE> entries(GdiEntries * GdiEntrySize);
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(), nullptr))
    return std::nullopt;
  TGdiCounts counts;
  for (size_t i = 0; i < GdiEntries; ++i) {
    const BYTE* e = entries.data() + i * GdiEntrySize;
    const bool stock = (e[12] & 0x80) != 0;
    if (e[14] == 0 || stock) continue;
    ++counts.Total;
    ++counts.ByType[e[12] & 0x7f];
  }
  return counts;
}

}  // namespace pelorin::test
