#include "tracked/SyntheticInput.h"

#include <algorithm>
#include <limits>

#include "common/Rounding.h"

namespace pelorin {

namespace {

TInputRecord MouseRecord(const TSyntheticContext& c, TMouseInput mouse) {
  mouse.ExtraInfo = c.ExtraInfo;
  return {InputKind::Mouse, mouse, {}};
}

}  // namespace

int32_t AbsoluteCoord(int64_t pixel, int32_t screenSize) {
  if (screenSize <= 0) return 0;
  // The product is exact in a double; only the division rounds.
  int64_t scaled = RoundHalfEven(static_cast<double>(pixel * 65535) / screenSize);
  return static_cast<int32_t>(
      std::clamp<int64_t>(scaled, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

TInputBatch BuildMouseClick(const TSyntheticContext& c, int extra, int32_t x, int32_t y, bool marked) {
  int count = 2 * std::clamp(extra, 0, 1) + 2;
  uint32_t down = c.PrimaryButtonLeft ? MouseFlag::LeftDown : MouseFlag::RightDown;
  uint32_t up = c.PrimaryButtonLeft ? MouseFlag::LeftUp : MouseFlag::RightUp;
  bool atPoint = x != -1;
  TInputBatch batch;
  for (int k = 1; k <= count; ++k) {
    TMouseInput e;
    e.Flags = k % 2 == 1 ? down : up;
    e.Time = OwnTime(marked);
    if (atPoint) {
      // Event k lies at (x + k, y + k): the walk starts one pixel past the given point.
      e.Flags |= MouseFlag::Move | MouseFlag::Absolute;
      e.Dx = AbsoluteCoord(int64_t{x} + k, c.ScreenWidth);
      e.Dy = AbsoluteCoord(int64_t{y} + k, c.ScreenHeight);
    }
    batch.Add(MouseRecord(c, e));
  }
  return batch;
}

TInputBatch BuildProbeMove(const TSyntheticContext& c) {
  TMouseInput e;
  e.Flags = MouseFlag::Move | MouseFlag::Absolute;
  e.Dx = AbsoluteCoord(c.Prev.X, c.ScreenWidth);
  e.Dy = AbsoluteCoord(c.Prev.Y, c.ScreenHeight);
  e.Time = ProbeMark;
  TInputBatch batch;
  batch.Add(MouseRecord(c, e));
  return batch;
}

TInputBatch BuildWheel(const TSyntheticContext& c, bool up, bool marked) {
  TMouseInput e;
  e.Flags = MouseFlag::Wheel;
  e.MouseData = up ? WheelDelta : -WheelDelta;
  e.Time = OwnTime(marked);
  TInputBatch batch;
  batch.Add(MouseRecord(c, e));
  return batch;
}

TInputBatch BuildKey(const TSyntheticContext& c, bool down, uint8_t vk, uint8_t scan, bool marked) {
  // Never KEYEVENTF_SCANCODE: the virtual key decides the key, the scan code rides along.
  TKeyInput e;
  e.Vk = vk;
  e.Scan = scan;
  e.Flags = (IsExtendedScanCode(scan) ? KeyFlag::ExtendedKey : 0) | (down ? 0 : KeyFlag::KeyUp);
  e.Time = OwnTime(marked);
  e.ExtraInfo = c.ExtraInfo;
  TInputBatch batch;
  batch.Add({InputKind::Keyboard, {}, e});
  return batch;
}

TSyntheticContext TSyntheticInput::Context() {
  return {Shared.ScreenWidth.load(std::memory_order_relaxed), Shared.ScreenHeight.load(std::memory_order_relaxed),
          Hook.Prev(), Shared.PrimaryButtonLeft.load(std::memory_order_relaxed), Port.CurrentExtraInfo()};
}

void TSyntheticInput::SendMouseClick(int extra, int32_t x, int32_t y, bool marked) {
  TSyntheticContext c = Context();
  Port.SendBatch(BuildMouseClick(c, extra, x, y, marked));
  // The click moved the pointer; give it back to the user where the hook last saw it.
  if (x != -1) Port.PutPointerAt(c.Prev);
}

void TSyntheticInput::SendProbeMove() { Port.SendBatch(BuildProbeMove(Context())); }

void TSyntheticInput::SendWheel(bool up, bool marked) { Port.SendBatch(BuildWheel(Context(), up, marked)); }

void TSyntheticInput::SendKey(bool down, uint8_t vk, uint8_t scan, bool marked) {
  Port.SendBatch(BuildKey(Context(), down, vk, scan, marked));
}

}  // namespace pelorin
