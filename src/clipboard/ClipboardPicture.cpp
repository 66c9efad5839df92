#include "clipboard/ClipboardPicture.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pelorin {
namespace {

constexpr size_t InfoHeaderSize = 40;
constexpr uint64_t FileHeaderSize = 14;
constexpr uint32_t BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3;

uint32_t U32(std::span<const uint8_t> d, size_t at) {
  return static_cast<uint32_t>(d[at]) | static_cast<uint32_t>(d[at + 1]) << 8 | static_cast<uint32_t>(d[at + 2]) << 16 |
         static_cast<uint32_t>(d[at + 3]) << 24;
}
uint16_t U16(std::span<const uint8_t> d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }
int32_t I32(std::span<const uint8_t> d, size_t at) { return static_cast<int32_t>(U32(d, at)); }

bool CompressionFits(uint32_t compression, uint16_t bits) {
  switch (compression) {
    case BiRgb: return true;
    case BiRle8: return bits == 8;
    case BiRle4: return bits == 4;
    case BiBitfields: return bits == 16 || bits == 32;
    default: return false;  // JPEG and PNG payloads are not drawn
  }
}

}  // namespace

std::optional<TDibPicture> DibToBitmap(std::span<const uint8_t> data) {
  if (data.size() < InfoHeaderSize || U32(data, 0) != InfoHeaderSize) return std::nullopt;
  TDibPicture p;
  p.Width = I32(data, 4);
  int32_t height = I32(data, 8);
  p.BitCount = U16(data, 14);
  p.Compression = U32(data, 16);
  const uint32_t sizeImage = U32(data, 20);
  const uint32_t clrUsed = U32(data, 32);
  if (p.Width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() || U16(data, 12) != 1)
    return std::nullopt;
  if (p.BitCount != 1 && p.BitCount != 4 && p.BitCount != 8 && p.BitCount != 16 && p.BitCount != 24 &&
      p.BitCount != 32)
    return std::nullopt;
  if (!CompressionFits(p.Compression, p.BitCount)) return std::nullopt;
  p.TopDown = height < 0;
  p.Height = p.TopDown ? -height : height;
  // Top-down pictures cannot be compressed.
  if (p.TopDown && (p.Compression == BiRle8 || p.Compression == BiRle4)) return std::nullopt;

  uint64_t colors = clrUsed;
  if (colors == 0 && p.BitCount <= 8) colors = uint64_t{1} << p.BitCount;
  if (p.BitCount <= 8 && colors > (uint64_t{1} << p.BitCount)) return std::nullopt;
  const uint64_t offBits = FileHeaderSize + InfoHeaderSize + 4 * colors;
  if (offBits - FileHeaderSize > data.size()) return std::nullopt;
  const uint64_t available = data.size() - (offBits - FileHeaderSize);

  uint64_t pixelBytes = sizeImage;
  if (p.Compression == BiRgb || p.Compression == BiBitfields) {
    const uint64_t stride = (static_cast<uint64_t>(p.Width) * p.BitCount + 31) / 32 * 4;
    if (static_cast<uint64_t>(p.Height) > available / stride) return std::nullopt;
    const uint64_t needed = stride * static_cast<uint64_t>(p.Height);
    // A size of 0 means "as the dimensions give"; a smaller one would leave rows unread.
    if (pixelBytes == 0) pixelBytes = needed;
    if (pixelBytes < needed) return std::nullopt;
  } else if (pixelBytes == 0 || pixelBytes > available) {
    return std::nullopt;  // compressed pixels carry their length only in the header
  }
  const uint64_t fileSize = offBits + pixelBytes;
  if (fileSize > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  p.ColorCount = static_cast<uint32_t>(colors);
  p.OffBits = static_cast<uint32_t>(offBits);
  p.FileSize = static_cast<uint32_t>(fileSize);
  p.LoadBytes = static_cast<size_t>(std::min<uint64_t>(fileSize - FileHeaderSize, data.size()));
  return p;
}

TDibInfo DibInfoBlock(std::span<const uint8_t> data, const TDibPicture& picture) {
  constexpr size_t MaskBytes = 12;
  const size_t colours = 4 * size_t(picture.ColorCount);
  const size_t masks = picture.Compression == BiBitfields ? MaskBytes : 0;
  TDibInfo out;
  // GDI reads the masks before the colour table, so the block is as long as both together.
  out.Info.assign(InfoHeaderSize + masks + colours, 0);
  std::memcpy(out.Info.data(), data.data(), InfoHeaderSize);
  // The masks are there when the block holds them besides the table and the pixels; a block
  // without them gets zero masks, and its table and pixels follow the header directly.
  size_t masksThere = 0;
  if (masks != 0) {
    const size_t stride = (size_t(picture.Width) * picture.BitCount + 31) / 32 * 4;
    if (data.size() - InfoHeaderSize - colours >= MaskBytes &&
        (data.size() - InfoHeaderSize - colours - MaskBytes) / stride >= size_t(picture.Height))
      masksThere = MaskBytes;
  }
  std::memcpy(out.Info.data() + InfoHeaderSize, data.data() + InfoHeaderSize, masksThere);
  std::memcpy(out.Info.data() + InfoHeaderSize + masks, data.data() + InfoHeaderSize + masksThere, colours);
  out.PixelsAt = InfoHeaderSize + masksThere + colours;
  return out;
}

void DibFileHeader(const TDibPicture& picture, uint8_t (&header)[14]) {
  auto put32 = [&header](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, picture.FileSize);
  put32(6, 0);  // both reserved words
  put32(10, picture.OffBits);
}

std::optional<TFitBox> FitBitmap(int sourceWidth, int sourceHeight, int maxWidth, int maxHeight) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || maxWidth <= 0 || maxHeight <= 0) return std::nullopt;
  TFitBox box;
  const int64_t h = int64_t{sourceHeight} * maxWidth / sourceWidth;
  if (h < maxHeight) {
    box.Width = maxWidth;
    box.Height = static_cast<int>(h);
  } else {
    box.Width = static_cast<int>(int64_t{sourceWidth} * maxHeight / sourceHeight);
    box.Height = maxHeight;
  }
  // A very long and thin picture can round to nothing.
  if (box.Width == 0 || box.Height == 0) return std::nullopt;
  if (sourceWidth <= box.Width && sourceHeight <= box.Height) {
    box.X = (box.Width - sourceWidth) / 2;
    box.Y = (box.Height - sourceHeight) / 2;
  } else {
    box.Stretch = true;
  }
  return box;
}

}  // namespace pelorin
