#include "clipboard/ClipboardHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "clipboard/ClipboardFakes.h"
#include "clipboard/ClipboardText.h"

namespace pelorin {
namespace {

using test::Ansi;
using test::Other;
using test::Snapshot;
using test::Unicode;

class ClipboardHistoryTest : public ::testing::Test {
 protected:
  TWindows1252 Cp;
  TClipboardHistory History{Cp};
  TMergeInput Input{/*Now=*/45000.5, /*MaxUnchecked=*/20, /*MaxMemoryMb=*/1000};

  TMergeResult Add(std::vector<TClipboardDataItem> items, double now) {
    TClipboardData s = Snapshot(std::move(items));
    TMergeInput input = Input;
    input.Now = now;
    TMergeResult result = History.AddClipboardData(s, input);
    EXPECT_TRUE(s.Items.empty()) << "the merge always empties the snapshot";
    return result;
  }

  // The first text of every item, oldest first.
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> texts;
    History.ReadAll([&](int, const TClipboardData& d) {
      texts.push_back(d.Items.empty() ? L"" : ClipboardItemText(d.Items.front(), Cp));
    });
    return texts;
  }

  TClipboardData Item(int index) const {
    TClipboardData copy;
    History.ReadItem(index, [&](const TClipboardData& d) { copy = d; });
    return copy;
  }
};

double Flipped(double time) {
  TimeParityFlip(time);
  return time;
}

TEST_F(ClipboardHistoryTest, NewContentIsAppendedOnTopWithTheTimeOfTheCopy) {
  TMergeResult r = Add({Unicode(u"one")}, 100);
  EXPECT_TRUE(r.Appended);
  EXPECT_FALSE(r.Hit);
  EXPECT_FALSE(r.Replaced);
  EXPECT_EQ(r.Count, 1);
  Add({Unicode(u"two")}, 200);
  EXPECT_EQ(History.ClpHigh(), 1);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"one", L"two"}));
  EXPECT_EQ(Item(1).Time, 200);
  EXPECT_FALSE(Item(1).Checked);
  EXPECT_TRUE(History.ClpDataChanged());
}

TEST_F(ClipboardHistoryTest, SameContentTwiceMovesTheItemToTheTopAndKeepsItsTime) {
  Add({Unicode(u"one"), Other(0xC001, "x")}, 100);
  Add({Unicode(u"two")}, 200);
  History.SetDataChanged(false);
  TMergeResult r = Add({Unicode(u"one"), Other(0xC001, "x")}, 300);
  EXPECT_TRUE(r.Hit);
  EXPECT_FALSE(r.Appended);
  EXPECT_FALSE(r.SetClipboardTop);
  EXPECT_EQ(r.Count, 2);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"two", L"one"}));
  EXPECT_EQ(Item(1).Time, 100);
  EXPECT_TRUE(History.ClpDataChanged());
}

TEST_F(ClipboardHistoryTest, SameContentAsTheTopChangesNothing) {
  Add({Unicode(u"one")}, 100);
  History.SetDataChanged(false);
  TMergeResult r = Add({Unicode(u"one")}, 300);
  EXPECT_TRUE(r.Hit);
  EXPECT_EQ(History.ClpHigh(), 0);
  EXPECT_EQ(Item(0).Time, 100);
  EXPECT_FALSE(History.ClpDataChanged());
}

TEST_F(ClipboardHistoryTest, SameTextFromAnotherApplicationReplacesAndInheritsTimeAndCheck) {
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Unicode(u"hello"), Other(0xC001, "word")}, 45000.5, true)));
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Unicode(u"other")}, 45000.75)));
  TMergeResult r = Add({Unicode(u"hello"), Other(0xC002, "browser")}, 46000);
  EXPECT_TRUE(r.Replaced);
  EXPECT_TRUE(r.Appended);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"other", L"hello"}));
  TClipboardData top = Item(1);
  EXPECT_EQ(top.Time, 45000.500000001);
  EXPECT_TRUE(top.Checked);
  ASSERT_EQ(top.Items.size(), 2u);
  EXPECT_EQ(top.Items[1].Format, 0xC002u) << "the new copy's formats are kept";
}

