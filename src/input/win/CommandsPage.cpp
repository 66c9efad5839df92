#include "input/win/CommandsPage.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "common/win/MsgBox.h"
#include "common/win/Messages.h"
#include "input/InputCatalogue.h"
#include "res/resource.h"

namespace pelorin {

std::wstring InputsEnabledCaption(bool checkedInputsEnabled) {
  return std::wstring(L"Checked Inputs ") + (checkedInputsEnabled ? L"enabled" : L"disabled");
}

namespace {

constexpr UINT_PTR ComboSubclassId = 1;

// The choices take the extra width; a command line can be long.
constexpr TAnchor CommandsAnchors[] = {
    {IDC_COMMAND_COMBO, 0, 1, 0, 0}, {IDC_COMMAND_EDIT_COMBO, 0, 1, 0, 0}, {IDC_INPUT_COMBO, 0, 1, 0, 0},
    {IDC_ADD_INPUT, 1, 0, 0, 0},     {IDC_MAIN_GRID, 0, 1, 0, 1},          {IDC_INPUTS_ENABLED, 0, 0, 1, 0},
    {IDC_REMOVE_INPUT, 1, 0, 1, 0},
};

std::wstring ComboItem(HWND combo, int index) {
  LRESULT len = ::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (len == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

bool KeyHeld(int vk) { return (::GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

TCommandsPage::TCommandsPage(TCustomInputTable& inputs, TConfigState& state, TSharedState& shared)
    : TFormPage(IDD_COMMANDS_PAGE), Inputs(inputs), State(state), SharedState(shared) {}

std::span<const TAnchor> TCommandsPage::Anchors() const { return CommandsAnchors; }

void TCommandsPage::Init() {
  CommandEditable = false;
  SwallowNextChar = false;
  for (std::wstring_view item : CommandCatalogue) {
    std::wstring text(item);
    ::SendMessageW(Control(IDC_COMMAND_COMBO), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(Control(IDC_COMMAND_EDIT_COMBO), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  for (std::wstring_view item : InputCatalogue) {
    std::wstring text(item);
    ::SendMessageW(InputCombo(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  for (int id : {IDC_COMMAND_COMBO, IDC_COMMAND_EDIT_COMBO, IDC_INPUT_COMBO}) {
    HWND combo = Control(id);
    ::SetWindowSubclass(combo, ComboKeyProc, ComboSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // The editable combo box takes its keys in its edit field.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr && info.hwndItem != combo)
      ::SetWindowSubclass(info.hwndItem, ComboKeyProc, ComboSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }

  const Settings design;
  MainGrid.Attach(Control(IDC_MAIN_GRID), 1, {TCustomInputTable::CommandHeader, TCustomInputTable::InputHeader},
                  static_cast<int>(std::lround(design.MainGridColWidths[0] * Host().Scale)), Host().Scale);
  MainGrid.OnToggle = [this](int item) { return ToggleRowCheck(item + 1); };
  MainGrid.OnDrop = [this](int from, int to) { DropRow(from + 1, to >= 0 ? to + 1 : -1); };
  MainGrid.OnDelete = [this] {
    if (Showing()) RemoveBtnClick();
  };
  MainGrid.FitWidths = [this](int clientWidth) { return FitColumnWidths(Inputs, clientWidth); };
  MainGrid.OnColumnsResized = [this] { SetSysCfgChanged(State); };
  ShowTable(Inputs);
}

void TCommandsPage::LoadGeometry(const Settings& settings) {
  for (int c = 0; c < MainGridColumns; ++c) MainGrid.SetColumnWidth(c, settings.MainGridColWidths[c]);
}

void TCommandsPage::StoreGeometry(Settings& settings) const {
  for (int c = 0; c < MainGridColumns; ++c) settings.MainGridColWidths[c] = MainGrid.ColumnWidth(c);
}

void TCommandsPage::ShowTable(const TCustomInputTable& table) {
  std::vector<TCheckRow> rows;
  // An empty table still has its unused row 1; the list shows no row for it.
  for (int row = 1; row <= table.UsedRowCount(); ++row) {
    // The display cell keeps the blanks in front that leave room for the check box.
    rows.push_back({{std::wstring(table.GetCell(0, row)), table.DisplayCell(1, row)},
                    RowHasCheckBox(table, row),
                    IsCheckedState(table.InputState(row))});
  }
  MainGrid.SetRows(rows);
}

void TCommandsPage::RefreshSwitchCaption() {
  ::SetWindowTextW(Control(IDC_INPUTS_ENABLED),
                   InputsEnabledCaption(SharedState.CheckedInputsEnabled.load(std::memory_order_relaxed)).c_str());
}

HWND TCommandsPage::CommandCombo() const {
  return Control(CommandEditable ? IDC_COMMAND_EDIT_COMBO : IDC_COMMAND_COMBO);
}

HWND TCommandsPage::InputCombo() const { return Control(IDC_INPUT_COMBO); }

HWND TCommandsPage::ErrorLabel() const { return Control(IDC_HOOK_ERROR_LABEL); }

RECT TCommandsPage::BottomRowGap() const {
  RECT left = RectIn(Control(IDC_INPUTS_ENABLED), Handle());
  RECT right = RectIn(Control(IDC_REMOVE_INPUT), Handle());
  return {left.right, left.top, right.left, left.bottom};
}

bool TCommandsPage::Command(int id, int code, HWND control) {
  switch (code) {
    case BN_CLICKED:
      if (id == IDC_INPUTS_ENABLED) {
        if (OnInputsEnabledClick) OnInputsEnabledClick();
      } else if (id == IDC_ADD_INPUT) {
        AddInputClick();
      } else if (id == IDC_REMOVE_INPUT) {
        RemoveBtnClick();
      }
      return true;
    case CBN_SELCHANGE:
    case CBN_DROPDOWN:
    case CBN_KILLFOCUS:
      if (id != IDC_COMMAND_COMBO && id != IDC_COMMAND_EDIT_COMBO && id != IDC_INPUT_COMBO) return true;
      if (code == CBN_SELCHANGE) ComboChange(control);
      if (code == CBN_DROPDOWN) ComboDropDown(control);
      if (code == CBN_KILLFOCUS) ComboExit(control);
      return true;
    default:
      return false;
  }
}

bool TCommandsPage::Notify(const NMHDR& header, LRESULT& result) { return MainGrid.Notify(header, result); }

bool TCommandsPage::OtherMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
  if (message != SwitchCommandComboMessage) return false;
  SwitchCommandCombo(PendingCommandCombo);
  return true;
}

LRESULT CALLBACK TCommandsPage::ComboKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<TCommandsPage*>(data);
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      bool editable = ::GetDlgCtrlID(control) != IDC_COMMAND_COMBO && ::GetDlgCtrlID(control) != IDC_INPUT_COMBO;
      bool alt = message == WM_SYSKEYDOWN ? (lParam & (1 << 29)) != 0 : KeyHeld(VK_MENU);
      if (SwallowComboKey(editable, static_cast<int>(wParam), KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL), alt)) {
        self->SwallowNextChar = true;
        return 0;
      }
      self->SwallowNextChar = false;
      break;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
      // The character of a swallowed key would still pick an item by its first letter.
      if (self->SwallowNextChar) {
        self->SwallowNextChar = false;
        return 0;
      }
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(control, ComboKeyProc, ComboSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(control, message, wParam, lParam);
}

TChoiceComboState TCommandsPage::ReadCombo(HWND combo) const {
  TChoiceComboState state;
  state.IsCommand = combo != InputCombo();
  state.Editable = state.IsCommand && CommandEditable;
  int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) state.Items.push_back(ComboItem(combo, i));
  state.Selected = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
  return state;
}

void TCommandsPage::WriteCombo(HWND combo, const TChoiceComboState& state) {
  TProgrammaticChange guard(State);
  TChoiceComboState was = ReadCombo(combo);
  // A line being typed into the editable combo box stays when its list items change.
  std::wstring typed = WindowText(combo);
  bool replaced = false;
  for (size_t i = 0; i < state.Items.size() && i < was.Items.size(); ++i) {
    if (state.Items[i] == was.Items[i]) continue;
    ::SendMessageW(combo, CB_DELETESTRING, i, 0);
    ::SendMessageW(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(state.Items[i].c_str()));
    replaced = true;
  }
  if (replaced || state.Selected != was.Selected) ::SendMessageW(combo, CB_SETCURSEL, state.Selected, 0);
  if (state.Editable && state.Selected == was.Selected && WindowText(combo) != typed)
    ::SetWindowTextW(combo, typed.c_str());
}

void TCommandsPage::SwitchCommandCombo(const TChoiceComboState& state) {
  if (state.Editable == CommandEditable) return;
  HWND from = CommandCombo();
  CommandEditable = state.Editable;
  HWND to = CommandCombo();
  WriteCombo(to, state);
  bool focused = ::GetFocus() == from || ::GetParent(::GetFocus()) == from;
  ::ShowWindow(to, SW_SHOWNA);
  ::ShowWindow(from, SW_HIDE);
  if (focused || state.Editable) ::SetFocus(to);
}

void TCommandsPage::ComboChange(HWND combo) {
  if (State.ProgrammaticChange) return;
  TChoiceComboState state = ReadCombo(combo);
  bool wasEditable = state.Editable;
  ChoiceComboChange(state);
  if (state.Editable != wasEditable) {
    // The combo box that sent this notification may not be hidden under its own feet.
    PendingCommandCombo = state;
    ::PostMessageW(Handle(), SwitchCommandComboMessage, 0, 0);
    return;
  }
  WriteCombo(combo, state);
}

void TCommandsPage::ComboDropDown(HWND combo) {
  if (State.ProgrammaticChange) return;
  TChoiceComboState state = ReadCombo(combo);
  ChoiceComboDropDown(state);
  WriteCombo(combo, state);
}

void TCommandsPage::ComboExit(HWND combo) {
  TChoiceComboState state = ReadCombo(combo);
  ChoiceComboExit(state);
  WriteCombo(combo, state);
}

int TCommandsPage::Ask(const TEditorMessage& message) {
  if (Message) return Message(message.Text, message.Caption, message.Flags);
  return MsgBox(message.Text, message.Caption, message.Flags);
}

int TCommandsPage::SelectedInputRow() const {
  int item = MainGrid.Selected();
  return item < 0 ? -1 : item + 1;
}

void TCommandsPage::SelectInputRow(int row) { MainGrid.Select(row - 1); }

void TCommandsPage::RefreshMainGrid(int selectRow) {
  HWND grid = Grid();
  int top = static_cast<int>(::SendMessageW(grid, LVM_GETTOPINDEX, 0, 0));
  ShowTable(Inputs);
  // Back where the user was looking, then the row of interest in view.
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  if (top > 0 && ::SendMessageW(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
    ::SendMessageW(grid, LVM_SCROLL, 0, top * RectHeight(item));
  if (selectRow > 0 && selectRow <= Inputs.UsedRowCount()) SelectInputRow(selectRow);
}

void TCommandsPage::AddInputClick() {
  HWND command = CommandCombo(), input = InputCombo();
  TAddRequest request;
  request.CommandText = WindowText(command);
  request.CommandIndex = static_cast<int>(::SendMessageW(command, CB_GETCURSEL, 0, 0));
  request.InputIndex = static_cast<int>(::SendMessageW(input, CB_GETCURSEL, 0, 0));
  request.InputText = request.InputIndex < 0 ? std::wstring() : ComboItem(input, request.InputIndex);
  if (std::optional<TEditorMessage> refusal = CheckAddInput(Inputs, request)) {
    Ask(*refusal);
    return;
  }
  int row = AddInputRow(Inputs, request, CapturedChord ? CapturedChord() : std::nullopt);
  if (row < 0) return;
  SetCfgChanged(State);
  // Both choices are cleared; a typed command line goes back to the list.
  TChoiceComboState commandState = ReadCombo(command);
  commandState.Selected = -1;
  commandState.Editable = false;
  commandState.Items[cmdCustomCommand] = CustomCommandPrompt;
  SwitchCommandCombo(commandState);
  WriteCombo(CommandCombo(), commandState);
  TChoiceComboState inputState = ReadCombo(input);
  inputState.Selected = -1;
  WriteCombo(input, inputState);
  RefreshMainGrid(row);
  Ask(AddedMessage);
  ::SetFocus(Grid());
}

void TCommandsPage::RemoveBtnClick() {
  int row = SelectedInputRow();
  if (Inputs.UsedRowCount() == 0 || row < 1) return;
  if (Ask(RemoveQuestion(RemoveInputWhat, RemoveInputCaption)) != MsgAnswerYes) return;
  Inputs.RemoveRow(row);
  RefreshMainGrid(std::min(row, Inputs.UsedRowCount()));
  SetCfgChanged(State);
}

bool TCommandsPage::ToggleRowCheck(int row) {
  if (!RowHasCheckBox(Inputs, row)) return MainGrid.Checked(row - 1);
  Inputs.ToggleInputState(row);
  SetCfgChanged(State);
  return IsCheckedState(Inputs.InputState(row));
}

void TCommandsPage::DropRow(int from, int to) {
  if (to > 0) Inputs.MoveRow(from, to);
  RefreshMainGrid(to > 0 ? to : from);
  // Dropped anywhere else: nothing moved, but the user did rearrange.
  SetCfgChanged(State);
}

}  // namespace pelorin
