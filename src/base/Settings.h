#pragma once
#include <array>
#include <string>

namespace pelorin {

// A setting bound to a track bar or spin edit: its range and design value.
struct TRange {
  int Min;
  int Max;
  int Default;
  constexpr int Clamp(int v) const { return v < Min ? Min : (v > Max ? Max : v); }
};

inline constexpr TRange SpeedRange{50, 300, 175};  // shake speed threshold and pause length
inline constexpr TRange DistRange{10, 80, 45};     // shake distance, percent of the screen height
inline constexpr TRange AutoLayoutRange{3, 8, 6};  // layout auto-switcher sensitivity
inline constexpr TRange MaxUncheckedRange{20, 200, 20};     // clipboard history count limit
inline constexpr TRange MaxMemoryRange{200, 5000, 1000};    // clipboard history memory limit, MB

inline constexpr int MainGridColumns = 2;
inline constexpr int WinGridColumns = 3;

// The user's settings, bound to the main window's controls while Pelorin runs. Fields are
// named after their controls and start at the controls' design values; the values a missing
// key gets are the loader's business. Owned and written by the GUI thread.
struct Settings {
  // Mouse sub-tab.
  int SpeedTrack = SpeedRange.Default;
  int DistTrack = DistRange.Default;
  bool FixWheelCheck = false;      // "Fix mouse wheel malfunction"
  bool FixDblClicksCheck = false;  // "Fix mouse wrong double clicks"

  // Keyboard layout sub-tab.
  bool AutoLayoutCheck = false;  // "Auto switch the keyboard layout"
  int AutoLayoutTrack = AutoLayoutRange.Default;

  // Desktop page.
  bool AutoRestoreDesktopCheck = false;
  std::wstring IconPositions;  // the saved desktop icon positions, empty when none were saved

  // Settings page.
  bool AutoRunCheck = false;
  // "Show notifications on custom inputs". Off in the design; a file without the key turns
  // it on.
  bool NoteCheck = false;
  bool DisableInGame = false;
  int MaxUncheckedEdit = MaxUncheckedRange.Default;
  int MaxMemoryEdit = MaxMemoryRange.Default;
  bool SaveClipboardCheck = false;
  bool HooksCheck = false;  // "Check the working state"

  // Main window geometry. The position is always replaced at start-up (a file without it
  // centres the window), so its design value never shows.
  int Left = 0;
  int Top = 0;
  int Width = 640;
  int Height = 480;

  std::array<int, MainGridColumns> MainGridColWidths{162, 162};
  std::array<int, WinGridColumns> WinGridColWidths{108, 108, 108};

  // Clipboard Manager list view and details (zoom) view; replaced at start-up as well.
  int ClpWinLeft = 0;
  int ClpWinTop = 0;
  int ClpWinWidth = 430;
  int ClpWinHeight = 590;
  int ClpZoomWinLeft = 0;
  int ClpZoomWinTop = 0;
  int ClpZoomWinWidth = 430;
  int ClpZoomWinHeight = 590;

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace pelorin
