#include "commands/win/NoteFormUnit.h"

#include "common/win/GdiObjects.h"

namespace pelorin {

namespace {

constexpr wchar_t NoteFormClass[] = L"PelorinNoteForm";
constexpr BYTE NoteAlpha = 150;
constexpr COLORREF FaceColour = RGB(212, 208, 200);
constexpr COLORREF FrameColour = RGB(150, 146, 138);
constexpr COLORREF TextColour = RGB(0, 0, 0);
constexpr COLORREF GrooveColour = RGB(246, 245, 242);
constexpr COLORREF LevelColour = RGB(49, 106, 197);
constexpr COLORREF ThumbEdgeColour = RGB(110, 108, 104);
constexpr COLORREF ThumbTopColour = RGB(255, 255, 255);
constexpr COLORREF ThumbBottomColour = RGB(208, 204, 196);
constexpr COLORREF GripColour = RGB(150, 146, 140);

constexpr UINT LabelFormat = DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT r{left, top, right, bottom};
  ::SetDCBrushColor(dc, colour);
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps) {
  auto mix = [&](int a, int b) { return a + (b - a) * step / steps; };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

void DrawLabel(HDC dc, const std::wstring& text, int left, int top, int width, int height) {
  RECT r{left, top, left + width, top + height};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, LabelFormat);
}

}  // namespace

