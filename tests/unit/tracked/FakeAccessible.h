#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tracked/Accessibility.h"

namespace pelorin::test {

// A node of a fake accessibility tree. Its children are handed out by one of the three ways
// (the others fail), each child as a number or as an object.
struct FakeAccNode {
  enum class Way { List, Enumerator, Navigation, None };
  struct Link {
    std::shared_ptr<FakeAccNode> Node;  // null: a simple element, no object of its own
    bool AsChildId = false;
  };

  std::optional<uint32_t> State = 0u;
  std::optional<std::wstring> Name;
  std::optional<TRect> Location;
  std::optional<int32_t> Role;
  std::optional<int32_t> Count;  // the child count answered; the number of children when unset
  Way ChildrenBy = Way::List;
  std::vector<Link> Children;
  int DefaultActions = 0;
  bool DefaultActionFails = false;
};

using FakeNodePtr = std::shared_ptr<FakeAccNode>;

inline FakeNodePtr Node(std::optional<std::wstring> name, std::vector<FakeAccNode::Link> children = {},
                        FakeAccNode::Way way = FakeAccNode::Way::List) {
  auto n = std::make_shared<FakeAccNode>();
  n->Name = std::move(name);
  n->Children = std::move(children);
  n->ChildrenBy = way;
  return n;
}

// Every object handed out counts itself while it lives: a test sees that none is kept.
class FakeAccessibleObject final : public AccessibleObject {
 public:
  static inline int Live = 0;

  explicit FakeAccessibleObject(FakeNodePtr node) : N(std::move(node)) { ++Live; }
  ~FakeAccessibleObject() override { --Live; }

  const FakeNodePtr& NodeOf() const { return N; }

  std::optional<uint32_t> State() override { return N->State; }
  std::optional<std::wstring> Name() override { return N->Name; }
  std::optional<TRect> Location() override { return N->Location; }
  std::optional<int32_t> Role() override { return N->Role; }
  std::optional<int32_t> ChildCount() override {
    return N->Count ? *N->Count : static_cast<int32_t>(N->Children.size());
  }
  std::optional<std::vector<TAccEntry>> ListChildren(int32_t count) override {
    if (N->ChildrenBy != FakeAccNode::Way::List) return std::nullopt;
    std::vector<TAccEntry> out;
    for (size_t i = 0; i < N->Children.size() && static_cast<int32_t>(i) < count; ++i) out.push_back(Entry(i));
    return out;
  }
  bool EnumerateChildren(int32_t count, const std::function<bool(TAccEntry&)>& each) override {
    if (N->ChildrenBy != FakeAccNode::Way::Enumerator) return false;
    for (size_t i = 0; i < N->Children.size() && static_cast<int32_t>(i) < count; ++i) {
      TAccEntry e = Entry(i);
      if (!each(e)) break;
    }
    return true;
  }
  std::optional<TAccEntry> NavigateFirstChild() override {
    ++Navigations;
    if (N->ChildrenBy != FakeAccNode::Way::Navigation || N->Children.empty()) return std::nullopt;
    return Entry(0);
  }
  std::optional<TAccEntry> NavigateNext(const TAccEntry& from) override {
    ++Navigations;
    if (N->ChildrenBy != FakeAccNode::Way::Navigation) return std::nullopt;
    for (size_t i = 0; i + 1 < N->Children.size(); ++i)
      if (Same(from, i)) return Entry(i + 1);
    return std::nullopt;
  }
  std::unique_ptr<AccessibleObject> Child(int32_t childId) override {
    if (childId < 1 || static_cast<size_t>(childId) > N->Children.size()) return nullptr;
    const FakeNodePtr& child = N->Children[static_cast<size_t>(childId - 1)].Node;
    return child ? std::make_unique<FakeAccessibleObject>(child) : nullptr;
  }
  bool DoDefaultAction() override {
    ++N->DefaultActions;
    return !N->DefaultActionFails;
  }

  std::unique_ptr<AccessibleObject> Clone() override { return std::make_unique<FakeAccessibleObject>(N); }

  int Navigations = 0;

 private:
  // Child numbers count from 1, as the system's do.
  TAccEntry Entry(size_t i) const {
    TAccEntry e;
    const FakeAccNode::Link& link = N->Children[i];
    if (link.AsChildId || !link.Node) {
      e.Type = TAccEntry::Kind::ChildId;
      e.ChildId = static_cast<int32_t>(i + 1);
    } else {
      e.Type = TAccEntry::Kind::Object;
      e.Object = std::make_unique<FakeAccessibleObject>(link.Node);
    }
    return e;
  }
  bool Same(const TAccEntry& e, size_t i) const {
    if (e.Type == TAccEntry::Kind::ChildId) return e.ChildId == static_cast<int32_t>(i + 1);
    return e.Type == TAccEntry::Kind::Object &&
           static_cast<const FakeAccessibleObject&>(*e.Object).NodeOf() == N->Children[i].Node;
  }

  FakeNodePtr N;
};

}  // namespace pelorin::test
