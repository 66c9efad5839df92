#include "clipboard/win/ZoomView.h"

#include <windowsx.h>

#include <algorithm>

#include "common/win/GdiObjects.h"

namespace pelorin {

bool TZoomView::Create(HINSTANCE instance, HMODULE resources, HWND parent, int id) {
  OpenHand = ::LoadCursorW(resources, L"HANDFLAT");
  ClosedHand = ::LoadCursorW(resources, L"HANDGRAB");
  if (OpenHand == nullptr) OpenHand = ::LoadCursorW(nullptr, IDC_HAND);
  if (ClosedHand == nullptr) ClosedHand = ::LoadCursorW(nullptr, IDC_SIZEALL);
  return CreateHandle(instance, {WindowClass, 0, nullptr, nullptr},
                      {0, WS_CHILD | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP, L"", 0, 0, 100, 100, parent, id});
}

void TZoomView::SetPicture(TOwnedBitmap picture) {
  Picture = std::move(picture);
  Size = {};
  BITMAP info{};
  if (Picture && ::GetObjectW(Picture.Get(), sizeof(info), &info) == sizeof(info))
    Size = {info.bmWidth, std::abs(info.bmHeight)};
  Pos = {};
  SetBars();
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TZoomView::SetBars() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMax = std::max(0, static_cast<int>(Size.cx) - 1);
  info.nPage = static_cast<UINT>(client.right);
  info.nPos = Pos.x;
  ::SetScrollInfo(Handle(), SB_HORZ, &info, TRUE);
  info.nMax = std::max(0, static_cast<int>(Size.cy) - 1);
  info.nPage = static_cast<UINT>(client.bottom);
  info.nPos = Pos.y;
  ::SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void TZoomView::ScrollTo(int x, int y) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  POINT to{std::clamp(x, 0, std::max(0, static_cast<int>(Size.cx - client.right))),
           std::clamp(y, 0, std::max(0, static_cast<int>(Size.cy - client.bottom)))};
  if (to.x == Pos.x && to.y == Pos.y) return;
  Pos = to;
  SetBars();
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT TZoomView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(Handle(), &ps);
      RECT client{};
      ::GetClientRect(Handle(), &client);
      ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
      if (Picture) {
        TOwnedDc source(::CreateCompatibleDC(dc));
        TSelected chosen(source.Get(), Picture.Get());
        ::BitBlt(dc, 0, 0, Size.cx - Pos.x, Size.cy - Pos.y, source.Get(), Pos.x, Pos.y, SRCCOPY);
      }
      ::EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_SIZE:
      ScrollTo(Pos.x, Pos.y);
      SetBars();
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const int bar = message == WM_HSCROLL ? SB_HORZ : SB_VERT;
      SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
      ::GetScrollInfo(Handle(), bar, &info);
      int pos = info.nPos;
      const int line = Scale(20);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: pos -= line; break;
        case SB_LINEDOWN: pos += line; break;
        case SB_PAGEUP: pos -= static_cast<int>(info.nPage); break;
        case SB_PAGEDOWN: pos += static_cast<int>(info.nPage); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = info.nTrackPos; break;
        default: break;
      }
      if (bar == SB_HORZ)
        ScrollTo(pos, Pos.y);
      else
        ScrollTo(Pos.x, pos);
      return 0;
    }
    case WM_MOUSEWHEEL:
      ScrollTo(Pos.x, Pos.y - GET_WHEEL_DELTA_WPARAM(wParam) * Scale(60) / WHEEL_DELTA);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(Dragging ? ClosedHand : OpenHand);
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      ::SetFocus(Handle());
      Dragging = true;
      DragFrom = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      PosAtDrag = Pos;
      ::SetCapture(Handle());
      ::SetCursor(ClosedHand);
      return 0;
    case WM_MOUSEMOVE:
      if (Dragging) ScrollTo(PosAtDrag.x - (GET_X_LPARAM(lParam) - DragFrom.x), PosAtDrag.y - (GET_Y_LPARAM(lParam) - DragFrom.y));
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (Dragging) {
        Dragging = false;
        if (message == WM_LBUTTONUP) ::ReleaseCapture();
        ::SetCursor(OpenHand);
      }
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (OnKey) OnKey();
      return 0;
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
