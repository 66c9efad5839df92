#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <optional>

#include "base/GuiThread.h"
#include "base/HookMarkers.h"
#include "base/PeriodicThread.h"
#include "base/SharedState.h"
#include "clipboard/ClipboardKeeper.h"
#include "input/ForegroundTracking.h"
#include "input/KeyboardHook.h"
#include "tracked/SyntheticInput.h"

namespace pelorin {

// The global atoms by which other instances of Pelorin ask the running one to show itself or
// to quit.
inline constexpr std::wstring_view ActivateAtomName = L"Activate Pelorin";
inline constexpr std::wstring_view ShutdownAtomName = L"Shutdown Pelorin";

// The error label on the Commands sub-tab when a hook stopped answering.
inline constexpr std::wstring_view HookErrorText = L"Can`t set system hook for normal work";
inline constexpr std::wstring_view HookErrorHint =
    L"Some functions, provided by Pelorin, are not working. Restart Pelorin manually or hide it (press Esc), it "
    L"will restarts automatically when hidden";

// Pelorin switched on again installed its hooks anew (GUI thread). A probe still waiting was
// sent to the hooks just removed and can never be answered: it would look like a dead hook and
// restart Pelorin. Fresh hooks start the count afresh; hooks that could not be installed are
// reported as at start-up. A restart already requested stays.
void HooksReinstalled(TSharedState& shared, bool installed);

// 500 ms without a keyboard event: held keys the hook never saw released are swept.
inline constexpr int32_t StaleKeyTicks = 10;

// An instance restarted within this time of its start that fails again waits longer.
inline constexpr uint32_t RestartGraceMs = 15000;
inline constexpr int32_t MaxRestartCount = 100;
// Ticks of hook failure per restart counted before Pelorin restarts itself.
inline constexpr int32_t HookErrTicksPerRestart = 20;

// What the worker reads of the system.
struct WorkerSystemPort {
  virtual ~WorkerSystemPort() = default;
  // Deletes the global atom of that name; false when it did not exist.
  virtual bool TakeAtom(std::wstring_view name) = 0;
  // 0 when no window is in front.
  virtual TWindowHandle ForegroundWindow() = 0;
  virtual uint32_t WindowThreadId(TWindowHandle window) = 0;
  virtual bool IsMinimized(TWindowHandle window) = 0;
  // The key is held down now. Called in the GUI thread, by the stale-key sweep.
  virtual bool KeyDown(uint8_t virtualKey) = 0;
  virtual uint32_t TickCount() = 0;
  virtual bool IsVisible(TWindowHandle window) = 0;
  // Waits in the worker (sleeps of 1 ms).
  virtual void Delay(uint32_t ms) = 0;
  // The end of an exception that escaped a tick.
  virtual void UnexpectedException() = 0;
  // What the worker sleeps on between ticks; null for a portable one of its own.
  virtual TWakeSignal* WakeSignal() { return nullptr; }
};

// The main window's part in the worker's duties. GUI thread only: the worker queues them.
struct WorkerWindowsPort : InputsSwitchPort {
  // ShowMainWindow, which does nothing while MainWindowActive.
  virtual void ShowMainWindow() = 0;
  // Closes the main window: the orderly shutdown (and the restart when MouseProbe is ProbeRestart).
  virtual void CloseMainWindow() = 0;
  // Shows the error label on the Commands sub-tab with its hint.
  virtual void ShowHookError(std::wstring_view text, std::wstring_view hint) = 0;
};

// The automatic restore of the desktop icon positions, when the desktop comes to the front.
struct DesktopRestorePort {
  virtual ~DesktopRestorePort() = default;
  // Worker thread, on every change of ForegroundWnd, after MainWindowActive is set. Decides
  // itself whether to restore (AppEnabled, the option, the desktop in front, saved positions).
  virtual void ForegroundChanged(TWindowHandle foreground) = 0;
};

// The tracked-window check with the table of the moment. GUI thread only: the worker queues it.
struct TrackedScanPort {
  virtual ~TrackedScanPort() = default;
  virtual void CheckTrackedWindows() = 0;
};

// The hand-point picker's step (PickUnderPoint). GUI thread only: the worker queues it.
struct PickerPort {
  virtual ~PickerPort() = default;
  virtual void PickUnderPoint() = 0;
};

// Worker ticks between two checks of the same window (about a second); the pause before
// clicking a window again; and the wait for a window not yet visible, in steps of 2 ms.
inline constexpr int32_t TrackCheckTicks = 20;
inline constexpr uint32_t TrackRepeatDelayMs = 500;
inline constexpr uint32_t TrackVisibleStepMs = 2;
inline constexpr int TrackVisibleSteps = 401;

// The worker thread: wakes every 50 ms for the single-instance atoms, the volume-step decay,
// the hook health probes and the automatic restart, the stale-key sweep, the clipboard's
// captures, chain check and saves, and the reactions to a change of the foreground window. It
// touches no window of Pelorin: it queues that work to the GUI thread.
class TMainWorkThread {
 public:
  static constexpr std::chrono::milliseconds TickInterval{50};

