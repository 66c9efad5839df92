#include "commands/CustomInputThread.h"

#include "commands/CustomCommand.h"
#include "input/InputCatalogue.h"

namespace pelorin {

namespace {
constexpr int32_t MaxVolumeStep = 4;
constexpr uint32_t BrightnessCacheMs = 1000;
}  // namespace

TCustomInputThread::TCustomInputThread(const Links& links, std::chrono::milliseconds poll)
    : L(links), Thread(poll, L.System.ActionWake()) {}

void TCustomInputThread::Start() {
  Stopped.store(false, std::memory_order_release);
  L.Shared.ActionWake.store(&Thread.WakeSignal(), std::memory_order_release);
  // Codes posted before the line above woke nobody: the first turn takes them.
  Thread.WakeSignal().Signal();
  StartThread();
}

void TCustomInputThread::StartOnFirstPost() {
  Stopped.store(false, std::memory_order_release);
  StartingWake.Rearm();
  L.Shared.ActionWake.store(&StartingWake, std::memory_order_release);
  // Codes posted before the line above requested nothing.
  if (!L.Shared.PendingAction.Empty()) StartingWake.Signal();
}

void TCustomInputThread::TStartingWake::Signal() noexcept {
  Owner.Thread.WakeSignal().Signal();
  if (Requested.exchange(true, std::memory_order_acq_rel)) return;
  bool queued = false;
  try {
    queued = Owner.L.Gui.Queue([owner = &Owner] { owner->StartThread(); });
  } catch (...) {
  }
  // No memory for the request, or a full queue: it will never run, so the next post asks again.
  if (!queued) Requested.store(false, std::memory_order_release);
}

void TCustomInputThread::StartThread() {
  // A start requested just before the stop never runs a thread after it.
  if (Stopped.load(std::memory_order_acquire)) return;
  Thread.Start({[this] { RunPending(); }, [this] { L.System.UnexpectedException(); },
                [this] { L.System.ThreadStarted(); }, [this] { L.System.ThreadEnding(); }});
}

void TCustomInputThread::Stop(const TStopWaiter& waiter) {
  Stopped.store(true, std::memory_order_release);
  Thread.Stop(waiter);
  for (TWakeSignal* mine : {&Thread.WakeSignal(), static_cast<TWakeSignal*>(&StartingWake)})
    L.Shared.ActionWake.compare_exchange_strong(mine, nullptr, std::memory_order_acq_rel);
}

bool TCustomInputThread::RunOnce() {
  int32_t code = L.Shared.TakeAction();
  if (code <= NoAction) return false;
  Execute(code);
  return true;
}

int TCustomInputThread::RunPending() {
  int done = 0;
  while (!Thread.StopRequested() && RunOnce()) ++done;
  return done;
}

void TCustomInputThread::Execute(int32_t code) {
  std::wstring commandText;
  if (code < ActionCustomCommand) {  // a row of the table
    auto row = L.Table.CopyRow(code);
    if (!row || row->Command.empty()) return;  // the row went away since its input fired
    commandText = std::move(row->Command);
    if (row->Keys) {
      // A chord command: press the keys in order, then release them in the same order.
      const TKeyChordRecord& keys = *row->Keys;
      for (int i = 0; i < keys.Count(); ++i) L.Input.SendKey(true, keys.VirtualKey(i), keys.ScanCode(i), true);
      for (int i = 0; i < keys.Count(); ++i) L.Input.SendKey(false, keys.VirtualKey(i), keys.ScanCode(i), true);
      L.Notes.ShowNote(commandText, false, -1);
      return;
    }
    code = CommandIndexOf(commandText);
    if (code == 0) {
      L.Notes.ShowNote(commandText, false, -1);
      code = ActionCustomCommand;
    } else if (code >= cmdSleep && code <= cmdReboot) {
      L.Notes.ShowNote(CommandCatalogue[code], false, -1);  // before the computer goes away
    }
  }
  Dispatch(code, commandText);
}

void TCustomInputThread::QueueToGui(void (CommandWindowsPort::*action)()) {
  CommandWindowsPort& windows = L.Windows;
  L.Gui.Queue([&windows, action] { (windows.*action)(); });
}

void TCustomInputThread::Dispatch(int32_t code, const std::wstring& commandText) {
  switch (code) {
    case cmdDoubleClick:
      L.Input.SendMouseClick(1, -1, -1, true);
      L.Notes.ShowNote(L"Double click", false, -1);
      break;
    case cmdSleep:
    case cmdHibernate:
    case cmdShutdown:
    case cmdReboot:
      L.System.PowerCommand(code - 1);
      break;
    case cmdVolumeUp:
    case cmdVolumeDown: {
      int32_t step = L.Shared.VolumeStep.load(std::memory_order_relaxed);
      int level = L.Volume.ChangeVolume(code == cmdVolumeUp, step);
      L.Notes.ShowNote(L"", false, level);
      // Repeated faster than the worker's decay, the step grows up to 4 points.
      if (step < MaxVolumeStep) L.Shared.VolumeStep.store(step + 1, std::memory_order_relaxed);
      break;
    }
    case cmdBrightnessUp:
    case cmdBrightnessDown:
      BrightnessStep(code == cmdBrightnessUp);
      break;
    case cmdRetype:
      if (L.Layout != nullptr) L.Layout->Retype();
      break;
    case cmdClipboardManager:
    case ActionClipboardManager:
      QueueToGui(&CommandWindowsPort::OpenClipboardManager);
      break;
    case cmdShowPelorin:
      QueueToGui(&CommandWindowsPort::ShowMainWindow);
      break;
    case cmdToggleCheckedInputs:
      QueueToGui(&CommandWindowsPort::ToggleCheckedInputs);
      break;
    case ActionCustomCommand: {
      if (commandText.empty()) break;  // only row resolution makes this code
      TCustomCommand cmd = SplitCustomCommand(commandText);
      L.System.ShellExecute(cmd.File, cmd.Parameters, CommandFolder(cmd.File));
      break;
    }
    case ActionWheelNotchDown:
    case ActionWheelNotchUp:
      L.Input.SendWheel(code == ActionWheelNotchUp, true);
      break;
    case ActionAutoSwitchCheck:
      if (L.Layout != nullptr) L.Layout->AutoSwitchCheck();
      break;
    case ActionTogglePelorin:
      QueueToGui(&CommandWindowsPort::TogglePelorin);
      break;
    case ActionShowHelp:
      QueueToGui(&CommandWindowsPort::ShowHelp);
      break;
    case ActionMinimize:
      QueueToGui(&CommandWindowsPort::MinimizeApplication);
      break;
    case ActionTrayPopup:
      QueueToGui(&CommandWindowsPort::ShowTrayPopup);
      break;
    case ActionBrightnessSlider:
      if (L.Brightness.Available()) QueueToGui(&CommandWindowsPort::ShowBrightnessSlider);
      break;
    default:
      break;  // taken from the queue and ignored
  }
}

void TCustomInputThread::BrightnessStep(bool up) {
  if (!L.Brightness.Available()) return;
  // A burst of steps less than a second apart works on the cached value instead of waiting
  // for the monitor each time.
  uint32_t now = L.System.TickCount();
  if (now - LastBrightnessTick > BrightnessCacheMs) L.Brightness.ReadBrightness();
  LastBrightnessTick = now;
  if (up)
    L.Brightness.StepUp();
  else
    L.Brightness.StepDown();
  if (auto percent = L.Brightness.Percent()) L.Notes.ShowNote(L"", false, *percent);
  L.Brightness.WriteBrightness();
  QueueToGui(&CommandWindowsPort::RefreshTray);
  QueueToGui(&CommandWindowsPort::MarkSettingsChanged);
}

}  // namespace pelorin
