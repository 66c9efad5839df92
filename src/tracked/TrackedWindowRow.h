#pragma once
#include <algorithm>
#include <string>
#include <vector>

namespace pelorin {

// One row of the tracked-windows table (TrackWinsGrid rows 1..): three cell texts and the
// three values hung on the cells. The table is a vector of rows; an empty vector is an empty
// table.
struct TTrackedWindowRow {
  std::wstring Title;      // window-title pattern, "[*]" allowed
  std::wstring InnerText;  // inner-text or "ClassName: " pattern, or "WxH" when WinSize
  std::wstring ClickAt;    // button-text pattern when IsButton, else the offset "XxY"
  int State = 5;           // 0 = not tracked, anything else = tracked
  bool WinSize = false;
  bool IsButton = true;

  friend bool operator==(const TTrackedWindowRow&, const TTrackedWindowRow&) = default;
};

inline bool AnyRowTracked(const std::vector<TTrackedWindowRow>& rows) {
  return std::any_of(rows.begin(), rows.end(), [](const TTrackedWindowRow& r) { return r.State != 0; });
}

}  // namespace pelorin
