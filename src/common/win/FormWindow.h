#pragma once
#include <windows.h>

#include "common/win/WindowBase.h"

namespace pelorin {

// The older form of TWindowBase's procedure, left for the brightness slider until it derives
// from TWindowBase; then this file goes. CreateWindowExW's last parameter is the object, kept
// in GWLP_USERDATA from WM_NCCREATE on, and every message goes to its HandleMessage. TForm
// befriends this template for its Window field and HandleMessage (which is why it is not
// declared noexcept: the friend declaration would have to say so too).
template <class TForm>
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->Window = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportEscapedException();
    return 0;
  }
}

}  // namespace pelorin
