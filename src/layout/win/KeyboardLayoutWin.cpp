#include "layout/win/KeyboardLayoutWin.h"

#include <string>
#include <thread>

namespace pelorin {

namespace {
// A window that does not answer the request in this time gets the keys in its old layout.
constexpr UINT RequestTimeoutMs = 500;
}  // namespace

uint64_t TKeyboardLayoutWin::ThreadLayout(uint32_t threadId) {
  return reinterpret_cast<uintptr_t>(::GetKeyboardLayout(threadId));
}

uint64_t TKeyboardLayoutWin::LoadLayout(std::wstring_view name) {
  return reinterpret_cast<uintptr_t>(::LoadKeyboardLayoutW(std::wstring(name).c_str(), 0));
}

void TKeyboardLayoutWin::RequestLayout(TWindowHandle window, uint64_t layout) {
  if (window == 0 || layout == 0) return;
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(reinterpret_cast<HWND>(window), WM_INPUTLANGCHANGEREQUEST, 1,
                        static_cast<LPARAM>(static_cast<uintptr_t>(layout)), SMTO_ABORTIFHUNG, RequestTimeoutMs,
                        &ignored);
}

void TKeyboardLayoutWin::Sleep(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }

}  // namespace pelorin
