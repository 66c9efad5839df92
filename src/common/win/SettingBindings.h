#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <span>

#include "base/ConfigState.h"
#include "base/Settings.h"

namespace pelorin {

// The setting controls, as the change callback names them.
enum class TSettingControl {
  DistTrack,
  SpeedTrack,
  FixWheelCheck,
  FixDblClicksCheck,
  AutoLayoutCheck,
  AutoLayoutTrack,
  AutoRestoreDesktopCheck,
  AutoRunCheck,
  NoteCheck,
  DisableInGame,
  HooksCheck,
  MaxUncheckedEdit,
  MaxMemoryEdit,
  SaveClipboardCheck,
};

// Told after a user change of a setting control, once the Settings field and CfgChanged are
// updated.
using TSettingChanged = std::function<void(TSettingControl)>;

// A control bound to a Settings field; Mark is how a user change moves CfgChanged.
struct TCheckBinding {
  int Id;
  bool Settings::*Field;
  TSettingControl Control;
  void (*Mark)(TConfigState&) = SetCfgChanged;
};
struct TTrackBinding {
  int Id;
  int Settings::*Field;
  TRange Range;
  int TickFrequency;
  TSettingControl Control;
  void (*Mark)(TConfigState&) = SetCfgChanged;
};
// An edit with its up-down buddy.
struct TSpinBinding {
  int EditId;
  int SpinId;
  int Settings::*Field;
  TRange Range;
  TSettingControl Control;
  void (*Mark)(TConfigState&) = SetCfgChanged;
};

// The bound controls of one page: set up, shown from Settings, and a user change written to
// the field, marked and reported. Nothing done while ProgrammaticChange is set counts as the
// user's. GUI thread only.
class TSettingBindings {
 public:
  struct TTables {
    std::span<const TCheckBinding> Checks;
    std::span<const TTrackBinding> Tracks;
    std::span<const TSpinBinding> Spins;
  };

  TSettingBindings(Settings& cfg, TConfigState& state, const TSettingChanged& changed, TTables tables)
      : Cfg(cfg), State(state), Changed(changed), Tables(tables) {}

  // Track bar ranges and ticks, spin ranges and edit lengths.
  void Init(HWND page) const;
  void Show(HWND page, const Settings& settings) const;

  // The user's change of a bound control: the control that changed, if one did.
  std::optional<TSettingControl> Clicked(HWND page, int id);      // BN_CLICKED
  std::optional<TSettingControl> Moved(HWND track);               // WM_HSCROLL
  std::optional<TSettingControl> Edited(HWND page, int editId);   // EN_CHANGE
  // EN_KILLFOCUS: the edit the user leaves shows the value in use, as a spin edit does.
  void Left(HWND page, int editId) const;

 private:
  std::optional<TSettingControl> Report(TSettingControl control, void (*mark)(TConfigState&));

  Settings& Cfg;
  TConfigState& State;
  const TSettingChanged& Changed;
  TTables Tables;
};

// A spin edit reads text that is no number as its minimum, and any number clamped.
int SpinValue(const std::wstring& text, const TRange& range);

}  // namespace pelorin
