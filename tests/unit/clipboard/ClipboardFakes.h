#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/ClipboardData.h"
#include "config/AnsiCodePage.h"

namespace pelorin::test {

// CF_UNICODETEXT bytes of a text with its zero terminator.
inline TClipboardDataItem Unicode(std::u16string_view text) {
  TClipboardDataItem item{CfUnicodeText, {}};
  for (char16_t c : text) {
    item.Data.push_back(static_cast<uint8_t>(c));
    item.Data.push_back(static_cast<uint8_t>(c >> 8));
  }
  item.Data.push_back(0);
  item.Data.push_back(0);
  return item;
}

// CF_TEXT bytes with their zero terminator.
inline TClipboardDataItem Ansi(std::string_view text) {
  TClipboardDataItem item{CfText, std::vector<uint8_t>(text.begin(), text.end())};
  item.Data.push_back(0);
  return item;
}

inline TClipboardDataItem Other(uint32_t format, std::string_view bytes) {
  return {format, std::vector<uint8_t>(bytes.begin(), bytes.end())};
}

// CF_DIB of a black picture of 24 bits: its 40-byte header and rows of 4-byte multiples.
inline TClipboardDataItem Dib24(int32_t width, int32_t height) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  TClipboardDataItem item{CfDib, std::vector<uint8_t>(40 + stride * static_cast<size_t>(height), 0)};
  auto put32 = [&](size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) item.Data[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  };
  put32(0, 40);
  put32(4, width);
  put32(8, height);
  item.Data[12] = 1;   // planes
  item.Data[14] = 24;  // bits per pixel
  return item;
}

inline TClipboardData Snapshot(std::vector<TClipboardDataItem> items, double time = 0, bool checked = false) {
  TClipboardData data;
  data.Time = time;
  data.Checked = checked;
  data.Items = std::move(items);
  return data;
}

// A code page whose upper quarter is Cyrillic (as in Windows-1251 for 0xC0-0xFF), so that a
// text decoded with the wrong code page can be told from a right one.
struct FakeCyrillicAnsi : AnsiCodePagePort {
  std::string ToAnsi(std::wstring_view text) const override {
    std::string bytes;
    for (wchar_t c : text) {
      auto code = static_cast<uint32_t>(c);
      if (code < 0x80)
        bytes += static_cast<char>(code);
      else if (code >= 0x410 && code < 0x450)
        bytes += static_cast<char>(0xC0 + (code - 0x410));
      else
        bytes += '?';
    }
    return bytes;
  }
  std::wstring FromAnsi(std::string_view bytes) const override {
    std::wstring text;
    for (char b : bytes) {
      auto byte = static_cast<uint8_t>(b);
      text += byte >= 0xC0 ? static_cast<wchar_t>(0x410 + (byte - 0xC0)) : static_cast<wchar_t>(byte);
    }
    return text;
  }
};

// A Western code page: every character up to U+00FF has its own number as its byte (as in
// Windows-1252 for 0xA0-0xFF), anything else becomes '?'.
struct FakeWesternAnsi : AnsiCodePagePort {
  std::string ToAnsi(std::wstring_view text) const override {
    std::string bytes;
    for (wchar_t c : text) bytes += static_cast<uint32_t>(c) < 0x100 ? static_cast<char>(c) : '?';
    return bytes;
  }
  std::wstring FromAnsi(std::string_view bytes) const override {
    std::wstring text;
    for (char b : bytes) text += static_cast<wchar_t>(static_cast<uint8_t>(b));
    return text;
  }
};

}  // namespace pelorin::test
