#include "tracked/TrackedEditor.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TTrackedWindowRow Row(std::wstring title, std::wstring inner, std::wstring click, bool winSize = false,
                      bool isButton = true, int state = 5) {
  return {std::move(title), std::move(inner), std::move(click), state, winSize, isButton};
}

TTrackedFields ButtonFields(std::wstring title, std::wstring button) {
  TTrackedFields f;
  f.HeaderText = std::move(title);
  f.ButtonText = std::move(button);
  f.BtnCheck = true;
  return f;
}

TTrackedFields OffsetFields(std::wstring title, std::wstring offset) {
  TTrackedFields f = ButtonFields(std::move(title), std::move(offset));
  SetBtnCheck(f, false);
  return f;
}

TEST(TrackedFields, CheckBoxesFollowTheirFieldsAndExcludeEachOther) {
  TTrackedFields f;
  f.InWinText = L"Thumbs.db";
  InWinTextChange(f);
  EXPECT_TRUE(f.InWinCheck);
  f.WinSize = L"400x150";
  WinSizeChange(f);
  EXPECT_TRUE(f.WinSizeCheck);
  EXPECT_FALSE(f.InWinCheck);
  f.InWinCheck = true;
  InWinCheckClick(f);
  EXPECT_FALSE(f.WinSizeCheck);
  f.WinSizeCheck = true;
  WinSizeCheckClick(f);
  EXPECT_FALSE(f.InWinCheck);
  // Unchecking one leaves the other as it is.
  f.WinSizeCheck = false;
  WinSizeCheckClick(f);
  EXPECT_FALSE(f.InWinCheck);
  f.InWinText.clear();
  InWinTextChange(f);
  EXPECT_FALSE(f.InWinCheck);

  // "[*]" inserted into an offset makes it a button text.
  f.ButtonText = L"35x[*]";
  SetBtnCheck(f, false);
  EXPECT_TRUE(f.XYCheck);
  ButtonTextChange(f);
  EXPECT_TRUE(f.BtnCheck);
  EXPECT_FALSE(f.XYCheck);
}

