// Thumbnails of clipboard pictures: the fitted size, where the picture lands in it, and blocks
// that are no picture.
#include "clipboard/win/ClipboardThumbnail.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace pelorin::test {
namespace {

// A packed DIB of one colour, 24 bits a pixel, bottom-up.
std::vector<uint8_t> PlainDib(int width, int height, COLORREF colour) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> dib(sizeof(header) + size_t(stride) * height, 0);
  std::memcpy(dib.data(), &header, sizeof(header));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = dib.data() + sizeof(header) + size_t(y) * stride + size_t(x) * 3;
      p[0] = GetBValue(colour), p[1] = GetGValue(colour), p[2] = GetRValue(colour);
    }
  return dib;
}

struct TPixels {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Rgb;  // top-down, 0x00RRGGBB
  uint32_t At(int x, int y) const { return Rgb[size_t(y) * Width + x] & 0xFFFFFF; }
};

TPixels Read(HBITMAP bitmap) {
  DIBSECTION section{};
  TPixels out;
  if (::GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return out;
  out.Width = section.dsBm.bmWidth;
  out.Height = section.dsBm.bmHeight;
  const auto* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
  out.Rgb.assign(bits, bits + size_t(out.Width) * out.Height);
  return out;
}

TEST(ClipboardThumbnail, ASmallPictureIsCentredUnscaledALargeOneFillsItsFittedBox) {
  constexpr uint32_t White = 0xFFFFFF, Red = 0xFF0000, Blue = 0x0000FF;
  struct Case {
    const char* Name;
    int Width, Height;
    COLORREF Colour;
    int BoxWidth, BoxHeight;
    // The thumbnail's size, then a point that shows the picture and one that shows the background.
    int ThumbWidth, ThumbHeight;
    POINT Inside;
    std::optional<POINT> Outside;
    uint32_t InsideRgb;
  } cases[] = {
      {"4 x 4 into 40 x 40: unscaled in the middle", 4, 4, RGB(255, 0, 0), 40, 40, 40, 40, {19, 19}, POINT{2, 2}, Red},
      {"100 x 50 into 40 x 40: a 40 x 20 box, stretched", 100, 50, RGB(0, 0, 255), 40, 40, 40, 20, {20, 10}, {}, Blue},
      {"30 x 90 into 40 x 40: a 13 x 40 box", 30, 90, RGB(0, 0, 255), 40, 40, 13, 40, {6, 39}, {}, Blue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TOwnedBitmap thumbnail = MakeThumbnail(PlainDib(c.Width, c.Height, c.Colour), c.BoxWidth, c.BoxHeight);
    ASSERT_TRUE(thumbnail);
    TPixels pixels = Read(thumbnail.Get());
    ASSERT_EQ(pixels.Width, c.ThumbWidth);
    ASSERT_EQ(pixels.Height, c.ThumbHeight);
    EXPECT_EQ(pixels.At(c.Inside.x, c.Inside.y), c.InsideRgb);
    if (c.Outside) {
      EXPECT_EQ(pixels.At(c.Outside->x, c.Outside->y), White);
    }
  }
}

TEST(ClipboardThumbnail, BlocksThatAreNoPictureGiveNone) {
  std::vector<uint8_t> good = PlainDib(8, 8, RGB(1, 2, 3));
  std::vector<uint8_t> cut(good.begin(), good.end() - 10);
  std::vector<uint8_t> text{'h', 'e', 'l', 'l', 'o'};
  EXPECT_FALSE(MakeThumbnail(cut, 40, 40)) << "pixels past the block's end";
  EXPECT_FALSE(MakeThumbnail(text, 40, 40));
  EXPECT_FALSE(MakeThumbnail(good, 0, 40)) << "a box without area";
  EXPECT_TRUE(MakeThumbnail(good, 40, 40));
}

TEST(ClipboardThumbnail, BitFieldsWithAColourTableTakeTheirMasksAndPixelsFromTheRightPlaces) {
  // 32 bits with the masks of B, G, R in the low three bytes the other way round (red in the
  // low byte), then three colour entries of white, then a red picture. A header copy without
  // room for the table after the masks, or pixels taken from where the table is, shows white
  // or blue.
  constexpr int Width = 6, Height = 4;
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + 12 + 12 + size_t(Width) * Height * 4, 0);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = Width;
  header.biHeight = Height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_BITFIELDS;
  header.biClrUsed = 3;
  std::memcpy(dib.data(), &header, sizeof(header));
  const uint32_t masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red, green, blue
  std::memcpy(dib.data() + 40, masks, sizeof(masks));
  const uint32_t table[3] = {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF};
  std::memcpy(dib.data() + 52, table, sizeof(table));
  for (int i = 0; i < Width * Height; ++i) {
    const uint32_t red = 0x000000FF;
    std::memcpy(dib.data() + 64 + 4 * size_t(i), &red, 4);
  }
  TOwnedBitmap thumbnail = MakeThumbnail(dib, 40, 40);
  ASSERT_TRUE(thumbnail);
  TPixels pixels = Read(thumbnail.Get());
  ASSERT_EQ(pixels.Width, 40);
  ASSERT_EQ(pixels.Height, 26);
  // Unscaled in the middle of the 40 x 26 box: rows 11 .. 14, columns 17 .. 22; the bottom
  // row comes first in memory.
  for (int x = 17; x < 23; ++x) {
    EXPECT_EQ(pixels.At(x, 14), 0xFF0000u) << "bottom row, column " << x;
    EXPECT_EQ(pixels.At(x, 11), 0xFF0000u) << "top row, column " << x;
  }
  EXPECT_EQ(pixels.At(16, 11), 0xFFFFFFu) << "the background beside it";
}

}  // namespace
}  // namespace pelorin::test
