#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "base/GuiThread.h"
#include "base/SharedState.h"
#include "base/NotePort.h"
#include "common/AtomicPoint.h"
#include "base/ConfigState.h"
#include "input/TypedChars.h"

namespace pelorin {

// Window style bits (the Win32 WS_ values) that tell an application window from a game.
inline constexpr uint32_t MaximizeBoxStyle = 0x10000;
inline constexpr uint32_t MinimizeBoxStyle = 0x20000;

// The caption of the InputsEnabled switch, also the note shown when it changes.
constexpr std::wstring_view CheckedInputsCaption(bool enabled) {
  return enabled ? L"Checked Inputs enabled" : L"Checked Inputs disabled";
}

// What foreground tracking reads of the system. Any thread.
struct ForegroundPort {
  virtual ~ForegroundPort() = default;
  virtual TWindowHandle ForegroundWindow() = 0;
  virtual uint32_t WindowStyle(TWindowHandle window) = 0;
  // Screen rectangle; all zero when the window is gone.
  virtual TRect WindowRect(TWindowHandle window) = 0;
  // The shell's desktop, which covers the screen without caption buttons.
  virtual bool IsDesktopWindow(TWindowHandle window) = 0;
  // A note is on its way or on screen (the notification thread's Running()).
  virtual bool NoteRunning() = 0;
};

// The InputsEnabled switch of the main window. GUI thread only.
struct InputsSwitchPort {
  virtual ~InputsSwitchPort() = default;
  // InputsEnabledClick without a sender: the caption (and the tray) follow CheckedInputsEnabled.
  virtual void RefreshInputsCaption() = 0;
};

// Which window the user works in, and whether it is a full-screen frameless application that
// switches the checked inputs and the layout auto-switcher off while it is in front.
class TForegroundTracker {
 public:
  static constexpr int MaxOwnWindows = 8;

  struct Links {
    TSharedState& Shared;
    TConfigState& Config;
    TypedCharsPort& TypedChars;
    ForegroundPort& System;
    GuiThreadPort& Gui;
    InputsSwitchPort& Switch;
    NotePort& Notes;
  };

  explicit TForegroundTracker(const Links& links) : L(links) {}

  // Start-up, GUI thread, before the worker starts.
  void SetMainWindow(TWindowHandle window) { MainWnd.store(window, std::memory_order_relaxed); }
  TWindowHandle MainWindow() const { return MainWnd.load(std::memory_order_relaxed); }
  // Pelorin's transient windows (notification, brightness, pop-up), whose coming to the front
  // is no change of the foreground. GUI thread; false when there is no room left.
  bool RegisterOwnWindow(TWindowHandle window);

  // The foreground event of `window`, reported with `threadId`: from the event hook, and from
  // the worker's poll for systems that never send the event. GUI thread. True when accepted.
  bool WinEventProc(TWindowHandle window, uint32_t threadId) noexcept;

  // Worker thread, on a change of ForegroundWnd. True when the checked inputs were switched.
  bool DetectFullscreen(TWindowHandle window);

  // The DisableInGame setting, mirrored by the GUI thread at load and on every change, since
  // the worker reads it.
  void SetDisableInGame(bool on) { DisableInGameOn.store(on, std::memory_order_relaxed); }
  bool DisableInGame() const { return DisableInGameOn.load(std::memory_order_relaxed); }
  // The option's click handler (GUI thread): mirrors `checked`, and unless Pelorin changes its
  // own controls, forgets any full-screen state so the next foreground change starts afresh.
  void DisableInGameClick(bool checked);

 private:
  bool IsOwnWindow(TWindowHandle window) const;

  Links L;
  std::atomic<TWindowHandle> MainWnd{0};
  std::atomic<bool> DisableInGameOn{false};
  std::array<TWindowHandle, MaxOwnWindows> OwnWindows{};  // GUI thread
  int OwnWindowCount = 0;
};

}  // namespace pelorin
