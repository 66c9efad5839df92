#include "tracked/TrackedCheck.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "tracked/TrackedMatch.h"

namespace pelorin {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void CutToBuffer(std::string& text) {
  if (text.size() > TrackedTextMax) text.resize(TrackedTextMax);
}

}  // namespace

std::string SizeText(const TRect& r) { return std::to_string(r.Width) + "x" + std::to_string(r.Height); }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::optional<TPoint> ParseClickOffset(std::wstring_view text) {
  const size_t x = text.find(L'x');
  if (x == std::wstring_view::npos) return std::nullopt;
  const std::wstring_view left = text.substr(0, x);
  const std::wstring_view right = text.substr(x + 1);
  // Nine digits at most keep the sum with a window position inside 32 bits.
  if (left.empty() || left.size() > 9 || right.empty()) return std::nullopt;
  for (wchar_t c : left)
    if (!IsDigit(c)) return std::nullopt;
  for (wchar_t c : right)
    if (!IsDigit(c)) return std::nullopt;
  TPoint p;
  for (wchar_t c : left) p.X = p.X * 10 + (c - L'0');
  for (wchar_t c : right.substr(0, 4)) p.Y = p.Y * 10 + (c - L'0');
  return p;
}

std::string TTrackedCheck::Ansi(std::wstring_view text) const { return L.Ansi.ToAnsi(text); }

TTrackedCheck::TAccessibleName TTrackedCheck::AccessibleWindowName(TWindowHandle window) {
  TAccessibleName result;
  std::unique_ptr<AccessibleObject> object = L.Accessibility.FromWindow(window);
  if (!object) return result;
  const std::optional<TRect> where = object->Location();
  if (!where) return result;
  const std::optional<std::wstring> name = object->Name();
  if (!name) return result;
  result.Name = Ansi(*name);
  CutToBuffer(result.Name);
  result.Rect = *where;
  return result;
}

bool TTrackedCheck::MatchText(const std::string& text) {
  if (!FPendingInner.empty() && WildcardMatch(FPendingInner, text)) {
    FPendingInner.clear();  // an inner text is never the button as well
    return false;
  }
  if (!FPendingButton.empty() && WildcardMatch(FPendingButton, text)) {
    FPendingButton.clear();
    return true;
  }
  return false;
}

bool TTrackedCheck::CheckChildWindow(TWindowHandle child) {
  if (!L.Windows.IsVisible(child)) return true;
  const std::optional<TRect> r = L.Windows.WindowRect(child);
  if (!r) return true;
  const TRect& t = FTrackedRect;
  const int64_t right = int64_t{t.Left} + t.Width, bottom = int64_t{t.Top} + t.Height;
  if (r->Left < t.Left || r->Left >= right || r->Top < t.Top || r->Top >= bottom) return true;

  std::string text = L.Windows.WindowText(child);
  CutToBuffer(text);
  if (text.empty() && !FPendingInner.empty()) {
    std::string cls = L.Windows.ClassName(child);
    if (cls.size() > ClassNameMax) cls.resize(ClassNameMax);
    text = std::string(ClassNamePrefix) + cls;
  }
  NormalizeCaption(text);
  if (MatchText(text)) FFoundButtonWnd = child;
  return Pending();
}

void TTrackedCheck::VisitAccessible(AccessibleObject& object, int depth, std::unique_ptr<AccessibleObject>& found) {
  if (!Pending() || ++Visits > MaxAccessibleVisits) return;
  const std::optional<uint32_t> state = object.State();
  if (!state) return;
  if ((*state & (AccState::Invisible | AccState::Offscreen)) == 0) {
    if (std::optional<std::wstring> name = object.Name()) {
      std::string text = Ansi(*name);
      CutToBuffer(text);
      NormalizeCaption(text);
      if (MatchText(text)) found = object.Clone();
    }
  }
  if (!Pending() || depth >= MaxAccessibleDepth) return;
  VisitAccessibleChildren(object, [&](AccessibleObject& child) {
    VisitAccessible(child, depth + 1, found);
    return Pending() && Visits <= MaxAccessibleVisits;
  });
}

std::unique_ptr<AccessibleObject> TTrackedCheck::FindTextsByAccessibility(TWindowHandle window) {
  std::unique_ptr<AccessibleObject> found;
  std::unique_ptr<AccessibleObject> root = L.Accessibility.FromWindow(window);
  if (!root) return found;
  Visits = 0;
  VisitAccessible(*root, 0, found);
  return found;
}

