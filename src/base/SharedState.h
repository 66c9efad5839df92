#pragma once
#include <atomic>
#include <cstdint>

#include "common/AtomicPoint.h"
#include "base/ActionQueue.h"
#include "base/Actions.h"
#include "base/HookMarkers.h"

namespace pelorin {

struct TWakeSignal;

// A window as the core sees it: the handle's bits, never dereferenced; 0 is no window.
using TWindowHandle = uintptr_t;
// No window chosen yet: unlike 0 (no window in front) it differs from every ForegroundWnd.
inline constexpr TWindowHandle NoTrackCandidate = ~TWindowHandle{0};

// Single values shared between the GUI, worker, command and notification threads. Each is
// one atomic: relaxed loads and stores are the plain moves the design relies on, without a
// data race. The program has one instance (`Shared`); tests make their own.
struct TSharedState {
  // The hand-off from the hooks, the tray and a few keys to the command thread, in order.
  TActionQueue PendingAction;
  // What the command thread sleeps on, woken by every code queued; null while no command
  // thread listens. It outlives every producer (the command thread's owner sets it).
  std::atomic<TWakeSignal*> ActionWake{nullptr};

  std::atomic<bool> AppEnabled{true};
  std::atomic<bool> CheckedInputsEnabled{true};
  std::atomic<bool> MainWindowActive{false};
  std::atomic<bool> Suspending{false};          // standby, log-off or system shutdown under way
  std::atomic<bool> MsgBoxBusy{false};          // a message box of Pelorin is open

  // Foreground tracking: the window the user works in, written by the foreground handler in
  // the GUI thread.
  std::atomic<TWindowHandle> ForegroundWnd{0};
  std::atomic<uint32_t> ForegroundThreadId{0};
  // A full-screen frameless application is in front; PrevFullscreen is the value at the last
  // switch of the checked inputs.
  std::atomic<bool> Fullscreen{false};
  std::atomic<bool> PrevFullscreen{false};

  // Hook health counters (HookMarkers.h).
  std::atomic<int32_t> MouseProbe{ProbeIdleTicks};
  std::atomic<int32_t> KeyboardProbe{ProbeIdleTicks};

  // Hand-point picker: not 0 while a drag is in progress; the last point the mouse hook
  // recorded for it, x = -1 when there is none to look at.
  std::atomic<int32_t> PickerMode{0};
  AtomicPoint PickerPoint{TPoint{-1, -1}};

  // Primary screen size, replaced on every display change.
  std::atomic<int32_t> ScreenWidth{0};
  std::atomic<int32_t> ScreenHeight{0};
  // Mouse buttons not swapped; synthetic clicks use the primary button, re-read on every change.
  std::atomic<bool> PrimaryButtonLeft{true};

  // Keyboard side.
  std::atomic<int32_t> KbdIdleTicks{0};         // 0 on every key event, counted up by the worker
  std::atomic<bool> CapsLockOn{false};
  std::atomic<int32_t> OtherLayoutLang{0};      // language of the installed non-US layout, 0 when none
  std::atomic<bool> AutoSwitchAllowed{true};    // false while a full-screen application is in front
  std::atomic<bool> TrackedClicking{false};     // a tracked window is being clicked again and again
  // The window the tracked-window check examines: written by the worker before it queues a
  // check, read by the check in the GUI thread.
  std::atomic<TWindowHandle> TrackCandidate{NoTrackCandidate};
  // Some tracked-window row is on, as the GUI thread last changed the rows: without one the
  // worker wakes the GUI thread for no check.
  std::atomic<bool> TrackedRowsOn{true};
  std::atomic<int32_t> VolumeStep{1};           // grows while a volume command repeats

  // Any thread, hook callbacks included: a lock-free push and one wake of the command thread.
  // `repeat`: a held key's auto-repeat, which adds nothing while the same code waits.
  void PostAction(int32_t code, bool repeat = false) noexcept;

  // The command thread: the oldest waiting code, or NoAction.
  int32_t TakeAction() noexcept { return PendingAction.Pop(); }
};

TSharedState& Shared();

}  // namespace pelorin
