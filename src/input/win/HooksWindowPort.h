#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/ConfigState.h"
#include "input/KeyboardHook.h"
#include "input/MouseHook.h"
#include "input/win/CommandsPage.h"

namespace pelorin {

// What the hooks ask of the main window: the Commands page's choice combo boxes, where the
// window is and whether it is active. GUI thread, from the hook callbacks.
class THooksWindowPort final : public MouseHookPort, public KeyboardHookPort {
 public:
  // `customInputsPageActive` tells whether the top-level page control shows "Custom Inputs".
  THooksWindowPort(TCommandsPage& commands, TConfigState& config, std::function<bool()> customInputsPageActive)
      : Commands(commands), Config(config), CustomInputsActive(std::move(customInputsPageActive)) {}

  bool ChoiceComboFocused() override { return FocusedChoiceCombo() != ChoiceCombo::None; }
  TRect MainWindowRect() override;
  bool CustomInputsPageActive() override { return CustomInputsActive && CustomInputsActive(); }
  ChoiceCombo FocusedChoiceCombo() override;
  int ChoiceComboSelection(ChoiceCombo combo) override;
  void ShowCapturedChord(ChoiceCombo combo, const std::wstring& chordText) override;
  bool MainFormIsActive() override;
  bool CapsLockToggled() override { return (::GetKeyState(VK_CAPITAL) & 1) != 0; }

 private:
  HWND MainWindow() const;
  HWND ComboOf(ChoiceCombo combo) const;

  TCommandsPage& Commands;
  TConfigState& Config;
  std::function<bool()> CustomInputsActive;
};

}  // namespace pelorin