TEST_F(ClipboardHistoryTest, TextKeyIgnoresLeadingAndTrailingWhiteSpace) {
  struct Case {
    std::u16string Old, New;
    bool Replaced;
  };
  const Case cases[] = {
      {u"hello", u"hello", true},        {u"  hello", u"hello", true},
      {u"hello\r\n", u"hello", true},    {u"\t hello \t", u"\r\nhello", true},
      {u"hel lo", u"hello", false},      {u"hello", u"Hello", false},
      {u"a\tb", u"a    b", true},  // tabs are shown as four blanks
      {u"  ", u"  ", true},             // white space only is kept whole ...
      {u"  ", u" ", false},             // ... so its length counts
  };
  for (const Case& c : cases) {
    TClipboardHistory history(Cp);
    ASSERT_TRUE(history.AppendLoaded(Snapshot({Unicode(c.Old), Other(0xC001, "a")}, 10)));
    TClipboardData s = Snapshot({Unicode(c.New), Other(0xC002, "b")});
    TMergeResult r = history.AddClipboardData(s, Input);
    EXPECT_EQ(r.Replaced, c.Replaced) << std::string(c.Old.begin(), c.Old.end());
    EXPECT_EQ(history.ClpHigh(), c.Replaced ? 0 : 1);
  }
}

TEST_F(ClipboardHistoryTest, KeyFormatIsTheFirstTextLikeFormatAndMatchesOnlyThatFormat) {
  struct Case {
    const char* Name;
    std::vector<TClipboardDataItem> Old, New;
    bool Replaced;
  };
  const Case cases[] = {
      {"CF_TEXT key never meets CF_UNICODETEXT", {Unicode(u"abc")}, {Ansi("abc"), Unicode(u"abc")}, false},
      {"CF_TEXT key meets CF_TEXT", {Unicode(u"abc"), Ansi("abc")}, {Ansi("abc"), Other(0xC001, "x")}, true},
      {"CF_UNICODETEXT key never meets CF_TEXT", {Ansi("abc")}, {Unicode(u"abc"), Ansi("abc")}, false},
      {"any format of the old item counts", {Other(0xC005, "z"), Ansi("q"), Ansi("abc")}, {Ansi(" abc ")}, true},
      {"a non-text format first does not make the key", {Other(0xC001, "abc"), Ansi("abc")}, {Other(0xC002, "x"), Ansi("abc")}, true},
      {"no text format: no key", {Other(0xC001, "abc")}, {Other(0xC001, "abd")}, false},
  };
  for (const Case& c : cases) {
    TClipboardHistory history(Cp);
    ASSERT_TRUE(history.AppendLoaded(Snapshot(c.Old, 10)));
    TClipboardData s = Snapshot(c.New);
    EXPECT_EQ(history.AddClipboardData(s, Input).Replaced, c.Replaced) << c.Name;
  }
}

TEST(ClipboardTextKey, AgreesWithTheTrimmedTextOfEveryFormat) {
  TClipboardDataItem oddUnicode = Unicode(u"ab");
  oddUnicode.Data.resize(3);
  TClipboardDataItem unterminated = Unicode(u"x y");
  unterminated.Data.resize(unterminated.Data.size() - 2);
  const TClipboardDataItem items[] = {
      Unicode(u"hello"),        Unicode(u"  hello \r\n"), Unicode(u"\ta\tb\t"), Unicode(u" \t\r\n"),
      Unicode(u""),             Unicode(u"\t"),           oddUnicode,             unterminated,
      {CfUnicodeText, {}},      Unicode(u"\u0416\xA0 "),  Ansi(" caf\xE9\t"),    Ansi("\t\t"),
      {CfHDrop, {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, ' ', 0, 'a', 0, 0, 0, 0, 0}},
  };
  TWindows1252 cp;
  for (const TClipboardDataItem& item : items) {
    std::wstring text = TrimKeyText(ClipboardItemText(item, cp));
    TTextKey key = ClipboardTextKey(item, cp);
    EXPECT_EQ(key.Format, item.Format);
    EXPECT_EQ(key.Hash, HashKeyText(text)) << item.Data.size();
    EXPECT_EQ(key.Length, text.size()) << item.Data.size();
  }
}

