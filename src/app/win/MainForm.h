#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/SharedState.h"
#include "app/win/MainFormDialogs.h"
#include "base/ConfigState.h"
#include "base/Settings.h"
#include "config/SettingsStore.h"
#include "input/CommandsEditor.h"
#include "input/CustomInputTable.h"
#include "tracked/TrackedWindowRow.h"

namespace pelorin {

// Captions of the two on/off switches; the tray tip repeats the first.
std::wstring PelorinEnabledCaption(bool appEnabled);
std::wstring InputsEnabledCaption(bool checkedInputsEnabled);

// The error label of the Custom Inputs sub-tabs when the system has no brightness control
// (the hook error's texts are the worker's).
inline constexpr std::wstring_view NoBrightnessText = L"The system does not supports a brightness adjusting";

// Pages in the order of their tabs; the indexes are the tab indexes.
enum class TMainPage : int { CustomInputs, Desktop, TrackedWindows, Settings };
enum class TInputsPage : int { Commands, Mouse, KeyboardLayout };
inline constexpr int MainPageCount = 4;
inline constexpr int InputsPageCount = 3;

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

// The main window (TMainForm): a top-level window of class "PelorinMainForm" holding the
// page control with the pages of res/MainForm.rc, the PelorinEnabled switch below it, and
// the hints. Every setting control is bound to the model's Settings: LoadControls shows them,
// and a user change writes the field and moves CfgChanged as the change table says. The
// Commands editor builds the model's custom input table (Add, Remove, check boxes, dragging
// rows, fitting the columns). The tracked-windows editor and picker, and the desktop buttons
// and shortcut pictures are laid out but do nothing yet. GUI thread only.
//
// Start-up, in the GUI thread:
//   TMainForm form(model, configState, Shared(), settingsIo);
//   form.OnMessage = ...;            // WM_CLOSE, WM_POWERBROADCAST, tray message, ...
//   form.Create(instance, VersionCaption());
//   form.StoreGeometry(settings);    // "current" values for keys missing in the file
//   LoadSettingsFile(...);           // then:
//   form.LoadControls(settings); form.ShowTable(table); form.ShowTrackedWindows(rows);
// The message loop passes every message through IsFormMessage (Tab between controls).
// Before Pelorin.ini is written: form.StoreGeometry(settings).
class TMainForm {
 public:
  // Sees every message of the top-level window first; true when it handled the message,
  // with its result in `result`.
  using MessageHandler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

  static constexpr wchar_t WindowClass[] = L"PelorinMainForm";

  TMainForm(const TSettingsModel& model, TConfigState& state, TSharedState& shared, const TSettingsIo& io);
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;
  ~TMainForm() { Destroy(); }

  // Creates the window hidden, at the design size scaled to the screen's DPI, centred, with
  // the controls showing the model. The page templates and pictures come from `resources`,
  // which defaults to `instance`.
  bool Create(HINSTANCE instance, const std::wstring& caption, HMODULE resources = nullptr);
  void Destroy();

  HWND Handle() const { return Window; }
  // The top-level tab control; tab 0 is "Custom Inputs".
  HWND PageControl() const { return Tabs; }
  // The sub-tabs of "Custom Inputs".
  HWND InputsPageControl() const { return InputsTabs; }
  // The command combo box in use: the drop-down list, or the editable one while a command
  // line is typed.
  HWND CommandCombo() const;
  bool CommandComboEditable() const;
  HWND InputCombo() const;
  HWND Page(TMainPage page) const { return Pages[static_cast<int>(page)]; }
  HWND InputsPage(TInputsPage page) const { return InputsPages[static_cast<int>(page)]; }
  // Any control of the window or its pages by its id in res/resource.h.
  HWND Control(int id) const;
  // Pixels per inch of the screen / 96, taken once at creation.
  double PixelsScale() const { return Scale; }
  // The smallest window size at which no page is clipped.
  SIZE MinimumSize() const { return MinSize; }

  void Show();
  void Hide();
  bool Visible() const { return Window != nullptr && ::IsWindowVisible(Window); }

  // Shows a page as if the user had clicked its tab.
  void ActivatePage(TMainPage page);
  void ActivateInputsPage(TInputsPage page);
  TMainPage ActivePage() const;
  TInputsPage ActiveInputsPage() const;
  // Which help text F1 shows: the sub-tab (0-2) on "Custom Inputs", else the tab index + 2.
  int HelpIndex() const;

  // Shows the settings in the controls, the window geometry and the column widths, with
  // ProgrammaticChange set. Pass the model's own Settings.
  void LoadControls(const Settings& settings);
  // Writes the window's (restored) position and size and the column widths into settings.
  void StoreGeometry(Settings& settings) const;
  // MainGrid and TrackWinsGrid show these rows.
  void ShowTable(const TCustomInputTable& table);
  void ShowTrackedWindows(const std::vector<TTrackedWindowRow>& rows);

  // Captions of PelorinEnabled and InputsEnabled from AppEnabled and CheckedInputsEnabled.
  void RefreshSwitchCaptions();
  // The red label of the Custom Inputs sub-tabs: the hook error with its hint (HookErrorText,
  // HookErrorHint), or another text (NoBrightnessText), with a hint when one is given.
  void ShowHookError();
  void ShowErrorLabel(std::wstring_view text, std::wstring_view hint = {});
  HWND ErrorLabel() const { return HookErrorLabel; }
  // The shell refused access: shows the red desktop label and disables the desktop save,
  // restore and automatic restore.
  void ShowDesktopError();
  // No other keyboard layout: unchecks and disables the auto-switcher and its track bar.
  void DisableAutoLayout();

