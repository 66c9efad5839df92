#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/SharedState.h"
#include "common/AtomicPoint.h"

namespace pelorin {

// Bits of an accessible object's state (the Win32 STATE_SYSTEM_ values).
namespace AccState {
inline constexpr uint32_t Invisible = 0x8000;
inline constexpr uint32_t Offscreen = 0x10000;
}  // namespace AccState

class AccessibleObject;

// One entry of an object's children as the system hands it out: a child number, to be turned
// into an object, or an object already. Entries of any other kind are kept as Other so that
// the order of the rest stays intact, and are never examined.
struct TAccEntry {
  enum class Kind : uint8_t { Other, ChildId, Object };
  Kind Type = Kind::Other;
  int32_t ChildId = 0;                      // when Type is ChildId
  std::unique_ptr<AccessibleObject> Object;  // when Type is Object (never null then)
};

// One accessible object (its CHILDID_SELF side). Owning the object owns its reference to the
// system's object: destroying it releases that. Every call answers "nothing" (nullopt, false,
// null) unless the system call it stands for succeeded in full.
class AccessibleObject {
 public:
  virtual ~AccessibleObject() = default;

  virtual std::optional<uint32_t> State() = 0;
  virtual std::optional<std::wstring> Name() = 0;
  // Screen rectangle: left, top, width, height.
  virtual std::optional<TRect> Location() = 0;
  virtual std::optional<int32_t> Role() = 0;
  virtual std::optional<int32_t> ChildCount() = 0;

  // The three ways to the children, in the order the visitor tries them.
  // 1. All count entries at once (AccessibleChildren); nullopt when that call fails.
  virtual std::optional<std::vector<TAccEntry>> ListChildren(int32_t count) = 0;
  // 2. The object's enumerator, if it has one: false when it has none; otherwise each entry
  //    fetched by count single steps (a step that fetches nothing hands out no entry).
  virtual bool EnumerateChildren(int32_t count, const std::function<bool(TAccEntry&)>& each) = 0;
  // 3. Navigation: the first child, then the one after a given entry; nullopt when the call fails.
  virtual std::optional<TAccEntry> NavigateFirstChild() = 0;
  virtual std::optional<TAccEntry> NavigateNext(const TAccEntry& from) = 0;

  // The object of a child number; null when the child is a simple element or the call fails.
  virtual std::unique_ptr<AccessibleObject> Child(int32_t childId) = 0;

  virtual bool DoDefaultAction() = 0;

  // One more owner of the same system object, so that a visited object can be kept after the
  // visitor lets go of it; null when that fails.
  virtual std::unique_ptr<AccessibleObject> Clone() = 0;
};

// The system's side: the accessible object of a window (OBJID_WINDOW); null when there is none.
struct AccessibilityPort {
  virtual ~AccessibilityPort() = default;
  virtual std::unique_ptr<AccessibleObject> FromWindow(TWindowHandle window) = 0;
};

// Bounds on what a foreign process can make Pelorin walk: a child count beyond this is taken
// as this many, and navigation stops after this many steps, so a damaged or cyclic tree ends.
inline constexpr int32_t MaxAccessibleChildren = 4096;

// Visits the child objects of parent in order: AccessibleChildren when it succeeds, else the
// enumerator when the object has one, else navigation from the first child on. A child number
// is turned into its object; entries that yield no object are skipped. visit gets each child
// object (the visitor keeps ownership until visit returns) and answers whether to go on.
// Returns false when visit stopped the walk, true otherwise (no children, or all seen).
bool VisitAccessibleChildren(AccessibleObject& parent, const std::function<bool(AccessibleObject&)>& visit);

}  // namespace pelorin
