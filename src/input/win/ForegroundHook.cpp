#include "input/win/ForegroundHook.h"

#include <cwchar>
#include <iterator>

namespace pelorin {

static_assert(MaximizeBoxStyle == WS_MAXIMIZEBOX && MinimizeBoxStyle == WS_MINIMIZEBOX);
static_assert(sizeof(TWindowHandle) == sizeof(HWND));

namespace {

HWINEVENTHOOK ForegroundHook = nullptr;
TForegroundTracker* Target = nullptr;

// Runs through the GUI thread's message loop; must return at once.
void CALLBACK ForegroundEventCallback(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD threadId,
                                      DWORD) noexcept {
  if (event == EVENT_SYSTEM_FOREGROUND && Target != nullptr)
    Target->WinEventProc(ToWindowHandle(window), static_cast<uint32_t>(threadId));
}

BOOL CALLBACK FindListView(HWND child, LPARAM found) {
  wchar_t name[32];
  // EnumChildWindows walks every depth, so one pass finds a nested list view.
  if (::GetClassNameW(child, name, static_cast<int>(std::size(name))) > 0 && std::wcscmp(name, L"SysListView32") == 0) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool IsDesktopWindow(HWND window) {
  if (window == nullptr) return false;
  bool found = false;
  ::EnumChildWindows(window, FindListView, reinterpret_cast<LPARAM>(&found));
  return found;
}

TWindowHandle TForegroundWin::ForegroundWindow() { return ToWindowHandle(::GetForegroundWindow()); }

uint32_t TForegroundWin::WindowStyle(TWindowHandle window) {
  return static_cast<uint32_t>(::GetWindowLongPtrW(ToHwnd(window), GWL_STYLE));
}

TRect TForegroundWin::WindowRect(TWindowHandle window) {
  RECT r{};
  if (!::GetWindowRect(ToHwnd(window), &r)) return {};
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool TForegroundWin::IsDesktopWindow(TWindowHandle window) { return pelorin::IsDesktopWindow(ToHwnd(window)); }

bool TForegroundWin::NoteRunning() {
  const TShowingThread* notes = Notes.load(std::memory_order_relaxed);
  return notes != nullptr && notes->Running();
}

bool InstallForegroundHook(TForegroundTracker* tracker) {
  Target = tracker;
  if (ForegroundHook == nullptr)
    ForegroundHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                       ForegroundEventCallback, 0, 0, WINEVENT_OUTOFCONTEXT);
  return ForegroundHook != nullptr;
}

void RemoveForegroundHook() {
  if (ForegroundHook != nullptr) ::UnhookWinEvent(ForegroundHook);
  ForegroundHook = nullptr;
  Target = nullptr;
}

HWINEVENTHOOK ForegroundHookHandle() { return ForegroundHook; }

}  // namespace pelorin
