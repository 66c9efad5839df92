#include "config/win/AnsiCodePageWin.h"

#include <windows.h>

#include <climits>

namespace pelorin {

std::string TSystemAnsiCodePage::ToAnsi(std::wstring_view text) const {
  if (text.empty() || text.size() > INT_MAX / 4) return {};
  int length = static_cast<int>(text.size());
  int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, "?", nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, bytes.data(), size, "?", nullptr);
  return bytes;
}

std::wstring TSystemAnsiCodePage::FromAnsi(std::string_view bytes) const {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  int length = static_cast<int>(bytes.size());
  int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), size);
  return text;
}

}  // namespace pelorin
