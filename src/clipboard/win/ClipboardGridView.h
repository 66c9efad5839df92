#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "clipboard/ClipboardGrid.h"
#include "clipboard/ClipboardHistory.h"
#include "common/win/Hints.h"
#include "common/win/Owned.h"
#include "common/win/WindowBase.h"

namespace pelorin {

// What the grid asks its window to do. GUI thread.
struct ClipboardGridOwner {
  virtual ~ClipboardGridOwner() = default;
  // A click on row (0 = newest) in column with what was under the mouse.
  virtual void GridClick(int row, int column, const TGridHit& hit) = 0;
  virtual void GridEnter(int row) = 0;
  virtual void GridEscape() = 0;
  virtual void GridDelete(int row) = 0;
  virtual void GridDigit(int digit) = 0;
  // A letter typed in the grid: it belongs to the search box.
  virtual void GridLetter(wchar_t letter) = 0;
};

// The Clipboard Manager's list: one row per history item, newest first, three columns drawn
// by the grid geometry, a vertical scroll bar, the selected row framed, hints that follow the
// mouse over the squares. It reads the history under its lock while painting, and draws only
// the visible rows from what each item keeps ready (its preview, a thumbnail made once), so a
// paint costs the same whatever the items hold. GUI thread.
class TClipboardGridView : public TWindowBase {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinClipboardGrid";

  TClipboardGridView(const TClipboardHistory& history, ClipboardGridOwner& owner) : History(history), Owner(owner) {}
  ~TClipboardGridView() override { Destroy(); }

  bool Create(HINSTANCE instance, HMODULE resources, HWND parent, int id, THints& hints);

  // The history changed: the row count follows it (at least one row), and the grid repaints.
  void Refresh();
  int RowCount() const { return Rows; }
  int SelectedRow() const { return Selected; }
  // Selects a row (clamped) and scrolls it into view.
  void Select(int row);
  int RowHeight() const { return RowPixels; }
  TGridColumns Columns() const { return Cols; }
  // The screen rectangle of one cell, for tests that click it.
  RECT CellScreenRect(int row, int column) const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override;

 private:
  void Layout();
  void Paint(HDC dc, const RECT& dirty);
  void PaintRow(HDC dc, int row, int top);
  void DrawIcon(HDC dc, int index, const TBox& square);
  HBITMAP Thumbnail(uint64_t id, const TClipboardData& item, const TItemPreview& preview, TSize& size);
  // Frees the thumbnails of items no longer in the history.
  void DropGoneThumbs();
  TBox Cell(int row, int column, int top) const;
  bool CellAt(int x, int y, int& row, int& column, TBox& cell) const;
  void MouseMove(int x, int y);
  void MouseDown(int x, int y);
  bool KeyDown(WPARAM key);
  void ScrollTo(int topRow);
  void SetScrollBar();
  int VisibleRows() const;
  void LoadIcons(HMODULE resources);

  const TClipboardHistory& History;
  ClipboardGridOwner& Owner;
  THints* Hints = nullptr;
  int Rows = 1;
  int Selected = 0;
  int TopRow = 0;
  int RowPixels = 75;
  TGridColumns Cols;
  std::wstring LastHint;
  int CurrentYear = 0;  // of the start: dates of other years show their year
  TOwnedFont DigitFont;
  std::array<TOwnedBitmap, 8> Icons;
  HMODULE IconModule = nullptr;
  bool IconsLoaded = false;
  // Thumbnails by item number, for the column width they were made for.
  struct TThumb {
    TOwnedBitmap Bitmap;
    TSize Size;
  };
  std::map<uint64_t, TThumb> Thumbs;
  TSize ThumbLimit;
};

}  // namespace pelorin
