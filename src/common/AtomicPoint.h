#pragma once
#include <atomic>
#include <cstdint>

namespace pelorin {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// A point shared between threads: both coordinates in one 64-bit word, so a reader
// never sees x of one position with y of another.
class AtomicPoint {
 public:
  explicit AtomicPoint(TPoint p = {}) : Packed(Pack(p)) {}
  TPoint Load() const { return Unpack(Packed.load(std::memory_order_relaxed)); }
  void Store(TPoint p) { Packed.store(Pack(p), std::memory_order_relaxed); }
  // Stores p and returns what was there, in one step.
  TPoint Exchange(TPoint p) { return Unpack(Packed.exchange(Pack(p), std::memory_order_relaxed)); }

 private:
  static uint64_t Pack(TPoint p) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(p.X)) << 32) | static_cast<uint32_t>(p.Y);
  }
  static TPoint Unpack(uint64_t v) {
    return {static_cast<int32_t>(static_cast<uint32_t>(v >> 32)), static_cast<int32_t>(static_cast<uint32_t>(v))};
  }
  std::atomic<uint64_t> Packed;
};

}  // namespace pelorin