  struct Links {
    TSharedState& Shared;
    TSyntheticInput& Input;
    TForegroundTracker& Foreground;
    // The keyboard hook's held keys; GUI thread only, so the sweep is queued there.
    TPressedKeys& PressedKeys;
    WorkerSystemPort& System;
    GuiThreadPort& Gui;
    WorkerWindowsPort& Windows;
    DesktopRestorePort* Desktop;  // null until the desktop icon positions exist
    // N of a "restart<N>" parameter (ParseStartMode's RestartCount): this instance was started
    // by an automatic restart.
    std::optional<int32_t> RestartedAs;
    TrackedScanPort* Tracked = nullptr;  // null: no tracked-window checks
  };

  explicit TMainWorkThread(const Links& links, std::chrono::milliseconds tick = TickInterval);
  TMainWorkThread(const TMainWorkThread&) = delete;
  TMainWorkThread& operator=(const TMainWorkThread&) = delete;
  ~TMainWorkThread() { Stop(); }

  void Start();
  // Asks the thread to end after the tick in hand and waits for it.
  void Stop(const TStopWaiter& waiter = {});

  // One pass of the loop.
  void Tick();

  // The clipboard's share of every pass; set before Start.
  void SetClipboard(TClipboardKeeper* keeper) { Clipboard = keeper; }

  // The hand-point picker, whose step is queued whenever the mouse hook recorded a point; set
  // before Start.
  void SetPicker(PickerPort* picker) { Picker = picker; }

  // The HooksCheck setting ("Check the working state"), mirrored by the GUI thread at load
  // and on every change, since the worker reads it.
  void SetHooksCheck(bool on) { HooksCheck.store(on, std::memory_order_relaxed); }

  // GUI thread, queued on every tick while a probe counter shows a failure.
  void HookFailure();
  // Consecutive automatic restarts, for the successor's command line. GUI thread.
  int32_t RestartCount() const { return RestartCountValue; }
  int32_t HookErrTicks() const { return HookErrTicksValue; }

  // Stale-key sweep, GUI thread: drops held keys that are no longer down, and stops as soon
  // as a keyboard event arrived meanwhile.
  void SweepStaleKeys();

 private:
  void ProbeHook(std::atomic<int32_t>& probe, bool postponed, bool mouse);
  void CountIdleKeyboard();
  void PollForeground(TWindowHandle now);
  void ForegroundChange();
  void ScheduleTrackedCheck();
  void QueuePickerStep();
  void QueueToGui(void (WorkerWindowsPort::*action)());

  Links L;
  TClipboardKeeper* Clipboard = nullptr;
  PickerPort* Picker = nullptr;
  // A picker step is queued and has not run yet: one is enough.
  std::atomic<bool> PickerQueued{false};
  std::atomic<bool> HooksCheck{false};
  std::atomic<uint32_t> WorkerStartTick{0};

  // Worker thread only. LastForeground starts as no value at all, so that the first value of
  // ForegroundWnd, even none, counts as a change.
  static constexpr TWindowHandle NoForegroundYet = ~TWindowHandle{0};
  TWindowHandle LastForeground = NoForegroundYet;
  TWindowHandle LastPolled = 0;
  int32_t TrackTicks = 0;

  // GUI thread only.
  int32_t RestartCountValue = 0;
  int32_t HookErrTicksValue = 0;

  // Last: it stops the thread before anything above goes away.
  TPeriodicThread Thread;
};

}  // namespace pelorin
