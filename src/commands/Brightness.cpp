#include "commands/Brightness.h"

#include <algorithm>

namespace pelorin {

namespace {
// Garbage ranges (max below min) are kept as read: there is nothing to clamp into.
uint32_t ClampInto(uint32_t value, uint32_t min, uint32_t max) {
  return min <= max ? std::clamp(value, min, max) : value;
}

std::optional<int> BrightnessPercent(uint32_t min, uint32_t cur, uint32_t max) {
  if (max <= min) return std::nullopt;
  int64_t percent = (static_cast<int64_t>(cur) - min) * 100 / (static_cast<int64_t>(max) - min);
  return static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}
}  // namespace

bool TBrightness::ReadBrightness() {
  if (Monitor == nullptr) return false;
  uint32_t min = 0, cur = 0, max = 0;
  {
    std::lock_guard guard(PortLock);
    if (!Monitor->Read(min, cur, max)) return false;
  }
  BrightnessMin.store(min, std::memory_order_relaxed);
  BrightnessMax.store(max, std::memory_order_relaxed);
  BrightnessCur.store(ClampInto(cur, min, max), std::memory_order_relaxed);
  return true;
}

void TBrightness::WriteBrightness() {
  if (Monitor == nullptr) return;
  std::lock_guard guard(PortLock);
  Monitor->Write(Cur());
}

void TBrightness::SetCur(uint32_t value) {
  if (Monitor == nullptr) return;
  BrightnessCur.store(ClampInto(value, Min(), Max()), std::memory_order_relaxed);
}

void TBrightness::StepUp() {
  if (Monitor == nullptr) return;
  uint32_t cur = Cur();
  if (cur < Max()) BrightnessCur.store(cur + 1, std::memory_order_relaxed);
}

void TBrightness::StepDown() {
  if (Monitor == nullptr) return;
  uint32_t cur = Cur();
  if (Min() < cur) BrightnessCur.store(cur - 1, std::memory_order_relaxed);
}

std::optional<int> TBrightness::Percent() const {
  if (Monitor == nullptr) return std::nullopt;
  // Each value loaded once, so the range tested is the range divided by.
  return BrightnessPercent(Min(), Cur(), Max());
}

}  // namespace pelorin
