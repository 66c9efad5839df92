#pragma once
#include <cstdint>

namespace pelorin {

// Action codes posted to the command thread. 0 to MaxRowAction are rows of the custom input
// table; the others are fixed actions.
inline constexpr int32_t NoAction = -1;
inline constexpr int32_t MaxRowAction = 240;
inline constexpr int32_t ActionCustomCommand = 241;  // internal to the command thread, never posted
// The wheel fix's notch, in the direction the run had when the hook ate the reversed one: the
// command thread may run it after later notches changed the hook's direction.
inline constexpr int32_t ActionWheelNotchDown = 242;
inline constexpr int32_t ActionClipboardManager = 243;
inline constexpr int32_t ActionAutoSwitchCheck = 244;
inline constexpr int32_t ActionTogglePelorin = 245;
inline constexpr int32_t ActionShowHelp = 247;
inline constexpr int32_t ActionWheelNotchUp = 248;
inline constexpr int32_t ActionMinimize = 800;
inline constexpr int32_t ActionTrayPopup = 801;
inline constexpr int32_t ActionBrightnessSlider = 802;

}  // namespace pelorin
