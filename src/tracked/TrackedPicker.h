#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/SharedState.h"
#include "common/AtomicPoint.h"
#include "config/AnsiCodePage.h"
#include "tracked/Accessibility.h"

namespace pelorin {

// The hand-point picker of the tracked-windows editor: which window part lies under the
// dragged hand and what it fills in. Free of any window of Pelorin: the page applies the
// result to its fields and the frame port draws on the screen.

// What a hand-point picture picks: its PickerMode (the picture's Tag).
enum TPickerMode : int32_t {
  pmNone = 0,
  pmTitle = 1,
  pmInnerText = 2,
  pmSize = 3,
  pmButton = 4,
};

// No point recorded for the picker.
inline constexpr int32_t NoPickerX = -1;
inline constexpr TPoint NoPickerPoint{NoPickerX, -1};

// The other programs' windows as the picker reads them. Texts are 8-bit, in the system's ANSI
// code page.
struct PickerWindowsPort {
  virtual ~PickerWindowsPort() = default;
  // The window under a screen point, 0 when none.
  virtual TWindowHandle WindowFromPoint(TPoint p) = 0;
  virtual bool IsVisible(TWindowHandle window) = 0;
  // The title or control text, at most 299 characters.
  virtual std::string WindowText(TWindowHandle window) = 0;
  virtual std::string ClassName(TWindowHandle window) = 0;
  // The parent (or owner) window, 0 when none.
  virtual TWindowHandle Parent(TWindowHandle window) = 0;
  // Its style has any of WS_POPUP, WS_BORDER, WS_SYSMENU.
  virtual bool IsFrameLike(TWindowHandle window) = 0;
  virtual std::optional<TRect> WindowRect(TWindowHandle window) = 0;
};

// The accessible object under a point, for a window without text.
struct TAccessibleText {
  std::string Name;  // 8-bit; empty when no object under the point has a name
  TRect Rect;        // of the object named
  bool FrameLike = false;
};

// Roles that make an accessible object a frame rather than a control: alert, window,
// application, dialog.
bool IsFrameRole(int32_t role);

// Walks the accessible objects of `window` (only its own object when wantTop): the last one
// visited that holds the point strictly inside gives the name. The child-visiting rules are
// the tracked-window check's; objects off screen are looked at too.
TAccessibleText AccessibleTextAtPoint(AccessibilityPort& accessibility, const AnsiCodePagePort& ansi,
                                      TWindowHandle window, TPoint p, bool wantTop);

// One field filled by a picker step.
struct TPickResult {
  TPickerMode Mode = pmNone;
  // The field's new text, 8-bit: a title, an inner text or "ClassName: " text, a size "WxH",
  // a button text, or the offset "XxY" of the point in the window.
  std::string Text;
  // Only for pmButton: Text is an offset (XYCheck), not a button text (BtnCheck).
  bool IsOffset = false;
  // The part recognised, framed on screen.
  TRect Frame;
};

// What the window part under `p` fills in `mode`; nothing when it fills nothing.
std::optional<TPickResult> PickAt(PickerWindowsPort& windows, AccessibilityPort& accessibility,
                                  const AnsiCodePagePort& ansi, TPoint p, TPickerMode mode);

// Drawing on the whole screen.
struct PickFramePort {
  virtual ~PickFramePort() = default;
  // Inverts a 4-pixel frame inside r: drawn twice it is gone.
  virtual void DrawXorFrame(const TRect& r) = 0;
  // Repaints the main window's page control, the tracked-windows page and its controls, so that
  // a frame crossing them does not stay in their pictures.
  virtual void RepaintPage() = 0;
};

// The inverted frame now on screen (LastFrame).
class TPickFrame {
 public:
  bool Shown() const { return Last.has_value(); }
  const std::optional<TRect>& LastFrame() const { return Last; }
  // Forgets a frame without drawing: a drag starts with none.
  void Reset() { Last.reset(); }
  // UpdatePickFrame: the old frame erased and r drawn, unless r is the frame shown.
  void Update(const TRect& r, PickFramePort& screen);
  // The frame shown is erased.
  void Erase(PickFramePort& screen);

 private:
  std::optional<TRect> Last;
};

// A hand-point drag: PickerMode from the mouse-down on a picture to the mouse-up, the point
// the mouse hook records meanwhile, and the frame. GUI thread only (the hook and the queued
// steps run there too).
class TTrackedPicker {
 public:
  struct Links {
    TSharedState& Shared;
    PickerWindowsPort& Windows;
    AccessibilityPort& Accessibility;
    const AnsiCodePagePort& Ansi;
    PickFramePort& Screen;
  };

  explicit TTrackedPicker(const Links& links) : L(links) {}

  bool Dragging() const { return L.Shared.PickerMode.load(std::memory_order_relaxed) != pmNone; }
  // CursorImageMouseDown: from now on the hook records points.
  void BeginDrag(TPickerMode mode);
  // PickUnderPoint: the recorded point, taken once, looked at; the frame follows what it
  // recognised. A step that was queued before the drag ended finds no drag and does nothing.
  std::optional<TPickResult> Step();
  // CursorImageMouseUp: the frame is erased and a point recorded but not yet looked at is
  // dropped.
  void EndDrag();

  const TPickFrame& Frame() const { return FFrame; }

 private:
  Links L;
  TPickFrame FFrame;
};

}  // namespace pelorin
