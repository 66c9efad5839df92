#pragma once
#include <cmath>
#include <cstdint>

namespace pelorin {

// Real values become whole pixels or units by rounding to nearest, halves to even
// (banker's rounding), independent of the current floating-point rounding mode.
inline int64_t RoundHalfEven(double value) {
  double floor = std::floor(value);
  double diff = value - floor;
  int64_t result = static_cast<int64_t>(floor);
  if (diff > 0.5 || (diff == 0.5 && (result & 1) != 0)) ++result;
  return result;
}

// Difference of two 32-bit millisecond time stamps or tick counts, modulo 2^32.
constexpr uint32_t TimeDiff(uint32_t later, uint32_t earlier) { return later - earlier; }

}  // namespace pelorin
