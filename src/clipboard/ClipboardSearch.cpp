#include "clipboard/ClipboardSearch.h"

#include <algorithm>

#include "clipboard/ClipboardText.h"

namespace pelorin {

namespace {

TSearchColour NothingFound(TSearchFrom from, bool wasRed) {
  // A step that runs out of matches is only a notice; a text that matches nothing is an error.
  if (from == TSearchFrom::TextChange || from == TSearchFrom::CheckBox || wasRed) return TSearchColour::Red;
  return TSearchColour::Grey;
}

}  // namespace

bool ItemMatches(const TClipboardData& item, const TItemPreview& preview, const std::wstring& foldedNeedle,
                 bool findChecked, const AnsiCodePagePort& ansi, const TextFoldPort& fold) {
  if (findChecked) {
    if (!item.Checked) return false;
    if (foldedNeedle.empty()) return true;
  }
  if (preview.Kind == TItemPreview::TKind::Picture) return false;
  auto format = std::find_if(item.Items.begin(), item.Items.end(), [](const TClipboardDataItem& f) {
    return f.Format == CfText || f.Format == CfUnicodeText || f.Format == CfHDrop;
  });
  if (format == item.Items.end()) return false;
  return fold.Fold(ClipboardItemText(*format, ansi)).find(foldedNeedle) != std::wstring::npos;
}

TSearchOutcome SearchRows(int rowCount, int selectedRow, TSearchFrom from, bool needleEmpty, bool findChecked,
                          bool wasRed, const std::function<bool(int row)>& matches) {
  TSearchOutcome outcome;
  if (from == TSearchFrom::TextChange && needleEmpty && !findChecked) return outcome;
  // Rows outside 0 .. rowCount - 1 are never asked about, whatever the selection says.
  if (from == TSearchFrom::Prev) {
    for (int row = std::min(selectedRow, rowCount) - 1; row >= 0; --row)
      if (matches(row)) {
        outcome.Row = row;
        return outcome;
      }
  } else {
    const int first = from == TSearchFrom::Next ? std::max(selectedRow + 1, 0) : 0;
    for (int row = first; row < rowCount; ++row)
      if (matches(row)) {
        outcome.Row = row;
        return outcome;
      }
  }
  outcome.Colour = NothingFound(from, wasRed);
  return outcome;
}

TSearchOutcome SearchMemo(const std::wstring& foldedText, const std::wstring& foldedNeedle, TSearchFrom from,
                          size_t selStart, bool wasRed) {
  TSearchOutcome outcome;
  size_t at = std::wstring::npos;
  if (!foldedNeedle.empty()) {
    if (from == TSearchFrom::Next) {
      if (selStart < foldedText.size()) at = foldedText.find(foldedNeedle, selStart + 1);
    } else if (from == TSearchFrom::Prev) {
      if (selStart >= 2) at = foldedText.rfind(foldedNeedle, selStart - 2);
    } else {
      at = foldedText.find(foldedNeedle);
    }
  }
  if (at != std::wstring::npos) {
    outcome.At = at;
    return outcome;
  }
  outcome.Colour = NothingFound(from, wasRed);
  return outcome;
}

}  // namespace pelorin
