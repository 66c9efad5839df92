#include "app/MainWorkThread.h"

#include <algorithm>

namespace pelorin {

TMainWorkThread::TMainWorkThread(const Links& links, std::chrono::milliseconds tick)
    : L(links), WorkerStartTick(L.System.TickCount()), Thread(tick, L.System.WakeSignal()) {}

void TMainWorkThread::Start() {
  if (Thread.Running()) return;
  WorkerStartTick.store(L.System.TickCount(), std::memory_order_relaxed);
  Thread.Start({[this] { Tick(); }, [this] { L.System.UnexpectedException(); }});
}

void TMainWorkThread::Stop(const TStopWaiter& waiter) { Thread.Stop(waiter); }

void TMainWorkThread::QueueToGui(void (WorkerWindowsPort::*action)()) {
  WorkerWindowsPort& windows = L.Windows;
  L.Gui.Queue([&windows, action] { (windows.*action)(); });
}

void TMainWorkThread::Tick() {
  TSharedState& s = L.Shared;
  // The atom is deleted even when the main window is already shown; ShowMainWindow then
  // does nothing.
  if (L.System.TakeAtom(ActivateAtomName)) QueueToGui(&WorkerWindowsPort::ShowMainWindow);
  if (L.System.TakeAtom(ShutdownAtomName)) QueueToGui(&WorkerWindowsPort::CloseMainWindow);

  // A held volume chord accelerates; once released the step falls back by one per tick. An
  // exchange, so a step raised by the command thread meanwhile is not overwritten.
  int32_t step = s.VolumeStep.load(std::memory_order_relaxed);
  if (step > 1) s.VolumeStep.compare_exchange_strong(step, step - 1, std::memory_order_relaxed);

  TWindowHandle foreground = L.System.ForegroundWindow();
  if (HooksCheck.load(std::memory_order_relaxed) && s.AppEnabled.load(std::memory_order_relaxed)) {
    // With nothing in front, in standby or under a game a probe could go unanswered without
    // any fault: probing waits instead.
    bool postponed = foreground == 0 || s.Suspending.load(std::memory_order_relaxed) ||
                     s.Fullscreen.load(std::memory_order_relaxed);
    ProbeHook(s.MouseProbe, postponed, true);
    ProbeHook(s.KeyboardProbe, postponed, false);
  }

  CountIdleKeyboard();
  if (Clipboard != nullptr) Clipboard->Tick();
  ScheduleTrackedCheck();
  QueuePickerStep();
  // Wine never sends the foreground event, and Windows may miss one: what is in front now
  // goes to the same handler.
  PollForeground(foreground);
  ForegroundChange();
}

void TMainWorkThread::ScheduleTrackedCheck() {
  TSharedState& s = L.Shared;
  if (L.Tracked == nullptr || !s.AppEnabled.load(std::memory_order_relaxed) ||
      s.MainWindowActive.load(std::memory_order_relaxed))
    return;
  if (!s.Fullscreen.load(std::memory_order_relaxed) && TrackTicks < TrackCheckTicks) ++TrackTicks;
  auto foreground = [&s] { return s.ForegroundWnd.load(std::memory_order_relaxed); };
  TWindowHandle candidate = s.TrackCandidate.load(std::memory_order_relaxed);
  const bool clicking = s.TrackedClicking.load(std::memory_order_relaxed);
  const bool onTime = TrackTicks >= TrackCheckTicks;
  if (!clicking && candidate == foreground() && !onTime) return;

  if (candidate != foreground()) {
    // A change of the window in front ends the wait. The system is asked as well: under Wine
    // only this thread's own poll would ever bring that change into ForegroundWnd.
    auto unchanged = [&] { return foreground() == LastForeground && L.System.ForegroundWindow() == LastForeground; };
    for (int i = 0; i < TrackVisibleSteps && !L.System.IsVisible(candidate) &&
                    !(Clipboard != nullptr && Clipboard->CaptureDue()) && unchanged();
         ++i)
      L.System.Delay(TrackVisibleStepMs);
  }
  if (!onTime) {
    if (candidate == foreground()) {
      L.System.Delay(TrackRepeatDelayMs);
      // Esc during the pause stops the repetition now, not after one more click.
      if (!s.TrackedClicking.load(std::memory_order_relaxed)) return;
    } else {
      s.TrackCandidate.store(foreground(), std::memory_order_relaxed);
    }
  }
  TrackTicks = 0;
  if (!s.TrackedRowsOn.load(std::memory_order_relaxed)) return;
  TrackedScanPort& tracked = *L.Tracked;
  L.Gui.Queue([&tracked] { tracked.CheckTrackedWindows(); });
}

void TMainWorkThread::QueuePickerStep() {
  if (Picker == nullptr || L.Shared.PickerPoint.Load().X == -1) return;
  if (PickerQueued.exchange(true, std::memory_order_relaxed)) return;
  PickerPort& picker = *Picker;
  L.Gui.Queue([this, &picker] {
    PickerQueued.store(false, std::memory_order_relaxed);
    picker.PickUnderPoint();
  });
}

void HooksReinstalled(TSharedState& shared, bool installed) {
  for (std::atomic<int32_t>* probe : {&shared.MouseProbe, &shared.KeyboardProbe}) {
    int32_t p = probe->load(std::memory_order_relaxed);
    if (p == ProbeRestart) continue;
    // A failed install is reported through the keyboard counter, as at start-up.
    int32_t now = installed || probe == &shared.MouseProbe ? ProbeIdleTicks : ProbeFailed;
    probe->compare_exchange_strong(p, now, std::memory_order_relaxed);
  }
}

void TMainWorkThread::ProbeHook(std::atomic<int32_t>& probe, bool postponed, bool mouse) {
  // Every change is an exchange from the value read: a hook's answer written meanwhile is
  // never overwritten, the counter just moves on at the next tick.
  int32_t p = probe.load(std::memory_order_relaxed);
  // A restart is requested; the shutdown reads it.
  if (p == ProbeRestart) return;
  if (p >= 1) {
    probe.compare_exchange_strong(p, p - 1, std::memory_order_relaxed);
    return;
  }
  if (postponed) {
    // A failure already found (a hook or the desktop list missing at start, a probe that went
    // unanswered) waits to be reported; only a probe that might now go unanswered is dropped.
    if (p != ProbeFailed) probe.compare_exchange_strong(p, ProbeIdleTicks, std::memory_order_relaxed);
    return;
  }
  if (p == 0) {
    if (!probe.compare_exchange_strong(p, ProbeSent, std::memory_order_relaxed)) return;
    // Only now: the answer must find the counter waiting for it.
    if (mouse)
      L.Input.SendProbeMove();
    else
      L.Input.SendKey(false, ProbeKeyCode, ProbeKeyCode, false);
    return;
  }
  if (p < ProbeFailed) {
    if (!probe.compare_exchange_strong(p, p + 1, std::memory_order_relaxed)) return;
    ++p;
  }
  if (p == ProbeAnswered) {
    probe.compare_exchange_strong(p, ProbeIdleTicks, std::memory_order_relaxed);
  } else if (p == ProbeFailed) {
    // Again on every tick until Pelorin restarts: HookFailure counts them.
    L.Gui.Queue([this] { HookFailure(); });
  }
}

void TMainWorkThread::CountIdleKeyboard() {
  std::atomic<int32_t>& idle = L.Shared.KbdIdleTicks;
  int32_t ticks = idle.load(std::memory_order_relaxed);
  if (ticks >= StaleKeyTicks) return;
  // The hook sets 0 on every key event; an exchange that lost to it counts nothing.
  if (!idle.compare_exchange_strong(ticks, ticks + 1, std::memory_order_relaxed)) return;
  // The held keys belong to the keyboard hook in the GUI thread: the sweep runs there.
  if (ticks + 1 == StaleKeyTicks) L.Gui.Queue([this] { SweepStaleKeys(); });
}

void TMainWorkThread::SweepStaleKeys() {
  TPressedKeys& keys = L.PressedKeys;
  int i = 0;
  while (i < keys.Count() && L.Shared.KbdIdleTicks.load(std::memory_order_relaxed) == StaleKeyTicks) {
    if (L.System.KeyDown(keys[i].VirtualKey)) {
      ++i;
      continue;
    }
    TKeyName name = keys[i].Name;  // a copy: Remove moves the entries it is read from
    keys.Remove(name);
  }
}

void TMainWorkThread::PollForeground(TWindowHandle now) {
  // Nothing in front is a moment between two windows, not a change; and each window in front
  // is handed over once, even when the handler ignores it.
  if (now == 0 || now == LastPolled) return;
  LastPolled = now;
  if (now == L.Shared.ForegroundWnd.load(std::memory_order_relaxed)) return;
  uint32_t threadId = L.System.WindowThreadId(now);
  TForegroundTracker& tracker = L.Foreground;
  L.Gui.Queue([&tracker, now, threadId] { tracker.WinEventProc(now, threadId); });
}

void TMainWorkThread::ForegroundChange() {
  TSharedState& s = L.Shared;
  TWindowHandle foreground = s.ForegroundWnd.load(std::memory_order_relaxed);
  if (foreground == LastForeground) return;
  LastForeground = foreground;
  if (s.AppEnabled.load(std::memory_order_relaxed) && L.Foreground.DisableInGame())
    L.Foreground.DetectFullscreen(foreground);
  TWindowHandle main = L.Foreground.MainWindow();
  s.MainWindowActive.store(main != 0 && foreground == main && !L.System.IsMinimized(main), std::memory_order_relaxed);
  if (L.Desktop != nullptr) L.Desktop->ForegroundChanged(foreground);
}

void TMainWorkThread::HookFailure() {
  if (RestartCountValue == 0) {  // the first time in this process
    L.Windows.ShowHookError(HookErrorText, HookErrorHint);
    HookErrTicksValue = 0;
    // A restarted instance that fails again soon after its start waits longer each time; one
    // that ran a while starts counting afresh. Pelorin writes at most 100: anything larger
    // waits as long as 100 does.
    if (L.RestartedAs && L.System.TickCount() - WorkerStartTick.load(std::memory_order_relaxed) <= RestartGraceMs)
      RestartCountValue = std::clamp(*L.RestartedAs, 0, MaxRestartCount);
    if (RestartCountValue < MaxRestartCount) ++RestartCountValue;
  }
  ++HookErrTicksValue;
  // Never while the user has Pelorin's window in front.
  if (L.Shared.MainWindowActive.load(std::memory_order_relaxed)) return;
  if (HookErrTicksValue >= RestartCountValue * HookErrTicksPerRestart) {
    L.Shared.MouseProbe.store(ProbeRestart, std::memory_order_relaxed);
    L.Windows.CloseMainWindow();
  }
}

}  // namespace pelorin
