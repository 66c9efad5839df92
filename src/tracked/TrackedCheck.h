#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/NotePort.h"
#include "base/SharedState.h"
#include "common/AtomicPoint.h"
#include "config/AnsiCodePage.h"
#include "input/MouseHook.h"
#include "tracked/Accessibility.h"
#include "tracked/SyntheticInput.h"
#include "tracked/TrackedWindowRow.h"

namespace pelorin {

// Longest text the check compares: what a 300-byte buffer of the 8-bit calls holds.
inline constexpr size_t TrackedTextMax = 299;
// What an empty child window is compared as while an inner text is pending, before its
// class name (cut so that the whole still fits in TrackedTextMax).
inline constexpr std::string_view ClassNamePrefix = "ClassName: ";
inline constexpr size_t ClassNameMax = 288;

// Bounds on the accessibility walk through a foreign process's objects, so that a deep or
// cyclic tree cannot hold up the GUI thread (which runs the hooks) for long.
inline constexpr int MaxAccessibleDepth = 64;
inline constexpr int MaxAccessibleVisits = 5000;

// The windows the check reads and presses. Texts are 8-bit, in the system's ANSI code page.
struct TrackedWindowsPort {
  virtual ~TrackedWindowsPort() = default;
  // The title or control text, at most TrackedTextMax characters; empty when it has none.
  virtual std::string WindowText(TWindowHandle window) = 0;
  virtual std::optional<TRect> WindowRect(TWindowHandle window) = 0;
  virtual bool IsVisible(TWindowHandle window) = 0;
  virtual std::string ClassName(TWindowHandle window) = 0;
  // Every descendant in the system's order, while visit answers true.
  virtual void EnumChildren(TWindowHandle window, const std::function<bool(TWindowHandle)>& visit) = 0;
  // Posts a left button press and release (coordinates 0, 0) to the button's window.
  virtual void PressButton(TWindowHandle button) = 0;
  // What is in front at this moment, 0 when nothing is.
  virtual TWindowHandle ForegroundWindow() = 0;
  // The top-level window that a click at p reaches, 0 when none.
  virtual TWindowHandle TopLevelAt(TPoint p) = 0;
  // One of Pelorin's own windows (its message boxes included).
  virtual bool IsOwnWindow(TWindowHandle window) = 0;
};

// "W" "x" "H" of a window rectangle, as size rows hold it.
std::string SizeText(const TRect& r);
// Equal but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// An offset "XxY": decimal digits, a lower-case "x", decimal digits. Y is read from at most the
// four characters after the "x". Anything else is no offset, and its row is never clicked.
std::optional<TPoint> ParseClickOffset(std::wstring_view text);

// The tracked-window check: matches the rows against TrackCandidate and presses or clicks.
// GUI thread only; the worker queues it.
class TTrackedCheck {
 public:
  struct Links {
    TSharedState& Shared;
    TrackedWindowsPort& Windows;
    AccessibilityPort& Accessibility;
    const AnsiCodePagePort& Ansi;
    TSyntheticInput& Input;
    const TMouseHook& Mouse;
    NotePort& Notes;
  };

  explicit TTrackedCheck(const Links& links) : L(links) {}

  void CheckTrackedWindows(const std::vector<TTrackedWindowRow>& rows);

  // One step of the child-window pass over TrackCandidate; whether to go on.
  bool CheckChildWindow(TWindowHandle child);
  // The accessibility walk for what is still pending; the object whose name matched the
  // button pattern, or null.
  std::unique_ptr<AccessibleObject> FindTextsByAccessibility(TWindowHandle window);

  struct TAccessibleName {
    std::string Name;  // empty when the window has none or no location
    TRect Rect;
  };
  TAccessibleName AccessibleWindowName(TWindowHandle window);

  // The state of a check, visible to the tests.
  const std::string& PendingInner() const { return FPendingInner; }
  const std::string& PendingButton() const { return FPendingButton; }
  std::optional<TWindowHandle> FoundButtonWnd() const { return FFoundButtonWnd; }
  const TRect& TrackedRect() const { return FTrackedRect; }

 private:
  bool Pending() const { return !FPendingInner.empty() || !FPendingButton.empty(); }
  std::string Ansi(std::wstring_view text) const;
  void VisitAccessible(AccessibleObject& object, int depth, std::unique_ptr<AccessibleObject>& found);
  // Matches one text against what is pending; true when it was taken as the button.
  bool MatchText(const std::string& text);
  bool MatchRow(const TTrackedWindowRow& row);
  // Pelorin is on and the candidate, not a window of Pelorin's, is still in front.
  bool CandidateInFront(TWindowHandle candidate);
  // The screen point of an offset row's click, when both of its events reach the candidate.
  std::optional<TPoint> OffsetClickPoint(const TTrackedWindowRow& row, TWindowHandle candidate);

  Links L;
  TRect FTrackedRect;
  std::string FPendingInner;
  std::string FPendingButton;
  std::optional<TWindowHandle> FFoundButtonWnd;
  // Found by the walk of the row in hand; released when the row is done, so a row never
  // presses what an earlier row or check found.
  std::unique_ptr<AccessibleObject> FoundButtonObject;
  int Visits = 0;
};

}  // namespace pelorin
