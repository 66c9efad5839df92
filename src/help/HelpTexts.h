#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pelorin {

// The help window's texts, one for each page of the main window in the order of the pages:
// 0-2 the sub-tabs of "Custom Inputs" (Commands, Mouse, Keyboard layout), 3 Desktop,
// 4 Tracked windows, 5 Settings.
inline constexpr int HelpTextCount = 6;

// The note every text ends with: where to report a bug and what to write in the report.
std::wstring_view HelpClosingNote();

// The six texts, each with the closing note appended; built once and never changed.
const std::array<std::wstring, HelpTextCount>& HelpTexts();

// Which text belongs to a page of the main window: on the first tab ("Custom Inputs") the
// inner page's index (0-2), on the others the tab's index + 2. -1 for a page that does not
// exist.
int HelpTextIndex(int tabIndex, int innerPageIndex);

}  // namespace pelorin
