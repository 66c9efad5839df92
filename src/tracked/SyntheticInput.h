#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "base/SharedState.h"
#include "common/AtomicPoint.h"
#include "input/MouseHook.h"

namespace pelorin {

// Flags of a synthetic mouse event (the Win32 MOUSEEVENTF_ values).
namespace MouseFlag {
inline constexpr uint32_t Move = 0x0001;
inline constexpr uint32_t LeftDown = 0x0002;
inline constexpr uint32_t LeftUp = 0x0004;
inline constexpr uint32_t RightDown = 0x0008;
inline constexpr uint32_t RightUp = 0x0010;
inline constexpr uint32_t Wheel = 0x0800;
inline constexpr uint32_t Absolute = 0x8000;
}  // namespace MouseFlag

// Flags of a synthetic key event (the Win32 KEYEVENTF_ values).
namespace KeyFlag {
inline constexpr uint32_t ExtendedKey = 0x0001;
inline constexpr uint32_t KeyUp = 0x0002;
}  // namespace KeyFlag

inline constexpr int32_t WheelDelta = 120;

// Scan codes sent with KeyFlag::ExtendedKey, as a set over 0-95; codes from 96 up are never
// extended. Shift, Caps Lock and F1-F12 belong to it as well.
inline constexpr std::array<bool, 96> ExtendedScanCodes = [] {
  std::array<bool, 96> set{};
  constexpr std::array<std::array<uint8_t, 2>, 10> ranges{{{0x00, 0x00}, {0x1D, 0x1D}, {0x2A, 0x2A}, {0x36, 0x38},
                                                           {0x3A, 0x49}, {0x4B, 0x4B}, {0x4D, 0x4D}, {0x4F, 0x53},
                                                           {0x57, 0x58}, {0x5B, 0x5D}}};
  for (const auto& r : ranges)
    for (int code = r[0]; code <= r[1]; ++code) set[code] = true;
  return set;
}();

constexpr bool IsExtendedScanCode(uint32_t scan) { return scan < ExtendedScanCodes.size() && ExtendedScanCodes[scan]; }

// One event as handed to the system (the fields of MOUSEINPUT and KEYBDINPUT).
struct TMouseInput {
  int32_t Dx = 0;
  int32_t Dy = 0;
  int32_t MouseData = 0;  // signed wheel delta
  uint32_t Flags = 0;
  uint32_t Time = 0;
  uintptr_t ExtraInfo = 0;
  friend bool operator==(const TMouseInput&, const TMouseInput&) = default;
};

struct TKeyInput {
  uint16_t Vk = 0;
  uint16_t Scan = 0;
  uint32_t Flags = 0;
  uint32_t Time = 0;
  uintptr_t ExtraInfo = 0;
  friend bool operator==(const TKeyInput&, const TKeyInput&) = default;
};

enum class InputKind : uint8_t { Mouse, Keyboard };

struct TInputRecord {
  InputKind Kind = InputKind::Mouse;
  TMouseInput Mouse;  // when Kind is Mouse
  TKeyInput Key;      // when Kind is Keyboard
  friend bool operator==(const TInputRecord&, const TInputRecord&) = default;
};

// The events of one operation, sent in one piece. Four is the most any operation needs
// (a double click); nothing is allocated.
class TInputBatch {
 public:
  static constexpr size_t Capacity = 4;

  // Ignored when full: no operation builds more than Capacity events.
  void Add(const TInputRecord& r) {
    if (Count < Capacity) Items[Count++] = r;
  }
  size_t Size() const { return Count; }
  const TInputRecord& operator[](size_t i) const { return Items[i]; }
  const TInputRecord* begin() const { return Items.data(); }
  const TInputRecord* end() const { return Items.data() + Count; }

 private:
  std::array<TInputRecord, Capacity> Items{};
  size_t Count = 0;
};

// What the operations read from the rest of the program, taken once per operation.
struct TSyntheticContext {
  int32_t ScreenWidth = 0;
  int32_t ScreenHeight = 0;
  TPoint Prev;  // the last real pointer position the mouse hook saw
  bool PrimaryButtonLeft = true;
  uintptr_t ExtraInfo = 0;
};

// Pixel coordinate on the primary screen -> the 0-65535 absolute scale: round(v x 65535 /
// size), halves to even. 0 while no screen size is known yet.
int32_t AbsoluteCoord(int64_t pixel, int32_t screenSize);

// Time stamp of an own event: the mark the hooks pass on untouched, or 0 for the system's time.
constexpr uint32_t OwnTime(bool marked) { return marked ? OwnInputMark : 0; }

// The events of the four operations. x = -1 clicks where the pointer is; extra 0 is a click,
// 1 a double click.
TInputBatch BuildMouseClick(const TSyntheticContext& c, int extra, int32_t x, int32_t y, bool marked);
TInputBatch BuildProbeMove(const TSyntheticContext& c);
TInputBatch BuildWheel(const TSyntheticContext& c, bool up, bool marked);
TInputBatch BuildKey(const TSyntheticContext& c, bool down, uint8_t vk, uint8_t scan, bool marked);

// What synthetic input needs from the system.
struct SyntheticInputPort {
  virtual ~SyntheticInputPort() = default;
  // The current message extra information, stored in every event.
  virtual uintptr_t CurrentExtraInfo() = 0;
  // Queues the events in one call, so no other input can slip between them.
  virtual void SendBatch(const TInputBatch& batch) = 0;
  virtual void PutPointerAt(TPoint p) = 0;
};

// The four operations, called from the command, worker and GUI threads. They write no shared
// state and hold no lock: an injected event re-enters the hooks of the GUI thread.
class TSyntheticInput {
 public:
  TSyntheticInput(const TSharedState& shared, const TMouseHook& hook, SyntheticInputPort& port)
      : Shared(shared), Hook(hook), Port(port) {}

  void SendMouseClick(int extra, int32_t x, int32_t y, bool marked);
  void SendProbeMove();
  void SendWheel(bool up, bool marked);
  void SendKey(bool down, uint8_t vk, uint8_t scan, bool marked);

 private:
  TSyntheticContext Context();

  const TSharedState& Shared;
  const TMouseHook& Hook;
  SyntheticInputPort& Port;
};

}  // namespace pelorin
