#pragma once
#include <cstdint>
#include <string>

#include "common/AtomicPoint.h"

namespace pelorin {

// The brightness slider's track bar: its range is the monitor's, but its lowest position is
// at the top, so a position counts down from the maximum. Positions are mirrored inside the
// range (value = Min + Max - position): on a range that starts above 0 the plain Max -
// position would leave it.
struct TSliderRange {
  int32_t Min = 0;
  int32_t Max = 0;
  int32_t Position = 0;  // the current value's place, Min at the top
  friend bool operator==(const TSliderRange&, const TSliderRange&) = default;
};

// A track bar holds ints; the monitor's units never come near the limit, but a broken driver
// may report anything, so both ends are kept within 0..INT32_MAX and a maximum below the
// minimum gives a one-position bar that cannot write. `cur` outside the range lands on its
// nearer end.
TSliderRange SliderRange(uint32_t min, uint32_t cur, uint32_t max);

// The value at a position of that range; a position outside it counts as its nearer end.
uint32_t SliderValue(const TSliderRange& range, int32_t position);

// The window caption: a blank, then the value.
std::wstring SliderCaption(uint32_t value);
// MaxLab and MinLab: the monitor's own ends as read.
std::wstring SliderLabel(uint32_t value);

// Left edge 20 px left of `x`, bottom 5 px above the work area's bottom. The window is kept
// whole inside the work area horizontally: a click near either screen edge would otherwise
// put part of it off screen.
TPoint SliderPlacement(int32_t x, const TRect& workArea, int32_t width, int32_t height);

}  // namespace pelorin
