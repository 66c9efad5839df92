#include "clipboard/HistoryMarks.h"

#include "common/TextCompare.h"

namespace pelorin {

THistoryMark HistoryMarkOf(std::wstring_view formatName) {
  // Registered format names live in an atom table, which ignores letter case.
  if (EqualNoCase(formatName, L"ExcludeClipboardContentFromMonitorProcessing") ||
      EqualNoCase(formatName, L"Clipboard Viewer Ignore"))
    return THistoryMark::KeepOut;
  if (EqualNoCase(formatName, L"CanIncludeInClipboardHistory")) return THistoryMark::KeepOutIfZero;
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
