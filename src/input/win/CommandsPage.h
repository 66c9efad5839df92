#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/win/FormPage.h"
#include "base/ConfigState.h"
#include "base/SharedState.h"
#include "common/win/CheckListView.h"
#include "input/CommandsEditor.h"
#include "input/CustomInputTable.h"

namespace pelorin {

// Caption of the InputsEnabled switch.
std::wstring InputsEnabledCaption(bool checkedInputsEnabled);

// The "Commands" sub-tab of "Custom Inputs": the Commands editor, which builds the custom
// input table (the two choice combo boxes, Add, the grid with its check boxes, dragged rows,
// fitted columns, Remove and Delete), and the InputsEnabled switch. The red error label of
// the sub-tabs starts on this page. GUI thread only.
class TCommandsPage final : public TFormPage {
 public:
  TCommandsPage(TCustomInputTable& inputs, TConfigState& state, TSharedState& shared);

  int HelpIndex() const override { return 0; }
  void LoadGeometry(const Settings& settings) override;
  void StoreGeometry(Settings& settings) const override;

  // The grid shows these rows.
  void ShowTable(const TCustomInputTable& table);
  // The InputsEnabled caption from CheckedInputsEnabled.
  void RefreshSwitchCaption();

  // The command combo box in use: the drop-down list, or the editable one while a command
  // line is typed.
  HWND CommandCombo() const;
  bool CommandComboEditable() const { return CommandEditable; }
  HWND InputCombo() const;
  HWND Grid() const { return MainGrid.Handle(); }

  // The editor's buttons, as a click runs them.
  void AddInputClick();
  void RemoveBtnClick();
  // The grid's data row (1..) that is selected, -1 when none.
  int SelectedInputRow() const;
  void SelectInputRow(int row);

  HWND ErrorLabel() const;
  // The free stretch of the bottom row, between the InputsEnabled switch and Remove, in the
  // page's client coordinates.
  RECT BottomRowGap() const;

  // Every message box of the editor (MsgBox unless replaced); returns the button pressed.
  std::function<int(std::wstring_view text, std::wstring_view caption, UINT flags)> Message;
  // The chord last captured for CommandCombo: the keys of a new chord command row.
  std::function<std::optional<TKeyChordRecord>()> CapturedChord;
  // The InputsEnabled switch was clicked; its behaviour belongs to the caller.
  std::function<void()> OnInputsEnabledClick;

 protected:
  std::span<const TAnchor> Anchors() const override;
  void Init() override;
  bool Command(int id, int code, HWND control) override;
  bool Notify(const NMHDR& header, LRESULT& result) override;
  bool OtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  static LRESULT CALLBACK ComboKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data) noexcept;
  TChoiceComboState ReadCombo(HWND combo) const;
  void WriteCombo(HWND combo, const TChoiceComboState& state);
  void SwitchCommandCombo(const TChoiceComboState& state);
  void ComboChange(HWND combo);
  void ComboDropDown(HWND combo);
  void ComboExit(HWND combo);
  bool ToggleRowCheck(int row);
  void DropRow(int from, int to);
  void RefreshMainGrid(int selectRow);
  int Ask(const TEditorMessage& message);

  TCustomInputTable& Inputs;
  TConfigState& State;
  TSharedState& SharedState;
  TCheckListView MainGrid;
  TChoiceComboState PendingCommandCombo;
  bool SwallowNextChar = false;
  bool CommandEditable = false;
};

}  // namespace pelorin
