#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace pelorin {

// The catalogue texts are identifiers: rows store them and every lookup compares them
// exactly, so they must never change, not even in letter case.

// Item 0 of both catalogues: empty at rest, then the prompts, then the captured chord.
inline constexpr std::wstring_view ChordPromptOpen = L"Pressing the keyboard keys...";
inline constexpr std::wstring_view ChordPromptChosen = L"Now press the keyboard keys...";

enum CommandItem : int {
  cmdChord = 0,
  cmdDoubleClick = 1,
  cmdSleep = 2,
  cmdHibernate = 3,
  cmdShutdown = 4,
  cmdReboot = 5,
  cmdVolumeUp = 6,
  cmdVolumeDown = 7,
  cmdBrightnessUp = 8,
  cmdBrightnessDown = 9,
  cmdRetype = 10,
  cmdClipboardManager = 11,
  cmdShowPelorin = 12,
  cmdToggleCheckedInputs = 13,
  cmdDisablePelorin = 14,
  cmdCustomCommand = 15,
};
inline constexpr int CommandItemCount = 16;

// CommandCombo items; item 0 is the (dynamic) chord entry and is empty here.
inline constexpr std::array<std::wstring_view, CommandItemCount> CommandCatalogue = {
    L"",
    L"Left mouse button double click",
    L"Sleep",
    L"Hibernate",
    L"Shutdown",
    L"Reboot",
    L"Volume Up",
    L"Volume Down",
    L"Monitor brightness Up",
    L"Monitor brightness Down",
    L"Retype chars in other keyboard layout",
    L"Clipboard manager",
    L"Show Pelorin",
    L"Checked inputs enable/disable",
    L"Disable Pelorin",
    L"Exec a custom command...",
};

enum InputItem : int {
  inpChord = 0,
  inpMiddleButton = 1,
  inpButton4 = 2,
  inpButton5 = 3,
  inpShakeHorizontal = 4,
  inpShakeVertical = 5,
};
inline constexpr int InputItemCount = 6;

// InputCombo items; item 0 is the (dynamic) chord entry and is empty here.
inline constexpr std::array<std::wstring_view, InputItemCount> InputCatalogue = {
    L"",
    L"Middle mouse button click",
    L"Mouse button 4 click",
    L"Mouse button 5 click",
    L"Quickly move mouse horizontally forth-back",
    L"Quickly move mouse vertically up-down",
};

// The index of a catalogue command among items 1 to 13, compared exactly; 0 when the text
// is none of them (a chord text or a custom command line, told apart by the Keys record).
int CommandIndexOf(std::wstring_view commandText);

}  // namespace pelorin
