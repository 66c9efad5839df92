#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

// One row of a TCheckListView: its cell texts and its check box.
struct TCheckRow {
  std::vector<std::wstring> Cells;
  bool HasBox = false;
  bool Checked = false;
};

// A report list view whose rows may carry a check box at the left edge of one column, drawn
// with DrawFrameControl (the cell's text leaves room for it with blanks in front). It takes
// over a list view of a dialog template; the dialog passes on the list view's notifications
// (Notify). The user may do what the owner set a callback for: tick a box by a click on it
// or by Space on the selected row (OnToggle), drag a row onto another (OnDrop), press Delete
// (OnDelete), click a header to fit the columns (FitWidths). GUI thread only.
class TCheckListView {
 public:
  static constexpr int NoItem = -1;
  static constexpr int HeaderItem = -2;

  TCheckListView() = default;
  TCheckListView(const TCheckListView&) = delete;
  TCheckListView& operator=(const TCheckListView&) = delete;
  ~TCheckListView() { Detach(); }

  // Takes over `listView`: the check boxes in `checkColumn`, one column a header, each
  // `columnWidth` pixels wide; `scale` is the screen's pixels per inch / 96.
  void Attach(HWND listView, int checkColumn, std::initializer_list<std::wstring_view> headers, int columnWidth,
              double scale);
  void Detach();
  HWND Handle() const { return List; }

  void SetRows(const std::vector<TCheckRow>& rows);
  int RowCount() const { return static_cast<int>(Boxes.size()); }
  bool HasBox(int item) const;
  bool Checked(int item) const;
  // Ticks or clears the box of an item that has one, as the owner's rows say.
  void SetChecked(int item, bool checked);
  // Ticks or clears the box of an item that has one as the user does (OnToggle decides).
  void Toggle(int item);

  int Selected() const;
  void Select(int item);
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);

  // The item under a point of the client area: HeaderItem on the header, NoItem under no row.
  int ItemAt(POINT client) const;
  // The item whose check box square holds the point, NoItem when none. The square is as wide
  // as the row is high, at the left edge of the check column's cell.
  int BoxAt(POINT client) const;
  // The item marked as where a dragged row would go, NoItem when none.
  int DropTarget() const { return DropItem; }

  // WM_NOTIFY of the list view, from its dialog; true when used, with the result.
  bool Notify(const NMHDR& header, LRESULT& result);

  // The user ticks or clears the item's box: applies it to the owner's rows and returns the
  // item's new state. Without it the boxes only show.
  std::function<bool(int item)> OnToggle;
  // A dragged row was dropped somewhere else than where it started: onto the item `to`, or
  // off the rows (NoItem, HeaderItem). Without it rows are not dragged.
  std::function<void(int from, int to)> OnDrop;
  std::function<void()> OnDelete;
  // The column widths that fit the rows in a client area this wide; a header click fits them.
  std::function<std::vector<int>(int clientWidth)> FitWidths;
  // The user changed a column's width (a divider dragged or double-clicked, a fit).
  std::function<void()> OnColumnsResized;

 private:
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR data) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT CustomDraw(const NMLVCUSTOMDRAW& draw) const;
  RECT CheckCell(int item) const;
  void MarkDropTarget(int item);
  void Drop(int from, POINT client);
  void FitColumns();

  HWND List = nullptr;
  int CheckColumn = 0;
  double Scale = 1.0;
  struct TBox {
    bool HasBox = false;
    bool Checked = false;
  };

  std::vector<TBox> Boxes;  // the texts live in the list view
  int DragItem = NoItem;
  int DropItem = NoItem;
};

}  // namespace pelorin
