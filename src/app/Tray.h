#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/AtomicPoint.h"
#include "base/Actions.h"

namespace pelorin {

// Characters the icon's tip holds, its terminating zero not counted.
inline constexpr size_t TrayTipMaxLength = 127;

// The tip: the caption of the PelorinEnabled switch and, when the system has brightness
// control, "Brightness: " and the current value in the monitor's own units on a second line.
// Cut to TrayTipMaxLength.
std::wstring TrayTip(std::wstring_view enabledCaption, std::optional<uint32_t> brightness);

// What a mouse message on the icon asks of the main window.
struct TTrayReaction {
  int32_t PostAction = NoAction;  // a code for PendingAction, NoAction for none
  bool ShowMainWindow = false;
  friend bool operator==(const TTrayReaction&, const TTrayReaction&) = default;
};

// Left button down: the pop-up (through the command thread); double click: the main window
// at once; right button down: the brightness slider, when there is brightness control.
// Every other message (moves, button ups) asks for nothing.
TTrayReaction TrayCallbackReaction(int64_t mouseMessage, bool brightnessAvailable);

// The pop-up menu in pixels at 96 DPI: a 1 px border around five 24 px items and three 3 px
// separators.
inline constexpr int32_t PopupWidth = 154;
inline constexpr int32_t PopupHeight = 131;
inline constexpr int32_t PopupBorder = 1;
inline constexpr int32_t PopupItemHeight = 24;
inline constexpr int32_t PopupSeparatorHeight = 3;
// The pop-up's left edge is this far left of the cursor, and the brightness slider's x this
// far right of the pop-up's left edge.
inline constexpr int32_t PopupCursorOffset = 20;
// Gap between the pop-up's bottom and the work area's bottom.
inline constexpr int32_t PopupBottomGap = 5;

enum TPopupItem : int {
  piShowPelorin,
  piDisablePelorin,
  piClipboardManager,
  piBrightness,
  piClose,
};
inline constexpr int PopupItemCount = 5;
inline constexpr int PopupSeparatorCount = 3;
inline constexpr int NoPopupItem = -1;

// The item's caption; the Disable item names the action, so it reads "Enable" while Pelorin
// is off.
std::wstring_view PopupItemCaption(int item, bool appEnabled);

// Window size at `scale` (pixels per inch / 96).
int32_t PopupScaled(int32_t designPixels, double scale);
// Client rectangles at `scale`. Every edge of the design is scaled and rounded on its own,
// so neighbours share their edges at any scale and nothing is left between them.
TRect PopupItemRect(int item, double scale);
TRect PopupSeparatorRect(int separator, double scale);

// Left edge PopupCursorOffset left of the cursor, bottom PopupBottomGap above the work
// area's bottom. The pop-up stays whole inside the work area horizontally: the tray sits at
// the screen's edge, and a click on an icon there would otherwise put most of it off screen.
TPoint PopupPlacement(int32_t cursorX, const TRect& workArea, int32_t width, int32_t height);

// The item Up (step -1) or Down (step +1) moves the keyboard highlight to, from `current`
// (NoPopupItem: from outside, so Down gives the first item and Up the last). Wraps around
// and passes over a disabled Brightness item.
int NextPopupItem(int current, int step, bool brightnessAvailable);

}  // namespace pelorin
