#pragma once
#include <cstdint>

namespace pelorin {

// The master volume of the default playback device, as the command thread sees it.
struct VolumePort {
  virtual ~VolumePort() = default;
  // Changes the master volume by step percentage points; the new level 0..100, 0 without a device.
  virtual int ChangeVolume(bool up, int step) = 0;
};

// One step of the endpoint volume: the scalar to set and the level it is reported as.
struct TEndpointStep {
  float Level;
  int Percent;
};

// The system hands out and takes the level as a 32-bit float; the step is added in double
// precision, the sum stored as a float and clamped to 0..1 (a NaN from a broken driver
// counts as 0).
TEndpointStep NextEndpointLevel(float current, bool up, int step);

// A stored scalar as a percentage: level x 100 rounded to nearest, halves to even. The float
// nearest a two-digit level may lie just above or below it, so 0.135f gives 14, but a level
// that reaches 0.135 by a step down may be stored just below and give 13.
int EndpointPercent(float level);

// One step of the legacy mixer's volume control.
struct TMixerStep {
  uint32_t Value;
  int Percent;
};

// unit = range div 100, at least 1; the value moves by unit x step and is clamped to
// min..max; percent = (value - min) x 100 div range. A control without a range (max <= min)
// keeps its value and reports 0.
TMixerStep NextMixerValue(uint32_t min, uint32_t max, uint32_t value, bool up, int step);

}  // namespace pelorin
