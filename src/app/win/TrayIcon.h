#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/win/Messages.h"
#include "common/win/Owned.h"

namespace pelorin {

// Pelorin's icon in the notification area: the tray record, its two images ("TRAY_ICON" while
// Pelorin is on, "TRAY_ICON_GRAY" while it is off) and its tip. The mouse on the icon reaches
// the owner as TrayCallbackMessage (common/win/Messages.h) with the mouse message in lParam. GUI thread
// only.
//
// Start-up, before the settings are loaded:
//   tray.Add(mainWindow, instance);          // no image yet
// From PelorinEnabledClick, and whenever the brightness changes:
//   tray.Refresh(TrayTip(PelorinEnabledCaption(on), brightness), on);
// The main window passes every message through tray.HandleMessage first, so that the icon
// comes back when Explorer restarts. Shutdown: tray.Delete().
class TTrayIcon {
 public:
  TTrayIcon() = default;
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;
  ~TTrayIcon() { Delete(); }

  // Loads both images from `resources` at the screen's small icon size and adds the icon
  // with no image and an empty tip. The result is the shell's: an icon it refused now is
  // still added when the shell announces itself (HandleMessage), as at a log-on start that
  // comes before Explorer.
  bool Add(HWND owner, HMODULE resources);
  // Shows the image of the state and the tip (cut to what the record holds). False when
  // the icon is not added or the shell refused; the values are kept for a later re-add.
  bool Refresh(const std::wstring& tip, bool enabled);
  // Removes the icon and frees both images; the shell's result.
  bool Delete();

  // True for the shell's "TaskbarCreated" message, after adding the icon again with its
  // last image and tip; false for any other message, which the caller handles as usual.
  bool HandleMessage(UINT message);

  bool Added() const { return Owner != nullptr; }
  // The image Refresh shows for a state: for tests and for windows that repeat it.
  HICON Image(bool enabled) const { return enabled ? EnabledIcon.Get() : DisabledIcon.Get(); }

 private:
  bool Notify(DWORD operation);

  HWND Owner = nullptr;
  UINT TaskbarCreated = 0;
  TOwnedIcon EnabledIcon;
  TOwnedIcon DisabledIcon;
  NOTIFYICONDATAW Data{};
};

}  // namespace pelorin