bool TNoteForm::Create(HINSTANCE instance) {
  if (Handle() != nullptr) return true;
  BoldFont.Reset(::CreateFontW(-11, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
  // No owner, so it does not follow the main window; disabled, so a click does nothing.
  if (!CreateHandle(instance, {.Name = NoteFormClass},
                    {.ExStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_LAYERED,
                     .Style = WS_POPUP | WS_DISABLED,
                     .Width = NotePanelWidth,
                     .Height = NoteHeight})) {
    Destroy();
    return false;
  }
  ::SetLayeredWindowAttributes(Handle(), 0, NoteAlpha, LWA_ALPHA);
  return true;
}

int32_t TNoteForm::TextWidth(std::wstring_view text) {
  TWindowDc dc(Handle());
  if (!dc) return 0;
  SIZE size{};
  TSelected font(dc.Get(), BoldFont.Get());
  ::GetTextExtentPoint32W(dc.Get(), text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

bool TNoteForm::Showing() { return Handle() != nullptr && ::IsWindowVisible(Handle()); }

void TNoteForm::Show(const TNoteLayout& layout, std::optional<TPoint> moveTo) {
  if (Handle() == nullptr) return;
  Layout = layout;
  // The window has no frame: its size is the client size.
  UINT flags = SWP_NOACTIVATE | (moveTo ? 0 : SWP_NOMOVE);
  ::SetWindowPos(Handle(), HWND_TOPMOST, moveTo ? moveTo->X : 0, moveTo ? moveTo->Y : 0, layout.ClientWidth,
                 NoteHeight, flags);
  ::InvalidateRect(Handle(), nullptr, FALSE);
  ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  ::UpdateWindow(Handle());
}

void TNoteForm::KeepOnTop() {
  if (Handle() == nullptr) return;
  // Another topmost window may have come up over the note since the last step.
  ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TNoteForm::Hide() {
  if (Handle() != nullptr) ::ShowWindow(Handle(), SW_HIDE);
}

LRESULT TNoteForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(Handle(), &ps);
      RECT client;
      ::GetClientRect(Handle(), &client);
      // Drawn off screen first: the strip is repainted at every step and must not flicker.
      {
        TOwnedDc memory(::CreateCompatibleDC(dc));
        TOwnedBitmap bitmap(::CreateCompatibleBitmap(dc, client.right, client.bottom));
        TSelected selected(memory.Get(), bitmap.Get());
        Paint(memory.Get(), client);
        ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
      }
      ::EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_SETCURSOR:
      // The default handling beeps at a click on a disabled window.
      ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

void TNoteForm::Paint(HDC dc, const RECT& client) const {
  // A thin darker frame keeps the edge visible over a background of the same grey.
  Fill(dc, 0, 0, client.right, client.bottom, FrameColour);
  Fill(dc, 1, 1, client.right - 1, client.bottom - 1, FaceColour);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, TextColour);
  TSelected font(dc, BoldFont.Get());
  if (!Layout.Level) {
    DrawLabel(dc, Layout.Text, 1, 4, NoteLabelWidth, 15);
    return;
  }
  PaintLevel(dc);
  DrawLabel(dc, Layout.LevelText, NoteLevelLeft, 4, NoteLevelWidth, 17);
}

// The track is a thin sunken groove through the middle of its 201 x 18 area, filled up to
// the middle of the thumb; the thumb a raised, rounded 10 x 20 grip.
void TNoteForm::PaintLevel(HDC dc) const {
  constexpr int trackLeft = 1, trackTop = 2, trackHeight = 18;
  constexpr int middle = trackTop + trackHeight / 2;  // also the thumb's middle
  const int thumb = Layout.ThumbLeft;

  RECT groove{trackLeft + 3, middle - 2, trackLeft + NoteTrackWidth - 3, middle + 2};
  Fill(dc, groove.left + 1, groove.top + 1, groove.right - 1, groove.bottom - 1, GrooveColour);
  Fill(dc, groove.left + 1, groove.top + 1, thumb + NoteThumbWidth / 2, groove.bottom - 1, LevelColour);
  ::DrawEdge(dc, &groove, BDR_SUNKENOUTER, BF_RECT);

  constexpr int top = 1, bottom = top + 20;
  // Face: light at the top, darker below; the rows next to the corners are shorter so the
  // face stays inside the rounded edge.
  for (int y = top + 1; y < bottom - 1; ++y) {
    int inset = (y == top + 1 || y == bottom - 2) ? 1 : 0;
    Fill(dc, thumb + 1 + inset, y, thumb + NoteThumbWidth - 1 - inset, y + 1,
         Blend(ThumbTopColour, ThumbBottomColour, y - top - 1, bottom - top - 3));
  }
  ::SetDCPenColor(dc, ThumbEdgeColour);
  {
    TSelected pen(dc, ::GetStockObject(DC_PEN));
    TSelected brush(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, thumb, top, thumb + NoteThumbWidth, bottom, 4, 4);
  }
  // An etched grip in the middle.
  for (int y : {middle - 3, middle, middle + 3}) {
    Fill(dc, thumb + 3, y - 1, thumb + NoteThumbWidth - 3, y, GripColour);
    Fill(dc, thumb + 3, y, thumb + NoteThumbWidth - 3, y + 1, ThumbTopColour);
  }
}

namespace {
HWND AsHwnd(TWindowHandle window) { return reinterpret_cast<HWND>(window); }

bool Showing(HWND window) { return window != nullptr && ::IsWindowVisible(window) && !::IsIconic(window); }
}  // namespace

TWindowHandle TNoteFocus::OwnFrontWindow() {
  HWND front = ::GetForegroundWindow();
  if (front == nullptr) return 0;
  DWORD process = 0;
  ::GetWindowThreadProcessId(front, &process);
  return process == ::GetCurrentProcessId() ? reinterpret_cast<TWindowHandle>(front) : 0;
}

bool TNoteFocus::WindowShowing(TWindowHandle window) { return Showing(AsHwnd(window)); }

bool TNoteFocus::MainWindowShowing() { return Showing(Main); }

bool TNoteFocus::MainWindowEnabled() { return Main != nullptr && ::IsWindowEnabled(Main); }

void TNoteFocus::EnableMainWindow(bool enable) {
  if (Main != nullptr) ::EnableWindow(Main, enable);
}

void TNoteFocus::GiveFocusBack(TWindowHandle which) {
  HWND window = AsHwnd(which);
  if (window == nullptr) return;
  // Leaves the focus where it is inside the window: taking it to the window itself would
  // pull it out of the control the user is typing in.
  HWND focus = ::GetFocus();
  if (focus == window || (focus != nullptr && ::IsChild(window, focus))) return;
  ::SetFocus(window);
}

}  // namespace pelorin
