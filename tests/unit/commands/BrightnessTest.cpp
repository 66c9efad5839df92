#include "commands/Brightness.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

namespace pelorin {
namespace {

struct Range { uint32_t Min, Cur, Max; };

struct FakeMonitor : BrightnessPort {
  explicit FakeMonitor(Range r = {0, 0, 100}) : Min(r.Min), Cur(r.Cur), Max(r.Max) {}
  bool ReadOk = true;
  uint32_t Min, Cur, Max;
  int Reads = 0;
  std::vector<uint32_t> Written;

  bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) override {
    ++Reads;
    if (!ReadOk) return false;
    min = Min;
    cur = Cur;
    max = Max;
    return true;
  }
  bool Write(uint32_t cur) override {
    Written.push_back(cur);
    return false;  // a failed write must not matter
  }
};

void ExpectValues(const TBrightness& b, Range r, const char* what) {
  EXPECT_EQ(b.Min(), r.Min) << what;
  EXPECT_EQ(b.Cur(), r.Cur) << what;
  EXPECT_EQ(b.Max(), r.Max) << what;
}

TEST(Brightness, WithoutAMonitorNothingChanges) {
  TBrightness b(nullptr);
  EXPECT_FALSE(b.Available());
  EXPECT_FALSE(b.ReadBrightness());
  b.WriteBrightness();
  EXPECT_EQ(b.ReadMonitor(), std::nullopt);
  EXPECT_FALSE(b.WriteMonitor(40));
  b.Store({10, 20, 30});
  b.StepUp();
  b.SetCur(40);
  ExpectValues(b, {0, 0, 100}, "the initial values stay");
  b.StepDown();
  EXPECT_EQ(b.Cur(), 0u);
  EXPECT_EQ(b.Percent(), std::nullopt) << "no brightness line in the tray tip";
}

TEST(Brightness, AFailedReadKeepsThePreviousValues) {
  FakeMonitor monitor;
  monitor.ReadOk = false;
  TBrightness b(&monitor);
  EXPECT_TRUE(b.Available());
  EXPECT_FALSE(b.ReadBrightness());
  ExpectValues(b, {0, 0, 100}, "before any good read");
  EXPECT_FALSE(b.Known()) << "no value to show before a good read";

  monitor.ReadOk = true;
  monitor.Min = 10;
  monitor.Cur = 50;
  monitor.Max = 90;
  EXPECT_TRUE(b.ReadBrightness());
  ExpectValues(b, {10, 50, 90}, "a good read");
  EXPECT_TRUE(b.Known());

  monitor.ReadOk = false;
  monitor.Max = 0;
  EXPECT_FALSE(b.ReadBrightness());
  ExpectValues(b, {10, 50, 90}, "after a failed read");
  EXPECT_TRUE(b.Known()) << "the last good values stay known";
  EXPECT_EQ(monitor.Reads, 3) << "every read asked the monitor";
}

TEST(Brightness, ACurrentValueReadOutsideTheRangeIsClampedIntoIt) {
  struct Case { Range Read; uint32_t Cur; const char* What; };
  const std::vector<Case> cases = {
      {{0, 150, 100}, 100, "above the maximum"},
      {{20, 5, 80}, 20, "below the minimum"},
      {{20, 50, 80}, 50, "inside"},
      {{50, 50, 50}, 50, "a one-value range"},
      {{80, 50, 20}, 50, "maximum below minimum: nothing to clamp into, kept as read"},
  };
  for (const Case& c : cases) {
    FakeMonitor monitor(c.Read);
    TBrightness b(&monitor);
    ASSERT_TRUE(b.ReadBrightness()) << c.What;
    ExpectValues(b, {c.Read.Min, c.Cur, c.Read.Max}, c.What);
  }
}

TEST(Brightness, StepsMoveOneUnitAndStopAtTheEndsOfTheRange) {
  struct Case { Range Read; bool Up; uint32_t Cur; const char* What; };
  const std::vector<Case> cases = {
      {{0, 70, 100}, true, 71, "up"},
      {{0, 70, 100}, false, 69, "down"},
      {{0, 100, 100}, true, 100, "up at the maximum stays"},
      {{0, 0, 100}, false, 0, "down at the minimum stays"},
      {{20, 20, 80}, false, 20, "down at a minimum above 0 stays"},
      {{20, 79, 80}, true, 80, "up to a maximum below 100"},
      {{5, 5, 5}, true, 5, "a one-value range never moves up"},
      {{5, 5, 5}, false, 5, "nor down"},
  };
  for (const Case& c : cases) {
    FakeMonitor monitor(c.Read);
    TBrightness b(&monitor);
    ASSERT_TRUE(b.ReadBrightness()) << c.What;
    c.Up ? b.StepUp() : b.StepDown();
    EXPECT_EQ(b.Cur(), c.Cur) << c.What;
    // The step writes even when nothing moved, and a failed write changes nothing.
    b.WriteBrightness();
    EXPECT_EQ(monitor.Written, std::vector<uint32_t>{c.Cur}) << c.What;
    EXPECT_EQ(b.Cur(), c.Cur) << c.What;
  }
}

TEST(Brightness, SetCurKeepsTheValueInsideTheMonitorsRange) {
  FakeMonitor monitor({20, 50, 80});
  TBrightness b(&monitor);
  ASSERT_TRUE(b.ReadBrightness());
  struct Case { uint32_t Set, Cur; };
  for (Case c : std::vector<Case>{{60, 60}, {10, 20}, {90, 80}, {20, 20}, {80, 80}}) {
    b.SetCur(c.Set);
    EXPECT_EQ(b.Cur(), c.Cur) << c.Set;
  }
  b.SetCur(33);
  b.WriteBrightness();
  EXPECT_EQ(monitor.Written, std::vector<uint32_t>{33});
}

TEST(Brightness, PercentForTheUsualRangeIsTheRawValue) {
  FakeMonitor monitor;
  TBrightness b(&monitor);
  for (uint32_t cur = 0; cur <= 100; ++cur) {
    monitor.Cur = cur;
    ASSERT_TRUE(b.ReadBrightness());
    EXPECT_EQ(b.Percent(), std::optional<int>(static_cast<int>(cur)));
  }
}

TEST(Brightness, PercentIsMeasuredFromTheMinimumAndAbsentWithoutARange) {
  constexpr uint32_t Top = std::numeric_limits<uint32_t>::max();
  struct Case { Range Read; std::optional<int> Percent; const char* What; };
  const std::vector<Case> cases = {
      {{20, 20, 80}, 0, "at a minimum above 0"},
      {{20, 50, 80}, 50, "half way"},
      {{20, 80, 80}, 100, "at the maximum: 100, not 133"},
      {{10, 11, 13}, 33, "integer division"},
      {{0, 150, 100}, 100, "read above the range: clamped first"},
      {{0, Top / 2 + 1, Top}, 50, "64-bit products: no overflow"},
      {{0, Top, Top}, 100, "the whole 32-bit range"},
      {{50, 50, 50}, std::nullopt, "maximum equal to minimum"},
      {{0, 0, 0}, std::nullopt, "all zero"},
      {{80, 50, 20}, std::nullopt, "maximum below minimum"},
  };
  for (const Case& c : cases) {
    FakeMonitor monitor(c.Read);
    TBrightness b(&monitor);
    ASSERT_TRUE(b.ReadBrightness()) << c.What;
    EXPECT_EQ(b.Percent(), c.Percent) << c.What;
  }
}

}  // namespace
}  // namespace pelorin
