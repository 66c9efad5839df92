#include "clipboard/win/ClipboardThumbnail.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "clipboard/ClipboardPicture.h"
#include "common/win/GdiObjects.h"

namespace pelorin {

namespace {

constexpr size_t InfoHeaderSize = 40;
constexpr size_t MaskBytes = 12;

}  // namespace

TOwnedBitmap MakeThumbnail(std::span<const uint8_t> dib, int maxWidth, int maxHeight) {
  std::optional<TDibPicture> picture = DibToBitmap(dib);
  if (!picture) return {};
  std::optional<TFitBox> box = FitBitmap(picture->Width, picture->Height, maxWidth, maxHeight);
  if (!box) return {};

  // The header and colour table in a block of their own, so that GDI never reads past the
  // data: with BI_BITFIELDS it takes three masks after the header, which a short block lacks.
  size_t pixelsAt = picture->OffBits - 14;
  std::vector<uint8_t> info(InfoHeaderSize + std::max<size_t>(4 * picture->ColorCount, MaskBytes), 0);
  std::memcpy(info.data(), dib.data(), InfoHeaderSize + 4 * size_t(picture->ColorCount));
  if (picture->Compression == BI_BITFIELDS) {
    // Where the masks are there the pixels follow them; otherwise they stay zero.
    size_t stride = (size_t(picture->Width) * picture->BitCount + 31) / 32 * 4;
    if (dib.size() >= InfoHeaderSize + MaskBytes + stride * size_t(picture->Height)) {
      std::memcpy(info.data() + InfoHeaderSize, dib.data() + InfoHeaderSize, MaskBytes);
      pixelsAt = InfoHeaderSize + MaskBytes;
    }
  }

  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = box->Width;
  target.bmiHeader.biHeight = -box->Height;  // top-down
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  target.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TOwnedBitmap bitmap(::CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return {};
  TOwnedDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return {};
  {
    TSelected selected(dc.Get(), bitmap.Get());
    RECT all{0, 0, box->Width, box->Height};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const auto* header = reinterpret_cast<const BITMAPINFO*>(info.data());
    int drawn;
    if (box->Stretch) {
      ::SetStretchBltMode(dc.Get(), HALFTONE);
      ::SetBrushOrgEx(dc.Get(), 0, 0, nullptr);
      drawn = ::StretchDIBits(dc.Get(), 0, 0, box->Width, box->Height, 0, 0, picture->Width, picture->Height,
                              dib.data() + pixelsAt, header, DIB_RGB_COLORS, SRCCOPY);
    } else {
      drawn = ::StretchDIBits(dc.Get(), box->X, box->Y, picture->Width, picture->Height, 0, 0, picture->Width,
                              picture->Height, dib.data() + pixelsAt, header, DIB_RGB_COLORS, SRCCOPY);
    }
    if (drawn <= 0) return {};  // 0 or GDI_ERROR
  }
  return bitmap;
}

}  // namespace pelorin
