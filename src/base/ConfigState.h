#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// CfgChanged values.
inline constexpr int8_t CfgNothingToSave = 2;   // initial; set after every write of Pelorin.ini
inline constexpr int8_t CfgSystemChanged = 1;   // only window geometry, column widths or HooksCheck
inline constexpr int8_t CfgSettingsChanged = 0; // some other setting (also after an Import)

// Whether Pelorin.ini must be written, and the two flags that go with it.
struct TConfigState {
  // Written by the GUI thread and by the command thread (a brightness change), hence atomic.
  std::atomic<int8_t> CfgChanged{CfgNothingToSave};
  // The Export button's mark: the current settings need no backup before an Import. Set after
  // every Export and at start-up when Pelorin.ini held none of the known sections. GUI thread.
  bool ExportMark = false;
  // Set while Pelorin changes its own controls; the change handlers then do nothing. GUI thread.
  bool ProgrammaticChange = false;
  // Pelorin.ini exists but no read of it has succeeded yet: Pelorin runs on its defaults and
  // never writes that file, which may hold the user's settings. GUI thread.
  bool IniUnread = false;

  bool NeedsSave() const { return CfgChanged.load(std::memory_order_relaxed) != CfgNothingToSave; }
};

// Sets ProgrammaticChange for its lifetime and then gives back the earlier state, so that a
// nested guard (a load inside a suspend save) does not clear the outer one early.
class TProgrammaticChange {
 public:
  explicit TProgrammaticChange(TConfigState& state) : State(state), Was(state.ProgrammaticChange) {
    State.ProgrammaticChange = true;
  }
  ~TProgrammaticChange() { State.ProgrammaticChange = Was; }
  TProgrammaticChange(const TProgrammaticChange&) = delete;
  TProgrammaticChange& operator=(const TProgrammaticChange&) = delete;

 private:
  TConfigState& State;
  bool Was;
};

// A setting changed whoever changed it: Import, a table edit, the command thread after a
// brightness change. Not subject to ProgrammaticChange.
void MarkSettingsChanged(TConfigState& state);
// After a write of Pelorin.ini.
void MarkSettingsSaved(TConfigState& state);

// Change handlers of the settings controls; each does nothing while ProgrammaticChange is set.
// SpeedTrack or AutoLayoutTrack moved; FixWheelCheck, FixDblClicksCheck, NoteCheck,
// AutoRunCheck, SaveClipboardCheck clicked; a table edited.
void SetCfgChanged(TConfigState& state);
// HooksCheck clicked, the main window moved or resized while shown, a grid column resized:
// only raises "nothing to save" to "system values changed".
void SetSysCfgChanged(TConfigState& state);
// The settings part of the AutoLayoutCheck click.
void AutoLayoutCheckClick(TConfigState& state);
// MaxUncheckedEdit or MaxMemoryEdit changed. True when the change counts and the clipboard
// "Apply" button is to be enabled.
bool ClpManLimitsChanged(TConfigState& state);
// DistTrack moved to `position`: the new caption of the label under it (the position in front
// of the caption less its first two characters, "45% of screen height" -> "60% of screen
// height"), which changes even while ProgrammaticChange is set.
std::wstring DistTrackChange(TConfigState& state, int position, std::wstring_view caption);

}  // namespace pelorin
