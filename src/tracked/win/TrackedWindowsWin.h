#pragma once
#include <windows.h>

#include "tracked/TrackedCheck.h"

namespace pelorin {

// The windows of the tracked-window check through the 8-bit calls. GetWindowTextA reads the
// text another process's window keeps without asking that process, so a hung program cannot
// hold up the GUI thread here.
class TTrackedWindowsWin final : public TrackedWindowsPort {
 public:
  std::string WindowText(TWindowHandle window) override;
  std::optional<TRect> WindowRect(TWindowHandle window) override;
  bool IsVisible(TWindowHandle window) override;
  // GetClassNameW converted to the ANSI code page, "?" for what it lacks.
  std::string ClassName(TWindowHandle window) override;
  void EnumChildren(TWindowHandle window, const std::function<bool(TWindowHandle)>& visit) override;
  void PressButton(TWindowHandle button) override;
};

}  // namespace pelorin