TEST_F(ClipboardHistoryTest, HashCollisionsDoNotReplace) {
  // Same length, different text: only the full comparison can tell them apart from an equal key.
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Unicode(u"abcd")}, 10)));
  EXPECT_FALSE(Add({Unicode(u"abce")}, 20).Replaced);
  EXPECT_EQ(History.ClpHigh(), 1);
}

TEST_F(ClipboardHistoryTest, CountLimitRemovesTheOldestUncheckedBelowTheTop) {
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("checked")}, 1, true)));
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("u" + std::to_string(i))}, 2)));
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("top")}, 3)));
  History.SetDataChanged(false);
  Add({Ansi("new")}, 4);
  std::vector<std::wstring> expected{L"checked"};
  for (int i = 5; i < 25; ++i) expected.push_back(L"u" + std::to_wstring(i));
  expected.push_back(L"top");
  expected.push_back(L"new");
  EXPECT_EQ(Texts(), expected);
  EXPECT_TRUE(History.ClpDataChanged());
}

TEST_F(ClipboardHistoryTest, AHitSkipsTheCountLimitButNotTheMemoryLimit) {
  const size_t MB = 1048576;
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("u" + std::to_string(i))}, 2)));
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("big"), Other(0xC001, std::string(2 * MB, 'b'))}, 2)));
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("top")}, 3)));
  Input.MaxMemoryMb = 1;
  EXPECT_TRUE(Add({Ansi("u3")}, 4).Hit);
  std::vector<std::wstring> texts = Texts();
  EXPECT_EQ(texts.size(), 26u) << "25 unchecked stay below the top after a hit; only the 2 MB item went";
  EXPECT_EQ(std::count(texts.begin(), texts.end(), L"big"), 0);
  EXPECT_EQ(texts.back(), L"u3");
}

TEST_F(ClipboardHistoryTest, CountLimitNeverCountsOrRemovesTheTopItem) {
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("u" + std::to_string(i))}, 2)));
  History.CheckUncheckedCount(2);
  EXPECT_EQ(History.ClpHigh(), 2) << "two unchecked below the top are within a limit of 2";
  History.CheckUncheckedCount(0);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"u2"}));
}

TEST_F(ClipboardHistoryTest, OnlyCheckedItemsBelowTheTopSurviveBothLimits) {
  for (int i = 0; i < 30; ++i)
    ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("c" + std::to_string(i)), Other(0xC001, std::string(100000, 'x'))}, 1, true)));
  History.SetDataChanged(false);
  History.CheckUncheckedCount(20);
  History.CheckUncheckedMemory(0);
  EXPECT_EQ(History.ClpHigh(), 29);
  EXPECT_FALSE(History.ClpDataChanged());
}

TEST_F(ClipboardHistoryTest, FullTableOfCheckedItemsLosesItsOldest) {
  for (int i = 0; i < ClpCapacity; ++i)
    ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("c" + std::to_string(i))}, 1, true)));
  EXPECT_FALSE(History.AppendLoaded(Snapshot({Ansi("one too many")})));
  TMergeResult r = Add({Ansi("new")}, 2);
  EXPECT_EQ(r.Count, ClpCapacity);
  std::vector<std::wstring> texts = Texts();
  EXPECT_EQ(texts.front(), L"c1");
  EXPECT_EQ(texts.back(), L"new");
}

