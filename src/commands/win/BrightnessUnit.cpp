#include "commands/win/BrightnessUnit.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "common/win/Fatal.h"
#include "common/Rounding.h"
#include "common/win/Messages.h"

namespace pelorin {

namespace {

// The design, in pixels at 96 DPI.
constexpr int ClientWidth = 39;  // the track bar's width + 14
constexpr int ClientHeight = 185;
constexpr int LabelLeft = 0, LabelWidth = 38, LabelHeight = 13;
constexpr int MaxLabTop = 5, MinLabTop = 165;
constexpr int TrackLeft = 7, TrackTop = 16, TrackWidth = 25, TrackHeight = 150;
constexpr int FontHeight = 11;

constexpr DWORD FormStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;  // no system menu: no border icons
// A tool window without an owner: never a taskbar button.
constexpr DWORD FormExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr UINT_PTR TrackBarSubclass = 1;

}  // namespace

bool TBrightnessForm::Create(HINSTANCE instance) {
  if (Handle() != nullptr) return true;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);

  RECT frame{0, 0, Scaled(ClientWidth), Scaled(ClientHeight)};
  ::AdjustWindowRectEx(&frame, FormStyle, FALSE, FormExStyle);
  TWindowClass windowClass{WindowClass};
  windowClass.Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  TWindowParams params{FormExStyle, FormStyle};
  params.Width = frame.right - frame.left;
  params.Height = frame.bottom - frame.top;
  if (!CreateHandle(instance, windowClass, params)) {
    Destroy();
    return false;
  }
  HWND window = Handle();

  Font.Reset(::CreateFontW(-Scaled(FontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"MS Sans Serif"));
  MaxLabel = CreateLabel(instance, MaxLabTop);
  MinLabel = CreateLabel(instance, MinLabTop);
  constexpr DWORD barStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_VERT | TBS_NOTICKS | TBS_BOTH;
  Bar = ::CreateWindowExW(0, TRACKBAR_CLASSW, L"", barStyle, Scaled(TrackLeft), Scaled(TrackTop), Scaled(TrackWidth),
                          Scaled(TrackHeight), window, nullptr, instance, nullptr);
  if (MaxLabel == nullptr || MinLabel == nullptr || Bar == nullptr ||
      !::SetWindowSubclass(Bar, TrackBarProc, TrackBarSubclass, reinterpret_cast<DWORD_PTR>(this))) {
    Destroy();
    return false;
  }
  if (Brightness.Available()) {
    Slider = std::make_unique<TBrightnessSlider>(
        Brightness, [window] { ::PostMessageW(window, BrightnessLandedMessage, 0, 0); },
        [] { UnexpectedException(); });
  }
  return true;
}

void TBrightnessForm::Destroy() {
  // The writer first: the monitor layer is released right after this at shutdown, and no
  // notice may be posted to a handle that is gone.
  Slider.reset();
  if (Bar != nullptr) ::RemoveWindowSubclass(Bar, TrackBarProc, TrackBarSubclass);
  TWindowBase::Destroy();
  WindowGone();
}

void TBrightnessForm::WindowGone() {
  Bar = MaxLabel = MinLabel = nullptr;
  Font.Reset();
}

HWND TBrightnessForm::CreateLabel(HINSTANCE instance, int top) {
  HWND label = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                                 Scaled(LabelLeft), Scaled(top), Scaled(LabelWidth), Scaled(LabelHeight), Handle(),
                                 nullptr, instance, nullptr);
  if (label != nullptr && Font) ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(Font.Get()), FALSE);
  return label;
}

int TBrightnessForm::Scaled(int pixels) const { return static_cast<int>(RoundHalfEven(pixels * PixelsScale())); }

void TBrightnessForm::ShowAt(int x) {
  if (Handle() == nullptr || Slider == nullptr) return;
  FormShow();

  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT r{};
  ::GetWindowRect(Handle(), &r);
  TPoint at = SliderPlacement(x, {work.left, work.top, work.right - work.left, work.bottom - work.top},
                              r.right - r.left, r.bottom - r.top);
  ::SetWindowPos(Handle(), HWND_TOPMOST, at.X, at.Y, 0, 0, SWP_NOSIZE);
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
  ::SetFocus(Bar);
}

