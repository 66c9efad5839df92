#pragma once
#include <windows.h>

#include "layout/LayoutSwitcher.h"

namespace pelorin {

// Keyboard layouts through the system, for the command thread.
class TKeyboardLayoutWin : public KeyboardLayoutPort {
 public:
  uint64_t ThreadLayout(uint32_t threadId) override;
  uint64_t LoadLayout(std::wstring_view name) override;
  void RequestLayout(TWindowHandle window, uint64_t layout) override;
  void Sleep(std::chrono::milliseconds time) override;
};

}  // namespace pelorin
