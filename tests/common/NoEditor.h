// The hooks' view of the main window, for tests and benchmarks of the hooks. Left as it is,
// it is a program without a main window: nothing focused, nothing active; a test sets what
// its case needs.
#pragma once
#include <string>
#include <vector>

#include "input/KeyboardHook.h"
#include "input/MouseHook.h"

namespace pelorin {

struct FakeEditor : MouseHookPort, KeyboardHookPort {
  bool ComboFocused = false;
  TRect Rect{};
  bool PageActive = false;
  ChoiceCombo Focused = ChoiceCombo::None;
  int Selection = -1;
  bool FormActive = false;
  bool Caps = false;
  std::vector<std::wstring> Shown;  // every captured chord shown, in order

  bool ChoiceComboFocused() override { return ComboFocused; }
  TRect MainWindowRect() override { return Rect; }
  bool CustomInputsPageActive() override { return PageActive; }
  ChoiceCombo FocusedChoiceCombo() override { return Focused; }
  int ChoiceComboSelection(ChoiceCombo) override { return Selection; }
  void ShowCapturedChord(ChoiceCombo, const std::wstring& text) override { Shown.push_back(text); }
  bool MainFormIsActive() override { return FormActive; }
  bool CapsLockToggled() override { return Caps; }
};

using NoEditor = FakeEditor;

}  // namespace pelorin
