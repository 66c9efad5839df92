#include "app/win/PopupFormUnit.h"

#include <algorithm>

#include "common/win/GdiObjects.h"

namespace pelorin {

namespace {

constexpr int ItemIdBase = 100;
constexpr int TextIndent = 2;       // pixels at 96 DPI before the caption's own blanks
constexpr int SeparatorIndent = 3;  // pixels at 96 DPI kept free at both ends of a separator
constexpr UINT ItemTextFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

void Fill(HDC dc, const RECT& r, int systemColour) { ::FillRect(dc, &r, ::GetSysColorBrush(systemColour)); }

RECT ToRect(const TRect& r) { return {r.Left, r.Top, r.Left + r.Width, r.Top + r.Height}; }

// The menu font of the system, at its DPI; the dialog font where the system gives none.
HFONT CreateMenuFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    if (HFONT font = ::CreateFontIndirectW(&metrics.lfMenuFont)) return font;
  }
  HDC screen = ::GetDC(nullptr);
  int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return ::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"MS Shell Dlg");
}

}  // namespace

bool TPopupForm::Create(HINSTANCE instance) {
  if (Window != nullptr) return true;
  HCURSOR arrow = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DROPSHADOW;  // like a menu
  wc.lpfnWndProc = FormWindowProc<TPopupForm>;
  wc.hInstance = instance;
  wc.hCursor = arrow;
  wc.lpszClassName = WindowClass;
  ::RegisterClassExW(&wc);  // fails harmlessly when already registered
  WNDCLASSEXW item{};
  item.cbSize = sizeof(item);
  item.lpfnWndProc = ItemProc;
  item.hInstance = instance;
  item.hCursor = arrow;
  item.lpszClassName = ItemClass;
  ::RegisterClassExW(&item);

  HDC screen = ::GetDC(nullptr);
  int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  Scale = dpi > 0 ? dpi / 96.0 : 1.0;
  Font = CreateMenuFont();

  // Unowned, so it never drags the main window to the front; a tool window, so it has no
  // taskbar button.
  Window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, WindowClass, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                             PopupScaled(PopupWidth, Scale), PopupScaled(PopupHeight, Scale), nullptr, nullptr,
                             instance, this);
  if (Window == nullptr) {
    Destroy();
    return false;
  }
  for (int i = 0; i < PopupItemCount; ++i) {
    RECT r = ItemRect(i);
    Items[i] = ::CreateWindowExW(0, ItemClass, PopupItemCaption(i, true).data(), WS_CHILD | WS_VISIBLE, r.left,
                                 r.top, r.right - r.left, r.bottom - r.top, Window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(ItemIdBase + i)), instance, this);
    if (Items[i] == nullptr) {
      Destroy();
      return false;
    }
  }
  SetBrightnessAvailable(BrightnessAvailable);
  return true;
}

void TPopupForm::Destroy() {
  if (Window != nullptr) {
    for (HWND item : Items)
      if (item != nullptr) ::SetWindowLongPtrW(item, GWLP_USERDATA, 0);
    ::SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
    ::DestroyWindow(Window);
  }
  Window = nullptr;
  Items.fill(nullptr);
  if (Font != nullptr) ::DeleteObject(Font);
  Font = nullptr;
  Hot = NoPopupItem;
}

RECT TPopupForm::ItemRect(int item) const { return ToRect(PopupItemRect(item, Scale)); }

void TPopupForm::ShowAt(int cursorX) {
  if (Window == nullptr) return;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int width = PopupScaled(PopupWidth, Scale), height = PopupScaled(PopupHeight, Scale);
  TPoint at = PopupPlacement(cursorX, {work.left, work.top, work.right - work.left, work.bottom - work.top}, width,
                             height);
  SetHotItem(NoPopupItem);
  ::SetWindowPos(Window, HWND_TOPMOST, at.X, at.Y, width, height, SWP_SHOWWINDOW);
  ::SetForegroundWindow(Window);
}

void TPopupForm::Hide() {
  if (!Visible()) return;
  HWND capture = ::GetCapture();
  if (capture != nullptr && ::IsChild(Window, capture)) ::ReleaseCapture();
  ::ShowWindow(Window, SW_HIDE);
}

void TPopupForm::SetAppEnabled(bool enabled) {
  HWND item = Item(piDisablePelorin);
  if (item == nullptr) return;
  ::SetWindowTextW(item, PopupItemCaption(piDisablePelorin, enabled).data());
  ::InvalidateRect(item, nullptr, FALSE);
}

void TPopupForm::SetBrightnessAvailable(bool available) {
  BrightnessAvailable = available;
  HWND item = Item(piBrightness);
  if (item == nullptr) return;
  if (!available && Hot == piBrightness) SetHotItem(NoPopupItem);
  // A disabled label gets no mouse messages: the panel gets them, and clears the highlight.
  ::EnableWindow(item, available);
  ::InvalidateRect(item, nullptr, FALSE);
}

