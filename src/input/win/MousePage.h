#pragma once
#include "common/win/FormPage.h"
#include "common/win/SettingBindings.h"

namespace pelorin {

// The "Mouse" sub-tab of "Custom Inputs": the shake distance and speed, with the distance's
// label, and the wheel and double-click repairs. GUI thread only.
class TMousePage final : public TFormPage {
 public:
  TMousePage(Settings& cfg, TConfigState& state, const TSettingChanged& changed);

  int HelpIndex() const override { return 1; }
  void ShowSettings(const Settings& settings) override;

 protected:
  std::span<const TAnchor> Anchors() const override;
  void SettingChanged(TSettingControl control) override;

 private:
  void ShowDistance(int position);

  Settings& Cfg;
  TConfigState& State;
  TSettingBindings Bindings;
};

}  // namespace pelorin
