// How long the Clipboard Manager's grid takes to paint a screenful of 4K screenshots, under
// the same GDI that Pelorin.exe uses (Wine or Windows). Not a test: it prints figures.
//
//   ClipboardPaintTiming.exe [rows] [Pelorin.exe for the grid's icons]
//
// Figures (medians of several paints where it says so):
//   make         the thumbnails of every row, made one after the other as a paint that makes
//                them itself has to (what each paint cost at every width change before)
//   first        the first paint: the rows with their placeholders, the thumbnails asked for
//   background   until the thumbnail thread has made them all
//   ready        a paint with every thumbnail made
//   resized      a paint after the column width changed (the thumbnails keep their size)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "clipboard/ClipboardHistory.h"
#include "clipboard/win/ClipboardGridView.h"
#include "clipboard/win/ClipboardThumbnail.h"
#include "common/win/Hints.h"
#include "config/AnsiCodePage.h"

namespace pelorin {
namespace {

// A 3840 x 2160 screenshot, 32 bits a pixel as screens copy, different for every serial.
TClipboardDataItem Screenshot(int serial) {
  constexpr int Width = 3840, Height = 2160;
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = Width;
  h.biHeight = Height;
  h.biPlanes = 1;
  h.biBitCount = 32;
  std::vector<uint8_t> dib(sizeof(h) + size_t(Width) * Height * 4);
  std::memcpy(dib.data(), &h, sizeof(h));
  auto* px = reinterpret_cast<uint32_t*>(dib.data() + sizeof(h));
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      px[size_t(y) * Width + x] = uint32_t((x * 255 / Width) ^ serial * 37) | uint32_t(y * 255 / Height) << 8 |
                                  uint32_t((x + y + serial * 91) & 0xFF) << 16;
  return {CfDib, std::move(dib)};
}

struct NoOwner : ClipboardGridOwner {
  void GridClick(int, int, const TGridHit&) override {}
  void GridEnter(int) override {}
  void GridEscape() override {}
  void GridDelete(int) override {}
  void GridDigit(int) override {}
  void GridLetter(wchar_t) override {}
};

double Ms(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t;
}

// One whole paint of the grid, now.
double Paint(HWND grid) {
  LARGE_INTEGER from = Now();
  ::RedrawWindow(grid, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return Ms(from, Now());
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

int Run(int rows, const wchar_t* exe) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  HMODULE icons = exe != nullptr ? ::LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr;
  TWindows1252 ansi;
  TClipboardHistory history(ansi);
  std::printf("making %d screenshots of 3840 x 2160...\n", rows);
  for (int i = 0; i < rows; ++i) {
    TClipboardData item;
    item.Time = 46000 + i;
    item.Items.push_back(Screenshot(i));
    history.AppendLoaded(std::move(item));
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"PaintTimingHost";
  ::RegisterClassW(&wc);
  const int rowHeight = GridRowHeight(ScreenDpi().X / 96.0);
  HWND host = ::CreateWindowExW(0, wc.lpszClassName, L"paint timing", WS_POPUP | WS_VISIBLE, 0, 0, 620,
                                rows * rowHeight + 8, nullptr, nullptr, instance, nullptr);
  THints hints;
  hints.Create(host, instance, 1.0);
  NoOwner owner;
  TClipboardGridView grid(history, owner);
  // What creation and the first layout asked for is made and dropped: the figures below
  // start from nothing made.
  if (!grid.Create(instance, icons, host, 1, hints)) return 2;
  ::SetWindowPos(grid.Handle(), nullptr, 0, 0, 620, rows * rowHeight + 4, SWP_NOZORDER);
  Pump();
  grid.Thumbnails().WaitIdle();
  grid.Thumbnails().Clear();
  ::ValidateRect(grid.Handle(), nullptr);

  // What a paint cost when it made the thumbnails itself.
  const TSize limit = ThumbnailLimit(grid.Columns().Col1, grid.RowHeight());
  std::vector<double> makes;
  for (int i = 0; i < rows; ++i)
    history.ReadRow(i, [&](const TClipboardData& item, const TClipboardHistory::TItemView&) {
      LARGE_INTEGER from = Now();
      TOwnedBitmap thumb = MakeThumbnail(item.Items[0].Data, limit.Width, limit.Height);
      makes.push_back(Ms(from, Now()));
    });
  double make = 0;
  for (double m : makes) make += m;

  const double first = Paint(grid.Handle());
  LARGE_INTEGER from = Now();
  grid.Thumbnails().WaitIdle();
  const double background = Ms(from, Now()) + first;
  Pump();
  std::vector<double> ready;
  for (int i = 0; i < 15; ++i) ready.push_back(Paint(grid.Handle()));
  std::vector<double> resized;
  for (int i = 0; i < 15; ++i) {
    ::SetWindowPos(grid.Handle(), nullptr, 0, 0, 560 + 40 * (i % 3), rows * rowHeight + 4, SWP_NOZORDER);
    resized.push_back(Paint(grid.Handle()));
  }
  int made = 0;
  for (uint64_t id : history.ItemIds()) {
    HBITMAP bitmap = nullptr;
    TSize size;
    if (grid.Thumbnails().Find(id, bitmap, size) && bitmap != nullptr) ++made;
  }
  std::printf("rows %d (%d x %d thumbnails, %d made)\n", rows, limit.Width, limit.Height, made);
  std::printf("make        %8.1f ms for all rows (%.1f ms each)\n", make, make / rows);
  std::printf("first       %8.1f ms\n", first);
  std::printf("background  %8.1f ms\n", background);
  std::printf("ready       %8.1f ms (median of %zu)\n", Median(ready), ready.size());
  std::printf("resized     %8.1f ms (median of %zu)\n", Median(resized), resized.size());
  ::DestroyWindow(host);
  return made == rows ? 0 : 1;
}

}  // namespace
}  // namespace pelorin

int wmain(int argc, wchar_t** argv) {
  const int rows = argc > 1 ? std::max(1, _wtoi(argv[1])) : 12;
  return pelorin::Run(rows, argc > 2 ? argv[2] : nullptr);
}
