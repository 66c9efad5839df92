#include "help/win/HelpForm.h"

#include <commctrl.h>

#include <algorithm>

#include "common/win/GdiObjects.h"
#include "common/win/Messages.h"
#include "help/HelpTexts.h"

namespace pelorin {

namespace {

// The design, in pixels at 96 DPI.
constexpr int ClientWidth = 484;
constexpr int ClientHeight = 296;
constexpr int FontHeight = 13;

// A caption without text whose only border icon is the system menu's close box.
constexpr DWORD FormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD MemoStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
constexpr UINT_PTR MemoSubclass = 1;
constexpr UINT_PTR MainWindowSubclass = 0x48656C70;  // one of several subclasses of the main window
constexpr int IdMemo = 101;

// The face the system really chose for a font: it substitutes silently.
bool FontHasFace(HFONT font, const wchar_t* face) {
  TWindowDc screen;
  if (!screen || font == nullptr) return false;
  HGDIOBJ old = ::SelectObject(screen.Get(), font);
  wchar_t chosen[LF_FACESIZE] = {};
  int length = ::GetTextFaceW(screen.Get(), LF_FACESIZE, chosen);
  ::SelectObject(screen.Get(), old);
  return length > 0 && ::lstrcmpiW(chosen, face) == 0;
}

}  // namespace

bool THelpForm::Create(HINSTANCE instance, HMODULE resources, HWND mainWindow) {
  if (Handle() != nullptr) return true;
  MainWindow = mainWindow;
  RECT frame{0, 0, Scale(ClientWidth), Scale(ClientHeight)};
  ::AdjustWindowRectEx(&frame, FormStyle, FALSE, 0);
  TWindowClass windowClass{WindowClass, 0, IDC_ARROW, ::GetSysColorBrush(COLOR_BTNFACE), resources, L"MAINICON"};
  // Owned by the main window: no taskbar button, and always above it.
  TWindowParams params{0, FormStyle, L"", 0, 0, frame.right - frame.left, frame.bottom - frame.top, mainWindow};
  if (!CreateHandle(instance, windowClass, params)) return false;

  RECT client{};
  ::GetClientRect(Handle(), &client);
  Memo = ::CreateWindowExW(0, L"EDIT", L"", MemoStyle, 0, 0, client.right, client.bottom, Handle(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdMemo)), instance, nullptr);
  if (Memo == nullptr || !::SetWindowSubclass(Memo, MemoProc, MemoSubclass, reinterpret_cast<DWORD_PTR>(this))) {
    Destroy();
    return false;
  }
  if (MainWindow != nullptr) {
    MainSubclassed =
        ::SetWindowSubclass(MainWindow, MainWindowProc, MainWindowSubclass, reinterpret_cast<DWORD_PTR>(this));
  }
  MakeFont();
  ::SendMessageW(Memo, WM_SETFONT, reinterpret_cast<WPARAM>(Font ? Font.Get() : DialogFont()), FALSE);
  // The text would otherwise touch the window's left edge.
  ::SendMessageW(Memo, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(Scale(2), Scale(2)));
  return true;
}

