#include "commands/Volume.h"

#include <algorithm>

#include "common/Rounding.h"

namespace pelorin {

TEndpointStep NextEndpointLevel(float current, bool up, int step) {
  double level = static_cast<double>(current) + (up ? step : -step) * 0.01;
  // Written so that a NaN fails the first test and becomes 0.
  if (!(level > 0.0)) level = 0.0;
  if (level > 1.0) level = 1.0;
  float stored = static_cast<float>(level);
  return {stored, EndpointPercent(stored)};
}

int EndpointPercent(float level) {
  if (!(level > 0.0f)) return 0;
  if (level > 1.0f) return 100;
  return static_cast<int>(RoundHalfEven(static_cast<double>(level) * 100.0));
}

TMixerStep NextMixerValue(uint32_t min, uint32_t max, uint32_t value, bool up, int step) {
  if (max <= min) return {value, 0};
  // 64-bit: a value near either end of the 32-bit range must not wrap before the clamp.
  int64_t range = static_cast<int64_t>(max) - min;
  int64_t unit = std::max<int64_t>(range / 100, 1);
  int64_t delta = unit * step;
  int64_t next = std::clamp<int64_t>(static_cast<int64_t>(value) + (up ? delta : -delta), min, max);
  return {static_cast<uint32_t>(next), static_cast<int>((next - min) * 100 / range)};
}

}  // namespace pelorin
