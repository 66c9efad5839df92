#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pelorin {

// What a CF_DIB block describes, with the 14-byte file header that lets a BMP loader take it.
struct TDibPicture {
  int32_t Width = 0;
  int32_t Height = 0;  // positive; TopDown tells the row order
  bool TopDown = false;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t ColorCount = 0;  // palette entries between the header and the pixels
  uint32_t OffBits = 0;     // bfOffBits: where the pixels start in the file (header included)
  uint32_t FileSize = 0;    // bfSize
  size_t LoadBytes = 0;     // bytes of the block that follow the file header, never past its end
};

// The 40-byte header checked against the block: sizes, bit count, compression, palette and
// pixels all inside the block, every sum in 64 bits. Nothing when the block is no such picture.
std::optional<TDibPicture> DibToBitmap(std::span<const uint8_t> data);

// A picture's BITMAPINFO in a block of its own, as GDI reads it: the 40-byte header, three
// colour masks for BI_BITFIELDS, then ColorCount colour entries. What the block lacks of it
// stays zero (a BI_BITFIELDS block without its masks draws black rather than reading past
// its end). PixelsAt is where the pixels start in the block; they lie wholly inside it.
struct TDibInfo {
  std::vector<uint8_t> Info;
  size_t PixelsAt = 0;
};
TDibInfo DibInfoBlock(std::span<const uint8_t> data, const TDibPicture& picture);

// The BITMAPFILEHEADER for a picture, little-endian.
void DibFileHeader(const TDibPicture& picture, uint8_t (&header)[14]);

// Where a picture goes in a thumbnail box of at most MaxWidth x MaxHeight, keeping its aspect.
struct TFitBox {
  int Width = 0;   // the thumbnail's size
  int Height = 0;
  bool Stretch = false;  // scaled over the whole box; otherwise drawn unscaled at X, Y
  int X = 0;
  int Y = 0;
};

// Nothing for a source or a box without area, or when the scaled picture rounds to no area.
std::optional<TFitBox> FitBitmap(int sourceWidth, int sourceHeight, int maxWidth, int maxHeight);

}  // namespace pelorin
