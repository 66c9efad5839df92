#include "tracked/Accessibility.h"

#include <algorithm>

namespace pelorin {

bool VisitAccessibleChildren(AccessibleObject& parent, const std::function<bool(AccessibleObject&)>& visit) {
  const std::optional<int32_t> count = parent.ChildCount();
  if (!count || *count <= 0) return true;
  const int32_t n = std::min(*count, MaxAccessibleChildren);

  // Child numbers become objects of their own; a simple element (no object) is not examined.
  auto visitEntry = [&](TAccEntry& e) {
    switch (e.Type) {
      case TAccEntry::Kind::Object:
        return e.Object ? visit(*e.Object) : true;
      case TAccEntry::Kind::ChildId: {
        std::unique_ptr<AccessibleObject> child = parent.Child(e.ChildId);
        return child ? visit(*child) : true;
      }
      case TAccEntry::Kind::Other:
        break;
    }
    return true;
  };

  if (std::optional<std::vector<TAccEntry>> list = parent.ListChildren(n)) {
    for (TAccEntry& e : *list)
      if (!visitEntry(e)) return false;
    return true;
  }

  bool stopped = false;
  if (parent.EnumerateChildren(n, [&](TAccEntry& e) {
        stopped = !visitEntry(e);
        return !stopped;
      }))
    return !stopped;

  std::optional<TAccEntry> e = parent.NavigateFirstChild();
  for (int32_t steps = 0; e && steps < MaxAccessibleChildren; ++steps) {
    if (!visitEntry(*e)) return false;
    e = parent.NavigateNext(*e);
  }
  return true;
}

}  // namespace pelorin
