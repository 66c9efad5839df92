#include "commands/BrightnessSlider.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace pelorin {

namespace {
int32_t ToTrack(uint32_t value) {
  return static_cast<int32_t>(std::min<uint32_t>(value, std::numeric_limits<int32_t>::max()));
}
}  // namespace

TSliderRange SliderRange(uint32_t min, uint32_t cur, uint32_t max) {
  TSliderRange range;
  range.Min = ToTrack(min);
  range.Max = std::max(range.Min, ToTrack(max));
  int32_t value = std::clamp(ToTrack(cur), range.Min, range.Max);
  // In 64 bits: Min + Max may pass INT32_MAX, the difference never leaves the range.
  range.Position = static_cast<int32_t>(int64_t{range.Min} + range.Max - value);
  return range;
}

uint32_t SliderValue(const TSliderRange& range, int32_t position) {
  int32_t p = std::clamp(position, range.Min, std::max(range.Min, range.Max));
  return static_cast<uint32_t>(int64_t{range.Min} + std::max(range.Min, range.Max) - p);
}

std::wstring SliderCaption(uint32_t value) { return L" " + std::to_wstring(value); }

std::wstring SliderLabel(uint32_t value) { return std::to_wstring(value); }

TPoint SliderPlacement(int32_t x, const TRect& workArea, int32_t width, int32_t height) {
  int32_t left = x - 20;
  int32_t rightmost = workArea.Left + workArea.Width - width;
  // Wider than the work area: its left edge wins.
  left = std::max(std::min(left, rightmost), workArea.Left);
  return {left, workArea.Top + workArea.Height - height - 5};
}

TBrightnessSlider::TBrightnessSlider(TBrightness& brightness, std::function<void()> landed,
                                     std::function<void()> failed)
    : Brightness(brightness), Writer(brightness, std::move(landed), std::move(failed)) {}

const TSliderRange& TBrightnessSlider::Show() {
  Bar = SliderRange(Brightness.Min(), Brightness.Cur(), Brightness.Max());
  ShowRead = true;
  Refresh();
  return Bar;
}

void TBrightnessSlider::Refresh() { Writer.Read(Moves); }

std::optional<uint32_t> TBrightnessSlider::Move(int32_t position) {
  if (position == Bar.Position) return std::nullopt;
  Bar.Position = position;
  ++Moves;
  Brightness.SetCur(SliderValue(Bar, position));
  uint32_t value = Brightness.Cur();
  Writer.Write(value);
  return value;
}

TBrightnessSlider::TLanded TBrightnessSlider::Landed() {
  TBrightnessLanded done = Writer.Take();
  TLanded result;
  result.Changed = done.Writes > 0;
  if (done.Reads > 0) {
    bool forShow = std::exchange(ShowRead, false);
    if (done.Reading && done.ReadTag == Moves) {
      Brightness.Store(*done.Reading);
      Bar = SliderRange(Brightness.Min(), Brightness.Cur(), Brightness.Max());
      result.Refreshed = true;
      result.Changed = result.Changed || forShow;
    }
  }
  return result;
}

}  // namespace pelorin
