// The main block: the main window (hidden for now), the hooks and the message loop.
#include <windows.h>

#include <cmath>
#include <string>

#include "app/SharedState.h"
#include "config/Settings.h"
#include "input/CustomInputTable.h"
#include "input/MouseHook.h"
#include "input/TypedChars.h"
#include "input/win/HookInstaller.h"

namespace pelorin {
namespace {

constexpr wchar_t MainWindowClass[] = L"PelorinMainForm";

// What the mouse hook asks of the main window. The choice combo boxes arrive with the
// Commands editor; until then no control of Pelorin can hold the focus.
class TMainWindowPort : public MouseHookPort {
 public:
  HWND Window = nullptr;
  HWND CommandCombo = nullptr;
  HWND InputCombo = nullptr;

  bool ChoiceComboFocused() override {
    HWND focus = ::GetFocus();
    return focus != nullptr && (focus == CommandCombo || focus == InputCombo);
  }
  TRect MainWindowRect() override {
    RECT r{};
    if (Window != nullptr) ::GetWindowRect(Window, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
};

// "Pelorin (v.1.0.0)" from the file version of the running executable.
std::wstring VersionCaption() {
  wchar_t path[MAX_PATH * 4];
  DWORD len = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring caption = L"Pelorin";
  if (len == 0 || len >= std::size(path)) return caption;
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return caption;
  std::wstring block(size / sizeof(wchar_t) + 1, L'\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoLen = 0;
  if (::GetFileVersionInfoW(path, 0, size, block.data()) &&
      ::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLen) && info != nullptr) {
    caption += L" (v." + std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
               std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
               std::to_wstring(HIWORD(info->dwFileVersionLS)) + L")";
  }
  return caption;
}

double PixelsScaleOf(HWND window) {
  HDC dc = ::GetDC(window);
  int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc != nullptr) ::ReleaseDC(window, dc);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

void ReadScreenMetrics(TSharedState& shared) {
  shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      RemoveHooks();
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_DISPLAYCHANGE:
      ReadScreenMetrics(Shared());
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace
}  // namespace pelorin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace pelorin;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, L"MAINICON");
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, L"MAINICON", IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = MainWindowClass;
  if (::RegisterClassExW(&wc) == 0) return 1;

  std::wstring caption = VersionCaption();
  HWND window = ::CreateWindowExW(0, MainWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;

  TSharedState& shared = Shared();
  ReadScreenMetrics(shared);
  POINT cursor{};
  ::GetCursorPos(&cursor);

  static Settings settings;
  static TCustomInputTable table(CellPrefixLenFor(PixelsScaleOf(window)));
  static TTypedChars typedChars;
  static TMainWindowPort windowPort;
  windowPort.Window = window;
  static TMouseHook mouseHook(table, settings, shared, windowPort, typedChars, TPoint{cursor.x, cursor.y});
  SetMouseHookTarget(&mouseHook);
  InstallHooks(instance);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  RemoveHooks();
  SetMouseHookTarget(nullptr);
  return static_cast<int>(msg.wParam);
}
