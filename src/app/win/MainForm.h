#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "app/win/CustomInputsPage.h"
#include "common/win/Hints.h"
#include "common/win/FormPage.h"
#include "base/ConfigState.h"
#include "base/Settings.h"
#include "base/SharedState.h"
#include "common/win/WindowBase.h"
#include "config/SettingsStore.h"
#include "common/win/SettingBindings.h"
#include "config/win/SettingsPage.h"
#include "desktop/win/DesktopPage.h"
#include "input/win/CommandsPage.h"
#include "input/win/MousePage.h"
#include "layout/win/KeyboardLayoutPage.h"
#include "tracked/win/TrackedWindowsPage.h"

namespace pelorin {

// Caption of the PelorinEnabled switch; the tray tip repeats it.
std::wstring PelorinEnabledCaption(bool appEnabled);

// Pages in the order of their tabs; the indexes are the tab indexes.
enum class TMainPage : int { CustomInputs, Desktop, TrackedWindows, Settings };
inline constexpr int MainPageCount = 4;

// The main window (TMainForm): a top-level window of class "PelorinMainForm", the frame of
// the pages. It holds the page control with one page a tab, the PelorinEnabled switch below
// it and the hints; it keeps its minimum size, loads and stores its geometry, and lets Tab
// move between the controls. Each page knows its own controls and their behaviour (its
// subsystem's win/ folder); the frame only creates, places, shows and hides them. GUI thread
// only.
//
// Start-up, in the GUI thread:
//   TMainForm form(model, configState, Shared(), settingsIo);
//   form.OnMessage = ...;            // WM_CLOSE, WM_POWERBROADCAST, tray message, ...
//   form.Create(instance, VersionCaption());
//   form.StoreGeometry(settings);    // "current" values for keys missing in the file
//   LoadSettingsFile(...);           // then:
//   form.LoadControls(settings); form.ShowModel();
// The message loop passes every message through IsFormMessage (Tab between controls).
// Before Pelorin.ini is written: form.StoreGeometry(settings).
class TMainForm final : public TWindowBase {
 public:
  // Sees every message of the top-level window first; true when it handled the message,
  // with its result in `result`.
  using MessageHandler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

  static constexpr wchar_t WindowClass[] = L"PelorinMainForm";

  TMainForm(const TSettingsModel& model, TConfigState& state, TSharedState& shared, const TSettingsIo& io);
  ~TMainForm() override { Destroy(); }

  // Creates the window hidden, at the design size scaled to the screen's DPI, centred, with
  // the controls showing the model. The page templates and pictures come from `resources`,
  // which defaults to `instance`.
  bool Create(HINSTANCE instance, const std::wstring& caption, HMODULE resources = nullptr);
  // The pages, then the window; the form may be created again.
  void Destroy();

  // The top-level tab control; tab 0 is "Custom Inputs".
  HWND PageControl() const { return Tabs; }
  HWND Page(TMainPage page) const { return Pages[static_cast<int>(page)]->Handle(); }
  // Any control of the window or its pages by its id in res/resource.h.
  HWND Control(int id) const;
  // The smallest window size at which no page is clipped.
  SIZE MinimumSize() const { return MinSize; }

  void Show();
  void Hide();
  bool Visible() const { return Handle() != nullptr && ::IsWindowVisible(Handle()); }

  // Shows a page as if the user had clicked its tab.
  void ActivatePage(TMainPage page) { ShowPage(static_cast<int>(page)); }
  TMainPage ActivePage() const;
  // Which help text F1 shows: the page's (the sub-tab's, 0-2, on "Custom Inputs").
  int HelpIndex() const;

  // Shows the settings in the controls, the window geometry and the column widths, with
  // ProgrammaticChange set. Pass the model's own Settings.
  void LoadControls(const Settings& settings);
  // Writes the window's (restored) position and size and the column widths into settings.
  void StoreGeometry(Settings& settings) const;
  // The grids show the model's tables.
  void ShowModel();

  // Captions of PelorinEnabled and InputsEnabled from AppEnabled and CheckedInputsEnabled.
  void RefreshSwitchCaptions();

  // Keyboard navigation between the controls; true when the message was used.
  bool IsFormMessage(MSG& message);

  // The pages.
  TCustomInputsPage& CustomInputsPage() { return InputsPage; }
  TCommandsPage& CommandsPage() { return Commands; }
  TMousePage& MousePage() { return Mouse; }
  TKeyboardLayoutPage& LayoutPage() { return KeyboardLayout; }
  TDesktopPage& DesktopPage() { return Desktop; }
  TTrackedWindowsPage& TrackedPage() { return Tracked; }
  TSettingsPage& SettingsPage() { return SettingsTab; }
  // What follows the settings; the pages' table edits and Import recompute it.
  TSettingsFollowers& Followers() { return SettingsFollowers; }

  MessageHandler OnMessage;
  // The PelorinEnabled switch was clicked; its behaviour belongs to the caller, which then
  // calls RefreshSwitchCaptions.
  std::function<void()> OnPelorinEnabledClick;
  // After a user change of a setting control on any page, once the Settings field and
  // CfgChanged are updated (NoteCheck to the notification thread, DisableInGame's
  // full-screen flags, ...).
  TSettingChanged OnSettingChanged;

 private:
  // Spacing of the top-level window, in dialog units like the pages'.
  static constexpr int Margin = 7;
  static constexpr int SwitchGap = 4;
  static constexpr int ButtonHeight = 14;
  static constexpr int SwitchWidth = 75;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override;

  void MeasureFont();
  bool CreateControls();
  void ComputeMinimumSize();
  void Layout();
  void ShowPage(int index);
  void GeometryMaybeChanged();

  TSettingsModel Model;
  TConfigState& State;
  TSharedState& SharedState;
  TSettingsFollowers SettingsFollowers;  // before the pages, which use it

  // The pages, in the order of their tabs; Custom Inputs holds the first three.
  TCommandsPage Commands;
  TMousePage Mouse;
  TKeyboardLayoutPage KeyboardLayout;
  TCustomInputsPage InputsPage;
  TDesktopPage Desktop;
  TTrackedWindowsPage Tracked;
  TSettingsPage SettingsTab;
  std::array<TFormPage*, MainPageCount> Pages;

  TPageHost Host;
  THints Hints;
  HWND Tabs = nullptr;
  HWND PelorinEnabled = nullptr;
  SIZE MinSize{};
  RECT LastRect{};
};

}  // namespace pelorin
