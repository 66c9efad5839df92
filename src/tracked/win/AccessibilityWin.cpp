#include "tracked/win/AccessibilityWin.h"

namespace pelorin {

namespace {

// Not IID_IAccessible: liboleacc.a exports a symbol of that name that is the import thunk of
// the DLL, not the GUID, and whichever library the linker meets first wins.
const IID& AccessibleIid() { return __uuidof(IAccessible); }

VARIANT SelfId() {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

std::unique_ptr<AccessibleObject> AccessibleOf(IUnknown* unknown) {
  if (unknown == nullptr) return nullptr;
  IAccessible* acc = nullptr;
  if (unknown->QueryInterface(AccessibleIid(), reinterpret_cast<void**>(&acc)) != S_OK || acc == nullptr)
    return nullptr;
  TComPtr<IAccessible> owned;
  owned.Attach(acc);
  return std::make_unique<TWinAccessibleObject>(std::move(owned));
}

// Clears what a call left in its output when it did not succeed, so nothing it holds leaks.
void Discard(VARIANT& v) { ::VariantClear(&v); }

}  // namespace

TAccEntry TakeAccEntry(VARIANT& v) {
  TAccEntry e;
  if (v.vt == VT_I4) {
    e.Type = TAccEntry::Kind::ChildId;
    e.ChildId = v.lVal;
  } else if (v.vt == VT_DISPATCH) {
    if (std::unique_ptr<AccessibleObject> object = AccessibleOf(v.pdispVal)) {
      e.Type = TAccEntry::Kind::Object;
      e.Object = std::move(object);
    }
  }
  ::VariantClear(&v);
  return e;
}

std::optional<uint32_t> TWinAccessibleObject::State() {
  VARIANT state;
  ::VariantInit(&state);
  if (Object->get_accState(SelfId(), &state) != S_OK || state.vt != VT_I4) {
    Discard(state);
    return std::nullopt;
  }
  return static_cast<uint32_t>(state.lVal);
}

std::optional<std::wstring> TWinAccessibleObject::Name() {
  BSTR name = nullptr;
  const HRESULT hr = Object->get_accName(SelfId(), &name);
  std::optional<std::wstring> result;
  if (hr == S_OK) result = name != nullptr ? std::wstring(name, ::SysStringLen(name)) : std::wstring();
  ::SysFreeString(name);
  return result;
}

std::optional<TRect> TWinAccessibleObject::Location() {
  LONG left = 0, top = 0, width = 0, height = 0;
  if (Object->accLocation(&left, &top, &width, &height, SelfId()) != S_OK) return std::nullopt;
  return TRect{left, top, width, height};
}

std::optional<int32_t> TWinAccessibleObject::Role() {
  VARIANT role;
  ::VariantInit(&role);
  if (Object->get_accRole(SelfId(), &role) != S_OK || role.vt != VT_I4) {
    Discard(role);
    return std::nullopt;
  }
  return role.lVal;
}

std::optional<int32_t> TWinAccessibleObject::ChildCount() {
  LONG count = 0;
  if (Object->get_accChildCount(&count) != S_OK) return std::nullopt;
  return count;
}

std::optional<std::vector<TAccEntry>> TWinAccessibleObject::ListChildren(int32_t count) {
  if (count <= 0) return std::nullopt;
  std::vector<VARIANT> raw(static_cast<size_t>(count));
  for (VARIANT& v : raw) ::VariantInit(&v);
  LONG obtained = 0;
  const HRESULT hr = ::AccessibleChildren(Object.Get(), 0, count, raw.data(), &obtained);
  const size_t filled = obtained < 0 ? 0 : std::min(static_cast<size_t>(obtained), raw.size());
  if (hr != S_OK) {
    // S_FALSE hands out fewer entries than asked for; they still hold references.
    for (size_t i = 0; i < filled; ++i) Discard(raw[i]);
    return std::nullopt;
  }
  std::vector<TAccEntry> entries;
  entries.reserve(filled);
  for (size_t i = 0; i < filled; ++i) entries.push_back(TakeAccEntry(raw[i]));
  return entries;
}

bool TWinAccessibleObject::EnumerateChildren(int32_t count, const std::function<bool(TAccEntry&)>& each) {
  IEnumVARIANT* raw = nullptr;
  if (Object->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&raw)) != S_OK || raw == nullptr)
    return false;
  TComPtr<IEnumVARIANT> enumerator;
  enumerator.Attach(raw);
  for (int32_t i = 0; i < count; ++i) {
    VARIANT v;
    ::VariantInit(&v);
    ULONG fetched = 0;
    if (enumerator->Next(1, &v, &fetched) != S_OK || fetched != 1) {
      Discard(v);
      continue;
    }
    TAccEntry e = TakeAccEntry(v);
    if (!each(e)) break;
  }
  return true;
}

