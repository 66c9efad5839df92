#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "base/ConfigState.h"
#include "base/Settings.h"
#include "base/SharedState.h"
#include "desktop/IconPositions.h"

namespace pelorin {

// The shell's desktop as Pelorin reaches it: its list view in the shell's process.
struct DesktopShellPort : DesktopListPort {
  enum TState : int32_t { Usable = 0, Refused = 1, Failed = 2 };
  // Finds the desktop's list and prepares to read it; what it got.
  virtual TState Open() = 0;
  virtual void Close() = 0;
  // The list found by Open still exists (a restarted shell makes a new one).
  virtual bool ListAlive() = 0;
  // The desktop or the taskbar found by the last Open.
  virtual bool IsShellWindow(TWindowHandle window) = 0;
};

// What the handlers show and write. GUI thread.
struct DesktopUiPort {
  virtual ~DesktopUiPort() = default;
  // The answer of a message box (IDYES 6, IDNO 7, ...).
  virtual int MsgBox(std::wstring_view text, std::wstring_view caption, uint32_t flags) = 0;
  // Writes Pelorin.ini at once. False when it could not, which it has then told the user.
  virtual bool SaveSettings() = 0;
};

// Saving and restoring the desktop icon positions: the page's buttons and its check box in the
// GUI thread, the automatic restore at start-up and from the worker when the desktop comes to
// the front. One lock keeps them from sharing the shell's list at the same moment.
class TDesktopIcons {
 public:
  static constexpr std::wstring_view SaveQuestion = L"Do you wish to save the current positions of the desktop shortcuts?";
  static constexpr std::wstring_view SaveCaption = L"Saving shortcuts positions";
  static constexpr std::wstring_view ReadError = L"Can`t get information on desktop shortcuts";
  static constexpr std::wstring_view ErrorCaption = L"Error";
  static constexpr std::wstring_view Saved = L"The information about the shortcuts positions was successfully saved";
  static constexpr std::wstring_view SavedCaption = L"Shortcuts positions saved";
  static constexpr std::wstring_view Restored = L"The shortcuts positions was successfully restored";
  static constexpr std::wstring_view RestoredCaption = L"Shortcuts positions restored";
  static constexpr std::wstring_view RestoreError = L"Can`t restore the desktop shortcuts positions";

  struct Links {
    TSharedState& Shared;
    Settings& Cfg;  // GUI thread only: IconPositions and AutoRestoreDesktopCheck
    TConfigState& Config;
    DesktopShellPort& Shell;
    DesktopUiPort& Ui;
  };
  explicit TDesktopIcons(const Links& links) : L(links) {}

  // Start-up, GUI thread: opens the list and, when asked for, restores what was saved.
  DesktopShellPort::TState Start();
  // Shutdown, GUI thread.
  void Stop();
  DesktopShellPort::TState State() const;

  // The settings were loaded or imported: the worker's copy follows. GUI thread.
  void SettingsChanged();

  void SaveClick(bool fromButton);
  void RestoreClick();
  void AutoRestoreClick();
  // The shell started again ("TaskbarCreated"): the old list and its process are gone.
  void ShellRestarted();

  // Worker thread, on every change of the window in front.
  void ForegroundChanged(TWindowHandle foreground);

 private:
  // With Lock held: the list of the running shell, opened again when the one known is gone.
  bool ListReady();

  Links L;
  mutable std::mutex Lock;
  DesktopShellPort::TState Current = DesktopShellPort::Failed;
  // The worker's copy of the two settings.
  std::wstring SavedText;
  bool AutoRestore = false;
};

}  // namespace pelorin
