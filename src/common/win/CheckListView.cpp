#include "common/win/CheckListView.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "common/win/WindowBase.h"

namespace pelorin {

namespace {

constexpr UINT_PTR CheckListSubclassId = 1;

void SetCellText(HWND list, int item, int column, const std::wstring& text) {
  LVITEMW cell{};
  cell.mask = LVIF_TEXT;
  cell.iItem = item;
  cell.iSubItem = column;
  cell.pszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
}

}  // namespace

void TCheckListView::Attach(HWND listView, int checkColumn, std::initializer_list<std::wstring_view> headers,
                            int columnWidth, double scale) {
  Detach();
  List = listView;
  CheckColumn = checkColumn;
  Scale = scale;
  if (List == nullptr) return;
  ::SendMessageW(List, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  int column = 0;
  for (std::wstring_view header : headers) {
    std::wstring text(header);
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.cx = columnWidth;
    c.pszText = text.data();
    c.iSubItem = column;
    ::SendMessageW(List, LVM_INSERTCOLUMNW, column++, reinterpret_cast<LPARAM>(&c));
  }
  ::SetWindowSubclass(List, ListProc, CheckListSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TCheckListView::Detach() {
  if (List != nullptr) ::RemoveWindowSubclass(List, ListProc, CheckListSubclassId);
  List = nullptr;
  Boxes.clear();
  DragItem = DropItem = NoItem;
}

void TCheckListView::SetRows(const std::vector<TCheckRow>& rows) {
  if (List == nullptr) return;
  ::SendMessageW(List, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(List, LVM_DELETEALLITEMS, 0, 0);
  Boxes.clear();
  DropItem = NoItem;
  for (const TCheckRow& row : rows) {
    int item = static_cast<int>(Boxes.size());
    for (size_t c = 0; c < row.Cells.size(); ++c) SetCellText(List, item, static_cast<int>(c), row.Cells[c]);
    Boxes.push_back({row.HasBox, row.Checked});
  }
  ::SendMessageW(List, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(List, nullptr, TRUE);
}

bool TCheckListView::HasBox(int item) const {
  return item >= 0 && item < RowCount() && Boxes[static_cast<size_t>(item)].HasBox;
}

bool TCheckListView::Checked(int item) const { return HasBox(item) && Boxes[static_cast<size_t>(item)].Checked; }

void TCheckListView::SetChecked(int item, bool checked) {
  if (!HasBox(item)) return;
  Boxes[static_cast<size_t>(item)].Checked = checked;
  ::SendMessageW(List, LVM_REDRAWITEMS, item, item);
}

void TCheckListView::Toggle(int item) {
  if (!HasBox(item) || !OnToggle) return;
  SetChecked(item, OnToggle(item));
}

int TCheckListView::Selected() const {
  if (List == nullptr) return NoItem;
  int item = static_cast<int>(::SendMessageW(List, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return item < 0 ? NoItem : item;
}

void TCheckListView::Select(int item) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(List, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
  ::SendMessageW(List, LVM_ENSUREVISIBLE, item, FALSE);
}

int TCheckListView::ColumnWidth(int column) const {
  return static_cast<int>(::SendMessageW(List, LVM_GETCOLUMNWIDTH, column, 0));
}

void TCheckListView::SetColumnWidth(int column, int width) {
  ::SendMessageW(List, LVM_SETCOLUMNWIDTH, column, width);
}

int TCheckListView::ItemAt(POINT client) const {
  HWND header = reinterpret_cast<HWND>(::SendMessageW(List, LVM_GETHEADER, 0, 0));
  RECT headerRect{};
  if (header != nullptr && ::IsWindowVisible(header) && ::GetClientRect(header, &headerRect) && client.y >= 0 &&
      client.y < headerRect.bottom)
    return HeaderItem;
  LVHITTESTINFO hit{};
  hit.pt = client;
  int item = static_cast<int>(::SendMessageW(List, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return item < 0 ? NoItem : item;
}

RECT TCheckListView::CheckCell(int item) const {
  RECT cell{};
  cell.top = CheckColumn;
  cell.left = LVIR_LABEL;
  if (!::SendMessageW(List, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) return {};
  return cell;
}

int TCheckListView::BoxAt(POINT client) const {
  // The header lies over the first rows' area.
  if (ItemAt(client) < 0) return NoItem;
  LVHITTESTINFO hit{};
  hit.pt = client;
  int item = static_cast<int>(::SendMessageW(List, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (!HasBox(item) || hit.iSubItem != CheckColumn) return NoItem;
  RECT cell = CheckCell(item);
  if (::IsRectEmpty(&cell) || client.x >= cell.left + (cell.bottom - cell.top)) return NoItem;
  return item;
}

bool TCheckListView::Notify(const NMHDR& header, LRESULT& result) {
  if (List == nullptr || header.hwndFrom != List) return false;
  switch (header.code) {
    case NM_CUSTOMDRAW:
      result = CustomDraw(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
      return true;
    case LVN_BEGINDRAG:
      if (!OnDrop) return false;
      // Until the button is released: the drop target decides.
      DragItem = reinterpret_cast<const NMLISTVIEW&>(header).iItem;
      ::SetCapture(List);
      return true;
    case LVN_COLUMNCLICK:
      if (!FitWidths) return false;
      FitColumns();
      return true;
    case LVN_KEYDOWN: {
      WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
      if (key == VK_DELETE && OnDelete) OnDelete();
      // Space ticks the selected row, as a click on its box does.
      if (key == VK_SPACE) Toggle(Selected());
      return true;
    }
    default:
      return false;
  }
}

LRESULT TCheckListView::CustomDraw(const NMLVCUSTOMDRAW& draw) const {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT: {
      int item = static_cast<int>(draw.nmcd.dwItemSpec);
      if (!HasBox(item)) return CDRF_DODEFAULT;
      RECT cell = CheckCell(item);
      if (::IsRectEmpty(&cell)) return CDRF_DODEFAULT;
      // A square as wide as the row is high, at the cell's left edge, holding the box.
      int row = cell.bottom - cell.top;
      int side = std::min(row - 2, static_cast<int>(std::lround(13 * Scale)));
      RECT box{cell.left + (row - side) / 2, cell.top + (row - side) / 2, 0, 0};
      box.right = box.left + side;
      box.bottom = box.top + side;
      ::DrawFrameControl(draw.nmcd.hdc, &box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(item) ? DFCS_CHECKED : 0));
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void TCheckListView::MarkDropTarget(int item) {
  int target = item >= 0 ? item : NoItem;
  if (target == DropItem) return;
  LVITEMW state{};
  state.stateMask = LVIS_DROPHILITED;
  if (DropItem >= 0) ::SendMessageW(List, LVM_SETITEMSTATE, DropItem, reinterpret_cast<LPARAM>(&state));
  DropItem = target;
  state.state = LVIS_DROPHILITED;
  if (DropItem >= 0) ::SendMessageW(List, LVM_SETITEMSTATE, DropItem, reinterpret_cast<LPARAM>(&state));
}

void TCheckListView::Drop(int from, POINT client) {
  DragItem = NoItem;
  MarkDropTarget(NoItem);
  int to = ItemAt(client);
  if (from < 0 || from == to || !OnDrop) return;
  OnDrop(from, to);
}

void TCheckListView::FitColumns() {
  RECT client{};
  ::GetClientRect(List, &client);
  std::vector<int> widths = FitWidths(client.right);
  bool changed = false;
  for (size_t c = 0; c < widths.size(); ++c) {
    int column = static_cast<int>(c);
    if (ColumnWidth(column) == widths[c]) continue;
    SetColumnWidth(column, widths[c]);
    changed = true;
  }
  if (changed && OnColumnsResized) OnColumnsResized();
}

LRESULT CALLBACK TCheckListView::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) noexcept {
  try {
    if (message == WM_NCDESTROY) {
      auto* self = reinterpret_cast<TCheckListView*>(data);
      ::RemoveWindowSubclass(list, ListProc, CheckListSubclassId);
      self->List = nullptr;
      return ::DefSubclassProc(list, message, wParam, lParam);
    }
    return reinterpret_cast<TCheckListView*>(data)->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportEscapedException();
    return 0;
  }
}

LRESULT TCheckListView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  bool dragging = DragItem >= 0 && ::GetCapture() == List;
  switch (message) {
    case WM_LBUTTONDOWN:
      DragItem = NoItem;
      Toggle(BoxAt(point));
      break;  // the list view still selects the row and detects a drag
    case WM_LBUTTONUP:
      if (dragging) {
        int from = DragItem;
        ::ReleaseCapture();
        Drop(from, point);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (dragging) {
        // The row the dragged one would take is marked as the drop target.
        MarkDropTarget(ItemAt(point));
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      DragItem = NoItem;
      MarkDropTarget(NoItem);
      break;
    case WM_NOTIFY: {
      // The header's: the user dragged a column divider or double-clicked it to fit the
      // column. Both come from the user alone; the list view does not pass on every width
      // change.
      UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
      if ((code == HDN_ENDTRACKW || code == HDN_DIVIDERDBLCLICKW) && OnColumnsResized) OnColumnsResized();
      break;
    }
    default:
      break;
  }
  return ::DefSubclassProc(List, message, wParam, lParam);
}

}  // namespace pelorin
