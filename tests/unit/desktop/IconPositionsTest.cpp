#include "desktop/IconPositions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

// A desktop list: its icons in list order, the moves it was asked for, and an icon that
// cannot be read.
struct FakeList : DesktopListPort {
  std::vector<TDesktopIcon> Icons;
  std::vector<std::wstring> Moves;
  int Unreadable = -1;
  int ItemCount() override { return static_cast<int>(Icons.size()); }
  std::optional<TDesktopIcon> ReadItem(int index) override {
    if (index == Unreadable) return std::nullopt;
    return Icons[static_cast<size_t>(index)];
  }
  void MoveItem(int index, int32_t x, int32_t y) override {
    Icons[static_cast<size_t>(index)].X = x;
    Icons[static_cast<size_t>(index)].Y = y;
    Moves.push_back(Icons[static_cast<size_t>(index)].Caption + L" " + std::to_wstring(x) + L"," + std::to_wstring(y));
  }
};

FakeList Desktop(std::vector<TDesktopIcon> icons) {
  FakeList list;
  list.Icons = std::move(icons);
  return list;
}

TEST(SaveIconPositions, EveryIconInListOrderAfterABar) {
  FakeList list = Desktop({{L"Recycle Bin", 10, 20}, {L"My Files", 10, 110}, {L"Far", -1200, 2000000}});
  EXPECT_EQ(SaveIconPositions(list), L"|Recycle Bin|10|20|My Files|10|110|Far|-1200|2000000");
  FakeList empty;
  EXPECT_EQ(SaveIconPositions(empty), L"") << "no icons, nothing saved";
  list.Unreadable = 1;
  EXPECT_EQ(SaveIconPositions(list), std::nullopt) << "a desktop read halfway is not a save";
}

TEST(RestoreIconPositions, Cases) {
  struct Case {
    const char* Name;
    std::vector<TDesktopIcon> Now;
    std::wstring Saved;
    std::vector<std::wstring> Moves;
    bool Moved, Failed;
  } cases[] = {
      {"all in place: only the icon saved last is set again",
       {{L"A", 10, 20}, {L"B", 10, 110}}, L"|A|10|20|B|10|110", {L"B 10,110"}, true, false},
      {"moved icons go back",
       {{L"A", 300, 20}, {L"B", 10, 999}}, L"|A|10|20|B|10|110", {L"A 10,20", L"B 10,110"}, true, false},
      {"an icon of a doubled caption in place keeps its record from the other",
       {{L"Doc", 10, 20}, {L"Doc", 0, 0}, {L"Z", 1, 1}}, L"|Doc|10|20|Doc|10|110|Z|1|1",
       {L"Doc 10,110", L"Z 1,1"}, true, false},
      {"two icons of one caption take the saved records in order",
       {{L"Doc", 0, 0}, {L"Doc", 0, 0}}, L"|Doc|10|20|Doc|10|110", {L"Doc 10,20", L"Doc 10,110"}, true, false},
      {"an icon added after saving keeps its place",
       {{L"New", 500, 500}, {L"A", 1, 1}}, L"|A|10|20", {L"A 10,20"}, true, false},
      {"a saved icon that is gone is skipped",
       {{L"B", 1, 1}}, L"|A|10|20|B|10|110", {L"B 10,110"}, true, false},
      {"captions are compared exactly",
       {{L"a", 1, 1}}, L"|A|10|20", {}, true, false},
      {"left of and above the primary monitor, and far away",
       {{L"L", 0, 0}, {L"R", 0, 0}}, L"|L|-1920|-40|R|70000|2147483647", {L"L -1920,-40", L"R 70000,2147483647"},
       true, false},
      {"a malformed coordinate fails; earlier moves stay",
       {{L"A", 0, 0}, {L"B", 0, 0}}, L"|A|10|20|B|1x|5", {L"A 10,20"}, true, true},
      {"a coordinate beyond 32 bits fails", {{L"A", 0, 0}}, L"|A|2147483648|0", {}, true, true},
      {"a record cut short fails", {{L"A", 0, 0}}, L"|A|10", {}, true, true},
      {"nothing saved, nothing moved", {{L"A", 0, 0}}, L"", {}, true, false},
      {"no icons", {}, L"|A|10|20", {}, false, false},
  };
  for (Case& c : cases) {
    FakeList list = Desktop(c.Now);
    TRestoreResult result = RestoreIconPositions(list, c.Saved);
    EXPECT_EQ(list.Moves, c.Moves) << c.Name;
    EXPECT_EQ(result.Moved, c.Moved) << c.Name;
    EXPECT_EQ(result.Failed, c.Failed) << c.Name;
  }
}

TEST(RestoreIconPositions, WhatWasSavedComesBackWhateverTheOrderOfTheList) {
  FakeList list = Desktop({{L"A", 10, 20}, {L"B", -300, 40}, {L"A", 50, 60}});
  const std::wstring saved = *SaveIconPositions(list);
  list.Icons = {{L"B", 1, 1}, {L"A", 2, 2}, {L"A", 3, 3}};
  RestoreIconPositions(list, saved);
  EXPECT_EQ(*SaveIconPositions(list), L"|B|-300|40|A|10|20|A|50|60");
}

TEST(AutoRestoreIconPositions, ASecondPassOnlyWhenTheFirstMovedSomething) {
  FakeList list = Desktop({{L"A", 0, 0}, {L"B", 0, 0}});
  EXPECT_TRUE(AutoRestoreIconPositions(list, L"|A|10|20|B|10|110").Moved);
  EXPECT_EQ(list.Moves, (std::vector<std::wstring>{L"A 10,20", L"B 10,110", L"B 10,110"}));
  FakeList none = Desktop({{L"C", 0, 0}});
  none.Icons.clear();
  EXPECT_FALSE(AutoRestoreIconPositions(none, L"|A|10|20").Moved);
  EXPECT_TRUE(none.Moves.empty());
}

}  // namespace
}  // namespace pelorin
