#include "ScreenPixels.h"

#include <algorithm>

#include "common/win/GdiObjects.h"

namespace pelorin::test {

std::vector<COLORREF> GrabScreen(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<COLORREF> pixels;
  if (width <= 0 || height <= 0) return pixels;
  TWindowDc screen;
  TOwnedDc memory(::CreateCompatibleDC(screen.Get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TOwnedBitmap bitmap(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  TSelected selected(memory.Get(), bitmap.Get());
  ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY);
  ::GdiFlush();
  const auto* raw = static_cast<const DWORD*>(bits);
  for (int i = 0; i < width * height; ++i) pixels.push_back(RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF));
  return pixels;
}

bool Colourful(COLORREF c) {
  int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  return std::max({r, g, b}) - std::min({r, g, b}) > 60;
}

}  // namespace pelorin::test
