#include "tracked/TrackedPicker.h"

#include "tracked/TrackedCheck.h"
#include "tracked/TrackedMatch.h"

namespace pelorin {

namespace {

constexpr int32_t RoleAlert = 8;
constexpr int32_t RoleWindow = 9;
constexpr int32_t RoleApplication = 14;
constexpr int32_t RoleDialog = 18;

// Parent chains are the system's, but a bound keeps a broken one from looping.
constexpr int MaxAncestors = 256;

bool SameRect(const TRect& a, const TRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

bool StrictlyInside(const TRect& r, TPoint p) {
  return r.Left < p.X && p.X < r.Left + r.Width && r.Top < p.Y && p.Y < r.Top + r.Height;
}

std::string CutText(std::string text, size_t max) {
  if (text.size() > max) text.resize(max);
  return text;
}

// One walk of AccessibleTextAtPoint. The found object (whose role decides frame or control)
// starts as the root and is held as a clone once it is another object.
struct TAccWalk {
  const AnsiCodePagePort& Ansi;
  TPoint P;
  bool WantTop;
  AccessibleObject* Root;
  std::optional<TRect> RootRect;
  std::unique_ptr<AccessibleObject> Found;  // null: the root
  TAccessibleText Result;
  int Visits = 0;

  void Visit(AccessibleObject& object, int depth) {
    if (++Visits > MaxAccessibleVisits) return;
    const std::optional<uint32_t> state = object.State();
    if (!state) return;
    if ((*state & AccState::Invisible) == 0) {
      const std::optional<TRect> where = object.Location();
      const std::optional<std::wstring> name = where ? object.Name() : std::nullopt;
      if (name && StrictlyInside(*where, P) && (WantTop || &object != Root)) {
        if (!RootRect || !SameRect(*where, *RootRect)) Found = &object == Root ? nullptr : object.Clone();
        Result.Rect = *where;
        Result.Name = CutText(Ansi.ToAnsi(*name), TrackedTextMax);
      }
    }
    if (WantTop || depth >= MaxAccessibleDepth) return;
    VisitAccessibleChildren(object, [&](AccessibleObject& child) {
      Visit(child, depth + 1);
      return Visits <= MaxAccessibleVisits;
    });
  }
};

}  // namespace

bool IsFrameRole(int32_t role) {
  return role == RoleAlert || role == RoleWindow || role == RoleApplication || role == RoleDialog;
}

TAccessibleText AccessibleTextAtPoint(AccessibilityPort& accessibility, const AnsiCodePagePort& ansi,
                                      TWindowHandle window, TPoint p, bool wantTop) {
  std::unique_ptr<AccessibleObject> root = accessibility.FromWindow(window);
  if (!root) return {};
  TAccWalk walk{ansi, p, wantTop, root.get(), root->Location(), nullptr, {}};
  walk.Visit(*root, 1);
  AccessibleObject& found = walk.Found ? *walk.Found : *root;
  const std::optional<int32_t> role = found.Role();
  walk.Result.FrameLike = role && IsFrameRole(*role);
  return walk.Result;
}

std::optional<TPickResult> PickAt(PickerWindowsPort& windows, AccessibilityPort& accessibility,
                                  const AnsiCodePagePort& ansi, TPoint p, TPickerMode mode) {
  if (mode == pmNone) return std::nullopt;
  TWindowHandle w = windows.WindowFromPoint(p);
  if (w == 0 || !windows.IsVisible(w)) return std::nullopt;
  const bool frameMode = mode == pmTitle || mode == pmSize;

  std::string text = windows.WindowText(w);
  bool byAccessibility = false;
  bool frameLike = false;
  TRect accRect;
  if (text.empty()) {
    TAccessibleText acc = AccessibleTextAtPoint(accessibility, ansi, w, p, frameMode);
    if (!acc.Name.empty()) {
      text = std::move(acc.Name);
      byAccessibility = true;
      accRect = acc.Rect;
    }
    frameLike = frameMode || acc.FrameLike;
    if (text.empty()) {
      if (mode == pmInnerText) {
        text = std::string(ClassNamePrefix) + CutText(windows.ClassName(w), ClassNameMax);
      } else if (mode == pmButton) {
        // A textless child is part of something bigger: the offset is taken in its parent.
        if (TWindowHandle parent = windows.Parent(w); parent != 0) w = parent;
      }
    }
  }
  NormalizeCaption(text);
  if (!byAccessibility) frameLike = windows.IsFrameLike(w);
  // A frame is no button: its offset is taken instead.
  if (frameLike && mode == pmButton) text.clear();
  if (!byAccessibility && frameMode && !frameLike) {
    TWindowHandle a = windows.Parent(w);
    for (int i = 0; a != 0 && i < MaxAncestors; ++i, a = windows.Parent(a)) {
      if (!windows.IsFrameLike(a)) continue;
      w = a;
      text = windows.WindowText(a);
      NormalizeCaption(text);
      frameLike = true;
      break;
    }
  }

  auto frameOf = [&]() -> std::optional<TRect> {
    if (byAccessibility) return accRect;
    return windows.WindowRect(w);
  };
  TPickResult result;
  result.Mode = mode;
  if (!text.empty()) {
    if ((frameMode && !frameLike) || (mode == pmInnerText && frameLike)) return std::nullopt;
    const std::optional<TRect> r = frameOf();
    if (!r) return std::nullopt;
    result.Frame = *r;
    result.Text = mode == pmSize ? SizeText(*r) : std::move(text);
    return result;
  }
  if (frameLike && mode == pmButton) {
    const std::optional<TRect> r = frameOf();
    if (!r) return std::nullopt;
    result.Frame = *r;
    result.Text = std::to_string(p.X - r->Left) + "x" + std::to_string(p.Y - r->Top);
    result.IsOffset = true;
    return result;
  }
  return std::nullopt;
}

void TPickFrame::Update(const TRect& r, PickFramePort& screen) {
  if (Last && SameRect(*Last, r)) return;
  if (Last) screen.DrawXorFrame(*Last);
  screen.DrawXorFrame(r);
  Last = r;
  screen.RepaintPage();
}

void TPickFrame::Erase(PickFramePort& screen) {
  if (!Last) return;
  screen.DrawXorFrame(*Last);
  Last.reset();
  screen.RepaintPage();
}

void TTrackedPicker::BeginDrag(TPickerMode mode) {
  FFrame.Reset();
  L.Shared.PickerPoint.Store(NoPickerPoint);
  L.Shared.PickerMode.store(mode, std::memory_order_relaxed);
}

std::optional<TPickResult> TTrackedPicker::Step() {
  // Taken before it is looked at: a point the hook records while the windows are read (a
  // cross-process accessibility call lets the hooks run) waits for the next step.
  const TPoint p = L.Shared.PickerPoint.Exchange(NoPickerPoint);
  const auto mode = static_cast<TPickerMode>(L.Shared.PickerMode.load(std::memory_order_relaxed));
  if (p.X == NoPickerX || mode == pmNone) return std::nullopt;
  std::optional<TPickResult> result = PickAt(L.Windows, L.Accessibility, L.Ansi, p, mode);
  if (result) FFrame.Update(result->Frame, L.Screen);
  return result;
}

void TTrackedPicker::EndDrag() {
  L.Shared.PickerMode.store(pmNone, std::memory_order_relaxed);
  L.Shared.PickerPoint.Store(NoPickerPoint);
  FFrame.Erase(L.Screen);
}

}  // namespace pelorin
