#include "commands/Volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace pelorin {
namespace {

// The float just below 0.135f: where 0.145f lands after one step down.
const float JustBelow0135 = std::nextafter(0.135f, 0.0f);

TEST(VolumeEndpoint, NextLevelStepsInDoubleStoresAFloatAndClamps) {
  struct Case { float Current; bool Up; int Step; float Level; int Percent; const char* What; };
  const std::vector<Case> cases = {
      {0.98f, true, 4, 1.0f, 100, "clamped at the top"},
      {0.02f, false, 4, 0.0f, 0, "clamped at the bottom"},
      {1.0f, true, 1, 1.0f, 100, "already at the top"},
      {0.0f, false, 1, 0.0f, 0, "already at the bottom"},
      {0.0f, true, 1, 0.01f, 1, "one point up from silence"},
      {1.0f, false, 1, 0.99f, 99, "one point down from full"},
      {0.5f, true, 3, 0.53f, 53, "three points"},
      // 0.115f + 0.01 = 0.12500000209 in double, which as a float is exactly 0.125: a true
      // tie, reported as the even 12.
      {0.115f, true, 1, 0.125f, 12, "exact tie goes to even"},
      // 0.125 + 0.01 is stored as 0.135f = 0.13500000536..., above the half: 14.
      {0.125f, true, 1, 0.135f, 14, "nearest float above the half"},
      // 0.145f (0.14499999583) - 0.01 is stored as 0.13499999046..., below the half: 13,
      // though it prints as 0.135 to three places.
      {0.145f, false, 1, JustBelow0135, 13, "nearest float below the half"},
      {std::numeric_limits<float>::quiet_NaN(), true, 1, 0.0f, 0, "a NaN from the driver counts as 0"},
  };
  for (const Case& c : cases) {
    TEndpointStep next = NextEndpointLevel(c.Current, c.Up, c.Step);
    EXPECT_EQ(next.Level, c.Level) << c.What;
    EXPECT_EQ(next.Percent, c.Percent) << c.What;
  }
}

TEST(VolumeEndpoint, PercentRoundsTheStoredFloatInDoubleHalvesToEven) {
  // Only exact ties go to even; most "x.5" levels are not ties once stored as floats. The
  // product is taken in double: in float, 0.025f x 100 and 0.015f x 100 would both become
  // exact ties first and round to 2.
  struct Case { float Level; int Percent; };
  for (Case c : std::vector<Case>{{0.125f, 12},
                                  {0.375f, 38},
                                  {0.625f, 62},
                                  {0.135f, 14},
                                  {JustBelow0135, 13},
                                  {0.025f, 3},   // 2.50000004
                                  {0.015f, 1},   // 1.49999997
                                  {0.005f, 0},   // 0.49999999
                                  {0.0f, 0},
                                  {1.0f, 100}})
    EXPECT_EQ(EndpointPercent(c.Level), c.Percent) << c.Level;
}

TEST(VolumeMixer, NextValueMovesByAHundredthOfTheRangeTimesTheStep) {
  constexpr uint32_t Top = std::numeric_limits<uint32_t>::max();
  struct Case { uint32_t Min, Max, Value; bool Up; int Step; uint32_t Next; int Percent; const char* What; };
  const std::vector<Case> cases = {
      {0, 65535, 30000, true, 2, 31310, 47, "unit 655, step 2 moves 1310"},
      {0, 65535, 30000, false, 2, 28690, 43, "and back down"},
      {0, 65535, 65000, true, 1, 65535, 100, "clamped to the maximum, reported as 100"},
      {0, 65535, 500, false, 4, 0, 0, "clamped to the minimum"},
      {0, 50, 25, true, 1, 26, 52, "range 50: unit raised from 0 to 1"},
      {0, 50, 25, false, 3, 22, 44, "range 50, step 3"},
      {0, 199, 100, true, 1, 101, 50, "range 199: unit 1"},
      {0, 200, 100, true, 1, 102, 51, "range 200: unit 2"},
      {100, 1100, 600, true, 1, 610, 51, "a minimum above 0 is measured from"},
      {0, 100, 500, false, 1, 100, 100, "a value read above the maximum comes back into range"},
      {0, Top, Top - 10, true, 4, Top, 100, "no wrap at the top of 32 bits"},
      {0, Top, 10, false, 4, 0, 0, "no wrap below 0"},
      {50, 50, 50, true, 1, 50, 0, "no range: value kept, 0 reported"},
      {60, 50, 55, false, 1, 55, 0, "maximum below minimum: value kept, 0 reported"},
  };
  for (const Case& c : cases) {
    TMixerStep next = NextMixerValue(c.Min, c.Max, c.Value, c.Up, c.Step);
    EXPECT_EQ(next.Value, c.Next) << c.What;
    EXPECT_EQ(next.Percent, c.Percent) << c.What;
  }
}

}  // namespace
}  // namespace pelorin
