#pragma once
#include <windows.h>

#include <cstdint>
#include <span>

#include "common/win/Owned.h"

namespace pelorin {

// The thumbnail of a CF_DIB block for a box of at most maxWidth x maxHeight pixels: a 32-bit
// bitmap of the fitted size, the picture drawn unscaled and centred when it is smaller, else
// stretched over it. Null when the block is no picture GDI can draw or the box has no area.
// Reads nothing outside the block.
TOwnedBitmap MakeThumbnail(std::span<const uint8_t> dib, int maxWidth, int maxHeight);

}  // namespace pelorin
