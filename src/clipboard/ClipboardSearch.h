#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "clipboard/ClipboardData.h"
#include "clipboard/ClipboardGrid.h"
#include "config/AnsiCodePage.h"

namespace pelorin {

// Folds letter case for comparison, in every script (the Windows side asks the system).
struct TextFoldPort {
  virtual ~TextFoldPort() = default;
  virtual std::wstring Fold(std::wstring_view text) const = 0;
};

// What started a search.
enum class TSearchFrom {
  TextChange,  // the search text changed (or the text details opened)
  CheckBox,    // "Find checked" was just checked
  Next,        // "Find next"
  Prev,        // "Find prev"
};

// The search box's colour after a search.
enum class TSearchColour { White, Red, Grey };
inline constexpr uint32_t SearchRedRgb = 0xFF0000;   // nothing matches the new text
inline constexpr uint32_t SearchGreyRgb = 0xA0A0A4;  // no further match

struct TSearchOutcome {
  std::optional<int> Row;  // list view: the row to select; details view: unused
  std::optional<size_t> At;  // details view: where the match starts in the memo's text
  TSearchColour Colour = TSearchColour::White;
};

// Whether one item matches: with findChecked an unchecked item never matches and a checked one
// matches at once when the folded search text is empty; pictures never match; otherwise the
// folded search text must occur in the folded text of the item's first text-like format.
bool ItemMatches(const TClipboardData& item, const TItemPreview& preview, const std::wstring& foldedNeedle,
                 bool findChecked, const AnsiCodePagePort& ansi, const TextFoldPort& fold);

// The list view's search over rows 0 .. rowCount - 1 (row 0 the newest): a text change or the
// check box tests every row from 0, Find next the rows after selectedRow downwards, Find prev
// the rows before it upwards; the first that matches is chosen. An empty search text from a
// text change (without Find checked) ends at once, white and with no row. Nothing found: red
// after a text change or the check box, or when the box was red already; grey otherwise.
TSearchOutcome SearchRows(int rowCount, int selectedRow, TSearchFrom from, bool needleEmpty, bool findChecked,
                          bool wasRed, const std::function<bool(int row)>& matches);

// The details view's search in the memo's folded text: the first occurrence for a text
// change, the first starting after selStart for Find next, the last starting at least two
// characters before selStart for Find prev. An empty search text finds nothing.
TSearchOutcome SearchMemo(const std::wstring& foldedText, const std::wstring& foldedNeedle, TSearchFrom from,
                          size_t selStart, bool wasRed);

}  // namespace pelorin
