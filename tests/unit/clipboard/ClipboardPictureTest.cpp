#include "clipboard/ClipboardPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pelorin {
namespace {

struct DibFields {
  int32_t Width = 4;
  int32_t Height = 2;
  uint16_t Planes = 1;
  uint16_t Bits = 24;
  uint32_t Compression = 0;
  uint32_t SizeImage = 0;
  uint32_t ClrUsed = 0;
  uint32_t HeaderSize = 40;
};

// A packed DIB: the 40-byte header followed by 'tail' bytes of palette and pixels.
std::vector<uint8_t> Dib(const DibFields& s, size_t tail) {
  std::vector<uint8_t> d(40 + tail, 0);
  auto put32 = [&d](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, s.HeaderSize);
  put32(4, static_cast<uint32_t>(s.Width));
  put32(8, static_cast<uint32_t>(s.Height));
  d[12] = static_cast<uint8_t>(s.Planes);
  d[14] = static_cast<uint8_t>(s.Bits);
  put32(16, s.Compression);
  put32(20, s.SizeImage);
  put32(32, s.ClrUsed);
  return d;
}

TEST(DibToBitmap, ValidPicturesAndTheirFileHeader) {
  struct Case {
    const char* Name;
    DibFields Fields;
    size_t Tail;
    uint32_t Colors, OffBits, FileSize;
    size_t LoadBytes;
  };
  const Case cases[] = {
      // 4 pixels of 24 bits: 12 bytes a row, 2 rows.
      {"24-bit, size given", {4, 2, 1, 24, 0, 24, 0}, 24, 0, 54, 78, 64},
      {"24-bit, size 0 means computed", {4, 2, 1, 24, 0, 0, 0}, 24, 0, 54, 78, 64},
      {"rows padded to 4 bytes", {5, 1, 1, 24, 0, 0, 0}, 16, 0, 54, 70, 56},
      {"8-bit: full palette", {4, 2, 1, 8, 0, 0, 0}, 1024 + 8, 256, 1078, 1086, 1072},
      {"8-bit: used colours only", {4, 2, 1, 8, 0, 0, 3}, 12 + 8, 3, 66, 74, 60},
      {"1-bit", {9, 3, 1, 1, 0, 0, 0}, 8 + 12, 2, 62, 74, 60},
      {"4-bit", {3, 1, 1, 4, 0, 0, 0}, 64 + 4, 16, 118, 122, 108},
      {"32-bit top-down", {2, -2, 1, 32, 0, 0, 0}, 16, 0, 54, 70, 56},
      {"padding after the pixels is not loaded", {4, 2, 1, 24, 0, 24, 0}, 100, 0, 54, 78, 64},
      {"size larger than the block: the loader gets the block", {4, 2, 1, 24, 0, 1000, 0}, 24, 0, 54, 1054, 64},
      {"RLE8 with its length", {4, 2, 1, 8, 1, 10, 2}, 8 + 10, 2, 62, 72, 58},
      {"bit fields, masks not counted", {4, 2, 1, 32, 3, 32, 0}, 12 + 32, 0, 54, 86, 72},
      {"a palette on a 24-bit picture", {4, 2, 1, 24, 0, 0, 2}, 8 + 24, 2, 62, 86, 72},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data = Dib(c.Fields, c.Tail);
    std::optional<TDibPicture> p = DibToBitmap(data);
    ASSERT_TRUE(p) << c.Name;
    EXPECT_EQ(p->Width, c.Fields.Width) << c.Name;
    EXPECT_EQ(p->Height, c.Fields.Height < 0 ? -c.Fields.Height : c.Fields.Height) << c.Name;
    EXPECT_EQ(p->TopDown, c.Fields.Height < 0) << c.Name;
    EXPECT_EQ(p->ColorCount, c.Colors) << c.Name;
    EXPECT_EQ(p->OffBits, c.OffBits) << c.Name;
    EXPECT_EQ(p->FileSize, c.FileSize) << c.Name;
    EXPECT_EQ(p->LoadBytes, c.LoadBytes) << c.Name;
  }
}

TEST(DibToBitmap, FileHeaderBytes) {
  std::optional<TDibPicture> p = DibToBitmap(Dib({4, 2, 1, 8, 0, 0, 3}, 20));
  ASSERT_TRUE(p);
  uint8_t header[14];
  DibFileHeader(*p, header);
  const uint8_t expected[14] = {'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(header, header + 14), std::vector<uint8_t>(expected, expected + 14));
}

TEST(DibToBitmap, RefusesBlocksThatAreNoPicture) {
  struct Case {
    const char* Name;
    DibFields Fields;
    size_t Tail;
  };
  const Case cases[] = {
      {"pixels cut short", {4, 2, 1, 24, 0, 0, 0}, 23},
      {"size smaller than the rows", {4, 2, 1, 24, 0, 12, 0}, 24},
      {"palette cut short", {4, 2, 1, 8, 0, 0, 0}, 1000},
      {"more colours than the bits allow", {4, 2, 1, 8, 0, 0, 257}, 2000},
      {"huge colour count", {4, 2, 1, 24, 0, 0, 0xFFFFFFFF}, 64},
      {"zero width", {0, 2, 1, 24, 0, 0, 0}, 24},
      {"negative width", {-4, 2, 1, 24, 0, 0, 0}, 24},
      {"zero height", {4, 0, 1, 24, 0, 0, 0}, 24},
      {"most negative height", {4, INT32_MIN, 1, 24, 0, 0, 0}, 24},
      {"two planes", {4, 2, 2, 24, 0, 0, 0}, 24},
      {"bit count 0", {4, 2, 1, 0, 0, 0, 0}, 24},
      {"bit count 7", {4, 2, 1, 7, 0, 0, 0}, 24},
      {"RLE8 on 24 bits", {4, 2, 1, 24, 1, 10, 0}, 24},
      {"RLE4 top-down", {4, -2, 1, 4, 2, 4, 0}, 64 + 4},
      {"RLE8 top-down", {4, -2, 1, 8, 1, 10, 2}, 8 + 10},
      {"RLE without a length", {4, 2, 1, 8, 1, 0, 2}, 8 + 10},
      {"RLE length past the block", {4, 2, 1, 8, 1, 11, 2}, 8 + 10},
      {"JPEG payload", {4, 2, 1, 24, 4, 10, 0}, 24},
      {"bit fields on 24 bits", {4, 2, 1, 24, 3, 24, 0}, 24},
      {"another header size", {4, 2, 1, 24, 0, 0, 0, 124}, 124},
      {"rows times height past 64 bits", {0x7FFFFFFF, 0x7FFFFFFF, 1, 32, 0, 0, 0}, 64},
      {"file size past 32 bits", {4, 2, 1, 24, 0, 0xFFFFFFF0, 0}, 24},
  };
  for (const Case& c : cases) EXPECT_FALSE(DibToBitmap(Dib(c.Fields, c.Tail))) << c.Name;
  for (size_t n : {0, 1, 20, 39}) EXPECT_FALSE(DibToBitmap(std::vector<uint8_t>(n, 40))) << n << " bytes";
}

// How many bytes GDI takes as the BITMAPINFO of a header: the header, three masks for
// BI_BITFIELDS, then biClrUsed colour entries (the full palette up to 8 bits when 0).
size_t GdiInfoBytes(const std::vector<uint8_t>& info) {
  auto u32 = [&](size_t at) {
    return uint32_t{info.at(at)} | uint32_t{info.at(at + 1)} << 8 | uint32_t{info.at(at + 2)} << 16 |
           uint32_t{info.at(at + 3)} << 24;
  };
  const uint32_t bits = info.at(14), compression = u32(16), used = u32(32);
  size_t colours = used != 0 ? used : bits <= 8 ? size_t{1} << bits : 0;
  return u32(0) + (compression == 3 ? 12 : 0) + 4 * colours;
}

TEST(DibInfoBlock, HoldsAllThatGdiReadsAndPointsAtThePixels) {
  struct Case {
    const char* Name;
    DibFields Fields;
    size_t Masks;    // mask bytes the block holds after the header
    size_t Colours;  // colour entries after them
    size_t InfoBytes, PixelsAt;
  };
  const Case cases[] = {
      {"bit fields with a colour table", {4, 2, 1, 32, 3, 0, 3}, 12, 3, 64, 64},
      {"bit fields with a full table of 16 bits", {4, 2, 1, 16, 3, 0, 40}, 12, 40, 212, 212},
      {"bit fields, no table", {4, 2, 1, 16, 3, 0, 0}, 12, 0, 52, 52},
      {"bit fields without their masks", {4, 2, 1, 32, 3, 0, 0}, 0, 0, 52, 40},
      {"8 bits, full palette", {4, 2, 1, 8, 0, 0, 0}, 0, 256, 1064, 1064},
      {"24 bits, plain", {4, 2, 1, 24, 0, 0, 0}, 0, 0, 40, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const int bits = c.Fields.Bits;
    const size_t stride = (size_t(c.Fields.Width) * bits + 31) / 32 * 4, pixels = stride * 2;
    std::vector<uint8_t> data = Dib(c.Fields, c.Masks + 4 * c.Colours + pixels);
    // Masks, colours and pixels each of their own byte value, to tell where each was taken from.
    std::fill(data.begin() + 40, data.begin() + 40 + std::ptrdiff_t(c.Masks), 0xAA);
    std::fill(data.begin() + 40 + std::ptrdiff_t(c.Masks), data.end() - std::ptrdiff_t(pixels), 0xCC);
    std::fill(data.end() - std::ptrdiff_t(pixels), data.end(), 0x77);
    std::optional<TDibPicture> p = DibToBitmap(data);
    ASSERT_TRUE(p);
    TDibInfo info = DibInfoBlock(data, *p);
    ASSERT_EQ(info.Info.size(), GdiInfoBytes(info.Info));
    // Everything GDI reads, read here: under AddressSanitizer a short block is an overflow.
    std::vector<uint8_t> read(info.Info.data(), info.Info.data() + GdiInfoBytes(info.Info));
    EXPECT_EQ(read.size(), c.InfoBytes);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 40, data.begin()));
    const bool bitfields = c.Fields.Compression == 3;
    const size_t colourAt = 40 + (bitfields ? 12 : 0);
    if (bitfields) {
      EXPECT_EQ(read[40], c.Masks ? 0xAA : 0x00) << "the masks";
    }
    for (size_t i = colourAt; i < read.size(); ++i) ASSERT_EQ(read[i], 0xCC) << "colour byte " << i;
    EXPECT_EQ(info.PixelsAt, c.PixelsAt);
    ASSERT_LE(info.PixelsAt + pixels, data.size());
    EXPECT_EQ(data[info.PixelsAt], 0x77);
  }
}

TEST(FitBitmap, ScaledSizeKeepsTheAspect) {
  struct Case {
    int SrcW, SrcH, MaxW, MaxH;
    int W, H;
    bool Stretch;
    int X, Y;
  };
  const Case cases[] = {
      {400, 100, 200, 80, 200, 50, true, 0, 0},   // wide: full width
      {100, 400, 200, 80, 20, 80, true, 0, 0},    // tall: full height
      {300, 120, 200, 80, 200, 80, true, 0, 0},   // same aspect: h' = 80 is not below 80
      {10, 10, 200, 80, 80, 80, false, 35, 35},   // small: unscaled in the middle of the box
      {50, 20, 200, 80, 200, 80, false, 75, 30},
      {200, 80, 200, 80, 200, 80, false, 0, 0},   // exactly the box
      {201, 80, 200, 80, 200, 79, true, 0, 0},    // one pixel too wide
      {3, 2, 2, 2, 2, 1, true, 0, 0},             // division truncates
      {1, 1, 1, 1, 1, 1, false, 0, 0},
      {2147483647, 1, 2147483647, 1, 2147483647, 1, false, 0, 0},  // no overflow on the products
      {1, 2147483647, 1000, 1000, 0, 0, false, 0, 0},             // rounds to no width: none
  };
  for (const Case& c : cases) {
    std::optional<TFitBox> box = FitBitmap(c.SrcW, c.SrcH, c.MaxW, c.MaxH);
    if (c.W == 0) {
      EXPECT_FALSE(box) << c.SrcW << "x" << c.SrcH;
      continue;
    }
    ASSERT_TRUE(box) << c.SrcW << "x" << c.SrcH;
    EXPECT_EQ(box->Width, c.W) << c.SrcW << "x" << c.SrcH;
    EXPECT_EQ(box->Height, c.H) << c.SrcW << "x" << c.SrcH;
    EXPECT_EQ(box->Stretch, c.Stretch) << c.SrcW << "x" << c.SrcH;
    EXPECT_EQ(box->X, c.X) << c.SrcW << "x" << c.SrcH;
    EXPECT_EQ(box->Y, c.Y) << c.SrcW << "x" << c.SrcH;
  }
}

TEST(FitBitmap, NoThumbnailWithoutArea) {
  const int cases[][4] = {{0, 10, 100, 100}, {10, 0, 100, 100}, {-5, 10, 100, 100}, {10, 10, 0, 100},
                          {10, 10, 100, -1}, {1000, 1, 100, 50}};
  for (const auto& c : cases) EXPECT_FALSE(FitBitmap(c[0], c[1], c[2], c[3])) << c[0] << "x" << c[1];
}

}  // namespace
}  // namespace pelorin
