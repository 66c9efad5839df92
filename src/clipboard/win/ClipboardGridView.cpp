#include "clipboard/win/ClipboardGridView.h"

#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "clipboard/ClipboardPicture.h"
#include "clipboard/win/ClipboardSystemWin.h"
#include "clipboard/win/ClipboardThumbnail.h"
#include "common/Rounding.h"
#include "common/win/GdiObjects.h"

namespace pelorin {

namespace {

constexpr int IconKeyCap = 0, IconQuickPaste = 1, IconCopy = 2, IconDelete = 3, IconPicture = 4, IconFiles = 5,
              IconUnknown = 6, IconMagnifier = 7;
constexpr COLORREF SelectionGrey = RGB(128, 128, 128);
constexpr COLORREF GridLineColour = RGB(220, 220, 220);
// More of a line than any screen can show is never handed to the text call.
constexpr size_t MaxDrawnChars = 2048;
constexpr COLORREF PlaceholderGrey = RGB(200, 200, 200);
// The grid's own: a thumbnail is ready (wParam: the item's number).
constexpr UINT ThumbReadyMessage = WM_USER + 10;

// The grid font's measures, through the paint DC.
struct TDcMeasure final : TextMeasurePort {
  HDC Dc;
  explicit TDcMeasure(HDC dc) : Dc(dc) {}
  int TextHeight(std::wstring_view text) override {
    SIZE size{};
    ::GetTextExtentPoint32W(Dc, text.data(), static_cast<int>(std::min(text.size(), MaxDrawnChars)), &size);
    return size.cy;
  }
  size_t CharsWithin(std::wstring_view text, int maxWidth) override {
    int fit = 0;
    SIZE size{};
    ::GetTextExtentExPointW(Dc, text.data(), static_cast<int>(std::min(text.size(), MaxDrawnChars)), std::max(0, maxWidth),
                            &fit, nullptr, &size);
    return static_cast<size_t>(std::max(0, fit));
  }
};

// A 32-bit picture with straight alpha laid over the grid's background once, so that it can
// be stretched with halftone like any opaque bitmap.
TOwnedBitmap OverBackground(HBITMAP source, COLORREF background) {
  DIBSECTION section{};
  if (::GetObjectW(source, sizeof(section), &section) != sizeof(section) || section.dsBm.bmBitsPixel != 32) return {};
  const int width = section.dsBm.bmWidth, height = std::abs(section.dsBm.bmHeight);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = section.dsBm.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TOwnedBitmap out(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!out) return {};
  const auto* in = static_cast<const uint8_t*>(section.dsBm.bmBits);
  auto* px = static_cast<uint8_t*>(bits);
  const uint8_t bg[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
  for (size_t i = 0; i < size_t(width) * height; ++i) {
    const unsigned a = in[4 * i + 3];
    for (int c = 0; c < 3; ++c) px[4 * i + c] = static_cast<uint8_t>((in[4 * i + c] * a + bg[c] * (255 - a) + 127) / 255);
    px[4 * i + 3] = 255;
  }
  return out;
}

RECT ToRect(const TBox& b) { return {b.Left, b.Top, b.Right, b.Bottom}; }

}  // namespace

bool TClipboardGridView::Create(HINSTANCE instance, HMODULE resources, HWND parent, int id, THints& hints) {
  Hints = &hints;
  RowPixels = GridRowHeight(PixelsScale());
  CurrentYear = DateTimeYear(LocalDateTimeNow());
  if (!CreateHandle(instance, {WindowClass, CS_DBLCLKS, IDC_ARROW, nullptr},
                    {WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, L"", 0, 0, 100, 100, parent, id}))
    return false;
  DigitFont.Reset(::CreateFontW(-::MulDiv(11, ScreenDpi().Y, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
  IconModule = resources;  // the icons are loaded by the first paint: the window may never show
  Hints->Add(Handle(), L"");
  Thumbs.SetNotify(Handle(), ThumbReadyMessage);
  Refresh();
  return true;
}

void TClipboardGridView::LoadIcons(HMODULE resources) {
  IconsLoaded = true;
  for (size_t i = 0; i < Icons.size(); ++i) {
    std::wstring name = L"CLPICON" + std::to_wstring(i);
    TOwnedBitmap loaded(static_cast<HBITMAP>(
        ::LoadImageW(resources, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (loaded) Icons[i] = OverBackground(loaded.Get(), ::GetSysColor(COLOR_WINDOW));
  }
}

void TClipboardGridView::WindowGone() {
  Thumbs.SetNotify(nullptr, 0);
  Thumbs.Clear();
  for (TOwnedBitmap& icon : Icons) icon.Reset();
  IconsLoaded = false;
}

void TClipboardGridView::Refresh() {
  Shown.Reload(History);
  Selected = std::clamp(Selected, 0, Shown.Count() - 1);
  // The window is only ever hidden: without this, the thumbnail of every picture the history
  // let go of would stay for as long as Pelorin runs.
  Thumbs.Keep(History.ItemIds());
  if (Handle() == nullptr) return;
  Layout();
  ScrollTo(TopRow);
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TClipboardGridView::ThumbReady(uint64_t id) {
  std::optional<int> row = Shown.RowOf(id);
  if (!row || *row < TopRow || *row > TopRow + VisibleRows()) return;
  RECT r{0, (*row - TopRow) * RowPixels, Cols.Col0 + Cols.Col1 + Cols.Col2, (*row - TopRow + 1) * RowPixels};
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TClipboardGridView::Layout() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  Cols = GridColumnWidths(client.right, PixelsScale());
  // A thumbnail already made keeps its size: a width change scales nothing again.
  ThumbLimit = ThumbnailLimit(Cols.Col1, RowPixels);
}

int TClipboardGridView::VisibleRows() const {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  return std::max(1, static_cast<int>(client.bottom) / RowPixels);
}

void TClipboardGridView::SetScrollBar() {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = Shown.Count() - 1;
  info.nPage = static_cast<UINT>(VisibleRows());
  info.nPos = TopRow;
  ::SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void TClipboardGridView::ScrollTo(int topRow) {
  int top = std::clamp(topRow, 0, std::max(0, Shown.Count() - VisibleRows()));
  if (top != TopRow) ::InvalidateRect(Handle(), nullptr, FALSE);
  TopRow = top;
  SetScrollBar();
}

void TClipboardGridView::Select(int row) {
  Selected = std::clamp(row, 0, Shown.Count() - 1);
  if (Selected < TopRow)
    ScrollTo(Selected);
  else if (Selected >= TopRow + VisibleRows())
    ScrollTo(Selected - VisibleRows() + 1);
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

TBox TClipboardGridView::Cell(int row, int column, int top) const {
  (void)row;
  int left = column == 0 ? 0 : column == 1 ? Cols.Col0 : Cols.Col0 + Cols.Col1;
  int width = column == 0 ? Cols.Col0 : column == 1 ? Cols.Col1 : Cols.Col2;
  return {left, top, left + width, top + RowPixels};
}

RECT TClipboardGridView::CellScreenRect(int row, int column) const {
  RECT r = ToRect(Cell(row, column, (row - TopRow) * RowPixels));
  ::MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool TClipboardGridView::CellAt(int x, int y, int& row, int& column, TBox& cell) const {
  if (y < 0 || x < 0) return false;
  row = TopRow + y / RowPixels;
  column = x < Cols.Col0 ? 0 : x < Cols.Col0 + Cols.Col1 ? 1 : x < Cols.Col0 + Cols.Col1 + Cols.Col2 ? 2 : -1;
  if (column < 0 || row >= Shown.Count()) return false;
  cell = Cell(row, column, (row - TopRow) * RowPixels);
  return true;
}

void TClipboardGridView::DrawIcon(HDC dc, int index, const TBox& square) {
  if (!IconsLoaded) LoadIcons(IconModule);
  const TOwnedBitmap& icon = Icons[static_cast<size_t>(index)];
  if (!icon || square.Width() <= 1 || square.Height() <= 1) return;
  TOwnedDc source(::CreateCompatibleDC(dc));
  TSelected selected(source.Get(), icon.Get());
  ::SetStretchBltMode(dc, HALFTONE);
  ::SetBrushOrgEx(dc, 0, 0, nullptr);
  ::StretchBlt(dc, square.Left, square.Top, square.Width() - 1, square.Height() - 1, source.Get(), 0, 0, 128, 128,
               SRCCOPY);
}

void TClipboardGridView::PaintRow(HDC dc, int row, int top) {
  const double scale = PixelsScale();
  const bool selected = row == Selected;
  ::SetBkMode(dc, TRANSPARENT);
  // An item that left since the last refresh leaves its row blank until the refresh comes.
  ReadGridRow(History, Shown, row, [&](const TClipboardData& item, const TClipboardHistory::TItemView& view) {
    // Column 1: the content, then the date over its bottom right.
    const TBox content = Cell(row, 1, top);
    const TItemPreview& preview = view.Preview;
    const TBox iconSquare = ContentIconSquare(content);
    if (preview.Kind == TItemPreview::TKind::Picture) {
      DrawIcon(dc, IconPicture, iconSquare);
      HBITMAP thumb = nullptr;
      TSize size;
      if (Thumbs.Find(view.Id, thumb, size)) {
        if (thumb != nullptr) {
          TOwnedDc source(::CreateCompatibleDC(dc));
          TSelected picture(source.Get(), thumb);
          RECT clip = ToRect(content);
          TOwnedGdi<HRGN> region(::CreateRectRgnIndirect(&clip));
          ::SelectClipRgn(dc, region.Get());
          ::BitBlt(dc, ThumbnailLeft(content), content.Top + 3, size.Width, size.Height, source.Get(), 0, 0, SRCCOPY);
          ::SelectClipRgn(dc, nullptr);
        }
      } else {
        // Not made yet: a frame where it will be, and the row is painted again when it is.
        Thumbs.Request(view.Id, ThumbLimit);
        if (std::optional<TFitBox> box =
                FitBitmap(preview.PictureWidth, preview.PictureHeight, ThumbLimit.Width, ThumbLimit.Height)) {
          RECT frame{ThumbnailLeft(content), content.Top + 3, ThumbnailLeft(content) + box->Width,
                     content.Top + 3 + box->Height};
          TOwnedGdi<HBRUSH> grey(::CreateSolidBrush(PlaceholderGrey));
          ::FrameRect(dc, &frame, grey.Get());
        }
      }
    } else if (preview.Kind == TItemPreview::TKind::Unknown) {
      DrawIcon(dc, IconUnknown, iconSquare);
    } else {
      const bool files = preview.Kind == TItemPreview::TKind::Files;
      if (files) DrawIcon(dc, IconFiles, iconSquare);
      TDcMeasure measure(dc);
      TTextPlan plan = PlanTextLines(preview, content, ContentTextLeft(content, files), measure);
      RECT clip = ToRect(content);
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, RGB(0, 0, 0));
      for (const TTextLine& line : plan.Lines)
        ::ExtTextOutW(dc, line.X, line.Y, ETO_CLIPPED, &clip, line.Text.c_str(),
                      static_cast<UINT>(std::min(line.Text.size(), MaxDrawnChars)), nullptr);
      for (const TBox& dot : plan.DotBoxes) {
        RECT r = ToRect(dot);
        ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
      }
    }
    std::wstring date = GridDateText(item.Time, CurrentYear);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, date.c_str(), static_cast<int>(date.size()), &extent);
    RECT clip = ToRect(content);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_INACTIVECAPTION));
    const int x = content.Right - extent.cx - static_cast<int>(RoundHalfEven(scale));
    const int y = content.Bottom - static_cast<int>(RoundHalfEven((selected ? 14 : 12) * scale));
    ::ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, date.c_str(), static_cast<UINT>(date.size()), nullptr);
    ::SetTextColor(dc, RGB(0, 0, 0));

    // Column 0: the squares.
    const TCol0Squares squares = Col0Squares(Cell(row, 0, top));
    if (row != 0) {
      DrawIcon(dc, IconQuickPaste, squares.QuickPaste);
      DrawIcon(dc, IconCopy, squares.Copy);
    }
    if (row <= 9) {
      DrawIcon(dc, IconKeyCap, squares.Paste);
      wchar_t digit = static_cast<wchar_t>(L'0' + row);
      TSelected font(dc, DigitFont.Get());
      SIZE d{};
      ::GetTextExtentPoint32W(dc, &digit, 1, &d);
      const int cx = (squares.Paste.Left + squares.Paste.Right) / 2, cy = (squares.Paste.Top + squares.Paste.Bottom) / 2;
      ::ExtTextOutW(dc, cx - d.cx / 2, cy - d.cy / 2 - 3, 0, nullptr, &digit, 1, nullptr);
    }
    DrawIcon(dc, IconDelete, squares.Delete);

    // Column 2: the magnifier and the check box.
    const TCol2Parts parts = Col2Parts(Cell(row, 2, top));
    DrawIcon(dc, IconMagnifier, parts.Magnifier);
    RECT check = ToRect(parts.CheckBox);
    ::DrawFrameControl(dc, &check, DFC_BUTTON, DFCS_BUTTONCHECK | (item.Checked ? DFCS_CHECKED : 0));
  });
  if (!selected) return;
  TOwnedGdi<HPEN> pen(::CreatePen(PS_SOLID, 1, SelectionGrey));
  TSelected chosen(dc, pen.Get());
  const int right = Cols.Col0 + Cols.Col1 + Cols.Col2, bottom = top + RowPixels - 1;
  for (int y : {top - 1, top, top + 1, bottom, bottom - 1, bottom - 2}) {
    ::MoveToEx(dc, 0, y, nullptr);
    ::LineTo(dc, right, y);
  }
}

void TClipboardGridView::Paint(HDC target, const RECT& dirty) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  // Drawn off screen and put there whole: no row flickers while the list scrolls.
  TOwnedDc dc(::CreateCompatibleDC(target));
  TOwnedBitmap canvas(::CreateCompatibleBitmap(target, client.right, client.bottom));
  TSelected chosen(dc.Get(), canvas.Get());
  TSelected font(dc.Get(), DialogFont());
  ::FillRect(dc.Get(), &client, ::GetSysColorBrush(COLOR_WINDOW));
  const int right = Cols.Col0 + Cols.Col1 + Cols.Col2;
  for (int row = TopRow, top = 0; row < Shown.Count() && top < client.bottom; ++row, top += RowPixels) {
    if (top + RowPixels <= dirty.top || top >= dirty.bottom) continue;
    PaintRow(dc.Get(), row, top);
  }
  TOwnedGdi<HPEN> pen(::CreatePen(PS_SOLID, 1, GridLineColour));
  {
    TSelected line(dc.Get(), pen.Get());
    for (int x : {Cols.Col0, Cols.Col0 + Cols.Col1, right}) {
      ::MoveToEx(dc.Get(), x - 1, 0, nullptr);
      ::LineTo(dc.Get(), x - 1, client.bottom);
    }
    for (int top = RowPixels; top < client.bottom; top += RowPixels) {
      if (TopRow + top / RowPixels - 1 == Selected || TopRow + top / RowPixels == Selected) continue;
      ::MoveToEx(dc.Get(), 0, top - 1, nullptr);
      ::LineTo(dc.Get(), right, top - 1);
    }
  }
  ::BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, dc.Get(), dirty.left,
           dirty.top, SRCCOPY);
}

void TClipboardGridView::MouseMove(int x, int y) {
  int row = 0, column = 0;
  TBox cell;
  std::wstring hint;
  if (CellAt(x, y, row, column, cell)) {
    hint = GridHitTest(column, row, cell, x, y).Hint;
  }
  if (hint == LastHint) return;
  LastHint = hint;
  Hints->SetText(Handle(), hint);
}

void TClipboardGridView::MouseDown(int x, int y) {
  ::SetFocus(Handle());
  int row = 0, column = 0;
  TBox cell;
  if (!CellAt(x, y, row, column, cell)) return;
  Select(row);
  Owner.GridClick(row, column, GridHitTest(column, row, cell, x, y));
}

bool TClipboardGridView::KeyDown(WPARAM key) {
  if (::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) return false;
  switch (key) {
    case VK_RETURN: Owner.GridEnter(Selected); return true;
    case VK_ESCAPE: Owner.GridEscape(); return true;
    case VK_HOME: Select(0); return true;
    case VK_END: Select(Shown.Count() - 1); return true;
    case VK_DELETE: Owner.GridDelete(Selected); return true;
    case VK_UP: Select(Selected - 1); return true;
    case VK_DOWN: Select(Selected + 1); return true;
    case VK_PRIOR: Select(Selected - VisibleRows()); return true;
    case VK_NEXT: Select(Selected + VisibleRows()); return true;
    default: break;
  }
  if (key >= '0' && key <= '9') {
    Owner.GridDigit(static_cast<int>(key - '0'));
    return true;
  }
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
    Owner.GridDigit(static_cast<int>(key - VK_NUMPAD0));
    return true;
  }
  return false;
}

LRESULT TClipboardGridView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(Handle(), &ps);
      Paint(dc, ps.rcPaint);
      ::EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case ThumbReadyMessage:
      ThumbReady(static_cast<uint64_t>(wParam));
      return 0;
    case WM_SIZE:
      Layout();
      ScrollTo(TopRow);
      ::InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_VSCROLL: {
      SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
      ::GetScrollInfo(Handle(), SB_VERT, &info);
      int top = TopRow;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= VisibleRows(); break;
        case SB_PAGEDOWN: top += VisibleRows(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = info.nTrackPos; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = Shown.Count(); break;
        default: break;
      }
      ScrollTo(top);
      return 0;
    }
    case WM_MOUSEWHEEL:
      ScrollTo(TopRow - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (KeyDown(wParam)) return 0;
      break;
    case WM_CHAR: {
      wchar_t c = static_cast<wchar_t>(wParam);
      // Letters of any script start a search; digits, Enter and Esc were keys of their own.
      if (::IsCharAlphaW(c)) Owner.GridLetter(c);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ::InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
