#include "app/win/PelorinApp.h"

#include <commctrl.h>

#include "app/PowerEvents.h"
#include "app/Tray.h"
#include "common/win/Fatal.h"
#include "common/win/MsgBox.h"
#include "common/win/Messages.h"
#include "common/win/Owned.h"
#include "common/win/SentMessages.h"
#include "common/win/WindowBase.h"
#include "desktop/win/DesktopShortcut.h"
#include "input/win/HookInstaller.h"
#include "input/win/HooksWindowPort.h"

namespace pelorin {

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

namespace {

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

void ReadScreenMetrics(TSharedState& shared) {
  shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace

TPelorinApp::TPelorinApp(HINSTANCE instance, TAppPaths paths, TStartMode mode)
    : Instance(instance),
      Resources(paths.Resources),
      ExePath(std::move(paths.Exe)),
      IniPath(paths.Ini.empty() ? FolderOf(ExePath) + L"Pelorin.ini" : std::move(paths.Ini)),
      Mode(mode),
      Io{Files, Ansi, RunKey, AutoRunData(ExePath)} {}

TPelorinApp::~TPelorinApp() { Shutdown(); }

void TPelorinApp::ToggleCheckedInputs() {
  InputsEnabledClick(true);
  Notes->ShowNote(InputsEnabledCaption(Shared().CheckedInputsEnabled), true, -1);
}

void TPelorinApp::TogglePelorin() {
  PelorinEnabledClick(true);
  Notes->ShowNote(PelorinEnabledCaption(Shared().AppEnabled), true, -1);
}

void TPelorinApp::OpenClipboardManager() {
  if (!ClipForm || ClipForm->Handle() == nullptr || ClipForm->Visible()) return;
  // Where the paste goes: the window in front when the command came, as tracked.
  HWND front = reinterpret_cast<HWND>(Shared().ForegroundWnd.load());
  if (front == nullptr) front = ::GetForegroundWindow();
  ClipForm->ShowFor(RecordPasteTarget(front));
}

// F1 in the main window: the help text of the page in front.
void TPelorinApp::ShowHelp() {
  if (Form) Help.Show(Form->HelpIndex());
}

void TPelorinApp::ShowTrayPopup() {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  Popup.ShowAt(cursor.x);
}

void TPelorinApp::ShowBrightnessSlider() {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  Slider->ShowAt(cursor.x);
}

void TPelorinApp::CloseMainWindow() { ::PostMessageW(Form->Handle(), WM_CLOSE, 0, 0); }

void TPelorinApp::ShowMainWindow() {
  TSharedState& shared = Shared();
  HWND window = Form->Handle();
  // The flag follows the foreground; a window minimised while it stays in front is not active.
  if (shared.MainWindowActive.load() && ::IsWindowVisible(window) && !::IsIconic(window)) return;
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
  // Until the slider's writer brings the first reading the tip shows no value rather than 0.
  if (Brightness && Brightness->Available() && Brightness->Known()) brightness = Brightness->Cur();
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
  if (Notes) Notes->SetNoteCheck(Cfg.NoteCheck);
  if (Keeper) Keeper->SetOptions({Cfg.MaxUncheckedEdit, Cfg.MaxMemoryEdit, Cfg.SaveClipboardCheck});
  if (Worker) Worker->SetHooksCheck(Cfg.HooksCheck);
  if (Foreground) Foreground->SetDisableInGame(Cfg.DisableInGame);
  if (Switcher) Switcher->SetOptions(Cfg.AutoLayoutCheck, Cfg.AutoLayoutTrack);
}

void TPelorinApp::RetryIniRead() {
  TSharedState& shared = Shared();
  TSettingsModel model{Cfg, *Table, TrackedRows};
  if (Config.IniUnread) {
    Form->StoreGeometry(Cfg);
    if (!pelorin::RetryIniRead(IniPath, model, {shared.ScreenWidth.load(), shared.ScreenHeight.load()}, Io, Config))
      return;
    Form->Followers().Recompute(model);
    Form->LoadControls(Cfg);
    Form->ShowModel();
  }
  ::KillTimer(Form->Handle(), IniRetryTimer);
}

void TPelorinApp::SaveIfChanged(bool tellUser) {
  if (!Config.NeedsSave()) return;
  Form->StoreGeometry(Cfg);
  TSettingsModel model{Cfg, *Table, TrackedRows};
  if (WriteIniFile(IniPath, model, Io, Config) != TSaveResult::WriteFailed || !tellUser) return;
  // Before an automatic restart the user may be away: the box goes by itself, so that the
  // restart (the hooks are not working) still follows.
  TSharedState& shared = Shared();
  const bool restarting = shared.MouseProbe.load() == ProbeRestart || shared.KeyboardProbe.load() == ProbeRestart;
  pelorin::MsgBox(SaveFailedText(IniPath), SaveFailedCaption, MB_OK | MB_ICONERROR, restarting ? RestartBoxMs : 0);
}

int TPelorinApp::MsgBox(std::wstring_view text, std::wstring_view caption, uint32_t flags) {
  return pelorin::MsgBox(text, caption, flags);
}

bool TPelorinApp::SaveSettings() {
  Form->StoreGeometry(Cfg);
  TSettingsModel model{Cfg, *Table, TrackedRows};
  TSaveResult saved = WriteIniFile(IniPath, model, Io, Config);
  // A file never read was told about at start-up; it is not written, and no more is said.
  if (saved == TSaveResult::WriteFailed) pelorin::MsgBox(SaveFailedText(IniPath), SaveFailedCaption, MB_OK | MB_ICONERROR);
  return saved == TSaveResult::Saved;
}

bool TPelorinApp::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  TSharedState& shared = Shared();
  if (ClpSystem && ClpSystem->HandleMessage(message, wParam, lParam, result)) return true;
  if (Tray.HandleMessage(message)) {
    // A new shell: its desktop list is another window in another process.
    if (Desktop) Desktop->ShellRestarted();
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
      // window still exists. Only the first close counts: the worker asks for a restart on
      // every tick, and a failed write's message box would otherwise take each of those
      // closes into a box of its own.
      result = 0;
      if (Closing) return true;
      Closing = true;
      SaveIfChanged(!Shared().Suspending.load());  // nobody answers a box while the session ends
      ::PostQuitMessage(0);
      return true;
    case WM_TIMER:
      if (wParam != IniRetryTimer) return false;
      RetryIniRead();
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
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
      return OnPowerMessage(message, wParam, lParam, result);
    case WM_SIZE:
      // Minimised by any path (another program, a shell shortcut): no longer the active window,
      // so whatever shows it again restores it. The form lays itself out as usual.
      if (wParam == SIZE_MINIMIZED) shared.MainWindowActive = false;
      return false;
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

bool TPelorinApp::OnPowerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  TPowerEvent event = TPowerEvent::Other;
  if (message == WM_POWERBROADCAST && (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND))
    event = TPowerEvent::Resume;
  else if (message == WM_POWERBROADCAST && wParam == PBT_APMSUSPEND)
    event = TPowerEvent::Suspend;
  else if (message == WM_QUERYENDSESSION)
    event = TPowerEvent::SessionEnding;
  else if (message == WM_ENDSESSION && !wParam)
    event = TPowerEvent::SessionEndCancelled;
  // lParam 0: the system shuts down; ENDSESSION_LOGOFF and the others: only the session ends.
  TPowerReaction reaction =
      PowerEventReaction(event, message == WM_QUERYENDSESSION && lParam == 0, Config.ProgrammaticChange, Shared().Suspending);
  if (reaction.ForgetHeldKeys) KeyboardHook->PressedKeys().Clear();
  if (reaction.SaveNow) {
    TProgrammaticChange guard(Config);
    SaveIfChanged(false);  // nobody can answer a message now
    if (Keeper) Keeper->SaveIfChanged();
  }
  if (reaction.CloseMainWindow) CloseMainWindow();
  if (message != WM_QUERYENDSESSION || Config.ProgrammaticChange) return false;
  result = TRUE;  // never in the way of the session's end
  return true;
}

int TPelorinApp::Run() {
  // A second start ends well; a main window that could not be created does not.
  if (!Start()) return WindowFailed ? 1 : 0;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  Shutdown();
  return 0;
}

bool TPelorinApp::Start() {
  TSharedState& shared = Shared();
  if (Mode.AppEnabled) shared.AppEnabled = *Mode.AppEnabled;

  // A second start only asks the running instance to show itself.
  if (InstanceMutexExists()) {
    ::GlobalAddAtomW(ActivateAtomName.data());
    return false;
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
  Table = std::make_unique<TCustomInputTable>(CellPrefixLenFor(ScreenDpi().X / 96.0));
  TSettingsModel model{Cfg, *Table, TrackedRows};
  Form = std::make_unique<TMainForm>(model, Config, shared, Io);
  Form->OnMessage = [this](UINT m, WPARAM w, LPARAM l, LRESULT& r) { return OnMessage(m, w, l, r); };
  if (!Form->Create(Instance, VersionCaption(ExePath), Resources)) {
    Form.reset();
    WindowFailed = true;
    return false;
  }
  Started = true;
  HWND window = Form->Handle();
  SetShutdownWindow(window);

  // Settings: keys missing in the file keep the window's current values. Everything that
  // follows them is recomputed in one place, by this load and by every later one.
  Form->Followers().Add([this](const TSettingsModel&) {
    MirrorSettings();
    if (Desktop) Desktop->SettingsChanged();
  });
  Form->StoreGeometry(Cfg);
  LoadIniAtStart(IniPath, model, {shared.ScreenWidth.load(), shared.ScreenHeight.load()}, Io, Config,
                 [](int ms) { ::Sleep(static_cast<DWORD>(ms)); });
  Form->Followers().Recompute(model);
  Form->LoadControls(Cfg);
  Form->ShowModel();
  Form->SettingsPage().Dialogs().SetOwner(window);
  SetMsgBoxOwner(window);
  Form->SettingsPage().Dialogs().SetMsgBox([](std::wstring_view text, std::wstring_view caption, UINT flags) {
    return pelorin::MsgBox(text, caption, flags);
  });

  Dispatcher.Create(Instance);
  if (Config.IniUnread) {
    // Told once, from the message loop, as other file errors are; the file is read again
    // until it can be, and written only after that.
    Dispatcher.Queue([path = IniPath] { pelorin::MsgBox(IniUnreadableText(path), SaveFailedCaption, MB_OK | MB_ICONERROR); });
    ::SetTimer(window, IniRetryTimer, IniRetryIntervalMs, nullptr);
  }
  NoteForm.Create(Instance);
  NoteFocus.SetMainWindow(window);
  Notes = std::make_unique<TShowingThread>(Dispatcher, NoteForm, NoteFocus, shared);
  Notes->SetNoteCheck(Cfg.NoteCheck);
  NoteSender = std::make_unique<TNoteSender>(*Notes);

  Form->OnPelorinEnabledClick = [this] { PelorinEnabledClick(true); };
  Form->CommandsPage().OnInputsEnabledClick = [this] { InputsEnabledClick(true); };
  Form->OnSettingChanged = [this](TSettingControl control) {
    Form->Followers().Recompute({Cfg, *Table, TrackedRows});
    if (control == TSettingControl::DisableInGame && Foreground)
      Foreground->DisableInGameClick(Cfg.DisableInGame);  // the user's click also re-checks the game
    else if (control == TSettingControl::AutoRestoreDesktopCheck && Desktop)
      Desktop->AutoRestoreClick();
  };
  Form->DesktopPage().OnSaveClick = [this] { Desktop->SaveClick(true); };
  Form->DesktopPage().OnRestoreClick = [this] { Desktop->RestoreClick(); };
  Form->DesktopPage().OnShortcutClick = [this](int tag, std::wstring_view word) {
    // The working folder as folders are written, without the closing backslash.
    std::wstring folder = FolderOf(ExePath);
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    CreateDesktopShortcut(Form->Handle(), ExePath, std::wstring(word), folder, std::wstring(word), ExePath, tag);
  };
  PelorinEnabledClick(false);
  InputsEnabledClick(false);

  Brightness = std::make_unique<TBrightness>(Monitor.InitBrightness() ? &Monitor : nullptr);
  if (!Brightness->Available()) Form->CustomInputsPage().ShowErrorLabel(NoBrightnessText);
  Slider = std::make_unique<TBrightnessForm>(*Brightness);
  Slider->OnChanged = [this] {
    RefreshTray();
    MarkSettingsChanged();
  };
  // The monitor is read by the slider's writer thread; the tray tip gets the value when it arrives.
  Slider->OnRefreshed = [this] { RefreshTray(); };
  Slider->Create(Instance);
  Slider->ReadMonitor();

  Popup.OnShowPelorin = [this] { ShowMainWindow(); };
  Popup.OnTogglePelorin = [this] { PelorinEnabledClick(true); };
  Popup.OnClipboardManager = [] { Shared().PostAction(ActionClipboardManager); };
  Popup.OnBrightness = [this](int x) { Slider->ShowAt(x); };
  Popup.OnClose = [this] { CloseMainWindow(); };
  Popup.Create(Instance);
  Popup.SetAppEnabled(shared.AppEnabled.load());
  Popup.SetBrightnessAvailable(Brightness->Available());

  // The viewer chain before the hooks; its first notification is swallowed.
  ClpSystem = std::make_unique<TClipboardSystemWin>(ClpChain, Dispatcher);
  ClpSystem->Join(window);
  Keeper = std::make_unique<TClipboardKeeper>(
      TClipboardKeeper::Links{ClpHistory, ClpChain, *ClpSystem, ClpFiles, FolderOf(ExePath) + L"Pelorin.clp"});
  Keeper->SetOptions({Cfg.MaxUncheckedEdit, Cfg.MaxMemoryEdit, Cfg.SaveClipboardCheck});
  Form->SettingsPage().OnApplyClick = [this] {
    Keeper->ApplyLimits();
    if (ClipForm) ClipForm->HistoryChanged();
  };
  Keeper->OnChanged = [this] {
    Dispatcher.Queue([this] {
      if (ClipForm) ClipForm->HistoryChanged();
    });
  };

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

  // The shell's desktop list; refused access greys the desktop controls, anything else failing
  // is repaired by the worker's restart like a hook that failed.
  Desktop = std::make_unique<TDesktopIcons>(TDesktopIcons::Links{shared, Cfg, Config, DesktopShell, *this});
  const DesktopShellPort::TState desktopState = Desktop->Start();
  if (desktopState == DesktopShellPort::Refused) Form->DesktopPage().ShowDesktopError();
  if (desktopState == DesktopShellPort::Failed) shared.KeyboardProbe = ProbeFailed;

  shared.OtherLayoutLang = FindOtherLayoutLang();
  if (shared.OtherLayoutLang.load() == 0) Form->LayoutPage().DisableAutoLayout();
  shared.CapsLockOn = WindowPort->CapsLockToggled();

  TrackedCheck = std::make_unique<TTrackedCheck>(
      TTrackedCheck::Links{shared, TrackedWindows, Accessibility, Ansi, *Input, *MouseHook, *NoteSender});
  CommandSystem = std::make_unique<TWinCommandSystem>(Volume);
  Worker = std::make_unique<TMainWorkThread>(TMainWorkThread::Links{shared, *Input, *Foreground,
                                                                    KeyboardHook->PressedKeys(), WorkerSystem,
                                                                    Dispatcher, *this, this, Mode.RestartCount,
                                                                    this});
  Worker->SetHooksCheck(Cfg.HooksCheck);
  Worker->SetClipboard(Keeper.get());
  Worker->SetPicker(this);
  Switcher = std::make_unique<TLayoutSwitcher>(
      TLayoutSwitcher::Links{shared, TypedChars, KeyboardHook->PressedKeys(), *Input, *NoteSender, Layouts});
  Switcher->SetOptions(Cfg.AutoLayoutCheck, Cfg.AutoLayoutTrack);
  CmdThread = std::make_unique<TCustomInputThread>(TCustomInputThread::Links{
      *Table, shared, *Input, *NoteSender, Volume, *Brightness, *CommandSystem, Dispatcher, *this,
      Switcher.get()});
  Worker->Start();
  CmdThread->StartOnFirstPost();
  // The Clipboard Manager, and with it the stored history and the clipboard's content: the
  // worker reads them before its first capture, off the thread of the hooks.
  ClipForm = std::make_unique<TClipboardForm>(
      TClipboardForm::Links{ClpHistory, *Keeper, Ansi, *Input, shared, Config, Cfg});
  // It counts as the window in front when it is (its place is kept only then).
  if (ClipForm->Create(Instance, Resources)) ClipForm->SetNoteWindow(NoteForm.Handle());
  Keeper->RequestStartLoad();
  // While the help is in front the user still works in the main window.
  if (Help.Create(Instance, Resources, window)) Foreground->RegisterOwnWindow(ToWindowHandle(Help.Handle()));

  // The icon last: adding it is a call into the shell's process, which nothing of the start
  // should wait for, and its clicks find everything ready.
  Tray.Add(window, Instance);
  RefreshTray();
  if (!Mode.AutoRun) ShowMainWindow();
  return true;
}

void TPelorinApp::Shutdown() {
  if (ShutDown || !Started) return;
  ShutDown = true;
  TSharedState& shared = Shared();
  // The threads first, so everything they use exists for their whole life. A turn in hand
  // may be sending to this thread meanwhile (the clipboard's owner and viewer windows are
  // here, and so are the hooks): it is answered, not waited for in a join.
  if (Worker) Worker->Stop(AnswerSentMessagesUntil);
  if (CmdThread) CmdThread->Stop(AnswerSentMessagesUntil);
  Dispatcher.Close();
  if (Notes) Notes->Stop();
  NoteForm.Destroy();
  if (ClipForm) ClipForm->Destroy();
  Help.Destroy();
  if (Slider) Slider->Destroy();
  Popup.Destroy();
  Monitor.DoneBrightness();
  RemoveHooks();
  RemoveForegroundHook();
  if (Desktop) Desktop->Stop();
  if (ClpSystem) ClpSystem->Leave();
  // After the hooks are gone: writing a history of gigabytes holds up nobody's input.
  if (Keeper) Keeper->SaveIfChanged();
  SetHookTargets(nullptr, nullptr);
  SetShutdownWindow(nullptr);
  SetMsgBoxOwner(nullptr);
  bool restart = shared.MouseProbe.load() == ProbeRestart || shared.KeyboardProbe.load() == ProbeRestart;
  int restartCount = Worker ? Worker->RestartCount() : 0;
  Tray.Delete();
  if (Form) Form->Destroy();
  Mutex.Release();
  if (restart) StartSuccessor(restartCount);
}

void TPelorinApp::StartSuccessor(int restartCount) {
  // The successor finds no mutex and starts hidden.
  std::wstring line = RestartCommandLine(ExePath, restartCount, Shared().AppEnabled.load());
  std::wstring folder = FolderOf(ExePath);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    TOwnedHandle thread(pi.hThread), process(pi.hProcess);
  }
}

}  // namespace pelorin
