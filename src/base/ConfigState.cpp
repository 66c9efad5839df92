#include "base/ConfigState.h"

namespace pelorin {

void MarkSettingsChanged(TConfigState& state) {
  state.CfgChanged.store(CfgSettingsChanged, std::memory_order_relaxed);
}

void MarkSettingsSaved(TConfigState& state) { state.CfgChanged.store(CfgNothingToSave, std::memory_order_relaxed); }

void SetCfgChanged(TConfigState& state) {
  if (!state.ProgrammaticChange) MarkSettingsChanged(state);
}

void SetSysCfgChanged(TConfigState& state) {
  if (state.ProgrammaticChange) return;
  // Only from 2: a 0 written meanwhile by the command thread must not turn into 1.
  int8_t expected = CfgNothingToSave;
  state.CfgChanged.compare_exchange_strong(expected, CfgSystemChanged, std::memory_order_relaxed);
}

void AutoLayoutCheckClick(TConfigState& state) { SetCfgChanged(state); }

bool ClpManLimitsChanged(TConfigState& state) {
  if (state.ProgrammaticChange) return false;
  MarkSettingsChanged(state);
  return true;
}

std::wstring DistTrackChange(TConfigState& state, int position, std::wstring_view caption) {
  SetCfgChanged(state);
  return std::to_wstring(position) + std::wstring(caption.substr(caption.size() < 2 ? caption.size() : 2));
}

}  // namespace pelorin
