// Clipboard blocks as any program may leave them: arbitrary bytes as CF_TEXT, CF_UNICODETEXT,
// CF_HDROP and CF_DIB, and as a text pair for the repair. Nothing may read out of bounds, and
// what DibToBitmap accepts must really lie inside the block, as must the header block made
// for GDI hold all that GDI reads of it.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClipboardPicture.h"
#include "clipboard/ClipboardText.h"

namespace pelorin {
namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckTexts(const std::vector<uint8_t>& bytes, const AnsiCodePagePort& ansi) {
  for (uint32_t format : {CfText, CfUnicodeText, CfHDrop}) {
    std::wstring text = ClipboardItemText({format, bytes}, ansi);
    // Each byte or unit gives at most one character, four for a tab.
    Require(text.size() <= 4 * bytes.size());
    std::wstring key = TrimKeyText(text);
    Require(key.size() <= text.size());
    // The key kept per item must be the one of the text it stands for.
    TTextKey kept = ClipboardTextKey({format, bytes}, ansi);
    Require(kept.Length == key.size() && kept.Hash == HashKeyText(key));
  }
}

void CheckPicture(const std::vector<uint8_t>& bytes) {
  std::optional<TDibPicture> p = DibToBitmap(bytes);
  if (!p) return;
  Require(p->Width > 0 && p->Height > 0);
  Require(p->LoadBytes <= bytes.size());
  Require(p->OffBits >= 54 && p->OffBits - 14 <= p->LoadBytes);
  Require(p->FileSize >= p->OffBits);
  if (p->Compression == 0 || p->Compression == 3) {
    uint64_t stride = (uint64_t{static_cast<uint32_t>(p->Width)} * p->BitCount + 31) / 32 * 4;
    Require(p->OffBits - 14 + stride * static_cast<uint64_t>(p->Height) <= p->LoadBytes);
  }
  // The header block handed to GDI holds all that GDI reads of it (the masks of BI_BITFIELDS
  // too), and the pixels it points at lie inside the block.
  TDibInfo info = DibInfoBlock(bytes, *p);
  const size_t masks = p->Compression == 3 ? 12 : 0;
  Require(info.Info.size() == 40 + masks + 4 * size_t{p->ColorCount});
  Require(info.Info[14] == bytes[14] && info.Info[16] == bytes[16] && info.Info[32] == bytes[32]);
  Require(info.PixelsAt >= 40 + 4 * size_t{p->ColorCount} && info.PixelsAt <= bytes.size());
  if (p->Compression == 0 || p->Compression == 3) {
    uint64_t stride = (uint64_t{static_cast<uint32_t>(p->Width)} * p->BitCount + 31) / 32 * 4;
    Require(info.PixelsAt + stride * static_cast<uint64_t>(p->Height) <= bytes.size());
  }
  uint8_t header[14];
  DibFileHeader(*p, header);
  Require(header[0] == 'B' && header[1] == 'M');

  std::optional<TFitBox> box = FitBitmap(p->Width, p->Height, 196, 35);
  if (!box) return;
  Require(box->Width > 0 && box->Width <= 196 && box->Height > 0 && box->Height <= 35);
  if (!box->Stretch)
    Require(box->X >= 0 && box->Y >= 0 && box->X + p->Width <= box->Width && box->Y + p->Height <= box->Height);
}

// The first third as CF_TEXT and the rest as CF_UNICODETEXT: their lengths pair when the
// input length is a multiple of three.
void CheckRepair(const std::vector<uint8_t>& bytes, const AnsiCodePagePort& ansi) {
  size_t third = bytes.size() / 3;
  TClipboardData s;
  s.Items.push_back({CfText, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(third))});
  s.Items.push_back({CfUnicodeText, std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(third), bytes.end())});
  size_t ansiSize = s.Items[0].Data.size();
  size_t unicodeSize = s.Items[1].Data.size();
  TextFixUp(s, ansi);
  Require(s.Items[0].Data.size() == ansiSize && s.Items[1].Data.size() == unicodeSize);
}

}  // namespace
}  // namespace pelorin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  TWindows1252 ansi;
  std::vector<uint8_t> bytes(data, data + size);
  CheckTexts(bytes, ansi);
  CheckPicture(bytes);
  CheckRepair(bytes, ansi);
  // FitBitmap over any four numbers.
  if (size >= 16) {
    int v[4];
    for (int i = 0; i < 4; ++i)
      v[i] = static_cast<int>(static_cast<uint32_t>(data[4 * i]) | static_cast<uint32_t>(data[4 * i + 1]) << 8 |
                              static_cast<uint32_t>(data[4 * i + 2]) << 16 | static_cast<uint32_t>(data[4 * i + 3]) << 24);
    if (std::optional<TFitBox> box = FitBitmap(v[0], v[1], v[2], v[3]))
      Require(box->Width > 0 && box->Width <= v[2] && box->Height > 0 && box->Height <= v[3]);
  }
  return 0;
}
