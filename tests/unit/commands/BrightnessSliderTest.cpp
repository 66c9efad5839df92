#include "commands/BrightnessSlider.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pelorin {
namespace {

constexpr uint32_t Huge = std::numeric_limits<uint32_t>::max();
constexpr int32_t IntMax = std::numeric_limits<int32_t>::max();

struct RangeCase {
  const char* What;
  uint32_t Min, Cur, Max;
  TSliderRange Expected;
};

TEST(BrightnessSlider, RangeAndThumbPositionCountDownFromTheTop) {
  const std::vector<RangeCase> cases = {
      {"0..100 at 70: 30 steps below the top", 0, 70, 100, {0, 100, 30}},
      {"at the maximum: the top", 0, 100, 100, {0, 100, 0}},
      {"at the minimum: the bottom", 0, 0, 100, {0, 100, 100}},
      {"20..80 at 30: mirrored inside the range", 20, 30, 80, {20, 80, 70}},
      {"20..80 at its maximum", 20, 80, 80, {20, 80, 20}},
      {"min == max: one position", 50, 50, 50, {50, 50, 50}},
      {"current above the range: the top", 0, 150, 100, {0, 100, 0}},
      {"current below the range: the bottom", 20, 5, 80, {20, 80, 80}},
      {"max below min: one position at min", 60, 55, 40, {60, 60, 60}},
      {"units beyond an int: cut at INT32_MAX", 0, Huge, Huge, {0, IntMax, 0}},
      {"both ends beyond an int", Huge - 1, Huge, Huge, {IntMax, IntMax, IntMax}},
  };
  for (const RangeCase& c : cases) EXPECT_EQ(SliderRange(c.Min, c.Cur, c.Max), c.Expected) << c.What;
}

struct ValueCase {
  const char* What;
  TSliderRange Range;
  int32_t Position;
  uint32_t Expected;
};

TEST(BrightnessSlider, ValueOfAPositionStaysInsideTheRange) {
  const std::vector<ValueCase> cases = {
      {"0..100, 30 from the top", {0, 100, 0}, 30, 70},
      {"0..100, top", {0, 100, 0}, 0, 100},
      {"0..100, bottom", {0, 100, 0}, 100, 0},
      {"20..80, top is the maximum", {20, 80, 0}, 20, 80},
      {"20..80, bottom is the minimum", {20, 80, 0}, 80, 20},
      {"20..80, one below the top", {20, 80, 0}, 21, 79},
      {"a position above the bar", {20, 80, 0}, 3, 80},
      {"a position below the bar", {20, 80, 0}, 95, 20},
      {"min == max", {50, 50, 50}, 49, 50},
      {"ends at INT32_MAX do not overflow", {IntMax - 10, IntMax, 0}, IntMax - 10, static_cast<uint32_t>(IntMax)},
  };
  for (const ValueCase& c : cases) EXPECT_EQ(SliderValue(c.Range, c.Position), c.Expected) << c.What;
}

TEST(BrightnessSlider, EveryPositionMapsBackToTheValueItCameFrom) {
  for (auto [min, max] : {std::pair<uint32_t, uint32_t>{0, 100}, {20, 80}, {7, 7}}) {
    for (uint32_t value = min; value <= max; ++value) {
      TSliderRange range = SliderRange(min, value, max);
      EXPECT_EQ(SliderValue(range, range.Position), value) << min << ".." << max << " at " << value;
    }
  }
}

TEST(BrightnessSlider, CaptionIsABlankAndTheValueLabelsThePlainNumber) {
  EXPECT_EQ(SliderCaption(70), L" 70");
  EXPECT_EQ(SliderCaption(0), L" 0");
  EXPECT_EQ(SliderCaption(Huge), L" 4294967295");
  EXPECT_EQ(SliderLabel(100), L"100");
  EXPECT_EQ(SliderLabel(0), L"0");
}

struct PlaceCase {
  const char* What;
  int32_t X;
  TRect Work;
  TPoint Expected;
};

TEST(BrightnessSlider, PlacementAboveTheWorkAreaBottomAndInsideItsWidth) {
  // A 45 x 210 window (client 39 x 185 plus frame and caption).
  constexpr TRect taskbarBelow{0, 0, 1280, 994};
  constexpr TRect taskbarLeft{60, 0, 1220, 1024};
  const std::vector<PlaceCase> cases = {
      {"20 px left of the click, 5 px above the bottom", 600, taskbarBelow, {580, 779}},
      {"exactly touching the right edge", 1255, taskbarBelow, {1235, 779}},
      {"near the right edge: pulled back inside", 1270, taskbarBelow, {1235, 779}},
      {"near the left edge: pulled inside", 10, taskbarBelow, {0, 779}},
      {"work area not at the origin", 70, taskbarLeft, {60, 809}},
      {"work area not at the origin, right edge", 1279, taskbarLeft, {1235, 809}},
      {"work area narrower than the window: its left edge", 30, {10, 0, 40, 994}, {10, 779}},
  };
  for (const PlaceCase& c : cases) EXPECT_EQ(SliderPlacement(c.X, c.Work, 45, 210), c.Expected) << c.What;
}

}  // namespace
}  // namespace pelorin
