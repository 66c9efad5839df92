#pragma once
#include <windows.h>

#include "tracked/TrackedCheck.h"

namespace pelorin {

// The windows of the tracked-window check through the 8-bit calls. GetWindowTextA reads the
// text another process's window keeps without asking that process, so a hung program cannot
// hold up the GUI thread here.
class TTrackedWindowsWin final : public TrackedWindowsPort {
 public:
  // The windows of process `own` are Pelorin's own: this process unless told otherwise.
  explicit TTrackedWindowsWin(DWORD own = ::GetCurrentProcessId()) : OwnProcess(own) {}
  std::string WindowText(TWindowHandle window) override;
  std::optional<TRect> WindowRect(TWindowHandle window) override;
  bool IsVisible(TWindowHandle window) override;
  // GetClassNameW converted to the ANSI code page, "?" for what it lacks.
  std::string ClassName(TWindowHandle window) override;
  void EnumChildren(TWindowHandle window, const std::function<bool(TWindowHandle)>& visit) override;
  void PressButton(TWindowHandle button) override;
  TWindowHandle ForegroundWindow() override;
  // WindowFromPoint's top-level ancestor: an owned pop-up over the point is a window of its own.
  TWindowHandle TopLevelAt(TPoint p) override;
  bool IsOwnWindow(TWindowHandle window) override;

 private:
  DWORD OwnProcess;
};

}  // namespace pelorin
