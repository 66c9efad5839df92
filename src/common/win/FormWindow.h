#pragma once
#include <windows.h>

namespace pelorin {

// The window procedure of a window object: CreateWindowExW's last parameter is the object,
// kept in GWLP_USERDATA from WM_NCCREATE on, and every message goes to its HandleMessage.
// The object learns its handle at WM_NCCREATE, since messages arrive before CreateWindowExW
// returns it. TForm befriends this template for its Window field and HandleMessage.
template <class TForm>
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->Window = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

}  // namespace pelorin
