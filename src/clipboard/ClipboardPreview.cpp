#include <algorithm>

#include "clipboard/ClipboardGrid.h"
#include "clipboard/ClipboardPicture.h"
#include "clipboard/ClipboardText.h"

namespace pelorin {

namespace {

bool IsBreak(uint32_t c) { return c == '\r' || c == '\n'; }

// The text's code units up to its terminator: 2 bytes each for CF_UNICODETEXT, 1 for CF_TEXT.
struct TUnits {
  const std::vector<uint8_t>& Data;
  size_t Width;
  size_t Count() const {
    size_t n = 0;
    while ((n + 1) * Width <= Data.size() && At(n) != 0) ++n;
    return n;
  }
  uint32_t At(size_t k) const {
    return Width == 1 ? Data[k] : static_cast<uint32_t>(Data[2 * k]) | static_cast<uint32_t>(Data[2 * k + 1]) << 8;
  }
};

}  // namespace

TItemPreview MakeItemPreview(const TClipboardData& item, const AnsiCodePagePort& ansi) {
  TItemPreview preview;
  for (size_t i = 0; i < item.Items.size(); ++i) {
    const TClipboardDataItem& format = item.Items[i];
    if (format.Format != CfDib || format.Data.empty()) continue;
    if (std::optional<TDibPicture> picture = DibToBitmap(format.Data)) {
      preview.Kind = TItemPreview::TKind::Picture;
      preview.DibFormat = static_cast<int>(i);
      preview.PictureWidth = picture->Width;
      preview.PictureHeight = picture->Height;
      return preview;
    }
  }
  for (const TClipboardDataItem& format : item.Items) {
    if (format.Format == CfHDrop) {
      preview.Kind = TItemPreview::TKind::Files;
      std::wstring text = ClipboardItemText(format, ansi);  // a list of names: small
      size_t first = 0;
      while (first < text.size() && IsBreak(text[first])) ++first;
      text.erase(0, first);
      preview.Short = std::count(text.begin(), text.end(), L'\r') < 2 && std::count(text.begin(), text.end(), L'\n') < 2;
      if (text.size() > PreviewChars) text.resize(PreviewChars);
      preview.Text = std::move(text);
      return preview;
    }
    if (format.Format != CfText && format.Format != CfUnicodeText) continue;
    preview.Kind = TItemPreview::TKind::Text;
    // Only the beginning is decoded; the line breaks are counted over the whole text, once.
    TUnits units{format.Data, format.Format == CfText ? size_t(1) : size_t(2)};
    const size_t count = units.Count();
    size_t first = 0;
    while (first < count && IsBreak(units.At(first))) ++first;
    size_t cr = 0, lf = 0;
    for (size_t k = first; k < count && (cr < 2 && lf < 2); ++k) {
      uint32_t c = units.At(k);
      cr += c == '\r';
      lf += c == '\n';
    }
    preview.Short = cr < 2 && lf < 2;
    size_t take = std::min(count - first, PreviewChars);
    TClipboardDataItem head{format.Format,
                            std::vector<uint8_t>(format.Data.begin() + static_cast<std::ptrdiff_t>(first * units.Width),
                                                 format.Data.begin() + static_cast<std::ptrdiff_t>((first + take) * units.Width))};
    preview.Text = ClipboardItemText(head, ansi);
    if (preview.Text.size() > PreviewChars) preview.Text.resize(PreviewChars);
    return preview;
  }
  return preview;
}

}  // namespace pelorin
