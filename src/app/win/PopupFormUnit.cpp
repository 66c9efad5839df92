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

}  // namespace

bool TPopupForm::Create(HINSTANCE instance) {
  if (Handle() != nullptr) return true;
  // A shadow like a menu's. Unowned, so it never drags the main window to the front; a tool
  // window, so it has no taskbar button.
  if (!CreateHandle(instance, {.Name = WindowClass, .Style = CS_DROPSHADOW},
                    {.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
                     .Style = WS_POPUP | WS_CLIPCHILDREN,
                     .Width = PopupScaled(PopupWidth, PixelsScale()),
                     .Height = PopupScaled(PopupHeight, PixelsScale())})) {
    Destroy();
    return false;
  }
  for (int i = 0; i < PopupItemCount; ++i) {
    if (!Items[i].Create(instance, *this, i)) {
      Destroy();
      return false;
    }
  }
  SetBrightnessAvailable(BrightnessAvailable);
  return true;
}

bool TPopupForm::TItemWindow::Create(HINSTANCE instance, TPopupForm& owner, int index) {
  Owner = &owner;
  Index = index;
  RECT r = owner.ItemRect(index);
  return CreateHandle(instance, {.Name = ItemClass},
                      {.Style = WS_CHILD | WS_VISIBLE,
                       .Text = PopupItemCaption(index, true).data(),
                       .X = r.left,
                       .Y = r.top,
                       .Width = r.right - r.left,
                       .Height = r.bottom - r.top,
                       .Parent = owner.Handle(),
                       .Id = ItemIdBase + index});
}

RECT TPopupForm::ItemRect(int item) const { return ToRect(PopupItemRect(item, PixelsScale())); }

void TPopupForm::ShowAt(int cursorX) {
  if (Handle() == nullptr) return;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int width = PopupScaled(PopupWidth, PixelsScale()), height = PopupScaled(PopupHeight, PixelsScale());
  TPoint at = PopupPlacement(cursorX, {work.left, work.top, work.right - work.left, work.bottom - work.top}, width,
                             height);
  SetHotItem(NoPopupItem);
  ::SetWindowPos(Handle(), HWND_TOPMOST, at.X, at.Y, width, height, SWP_SHOWWINDOW);
  ::SetForegroundWindow(Handle());
}

void TPopupForm::Hide() {
  if (!Visible()) return;
  HWND capture = ::GetCapture();
  if (capture != nullptr && ::IsChild(Handle(), capture)) ::ReleaseCapture();
  ::ShowWindow(Handle(), SW_HIDE);
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
  ::MapWindowPoints(from, Handle(), &p, 1);
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
      ::GetWindowRect(Handle(), &r);
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

LRESULT TPopupForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(Handle(), &ps);
      PaintPanel(dc);
      ::EndPaint(Handle(), &ps);
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
  return DefaultMessage(message, wParam, lParam);
}

void TPopupForm::TrackLeave(HWND item) {
  // Asked again at every move: a request made while the mouse is already elsewhere may be
  // dropped without a WM_MOUSELEAVE.
  TRACKMOUSEEVENT tracking{sizeof(tracking), TME_QUERY, nullptr, 0};
  ::TrackMouseEvent(&tracking);
  if (tracking.hwndTrack == item && (tracking.dwFlags & TME_LEAVE)) return;
  tracking = {sizeof(tracking), TME_LEAVE, item, 0};
  ::TrackMouseEvent(&tracking);
}

LRESULT TPopupForm::ItemMessage(int item, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = Items[item].Handle();
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
    case WM_MOUSEMOVE:
      TrackLeave(window);
      // While the button is held this label has the mouse wherever it goes: the highlight
      // follows it over the other items, as in a menu.
      SetHotItem(ItemAt(window, lParam));
      return 0;
    case WM_MOUSELEAVE: {
      if (Hot != item) return 0;
      // The leave may come late, after the move onto another item (Wine replays the previous
      // move): the highlight goes to wherever the mouse is now, not to nothing.
      POINT at{};
      ::GetCursorPos(&at);
      ::ScreenToClient(window, &at);
      int now = ItemAt(window, MAKELPARAM(at.x, at.y));
      if (now != NoPopupItem) TrackLeave(Items[now].Handle());
      SetHotItem(now);
      return 0;
    }
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
  ::GetClientRect(Handle(), &client);
  const int border = PopupScaled(PopupBorder, PixelsScale());
  Fill(dc, client, COLOR_BTNFACE);
  // The frame, in the shadow colour so the menu's edge shows on a window of its own colour.
  Fill(dc, {0, 0, client.right, border}, COLOR_BTNSHADOW);
  Fill(dc, {0, client.bottom - border, client.right, client.bottom}, COLOR_BTNSHADOW);
  Fill(dc, {0, 0, border, client.bottom}, COLOR_BTNSHADOW);
  Fill(dc, {client.right - border, 0, client.right, client.bottom}, COLOR_BTNSHADOW);
  // Each separator an etched line: shadow over highlight.
  const int indent = PopupScaled(SeparatorIndent, PixelsScale());
  for (int s = 0; s < PopupSeparatorCount; ++s) {
    RECT r = ToRect(PopupSeparatorRect(s, PixelsScale()));
    int line = std::max(1L, (r.bottom - r.top) / 3);
    int top = r.top + (r.bottom - r.top - 2 * line) / 2;
    Fill(dc, {r.left + indent, top, r.right - indent, top + line}, COLOR_BTNSHADOW);
    Fill(dc, {r.left + indent, top + line, r.right - indent, top + 2 * line}, COLOR_BTNHIGHLIGHT);
  }
}

void TPopupForm::PaintItem(int item, HDC dc) {
  RECT r{};
  ::GetClientRect(Items[item].Handle(), &r);
  const bool enabled = ItemEnabled(item);
  const bool hot = enabled && item == Hot;
  Fill(dc, r, hot ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  wchar_t caption[64] = {};
  int length = ::GetWindowTextW(Items[item].Handle(), caption, static_cast<int>(std::size(caption)));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(!enabled ? COLOR_GRAYTEXT : hot ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
  TSelected font(dc, MenuFont());
  r.left += PopupScaled(TextIndent, PixelsScale());
  ::DrawTextW(dc, caption, length, &r, ItemTextFormat);
}

}  // namespace pelorin
