#include "tracked/win/TrackedWindowsWin.h"

namespace pelorin {

namespace {

HWND Hwnd(TWindowHandle w) { return reinterpret_cast<HWND>(w); }

}  // namespace

std::string TTrackedWindowsWin::WindowText(TWindowHandle window) {
  char buffer[TrackedTextMax + 1] = {};
  const int n = ::GetWindowTextA(Hwnd(window), buffer, static_cast<int>(sizeof buffer));
  if (n <= 0) return {};
  return std::string(buffer, std::min(static_cast<size_t>(n), TrackedTextMax));
}

std::optional<TRect> TTrackedWindowsWin::WindowRect(TWindowHandle window) {
  RECT r;
  if (!::GetWindowRect(Hwnd(window), &r)) return std::nullopt;
  return TRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool TTrackedWindowsWin::IsVisible(TWindowHandle window) { return ::IsWindowVisible(Hwnd(window)) != FALSE; }

std::string TTrackedWindowsWin::ClassName(TWindowHandle window) {
  wchar_t name[257] = {};
  const int n = ::GetClassNameW(Hwnd(window), name, 257);
  if (n <= 0) return {};
  char bytes[257 * 2] = {};
  const int m = ::WideCharToMultiByte(CP_ACP, 0, name, n, bytes, static_cast<int>(sizeof bytes), "?", nullptr);
  return m > 0 ? std::string(bytes, static_cast<size_t>(m)) : std::string();
}

void TTrackedWindowsWin::EnumChildren(TWindowHandle window, const std::function<bool(TWindowHandle)>& visit) {
  ::EnumChildWindows(
      Hwnd(window),
      [](HWND child, LPARAM data) -> BOOL {
        const auto& f = *reinterpret_cast<const std::function<bool(TWindowHandle)>*>(data);
        return f(reinterpret_cast<TWindowHandle>(child)) ? TRUE : FALSE;
      },
      reinterpret_cast<LPARAM>(&visit));
}

void TTrackedWindowsWin::PressButton(TWindowHandle button) {
  ::PostMessageW(Hwnd(button), WM_LBUTTONDOWN, 0, 0);
  ::PostMessageW(Hwnd(button), WM_LBUTTONUP, 0, 0);
}

TWindowHandle TTrackedWindowsWin::ForegroundWindow() { return reinterpret_cast<TWindowHandle>(::GetForegroundWindow()); }

TWindowHandle TTrackedWindowsWin::TopLevelAt(TPoint p) {
  HWND w = ::WindowFromPoint(POINT{p.X, p.Y});
  if (w == nullptr) return 0;
  return reinterpret_cast<TWindowHandle>(::GetAncestor(w, GA_ROOT));
}

bool TTrackedWindowsWin::IsOwnWindow(TWindowHandle window) {
  DWORD process = 0;
  if (::GetWindowThreadProcessId(Hwnd(window), &process) == 0) return false;
  return process == OwnProcess;
}

}  // namespace pelorin
