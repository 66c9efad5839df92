#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/ClipboardData.h"
#include "config/AnsiCodePage.h"

namespace pelorin {

// The Clipboard Manager's grid as geometry: where each square of a row lies, what the mouse
// over it means and says, the date text, and how a text preview is broken into lines. Whole
// pixels; Right and Bottom are exclusive, as in a Windows RECT.
struct TBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool operator==(const TBox&) const = default;
};

// Design sizes at 96 DPI; scale is the screen's pixels per inch / 96.
inline constexpr int GridRowHeight96 = 75;
inline constexpr int GridCol0Width96 = 45;
inline constexpr int GridCol2Width96 = 29;

struct TGridColumns {
  int Col0 = 0, Col1 = 0, Col2 = 0;
};
// Columns 0 and 2 keep their design widths scaled; column 1 takes the rest (never below 0).
TGridColumns GridColumnWidths(int clientWidth, double scale);
int GridRowHeight(double scale);

// Which square of column 0 the mouse is over.
enum class TCol0MouseClickAction { mcaNone, mcaQuickPaste, mcaCopy, mcaPaste, mcaDelete };

// The four squares of a column-0 cell.
struct TCol0Squares {
  TBox QuickPaste, Copy, Delete, Paste;
};
TCol0Squares Col0Squares(const TBox& cell);

// The icon square of column 1 (picture, file list, unknown content).
TBox ContentIconSquare(const TBox& cell);
// Where a thumbnail is drawn (its top-left corner) and the left edge of a file list's text.
int ContentTextLeft(const TBox& cell, bool besideIcon);
int ThumbnailLeft(const TBox& cell);
// The largest thumbnail a row has room for: (column 1 width - 4) x (row height - 5).
struct TSize {
  int Width = 0, Height = 0;
  bool operator==(const TSize&) const = default;
};
TSize ThumbnailLimit(int col1Width, int rowHeight);

// Column 2: the magnifier square (upper part) and the check box (lower half) of a cell.
struct TCol2Parts {
  TBox Inner;      // the cell shrunk by 3 pixels on every side
  TBox Magnifier;  // starts Inner.Height / 16 below Inner's top, as high as it is wide
  TBox CheckBox;   // from Inner's vertical middle to its bottom
};
TCol2Parts Col2Parts(const TBox& cell);

// What the mouse over a point of a cell means: the column-0 action and the hint text.
// Column 2 tells the details half from the check-box half.
struct TGridHit {
  TCol0MouseClickAction Action = TCol0MouseClickAction::mcaNone;
  bool Details = false;   // column 2, upper half
  bool CheckBox = false;  // column 2, lower half
  std::wstring Hint;
};
TGridHit GridHitTest(int column, int row, const TBox& cell, int x, int y);

// "09:05 jan07", and " 2025" after it when the item's year is not currentYear. time is a
// date-time (days since 1899-12-30).
std::wstring GridDateText(double time, int currentYear);
// The calendar year of a date-time.
int DateTimeYear(double time);

// What column 1 shows of an item, worked out once when it enters the history: the preview
// never depends on how large the item is.
struct TItemPreview {
  enum class TKind { Picture, Files, Text, Unknown };
  TKind Kind = TKind::Unknown;
  // Picture: the first CF_DIB with data, as an index into Items; -1 otherwise.
  int DibFormat = -1;
  int PictureWidth = 0, PictureHeight = 0;  // of that picture
  // Text and Files: the beginning of the text of the first text-like format (leading CR and LF
  // removed), at most PreviewChars characters, and whether the whole text holds fewer than two
  // CRs and fewer than two LFs (a short text wraps at the column's edge; a long one is cut).
  std::wstring Text;
  bool Short = true;
};
inline constexpr size_t PreviewChars = 16384;
TItemPreview MakeItemPreview(const TClipboardData& item, const AnsiCodePagePort& ansi);

// Text measures of the grid's font (the Windows side measures with the DC).
struct TextMeasurePort {
  virtual ~TextMeasurePort() = default;
  virtual int TextHeight(std::wstring_view text) = 0;
  // How many leading characters of text fit within maxWidth pixels.
  virtual size_t CharsWithin(std::wstring_view text, int maxWidth) = 0;
};

// The lines of a text preview in a cell: each line's text and top, and the ten dots at the
// bottom when more text remains than fits.
struct TTextLine {
  std::wstring Text;
  int X = 0, Y = 0;
};
struct TTextPlan {
  std::vector<TTextLine> Lines;
  bool Dots = false;
  std::vector<TBox> DotBoxes;  // ten 2 x 2 dots when Dots
};
TTextPlan PlanTextLines(const TItemPreview& preview, const TBox& cell, int textLeft, TextMeasurePort& measure);

}  // namespace pelorin
