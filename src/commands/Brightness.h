#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

namespace pelorin {

// The monitor's own control channel, in the monitor's units.
struct BrightnessPort {
  virtual ~BrightnessPort() = default;
  virtual bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) = 0;
  virtual bool Write(uint32_t cur) = 0;
};

// BrightnessMin, BrightnessCur and BrightnessMax as last read from the monitor or last set by
// Pelorin. The command thread (brightness step), the slider window (GUI thread) and the tray
// tip all use them: each value is an atomic, and the port is called under one lock because
// the monitor's channel is a slow serial line that one caller at a time should talk over.
class TBrightness {
 public:
  // null: no brightness control.
  explicit TBrightness(BrightnessPort* monitor) : Monitor(monitor) {}
  TBrightness(const TBrightness&) = delete;
  TBrightness& operator=(const TBrightness&) = delete;

  bool Available() const { return Monitor != nullptr; }

  // Refreshes the three values; false (values unchanged) on failure or when unavailable. A
  // current value outside a valid range is clamped into it.
  bool ReadBrightness();
  // Sets the monitor to Cur; nothing when unavailable. A failed write is ignored.
  void WriteBrightness();

  uint32_t Min() const { return BrightnessMin.load(std::memory_order_relaxed); }
  uint32_t Cur() const { return BrightnessCur.load(std::memory_order_relaxed); }
  uint32_t Max() const { return BrightnessMax.load(std::memory_order_relaxed); }

  // The changes below do nothing when unavailable, like every other brightness command.

  // Clamped into Min..Max while that range is valid, so the monitor is never sent a value
  // outside its own range.
  void SetCur(uint32_t value);
  // One unit of the monitor's own scale: up while Cur < Max, down while Min < Cur.
  void StepUp();
  void StepDown();

  // (Cur - Min) x 100 div (Max - Min), clamped to 0..100: measured from Min, so a range that
  // does not start at 0 still ends at 100 (on the common 0..100 it is the raw value).
  // nullopt, so that the caller shows nothing, when unavailable or when Max <= Min: such a
  // range has no meaningful percentage and would divide by zero.
  std::optional<int> Percent() const;

 private:
  BrightnessPort* const Monitor;
  std::mutex PortLock;
  std::atomic<uint32_t> BrightnessMin{0};
  std::atomic<uint32_t> BrightnessCur{0};
  std::atomic<uint32_t> BrightnessMax{100};
};

}  // namespace pelorin