TEST(TrackedFields, ASelectedRowShowsInTheFields) {
  struct Case {
    const char* What;
    TTrackedWindowRow Row;
    TTrackedFields Expected;
  };
  // The fields before: a text in both optional fields, both boxes checked, an offset.
  TTrackedFields before;
  before.HeaderText = L"old";
  before.InWinText = L"old inner";
  before.WinSize = L"1x1";
  before.InWinCheck = before.WinSizeCheck = true;
  before.ButtonText = L"1x2";
  before.XYCheck = true;
  const Case cases[] = {
      {"no inner text: the optional fields keep their texts",
       Row(L"Open", L"", L"OK"),
       {L"Open", L"old inner", L"1x1", L"OK", false, false, true, false}},
      {"a size", Row(L"Open", L"400x150", L"35x120", true, false),
       {L"Open", L"", L"400x150", L"35x120", false, true, false, true}},
      {"an inner text", Row(L"Delete", L"The file [*]", L"Yes"),
       {L"Delete", L"The file [*]", L"", L"Yes", true, false, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TTrackedFields f = before;
    ShowRowInFields(c.Row, f);
    EXPECT_EQ(f, c.Expected);
    // And back: the fields describe the row shown.
    EXPECT_EQ(RowFromFields(f), c.Row);
  }
}

TEST(TrackedFields, TheRowTakesTheCheckedOptionalFieldOnly) {
  TTrackedFields f = ButtonFields(L"Title", L"OK");
  f.InWinText = L"inner";
  f.WinSize = L"10x20";
  EXPECT_EQ(RowFromFields(f), Row(L"Title", L"", L"OK"));
  f.InWinCheck = true;
  EXPECT_EQ(RowFromFields(f), Row(L"Title", L"inner", L"OK"));
  f.InWinCheck = false;
  f.WinSizeCheck = true;
  EXPECT_EQ(RowFromFields(f), Row(L"Title", L"10x20", L"OK", true));
  // No radio button checked is no button.
  f.BtnCheck = false;
  EXPECT_FALSE(RowFromFields(f).IsButton);
}

TEST(TrackedAdd, RefusalsLeaveTheTableAsItWas) {
  const std::vector<TTrackedWindowRow> table = {Row(L"Open", L"", L"OK"),
                                                Row(L"Save", L"400x150", L"35x120", true, false)};
  TTrackedFields sized = OffsetFields(L"Save", L"35x120");
  sized.WinSize = L"400x150";
  sized.WinSizeCheck = true;
  struct Case {
    const char* What;
    TTrackedFields Fields;
    bool Edit;
    int Selected;
    TEditorMessage Message;
    int SelectRow;
  };
  const Case cases[] = {
      {"no title", ButtonFields(L"", L"OK"), false, -1, NoTextsMessage, -1},
      {"no button text", ButtonFields(L"Open", L""), false, -1, NoTextsMessage, -1},
      {"no button text on Edit", ButtonFields(L"Open", L""), true, 0, NoTextsMessage, -1},
      {"a typed text as coordinates", OffsetFields(L"Save", L"OK"), false, -1, BadOffsetMessage, -1},
      {"negative coordinates", OffsetFields(L"Save", L"-3x4"), false, -1, BadOffsetMessage, -1},
      {"coordinates with blanks", OffsetFields(L"Save", L"3 x 4"), false, -1, BadOffsetMessage, -1},
      {"an upper-case X", OffsetFields(L"Save", L"3X4"), false, -1, BadOffsetMessage, -1},
      {"a wildcard in coordinates", OffsetFields(L"Save", L"3x[*]"), false, -1, BadOffsetMessage, -1},
      {"a duplicate of row 1", ButtonFields(L"Open", L"OK"), false, -1, DuplicateWindowMessage, 0},
      {"a duplicate of row 2", sized, false, -1, DuplicateWindowMessage, 1},
      {"row 1 edited into row 2", sized, true, 0, DuplicateWindowMessage, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<TTrackedWindowRow> rows = table;
    TAddWindowOutcome out = AddWindowRow(rows, c.Fields, c.Edit, c.Selected);
    EXPECT_FALSE(out.Done);
    EXPECT_EQ(out.Message, c.Message);
    EXPECT_EQ(out.SelectRow, c.SelectRow);
    EXPECT_EQ(rows, table);
  }
}

TEST(TrackedAdd, AddAppendsAndEditReplacesTheSelectedRow) {
  std::vector<TTrackedWindowRow> rows;
  TAddWindowOutcome out = AddWindowRow(rows, ButtonFields(L"Open", L"OK"), false, -1);
  EXPECT_TRUE(out.Done);
  EXPECT_EQ(out.Message, WindowAddedMessage);
  EXPECT_EQ(out.SelectRow, 0);
  EXPECT_EQ(rows, std::vector<TTrackedWindowRow>{Row(L"Open", L"", L"OK")});

  // Differs from row 1 only by the kind of its click text: no duplicate. Add ignores the
  // selection.
  out = AddWindowRow(rows, OffsetFields(L"Open", L"35x120"), false, 0);
  EXPECT_TRUE(out.Done);
  EXPECT_EQ(out.SelectRow, 1);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], Row(L"Open", L"", L"35x120", false, false));
  EXPECT_EQ(rows[0], Row(L"Open", L"", L"OK"));

  // Edit of a switched-off row into itself: allowed, and tracked again.
  rows[1].State = 0;
  out = AddWindowRow(rows, OffsetFields(L"Open", L"35x120"), true, 1);
  EXPECT_TRUE(out.Done);
  EXPECT_EQ(out.Message, WindowModifiedMessage);
  EXPECT_EQ(out.SelectRow, 1);
  EXPECT_EQ(rows[1].State, 5);
  ASSERT_EQ(rows.size(), 2u);
  out = AddWindowRow(rows, ButtonFields(L"Open", L"Cancel"), true, 0);
  EXPECT_TRUE(out.Done);
  EXPECT_EQ(rows[0], Row(L"Open", L"", L"Cancel"));

  // Edit with no row selected adds.
  out = AddWindowRow(rows, ButtonFields(L"Save", L"Yes"), true, -1);
  EXPECT_TRUE(out.Done);
  EXPECT_EQ(out.SelectRow, 2);
  EXPECT_EQ(rows.size(), 3u);
  // An empty first row (from a hand-edited file) is the row to fill.
  rows = {Row(L"", L"", L"", false, true, 0)};
  out = AddWindowRow(rows, ButtonFields(L"Save", L"Yes"), false, -1);
  EXPECT_EQ(out.SelectRow, 0);
  EXPECT_EQ(rows, std::vector<TTrackedWindowRow>{Row(L"Save", L"", L"Yes")});
}

TEST(TrackedAdd, AButtonTextAndAnOffsetOfTheSameTextAreDifferentRows) {
  for (bool buttonFirst : {true, false}) {
    SCOPED_TRACE(buttonFirst ? "button row first" : "offset row first");
    const TTrackedFields button = ButtonFields(L"Save", L"35x120"), offset = OffsetFields(L"Save", L"35x120");
    const TTrackedFields& first = buttonFirst ? button : offset;
    const TTrackedFields& second = buttonFirst ? offset : button;
    std::vector<TTrackedWindowRow> rows;
    ASSERT_TRUE(AddWindowRow(rows, first, false, -1).Done);
    TAddWindowOutcome out = AddWindowRow(rows, second, false, -1);
    EXPECT_TRUE(out.Done);
    EXPECT_EQ(out.Message, WindowAddedMessage);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].IsButton, buttonFirst);
    EXPECT_EQ(rows[1].IsButton, !buttonFirst);
    // Each of them once only.
    out = AddWindowRow(rows, first, false, -1);
    EXPECT_EQ(out.Message, DuplicateWindowMessage);
    EXPECT_EQ(out.SelectRow, 0);
    // One edited into the other kind, where that kind is already there: refused.
    out = AddWindowRow(rows, second, true, 0);
    EXPECT_EQ(out.Message, DuplicateWindowMessage);
    EXPECT_EQ(out.SelectRow, 1);
    EXPECT_EQ(rows.size(), 2u);
  }
}

