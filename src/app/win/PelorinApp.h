#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainWorkThread.h"
#include "app/StartUp.h"
#include "app/win/GuiDispatcher.h"
#include "app/win/MainForm.h"
#include "app/win/MainWorkThreadWin.h"
#include "app/win/PopupFormUnit.h"
#include "app/win/SingleInstance.h"
#include "app/win/TrayIcon.h"
#include "base/ConfigState.h"
#include "base/Settings.h"
#include "clipboard/ClipboardChain.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClipboardKeeper.h"
#include "clipboard/win/ClipboardForm.h"
#include "clipboard/win/ClipboardSystemWin.h"
#include "clipboard/win/ClpFilePortWin.h"
#include "commands/Brightness.h"
#include "commands/CustomInputThread.h"
#include "commands/ShowingThread.h"
#include "commands/win/AudioUnit.h"
#include "commands/win/BrightnessUnit.h"
#include "commands/win/CommandSystem.h"
#include "commands/win/NoteFormUnit.h"
#include "commands/win/VideoUnit.h"
#include "config/SettingsStore.h"
#include "config/win/AnsiCodePageWin.h"
#include "config/win/AutoRunWin.h"
#include "config/win/FilePortWin.h"
#include "help/win/HelpForm.h"
#include "input/CustomInputTable.h"
#include "input/ForegroundTracking.h"
#include "input/KeyboardHook.h"
#include "input/MouseHook.h"
#include "input/TypedChars.h"
#include "desktop/DesktopIcons.h"
#include "desktop/win/DesktopShellWin.h"
#include "layout/LayoutSwitcher.h"
#include "layout/win/KeyboardLayoutWin.h"
#include "input/win/ForegroundHook.h"
#include "input/win/HooksWindowPort.h"
#include "common/win/Com.h"
#include "tracked/SyntheticInput.h"
#include "tracked/TrackedCheck.h"
#include "tracked/TrackedWindowRow.h"
#include "tracked/win/AccessibilityWin.h"
#include "tracked/win/SyntheticInputWin.h"
#include "tracked/win/TrackedWindowsWin.h"

