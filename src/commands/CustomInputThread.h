#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/GuiThread.h"
#include "base/NotePort.h"
#include "base/SharedState.h"
#include "commands/Brightness.h"
#include "commands/Volume.h"
#include "input/CustomInputTable.h"
#include "input/MouseHook.h"
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

// The command thread: takes one code from PendingAction every 50 ms and carries it out, so
// that no hook callback is ever slowed down by a command.
class TCustomInputThread {
 public:
  static constexpr std::chrono::milliseconds PollInterval{50};

  struct Links {
    const TCustomInputTable& Table;
    TSharedState& Shared;
    const TMouseHook& MouseHook;
    TSyntheticInput& Input;
    NotePort& Notes;
    VolumePort& Volume;
    TBrightness& Brightness;
    CommandSystemPort& System;
    GuiThreadPort& Gui;
    CommandWindowsPort& Windows;
    LayoutCommandsPort* Layout;  // null until retyping exists
  };

  explicit TCustomInputThread(const Links& links, std::chrono::milliseconds poll = PollInterval);
  TCustomInputThread(const TCustomInputThread&) = delete;
  TCustomInputThread& operator=(const TCustomInputThread&) = delete;
  ~TCustomInputThread() { Stop(); }

  void Start();
  // Asks the thread to end after the command in hand and waits for it.
  void Stop();

  // Takes the pending code, if any, and carries it out: one pass of the loop.
  bool RunOnce();
  // Carries out one action code.
  void Execute(int32_t code);

 private:
  void Execute() noexcept;
  void Dispatch(int32_t code, const std::wstring& commandText);
  void BrightnessStep(bool up);
  void QueueToGui(void (CommandWindowsPort::*action)());

  Links L;
  std::chrono::milliseconds Poll;
  uint32_t LastBrightnessTick = 0;

  std::mutex Lock;
  std::condition_variable Wake;
  bool Terminated = false;
  std::thread Thread;
};

}  // namespace pelorin
