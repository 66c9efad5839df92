// The yardstick of scripts/resources: a Windows program that does nothing but keep one hidden
// window and its message loop, built with the same compiler and options as Pelorin.exe.
#include <windows.h>

namespace {
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"MinimalWindow";
  if (::RegisterClassW(&wc) == 0) return 1;
  if (::CreateWindowExW(0, wc.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 300, 200,
                        nullptr, nullptr, instance, nullptr) == nullptr)
    return 1;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
