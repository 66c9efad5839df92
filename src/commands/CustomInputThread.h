#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/GuiThread.h"
#include "base/NotePort.h"
#include "base/PeriodicThread.h"
#include "base/SharedState.h"
#include "commands/Brightness.h"
#include "commands/Volume.h"
#include "input/CustomInputTable.h"
#include "tracked/SyntheticInput.h"

namespace pelorin {

// What commands do to the system outside Pelorin, in the command thread.
struct CommandSystemPort {
  virtual ~CommandSystemPort() = default;
  // Starts a program; failure is silent.
  virtual void ShellExecute(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder) = 0;
  // 1 sleep, 2 hibernate, 3 shut down, 4 reboot.
  virtual void PowerCommand(int n) = 0;
  virtual uint32_t TickCount() = 0;
  // Set-up and clean-up inside the thread (the audio apartment lives there).
  virtual void ThreadStarted() = 0;
  virtual void ThreadEnding() = 0;
  // The end of an exception that escaped a command.
  virtual void UnexpectedException() = 0;
  // What the thread sleeps on, signalled by every action posted (from a hook callback among
  // others); null for a portable one. It outlives the thread.
  virtual TWakeSignal* ActionWake() = 0;
};

// Pelorin's own windows. Called only in the GUI thread: the command thread queues them.
struct CommandWindowsPort {
  virtual ~CommandWindowsPort() = default;
  virtual void OpenClipboardManager() = 0;
  virtual void ShowMainWindow() = 0;
  virtual void ToggleCheckedInputs() = 0;  // with its forced note
  virtual void TogglePelorin() = 0;        // with its forced note
  virtual void ShowHelp() = 0;
  virtual void MinimizeApplication() = 0;
  virtual void ShowTrayPopup() = 0;
  virtual void ShowBrightnessSlider() = 0;
  virtual void RefreshTray() = 0;
  // A setting changed that is not bound to a control (the brightness): write the file at exit.
  virtual void MarkSettingsChanged() = 0;
};

// Retyping and the layout auto-switch, which run in the command thread.
struct LayoutCommandsPort {
  virtual ~LayoutCommandsPort() = default;
  virtual void Retype() = 0;
  virtual void AutoSwitchCheck() = 0;
};

// The command thread: woken by every code posted to PendingAction, it carries out every
// waiting code in order, so that no hook callback is ever slowed down by a command. Every
// post wakes it, so it has no reason to wake by itself: at rest it costs no CPU at all.
class TCustomInputThread {
 public:
  static constexpr std::chrono::milliseconds PollInterval = WaitForever;

  struct Links {
    const TCustomInputTable& Table;
    TSharedState& Shared;
    TSyntheticInput& Input;
    NotePort& Notes;
    VolumePort& Volume;
    TBrightness& Brightness;
    CommandSystemPort& System;
    GuiThreadPort& Gui;
    CommandWindowsPort& Windows;
    LayoutCommandsPort* Layout;  // null: no layout switching (tests of other commands)
  };

  explicit TCustomInputThread(const Links& links, std::chrono::milliseconds poll = PollInterval);
  TCustomInputThread(const TCustomInputThread&) = delete;
  TCustomInputThread& operator=(const TCustomInputThread&) = delete;
  ~TCustomInputThread() { Stop(); }

  // Also makes posting wake this thread.
  void Start();
  // Makes posting wake this thread, which the first code posted starts (through the GUI
  // thread, at once when codes are already waiting): many sessions fire no command for a long
  // time, and under Wine every thread keeps about a megabyte.
  void StartOnFirstPost();
  bool Running() const { return Thread.Running(); }
  // Asks the thread to end after the command in hand and waits for it.
  void Stop(const TStopWaiter& waiter = {});

  // Takes the oldest waiting code, if any, and carries it out.
  bool RunOnce();
  // One turn of the thread: every waiting code in order, until none is left or a stop is
  // asked for. The number carried out.
  int RunPending();
  // Carries out one action code.
  void Execute(int32_t code);

 private:
  void Dispatch(int32_t code, const std::wstring& commandText);
  void BrightnessStep(bool up);
  void QueueToGui(void (CommandWindowsPort::*action)());
  void StartThread();

  // What posting signals until the thread runs: the thread's own signal, kept for its first
  // wait, and one request to the GUI thread to start it.
  class TStartingWake : public TWakeSignal {
   public:
    explicit TStartingWake(TCustomInputThread& owner) : Owner(owner) {}
    void Signal() noexcept override;
    void Wait(std::chrono::milliseconds timeout) override { Owner.Thread.WakeSignal().Wait(timeout); }
    void Rearm() { Requested.store(false, std::memory_order_release); }

   private:
    TCustomInputThread& Owner;
    std::atomic<bool> Requested{false};
  };

  Links L;
  std::atomic<bool> Stopped{false};
  TStartingWake StartingWake{*this};
  uint32_t LastBrightnessTick = 0;
  // Last: it stops the thread before anything above goes away.
  TPeriodicThread Thread;
};

}  // namespace pelorin
