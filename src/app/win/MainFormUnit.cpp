// The main block: start-up in its fixed order, the message loop, and the ordered shutdown.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWorkThread.h"
#include "base/SharedState.h"
#include "app/StartUp.h"
#include "app/Tray.h"
#include "app/win/Fatal.h"
#include "app/win/GuiDispatcher.h"
#include "app/win/MainForm.h"
#include "app/win/MainWorkThreadWin.h"
#include "app/win/MsgBox.h"
#include "app/win/PopupFormUnit.h"
#include "app/win/TrayIcon.h"
#include "app/win/SingleInstance.h"
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
#include "input/CustomInputTable.h"
#include "input/ForegroundTracking.h"
#include "input/KeyboardHook.h"
#include "input/MouseHook.h"
#include "input/TypedChars.h"
#include "input/win/ForegroundHook.h"
#include "input/win/HookInstaller.h"
#include "input/win/HooksWindowPort.h"
#include "tracked/SyntheticInput.h"
#include "tracked/TrackedWindowRow.h"
#include "tracked/win/SyntheticInputWin.h"

namespace pelorin {
namespace {

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD len = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (len < path.size()) {
      path.resize(len);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }
std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// "Pelorin (v.1.0.0)" from the file version of the running executable.
std::wstring VersionCaption(const std::wstring& exePath) {
  std::wstring caption = L"Pelorin";
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(exePath.c_str(), &ignored);
  if (size == 0) return caption;
  std::vector<BYTE> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoLen = 0;
  if (::GetFileVersionInfoW(exePath.c_str(), 0, size, block.data()) &&
      ::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLen) && info != nullptr) {
    caption += L" (v." + std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
               std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
               std::to_wstring(HIWORD(info->dwFileVersionLS)) + L")";
  }
  return caption;
}

// The language of the first installed keyboard layout that is not US English, 0 when none.
int FindOtherLayoutLang() {
  HKL layouts[100];
  int count = ::GetKeyboardLayoutList(100, layouts);
  for (int i = 0; i < count; ++i) {
    int lang = LOWORD(reinterpret_cast<UINT_PTR>(layouts[i]));
    if (lang != 1033) return lang;
  }
  return 0;
}

// Pixels per inch of the screen / 96; the process is DPI aware, so this is the windows' scale.
double ScreenPixelsScale() {
  HDC dc = ::GetDC(nullptr);
  int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc != nullptr) ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

void ReadScreenMetrics(TSharedState& shared) {
  shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
}

// The running program: everything start-up creates, in the order it creates it, so that the
// members are destroyed in reverse.
class TPelorinApp : public CommandWindowsPort, public WorkerWindowsPort {
 public:
  TPelorinApp(HINSTANCE instance, std::wstring exePath, TStartMode mode)
      : Instance(instance),
        ExePath(std::move(exePath)),
        IniPath(FolderOf(ExePath) + L"Pelorin.ini"),
        Mode(mode),
        Io{Files, Ansi, RunKey, AutoRunData(ExePath)} {}

  TPelorinApp(const TPelorinApp&) = delete;
  TPelorinApp& operator=(const TPelorinApp&) = delete;
  // Also the end of an exception that left Run: the same ordered shutdown.
  ~TPelorinApp() { Shutdown(); }

  int Run();

  // CommandWindowsPort and WorkerWindowsPort, GUI thread.
  void OpenClipboardManager() override {}  // arrives with the Clipboard Manager
  void ShowMainWindow() override;
  void ToggleCheckedInputs() override {
    InputsEnabledClick(true);
    Notes->ShowNote(InputsEnabledCaption(Shared().CheckedInputsEnabled), true, -1);
  }
  void TogglePelorin() override {
    PelorinEnabledClick(true);
    Notes->ShowNote(PelorinEnabledCaption(Shared().AppEnabled), true, -1);
  }
  void ShowHelp() override {}  // arrives with the help window
  void MinimizeApplication() override;
  void ShowTrayPopup() override {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    Popup.ShowAt(cursor.x);
  }
  void ShowBrightnessSlider() override {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    Slider->ShowAt(cursor.x);
  }
  void RefreshTray() override;
  void MarkSettingsChanged() override { pelorin::MarkSettingsChanged(Config); }
  void CloseMainWindow() override { ::PostMessageW(Form->Handle(), WM_CLOSE, 0, 0); }
  void ShowHookError(std::wstring_view text, std::wstring_view hint) override {
    Form->CustomInputsPage().ShowErrorLabel(text, hint);
  }
  void RefreshInputsCaption() override { InputsEnabledClick(false); }

