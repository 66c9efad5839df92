// The hooks' view of a program without a main window: nothing focused, nothing active. For
// tests and benchmarks of the hooks.
#pragma once
#include <string>

#include "input/KeyboardHook.h"
#include "input/MouseHook.h"

namespace pelorin {

struct NoEditor : MouseHookPort, KeyboardHookPort {
  bool ChoiceComboFocused() override { return false; }
  TRect MainWindowRect() override { return {}; }
  bool CustomInputsPageActive() override { return false; }
  ChoiceCombo FocusedChoiceCombo() override { return ChoiceCombo::None; }
  int ChoiceComboSelection(ChoiceCombo) override { return -1; }
  void ShowCapturedChord(ChoiceCombo, const std::wstring&) override {}
  bool MainFormIsActive() override { return false; }
  bool CapsLockToggled() override { return false; }
};

}  // namespace pelorin
