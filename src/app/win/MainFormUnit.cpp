// The main block: the main window (hidden for now), the hooks, the notification and command
// threads, and the message loop.
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <string>

#include "app/SharedState.h"
#include "app/win/Fatal.h"
#include "app/win/GuiDispatcher.h"
#include "commands/Brightness.h"
#include "commands/CustomInputThread.h"
#include "commands/ShowingThread.h"
#include "commands/win/AudioUnit.h"
#include "commands/win/CommandSystem.h"
#include "commands/win/NoteFormUnit.h"
#include "commands/win/VideoUnit.h"
#include "config/Settings.h"
#include "input/CustomInputTable.h"
#include "input/KeyboardHook.h"
#include "input/MouseHook.h"
#include "input/TypedChars.h"
#include "input/win/HookInstaller.h"
#include "tracked/SyntheticInput.h"
#include "tracked/win/SyntheticInputWin.h"

namespace pelorin {
namespace {

constexpr wchar_t MainWindowClass[] = L"PelorinMainForm";

// Set while Pelorin changes its own controls; every change handler then does nothing.
bool ProgrammaticChange = false;

// What the hooks ask of the main window. The page control and the choice combo boxes arrive
// with the main window's pages; until then no control of Pelorin can hold the focus.
class TMainWindowPort : public MouseHookPort, public KeyboardHookPort {
 public:
  HWND Window = nullptr;
  HWND PageControl = nullptr;
  HWND CommandCombo = nullptr;
  HWND InputCombo = nullptr;

  bool ChoiceComboFocused() override { return FocusedChoiceCombo() != ChoiceCombo::None; }
  TRect MainWindowRect() override {
    RECT r{};
    if (Window != nullptr) ::GetWindowRect(Window, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }

  bool CustomInputsPageActive() override {
    return PageControl != nullptr && ::SendMessageW(PageControl, TCM_GETCURSEL, 0, 0) == 0;
  }
  ChoiceCombo FocusedChoiceCombo() override {
    HWND focus = ::GetFocus();
    if (focus == nullptr) return ChoiceCombo::None;
    // An editable combo box gives the focus to its edit child.
    HWND parent = ::GetParent(focus);
    if (CommandCombo != nullptr && (focus == CommandCombo || parent == CommandCombo)) return ChoiceCombo::Command;
    if (InputCombo != nullptr && (focus == InputCombo || parent == InputCombo)) return ChoiceCombo::Input;
    return ChoiceCombo::None;
  }
  int ChoiceComboSelection(ChoiceCombo combo) override {
    return static_cast<int>(::SendMessageW(ComboOf(combo), CB_GETCURSEL, 0, 0));
  }
  void ShowCapturedChord(ChoiceCombo combo, const std::wstring& chordText) override {
    HWND box = ComboOf(combo);
    ProgrammaticChange = true;
    ::SendMessageW(box, CB_DELETESTRING, 0, 0);
    ::SendMessageW(box, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(chordText.c_str()));
    ::SendMessageW(box, CB_SETCURSEL, 0, 0);
    ProgrammaticChange = false;
  }
  bool MainFormIsActive() override { return Window != nullptr && ::GetActiveWindow() == Window; }
  bool CapsLockToggled() override { return (::GetKeyState(VK_CAPITAL) & 1) != 0; }

 private:
  HWND ComboOf(ChoiceCombo combo) const { return combo == ChoiceCombo::Command ? CommandCombo : InputCombo; }
};

// The language of the first installed keyboard layout that is not US English, 0 when none.
int FindOtherLayoutLang() {
  HKL layouts[64];
  int count = ::GetKeyboardLayoutList(64, layouts);
  for (int i = 0; i < count; ++i) {
    int lang = LOWORD(reinterpret_cast<UINT_PTR>(layouts[i]));
    if (lang != 1033) return lang;
  }
  return 0;
}

// "Pelorin (v.1.0.0)" from the file version of the running executable.
std::wstring VersionCaption() {
  wchar_t path[MAX_PATH * 4];
  DWORD len = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring caption = L"Pelorin";
  if (len == 0 || len >= std::size(path)) return caption;
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return caption;
  std::wstring block(size / sizeof(wchar_t) + 1, L'\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoLen = 0;
  if (::GetFileVersionInfoW(path, 0, size, block.data()) &&
      ::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLen) && info != nullptr) {
    caption += L" (v." + std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
               std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
               std::to_wstring(HIWORD(info->dwFileVersionLS)) + L")";
  }
  return caption;
}

double PixelsScaleOf(HWND window) {
  HDC dc = ::GetDC(window);
  int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc != nullptr) ::ReleaseDC(window, dc);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

void ReadScreenMetrics(TSharedState& shared) {
  shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
}

// The commands' way to Pelorin's own windows, run in the GUI thread. The Clipboard Manager,
// the help window, the tray pop-up, the brightness slider and the two switches arrive with
// their windows; until then those codes do nothing.
class TMainWindowCommands : public CommandWindowsPort {
 public:
  HWND Window = nullptr;
  void OpenClipboardManager() override {}
  void ShowMainWindow() override {
    ::ShowWindow(Window, ::IsIconic(Window) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(Window);
  }
  void ToggleCheckedInputs() override {}
  void TogglePelorin() override {}
  void ShowHelp() override {}
  void MinimizeApplication() override { ::ShowWindow(Window, SW_HIDE); }
  void ShowTrayPopup() override {}
  void ShowBrightnessSlider() override {}
  void RefreshTray() override {}
  void MarkSettingsChanged() override {}
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The shutdown runs after the message loop, while the window still exists.
      ::PostQuitMessage(0);
      return 0;
    case WM_DISPLAYCHANGE:
      ReadScreenMetrics(Shared());
      break;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETMOUSEBUTTONSWAP) ReadPrimaryButton(Shared());
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace
}  // namespace pelorin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace pelorin;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, L"MAINICON");
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, L"MAINICON", IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = MainWindowClass;
  if (::RegisterClassExW(&wc) == 0) return 1;

