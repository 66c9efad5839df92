#include "tracked/Accessibility.h"

#include <gtest/gtest.h>

#include "FakeAccessible.h"

namespace pelorin {
namespace {

using test::FakeAccessibleObject;
using test::FakeAccNode;
using test::Node;
using Way = FakeAccNode::Way;

std::vector<std::wstring> ChildNames(FakeAccessibleObject& parent, size_t stopAfter = 1000) {
  std::vector<std::wstring> names;
  VisitAccessibleChildren(parent, [&](AccessibleObject& child) {
    names.push_back(child.Name().value_or(L"(none)"));
    return names.size() < stopAfter;
  });
  return names;
}

TEST(VisitAccessibleChildren, EachWayGivesTheChildrenInOrder) {
  for (Way way : {Way::List, Way::Enumerator, Way::Navigation}) {
    for (bool asIds : {false, true}) {
      auto root = Node(L"root", {{Node(L"Yes"), asIds}, {Node(L"No"), asIds}, {Node(L"Cancel"), asIds}}, way);
      FakeAccessibleObject parent(root);
      EXPECT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"Yes", L"No", L"Cancel"}))
          << "way " << static_cast<int>(way) << (asIds ? " by child numbers" : " by objects");
      EXPECT_EQ(FakeAccessibleObject::Live, 1) << "a child object was kept";
    }
  }
}

TEST(VisitAccessibleChildren, SimpleElementsAndFailingWaysYieldNothing) {
  // A child number without an object of its own is skipped; the next one is still visited.
  auto root = Node(L"root", {{nullptr, true}, {Node(L"No"), true}}, Way::List);
  FakeAccessibleObject withSimple(root);
  EXPECT_EQ(ChildNames(withSimple), std::vector<std::wstring>{L"No"});

  // None of the three ways works: no child, no crash.
  FakeAccessibleObject none(Node(L"root", {{Node(L"No")}}, Way::None));
  EXPECT_TRUE(ChildNames(none).empty());
  EXPECT_EQ(none.Navigations, 1) << "navigation is the last way tried";

  // A child count that fails or is 0 means no children, whatever the object holds.
  for (std::optional<int32_t> count : {std::optional<int32_t>(0), std::optional<int32_t>(-3)}) {
    auto n = Node(L"root", {{Node(L"No")}});
    n->Count = count;
    FakeAccessibleObject parent(n);
    EXPECT_TRUE(ChildNames(parent).empty());
  }
}

TEST(VisitAccessibleChildren, ListAndEnumeratorTakeNoMoreThanTheCount) {
  for (Way way : {Way::List, Way::Enumerator}) {
    auto n = Node(L"root", {{Node(L"a")}, {Node(L"b")}, {Node(L"c")}}, way);
    n->Count = 2;
    FakeAccessibleObject parent(n);
    EXPECT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"a", L"b"}));
  }
}

TEST(VisitAccessibleChildren, StopsWhenTheVisitorSaysSo) {
  for (Way way : {Way::List, Way::Enumerator, Way::Navigation}) {
    FakeAccessibleObject parent(Node(L"root", {{Node(L"a")}, {Node(L"b")}, {Node(L"c")}}, way));
    EXPECT_EQ(ChildNames(parent, 1), std::vector<std::wstring>{L"a"}) << "way " << static_cast<int>(way);
    EXPECT_FALSE(VisitAccessibleChildren(parent, [](AccessibleObject&) { return false; }));
    EXPECT_TRUE(VisitAccessibleChildren(parent, [](AccessibleObject&) { return true; }));
  }
}

TEST(VisitAccessibleChildren, NavigationThatGoesRoundInACircleEnds) {
  // The last child's successor is the first again: a damaged tree must not keep Pelorin busy.
  auto root = Node(L"root", {{Node(L"a"), true}, {Node(L"b"), true}}, Way::Navigation);
  class Circular final : public AccessibleObject {
   public:
    explicit Circular(test::FakeNodePtr n) : Inner(std::move(n)) {}
    std::optional<uint32_t> State() override { return 0u; }
    std::optional<std::wstring> Name() override { return L"root"; }
    std::optional<TRect> Location() override { return std::nullopt; }
    std::optional<int32_t> Role() override { return std::nullopt; }
    std::optional<int32_t> ChildCount() override { return 2; }
    std::optional<std::vector<TAccEntry>> ListChildren(int32_t) override { return std::nullopt; }
    bool EnumerateChildren(int32_t, const std::function<bool(TAccEntry&)>&) override { return false; }
    std::optional<TAccEntry> NavigateFirstChild() override { return Id(1); }
    std::optional<TAccEntry> NavigateNext(const TAccEntry& from) override { return Id(from.ChildId == 1 ? 2 : 1); }
    std::unique_ptr<AccessibleObject> Child(int32_t id) override { return Inner.Child(id); }
    bool DoDefaultAction() override { return false; }
    std::unique_ptr<AccessibleObject> Clone() override { return nullptr; }

   private:
    static TAccEntry Id(int32_t id) {
      TAccEntry e;
      e.Type = TAccEntry::Kind::ChildId;
      e.ChildId = id;
      return e;
    }
    FakeAccessibleObject Inner;
  } circular(root);
  size_t visits = 0;
  EXPECT_TRUE(VisitAccessibleChildren(circular, [&](AccessibleObject&) {
    ++visits;
    return true;
  }));
  EXPECT_EQ(visits, static_cast<size_t>(MaxAccessibleChildren));
}

}  // namespace
}  // namespace pelorin
