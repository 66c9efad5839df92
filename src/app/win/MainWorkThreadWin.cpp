#include "app/win/MainWorkThreadWin.h"

#include <string>

#include "app/win/SingleInstance.h"
#include "common/win/Fatal.h"
#include "input/win/ForegroundHook.h"

namespace pelorin {

bool TWorkerSystemWin::TakeAtom(std::wstring_view name) {
  std::wstring text(name);
  ATOM atom = ::GlobalFindAtomW(text.c_str());
  if (atom == 0) return false;
  ::GlobalDeleteAtom(atom);
  return true;
}

TWindowHandle TWorkerSystemWin::ForegroundWindow() { return ToWindowHandle(::GetForegroundWindow()); }

uint32_t TWorkerSystemWin::WindowThreadId(TWindowHandle window) {
  return static_cast<uint32_t>(::GetWindowThreadProcessId(ToHwnd(window), nullptr));
}

bool TWorkerSystemWin::IsMinimized(TWindowHandle window) { return ::IsIconic(ToHwnd(window)) != FALSE; }

// The global state: GetKeyState only knows the keys this thread's own windows received.
bool TWorkerSystemWin::KeyDown(uint8_t virtualKey) { return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

uint32_t TWorkerSystemWin::TickCount() { return static_cast<uint32_t>(::GetTickCount()); }

bool TWorkerSystemWin::IsVisible(TWindowHandle window) { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }

void TWorkerSystemWin::Delay(uint32_t ms) { pelorin::Delay(ms); }

void TWorkerSystemWin::UnexpectedException() { pelorin::UnexpectedException(); }

}  // namespace pelorin