  std::wstring caption = VersionCaption();
  HWND window = ::CreateWindowExW(0, MainWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;

  TSharedState& shared = Shared();
  ReadScreenMetrics(shared);
  POINT cursor{};
  ::GetCursorPos(&cursor);

  static Settings settings;
  static TCustomInputTable table(CellPrefixLenFor(PixelsScaleOf(window)));
  static TTypedChars typedChars;
  static TMainWindowPort windowPort;
  windowPort.Window = window;
  SetShutdownWindow(window);
  ReadPrimaryButton(shared);
  shared.OtherLayoutLang = FindOtherLayoutLang();
  shared.CapsLockOn = windowPort.CapsLockToggled();

  static TGuiDispatcher dispatcher;
  dispatcher.Create(instance);
  static TNoteForm noteForm;
  noteForm.Create(instance);
  static TNoteFocus noteFocus;
  noteFocus.SetWindow(TPelorinWindow::Main, window);
  static TShowingThread notes(dispatcher, noteForm, noteFocus, shared);
  notes.SetNoteCheck(settings.NoteCheck);

  static TDxvaMonitor monitor;
  static TBrightness brightness(monitor.InitBrightness() ? &monitor : nullptr);
  brightness.ReadBrightness();

  static TMouseHook mouseHook(table, settings, shared, windowPort, typedChars, TPoint{cursor.x, cursor.y});
  static TKeyboardHook keyboardHook(table, shared, windowPort, typedChars);
  SetHookTargets(&keyboardHook, &mouseHook);
  InstallHooks(instance);

  static TSyntheticInputWin inputSink;
  static TSyntheticInput input(shared, mouseHook, inputSink);
  static TAudioVolume volume;
  static TWinCommandSystem system(volume);
  static TNoteSender noteSender(notes);
  static TMainWindowCommands windowCommands;
  windowCommands.Window = window;
  static TCustomInputThread cmdThread({table, shared, mouseHook, input, noteSender, volume, brightness, system,
                                       dispatcher, windowCommands, nullptr});
  cmdThread.Start();

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  // Shutdown in reverse: the threads first, then what they used.
  cmdThread.Stop();
  dispatcher.Close();
  notes.Stop();
  noteForm.Destroy();
  monitor.DoneBrightness();
  RemoveHooks();
  SetHookTargets(nullptr, nullptr);
  SetShutdownWindow(nullptr);
  ::DestroyWindow(window);
  return static_cast<int>(msg.wParam);
}