// "MS Sans Serif" is a bitmap font of a few sizes on older systems and a mere alias on newer
// ones; its TrueType successor scales to any DPI. Whatever the system offers for the
// first name is taken when neither exists.
void THelpForm::MakeFont() {
  auto make = [this](const wchar_t* face) {
    return ::CreateFontW(-Scale(FontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
  };
  for (const wchar_t* face : {L"MS Sans Serif", L"Microsoft Sans Serif"}) {
    Font.Reset(make(face));
    if (FontHasFace(Font.Get(), face)) return;
  }
  Font.Reset(make(L"MS Sans Serif"));
}

void THelpForm::Destroy() {
  // Never leave the main window disabled behind a help window that is gone.
  EnableMainWindow();
  if (Memo != nullptr) ::RemoveWindowSubclass(Memo, MemoProc, MemoSubclass);
  TWindowBase::Destroy();
  WindowGone();
}

void THelpForm::WindowGone() {
  EnableMainWindow();
  if (MainSubclassed && ::IsWindow(MainWindow)) ::RemoveWindowSubclass(MainWindow, MainWindowProc, MainWindowSubclass);
  MainSubclassed = false;
  Memo = nullptr;
  MainFocus = nullptr;
  Font.Reset();
}

void THelpForm::Show(int textIndex) {
  if (Handle() == nullptr || textIndex < 0 || textIndex >= HelpTextCount) return;
  if (!Visible()) {
    // Disabling the main window takes the keyboard from its control: remember which it was.
    HWND focus = ::GetFocus();
    MainFocus = focus != nullptr && ::IsChild(MainWindow, focus) ? focus : nullptr;
    if (MainWindow != nullptr) {
      ::EnableWindow(MainWindow, FALSE);
      MainDisabled = true;
    }
  }
  ::SetWindowTextW(Memo, HelpTexts()[textIndex].c_str());
  ::SendMessageW(Memo, EM_SETSEL, 0, 0);
  PlaceOverMainWindow();
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
  ::SetFocus(Memo);
}

void THelpForm::PlaceOverMainWindow() {
  RECT own{}, main{};
  ::GetWindowRect(Handle(), &own);
  const int width = own.right - own.left, height = own.bottom - own.top;
  int x = own.left, y = own.top;
  if (MainWindow != nullptr && ::GetWindowRect(MainWindow, &main)) {
    x = main.left + (main.right - main.left - width) / 2;
    y = main.top + (main.bottom - main.top - height) / 2;
  }
  // Whole on the screen, also over a main window that reaches past an edge.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  HMONITOR nearest = ::MonitorFromWindow(MainWindow != nullptr ? MainWindow : Handle(), MONITOR_DEFAULTTONEAREST);
  if (nearest != nullptr && ::GetMonitorInfoW(nearest, &monitor)) {
    const RECT& work = monitor.rcWork;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
  }
  ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void THelpForm::Close() {
  const bool wasShown = Visible();
  // Enabled before the help goes: hiding the active window while its owner is still disabled
  // would send the activation to some other program.
  EnableMainWindow();
  if (!wasShown) return;
  ::ShowWindow(Handle(), SW_HIDE);
  if (MainWindow == nullptr || !::IsWindowVisible(MainWindow)) return;
  ::SetForegroundWindow(MainWindow);
  HWND focus = MainFocus;
  MainFocus = nullptr;
  if (focus == nullptr || !::IsChild(MainWindow, focus) || !::IsWindowVisible(focus) || !::IsWindowEnabled(focus))
    focus = MainWindow;
  ::SetFocus(focus);
}

void THelpForm::EnableMainWindow() {
  if (!MainDisabled) return;
  MainDisabled = false;
  if (MainWindow != nullptr && ::IsWindow(MainWindow)) ::EnableWindow(MainWindow, TRUE);
}

bool THelpForm::HelpMemoKeyPress(WPARAM key) {
  if (key != 13 && key != 27) return false;
  Close();
  return true;
}

LRESULT CALLBACK THelpForm::MainWindowProc(HWND main, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) noexcept {
  try {
    // Activating a disabled window succeeds, and leaves the keyboard nowhere.
    auto* form = reinterpret_cast<THelpForm*>(self);
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && form->Visible())
      ::PostMessageW(form->Handle(), HelpTakeFrontMessage, 0, 0);
  } catch (...) {
    ReportEscapedException();
  }
  return ::DefSubclassProc(main, message, wParam, lParam);
}

LRESULT CALLBACK THelpForm::MemoProc(HWND memo, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self) noexcept {
  try {
    if (message == WM_CHAR && reinterpret_cast<THelpForm*>(self)->HelpMemoKeyPress(wParam)) return 0;
  } catch (...) {
    ReportEscapedException();
    return 0;
  }
  return ::DefSubclassProc(memo, message, wParam, lParam);
}

LRESULT THelpForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:  // the system menu and Alt+F4: hidden, destroyed only at shutdown
      Close();
      return 0;
    case HelpTakeFrontMessage:
      if (Visible()) {
        ::SetForegroundWindow(Handle());
        ::SetFocus(Memo);
      }
      return 0;
    case WM_SETFOCUS:
      if (Memo != nullptr) ::SetFocus(Memo);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == Memo) return PageColours(reinterpret_cast<HDC>(wParam));
      break;
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