TEST_F(ClipboardHistoryTest, FullTableHitOrReplacementRemovesNothingElse) {
  for (int i = 0; i < ClpCapacity; ++i)
    ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("c" + std::to_string(i))}, 1, true)));
  EXPECT_TRUE(Add({Ansi("c7")}, 2).Hit);
  EXPECT_TRUE(Add({Ansi(" c8 "), Other(0xC001, "x")}, 2).Replaced);
  std::vector<std::wstring> texts = Texts();
  ASSERT_EQ(texts.size(), 500u);
  EXPECT_EQ(texts.front(), L"c0");
  EXPECT_EQ(texts[498], L"c7");
  EXPECT_EQ(texts[499], L" c8 ");
}

TEST(ClipboardMemoryLimit, LimitInBytesHasNoOverflow) {
  EXPECT_EQ(MemoryLimitBytes(200), 209715200ull);
  EXPECT_EQ(MemoryLimitBytes(1000), 1048576000ull);
  EXPECT_EQ(MemoryLimitBytes(5000), 5242880000ull);
}

// Removal order for a size list (in MB) and a limit, following the rule until within the limit.
std::vector<uint64_t> RemovalOrder(std::vector<uint64_t> mb, int limitMb) {
  const uint64_t MB = 1048576;
  std::vector<uint64_t> sizes;
  uint64_t total = 0;
  for (uint64_t s : mb) {
    sizes.push_back(s * MB);
    total += s * MB;
  }
  std::vector<uint64_t> removed;
  while (auto j = NextMemoryVictim(sizes, total, MemoryLimitBytes(limitMb))) {
    removed.push_back(sizes[*j] / MB);
    total -= sizes[*j];
    sizes.erase(sizes.begin() + static_cast<std::ptrdiff_t>(*j));
  }
  return removed;
}

TEST(ClipboardMemoryLimit, RemovalOrderExamples) {
  struct Case {
    std::vector<uint64_t> Sizes;
    int Limit;
    std::vector<uint64_t> Removed;
  };
  const Case cases[] = {
      {{300, 50, 900}, 1000, {300}},           // the oldest whose removal alone is enough
      {{400, 500, 300}, 200, {500, 400, 300}},  // the largest while none is enough alone
      {{600, 600}, 1000, {600}},               // 1200 - 600 fits: the oldest goes
      {{100, 100, 100}, 200, {100}},           // exactly at the limit is within it
      {{100, 100}, 200, {}},                   // total equal to the limit: nothing
      {{0, 0, 0}, 0, {}},                      // checked items count 0
      {{500, 500, 0}, 200, {500, 500}},        // equal sizes: the oldest first
      {{3000, 2500, 2000}, 5000, {3000}},      // sizes and limit past 32 bits
      {{4000, 4000, 4000}, 5000, {4000, 4000}},
  };
  for (const Case& c : cases) EXPECT_EQ(RemovalOrder(c.Sizes, c.Limit), c.Removed);
}

TEST_F(ClipboardHistoryTest, MemoryLimitRemovesUncheckedItemsBelowTheTop) {
  // 300, 50 and 900 MB against 1000 MB, scaled down to a 1 MB limit: the oldest goes alone.
  // A checked 3 MB item and the 3 MB top item count nothing.
  const size_t MB = 1048576;
  auto item = [](const char* text, size_t bytes, bool checked) {
    return Snapshot({Ansi(text), Other(0xC001, std::string(bytes - 2, 'x'))}, 1, checked);
  };
  ASSERT_TRUE(History.AppendLoaded(item("c", 3 * MB, true)));
  ASSERT_TRUE(History.AppendLoaded(item("a", MB * 300 / 1000, false)));
  ASSERT_TRUE(History.AppendLoaded(item("b", MB * 50 / 1000, false)));
  ASSERT_TRUE(History.AppendLoaded(item("d", MB * 900 / 1000, false)));
  ASSERT_TRUE(History.AppendLoaded(item("t", 3 * MB, false)));
  History.SetDataChanged(false);
  History.CheckUncheckedMemory(2);
  EXPECT_EQ(History.ClpHigh(), 4) << "1.25 MB is within 2 MB";
  EXPECT_FALSE(History.ClpDataChanged());
  History.CheckUncheckedMemory(1);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"c", L"b", L"d", L"t"}));
  EXPECT_TRUE(History.ClpDataChanged());
  History.CheckUncheckedMemory(0);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"c", L"t"}));
}

