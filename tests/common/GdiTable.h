// Live GDI objects of a process, counted by type. Wine does not implement GetGuiResources; it
// keeps a per-process GDI handle table hung on the PEB, which is read here instead.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>

namespace pelorin::test {

struct TGdiCounts {
  long Total = 0;
  std::map<int, long> ByType;  // by the types below
  long Of(int type) const {
    auto it = ByType.find(type);
    return it == ByType.end() ? 0 : it->second;
  }
  // "DC 3, bitmap 12, font 7": the types whose count is not 0.
  std::string Describe() const;
  // What grew from `before` to this, type by type: "bitmap +3, font -1", "" when nothing did.
  std::string ChangeFrom(const TGdiCounts& before) const;
};

// Object types as Wine's table entries give them (the low 7 bits of byte 12, finer than the
// type byte 14, which takes a pen for a brush and a memory DC for a DC).
inline constexpr int GdiDc = 0x01, GdiMemoryDc = 0x41, GdiRegion = 0x04, GdiPalette = 0x08, GdiBitmap = 0x09,
                     GdiFont = 0x0a, GdiBrush = 0x10, GdiPen = 0x30, GdiExtPen = 0x50;
// Null for a type without a name here.
const char* GdiTypeName(int type);

// The live, non-stock entries of the process's table (a handle with PROCESS_QUERY_INFORMATION
// and PROCESS_VM_READ; GetCurrentProcess() for this one). Nothing where there is no such
// table (Windows itself, where GetGuiResources answers instead).
std::optional<TGdiCounts> CountGdiObjects(HANDLE process);

}  // namespace pelorin::test
