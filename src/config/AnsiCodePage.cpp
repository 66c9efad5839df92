#include "config/AnsiCodePage.h"

#include <array>
#include <cstdint>

namespace pelorin {
namespace {

// Bytes 0x80-0x9F; every other byte is the character of the same number.
constexpr std::array<char16_t, 32> High1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ToByte(wchar_t c) {
  uint32_t code = static_cast<uint32_t>(c);
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (size_t i = 0; i < High1252.size(); ++i)
    if (High1252[i] == code) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string TWindows1252::ToAnsi(std::wstring_view text) const {
  std::string bytes(text.size(), '\0');
  char* out = bytes.data();
  for (wchar_t c : text) *out++ = ToByte(c);
  return bytes;
}

std::wstring TWindows1252::FromAnsi(std::string_view bytes) const {
  std::wstring text(bytes.size(), L'\0');
  wchar_t* out = text.data();
  for (char b : bytes) {
    auto byte = static_cast<uint8_t>(b);
    *out++ = byte >= 0x80 && byte < 0xA0 ? static_cast<wchar_t>(High1252[byte - 0x80]) : static_cast<wchar_t>(byte);
  }
  return text;
}

}  // namespace pelorin
