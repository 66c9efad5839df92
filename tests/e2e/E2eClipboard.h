#pragma once
// The clipboard as the scenarios see it: Pelorin.clp written and read back, copies made as any
// program makes them.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelorin::e2e {

using TFormats = std::vector<std::pair<UINT, std::string>>;
// One item of Pelorin.clp.
struct TStoredItem {
  double Time = 0;
  bool Checked = false;
  TFormats Formats;
};
// A text's UTF-16 bytes with the terminator, as CF_UNICODETEXT holds it.
std::string Utf16(const std::wstring& text);
// Pelorin.clp as its format is documented; and its items, nothing for a malformed file.
std::string ClpBytes(const std::vector<TStoredItem>& items);
std::optional<std::vector<TStoredItem>> ReadClp(const std::string& bytes);
// The text of an item's CF_UNICODETEXT; the data of a format, null when there is none.
std::wstring TextOf(const TStoredItem& item);
const std::string* DataOf(const TStoredItem& item, UINT format);
// The whole clipboard replaced by these formats, as any program copies; none: emptied.
bool Copy(HWND owner, const TFormats& formats);

// A 24-bit CF_DIB picture (header and pixels), its pixels different for every serial.
std::string PictureDib(int width, int height, unsigned serial);
// The clipboard's CF_UNICODETEXT now.
std::wstring ClipboardText();

}  // namespace pelorin::e2e
