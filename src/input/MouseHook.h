#pragma once
#include <atomic>
#include <cstdint>

#include "base/SharedState.h"
#include "common/AtomicPoint.h"
#include "base/Settings.h"
#include "base/HookMarkers.h"
#include "input/TypedChars.h"
#include "input/CustomInputTable.h"

namespace pelorin {

// Mouse messages of the low-level hook (the Win32 WM_ values).
namespace MouseMsg {
inline constexpr uint32_t Move = 0x0200;
inline constexpr uint32_t LButtonDown = 0x0201;
inline constexpr uint32_t LButtonUp = 0x0202;
inline constexpr uint32_t RButtonDown = 0x0204;
inline constexpr uint32_t RButtonUp = 0x0205;
inline constexpr uint32_t MButtonDown = 0x0207;
inline constexpr uint32_t MButtonUp = 0x0208;
inline constexpr uint32_t Wheel = 0x020A;
inline constexpr uint32_t XButtonDown = 0x020B;
inline constexpr uint32_t XButtonUp = 0x020C;
inline constexpr uint32_t HWheel = 0x020E;
}  // namespace MouseMsg

struct MouseEvent {
  uint32_t Message = 0;
  int32_t X = 0;
  int32_t Y = 0;
  uint32_t MouseData = 0;  // high word: signed wheel delta or extended-button number
  uint32_t Time = 0;
};

// What the mouse hook needs from the GUI.
struct MouseHookPort {
  virtual ~MouseHookPort() = default;
  // CommandCombo or InputCombo has the keyboard focus.
  virtual bool ChoiceComboFocused() = 0;
  virtual TRect MainWindowRect() = 0;
};

// Quick-movement detector state of one axis.
struct TShakeAxis {
  static constexpr int32_t ResetMin = 1000000;
  static constexpr int32_t ResetMax = -1000000;
  int32_t Min = ResetMin;
  int32_t Max = ResetMax;
  int32_t OtherAtMin = 0;
  int32_t OtherAtMax = 0;
  uint32_t SlowSince = 0;
  bool Forward = false;
  bool Back = false;
  bool Fired = false;
};

void ResetShake(TShakeAxis& axis);

// The recogniser behind the low-level mouse hook: custom mouse inputs, the wheel and
// double-click fixes, the probe answer and the picker point. Runs in the GUI thread; the
// values other threads read are atomics. Allocates nothing and never throws.
class TMouseHook {
 public:
  TMouseHook(const TCustomInputTable& table, const Settings& settings, TSharedState& shared,
             MouseHookPort& window, TypedCharsPort& typedChars, TPoint cursorAtStart);

  HookVerdict MouseHookProc(const MouseEvent& e) noexcept;

  bool DetectShake(TShakeAxis& axis, int32_t main, int32_t other, int64_t v, int32_t prev) noexcept;

  // Read by other threads.
  TPoint Prev() const { return PrevPos.Load(); }
  bool LeftButtonDown() const { return LeftDown.load(std::memory_order_relaxed); }
  bool LastWheelUp() const { return WheelUp.load(std::memory_order_relaxed); }

  // State visible to tests and the benchmark.
  const TShakeAxis& AxisX() const { return ShakeX; }
  const TShakeAxis& AxisY() const { return ShakeY; }
  uint32_t LastMoveTime() const { return MoveTime; }

 private:
  HookVerdict OnMove(const MouseEvent& e) noexcept;
  HookVerdict OnLeftButton(const MouseEvent& e) noexcept;
  HookVerdict OnExtraButton(const MouseEvent& e) noexcept;
  HookVerdict OnWheel(const MouseEvent& e) noexcept;
  // Fires the row bound to a catalogue input if it exists and may fire; the row or -1.
  int ActiveRowFor(int inputItem) const noexcept;

  const TCustomInputTable& Table;
  const Settings& Cfg;
  TSharedState& Shared;
  MouseHookPort& Window;
  TypedCharsPort& TypedChars;

  AtomicPoint PrevPos;
  uint32_t MoveTime = 0;
  TShakeAxis ShakeX;
  TShakeAxis ShakeY;
  uint32_t LastLeftTime = 0;
  std::atomic<bool> LeftDown{false};
  uint32_t LastButtonTime = 0;
  uint32_t LastWheelTime = 0;
  uint32_t WheelSeriesStart = 0;
  std::atomic<bool> WheelUp{false};
};

}  // namespace pelorin
