#include "input/win/HookInstaller.h"

namespace pelorin {

static_assert(MouseMsg::Move == WM_MOUSEMOVE && MouseMsg::LButtonDown == WM_LBUTTONDOWN &&
              MouseMsg::LButtonUp == WM_LBUTTONUP && MouseMsg::MButtonDown == WM_MBUTTONDOWN &&
              MouseMsg::MButtonUp == WM_MBUTTONUP && MouseMsg::Wheel == WM_MOUSEWHEEL &&
              MouseMsg::XButtonDown == WM_XBUTTONDOWN && MouseMsg::XButtonUp == WM_XBUTTONUP &&
              MouseMsg::HWheel == WM_MOUSEHWHEEL && MouseMsg::RButtonDown == WM_RBUTTONDOWN);
static_assert(KeyReleasedFlag == LLKHF_UP && VkEscape == VK_ESCAPE && VkF1 == VK_F1);

namespace {

HHOOK KeyboardHook = nullptr;
HHOOK MouseHook = nullptr;
TKeyboardHook* KeyboardTarget = nullptr;
TMouseHook* MouseTarget = nullptr;

// Both callbacks run through the GUI thread's message loop and must return within
// microseconds: the system drops a low-level hook that is too slow.
LRESULT CALLBACK KeyboardHookCallback(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (lParam != 0 && KeyboardTarget != nullptr) {
    KeyEvent e = KeyEventFromHook(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
    // The worker's probe key is answered whatever the code, before anything else.
    if ((code == HC_ACTION || IsProbeKey(e)) && KeyboardTarget->KeyboardHookProc(e) == HookVerdict::Eat) return 1;
  }
  return ::CallNextHookEx(KeyboardHook, code, wParam, lParam);
}

LRESULT CALLBACK MouseHookCallback(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION && MouseTarget != nullptr) {
    const auto& record = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    if (MouseTarget->MouseHookProc(MouseEventFromHook(wParam, record)) == HookVerdict::Eat) return 1;
  }
  return ::CallNextHookEx(MouseHook, code, wParam, lParam);
}

}  // namespace

void SetHookTargets(TKeyboardHook* keyboard, TMouseHook* mouse) {
  KeyboardTarget = keyboard;
  MouseTarget = mouse;
}

MouseEvent MouseEventFromHook(WPARAM message, const MSLLHOOKSTRUCT& record) {
  return {static_cast<uint32_t>(message), static_cast<int32_t>(record.pt.x), static_cast<int32_t>(record.pt.y),
          static_cast<uint32_t>(record.mouseData), static_cast<uint32_t>(record.time)};
}

KeyEvent KeyEventFromHook(const KBDLLHOOKSTRUCT& record) {
  return {static_cast<uint32_t>(record.vkCode), static_cast<uint32_t>(record.scanCode),
          static_cast<uint32_t>(record.flags), static_cast<uint32_t>(record.time)};
}

bool InstallHooks(HINSTANCE instance) {
  if (KeyboardHook == nullptr) KeyboardHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookCallback, instance, 0);
  if (MouseHook == nullptr) MouseHook = ::SetWindowsHookExW(WH_MOUSE_LL, MouseHookCallback, instance, 0);
  return KeyboardHook != nullptr && MouseHook != nullptr;
}

void RemoveHooks() {
  if (KeyboardHook != nullptr) ::UnhookWindowsHookEx(KeyboardHook);
  if (MouseHook != nullptr) ::UnhookWindowsHookEx(MouseHook);
  KeyboardHook = nullptr;
  MouseHook = nullptr;
}

HHOOK KeyboardHookHandle() { return KeyboardHook; }
HHOOK MouseHookHandle() { return MouseHook; }

}  // namespace pelorin
