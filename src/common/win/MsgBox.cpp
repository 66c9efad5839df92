#include "common/win/MsgBox.h"

#include <atomic>
#include <string>

#include "base/SharedState.h"

namespace pelorin {

namespace {
std::atomic<HWND> Owner{nullptr};
}  // namespace

void SetMsgBoxOwner(HWND owner) { Owner = owner; }

int MsgBox(std::wstring_view text, std::wstring_view caption, UINT flags) {
  TSharedState& shared = Shared();
  bool was = shared.MsgBoxBusy.exchange(true);
  int result = ::MessageBoxW(Owner.load(), std::wstring(text).c_str(), std::wstring(caption).c_str(),
                             flags | MB_APPLMODAL);
  shared.MsgBoxBusy = was;  // a box opened from inside another keeps the flag
  return result;
}

namespace {
thread_local std::wstring TimedCaption;

// The box is a dialog of this thread; its own modal loop runs the thread's timers.
BOOL CALLBACK CloseBoxOfThread(HWND window, LPARAM) {
  wchar_t name[16] = {};
  wchar_t caption[256] = {};
  if (::GetClassNameW(window, name, 16) && std::wstring_view(name) == L"#32770" && ::IsWindowVisible(window) &&
      ::GetWindowTextW(window, caption, 256) && TimedCaption == caption) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return FALSE;
  }
  return TRUE;
}

void CALLBACK CloseBoxTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::EnumThreadWindows(::GetCurrentThreadId(), CloseBoxOfThread, 0);
}
}  // namespace

int MsgBox(std::wstring_view text, std::wstring_view caption, UINT flags, UINT closeAfterMs) {
  TimedCaption = caption;
  UINT_PTR timer = closeAfterMs != 0 ? ::SetTimer(nullptr, 0, closeAfterMs, CloseBoxTimer) : 0;
  int result = MsgBox(text, caption, flags);
  if (timer != 0) ::KillTimer(nullptr, timer);
  return result;
}

}  // namespace pelorin
