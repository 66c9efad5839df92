#pragma once
#include <windows.h>

namespace pelorin {

// The window whose WM_CLOSE runs the orderly shutdown after an unexpected exception.
void SetShutdownWindow(HWND window);

// The end of every exception that escapes a handler or a thread body, from any thread:
// "Unexpected exception! Program halted!" once, then an orderly shutdown.
void UnexpectedException() noexcept;

}  // namespace pelorin
