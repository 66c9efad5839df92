// The Clipboard Manager's actions reach the item a row showed, by its number, whatever the
// captures on the worker did to the history's order meanwhile: while the delete question is
// open, between a merge and the grid's refresh, during a paint or a search.
#include "clipboard/ClipboardActions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ClipboardFakes.h"

namespace pelorin {
namespace {

using test::Snapshot;
using test::Unicode;

// The one-letter texts the items are made of.
std::string TextOf(const TClipboardData& item) {
  std::string text;
  for (size_t i = 0; i + 1 < item.Items.at(0).Data.size(); i += 2)
    if (item.Items[0].Data[i] != 0) text += static_cast<char>(item.Items[0].Data[i]);
  return text;
}

struct FakeActionsPort : ClipboardActionsPort {
  std::function<void()> WhileAsking;  // what happens while the box is open
  bool Answer = true;
  int Asked = 0;
  std::vector<uint64_t> Put;
  int PutNewest = 0;

  bool ConfirmDeleteChecked() override {
    ++Asked;
    if (WhileAsking) WhileAsking();
    return Answer;
  }
  void PutOnClipboard(uint64_t id) override { Put.push_back(id); }
  void PutNewestOnClipboard() override { ++PutNewest; }
};

struct Rig {
  test::FakeCyrillicAnsi Ansi;
  TClipboardHistory History{Ansi};
  FakeActionsPort Port;
  TClipboardActions Actions{History, Port};
  TGridRows Rows;
  double Clock = 46000;

