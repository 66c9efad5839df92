#pragma once
#include <windows.h>

#include "app/MainWorkThread.h"
#include "common/win/WakeEvent.h"

namespace pelorin {

// What the worker reads of the system, through the real calls.
//
// Start-up, in the GUI thread, after the hooks, the foreground hook and the dispatcher:
//   TMainWorkThread worker({shared, input, tracker, keyboardHook.PressedKeys(), workerSystem,
//                           dispatcher, workerWindows, nullptr, startMode.RestartCount});
//   worker.SetHooksCheck(settings.HooksCheck);  // again whenever the setting changes
//   worker.Start();
// Shutdown: worker.Stop() before dispatcher.Close().
class TWorkerSystemWin : public WorkerSystemPort {
 public:
  bool TakeAtom(std::wstring_view name) override;
  TWindowHandle ForegroundWindow() override;
  uint32_t WindowThreadId(TWindowHandle window) override;
  bool IsMinimized(TWindowHandle window) override;
  bool KeyDown(uint8_t virtualKey) override;
  uint32_t TickCount() override;
  bool IsVisible(TWindowHandle window) override;
  void Delay(uint32_t ms) override;
  void UnexpectedException() override;
  TWakeSignal* WakeSignal() override { return &Wake; }

 private:
  TWakeEvent Wake;
};

}  // namespace pelorin
