#include "common/win/Fatal.h"

#include <atomic>

#include "common/win/MsgBox.h"

namespace pelorin {

namespace {
std::atomic<HWND> ShutdownWindow{nullptr};
std::atomic<bool> Reported{false};
}  // namespace

void SetShutdownWindow(HWND window) { ShutdownWindow = window; }

void UnexpectedException() noexcept {
  if (Reported.exchange(true)) return;
  MsgBox(L"Unexpected exception! Program halted!", L"Pelorin", MB_OK | MB_ICONERROR);
  HWND window = ShutdownWindow.load();
  if (window != nullptr)
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  else
    ::PostQuitMessage(1);
}

}  // namespace pelorin
