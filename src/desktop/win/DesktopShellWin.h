#pragma once
#include <windows.h>

#include "common/win/Owned.h"
#include "desktop/DesktopIcons.h"

namespace pelorin {

// The desktop's list view in the shell's process, read and moved through one block of memory
// allocated in that process. Any thread; the caller serialises.
class TDesktopShellWin : public DesktopShellPort {
 public:
  ~TDesktopShellWin() override { Close(); }

  TState Open() override;
  void Close() override;
  bool ListAlive() override;
  bool IsShellWindow(TWindowHandle window) override;

  int ItemCount() override;
  std::optional<TDesktopIcon> ReadItem(int index) override;
  void MoveItem(int index, int32_t x, int32_t y) override;

 private:
  bool Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  HWND Progman = nullptr;
  HWND TrayWnd = nullptr;
  HWND List = nullptr;
  TOwnedHandle Process;
  void* Block = nullptr;  // in the shell's process
};

}  // namespace pelorin
