// FakeDesktop.exe: plays the shell's desktop, which Wine does not have. A full-screen
// top-level window of class "Progman" at the bottom of the Z order, holding the shell's view
// window with the desktop list view ("SysListView32") in it. The list holds the items of
// FakeDesktopLayout.h at their positions. The window takes its title "Program Manager" once
// all of that is in place, so that a finder never sees it half made. Ends on WM_CLOSE.
#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "FakeDesktopLayout.h"

namespace {

LRESULT CALLBACK ProgmanProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_WINDOWPOSCHANGING: {
      // Like the shell's desktop: in front for the keyboard, behind every other window.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      pos->hwndInsertAfter = HWND_BOTTOM;
      pos->flags &= ~SWP_NOZORDER;
      return 0;
    }
    case WM_TIMER: {
      // Wine at times restacks it above a window that another process activates, without
      // asking it: it goes back down as soon as it is seen above a visible window.
      for (HWND below = ::GetWindow(window, GW_HWNDNEXT); below != nullptr; below = ::GetWindow(below, GW_HWNDNEXT)) {
        if (::IsWindowVisible(below)) {
          ::SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
          break;
        }
      }
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateDesktopList(HINSTANCE instance, HWND progman, int width, int height) {
  WNDCLASSW view{};
  view.lpfnWndProc = ::DefWindowProcW;
  view.hInstance = instance;
  view.lpszClassName = L"SHELLDLL_DefView";
  ::RegisterClassW(&view);
  HWND defView = ::CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                                   height, progman, nullptr, instance, nullptr);
  // No auto-arrange: the items stay where they are put.
  return ::CreateWindowExW(0, WC_LISTVIEWW, L"FolderView", WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SHOWSELALWAYS, 0, 0,
                           width, height, defView, reinterpret_cast<HMENU>(1), instance, nullptr);
}

void PlaceItems(HWND list, bool inserted) {
  int index = 0;
  for (const auto& item : pelorin::e2e::DesktopItems) {
    if (!inserted) {
      LVITEMW lv{};
      lv.mask = LVIF_TEXT;
      lv.iItem = index;
      lv.pszText = const_cast<wchar_t*>(item.Name);
      ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv));
    }
    POINT p{item.X, item.Y};
    ::SendMessageW(list, LVM_SETITEMPOSITION32, index, reinterpret_cast<LPARAM>(&p));
    ++index;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProgmanProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_DESKTOP + 1);
  wc.lpszClassName = L"Progman";
  if (!::RegisterClassW(&wc)) return 1;
  int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  HWND progman = ::CreateWindowExW(0, L"Progman", L"", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, width,
                                   height, nullptr, nullptr, instance, nullptr);
  if (progman == nullptr) return 1;
  HWND list = CreateDesktopList(instance, progman, width, height);
  ::ShowWindow(progman, SW_SHOWNOACTIVATE);
  // Wine's list view lays its items out anew at its first paint with items: the positions
  // are set after it.
  PlaceItems(list, false);
  ::UpdateWindow(list);
  PlaceItems(list, true);
  ::SetWindowPos(progman, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetTimer(progman, 1, 50, nullptr);
  ::SetWindowTextW(progman, L"Program Manager");
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
