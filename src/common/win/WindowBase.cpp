#include "common/win/WindowBase.h"

#include <atomic>
#include <utility>

#include "common/win/Fatal.h"

namespace pelorin {

namespace {

std::atomic<TFatalHandler> FatalHandler{UnexpectedException};

HICON LoadClassIcon(const TWindowClass& c, int sizeX, int sizeY) {
  if (c.IconName == nullptr) return nullptr;
  return static_cast<HICON>(
      ::LoadImageW(c.IconModule, c.IconName, IMAGE_ICON, ::GetSystemMetrics(sizeX), ::GetSystemMetrics(sizeY), 0));
}

}  // namespace

TFatalHandler SetFatalHandler(TFatalHandler handler) noexcept {
  return FatalHandler.exchange(handler != nullptr ? handler : UnexpectedException);
}

void ReportEscapedException() noexcept { FatalHandler.load()(); }

bool DetachAndDestroy(HWND& window, int slot) {
  if (window == nullptr) return false;
  HWND going = std::exchange(window, nullptr);
  ::SetWindowLongPtrW(going, slot, 0);
  ::DestroyWindow(going);
  return true;
}

const TScreenDpi& ScreenDpi() noexcept {
  static const TScreenDpi dpi = [] {
    TScreenDpi d;
    TWindowDc screen;
    if (screen) {
      d.X = ::GetDeviceCaps(screen.Get(), LOGPIXELSX);
      d.Y = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    if (d.X <= 0) d.X = 96;
    if (d.Y <= 0) d.Y = 96;
    return d;
  }();
  return dpi;
}

HFONT CreateDialogFont() noexcept {
  return ::CreateFontW(-::MulDiv(8, ScreenDpi().Y, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"MS Shell Dlg");
}

TWindowBase::~TWindowBase() {
  // The derived part is gone already: no WindowGone from here.
  DetachAndDestroy(Window, GWLP_USERDATA);
}

bool TWindowBase::CreateHandle(HINSTANCE instance, const TWindowClass& windowClass, const TWindowParams& params) {
  if (Window != nullptr) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(instance, windowClass.Name, &wc)) {
    // The same name with another procedure would never route to the form.
    if (wc.lpfnWndProc != WindowProc) return false;
  } else {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = windowClass.Style;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = windowClass.Cursor != nullptr ? ::LoadCursorW(nullptr, windowClass.Cursor) : nullptr;
    wc.hbrBackground = windowClass.Background;
    wc.lpszClassName = windowClass.Name;
    TOwnedIcon icon(LoadClassIcon(windowClass, SM_CXICON, SM_CYICON));
    TOwnedIcon smallIcon(LoadClassIcon(windowClass, SM_CXSMICON, SM_CYSMICON));
    wc.hIcon = icon.Get();
    wc.hIconSm = smallIcon.Get();
    if (::RegisterClassExW(&wc) != 0) {
      // The class keeps them for the rest of the process.
      icon.Release();
      smallIcon.Release();
    }
  }
  HWND created = ::CreateWindowExW(params.ExStyle, windowClass.Name, params.Text, params.Style, params.X, params.Y,
                                   params.Width, params.Height, params.Parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.Id)), instance, this);
  // Window was set at WM_NCCREATE; a creation that failed after it cleared it again at
  // WM_NCDESTROY.
  return created != nullptr;
}

void TWindowBase::Destroy() {
  if (DetachAndDestroy(Window, GWLP_USERDATA)) ForgetWindow();
}

void TWindowBase::ForgetWindow() {
  WindowGone();
  // After the window and its children: a control may still have had the font.
  DialogFontHandle.Reset();
  MenuFontHandle.Reset();
}

HFONT TWindowBase::DialogFont() {
  if (!DialogFontHandle) DialogFontHandle.Reset(CreateDialogFont());
  return DialogFontHandle.Get();
}

HFONT TWindowBase::MenuFont() {
  if (!MenuFontHandle) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
      MenuFontHandle.Reset(::CreateFontIndirectW(&metrics.lfMenuFont));
    if (!MenuFontHandle) MenuFontHandle.Reset(CreateDialogFont());
  }
  return MenuFontHandle.Get();
}

LRESULT TWindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultMessage(message, wParam, lParam);
}

LRESULT CALLBACK TWindowBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<TWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      if (self != nullptr) {
        self->Window = window;  // messages arrive before CreateWindowExW returns the handle
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      }
    }
    auto* self = reinterpret_cast<TWindowBase*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      // Destroyed from outside: Destroy() would have taken the pointer out first.
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->Window = nullptr;
      self->ForgetWindow();
      return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // Never into user32: an exception cannot unwind through the system's call of this procedure.
    ReportEscapedException();
    return 0;
  }
}

}  // namespace pelorin