void TBrightnessForm::Hide() {
  if (Handle() != nullptr) ::ShowWindow(Handle(), SW_HIDE);
}

void TBrightnessForm::ReadMonitor() {
  if (Slider != nullptr) Slider->Refresh();
}

void TBrightnessForm::FormShow() {
  Slider->Show();
  WheelRest = 0;
  ShowRange();
}

void TBrightnessForm::ShowRange() {
  const TSliderRange& range = Slider->Range();
  // Setting the range and position sends no scroll message: nothing is written back.
  ::SendMessageW(Bar, TBM_SETRANGEMIN, FALSE, range.Min);
  ::SendMessageW(Bar, TBM_SETRANGEMAX, FALSE, range.Max);
  ::SendMessageW(Bar, TBM_SETLINESIZE, 0, 1);
  ::SendMessageW(Bar, TBM_SETPAGESIZE, 0, std::max(1, (range.Max - range.Min) / 10));
  ::SendMessageW(Bar, TBM_SETPOS, TRUE, range.Position);
  ::SetWindowTextW(MaxLabel, SliderLabel(Brightness.Max()).c_str());
  ::SetWindowTextW(MinLabel, SliderLabel(Brightness.Min()).c_str());
  ::SetWindowTextW(Handle(), SliderCaption(Brightness.Cur()).c_str());
}

void TBrightnessForm::WriterLanded() {
  if (Slider == nullptr) return;
  TBrightnessSlider::TLanded landed = Slider->Landed();
  if (landed.Refreshed) ShowRange();
  if (landed.Changed) {
    if (OnChanged) OnChanged();
  } else if (landed.Refreshed) {
    if (OnRefreshed) OnRefreshed();
  }
}

void TBrightnessForm::TrackBarChange() {
  if (Slider == nullptr) return;
  auto position = static_cast<int32_t>(::SendMessageW(Bar, TBM_GETPOS, 0, 0));
  // The caption follows the thumb at once; the tray tip once the monitor has the value.
  if (std::optional<uint32_t> value = Slider->Move(position))
    ::SetWindowTextW(Handle(), SliderCaption(*value).c_str());
}

// Forward is brighter, like Up. A notch moves as many units as the system scrolls lines; a
// finer wheel adds up its part notches first.
void TBrightnessForm::TrackBarWheel(int delta) {
  if (Slider == nullptr) return;
  WheelRest += delta;
  int notches = WheelRest / WHEEL_DELTA;
  WheelRest %= WHEEL_DELTA;
  if (notches == 0) return;
  UINT lines = 3;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  int64_t step = lines == WHEEL_PAGESCROLL ? ::SendMessageW(Bar, TBM_GETPAGESIZE, 0, 0) : lines;
  const TSliderRange& range = Slider->Range();
  int64_t position = std::clamp<int64_t>(range.Position - notches * step, range.Min, range.Max);
  ::SendMessageW(Bar, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
  TrackBarChange();
}

LRESULT CALLBACK TBrightnessForm::TrackBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR self) noexcept {
  auto* form = reinterpret_cast<TBrightnessForm*>(self);
  try {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
      form->Hide();
      return 0;
    }
    // Handled here, not left to the bar: not every track bar turns with the wheel.
    if (message == WM_MOUSEWHEEL) {
      form->TrackBarWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    }
  } catch (...) {
    ReportEscapedException();
    return 0;
  }
  return ::DefSubclassProc(bar, message, wParam, lParam);
}

LRESULT TBrightnessForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BrightnessLandedMessage:
      WriterLanded();
      return 0;
    case WM_VSCROLL:
      if (Bar != nullptr && reinterpret_cast<HWND>(lParam) == Bar) TrackBarChange();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        // A click anywhere else: the slider has done its job.
        if (::IsWindowVisible(Handle())) Hide();
      } else if (Bar != nullptr) {
        ::SetFocus(Bar);
      }
      return 0;
    case WM_SETFOCUS:
      if (Bar != nullptr) ::SetFocus(Bar);
      return 0;
    case WM_MOUSEWHEEL:
      // The wheel over the labels or the frame turns the bar too.
      if (Bar != nullptr) ::SendMessageW(Bar, message, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        Hide();
        return 0;
      }
      break;
    case WM_CLOSE:
      return 0;  // never closed: hidden, and destroyed only at shutdown
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