 private:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void PelorinEnabledClick(bool toggle);
  void InputsEnabledClick(bool toggle);
  void SaveIfChanged(bool tellUser);
  // The settings other threads keep their own copy of.
  void MirrorSettings();
  void Shutdown();

  HINSTANCE Instance;
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
  TAudioVolume Volume;
  std::unique_ptr<TWinCommandSystem> CommandSystem;
  TForegroundWin ForegroundSystem;
  std::unique_ptr<TForegroundTracker> Foreground;
  TWorkerSystemWin WorkerSystem;
  std::unique_ptr<TMainWorkThread> Worker;
  std::unique_ptr<TCustomInputThread> CmdThread;
  bool ShutDown = false;
};

void TPelorinApp::ShowMainWindow() {
  TSharedState& shared = Shared();
  if (shared.MainWindowActive.load()) return;
  HWND window = Form->Handle();
  Form->Show();
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  // Topmost and back again brings it above everything without pinning it there.
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(window);
  shared.MainWindowActive = true;
}

void TPelorinApp::MinimizeApplication() {
  Form->Hide();  // to the tray: no taskbar button is left
  Shared().MainWindowActive = false;
}

void TPelorinApp::RefreshTray() {
  bool enabled = Shared().AppEnabled.load();
  std::optional<uint32_t> brightness;
  if (Brightness && Brightness->Available()) brightness = Brightness->Cur();
  Tray.Refresh(TrayTip(PelorinEnabledCaption(enabled), brightness), enabled);
}

void TPelorinApp::PelorinEnabledClick(bool toggle) {
  TSharedState& shared = Shared();
  if (toggle) {
    bool enabled = !shared.AppEnabled.load();
    shared.AppEnabled = enabled;
    if (enabled)
      HooksReinstalled(shared, InstallHooks(Instance));
    else
      RemoveHooks();
  }
  Form->RefreshSwitchCaptions();
  Popup.SetAppEnabled(shared.AppEnabled.load());
  RefreshTray();
}

void TPelorinApp::InputsEnabledClick(bool toggle) {
  TSharedState& shared = Shared();
  if (toggle) shared.CheckedInputsEnabled = !shared.CheckedInputsEnabled.load();
  Form->RefreshSwitchCaptions();
}

void TPelorinApp::MirrorSettings() {
  Notes->SetNoteCheck(Cfg.NoteCheck);
  if (Worker) Worker->SetHooksCheck(Cfg.HooksCheck);
  if (Foreground) Foreground->SetDisableInGame(Cfg.DisableInGame);
}

void TPelorinApp::SaveIfChanged(bool tellUser) {
  if (!Config.NeedsSave()) return;
  Form->StoreGeometry(Cfg);
  TSettingsModel model{Cfg, *Table, TrackedRows};
  if (WriteIniFile(IniPath, model, Io, Config) == TSaveResult::WriteFailed && tellUser)
    MsgBox(SaveFailedText(IniPath), SaveFailedCaption, MB_OK | MB_ICONERROR);
}

bool TPelorinApp::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  TSharedState& shared = Shared();
  if (Tray.HandleMessage(message)) {
    result = 0;
    return true;
  }
  if (message == TrayCallbackMessage) {
    TTrayReaction reaction = TrayCallbackReaction(static_cast<int64_t>(lParam), Brightness && Brightness->Available());
    if (reaction.PostAction != NoAction) shared.PostAction(reaction.PostAction);
    if (reaction.ShowMainWindow) ShowMainWindow();
    result = 0;
    return true;
  }
  switch (message) {
    case WM_CLOSE:
      // Closing is never refused; the shutdown runs after the message loop, while the
      // window still exists.
      SaveIfChanged(true);
      ::PostQuitMessage(0);
      result = 0;
      return true;
    case WM_DISPLAYCHANGE:
      shared.ScreenWidth = LOWORD(lParam);
      shared.ScreenHeight = HIWORD(lParam);
      return false;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETMOUSEBUTTONSWAP) ReadPrimaryButton(shared);
      return false;
    case WM_POWERBROADCAST:
    case WM_QUERYENDSESSION: {
      if (Config.ProgrammaticChange) return false;
      bool was = shared.Suspending.load();
      if (message == WM_POWERBROADCAST) {
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
          shared.Suspending = false;
          KeyboardHook->PressedKeys().Clear();  // keys held across standby are forgotten
        } else if (wParam == PBT_APMSUSPEND) {
          shared.Suspending = true;
        }
      } else {
        shared.Suspending = true;
      }
      if (!was && shared.Suspending.load()) {
        TProgrammaticChange guard(Config);
        SaveIfChanged(false);  // nobody can answer a message now
        if (message == WM_QUERYENDSESSION && lParam == 0) ::PostMessageW(Form->Handle(), WM_CLOSE, 0, 0);
      }
      if (message == WM_QUERYENDSESSION) {
        result = TRUE;
        return true;
      }
      return false;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        MinimizeApplication();
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

int TPelorinApp::Run() {
  TSharedState& shared = Shared();
  if (Mode.AppEnabled) shared.AppEnabled = *Mode.AppEnabled;

  // A second start only asks the running instance to show itself.
  if (InstanceMutexExists()) {
    ::GlobalAddAtomW(ActivateAtomName.data());
    return 0;
  }
  // An instance that lost its mutex (a hung one) must not keep its hooks.
  for (int i = 0; i < 20 && KillOtherInstances(FileNameOf(ExePath)); ++i) {
  }
  Mutex.Create();

  ReadScreenMetrics(shared);
  ReadPrimaryButton(shared);
  POINT cursor{};
  ::GetCursorPos(&cursor);

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The grid keeps room for its check boxes at any DPI.
  Table = std::make_unique<TCustomInputTable>(CellPrefixLenFor(ScreenPixelsScale()));
  TSettingsModel model{Cfg, *Table, TrackedRows};
  Form = std::make_unique<TMainForm>(model, Config, shared, Io);
  Form->OnMessage = [this](UINT m, WPARAM w, LPARAM l, LRESULT& r) { return OnMessage(m, w, l, r); };
  if (!Form->Create(Instance, VersionCaption(ExePath))) return 1;
  HWND window = Form->Handle();
  SetShutdownWindow(window);

  // Settings: keys missing in the file keep the window's current values.
  Form->StoreGeometry(Cfg);
  if (!LoadSettingsFile(IniPath, model, {shared.ScreenWidth.load(), shared.ScreenHeight.load()}, Io, Config))
    Config.ExportMark = true;
  Form->LoadControls(Cfg);
  Form->ShowModel();
  Form->SettingsPage().Dialogs().SetOwner(window);
  SetMsgBoxOwner(window);
  Form->SettingsPage().Dialogs().SetMsgBox([](std::wstring_view text, std::wstring_view caption, UINT flags) {
    return MsgBox(text, caption, flags);
  });

  Dispatcher.Create(Instance);
  NoteForm.Create(Instance);
  NoteFocus.SetWindow(TPelorinWindow::Main, window);
  Notes = std::make_unique<TShowingThread>(Dispatcher, NoteForm, NoteFocus, shared);
  Notes->SetNoteCheck(Cfg.NoteCheck);
  NoteSender = std::make_unique<TNoteSender>(*Notes);

  Form->OnPelorinEnabledClick = [this] { PelorinEnabledClick(true); };
  Form->CommandsPage().OnInputsEnabledClick = [this] { InputsEnabledClick(true); };
  Form->OnSettingChanged = [this](TSettingControl control) {
    if (control == TSettingControl::DisableInGame && Foreground)
      Foreground->DisableInGameClick(Cfg.DisableInGame);  // the user's click also re-checks the game
    else
      MirrorSettings();
  };
  Form->SettingsPage().OnSettingsImported = [this] { MirrorSettings(); };
  PelorinEnabledClick(false);
  InputsEnabledClick(false);

  Brightness = std::make_unique<TBrightness>(Monitor.InitBrightness() ? &Monitor : nullptr);
  if (Brightness->Available())
    Brightness->ReadBrightness();
  else
    Form->CustomInputsPage().ShowErrorLabel(NoBrightnessText);
  Slider = std::make_unique<TBrightnessForm>(*Brightness);
  Slider->OnChanged = [this] {
    RefreshTray();
    MarkSettingsChanged();
  };
  Slider->Create(Instance);

  Popup.OnShowPelorin = [this] { ShowMainWindow(); };
  Popup.OnTogglePelorin = [this] { PelorinEnabledClick(true); };
  Popup.OnClipboardManager = [] { Shared().PostAction(ActionClipboardManager); };
  Popup.OnBrightness = [this](int x) { Slider->ShowAt(x); };
  Popup.OnClose = [this] { CloseMainWindow(); };
  Popup.Create(Instance);
  Popup.SetAppEnabled(shared.AppEnabled.load());
  Popup.SetBrightnessAvailable(Brightness->Available());

  WindowPort = std::make_unique<THooksWindowPort>(
      Form->CommandsPage(), Config, [this] { return Form->ActivePage() == TMainPage::CustomInputs; });
  MouseHook = std::make_unique<TMouseHook>(*Table, Cfg, shared, *WindowPort, TypedChars, TPoint{cursor.x, cursor.y});
  KeyboardHook = std::make_unique<TKeyboardHook>(*Table, shared, *WindowPort, TypedChars);
  Form->CommandsPage().CapturedChord = [this] { return KeyboardHook->CapturedChord(); };
  SetHookTargets(KeyboardHook.get(), MouseHook.get());
  bool hooked = shared.AppEnabled.load() ? InstallHooks(Instance) : true;

  Input = std::make_unique<TSyntheticInput>(shared, *MouseHook, InputSink);
  ForegroundSystem.SetNotes(Notes.get());
  Foreground = std::make_unique<TForegroundTracker>(
      TForegroundTracker::Links{shared, Config, TypedChars, ForegroundSystem, Dispatcher, *this, *NoteSender});
  Foreground->SetMainWindow(ToWindowHandle(window));
  Foreground->RegisterOwnWindow(ToWindowHandle(NoteForm.Handle()));
  Foreground->RegisterOwnWindow(ToWindowHandle(Slider->Handle()));
  Foreground->RegisterOwnWindow(ToWindowHandle(Popup.Handle()));
  Foreground->SetDisableInGame(Cfg.DisableInGame);
  bool foregroundHooked = InstallForegroundHook(Foreground.get());
  // A failed hook is reported and repaired by the worker's restart; a user who started
  // Pelorin by hand gets its window shown below (MainWindowActive), so the restart waits.
  if (!hooked || !foregroundHooked) shared.KeyboardProbe = ProbeFailed;

  shared.OtherLayoutLang = FindOtherLayoutLang();
  if (shared.OtherLayoutLang.load() == 0) Form->LayoutPage().DisableAutoLayout();
  shared.CapsLockOn = WindowPort->CapsLockToggled();

  CommandSystem = std::make_unique<TWinCommandSystem>(Volume);
  Worker = std::make_unique<TMainWorkThread>(TMainWorkThread::Links{shared, *Input, *Foreground,
                                                                    KeyboardHook->PressedKeys(), WorkerSystem,
                                                                    Dispatcher, *this, nullptr, Mode.RestartCount});
  Worker->SetHooksCheck(Cfg.HooksCheck);
  CmdThread = std::make_unique<TCustomInputThread>(TCustomInputThread::Links{
      *Table, shared, *MouseHook, *Input, *NoteSender, Volume, *Brightness, *CommandSystem, Dispatcher, *this,
      nullptr});
  Worker->Start();
  CmdThread->Start();

  // The icon last: adding it is a call into the shell's process, which nothing of the start
  // should wait for, and its clicks find everything ready.
  Tray.Add(window, Instance);
  RefreshTray();
  if (!Mode.AutoRun) ShowMainWindow();

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (Form->IsFormMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  Shutdown();
  return 0;
}

void TPelorinApp::Shutdown() {
  if (ShutDown) return;
  ShutDown = true;
  TSharedState& shared = Shared();
  // The threads first, so everything they use exists for their whole life.
  if (Worker) Worker->Stop();
  if (CmdThread) CmdThread->Stop();
  Dispatcher.Close();
  if (Notes) Notes->Stop();
  NoteForm.Destroy();
  if (Slider) Slider->Destroy();
  Popup.Destroy();
  Monitor.DoneBrightness();
  RemoveHooks();
  RemoveForegroundHook();
  SetHookTargets(nullptr, nullptr);
  SetShutdownWindow(nullptr);
  SetMsgBoxOwner(nullptr);
  bool restart = shared.MouseProbe.load() == ProbeRestart || shared.KeyboardProbe.load() == ProbeRestart;
  int restartCount = Worker ? Worker->RestartCount() : 0;
  Tray.Delete();
  if (Form) Form->Destroy();
  Mutex.Release();
  if (restart) {
    // The successor finds no mutex and starts hidden.
    std::wstring line = RestartCommandLine(ExePath, restartCount, shared.AppEnabled.load());
    std::wstring folder = FolderOf(ExePath);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
      ::CloseHandle(pi.hThread);
      ::CloseHandle(pi.hProcess);
    }
  }
}

}  // namespace
}  // namespace pelorin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace pelorin;
  std::vector<std::wstring> args = SplitCommandLine(::GetCommandLineW());
  std::wstring exePath = ModulePath();
  TStartMode mode = ParseStartMode(std::vector<std::wstring>(args.begin() + (args.empty() ? 0 : 1), args.end()));
  if (mode.PowerCommand != 0) {
    PowerStart(mode.PowerCommand, FileNameOf(exePath));
    return 0;
  }
  try {
    TPelorinApp app(instance, exePath, mode);
    return app.Run();
  } catch (...) {
    UnexpectedException();
    return 0;
  }
}
