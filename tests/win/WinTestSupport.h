#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace pelorin::test {

extern std::wstring PelorinExePath;

// Dispatches this thread's messages until `done` holds or the deadline passes; the result
// of `done` at the end. Low-level hooks of this thread are called from here.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// One mouse event through SendInput; with a screen point, an absolute move there in the same
// event.
void SendMouse(DWORD flags, POINT screen = {-1, -1});

// Copies width x height pixels at (x, y) of `source` into a 24-bit bottom-up BMP file.
bool SaveDcArea(HDC source, int x, int y, int width, int height, DWORD rop, const std::wstring& path);

}  // namespace pelorin::test