namespace pelorin {

// The running executable's full path; the folder part (with its last backslash) and the
// file name of a path.
std::wstring ModulePath();
std::wstring FolderOf(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);

// Where the running program finds itself, its settings and its page templates: Ini defaults
// to Pelorin.ini beside Exe, Resources to the executable.
struct TAppPaths {
  std::wstring Exe;
  std::wstring Ini;
  HMODULE Resources = nullptr;
};

// The running program: everything start-up creates, in the order it creates it, so that the
// members are destroyed in reverse. GUI thread.
//
//   TPelorinApp app(instance, {exePath}, mode);
//   return app.Run();          // Start, the message loop, Shutdown
// Tests drive the parts: Start(), their own message pump through PreTranslate, Shutdown().
class TPelorinApp : public CommandWindowsPort,
                    public WorkerWindowsPort,
                    public DesktopRestorePort,
                    public DesktopUiPort,
                    public TrackedScanPort,
                    public PickerPort {
 public:
  TPelorinApp(HINSTANCE instance, TAppPaths paths, TStartMode mode);
  TPelorinApp(const TPelorinApp&) = delete;
  TPelorinApp& operator=(const TPelorinApp&) = delete;
  // Also the end of an exception that left Run: the same ordered shutdown.
  ~TPelorinApp() override;

  int Run();
  // Start-up in its fixed order. False when this start ends here: a second instance (which
  // asked the first to show itself) or a main window that could not be created.
  bool Start();
  // What the message loop does with a message before dispatching it; true when it was used.
  bool PreTranslate(MSG& message) { return Form && Form->IsFormMessage(message); }
  // The ordered shutdown; runs once. Starts the successor when a restart was asked for.
  void Shutdown();

  TMainForm* MainForm() { return Form.get(); }
  TClipboardHistory& ClipboardHistory() { return ClpHistory; }
  TClipboardKeeper* ClipboardKeeper() { return Keeper.get(); }
  TClipboardForm* ClipboardForm() { return ClipForm.get(); }
  THelpForm& HelpForm() { return Help; }
  const Settings& CurrentSettings() const { return Cfg; }

  // CommandWindowsPort and WorkerWindowsPort, GUI thread.
  void OpenClipboardManager() override;
  void ShowMainWindow() override;
  void ToggleCheckedInputs() override;
  void TogglePelorin() override;
  void ShowHelp() override;
  void MinimizeApplication() override;
  void ShowTrayPopup() override;
  void ShowBrightnessSlider() override;
  void RefreshTray() override;
  void MarkSettingsChanged() override { pelorin::MarkSettingsChanged(Config); }
  void CloseMainWindow() override;
  void ShowHookError(std::wstring_view text, std::wstring_view hint) override {
    Form->CustomInputsPage().ShowErrorLabel(text, hint);
  }
  void RefreshInputsCaption() override { InputsEnabledClick(false); }
  // TrackedScanPort, GUI thread: the rows as they are now.
  void CheckTrackedWindows() override {
    if (TrackedCheck) TrackedCheck->CheckTrackedWindows(TrackedRows);
  }
  // PickerPort, GUI thread: one step of the hand-point picker.
  void PickUnderPoint() override {
    if (Form) Form->TrackedPage().PickUnderPoint();
  }

  // DesktopRestorePort, worker thread.
  void ForegroundChanged(TWindowHandle foreground) override {
    if (Desktop) Desktop->ForegroundChanged(foreground);
  }
  // DesktopUiPort, GUI thread.
  int MsgBox(std::wstring_view text, std::wstring_view caption, uint32_t flags) override;
  bool SaveSettings() override;
  TDesktopIcons* DesktopIcons() { return Desktop.get(); }

 private:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnPowerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void PelorinEnabledClick(bool toggle);
  void InputsEnabledClick(bool toggle);
  void SaveIfChanged(bool tellUser);
  // While Pelorin.ini could not be read: one more read; the model takes the file when it works.
  void RetryIniRead();
  static constexpr UINT_PTR IniRetryTimer = 0x1E1;
  // How long a failed-save box waits for an answer before an automatic restart goes on.
  static constexpr UINT RestartBoxMs = 20000;
  static constexpr UINT IniRetryIntervalMs = 1000;
  // The settings other threads keep their own copy of.
  void MirrorSettings();
  void StartSuccessor(int restartCount);

  HINSTANCE Instance;
  HMODULE Resources;
  std::wstring ExePath;
  std::wstring IniPath;
  TStartMode Mode;

  Settings Cfg;
  std::unique_ptr<TCustomInputTable> Table;
  std::vector<TTrackedWindowRow> TrackedRows;
  TConfigState Config;
  TWinFilePort Files;
  TSystemAnsiCodePage Ansi;
  TWinRunKey RunKey;
  TSettingsIo Io;
  TInstanceMutex Mutex;
  TClipboardChain ClpChain;
  TClipboardHistory ClpHistory{Ansi};
  TClpFilePortWin ClpFiles;

  std::unique_ptr<TMainForm> Form;
  TTrayIcon Tray;
  TPopupForm Popup;
  std::unique_ptr<THooksWindowPort> WindowPort;
  TTypedChars TypedChars;
  TGuiDispatcher Dispatcher;
  TNoteForm NoteForm;
  TNoteFocus NoteFocus;
  std::unique_ptr<TShowingThread> Notes;
  std::unique_ptr<TNoteSender> NoteSender;
  TDxvaMonitor Monitor;
  std::unique_ptr<TBrightness> Brightness;
  std::unique_ptr<TBrightnessForm> Slider;
  std::unique_ptr<TMouseHook> MouseHook;
  std::unique_ptr<TKeyboardHook> KeyboardHook;
  TSyntheticInputWin InputSink;
  std::unique_ptr<TSyntheticInput> Input;
  TTrackedWindowsWin TrackedWindows;
  TWinAccessibility Accessibility;
  std::unique_ptr<TTrackedCheck> TrackedCheck;
  TAudioVolume Volume;
  std::unique_ptr<TWinCommandSystem> CommandSystem;
  TForegroundWin ForegroundSystem;
  std::unique_ptr<TForegroundTracker> Foreground;
  TWorkerSystemWin WorkerSystem;
  std::unique_ptr<TClipboardSystemWin> ClpSystem;
  std::unique_ptr<TClipboardKeeper> Keeper;
  std::unique_ptr<TMainWorkThread> Worker;
  TDesktopShellWin DesktopShell;
  std::unique_ptr<TDesktopIcons> Desktop;
  TKeyboardLayoutWin Layouts;
  std::unique_ptr<TLayoutSwitcher> Switcher;  // before the thread that runs it
  std::unique_ptr<TCustomInputThread> CmdThread;
  std::unique_ptr<TClipboardForm> ClipForm;
  THelpForm Help;
  bool Started = false;
  bool WindowFailed = false;
  bool ShutDown = false;
  bool Closing = false;  // the first WM_CLOSE came: the loop ends after it
};

}  // namespace pelorin
