#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace pelorin::test {

extern std::wstring PelorinExePath;

// Dispatches this thread's messages until `done` holds or the deadline passes; the result
// of `done` at the end. Low-level hooks of this thread are called from here.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace pelorin::test