TEST(TrackedTable, RemoveToggleAndMove) {
  std::vector<TTrackedWindowRow> rows = {Row(L"A", L"", L"1"), Row(L"B", L"", L"2"), Row(L"C", L"", L"3")};
  EXPECT_FALSE(CanRemoveWindowRow(rows, -1));
  EXPECT_TRUE(CanRemoveWindowRow(rows, 2));
  EXPECT_FALSE(CanRemoveWindowRow({Row(L"", L"", L"")}, 0));
  EXPECT_FALSE(CanRemoveWindowRow({}, 0));

  EXPECT_EQ(RemoveWindowRow(rows, 1), 1);
  EXPECT_EQ(rows, (std::vector<TTrackedWindowRow>{Row(L"A", L"", L"1"), Row(L"C", L"", L"3")}));
  EXPECT_EQ(RemoveWindowRow(rows, 1), 0);  // the last row removed: the one above is next
  EXPECT_EQ(RemoveWindowRow(rows, 0), -1);
  EXPECT_TRUE(rows.empty());

  rows = {Row(L"A", L"", L"1"), Row(L"B", L"", L"2"), Row(L"C", L"", L"3")};
  ToggleWindowRow(rows, 1);
  EXPECT_EQ(rows[1].State, 0);
  ToggleWindowRow(rows, 1);
  EXPECT_EQ(rows[1].State, 5);
  rows[2].State = 1;  // tracked, though shown unchecked; up to 2 a click adds 5, as in the Commands grid
  ToggleWindowRow(rows, 2);
  EXPECT_EQ(rows[2].State, 6);

  MoveWindowRow(rows, 0, 2);
  EXPECT_EQ(rows[0].Title, L"B");
  EXPECT_EQ(rows[2].Title, L"A");
  MoveWindowRow(rows, 2, 0);
  EXPECT_EQ(rows[0].Title, L"A");
  MoveWindowRow(rows, 0, 7);
  EXPECT_EQ(rows[0].Title, L"A");
}

TEST(TrackedTable, FittedColumnsFollowTheAverageTextLengths) {
  // Headers of 13, 37 and 9 characters; the title with 4 blanks in front, 23.
  std::vector<TTrackedWindowRow> rows = {Row(L"Confirm File Delete", L"", L"Yes")};
  // Averages 18, 18.5 (to even: 18) and 6 share 423 pixels.
  EXPECT_EQ(FitTrackedColumnWidths(rows, 4, 426), (std::vector<int>{181, 181, 60}));
}

TEST(TrackedTyping, LettersWarnDigitsAndMarksDoNot) {
  struct Case {
    unsigned Char;
    bool Warns;
  };
  const Case cases[] = {{'2', false},  {'a', true},   {'Z', true},   {'[', false}, {'*', false},
                        {0x40, false}, {0x41, true},  {0x5B, false}, {0x60, false}, {0x7B, false},
                        {0xBF, false}, {0xC0, true},  {0xFF, true},
                        {0x441, true},    // Cyrillic small es: 0x41 modulo 256
                        {0x432, false}};  // Cyrillic small ve: 0x32
  for (const Case& c : cases) EXPECT_EQ(WarnsWhenTyped(c.Char), c.Warns) << std::hex << c.Char;
}

TEST(TrackedTyping, TheWildcardReplacesTheSelection) {
  const std::wstring text = L"The file Thumbs.db is a system file.";
  struct Case {
    size_t Start, End;
    std::wstring Text;
    size_t Caret;
  };
  const Case cases[] = {
      {9, 18, L"The file [*] is a system file.", 12},
      {0, 0, L"[*]The file Thumbs.db is a system file.", 3},
      {36, 36, L"The file Thumbs.db is a system file.[*]", 39},
      {0, 36, L"[*]", 3},
      {40, 50, L"The file Thumbs.db is a system file.[*]", 39},  // a stale selection past the end
  };
  for (const Case& c : cases) {
    TPasted p = PasteWildcard(text, c.Start, c.End);
    EXPECT_EQ(p.Text, c.Text);
    EXPECT_EQ(p.Caret, c.Caret);
  }
}

}  // namespace
}  // namespace pelorin
