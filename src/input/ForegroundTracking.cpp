#include "input/ForegroundTracking.h"

namespace pelorin {

bool TForegroundTracker::RegisterOwnWindow(TWindowHandle window) {
  if (window == 0 || IsOwnWindow(window)) return true;
  if (OwnWindowCount == MaxOwnWindows) return false;
  OwnWindows[OwnWindowCount++] = window;
  return true;
}

bool TForegroundTracker::IsOwnWindow(TWindowHandle window) const {
  for (int i = 0; i < OwnWindowCount; ++i)
    if (OwnWindows[i] == window) return true;
  return false;
}

bool TForegroundTracker::WinEventProc(TWindowHandle window, uint32_t threadId) noexcept {
  TSharedState& shared = L.Shared;
  // A message box of Pelorin, a note, the pop-up or the brightness slider coming to the front
  // must not count: the user still works in the window behind them.
  if (shared.MsgBoxBusy.load(std::memory_order_relaxed)) return false;
  if (window == shared.ForegroundWnd.load(std::memory_order_relaxed)) return false;
  if (IsOwnWindow(window)) return false;
  // Only the window in front now counts. An event handled late, such as that of a message box
  // closed a moment after it opened, would otherwise leave a window that is gone as the one
  // the user works in, and the window really in front would never be reported again. Showing
  // a note may also briefly activate the main window.
  if (L.System.ForegroundWindow() != window) return false;

  shared.ForegroundWnd.store(window, std::memory_order_relaxed);
  shared.ForegroundThreadId.store(threadId, std::memory_order_relaxed);
  L.TypedChars.ClearTypedChars();  // a word typed in one window must not be retyped into another
  return true;
}

bool TForegroundTracker::DetectFullscreen(TWindowHandle window) {
  TSharedState& shared = L.Shared;
  uint32_t style = L.System.WindowStyle(window);
  TRect rect = L.System.WindowRect(window);
  // At least the primary screen: a window spanning two monitors counts as well.
  bool fullscreen = (style & (MaximizeBoxStyle | MinimizeBoxStyle)) == 0 &&
                    rect.Width >= shared.ScreenWidth.load(std::memory_order_relaxed) &&
                    rect.Height >= shared.ScreenHeight.load(std::memory_order_relaxed);
  // The desktop covers the screen without caption buttons too, but is no game.
  if (fullscreen && L.System.IsDesktopWindow(window)) fullscreen = false;
  shared.Fullscreen.store(fullscreen, std::memory_order_relaxed);

  if (fullscreen == shared.PrevFullscreen.load(std::memory_order_relaxed)) return false;
  shared.PrevFullscreen.store(fullscreen, std::memory_order_relaxed);
  // Overrides whatever the user set with the switch: entering always turns the checked inputs
  // off, leaving always turns them on.
  shared.CheckedInputsEnabled.store(!fullscreen, std::memory_order_relaxed);
  shared.AutoSwitchAllowed.store(!fullscreen, std::memory_order_relaxed);
  InputsSwitchPort& inputs = L.Switch;
  NotePort& notes = L.Notes;
  L.Gui.Queue([&inputs, &notes, &shared] {
    inputs.RefreshInputsCaption();
    // Unforced: the note shows only while notes are on.
    notes.ShowNote(CheckedInputsCaption(shared.CheckedInputsEnabled.load(std::memory_order_relaxed)), false, -1);
  });
  return true;
}

void TForegroundTracker::DisableInGameClick(bool checked) {
  SetDisableInGame(checked);
  if (L.Config.ProgrammaticChange) return;
  TSharedState& shared = L.Shared;
  shared.AutoSwitchAllowed.store(true, std::memory_order_relaxed);
  shared.PrevFullscreen.store(false, std::memory_order_relaxed);
  shared.Fullscreen.store(false, std::memory_order_relaxed);
  // CheckedInputsEnabled stays: the next foreground change evaluates the new setting.
  SetCfgChanged(L.Config);
}

}  // namespace pelorin