int TPopupForm::ItemAt(HWND from, LPARAM point) const {
  POINT p{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
  ::MapWindowPoints(from, Window, &p, 1);
  for (int i = 0; i < PopupItemCount; ++i) {
    RECT r = ItemRect(i);
    if (::PtInRect(&r, p)) return i;
  }
  return NoPopupItem;
}

bool TPopupForm::ItemEnabled(int item) const { return item != piBrightness || BrightnessAvailable; }

void TPopupForm::SetHotItem(int item) {
  if (item != NoPopupItem && !ItemEnabled(item)) item = NoPopupItem;
  if (item == Hot) return;
  for (int changed : {Hot, item})
    if (HWND window = Item(changed)) ::InvalidateRect(window, nullptr, FALSE);
  Hot = item;
}

void TPopupForm::ItemClick(int item) {
  if (!ItemEnabled(item)) return;
  switch (item) {
    case piShowPelorin:
      if (OnShowPelorin) OnShowPelorin();
      break;
    case piDisablePelorin:
      if (OnTogglePelorin) OnTogglePelorin();
      Hide();
      break;
    case piClipboardManager:
      if (OnClipboardManager) OnClipboardManager();
      break;
    case piBrightness: {
      RECT r{};
      ::GetWindowRect(Window, &r);
      if (OnBrightness) OnBrightness(r.left + PopupCursorOffset);
      break;
    }
    case piClose:
      if (OnClose) OnClose();
      break;
    default:
      break;
  }
}

LRESULT CALLBACK TPopupForm::ItemProc(HWND item, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams;
    ::SetWindowLongPtrW(item, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TPopupForm*>(::GetWindowLongPtrW(item, GWLP_USERDATA));
  int index = ::GetDlgCtrlID(item) - ItemIdBase;
  // Until CreateWindowExW has returned, the label is not one of the items yet.
  if (self == nullptr || self->Item(index) != item) return ::DefWindowProcW(item, message, wParam, lParam);
  return self->ItemMessage(index, message, wParam, lParam);
}

LRESULT TPopupForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(Window, &ps);
      PaintPanel(dc);
      ::EndPaint(Window, &ps);
      return 0;
    }
    case WM_ACTIVATE:
      // Clicking anywhere else closes it, like a menu.
      if (LOWORD(wParam) == WA_INACTIVE && Visible()) Hide();
      break;
    case WM_CLOSE:
      Hide();  // Alt+F4: only ever hidden until shutdown
      return 0;
    case WM_MOUSEMOVE:
      // Over the frame, a separator or the disabled item.
      SetHotItem(NoPopupItem);
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_ESCAPE:
          Hide();
          return 0;
        case VK_UP:
        case VK_DOWN:
          SetHotItem(NextPopupItem(Hot, wParam == VK_UP ? -1 : 1, BrightnessAvailable));
          return 0;
        case VK_RETURN:
          if (Hot != NoPopupItem) ItemClick(Hot);
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(Window, message, wParam, lParam);
}

LRESULT TPopupForm::ItemMessage(int item, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = Items[item];
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(window, &ps);
      PaintItem(item, dc);
      ::EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE: {
      // Asked again at every move: a request made while the mouse is already elsewhere may
      // be dropped without a WM_MOUSELEAVE.
      TRACKMOUSEEVENT tracking{sizeof(tracking), TME_QUERY, nullptr, 0};
      ::TrackMouseEvent(&tracking);
      if (tracking.hwndTrack != window || !(tracking.dwFlags & TME_LEAVE)) {
        tracking = {sizeof(tracking), TME_LEAVE, window, 0};
        ::TrackMouseEvent(&tracking);
      }
      // While the button is held this label has the mouse wherever it goes: the highlight
      // follows it over the other items, as in a menu.
      SetHotItem(ItemAt(window, lParam));
      return 0;
    }
    case WM_MOUSELEAVE:
      // With the button held the next move sets it again if the mouse is over an item.
      if (Hot == item) SetHotItem(NoPopupItem);
      return 0;
    case WM_LBUTTONDOWN:
      ::SetCapture(window);
      return 0;
    case WM_LBUTTONUP: {
      if (::GetCapture() == window) ::ReleaseCapture();
      // The item the button is released over runs, wherever it was pressed.
      int chosen = ItemAt(window, lParam);
      if (chosen != NoPopupItem) ItemClick(chosen);
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void TPopupForm::PaintPanel(HDC dc) const {
  RECT client{};
  ::GetClientRect(Window, &client);
  const int border = PopupScaled(PopupBorder, Scale);
  Fill(dc, client, COLOR_BTNFACE);
  // The frame, in the shadow colour so the menu's edge shows on a window of its own colour.
  Fill(dc, {0, 0, client.right, border}, COLOR_BTNSHADOW);
  Fill(dc, {0, client.bottom - border, client.right, client.bottom}, COLOR_BTNSHADOW);
  Fill(dc, {0, 0, border, client.bottom}, COLOR_BTNSHADOW);
  Fill(dc, {client.right - border, 0, client.right, client.bottom}, COLOR_BTNSHADOW);
  // Each separator an etched line: shadow over highlight.
  const int indent = PopupScaled(SeparatorIndent, Scale);
  for (int s = 0; s < PopupSeparatorCount; ++s) {
    RECT r = ToRect(PopupSeparatorRect(s, Scale));
    int line = std::max(1L, (r.bottom - r.top) / 3);
    int top = r.top + (r.bottom - r.top - 2 * line) / 2;
    Fill(dc, {r.left + indent, top, r.right - indent, top + line}, COLOR_BTNSHADOW);
    Fill(dc, {r.left + indent, top + line, r.right - indent, top + 2 * line}, COLOR_BTNHIGHLIGHT);
  }
}

void TPopupForm::PaintItem(int item, HDC dc) const {
  RECT r{};
  ::GetClientRect(Items[item], &r);
  const bool enabled = ItemEnabled(item);
  const bool hot = enabled && item == Hot;
  Fill(dc, r, hot ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  wchar_t caption[64] = {};
  int length = ::GetWindowTextW(Items[item], caption, static_cast<int>(std::size(caption)));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(!enabled ? COLOR_GRAYTEXT : hot ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
  TSelected font(dc, Font);
  r.left += PopupScaled(TextIndent, Scale);
  ::DrawTextW(dc, caption, length, &r, ItemTextFormat);
}

}  // namespace pelorin
