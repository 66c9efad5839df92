#pragma once

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

// The user's settings, bound to the main window's controls while Pelorin runs. Fields are
// named after their controls. Owned and written by the GUI thread.
struct Settings {
  // Mouse sub-tab.
  int SpeedTrack = SpeedRange.Default;
  int DistTrack = DistRange.Default;
  bool FixWheelCheck = false;      // "Fix mouse wheel malfunction"
  bool FixDblClicksCheck = false;  // "Fix mouse wrong double clicks"
};

}  // namespace pelorin