bool TTrackedCheck::MatchRow(const TTrackedWindowRow& row) {
  const TWindowHandle candidate = L.Shared.TrackCandidate.load(std::memory_order_relaxed);
  FPendingInner = Ansi(row.InnerText);
  FPendingButton = row.IsButton ? Ansi(row.ClickAt) : std::string();
  // A button row without a button text has nothing of its own to press.
  if (row.IsButton && FPendingButton.empty()) return false;
  if (!row.IsButton && !ParseClickOffset(row.ClickAt)) return false;
  if (row.WinSize) {
    if (!EqualsIgnoringAsciiCase(SizeText(FTrackedRect), FPendingInner)) return false;
    FPendingInner.clear();
  }
  if (EqualsIgnoringAsciiCase(FPendingInner, FPendingButton)) FPendingInner.clear();

  FFoundButtonWnd.reset();
  FoundButtonObject.reset();
  if (Pending()) L.Windows.EnumChildren(candidate, [this](TWindowHandle child) { return CheckChildWindow(child); });
  if (Pending()) FoundButtonObject = FindTextsByAccessibility(candidate);
  return !Pending();
}

bool TTrackedCheck::CandidateInFront(TWindowHandle candidate) {
  if (!L.Shared.AppEnabled.load(std::memory_order_relaxed)) return false;
  const TWindowHandle front = L.Windows.ForegroundWindow();
  return front == candidate && !L.Windows.IsOwnWindow(front);
}

std::optional<TPoint> TTrackedCheck::OffsetClickPoint(const TTrackedWindowRow& row, TWindowHandle candidate) {
  const std::optional<TPoint> offset = ParseClickOffset(row.ClickAt);
  if (!offset) return std::nullopt;
  const int64_t x = int64_t{FTrackedRect.Left} + offset->X, y = int64_t{FTrackedRect.Top} + offset->Y;
  // The press lands one pixel in from the point, the release two (SendMouseClick).
  constexpr int64_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max() - 2;
  if (x < lo || x > hi || y < lo || y > hi || x == -1) return std::nullopt;
  const TPoint at{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  // Screen coordinates reach whatever lies there: another window over the candidate (a
  // topmost one, a pop-up of its own) would get the click instead.
  for (int32_t step : {1, 2})
    if (L.Windows.TopLevelAt({at.X + step, at.Y + step}) != candidate) return std::nullopt;
  return at;
}

void TTrackedCheck::CheckTrackedWindows(const std::vector<TTrackedWindowRow>& rows) {
  L.Shared.TrackedClicking.store(false, std::memory_order_relaxed);
  const TWindowHandle candidate = L.Shared.TrackCandidate.load(std::memory_order_relaxed);
  if (candidate == 0 || candidate == NoTrackCandidate) return;
  // Nothing tracked: no window, and no other program's accessibility, is asked anything.
  if (!AnyRowTracked(rows)) return;
  // The repetition queues its check after a pause: the window may have lost the front, or
  // Pelorin been switched off, meanwhile.
  if (!CandidateInFront(candidate)) return;

  std::string title = L.Windows.WindowText(candidate);
  CutToBuffer(title);
  if (!title.empty()) {
    const std::optional<TRect> r = L.Windows.WindowRect(candidate);
    if (!r) return;  // gone meanwhile
    FTrackedRect = *r;
  } else {
    TAccessibleName named = AccessibleWindowName(candidate);
    if (named.Name.empty()) return;
    title = std::move(named.Name);
    FTrackedRect = named.Rect;
  }
  NormalizeCaption(title);

  for (const TTrackedWindowRow& row : rows) {
    if (row.State == 0 || !WildcardMatch(Ansi(row.Title), title)) continue;
    const bool found = MatchRow(row);
    if (found) {
      // The walk through another program's objects lets the hooks run and takes time: what is
      // in front is asked again right before each press, never taken from the check's start.
      if (!CandidateInFront(candidate)) {
        FoundButtonObject.reset();
        return;
      }
      // Never while the user holds the button: the click would let go of what they drag.
      const bool held = !row.IsButton && L.Mouse.LeftButtonDown();
      const std::optional<TPoint> at = row.IsButton || held ? std::nullopt : OffsetClickPoint(row, candidate);
      if (row.IsButton || held || at) {
        // Set before the click: sending input can let the hooks run meanwhile, and an Esc
        // seen there must not be undone by this store.
        L.Shared.TrackedClicking.store(true, std::memory_order_relaxed);
        if (row.IsButton && FFoundButtonWnd)
          L.Windows.PressButton(*FFoundButtonWnd);
        else if (row.IsButton && FoundButtonObject)
          FoundButtonObject->DoDefaultAction();
        else if (at)
          L.Input.SendMouseClick(0, at->X, at->Y, true);
        L.Notes.ShowNote(row.Title, false, -1);
      }
    }
    FoundButtonObject.reset();
  }
}

}  // namespace pelorin
