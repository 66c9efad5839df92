// Finding the windows of another process, as the test programs that drive Pelorin.exe do.
#pragma once
#include <windows.h>

namespace pelorin::test {

// A top-level window of that class (any letter case) belonging to the process, hidden ones
// included; null when there is none.
HWND FindTopWindow(DWORD pid, const wchar_t* className);
// A descendant window with that control id; null when there is none.
HWND FindControl(HWND parent, int id);

}  // namespace pelorin::test
