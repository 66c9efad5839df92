#include "clipboard/ClipboardSearch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "clipboard/ClipboardFakes.h"

namespace pelorin {
namespace {

using test::Ansi;
using test::Dib24;
using test::FakeCyrillicAnsi;
using test::Other;
using test::Snapshot;
using test::Unicode;

// Lower case for A-Z and the Cyrillic capitals U+0410-U+042F.
struct FakeFold : TextFoldPort {
  std::wstring Fold(std::wstring_view text) const override {
    std::wstring folded(text);
    for (wchar_t& c : folded)
      if ((c >= L'A' && c <= L'Z') || (c >= 0x410 && c <= 0x42F)) c = static_cast<wchar_t>(c + 0x20);
    return folded;
  }
};

// Folds nothing: a match then needs the same case.
struct NoFold : TextFoldPort {
  std::wstring Fold(std::wstring_view text) const override { return std::wstring(text); }
};

TClipboardDataItem Picture() { return Dib24(1, 1); }

TClipboardDataItem Drop(std::u16string name) {
  TClipboardDataItem item{CfHDrop, std::vector<uint8_t>(20, 0)};
  item.Data[0] = 20;
  item.Data[16] = 1;
  for (char16_t c : name) item.Data.insert(item.Data.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  item.Data.insert(item.Data.end(), {0, 0, 0, 0});
  return item;
}

TEST(ClipboardSearchItem, TextFormatsCheckMarksAndPictures) {
  struct Case {
    const char* Name;
    std::vector<TClipboardDataItem> Items;
    bool Checked;
    std::wstring Needle;  // already folded, as the window passes it
    bool FindChecked;
    bool Matches;
  };
  const Case cases[] = {
      {"any case of a-z", {Unicode(u"xxABcyy")}, false, L"abc", false, true},
      {"not across a blank", {Unicode(u"ab c")}, false, L"abc", false, false},
      {"Cyrillic folded by the port", {Unicode(u"\u041f\u0420\u0418\u0412\u0415\u0422 world")}, false,
       L"\u043f\u0440\u0438\u0432\u0435\u0442", false, true},
      {"CF_TEXT through the code page", {Ansi("\xCF\xD0\xC8")}, false, L"\u043f\u0440\u0438", false, true},
      {"a file name", {Drop(u"C:\\Docs\\Report.txt")}, false, L"report", false, true},
      {"only the first text-like format", {Unicode(u"one"), Ansi("two")}, false, L"two", false, false},
      {"formats before it do not count", {Other(2, "abc"), Ansi("xyz")}, false, L"xyz", false, true},
      {"no text-like format", {Other(2, "abc")}, false, L"abc", false, false},
      {"a picture never matches", {Picture(), Unicode(u"abc")}, false, L"abc", false, false},
      {"find checked: an unchecked match is passed over", {Unicode(u"abc")}, false, L"abc", true, false},
      {"find checked: unchecked, empty text", {Unicode(u"abc")}, false, L"", true, false},
      {"find checked: checked and matching", {Unicode(u"abc")}, true, L"abc", true, true},
      {"find checked: checked, not matching", {Unicode(u"abc")}, true, L"xyz", true, false},
      {"find checked: empty text takes any checked item", {Other(2, "x")}, true, L"", true, true},
      {"find checked: even a checked picture", {Picture()}, true, L"", true, true},
      {"find checked: a checked picture has no text", {Picture(), Unicode(u"abc")}, true, L"abc", true, false},
  };
  FakeCyrillicAnsi ansi;
  FakeFold fold;
  for (const Case& c : cases) {
    TClipboardData item = Snapshot(c.Items, 46000, c.Checked);
    TItemPreview preview = MakeItemPreview(item, ansi);
    EXPECT_EQ(ItemMatches(item, preview, c.Needle, c.FindChecked, ansi, fold), c.Matches) << c.Name;
  }
}

TEST(ClipboardSearchItem, CaseGoesThroughTheFoldPort) {
  FakeCyrillicAnsi ansi;
  TClipboardData item = Snapshot({Unicode(u"Hello World")});
  TItemPreview preview = MakeItemPreview(item, ansi);
  EXPECT_TRUE(ItemMatches(item, preview, L"o w", false, ansi, FakeFold{}));
  EXPECT_FALSE(ItemMatches(item, preview, L"o w", false, ansi, NoFold{}));
  EXPECT_TRUE(ItemMatches(item, preview, L"o W", false, ansi, NoFold{}));
}

TEST(ClipboardSearchRows, StepsColoursAndNoWrap) {
  using F = TSearchFrom;
  using C = TSearchColour;
  // Six rows; rows 1, 3 and 4 match.
  struct Case {
    const char* Name;
    int Selected;
    F From;
    bool NeedleEmpty, FindChecked, WasRed;
    std::optional<int> Row;
    C Colour;
    std::vector<int> Asked;
  };
  const Case cases[] = {
      {"text change: from row 0", 4, F::TextChange, false, false, false, 1, C::White, {0, 1}},
      {"text change: a match turns a red box white", 4, F::TextChange, false, false, true, 1, C::White, {0, 1}},
      {"empty text ends at once", 4, F::TextChange, true, false, true, std::nullopt, C::White, {}},
      {"empty text with find checked searches", 4, F::TextChange, true, true, false, 1, C::White, {0, 1}},
      {"check box: from row 0", 4, F::CheckBox, true, true, false, 1, C::White, {0, 1}},
      {"next from 1", 1, F::Next, false, false, false, 3, C::White, {2, 3}},
      {"next from 3", 3, F::Next, false, false, false, 4, C::White, {4}},
      {"next past the last match: grey", 4, F::Next, false, false, false, std::nullopt, C::Grey, {5}},
      {"next from the last row", 5, F::Next, false, false, false, std::nullopt, C::Grey, {}},
      {"next: a red box stays red", 4, F::Next, false, false, true, std::nullopt, C::Red, {5}},
      {"next that finds turns a red box white", 1, F::Next, false, false, true, 3, C::White, {2, 3}},
      {"prev from 4", 4, F::Prev, false, false, false, 3, C::White, {3}},
      {"prev from 3", 3, F::Prev, false, false, false, 1, C::White, {2, 1}},
      {"prev before the first match: grey, no wrap", 1, F::Prev, false, false, false, std::nullopt, C::Grey, {0}},
      {"prev from row 0", 0, F::Prev, false, false, false, std::nullopt, C::Grey, {}},
      {"prev: a red box stays red", 1, F::Prev, false, false, true, std::nullopt, C::Red, {0}},
      {"next from a selection before the rows", -1, F::Next, false, false, false, 1, C::White, {0, 1}},
      {"prev from a selection past the rows", 10, F::Prev, false, false, false, 4, C::White, {5, 4}},
  };
  for (const Case& c : cases) {
    std::vector<int> asked;
    TSearchOutcome outcome = SearchRows(6, c.Selected, c.From, c.NeedleEmpty, c.FindChecked, c.WasRed, [&](int row) {
      asked.push_back(row);
      return row == 1 || row == 3 || row == 4;
    });
    EXPECT_EQ(outcome.Row, c.Row) << c.Name;
    EXPECT_EQ(outcome.Colour, c.Colour) << c.Name;
    EXPECT_EQ(asked, c.Asked) << c.Name;
    EXPECT_FALSE(outcome.At) << c.Name;
  }
}

TEST(ClipboardSearchRows, NoMatchAfterATextChangeOrTheCheckBoxIsRed) {
  for (TSearchFrom from : {TSearchFrom::TextChange, TSearchFrom::CheckBox}) {
    std::vector<int> asked;
    TSearchOutcome outcome = SearchRows(3, 1, from, false, true, false, [&](int row) {
      asked.push_back(row);
      return false;
    });
    EXPECT_FALSE(outcome.Row);
    EXPECT_EQ(outcome.Colour, TSearchColour::Red);
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
  }
  TSearchOutcome none = SearchRows(0, 0, TSearchFrom::TextChange, false, false, false, [](int) -> bool {
    ADD_FAILURE() << "no rows to ask about";
    return true;
  });
  EXPECT_EQ(none.Colour, TSearchColour::Red);
}

TEST(ClipboardSearchMemo, PositionsAndColours) {
  using F = TSearchFrom;
  using C = TSearchColour;
  // "abc" starts at 0, 5, 9 and 12.
  const std::wstring text = L"abc xabc abcabc";
  struct Case {
    const char* Name;
    std::wstring Needle;
    F From;
    size_t SelStart;
    bool WasRed;
    std::optional<size_t> At;
    C Colour;
  };
  const Case cases[] = {
      {"text change: the first", L"abc", F::TextChange, 9, false, 0, C::White},
      {"text change: none is red", L"abd", F::TextChange, 0, false, std::nullopt, C::Red},
      {"text change: in the middle", L"x", F::TextChange, 0, true, 4, C::White},
      {"empty text finds nothing", L"", F::TextChange, 0, false, std::nullopt, C::Red},
      {"empty text, next", L"", F::Next, 0, false, std::nullopt, C::Grey},
      {"next after 0", L"abc", F::Next, 0, false, 5, C::White},
      {"next after 4", L"abc", F::Next, 4, false, 5, C::White},
      {"next after 5", L"abc", F::Next, 5, false, 9, C::White},
      {"next after 12: grey", L"abc", F::Next, 12, false, std::nullopt, C::Grey},
      {"next after 12: red stays red", L"abc", F::Next, 12, true, std::nullopt, C::Red},
      {"next from the end", L"abc", F::Next, 15, false, std::nullopt, C::Grey},
      {"next from past the end", L"abc", F::Next, 1000, false, std::nullopt, C::Grey},
      {"prev from 12", L"abc", F::Prev, 12, false, 9, C::White},
      {"prev from 11", L"abc", F::Prev, 11, false, 9, C::White},
      {"prev from 10: 9 is too close", L"abc", F::Prev, 10, false, 5, C::White},
      {"prev from 7", L"abc", F::Prev, 7, false, 5, C::White},
      {"prev from 6", L"abc", F::Prev, 6, false, 0, C::White},
      {"prev from 2", L"abc", F::Prev, 2, false, 0, C::White},
      {"prev from 1: grey", L"abc", F::Prev, 1, false, std::nullopt, C::Grey},
      {"prev from 0: red stays red", L"abc", F::Prev, 0, true, std::nullopt, C::Red},
      {"prev from past the end", L"abc", F::Prev, 1000, false, 12, C::White},
      {"across two occurrences", L"cab", F::Next, 0, false, 11, C::White},
  };
  for (const Case& c : cases) {
    TSearchOutcome outcome = SearchMemo(text, c.Needle, c.From, c.SelStart, c.WasRed);
    EXPECT_EQ(outcome.At, c.At) << c.Name;
    EXPECT_EQ(outcome.Colour, c.Colour) << c.Name;
    EXPECT_FALSE(outcome.Row) << c.Name;
  }
  EXPECT_EQ(SearchMemo(L"aaaa", L"aa", F::Next, 0, false).At, std::optional<size_t>(1));
  EXPECT_EQ(SearchMemo(L"aaaa", L"aa", F::Prev, 3, false).At, std::optional<size_t>(1));
}

}  // namespace
}  // namespace pelorin
