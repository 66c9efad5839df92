#pragma once
#include <windows.h>

#include <atomic>

#include "commands/ShowingThread.h"
#include "input/ForegroundTracking.h"

namespace pelorin {

inline TWindowHandle ToWindowHandle(HWND window) { return reinterpret_cast<TWindowHandle>(window); }
inline HWND ToHwnd(TWindowHandle window) { return reinterpret_cast<HWND>(window); }

// The shell's desktop: a window with a "SysListView32" child at any depth.
bool IsDesktopWindow(HWND window);

// What foreground tracking reads of the system, through the real calls. Any thread.
class TForegroundWin : public ForegroundPort {
 public:
  // The notification thread, once it exists; until then no note is running.
  void SetNotes(const TShowingThread* notes) { Notes.store(notes, std::memory_order_relaxed); }

  TWindowHandle ForegroundWindow() override;
  uint32_t WindowStyle(TWindowHandle window) override;
  TRect WindowRect(TWindowHandle window) override;
  bool IsDesktopWindow(TWindowHandle window) override;
  bool NoteRunning() override;

 private:
  std::atomic<const TShowingThread*> Notes{nullptr};
};

// The foreground event hook, out of context, for all processes: its callback runs in the
// thread that installs it (the GUI thread) through the message loop and hands every
// EVENT_SYSTEM_FOREGROUND to `tracker`. Wine never sends the event; the worker's poll feeds the
// same handler. Start-up, in the GUI thread, once the windows and the dispatcher exist:
//   foregroundSystem.SetNotes(&notes);
//   TForegroundTracker tracker({shared, config, typedChars, foregroundSystem, dispatcher,
//                               workerWindows, noteSender});
//   tracker.SetMainWindow(ToWindowHandle(mainWindow));
//   tracker.RegisterOwnWindow(ToWindowHandle(noteForm.Handle()));  // and the pop-up, the slider
//   tracker.SetDisableInGame(settings.DisableInGame);  // again whenever the setting changes
//   InstallForegroundHook(&tracker);  // false: start-up schedules a restart
// Shutdown: RemoveForegroundHook(), after the worker stopped.
bool InstallForegroundHook(TForegroundTracker* tracker);
void RemoveForegroundHook();
HWINEVENTHOOK ForegroundHookHandle();

}  // namespace pelorin
