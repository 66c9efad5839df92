#include "tracked/win/SyntheticInputWin.h"

namespace pelorin {

static_assert(MouseFlag::Move == MOUSEEVENTF_MOVE && MouseFlag::LeftDown == MOUSEEVENTF_LEFTDOWN &&
              MouseFlag::LeftUp == MOUSEEVENTF_LEFTUP && MouseFlag::RightDown == MOUSEEVENTF_RIGHTDOWN &&
              MouseFlag::RightUp == MOUSEEVENTF_RIGHTUP && MouseFlag::Wheel == MOUSEEVENTF_WHEEL &&
              MouseFlag::Absolute == MOUSEEVENTF_ABSOLUTE);
static_assert(KeyFlag::ExtendedKey == KEYEVENTF_EXTENDEDKEY && KeyFlag::KeyUp == KEYEVENTF_KEYUP);
static_assert(WheelDelta == WHEEL_DELTA);

INPUT ToWin32Input(const TInputRecord& r) {
  INPUT in{};
  if (r.Kind == InputKind::Mouse) {
    in.type = INPUT_MOUSE;
    in.mi.dx = r.Mouse.Dx;
    in.mi.dy = r.Mouse.Dy;
    // The wheel delta travels as a signed value in an unsigned field.
    in.mi.mouseData = static_cast<DWORD>(r.Mouse.MouseData);
    in.mi.dwFlags = r.Mouse.Flags;
    in.mi.time = r.Mouse.Time;
    in.mi.dwExtraInfo = r.Mouse.ExtraInfo;
  } else {
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = r.Key.Vk;
    in.ki.wScan = r.Key.Scan;
    in.ki.dwFlags = r.Key.Flags;
    in.ki.time = r.Key.Time;
    in.ki.dwExtraInfo = r.Key.ExtraInfo;
  }
  return in;
}

uintptr_t TSyntheticInputWin::CurrentExtraInfo() { return static_cast<uintptr_t>(::GetMessageExtraInfo()); }

void TSyntheticInputWin::SendBatch(const TInputBatch& batch) {
  INPUT in[TInputBatch::Capacity];
  UINT count = 0;
  for (const TInputRecord& r : batch) in[count++] = ToWin32Input(r);
  // One call: the system queues the events together, with no real input between them.
  if (count != 0) ::SendInput(count, in, sizeof(INPUT));
}

void TSyntheticInputWin::PutPointerAt(TPoint p) { ::SetCursorPos(p.X, p.Y); }

void ReadPrimaryButton(TSharedState& shared) {
  shared.PrimaryButtonLeft.store(::GetSystemMetrics(SM_SWAPBUTTON) == 0, std::memory_order_relaxed);
}

}  // namespace pelorin
