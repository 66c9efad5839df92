#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "commands/Brightness.h"
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

// What the slider window decides, apart from drawing itself: what is written when, when the
// tray tip and the settings hear of a change, and when a background read may replace what
// the bar shows. The monitor is only ever called by its own writer thread. GUI thread only,
// apart from the two callbacks, which the writer calls from its thread.
//
//   slider.Show()           -> the range to show at once; the monitor is read behind it
//   slider.Move(position)   -> the value for the caption; written behind
//   `landed` posts to the window, whose handler calls slider.Landed() and acts on its answer.
class TBrightnessSlider {
 public:
  // See TBrightnessWriter for `landed` and `failed`.
  TBrightnessSlider(TBrightness& brightness, std::function<void()> landed, std::function<void()> failed = {});

  // Showing: the values known, at once. The monitor may have been changed since (by the
  // brightness commands or its own buttons), so it is read again in the background.
  const TSliderRange& Show();
  // A background read with nothing shown: at start-up, for the tray tip.
  void Refresh();
  // The bar took `position`: the value to show, which the writer sends to the monitor;
  // nullopt when the thumb did not move (a key at the end of the bar, the end of a drag),
  // and nothing is written.
  std::optional<uint32_t> Move(int32_t position);

  struct TLanded {
    // OnChanged (tray tip, settings changed): a write of the user's landed, good or failed
    // as the brightness commands' writes, or the read of a show was taken in.
    bool Changed = false;
    // A reading replaced the values and Range: the bar, labels and caption follow it.
    bool Refreshed = false;
  };
  // The writer said a call finished.
  TLanded Landed();

  // Nothing on its way to or from the monitor.
  bool Idle() { return Writer.Idle(); }

  // What the bar shows; Position follows every move.
  const TSliderRange& Range() const { return Bar; }

  // Drops what is not written yet and waits for the monitor call in progress (shutdown,
  // before the monitor layer is released).
  void Stop() { Writer.Stop(); }

 private:
  TBrightness& Brightness;
  TSliderRange Bar{0, 100, 100};
  // A reading is only taken in while the thumb has not moved since the wish it answers (its
  // tag is the count of moves then): a later move is newer than anything the monitor said.
  uint64_t Moves = 0;
  bool ShowRead = false;
  TBrightnessWriter Writer;  // last: its thread starts once the rest exists
};

}  // namespace pelorin
