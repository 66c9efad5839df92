#include "clipboard/ClipboardGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "clipboard/ClipboardFakes.h"

namespace pelorin {

static std::ostream& operator<<(std::ostream& os, const TBox& b) {
  return os << "{" << b.Left << "," << b.Top << "," << b.Right << "," << b.Bottom << "}";
}

namespace {

using test::Ansi;
using test::Dib24;
using test::FakeCyrillicAnsi;
using test::Other;
using test::Snapshot;
using test::Unicode;

TEST(ClipboardGridGeometry, ColumnWidthsAndRowHeightFollowTheScale) {
  struct Case {
    int ClientWidth;
    double Scale;
    int Col0, Col1, Col2, RowHeight;
  };
  const Case cases[] = {
      {500, 1.0, 45, 426, 29, 75},
      {500, 1.5, 68, 388, 44, 112},   // 67.5 -> 68, 43.5 -> 44, 112.5 -> 112: halves go to even
      {500, 1.25, 56, 408, 36, 94},   // 56.25, 36.25, 93.75
      {500, 1.75, 79, 370, 51, 131},  // 78.75, 50.75, 131.25
      {74, 1.0, 45, 0, 29, 75},       // nothing left for the content
      {50, 1.0, 45, 0, 29, 75},       // never below 0
      {0, 2.0, 90, 0, 58, 150},
  };
  for (const Case& c : cases) {
    TGridColumns columns = GridColumnWidths(c.ClientWidth, c.Scale);
    EXPECT_EQ(columns.Col0, c.Col0) << c.ClientWidth << " at " << c.Scale;
    EXPECT_EQ(columns.Col1, c.Col1) << c.ClientWidth << " at " << c.Scale;
    EXPECT_EQ(columns.Col2, c.Col2) << c.ClientWidth << " at " << c.Scale;
    EXPECT_EQ(GridRowHeight(c.Scale), c.RowHeight) << c.Scale;
  }
}

TEST(ClipboardGridGeometry, Column0Squares) {
  struct Case {
    const char* Name;
    TBox Cell;
    TBox QuickPaste, Copy, Delete, Paste;
  };
  const Case cases[] = {
      // W 45, H 75: half side 45 / 3.5 = 12.857 around (22, 37).
      {"scale 1.0, row 0", {0, 0, 45, 75}, {0, 2, 22, 24}, {22, 2, 45, 25}, {22, 51, 45, 74}, {9, 24, 35, 50}},
      {"scale 1.0, row 3", {0, 225, 45, 300}, {0, 227, 22, 249}, {22, 227, 45, 250}, {22, 276, 45, 299}, {9, 249, 35, 275}},
      // W 68, H 112: half side 19.43 around (34, 56); the width already holds the scale.
      {"scale 1.5, row 0", {0, 0, 68, 112}, {0, 2, 34, 36}, {34, 2, 68, 36}, {34, 77, 68, 111}, {15, 37, 53, 75}},
      {"scale 1.5, row 1", {0, 112, 68, 224}, {0, 114, 34, 148}, {34, 114, 68, 148}, {34, 189, 68, 223}, {15, 149, 53, 187}},
  };
  for (const Case& c : cases) {
    TCol0Squares s = Col0Squares(c.Cell);
    EXPECT_EQ(s.QuickPaste, c.QuickPaste) << c.Name;
    EXPECT_EQ(s.Copy, c.Copy) << c.Name;
    EXPECT_EQ(s.Delete, c.Delete) << c.Name;
    EXPECT_EQ(s.Paste, c.Paste) << c.Name;
  }
}

TEST(ClipboardGridGeometry, PasteSquareCornersRoundToTheNearestPixel) {
  struct Case {
    int Width, Height;
    TBox Paste;
  };
  const Case cases[] = {
      {45, 75, {9, 24, 35, 50}},      // 9.14 down, 34.86 up
      {60, 80, {13, 23, 47, 57}},     // x = 17.14: 12.86 up, 47.14 down
      {56, 94, {12, 31, 44, 63}},     // x = 16 exactly
      {51, 85, {10, 27, 40, 57}},     // odd width: centre 25, x = 14.57
      {90, 150, {19, 49, 71, 101}},   // scale 2.0
      {1, 75, {0, 37, 0, 37}},        // x = 0.29: no area left
  };
  for (const Case& c : cases)
    EXPECT_EQ(Col0Squares({0, 0, c.Width, c.Height}).Paste, c.Paste) << c.Width << " x " << c.Height;
}

TEST(ClipboardGridGeometry, ContentIconThumbnailAndTextLeft) {
  struct Case {
    TBox Cell;
    TBox Icon;
    int Beside;
  };
  const Case cases[] = {
      {{45, 0, 471, 75}, {55, 19, 91, 55}, 101},        // h 18, centre (73, 37)
      {{45, 150, 471, 225}, {55, 169, 91, 205}, 101},
      {{68, 112, 456, 224}, {78, 140, 134, 196}, 144},  // scale 1.5: h 28, centre (106, 168)
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ContentIconSquare(c.Cell), c.Icon) << c.Cell;
    EXPECT_EQ(ThumbnailLeft(c.Cell), c.Beside) << c.Cell;
    EXPECT_EQ(ContentTextLeft(c.Cell, true), c.Beside) << c.Cell;
    EXPECT_EQ(ContentTextLeft(c.Cell, false), c.Cell.Left) << c.Cell;
  }
}

TEST(ClipboardGridGeometry, ThumbnailLimitLeavesAMarginAndNeverGoesNegative) {
  EXPECT_EQ(ThumbnailLimit(426, 75), (TSize{422, 70}));
  EXPECT_EQ(ThumbnailLimit(388, 112), (TSize{384, 107}));
  EXPECT_EQ(ThumbnailLimit(0, 75), (TSize{0, 70}));
  EXPECT_EQ(ThumbnailLimit(3, 4), (TSize{0, 0}));
}

TEST(ClipboardGridGeometry, Column2MagnifierAndCheckBox) {
  struct Case {
    TBox Cell;
    TBox Inner, Magnifier, CheckBox;
  };
  const Case cases[] = {
      // inner 23 x 69: the magnifier starts 69 div 16 = 4 down, the check box at 34 down.
      {{471, 0, 500, 75}, {474, 3, 497, 72}, {474, 7, 497, 30}, {474, 37, 497, 72}},
      // scale 1.5: inner 38 x 106, 6 and 53 down.
      {{456, 112, 500, 224}, {459, 115, 497, 221}, {459, 121, 497, 159}, {459, 168, 497, 221}},
  };
  for (const Case& c : cases) {
    TCol2Parts parts = Col2Parts(c.Cell);
    EXPECT_EQ(parts.Inner, c.Inner) << c.Cell;
    EXPECT_EQ(parts.Magnifier, c.Magnifier) << c.Cell;
    EXPECT_EQ(parts.CheckBox, c.CheckBox) << c.Cell;
  }
}

const std::wstring QuickPasteHint =
    L"Paste, but dont change the current           \rclipboard data and rows order in this table";
const std::wstring CopyHint = L"Move item data to current clipboard, \rbut dont paste";
const std::wstring DeleteHint = L"Delete item (\"Delete\" key)";

TEST(ClipboardGridHitTest, Column0SquaresInOrderOfPrecedence) {
  using A = TCol0MouseClickAction;
  struct Case {
    const char* Name;
    int X, Y;
    A Action;
    std::wstring Hint;
  };
  // Row 12 at scale 1.0: quick {0,2,22,24}, copy {22,2,45,25}, delete {22,51,45,74}, paste {9,24,35,50}.
  const TBox cell{0, 900, 45, 975};
  const Case cases[] = {
      {"quick paste, top left", 0, 902, A::mcaQuickPaste, QuickPasteHint},
      {"quick paste, last pixel", 21, 923, A::mcaQuickPaste, QuickPasteHint},
      {"the middle column is the copy square's", 22, 902, A::mcaCopy, CopyHint},
      {"copy over the paste square wins", 30, 924, A::mcaCopy, CopyHint},
      {"paste just below the quick paste square", 10, 924, A::mcaPaste, L"Paste item"},
      {"paste, last pixel", 34, 949, A::mcaPaste, L"Paste item"},
      {"delete, first pixel", 22, 951, A::mcaDelete, DeleteHint},
      {"delete, last pixel", 44, 973, A::mcaDelete, DeleteHint},
      {"above the squares", 10, 901, A::mcaNone, L""},
      {"between paste and delete", 30, 950, A::mcaNone, L""},
      {"left of delete, below paste", 5, 960, A::mcaNone, L""},
      {"the grid line below delete", 44, 974, A::mcaNone, L""},
  };
  for (const Case& c : cases) {
    TGridHit hit = GridHitTest(0, 12, cell, c.X, c.Y);
    EXPECT_EQ(hit.Action, c.Action) << c.Name;
    EXPECT_EQ(hit.Hint, c.Hint) << c.Name;
    EXPECT_FALSE(hit.Details || hit.CheckBox) << c.Name;
  }
}

TEST(ClipboardGridHitTest, PasteHintNamesTheDigitKeyOfRows0To9Only) {
  struct Case {
    int Row;
    std::wstring Hint;
  };
  const Case cases[] = {
      {0, L"Paste item (press \"0\" key)"}, {1, L"Paste item (press \"1\" key)"},
      {5, L"Paste item (press \"5\" key)"}, {9, L"Paste item (press \"9\" key)"},
      {10, L"Paste item"},                  {11, L"Paste item"},
      {499, L"Paste item"},
  };
  for (const Case& c : cases) {
    const TBox cell{0, c.Row * 75, 45, c.Row * 75 + 75};
    TGridHit hit = GridHitTest(0, c.Row, cell, 22, cell.Top + 37);
    EXPECT_EQ(hit.Action, TCol0MouseClickAction::mcaPaste) << c.Row;
    EXPECT_EQ(hit.Hint, c.Hint) << c.Row;
  }
  // Row 0 draws no quick-paste or copy icon, but the squares still act.
  EXPECT_EQ(GridHitTest(0, 0, {0, 0, 45, 75}, 5, 5).Action, TCol0MouseClickAction::mcaQuickPaste);
  EXPECT_EQ(GridHitTest(0, 0, {0, 0, 45, 75}, 40, 5).Action, TCol0MouseClickAction::mcaCopy);
}

TEST(ClipboardGridHitTest, Column2HalvesAndColumn1) {
  const TBox cell{471, 75, 500, 150};  // the middle is at 75 + 37
  TGridHit top = GridHitTest(2, 1, cell, 480, 76);
  TGridHit lastUpper = GridHitTest(2, 1, cell, 480, 111);
  TGridHit firstLower = GridHitTest(2, 1, cell, 480, 112);
  for (const TGridHit* details : {&top, &lastUpper}) {
    EXPECT_TRUE(details->Details);
    EXPECT_FALSE(details->CheckBox);
    EXPECT_EQ(details->Hint, L"Show details");
  }
  EXPECT_FALSE(firstLower.Details);
  EXPECT_TRUE(firstLower.CheckBox);
  EXPECT_EQ(firstLower.Hint, L"if checked then this item will never auto-removed from the table");
  EXPECT_EQ(firstLower.Action, TCol0MouseClickAction::mcaNone);

  // The content column pastes on click but has no hint; its points are no column-0 squares.
  TGridHit content = GridHitTest(1, 1, {45, 75, 471, 150}, 50, 80);
  EXPECT_EQ(content.Action, TCol0MouseClickAction::mcaNone);
  EXPECT_TRUE(content.Hint.empty());
  EXPECT_FALSE(content.Details || content.CheckBox);
}

double At(int days, int hour, int minute, double seconds = 0) {
  return days + (hour * 3600 + minute * 60 + seconds) / 86400.0;
}

TEST(ClipboardGridDateText, DateTimeAndTheYearOfAnotherYear) {
  constexpr int Jan07_2026 = 46029, Dec31_2025 = 46022, Jan01_2026 = 46023, Feb29_2024 = 45351,
                Feb28_2026 = 46081, Mar01_2026 = 46082, Dec31_2026 = 46387;
  struct Case {
    const char* Name;
    double Time;
    int CurrentYear;
    std::wstring Text;
  };
  const Case cases[] = {
      {"this year", At(Jan07_2026, 9, 5), 2026, L"09:05 jan07"},
      {"another year", At(Jan07_2026, 9, 5), 2025, L"09:05 jan07 2026"},
      {"a later year too", At(Jan07_2026, 9, 5), 2027, L"09:05 jan07 2026"},
      {"seconds are cut, not rounded", At(Jan07_2026, 9, 5, 59.9), 2026, L"09:05 jan07"},
      {"a minute just begun", At(Jan07_2026, 9, 6, 0.001), 2026, L"09:06 jan07"},
      {"stored a hair below the minute", std::nextafter(At(Jan07_2026, 9, 5), 0.0), 2026, L"09:05 jan07"},
      {"last minute of the year", At(Dec31_2025, 23, 59, 59.9), 2026, L"23:59 dec31 2025"},
      {"first minute of the year", At(Jan01_2026, 0, 0), 2026, L"00:00 jan01"},
      {"under half a millisecond before midnight", At(Jan01_2026, 0, 0) - 0.0004 / 86400, 2026, L"00:00 jan01"},
      {"leap day", At(Feb29_2024, 12, 0), 2026, L"12:00 feb29 2024"},
      {"end of february", At(Feb28_2026, 23, 59), 2026, L"23:59 feb28"},
      {"march follows", At(Mar01_2026, 0, 0), 2026, L"00:00 mar01"},
      {"december", At(Dec31_2026, 18, 30), 2026, L"18:30 dec31"},
      {"1900 had no leap day", At(61, 7, 0), 2026, L"07:00 mar01 1900"},
      {"day 0", 0.0, 2026, L"00:00 dec30 1899"},
      {"before day 0 the fraction is still the time", -1.25, 2026, L"06:00 dec29 1899"},
  };
  for (const Case& c : cases) EXPECT_EQ(GridDateText(c.Time, c.CurrentYear), c.Text) << c.Name;

  const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  // The 15th of each month of 2026, counted from jan07.
  const int days[] = {8, 39, 67, 98, 128, 159, 189, 220, 251, 281, 312, 342};
  for (int m = 0; m < 12; ++m) {
    std::wstring expected = L"10:00 " + std::wstring(months[m], months[m] + 3) + L"15";
    EXPECT_EQ(GridDateText(At(Jan07_2026 + days[m], 10, 0), 2026), expected) << months[m];
  }
}

TEST(ClipboardGridDateText, YearOfADateTime) {
  EXPECT_EQ(DateTimeYear(At(46022, 23, 59, 59.9)), 2025);
  EXPECT_EQ(DateTimeYear(46023.0), 2026);
  EXPECT_EQ(DateTimeYear(0.0), 1899);
  EXPECT_EQ(DateTimeYear(73109.5), 2100);
  // Out of range or not a number: some year, no undefined conversion.
  EXPECT_EQ(DateTimeYear(1e300), 9999);
  EXPECT_EQ(DateTimeYear(-1e300), 1);
  EXPECT_EQ(GridDateText(std::nan(""), 1899), L"00:00 dec30");
}

// The grid's font: every character CharWidth pixels wide, every line Height high. Records what
// it was asked, to show how much of a text a plan looks at.
struct FakeMeasure : TextMeasurePort {
  int CharWidth = 7;
  int Height = 13;
  std::vector<std::wstring> HeightAsked;
  size_t CharsMeasured = 0;
  int TextHeight(std::wstring_view text) override {
    HeightAsked.emplace_back(text);
    return Height;
  }
  size_t CharsWithin(std::wstring_view text, int maxWidth) override {
    CharsMeasured += text.size();
    if (maxWidth < 0) return 0;
    if (CharWidth == 0) return text.size();
    return std::min(text.size(), static_cast<size_t>(maxWidth / CharWidth));
  }
};

TItemPreview TextPreview(std::wstring text) {
  TItemPreview p;
  p.Kind = TItemPreview::TKind::Text;
  p.Short = std::count(text.begin(), text.end(), L'\r') < 2 && std::count(text.begin(), text.end(), L'\n') < 2;
  p.Text = std::move(text);
  return p;
}

std::vector<std::wstring> LineTexts(const TTextPlan& plan) {
  std::vector<std::wstring> texts;
  for (const TTextLine& line : plan.Lines) texts.push_back(line.Text);
  return texts;
}

TEST(ClipboardGridTextLines, ShortTextsWrapAndLongTextsBreakOnlyAtLineEnds) {
  // Cell 100 wide from x 45: 90 px available, 12 characters of 7 px fit, the 13th crosses.
  const TBox cell{45, 0, 145, 75};
  struct Case {
    const char* Name;
    std::wstring Text;
    std::vector<std::wstring> Lines;
  };
  const Case cases[] = {
      {"short wraps after the character that crosses", L"abcdefghijklmnopqrstuvwxyz",
       {L"abcdefghijklm", L"nopqrstuvwxyz"}},
      {"short that fits", L"abcdefghijkl", {L"abcdefghijkl"}},
      {"short: one CR LF is one break", L"hello\r\nworld", {L"hello", L"world"}},
      {"short: a lone CR", L"ab\rcd", {L"ab", L"cd"}},
      {"short: wrap and break together", L"abcdefghijklmn\r\nxy", {L"abcdefghijklm", L"n", L"xy"}},
      {"short: break right where it wraps", L"abcdefghijklm\r\nxy", {L"abcdefghijklm", L"xy"}},
      {"long is cut at the edge, not wrapped", L"a first line much wider than the cell\r\nsecond\r\nthird",
       {L"a first line much wider than the cell", L"second", L"third"}},
      {"long with LF only", L"a\nb\nc", {L"a", L"b", L"c"}},
      {"long with CR only", L"a\rb\rc", {L"a", L"b", L"c"}},
      {"an empty line between CR LF pairs stays", L"a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
      {"two LFs are taken as one break", L"a\n\nb", {L"a", L"b"}},
      {"LF CR is one break too", L"a\n\rb\nc", {L"a", L"b", L"c"}},
      {"a trailing break adds no line", L"1\n2\n3\n4\n5\n", {L"1", L"2", L"3", L"4", L"5"}},
  };
  for (const Case& c : cases) {
    FakeMeasure measure;
    TTextPlan plan = PlanTextLines(TextPreview(c.Text), cell, 45, measure);
    EXPECT_EQ(LineTexts(plan), c.Lines) << c.Name;
    EXPECT_FALSE(plan.Dots) << c.Name;
    EXPECT_TRUE(plan.DotBoxes.empty()) << c.Name;
    for (size_t i = 0; i < plan.Lines.size(); ++i) {
      EXPECT_EQ(plan.Lines[i].X, 47) << c.Name;
      EXPECT_EQ(plan.Lines[i].Y, 2 + 15 * static_cast<int>(i)) << c.Name;
    }
  }
}

TEST(ClipboardGridTextLines, TenDotsWhenTheLinesRunOut) {
  // Rows of 75: lines at 2, 17, 32, 47, 62; a sixth at 77 would end past the bottom.
  struct Case {
    const char* Name;
    std::wstring Text;
    size_t Lines;
    bool Dots;
  };
  const Case cases[] = {
      {"five lines fit", L"1\n2\n3\n4\n5", 5, false},
      {"six do not", L"1\n2\n3\n4\n5\n6", 5, true},
      {"many do not", L"1\n2\n3\n4\n5\n6\n7\n8\n9", 5, true},
      {"65 characters wrap into five lines", std::wstring(65, L'x'), 5, false},
      {"66 do not", std::wstring(66, L'x'), 5, true},
  };
  for (const Case& c : cases) {
    for (const TBox& cell : {TBox{45, 0, 145, 75}, TBox{45, 300, 145, 375}}) {
      FakeMeasure measure;
      TTextPlan plan = PlanTextLines(TextPreview(c.Text), cell, 45, measure);
      EXPECT_EQ(plan.Lines.size(), c.Lines) << c.Name;
      EXPECT_EQ(plan.Dots, c.Dots) << c.Name;
      if (!c.Dots) {
        EXPECT_TRUE(plan.DotBoxes.empty()) << c.Name;
        continue;
      }
      ASSERT_EQ(plan.DotBoxes.size(), 10u) << c.Name;
      for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(plan.DotBoxes[n - 1], (TBox{45 + 4 * n, cell.Bottom - 5, 47 + 4 * n, cell.Bottom - 3})) << c.Name;
    }
  }
}

TEST(ClipboardGridTextLines, LineHeightComesFromTheTrimmedBeginningOfTheText) {
  const TBox cell{45, 0, 145, 75};
  FakeMeasure measure;
  measure.Height = 20;  // lines at 2, 24, 46; the fourth would end at 88
  TTextPlan plan = PlanTextLines(TextPreview(L"  a\nb\nc\nd  "), cell, 45, measure);
  EXPECT_EQ(LineTexts(plan), (std::vector<std::wstring>{L"  a", L"b", L"c"}));
  EXPECT_TRUE(plan.Dots);
  ASSERT_EQ(measure.HeightAsked.size(), 1u);
  EXPECT_EQ(measure.HeightAsked[0], L"a\nb\nc\nd");

  FakeMeasure blanks;
  PlanTextLines(TextPreview(L"   "), cell, 45, blanks);
  ASSERT_EQ(blanks.HeightAsked.size(), 1u);
  EXPECT_EQ(blanks.HeightAsked[0], L" ") << "a text of blanks still has a line height";

  FakeMeasure longText;
  std::wstring text = L" " + std::wstring(600, L'q');
  PlanTextLines(TextPreview(text), cell, 45, longText);
  ASSERT_EQ(longText.HeightAsked.size(), 1u);
  EXPECT_EQ(longText.HeightAsked[0], std::wstring(499, L'q')) << "only the first 500 characters are measured";
}

TEST(ClipboardGridTextLines, BesideAnIconNarrowColumnsAndNoText) {
  FakeMeasure measure;
  // A file list beside its icon: text from 101, 360 px available: 51 characters fit.
  TItemPreview files = TextPreview(std::wstring(60, L'f'));
  files.Kind = TItemPreview::TKind::Files;
  TTextPlan plan = PlanTextLines(files, {45, 0, 471, 75}, 101, measure);
  ASSERT_EQ(plan.Lines.size(), 2u);
  EXPECT_EQ(plan.Lines[0].Text.size(), 52u);
  EXPECT_EQ(plan.Lines[0].X, 103);
  EXPECT_EQ(plan.Lines[1].Text.size(), 8u);

  // No room at all: a short text still moves on, one character a line.
  plan = PlanTextLines(TextPreview(L"abc"), {45, 0, 50, 75}, 45, measure);
  EXPECT_EQ(LineTexts(plan), (std::vector<std::wstring>{L"a", L"b", L"c"}));

  // A font whose characters take no room keeps a short line whole.
  FakeMeasure zeroWidth;
  zeroWidth.CharWidth = 0;
  plan = PlanTextLines(TextPreview(std::wstring(200, L'z')), {45, 0, 145, 75}, 45, zeroWidth);
  ASSERT_EQ(plan.Lines.size(), 1u);
  EXPECT_EQ(plan.Lines[0].Text.size(), 200u);
  std::wstring broken = std::wstring(150, L'z') + L"\n" + std::wstring(49, L'y');
  plan = PlanTextLines(TextPreview(broken), {45, 0, 145, 75}, 45, zeroWidth);
  EXPECT_EQ(LineTexts(plan), (std::vector<std::wstring>{std::wstring(150, L'z'), std::wstring(49, L'y')}));

  plan = PlanTextLines(TextPreview(L""), {45, 0, 145, 75}, 45, measure);
  EXPECT_TRUE(plan.Lines.empty());
  EXPECT_FALSE(plan.Dots);
}

TEST(ClipboardGridTextLines, AWholePreviewOfOneLineIsMeasuredOnlyAsFarAsItIsDrawn) {
  FakeMeasure measure;
  TTextPlan plan = PlanTextLines(TextPreview(std::wstring(PreviewChars, L'w')), {45, 0, 145, 75}, 45, measure);
  EXPECT_EQ(plan.Lines.size(), 5u);
  EXPECT_TRUE(plan.Dots);
  // Five lines, each looking at no more than the 91 characters that could fit plus the one over.
  EXPECT_LE(measure.CharsMeasured, 5u * 91u);
}

// CF_DIB of a 4 x 2 picture of 24 bits.
TClipboardDataItem Picture() { return Dib24(4, 2); }

TClipboardDataItem BrokenPicture() {
  TClipboardDataItem item = Picture();
  item.Data.resize(50);  // the pixels are missing
  return item;
}

// A DROPFILES block with wide names.
TClipboardDataItem Drop(std::vector<std::u16string> names) {
  TClipboardDataItem item{CfHDrop, std::vector<uint8_t>(20, 0)};
  item.Data[0] = 20;
  item.Data[16] = 1;
  for (const std::u16string& name : names) {
    for (char16_t c : name) item.Data.insert(item.Data.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
    item.Data.insert(item.Data.end(), {0, 0});
  }
  item.Data.insert(item.Data.end(), {0, 0});
  return item;
}

TEST(ClipboardItemPreview, KindOfEachItem) {
  using K = TItemPreview::TKind;
  struct Case {
    const char* Name;
    std::vector<TClipboardDataItem> Items;
    K Kind;
    int DibFormat;
    std::wstring Text;
    bool Short;
  };
  const Case cases[] = {
      {"a picture wins over text before it", {Unicode(u"t"), Picture()}, K::Picture, 1, L"", true},
      {"the first valid picture", {Other(2, "x"), BrokenPicture(), Picture(), Picture()}, K::Picture, 2, L"", true},
      {"an empty CF_DIB is no picture", {{CfDib, {}}, Unicode(u"t")}, K::Text, -1, L"t", true},
      {"a broken picture falls through to text", {BrokenPicture(), Unicode(u"words")}, K::Text, -1, L"words", true},
      {"a broken picture alone", {BrokenPicture()}, K::Unknown, -1, L"", true},
      {"file list", {Drop({u"C:\\a.txt"}), Unicode(u"t")}, K::Files, -1, L"C:\\a.txt", true},
      {"three files are three lines", {Drop({u"C:\\a", u"C:\\b", u"C:\\c"})}, K::Files, -1, L"C:\\a\rC:\\b\rC:\\c",
       false},
      {"the first text-like format", {Other(2, "x"), Unicode(u"uni"), Ansi("ansi")}, K::Text, -1, L"uni", true},
      {"text before a file list", {Ansi("ansi"), Drop({u"C:\\a"})}, K::Text, -1, L"ansi", true},
      {"nothing readable", {Other(2, "x"), Other(0xC001, "y")}, K::Unknown, -1, L"", true},
      {"no formats", {}, K::Unknown, -1, L"", true},
      {"leading breaks removed", {Unicode(u"\r\n\n\rtext\r\nmore")}, K::Text, -1, L"text\r\nmore", true},
      {"breaks are counted after the leading ones", {Unicode(u"\r\r\n\na\rb\nc")}, K::Text, -1, L"a\rb\nc", true},
      {"two CRs make it long", {Unicode(u"a\rb\rc")}, K::Text, -1, L"a\rb\rc", false},
      {"two LFs make it long", {Unicode(u"a\nb\nc")}, K::Text, -1, L"a\nb\nc", false},
      {"two CR LF pairs", {Unicode(u"a\r\nb\r\n")}, K::Text, -1, L"a\r\nb\r\n", false},
      {"CF_TEXT too", {Ansi("\r\nx\ny\nz")}, K::Text, -1, L"x\ny\nz", false},
      {"only breaks", {Unicode(u"\r\n\r\n")}, K::Text, -1, L"", true},
  };
  TWindows1252 cp;
  for (const Case& c : cases) {
    TItemPreview p = MakeItemPreview(Snapshot(c.Items), cp);
    EXPECT_EQ(p.Kind, c.Kind) << c.Name;
    EXPECT_EQ(p.DibFormat, c.DibFormat) << c.Name;
    EXPECT_EQ(p.Text, c.Text) << c.Name;
    EXPECT_EQ(p.Short, c.Short) << c.Name;
  }
}

TEST(ClipboardItemPreview, HugeTextIsCutButItsBreaksAllCount) {
  std::u16string text(3 * PreviewChars, u'a');
  text[PreviewChars + 10] = u'\n';
  text[2 * PreviewChars] = u'\n';
  TWindows1252 cp;
  TItemPreview p = MakeItemPreview(Snapshot({Unicode(text)}), cp);
  EXPECT_EQ(p.Kind, TItemPreview::TKind::Text);
  EXPECT_EQ(p.Text, std::wstring(PreviewChars, L'a'));
  EXPECT_FALSE(p.Short) << "the breaks past the preview make it long";

  std::string ansi = "\n\n" + std::string(PreviewChars + 5, 'b');
  p = MakeItemPreview(Snapshot({Ansi(ansi)}), cp);
  EXPECT_EQ(p.Text, std::wstring(PreviewChars, L'b'));
  EXPECT_TRUE(p.Short) << "leading breaks do not count";
}

TEST(ClipboardItemPreview, CfTextGoesThroughTheCodePage) {
  FakeCyrillicAnsi cyrillic;
  TItemPreview p = MakeItemPreview(Snapshot({Ansi("\xCF\xF0\xE8 ok")}), cyrillic);
  EXPECT_EQ(p.Text, L"\x041F\x0440\x0438 ok");
}

}  // namespace
}  // namespace pelorin