TEST_F(ClipboardHistoryTest, MergeRunsTheMemoryLimitAfterAppending) {
  // The former top item is below the new one when the limit runs, so it may go.
  const size_t MB = 1048576;
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("big"), Other(0xC001, std::string(3 * MB, 'a'))}, 1)));
  Input.MaxMemoryMb = 2;
  TMergeResult r = Add({Ansi("small")}, 2);
  EXPECT_EQ(r.Count, 1);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"small"}));
}

TEST_F(ClipboardHistoryTest, RepairedTextIsPutBackOnTheClipboard) {
  test::FakeCyrillicAnsi cyrillic;
  TClipboardHistory history(cyrillic);
  // CF_TEXT lost the Cyrillic letter the CF_UNICODETEXT still has.
  TClipboardData s = Snapshot({Ansi("?a"), Unicode(u"\u0416a")});
  TMergeResult r = history.AddClipboardData(s, Input);
  EXPECT_TRUE(r.SetClipboardTop);
  TClipboardData top;
  history.ReadItem(0, [&](const TClipboardData& d) { top = d; });
  EXPECT_EQ(top.Items[0].Data, (std::vector<uint8_t>{0xC6, 'a', 0}));

  TClipboardData plain = Snapshot({Ansi("b"), Unicode(u"b")});
  EXPECT_FALSE(history.AddClipboardData(plain, Input).SetClipboardTop);
}

TEST_F(ClipboardHistoryTest, DeleteClipboardItemShiftsLaterItemsDown) {
  for (const char* t : {"a", "b", "c"}) ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi(t)})));
  History.SetDataChanged(false);
  History.DeleteClipboardItem(1);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"a", L"c"}));
  EXPECT_FALSE(History.ClpDataChanged()) << "the caller sets the flag";
  EXPECT_THROW(History.DeleteClipboardItem(2), std::out_of_range);
  EXPECT_THROW(History.DeleteClipboardItem(-1), std::out_of_range);
}

TEST_F(ClipboardHistoryTest, CheckToggleFlipsTheTime) {
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Ansi("a")}, 45000.5)));
  History.SetDataChanged(false);
  History.SetChecked(0, true);
  EXPECT_TRUE(Item(0).Checked);
  EXPECT_EQ(Item(0).Time, Flipped(45000.5));
  EXPECT_TRUE(History.ClpDataChanged());
}

// The worker's merges, the window's reads and the check box all go through the one lock: the
// table stays consistent whatever the interleaving (run under a thread sanitizer to prove more).
TEST_F(ClipboardHistoryTest, MergesFromTwoThreadsWhileAnotherReads) {
  Input.MaxUnchecked = 200;
  auto merge = [this](const char* prefix) {
    for (int i = 0; i < 300; ++i) {
      TClipboardData s = Snapshot({Ansi(prefix + std::to_string(i))});
      History.AddClipboardData(s, Input);
    }
  };
  std::atomic<bool> done{false};
  std::atomic<int> badReads{0};
  std::thread reader([&] {
    while (!done.load()) {
      int count = 0;
      History.ReadAll([&](int index, const TClipboardData& d) {
        if (index != count++ || d.Items.size() != 1) ++badReads;
      });
      if (count > ClpCapacity) ++badReads;
      if (History.ClpHigh() >= 0 && !History.ClpDataChanged()) ++badReads;  // set by the first merge
    }
  });
  std::thread a(merge, "a"), b(merge, "b");
  a.join();
  b.join();
  done = true;
  reader.join();
  EXPECT_EQ(badReads.load(), 0);
  // 600 distinct texts, unchecked: the count limit runs before each append.
  std::vector<std::wstring> texts = Texts();
  EXPECT_EQ(texts.size(), 202u);
  EXPECT_EQ(std::set<std::wstring>(texts.begin(), texts.end()).size(), texts.size());
}

