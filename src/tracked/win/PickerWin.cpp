#include "tracked/win/PickerWin.h"

#include "common/win/GdiObjects.h"

namespace pelorin {

namespace {

HWND Hwnd(TWindowHandle w) { return reinterpret_cast<HWND>(w); }

}  // namespace

TWindowHandle TPickerWindowsWin::WindowFromPoint(TPoint p) {
  return reinterpret_cast<TWindowHandle>(::WindowFromPoint(POINT{p.X, p.Y}));
}

bool TPickerWindowsWin::IsVisible(TWindowHandle window) { return Windows.IsVisible(window); }

std::string TPickerWindowsWin::WindowText(TWindowHandle window) { return Windows.WindowText(window); }

std::string TPickerWindowsWin::ClassName(TWindowHandle window) { return Windows.ClassName(window); }

TWindowHandle TPickerWindowsWin::Parent(TWindowHandle window) {
  return reinterpret_cast<TWindowHandle>(::GetParent(Hwnd(window)));
}

bool TPickerWindowsWin::IsFrameLike(TWindowHandle window) {
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Hwnd(window), GWL_STYLE));
  return (style & (WS_POPUP | WS_BORDER | WS_SYSMENU)) != 0;
}

std::optional<TRect> TPickerWindowsWin::WindowRect(TWindowHandle window) { return Windows.WindowRect(window); }

void TScreenFrameWin::DrawXorFrame(const TRect& r) {
  TWindowDc screen;
  if (!screen) return;
  HDC dc = screen.Get();
  TGdiObject pen(::CreatePen(PS_INSIDEFRAME, 4, RGB(0, 0, 0)));
  if (!pen) return;
  const int oldRop = ::SetROP2(dc, R2_NOT);
  {
    TSelected selectedPen(dc, pen.Get());
    TSelected brush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, r.Left, r.Top, r.Left + r.Width, r.Top + r.Height);
  }
  ::SetROP2(dc, oldRop);
}

}  // namespace pelorin
