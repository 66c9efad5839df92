#pragma once
#include "common/win/FormPage.h"
#include "common/win/SettingBindings.h"

namespace pelorin {

// The "Keyboard layout" sub-tab of "Custom Inputs": the layout auto-switcher and its
// sensitivity. GUI thread only.
class TKeyboardLayoutPage final : public TFormPage {
 public:
  TKeyboardLayoutPage(Settings& cfg, TConfigState& state, const TSettingChanged& changed);

  int HelpIndex() const override { return 2; }

  // No other keyboard layout: unchecks and disables the auto-switcher and its track bar.
  // No change of the user's.
  void DisableAutoLayout();

 protected:
  void Init() override;

 private:
  Settings& Cfg;
  TConfigState& State;
  TSettingBindings Bindings;
};

}  // namespace pelorin