TEST(ClipboardDataEqual, ComparesFormatsInOrderWithTheirBytes) {
  struct Case {
    const char* Name;
    std::vector<TClipboardDataItem> A, B;
    bool Equal;
  };
  const Case cases[] = {
      {"identical", {Ansi("a"), Other(0xC001, "xy")}, {Ansi("a"), Other(0xC001, "xy")}, true},
      {"both empty", {}, {}, true},
      {"empty data on both sides", {Other(0xC001, "")}, {Other(0xC001, "")}, true},
      {"format order differs", {Ansi("a"), Other(0xC001, "xy")}, {Other(0xC001, "xy"), Ansi("a")}, false},
      {"one byte differs", {Other(0xC001, "xy")}, {Other(0xC001, "xz")}, false},
      {"length differs", {Other(0xC001, "xy")}, {Other(0xC001, std::string_view("xy\0", 3))}, false},
      {"format number differs", {Other(0xC001, "xy")}, {Other(0xC002, "xy")}, false},
      {"one more format", {Ansi("a")}, {Ansi("a"), Other(0xC001, "")}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClipboardDataEqual(Snapshot(c.A), Snapshot(c.B)), c.Equal) << c.Name;
    EXPECT_EQ(ClipboardDataEqual(Snapshot(c.B), Snapshot(c.A)), c.Equal) << c.Name;
  }
  EXPECT_TRUE(ClipboardDataEqual(Snapshot({Ansi("a")}, 1, true), Snapshot({Ansi("a")}, 2, false)))
      << "time and check mark are not content";
}

TEST_F(ClipboardHistoryTest, MoveToTopKeepsTheTimeAndMovesLaterItemsDown) {
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(History.AppendLoaded(Snapshot({Unicode(std::u16string(1, static_cast<char16_t>(u'a' + i)))}, 100 + i)));
  History.SetDataChanged(false);
  EXPECT_TRUE(History.MoveToTop(1));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"a", L"c", L"d", L"b"}));
  EXPECT_EQ(Item(3).Time, 101);
  EXPECT_TRUE(History.ClpDataChanged());

  EXPECT_TRUE(History.MoveToTop(0));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"c", L"d", L"b", L"a"}));

  History.SetDataChanged(false);
  EXPECT_FALSE(History.MoveToTop(3)) << "already on top";
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"c", L"d", L"b", L"a"}));
  EXPECT_FALSE(History.ClpDataChanged());
}

