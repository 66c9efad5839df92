#include "clipboard/ClipboardText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace pelorin {
namespace {

uint32_t Unit(const std::vector<uint8_t>& data, size_t byte) {
  return static_cast<uint32_t>(data[byte]) | static_cast<uint32_t>(data[byte + 1]) << 8;
}

// UTF-16 units from byte 'from' up to the first zero unit or the last whole unit.
std::wstring Utf16Units(const std::vector<uint8_t>& data, size_t from) {
  size_t end = from;
  while (end + 1 < data.size() && Unit(data, end) != 0) end += 2;
  std::wstring text((end - from) / 2, L'\0');
  for (size_t i = from, k = 0; i < end; i += 2, ++k) text[k] = static_cast<wchar_t>(Unit(data, i));
  return text;
}

std::wstring DropFileNames(const std::vector<uint8_t>& data) {
  if (data.size() < 4) return {};
  uint32_t offset = 0;
  for (int i = 3; i >= 0; --i) offset = offset << 8 | data[i];
  std::wstring text;
  size_t pos = offset;
  while (pos + 1 < data.size()) {
    std::wstring name = Utf16Units(data, pos);
    if (name.empty()) break;
    if (!text.empty()) text += L'\r';
    text += name;
    pos += 2 * (name.size() + 1);
  }
  return text;
}

bool IsTrimmed(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Wide text as little-endian UTF-16 bytes (wchar_t is 32-bit off Windows).
std::vector<uint8_t> ToUtf16Bytes(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  auto put = [&bytes](uint32_t unit) {
    bytes.push_back(static_cast<uint8_t>(unit));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  };
  for (wchar_t c : text) {
    auto code = static_cast<uint32_t>(c);
    if (code > 0xFFFF && code <= 0x10FFFF) {
      code -= 0x10000;
      put(0xD800 + (code >> 10));
      put(0xDC00 + (code & 0x3FF));
    } else {
      put(code & 0xFFFF);
    }
  }
  return bytes;
}

// Copies the first n bytes of from over to; true when that changed anything.
bool CopyChanged(std::vector<uint8_t>& to, const uint8_t* from, size_t n) {
  if (n == 0 || std::equal(from, from + n, to.begin())) return false;  // an empty text has no buffer
  std::memcpy(to.data(), from, n);
  return true;
}

// A text made by widening ANSI bytes holds no unit above 0xFF.
bool Latin1Units(const std::vector<uint8_t>& unicode) {
  for (size_t i = 0; i + 1 < unicode.size() && Unit(unicode, i) != 0; i += 2)
    if (unicode[i + 1] != 0) return false;
  return true;
}

// The first sign of a damaged text ends the step. A conversion that gives the same bytes
// again repaired nothing: a character the code page lacks is a '?' either way, and a letter
// it holds at its own number looks like a wrongly widened one. Either way the text was right.
bool RepairPair(std::vector<uint8_t>& ansiText, std::vector<uint8_t>& unicode, const AnsiCodePagePort& ansi) {
  for (size_t k = 0; k < ansiText.size(); ++k) {
    uint8_t a = ansiText[k];
    uint8_t u = unicode[2 * k];
    if (a == '?' && u != '?') {
      std::string converted = ansi.ToAnsi(Utf16Units(unicode, 0));
      size_t n = std::min(converted.size(), ansiText.size() - 1);
      return CopyChanged(ansiText, reinterpret_cast<const uint8_t*>(converted.data()), n);
    }
    // Only a text that could have been widened from the ANSI bytes: a Cyrillic letter in it
    // would be lost to the code page's '?'.
    if (a >= 0xC0 && u == a && Latin1Units(unicode)) {
      auto end = std::find(ansiText.begin(), ansiText.end(), uint8_t{0});
      std::string_view bytes(reinterpret_cast<const char*>(ansiText.data()),
                             static_cast<size_t>(end - ansiText.begin()));
      std::vector<uint8_t> converted = ToUtf16Bytes(ansi.FromAnsi(bytes));
      size_t n = std::min(converted.size(), unicode.size() - 2);
      return CopyChanged(unicode, converted.data(), n);
    }
  }
  return false;
}

}  // namespace

std::wstring ClipboardItemText(const TClipboardDataItem& item, const AnsiCodePagePort& ansi) {
  if (item.Data.empty()) return {};
  std::wstring text;
  if (item.Format == CfText) {
    auto end = std::find(item.Data.begin(), item.Data.end(), uint8_t{0});
    text = ansi.FromAnsi(std::string_view(reinterpret_cast<const char*>(item.Data.data()),
                                          static_cast<size_t>(end - item.Data.begin())));
  } else if (item.Format == CfUnicodeText) {
    text = Utf16Units(item.Data, 0);
  } else if (item.Format == CfHDrop) {
    text = DropFileNames(item.Data);
  } else {
    return {};
  }
  if (text.find(L'\t') == std::wstring::npos) return text;
  std::wstring expanded;
  expanded.reserve(text.size() + 8);
  for (wchar_t c : text) {
    if (c == L'\t')
      expanded += L"    ";
    else
      expanded += c;
  }
  return expanded;
}

std::wstring TrimKeyText(std::wstring text) {
  size_t first = 0;
  while (first < text.size() && IsTrimmed(text[first])) ++first;
  if (first == text.size()) return text;
  size_t last = text.size();
  while (IsTrimmed(text[last - 1])) --last;
  text.resize(last);
  text.erase(0, first);
  return text;
}

bool TextFixUp(TClipboardData& snapshot, const AnsiCodePagePort& ansi) {
  for (TClipboardDataItem& u : snapshot.Items) {
    if (u.Format != CfUnicodeText) continue;
    for (TClipboardDataItem& a : snapshot.Items) {
      if (a.Format != CfText || a.Data.empty() || 2 * a.Data.size() != u.Data.size()) continue;
      if (RepairPair(a.Data, u.Data, ansi)) return true;
    }
  }
  return false;
}

void TimeParityFlip(double& time) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, time, std::chars_format::fixed, 14);
  if (error != std::errc()) return;
  char* point = std::find(text, end, '.');
  if (end - point <= 9) return;
  char& digit = point[9];
  digit = static_cast<char>((digit - '0') % 2 == 0 ? digit + 1 : digit - 1);
  double parsed = 0;
  if (std::from_chars(text, end, parsed, std::chars_format::fixed).ec == std::errc()) time = parsed;
}

}  // namespace pelorin
