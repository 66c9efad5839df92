#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "common/win/WindowBase.h"

namespace pelorin::test {

extern std::wstring PelorinExePath;

// Dispatches this thread's messages until `done` holds or the deadline passes; the result
// of `done` at the end. Low-level hooks of this thread are called from here.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Shows the window, makes it the foreground window and waits until it is.
bool BringToFront(HWND window, DWORD timeoutMs = 3000);
// A plain visible top-level window with that title and place: the user's work in some other
// program. The caller destroys it.
HWND CreatePlainWindow(const wchar_t* title, int x, int y, int width, int height);

// One mouse event through SendInput; with a screen point, an absolute move there in the same
// event.
void SendMouse(DWORD flags, POINT screen = {-1, -1});

// A real left click at a screen point, or a press there and a drag to `to` in steps, as a
// hand moves. The input comes from a thread of its own while this one dispatches: a list view
// follows a pressed button in a loop of its own, inside this thread's message dispatch.
// `whileHeld` runs on that thread just before the button is released.
void ClickOrDrag(POINT from, bool drag = false, POINT to = {}, const std::function<void()>& whileHeld = nullptr);
// The whole file as bytes, empty when it cannot be read; whether anything is at `path`.
std::string ReadFile(const std::wstring& path);
bool FileExists(const std::wstring& path);

// A fresh folder of its own under the temporary folder ("<prefix><pid>\\"), removed with
// everything in it. Process ids repeat between runs in a reused prefix: whatever an earlier
// run left there goes first.
class TTempFolder {
 public:
  explicit TTempFolder(const std::wstring& prefix);
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  std::wstring Path;  // ends in a backslash
};

// Counts the calls of the fatal path instead of halting, while it lives.
class TFatalCounter {
 public:
  TFatalCounter();
  ~TFatalCounter();
  TFatalCounter(const TFatalCounter&) = delete;
  TFatalCounter& operator=(const TFatalCounter&) = delete;
  int Calls() const;

 private:
  TFatalHandler Previous;
};

// Copies width x height pixels at (x, y) of `source` into a 24-bit bottom-up BMP file.
bool SaveDcArea(HDC source, int x, int y, int width, int height, DWORD rop, const std::wstring& path);
// A 24-bit bottom-up BMP of the window as it is on screen.
bool SaveWindow(HWND window, const std::wstring& path);
// The folder PELORIN_TEST_SHOTS names (created), empty when it names none.
std::wstring ShotsFolder();

}  // namespace pelorin::test