std::optional<TAccEntry> TWinAccessibleObject::NavigateFirstChild() {
  VARIANT next;
  ::VariantInit(&next);
  if (Object->accNavigate(NAVDIR_FIRSTCHILD, SelfId(), &next) != S_OK ||
      (next.vt != VT_I4 && next.vt != VT_DISPATCH)) {
    Discard(next);
    return std::nullopt;
  }
  return TakeAccEntry(next);
}

std::optional<TAccEntry> TWinAccessibleObject::NavigateNext(const TAccEntry& from) {
  VARIANT start;
  ::VariantInit(&start);
  if (from.Type == TAccEntry::Kind::ChildId) {
    start.vt = VT_I4;
    start.lVal = from.ChildId;
  } else if (from.Type == TAccEntry::Kind::Object && from.Object) {
    // The entry as it came: the object itself. No reference is added, none is released.
    start.vt = VT_DISPATCH;
    start.pdispVal = static_cast<TWinAccessibleObject&>(*from.Object).Get();
  } else {
    return std::nullopt;
  }
  VARIANT next;
  ::VariantInit(&next);
  if (Object->accNavigate(NAVDIR_NEXT, start, &next) != S_OK || (next.vt != VT_I4 && next.vt != VT_DISPATCH)) {
    Discard(next);
    return std::nullopt;
  }
  return TakeAccEntry(next);
}

std::unique_ptr<AccessibleObject> TWinAccessibleObject::Child(int32_t childId) {
  VARIANT id;
  ::VariantInit(&id);
  id.vt = VT_I4;
  id.lVal = childId;
  IDispatch* dispatch = nullptr;
  const HRESULT hr = Object->get_accChild(id, &dispatch);
  TComPtr<IDispatch> owned;
  owned.Attach(dispatch);
  if (hr != S_OK) return nullptr;
  return AccessibleOf(owned.Get());
}

bool TWinAccessibleObject::DoDefaultAction() { return Object->accDoDefaultAction(SelfId()) == S_OK; }

std::unique_ptr<AccessibleObject> TWinAccessibleObject::Clone() {
  Object->AddRef();
  TComPtr<IAccessible> again;
  again.Attach(Object.Get());
  return std::make_unique<TWinAccessibleObject>(std::move(again));
}

std::unique_ptr<AccessibleObject> TWinAccessibility::FromWindow(TWindowHandle window) {
  // The object comes from the window's own thread: one the system already takes for hung
  // would hold up the GUI thread, which runs the hooks.
  if (::IsHungAppWindow(reinterpret_cast<HWND>(window))) return nullptr;
  if (!Apartment) Apartment.emplace(COINIT_APARTMENTTHREADED);
  IAccessible* raw = nullptr;
  if (::AccessibleObjectFromWindow(reinterpret_cast<HWND>(window), static_cast<DWORD>(OBJID_WINDOW), AccessibleIid(),
                                   reinterpret_cast<void**>(&raw)) != S_OK ||
      raw == nullptr)
    return nullptr;
  TComPtr<IAccessible> owned;
  owned.Attach(raw);
  return std::make_unique<TWinAccessibleObject>(std::move(owned));
}

}  // namespace pelorin
