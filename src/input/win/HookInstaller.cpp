#include "input/win/HookInstaller.h"

namespace pelorin {

static_assert(MouseMsg::Move == WM_MOUSEMOVE && MouseMsg::LButtonDown == WM_LBUTTONDOWN &&
              MouseMsg::LButtonUp == WM_LBUTTONUP && MouseMsg::MButtonDown == WM_MBUTTONDOWN &&
              MouseMsg::MButtonUp == WM_MBUTTONUP && MouseMsg::Wheel == WM_MOUSEWHEEL &&
              MouseMsg::XButtonDown == WM_XBUTTONDOWN && MouseMsg::XButtonUp == WM_XBUTTONUP &&
              MouseMsg::HWheel == WM_MOUSEHWHEEL && MouseMsg::RButtonDown == WM_RBUTTONDOWN);

namespace {

HHOOK MouseHook = nullptr;
TMouseHook* MouseTarget = nullptr;

// Called through the GUI thread's message loop. Must return within microseconds: the system
// drops a low-level hook that is too slow.
LRESULT CALLBACK MouseHookCallback(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION && MouseTarget != nullptr) {
    const auto& record = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    if (MouseTarget->MouseHookProc(MouseEventFromHook(wParam, record)) == HookVerdict::Eat) return 1;
  }
  return ::CallNextHookEx(MouseHook, code, wParam, lParam);
}

}  // namespace

void SetMouseHookTarget(TMouseHook* hook) { MouseTarget = hook; }

MouseEvent MouseEventFromHook(WPARAM message, const MSLLHOOKSTRUCT& record) {
  return {static_cast<uint32_t>(message), static_cast<int32_t>(record.pt.x), static_cast<int32_t>(record.pt.y),
          static_cast<uint32_t>(record.mouseData), static_cast<uint32_t>(record.time)};
}

bool InstallHooks(HINSTANCE instance) {
  if (MouseHook == nullptr) MouseHook = ::SetWindowsHookExW(WH_MOUSE_LL, MouseHookCallback, instance, 0);
  return MouseHook != nullptr;
}

void RemoveHooks() {
  if (MouseHook != nullptr) ::UnhookWindowsHookEx(MouseHook);
  MouseHook = nullptr;
}

HHOOK MouseHookHandle() { return MouseHook; }

}  // namespace pelorin
