#include "clipboard/HistoryMarks.h"

namespace pelorin {

namespace {

// Registered format names live in an atom table, which ignores letter case: any spelling a
// source registers names the same format.
bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

THistoryMark HistoryMarkOf(std::wstring_view formatName) {
  if (SameName(formatName, L"ExcludeClipboardContentFromMonitorProcessing") ||
      SameName(formatName, L"Clipboard Viewer Ignore"))
    return THistoryMark::KeepOut;
  if (SameName(formatName, L"CanIncludeInClipboardHistory")) return THistoryMark::KeepOutIfZero;
  return THistoryMark::None;
}

bool KeptOutOfHistory(THistoryMark mark, std::span<const uint8_t> data) {
  switch (mark) {
    case THistoryMark::KeepOut:
      return true;
    case THistoryMark::KeepOutIfZero:
      return data.size() >= 4 && (data[0] | data[1] | data[2] | data[3]) == 0;
    case THistoryMark::None:
      break;
  }
  return false;
}

}  // namespace pelorin
