#pragma once
#include <windows.h>
#include <oleacc.h>

#include <optional>

#include "common/win/Com.h"
#include "tracked/Accessibility.h"

namespace pelorin {

// An IAccessible seen from its CHILDID_SELF side. Owns one reference.
class TWinAccessibleObject final : public AccessibleObject {
 public:
  explicit TWinAccessibleObject(TComPtr<IAccessible> object) : Object(std::move(object)) {}

  IAccessible* Get() const { return Object.Get(); }

  std::optional<uint32_t> State() override;
  std::optional<std::wstring> Name() override;
  std::optional<TRect> Location() override;
  std::optional<int32_t> Role() override;
  std::optional<int32_t> ChildCount() override;
  std::optional<std::vector<TAccEntry>> ListChildren(int32_t count) override;
  bool EnumerateChildren(int32_t count, const std::function<bool(TAccEntry&)>& each) override;
  std::optional<TAccEntry> NavigateFirstChild() override;
  std::optional<TAccEntry> NavigateNext(const TAccEntry& from) override;
  std::unique_ptr<AccessibleObject> Child(int32_t childId) override;
  bool DoDefaultAction() override;
  std::unique_ptr<AccessibleObject> Clone() override;

 private:
  TComPtr<IAccessible> Object;
};

// AccessibleObjectFromWindow(OBJID_WINDOW); nothing for a window whose program the system
// takes for hung. The first call enters a single-threaded apartment, left when this object
// goes: COM loads only once a tracked window is looked at, and this object is used and
// destroyed in one thread, as are the objects it hands out.
class TWinAccessibility final : public AccessibilityPort {
 public:
  std::unique_ptr<AccessibleObject> FromWindow(TWindowHandle window) override;

 private:
  std::optional<TComApartment> Apartment;
};

// Turns one VARIANT handed out by the system into an entry and clears the VARIANT, so that
// every reference it held is released (the entry keeps its own).
TAccEntry TakeAccEntry(VARIANT& v);

}  // namespace pelorin
