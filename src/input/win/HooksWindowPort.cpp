#include "input/win/HooksWindowPort.h"

namespace pelorin {

HWND THooksWindowPort::MainWindow() const {
  HWND page = Commands.Handle();
  return page != nullptr ? ::GetAncestor(page, GA_ROOT) : nullptr;
}

HWND THooksWindowPort::ComboOf(ChoiceCombo combo) const {
  return combo == ChoiceCombo::Command ? Commands.CommandCombo() : Commands.InputCombo();
}

TRect THooksWindowPort::MainWindowRect() {
  RECT r{};
  ::GetWindowRect(MainWindow(), &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

ChoiceCombo THooksWindowPort::FocusedChoiceCombo() {
  HWND focus = ::GetFocus();
  if (focus == nullptr) return ChoiceCombo::None;
  // An editable combo box gives the focus to its edit child.
  HWND parent = ::GetParent(focus);
  HWND command = Commands.CommandCombo(), input = Commands.InputCombo();
  if (command != nullptr && (focus == command || parent == command)) return ChoiceCombo::Command;
  if (input != nullptr && (focus == input || parent == input)) return ChoiceCombo::Input;
  return ChoiceCombo::None;
}

int THooksWindowPort::ChoiceComboSelection(ChoiceCombo combo) {
  return static_cast<int>(::SendMessageW(ComboOf(combo), CB_GETCURSEL, 0, 0));
}

void THooksWindowPort::ShowCapturedChord(ChoiceCombo combo, const std::wstring& chordText) {
  HWND box = ComboOf(combo);
  TProgrammaticChange guard(Config);
  ::SendMessageW(box, CB_DELETESTRING, 0, 0);
  ::SendMessageW(box, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(chordText.c_str()));
  ::SendMessageW(box, CB_SETCURSEL, 0, 0);
}

bool THooksWindowPort::MainFormIsActive() {
  HWND window = MainWindow();
  return window != nullptr && ::GetActiveWindow() == window;
}

}  // namespace pelorin
