#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "base/GuiThread.h"
#include "base/SharedState.h"
#include "commands/NoteLayout.h"
#include "common/AtomicPoint.h"

namespace pelorin {

// The notification window, driven in the GUI thread only.
struct NoteViewPort : NoteTextWidthPort {
  virtual bool Showing() = 0;
  // Shows the note without activating it; moves the window to `moveTo` when given, else
  // keeps its position and only takes the new width.
  virtual void Show(const TNoteLayout& layout, std::optional<TPoint> moveTo) = 0;
  // Back to the top of the topmost windows, repainted.
  virtual void KeepOnTop() = 0;
  virtual void Hide() = 0;
};

// What a note needs to know and do about the focus, GUI thread only. Pelorin's windows are
// all of its windows: the main window, the Clipboard Manager, help, the brightness slider, a
// message box or file dialog of its own.
struct NoteFocusPort {
  virtual ~NoteFocusPort() = default;
  // The window in front when it is one of Pelorin's; 0 when another application's is, or none.
  virtual TWindowHandle OwnFrontWindow() = 0;
  // Visible and not minimised.
  virtual bool WindowShowing(TWindowHandle window) = 0;
  virtual bool MainWindowShowing() = 0;
  virtual bool MainWindowEnabled() = 0;
  virtual void EnableMainWindow(bool enable) = 0;
  // Keyboard focus back to the window, unless it or one of its controls has it.
  virtual void GiveFocusBack(TWindowHandle window) = 0;
};

// One step of a note: a text note stays 40 steps, a level note 100, about 0.64 s and 1.6 s.
// A fixed length rather than one tick of the system clock, whose granularity differs
// between systems (1 ms under Wine).
inline constexpr std::chrono::milliseconds NoteStep{16};

// The notification thread: sleeps until a note arrives, shows it through the GUI thread,
// keeps it on top for its steps and hides it again. A note that arrives meanwhile replaces
// the one on screen and starts its steps again.
class TShowingThread {
 public:
  // The thread starts with the first note: many sessions never show one, and under Wine
  // every thread costs about a megabyte. `view` and `focus` are only used in the GUI thread,
  // through `gui`.
  TShowingThread(GuiThreadPort& gui, NoteViewPort& view, NoteFocusPort& focus, const TSharedState& shared,
                 std::chrono::milliseconds step = NoteStep);
  TShowingThread(const TShowingThread&) = delete;
  TShowingThread& operator=(const TShowingThread&) = delete;
  ~TShowingThread() { Stop(); }

  // Any thread; returns at once. Level -1 is a text note. Dropped while notes are off,
  // unless forced. The last note written wins.
  void ShowNote(std::wstring_view text, bool forced, int32_t level);

  // The NoteCheck setting, mirrored by the GUI thread whenever it changes, since ShowNote
  // runs in other threads.
  void SetNoteCheck(bool on) { NoteCheck.store(on, std::memory_order_relaxed); }

  // A note is on its way or on screen; tells a note from a real activation of the main
  // window.
  bool Running() const { return Cycling.load(std::memory_order_relaxed); }

  // Ends a running note at its next step (hidden), then the thread. Called in the GUI thread
  // only after the GUI dispatcher stopped taking work, or the note could wait for the GUI
  // thread while the GUI thread waits for it.
  void Stop();

 private:
  void Execute() noexcept;
  void RunCycle();
  bool ShowLatest();
  void ShowInGui();
  void HideInGui();

  GuiThreadPort& Gui;
  NoteViewPort& View;
  NoteFocusPort& Focus;
  const TSharedState& Shared;
  const std::chrono::milliseconds Step;

  std::atomic<bool> NoteCheck{true};
  std::atomic<bool> Cycling{false};

  // Guards the note and the two flags; never held while waiting for the GUI thread.
  std::mutex Lock;
  std::condition_variable Wake;
  std::wstring stMessage;
  int32_t VolumePercent = TextNoteLevel;
  bool NewNote = false;  // a note not shown yet
  bool Terminated = false;

  // Notification thread only, and the GUI thread while the notification thread waits for it.
  int32_t TimeCounter = 0;
  int32_t TimeCounterLimit = TextNoteSteps;
  bool MainDisabledByNote = false;

  std::thread Thread;  // started by the first note, under Lock
};

}  // namespace pelorin
