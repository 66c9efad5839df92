// The Clipboard Manager's grid icons and drag hands as Pelorin.exe carries them: each bitmap
// loads as a 32 bpp DIB section with its alpha intact, each hand as a cursor with its hot spot
// in the palm.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "WinTestSupport.h"

namespace pelorin::test {
namespace {

class GridIcons : public ::testing::Test {
 protected:
  void SetUp() override {
    Resources = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Resources, nullptr);
  }
  void TearDown() override {
    if (Resources != nullptr) ::FreeLibrary(Resources);
  }
  HMODULE Resources = nullptr;
};

// B G R A of pixel (x, y), counted from the top, in a 32 bpp DIB whose rows may run either way.
uint32_t PixelAt(const DIBSECTION& dib, int x, int y) {
  int height = dib.dsBmih.biHeight;
  int row = height > 0 ? height - 1 - y : y;
  const auto* bits = static_cast<const uint8_t*>(dib.dsBm.bmBits);
  uint32_t pixel;
  std::memcpy(&pixel, bits + static_cast<size_t>(row) * dib.dsBm.bmWidthBytes + x * 4, 4);
  return pixel;
}

uint8_t Alpha(uint32_t bgra) { return static_cast<uint8_t>(bgra >> 24); }

TEST_F(GridIcons, EveryBitmapIsA128PixelDibSectionWithItsAlpha) {
  for (const wchar_t* name : {L"CLPICON0", L"CLPICON1", L"CLPICON2", L"CLPICON3", L"CLPICON4", L"CLPICON5",
                              L"CLPICON6", L"CLPICON7"}) {
    SCOPED_TRACE(testing::Message() << name);
    HANDLE image = ::LoadImageW(Resources, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    auto bitmap = static_cast<HBITMAP>(image);
    DIBSECTION dib{};
    ASSERT_EQ(::GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 128);
    EXPECT_EQ(dib.dsBm.bmHeight, 128);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    ASSERT_NE(dib.dsBm.bmBits, nullptr);
    if (dib.dsBm.bmWidth == 128 && dib.dsBm.bmHeight == 128 && dib.dsBm.bmBitsPixel == 32) {
      // The background shows through at the corners; the picture in the middle is solid and,
      // as the alpha is not premultiplied, keeps its colour.
      for (POINT corner : {POINT{0, 0}, POINT{127, 0}, POINT{0, 127}, POINT{127, 127}}) {
        EXPECT_EQ(Alpha(PixelAt(dib, corner.x, corner.y)), 0) << corner.x << "," << corner.y;
      }
      uint32_t centre = PixelAt(dib, 64, 64);
      EXPECT_EQ(Alpha(centre), 255);
      EXPECT_NE(centre & 0x00FFFFFFu, 0u);
    }
    ::DeleteObject(bitmap);
  }
}

TEST_F(GridIcons, BothHandsAreCursorsWithTheHotSpotInThePalm) {
  for (const wchar_t* name : {L"HANDFLAT", L"HANDGRAB"}) {
    SCOPED_TRACE(testing::Message() << name);
    HANDLE image = ::LoadImageW(Resources, name, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE);
    ASSERT_NE(image, nullptr);
    auto cursor = static_cast<HCURSOR>(image);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    // The files are 32 px; a system with larger cursors stretches them and the hot spot with.
    int size = ::GetSystemMetrics(SM_CXCURSOR);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, static_cast<DWORD>(16 * size / 32));
    EXPECT_EQ(info.yHotspot, static_cast<DWORD>(20 * size / 32));

    // The hot spot is on the white palm, and the corner is clear.
    ASSERT_NE(info.hbmColor, nullptr);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = size;
    bmi.bmiHeader.biHeight = -size;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
    HDC screen = ::GetDC(nullptr);
    int rows = ::GetDIBits(screen, info.hbmColor, 0, size, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, size);
    EXPECT_EQ(pixels[info.yHotspot * size + info.xHotspot], 0xFFFFFFFFu);
    EXPECT_EQ(Alpha(pixels[0]), 0);

    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    ::DestroyCursor(cursor);
  }
}

}  // namespace
}  // namespace pelorin::test