  // Items oldest first, by text; an upper-case letter is a checked item.
  explicit Rig(const std::string& items) {
    for (char c : items) {
      const bool checked = c >= 'A' && c <= 'Z';
      const char16_t letter = static_cast<char16_t>(checked ? c - 'A' + 'a' : c);
      History.AppendLoaded(Snapshot({Unicode(std::u16string(1, letter))}, Clock += 1, checked));
    }
    Rows.Reload(History);
  }
  // A copy captured by the worker, with the count limit it runs under.
  void Capture(char16_t letter, int maxUnchecked) {
    TClipboardData snapshot = Snapshot({Unicode(std::u16string(1, letter))});
    History.AddClipboardData(snapshot, {Clock += 1, maxUnchecked, 1000});
  }
  std::string Texts() const {
    std::string texts;
    History.ReadAll([&](int, const TClipboardData& item) {
      std::string t = TextOf(item);
      texts += item.Checked ? static_cast<char>(t[0] - 'a' + 'A') : t[0];
    });
    return texts;
  }
  uint64_t IdOf(char letter) const {
    for (uint64_t id : History.ItemIds()) {
      bool match = false;
      History.ReadById(id, [&](const TClipboardData& item, const TClipboardHistory::TItemView&) {
        match = TextOf(item)[0] == letter;
      });
      if (match) return id;
    }
    return 0;
  }
};

TEST(ClipboardActions, DeleteRemovesTheItemAskedAboutWhateverTheCapturesDidMeanwhile) {
  struct Case {
    const char* Name;
    std::string Items;  // oldest first; upper case = checked
    int Row;            // 0 = newest
    std::function<void(Rig&)> WhileAsking;
    bool Answer;
    std::string Left;  // the history afterwards, oldest first
    int Asked;
    int PutNewest;
    TClipboardActions::TDeleted Result;
  } cases[] = {
      {"a capture drops the oldest item: the rows shift by one", "aBcd", 2,
       [](Rig& r) { r.Capture(u'e', 1); }, true, "cde", 1, 0, TClipboardActions::TDeleted::Deleted},
      {"captures drop so many that the row's old index is past the end", "abcD", 0,
       [](Rig& r) { r.Capture(u'e', 0); }, true, "e", 1, 0, TClipboardActions::TDeleted::Deleted},
      {"the item asked about left the history meanwhile: nothing goes", "aBcd", 2,
       [](Rig& r) { r.History.DeleteById(r.IdOf('b')); }, true, "acd", 1, 0, TClipboardActions::TDeleted::Gone},
      {"No keeps everything, also what the capture brought", "aBcd", 2,
       [](Rig& r) { r.Capture(u'e', 1); }, false, "Bcde", 1, 0, TClipboardActions::TDeleted::Declined},
      {"the newest goes: the next one is put on the clipboard", "abC", 0, nullptr, true, "ab", 1, 1,
       TClipboardActions::TDeleted::Deleted},
      {"an unchecked item goes without a question", "abc", 1, nullptr, true, "ac", 0, 0,
       TClipboardActions::TDeleted::Deleted},
      {"a blank row deletes nothing", "", 0, nullptr, true, "", 0, 0, TClipboardActions::TDeleted::Gone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig(c.Items);
    rig.Port.Answer = c.Answer;
    if (c.WhileAsking) rig.Port.WhileAsking = [&] { c.WhileAsking(rig); };
    TClipboardActions::TDeleted result{};
    ASSERT_NO_THROW(result = rig.Actions.DeleteRow(rig.Rows, c.Row));
    EXPECT_EQ(rig.Texts(), c.Left);
    EXPECT_EQ(rig.Port.Asked, c.Asked);
    EXPECT_EQ(rig.Port.PutNewest, c.PutNewest);
    EXPECT_EQ(result, c.Result);
  }
}

TEST(ClipboardActions, APasteReachesTheItemItsRowShowedOrNothing) {
  // The grid still shows d c b a when captures have merged and the refresh is not through yet.
  Rig rig("abcd");
  rig.Capture(u'e', 2);  // drops a: b c d e
  ASSERT_NO_THROW(EXPECT_TRUE(rig.Actions.TakeRow(rig.Rows, 1, true)));
  ASSERT_EQ(rig.Port.Put.size(), 1u);
  EXPECT_EQ(rig.Port.Put[0], rig.IdOf('c')) << "row 1 showed c";
  EXPECT_EQ(rig.Texts(), "bdec");

  EXPECT_TRUE(rig.Actions.TakeRow(rig.Rows, 2, false)) << "a quick paste of b";
  EXPECT_EQ(rig.Port.Put.back(), rig.IdOf('b'));
  EXPECT_EQ(rig.Texts(), "bdec") << "a quick paste keeps the order";

  rig.Port.Put.clear();
  EXPECT_FALSE(rig.Actions.TakeRow(rig.Rows, 3, true)) << "row 3 showed a, which has left";
  EXPECT_FALSE(rig.Actions.TakeRow(rig.Rows, 4, true)) << "no such row";
  EXPECT_TRUE(rig.Port.Put.empty());
  EXPECT_EQ(rig.Texts(), "bdec");

  Rig blank("");
  EXPECT_TRUE(blank.Actions.TakeRow(blank.Rows, 0, true)) << "Enter on the blank row pastes an empty clipboard";
  EXPECT_EQ(blank.Port.PutNewest, 1);
}

TEST(ClipboardActions, TheCheckBoxTogglesItsOwnRowsItem) {
  Rig rig("abc");
  rig.Capture(u'd', 0);  // drops a and b: c d
  EXPECT_FALSE(rig.Actions.ToggleCheckedRow(rig.Rows, 2)) << "row 2 showed a";
  EXPECT_TRUE(rig.Actions.ToggleCheckedRow(rig.Rows, 0)) << "row 0 showed c";
  EXPECT_EQ(rig.Texts(), "Cd");
  EXPECT_TRUE(rig.Actions.ToggleCheckedRow(rig.Rows, 0));
  EXPECT_EQ(rig.Texts(), "cd");
}

TEST(ClipboardActions, APaintOrASearchReadsEachRowsOwnItemOrNothing) {
  Rig rig("abcdef");
  rig.Capture(u'g', 1);  // drops a .. d: e f g, while the grid shows f e d c b a
  std::string read;
  for (int row = 0; row < rig.Rows.Count() + 1; ++row) {
    bool found = false;
    ASSERT_NO_THROW(found = ReadGridRow(rig.History, rig.Rows, row, [&](const TClipboardData& item,
                                                                        const TClipboardHistory::TItemView&) {
      read += TextOf(item);
    }));
    if (!found) read += '-';
  }
  EXPECT_EQ(read, "fe-----") << "f and e as shown; rows of items gone are blank";
  rig.Rows.Reload(rig.History);
  read.clear();
  for (int row = 0; row < rig.Rows.Count(); ++row)
    ReadGridRow(rig.History, rig.Rows, row, [&](const TClipboardData& item, const TClipboardHistory::TItemView&) {
      read += TextOf(item);
    });
  EXPECT_EQ(read, "gfe") << "after the refresh";
}

}  // namespace
}  // namespace pelorin
