#pragma once
#include <string>

#include "clipboard/ClipboardData.h"
#include "config/AnsiCodePage.h"

namespace pelorin {

// The text shown for one format: CF_TEXT through the ANSI code page, CF_UNICODETEXT, the file
// names of a CF_HDROP joined by CR; any other format is empty. Never reads past Data. Tabs
// become four blanks. Each UTF-16 unit becomes one wchar_t (surrogates are not joined).
std::wstring ClipboardItemText(const TClipboardDataItem& item, const AnsiCodePagePort& ansi);

// Leading and trailing blanks, tabs, CR and LF removed; a text made only of those is kept whole.
std::wstring TrimKeyText(std::wstring text);

// Repairs a CF_TEXT that lost characters, or a CF_UNICODETEXT made with the wrong code page,
// in place. True when one repair changed the text (the first sign of damage ends the step);
// a conversion that gives the same bytes, or a Unicode text with characters beyond U+00FF
// taken for a widened one, is no repair and leaves both texts as they were.
bool TextFixUp(TClipboardData& snapshot, const AnsiCodePagePort& ansi);

// The 9th decimal of Time, written with 14 decimals, moved to its even/odd partner, so that a
// changed item no longer matches the copy in the data file.
void TimeParityFlip(double& time);

}  // namespace pelorin