TEST_F(ClipboardHistoryTest, SortPutsCheckedItemsFirstThenTheUncheckedEachOldestFirst) {
  struct Entry {
    const char16_t* Text;
    double Time;
    bool Checked;
  };
  struct Case {
    const char* Name;
    std::vector<Entry> Items;  // oldest first
    std::vector<std::wstring> Sorted;
    bool TopChanged;
  };
  const Case cases[] = {
      {"by time", {{u"a", 3, false}, {u"b", 1, false}, {u"c", 2, false}}, {L"b", L"c", L"a"}, true},
      {"checked first", {{u"a", 1, true}, {u"b", 2, false}, {u"c", 3, true}, {u"d", 4, false}},
       {L"a", L"c", L"b", L"d"}, false},
      {"checked are older, by time too", {{u"a", 4, true}, {u"b", 3, true}, {u"c", 1, false}}, {L"b", L"a", L"c"},
       false},
      {"a checked top goes below the unchecked", {{u"a", 1, false}, {u"b", 2, true}}, {L"b", L"a"}, true},
      {"already in order", {{u"a", 1, false}, {u"b", 2, false}}, {L"a", L"b"}, false},
      {"equal times keep their order", {{u"a", 5, false}, {u"b", 5, false}, {u"c", 1, false}}, {L"c", L"a", L"b"},
       true},
      {"equal times, mixed", {{u"a", 5, true}, {u"b", 5, false}, {u"c", 5, true}}, {L"a", L"c", L"b"}, true},
      {"one item", {{u"a", 1, true}}, {L"a"}, false},
  };
  for (const Case& c : cases) {
    TClipboardHistory history(Cp);
    for (const Entry& e : c.Items) ASSERT_TRUE(history.AppendLoaded(Snapshot({Unicode(e.Text)}, e.Time, e.Checked)));
    EXPECT_EQ(history.Sort(), c.TopChanged) << c.Name;
    std::vector<std::wstring> texts;
    history.ReadAll([&](int, const TClipboardData& d) { texts.push_back(ClipboardItemText(d.Items.front(), Cp)); });
    EXPECT_EQ(texts, c.Sorted) << c.Name;
  }
  EXPECT_FALSE(History.Sort()) << "an empty history";
}

TEST_F(ClipboardHistoryTest, RowIdStaysWithItsItem) {
  // The text of each row, with its id and preview, oldest first.
  auto rows = [this] {
    std::vector<std::pair<std::wstring, uint64_t>> result;
    for (int i = 0; i <= History.ClpHigh(); ++i)
      History.ReadRow(i, [&](const TClipboardData& d, const TClipboardHistory::TItemView& view) {
        std::wstring text = ClipboardItemText(d.Items.front(), Cp);
        EXPECT_EQ(view.Preview.Text, text);
        EXPECT_EQ(view.Preview.Kind, TItemPreview::TKind::Text);
        result.emplace_back(text, view.Id);
      });
    return result;
  };
  auto idOf = [&rows](const std::wstring& text) {
    for (const auto& [t, id] : rows())
      if (t == text) return id;
    ADD_FAILURE() << "no row for the text";
    return uint64_t(0);
  };
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Unicode(u"a")}, 3)));
  ASSERT_TRUE(History.AppendLoaded(Snapshot({Unicode(u"b")}, 1, true)));
  Add({Unicode(u"c")}, 2);
  const uint64_t a = idOf(L"a"), b = idOf(L"b"), c = idOf(L"c");
  EXPECT_NE(a, 0u);
  EXPECT_EQ((std::set<uint64_t>{a, b, c}).size(), 3u);

  History.MoveToTop(0);
  History.Sort();
  EXPECT_EQ(rows(), (std::vector<std::pair<std::wstring, uint64_t>>{{L"b", b}, {L"c", c}, {L"a", a}}));
  EXPECT_EQ(History.ItemIds(), (std::vector<uint64_t>{b, c, a}));
  Add({Unicode(u"b")}, 10);  // the same content again: moves to the top as the same item
  History.DeleteClipboardItem(0);  // c
  EXPECT_EQ(rows(), (std::vector<std::pair<std::wstring, uint64_t>>{{L"a", a}, {L"b", b}}));
  EXPECT_EQ(History.ItemIds(), (std::vector<uint64_t>{a, b})) << "the deleted item's number is gone";

  Add({Unicode(u"d")}, 11);
  const uint64_t d = idOf(L"d");
  EXPECT_EQ((std::set<uint64_t>{a, b, c, d}).size(), 4u) << "a new item never takes an old number";
  EXPECT_EQ(History.ItemIds(), (std::vector<uint64_t>{a, b, d}));
  EXPECT_THROW(History.ReadRow(3, [](const TClipboardData&, const TClipboardHistory::TItemView&) {}),
               std::out_of_range);
}

}  // namespace
}  // namespace pelorin
