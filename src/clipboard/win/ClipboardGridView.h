#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "clipboard/ClipboardActions.h"
#include "clipboard/ClipboardGrid.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/win/ClipboardThumbnail.h"
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
// the visible rows from what each item keeps ready (its preview, a thumbnail made once on a
// thread of its own when its row is first drawn; a placeholder until then), so a paint costs
// the same whatever the items hold. GUI thread.
class TClipboardGridView : public TWindowBase {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinClipboardGrid";

  TClipboardGridView(const TClipboardHistory& history, ClipboardGridOwner& owner)
      : History(history), Owner(owner), Thumbs(history) {}
  ~TClipboardGridView() override { Destroy(); }

  bool Create(HINSTANCE instance, HMODULE resources, HWND parent, int id, THints& hints);

  // The history changed: the row count follows it (at least one row), and the grid repaints.
  void Refresh();
  int RowCount() const { return Shown.Count(); }
  // The items of the rows as the grid last heard of them.
  const TGridRows& Rows() const { return Shown; }
  int SelectedRow() const { return Selected; }
  // Selects a row (clamped) and scrolls it into view.
  void Select(int row);
  int RowHeight() const { return RowPixels; }
  TGridColumns Columns() const { return Cols; }
  // The screen rectangle of one cell, for tests that click it.
  RECT CellScreenRect(int row, int column) const;
  TThumbnailCache& Thumbnails() { return Thumbs; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override;

 private:
  void Layout();
  void Paint(HDC dc, const RECT& dirty);
  void PaintRow(HDC dc, int row, int top);
  void DrawIcon(HDC dc, int index, const TBox& square);
  void ThumbReady(uint64_t id);
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
  TGridRows Shown;
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
  // Made for the column width of the moment they were asked for, and kept at that size.
  TThumbnailCache Thumbs;
  TSize ThumbLimit;
};

}  // namespace pelorin