  // Keyboard navigation between the controls; true when the message was used.
  bool IsFormMessage(MSG& message);

  // The Export and Import dialogs (owner, MsgBox).
  TWinSettingsDialogs& Dialogs() { return SettingsDialogs; }

  // The editor's buttons, as a click runs them.
  void AddInputClick();
  void RemoveBtnClick();
  // The grid's data row (1..) that is selected, -1 when none.
  int SelectedInputRow() const;
  void SelectInputRow(int row);

  // Every message box of the editors (MsgBox unless replaced); returns the button pressed.
  TWinSettingsDialogs::MsgBoxFunction Message;
  // The chord last captured for CommandCombo: the keys of a new chord command row.
  std::function<std::optional<TKeyChordRecord>()> CapturedChord;

  MessageHandler OnMessage;
  // The two switches were clicked; their behaviour belongs to the caller, which then calls
  // RefreshSwitchCaptions.
  std::function<void()> OnPelorinEnabledClick;
  std::function<void()> OnInputsEnabledClick;
  // The clipboard "Apply" button; it is disabled again after the callback.
  std::function<void()> OnApplyClick;
  // After a user change of a setting control, once the Settings field and CfgChanged are
  // updated (NoteCheck to the notification thread, DisableInGame's full-screen flags, ...).
  std::function<void(TSettingControl)> OnSettingChanged;
  // After an Import has shown the loaded settings.
  std::function<void()> OnSettingsImported;

 private:
  struct TAnchored {
    HWND Control;
    RECT Design;  // in the page's client coordinates at the template's size
    double MoveX, SizeX, MoveY, SizeY;
  };
  struct TPageLayout {
    HWND Page = nullptr;
    SIZE Design{};
    std::vector<TAnchored> Anchored;
  };
  struct TCheckCell {
    bool HasBox = false;
    bool Checked = false;
  };

  // Spacing of the top-level window, in dialog units like the pages'.
  static constexpr int Margin = 7;
  static constexpr int SwitchGap = 4;
  static constexpr int ButtonHeight = 14;
  static constexpr int SwitchWidth = 75;
  static constexpr int ControlGap = 6;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR PageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

  HWND CreatePage(int templateId, HWND parent);
  void InitControls();
  void InitGrid(HWND grid, std::initializer_list<std::wstring_view> headers, int designWidth);
  void AddHint(HWND control, std::wstring_view text);
  void RemoveHint(HWND control);
  void RecordLayout(HWND page);
  const TPageLayout* LayoutOf(HWND page) const;
  void ComputeMinimumSize();
  void Layout();
  void LayoutPage(HWND page);
  void FitInputsPages();
  void PlaceErrorLabel();
  void ShowPage(int index);
  void ShowInputsPage(int index);
  int DluX(int x) const { return ::MulDiv(x, BaseX, 4); }
  int DluY(int y) const { return ::MulDiv(y, BaseY, 8); }

  void ShowSettingControls(const Settings& settings);
  void CheckClicked(int id);
  void TrackMoved(int id);
  void SpinEditChanged(int id);
  void SpinEditLeft(int id);
  void GeometryMaybeChanged();
  void SaveCfgClick();
  void LoadCfgClick();
  void Changed(TSettingControl control);

  void DrawGridCell(LPARAM customDraw, LRESULT& result);

  // Commands editor.
  void SubclassEditorControls();
  static LRESULT CALLBACK ComboKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
  static LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR data);
  TChoiceComboState ReadCombo(HWND combo) const;
  void WriteCombo(HWND combo, const TChoiceComboState& state);
  void SwitchCommandCombo(const TChoiceComboState& state);
  void ComboChange(HWND combo);
  void ComboDropDown(HWND combo);
  void ComboExit(HWND combo);
  int MainGridRowAt(POINT client) const;
  void MainGridMouseDown(POINT client);
  // Toggles the check box of a data row that has one, as a click on it does.
  void ToggleRowCheck(int row);
  void MainGridMouseUp(int from, POINT client);
  // The data row marked as where a dragged row would go; -1 for none.
  void MarkDropRow(int row);
  void FitMainGridColumns();
  void RefreshMainGrid(int selectRow);
  int Ask(const TEditorMessage& message);
  void DrawPicture(const DRAWITEMSTRUCT& item);

  TSettingsModel Model;
  TConfigState& State;
  TSharedState& SharedState;
  const TSettingsIo& Io;
  TWinSettingsDialogs SettingsDialogs;

  HINSTANCE Instance = nullptr;
  HMODULE Resources = nullptr;
  HWND Window = nullptr;
  HWND Tabs = nullptr;
  HWND InputsTabs = nullptr;
  HWND PelorinEnabled = nullptr;
  HWND Tooltip = nullptr;
  HWND HookErrorLabel = nullptr;
  std::array<HWND, MainPageCount> Pages{};
  std::array<HWND, InputsPageCount> InputsPages{};
  std::vector<TPageLayout> Layouts;
  HFONT Font = nullptr;
  std::array<HICON, 4> ShortcutIcons{};
  double Scale = 1.0;
  int BaseX = 6;
  int BaseY = 13;
  SIZE MinSize{};
  RECT LastRect{};
  bool ErrorHasHint = false;
  std::vector<TCheckCell> MainGridBoxes;
  int DragRow = -1;
  int DropRow = -1;
  TChoiceComboState PendingCommandCombo;
  bool SwallowNextChar = false;
  bool CommandEditable = false;
  std::vector<TCheckCell> WinGridBoxes;
};

}  // namespace pelorin
