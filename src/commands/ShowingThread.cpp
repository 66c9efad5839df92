#include "commands/ShowingThread.h"

#include <exception>
#include <utility>

namespace pelorin {

TShowingThread::TShowingThread(GuiThreadPort& gui, NoteViewPort& view, NoteFocusPort& focus,
                               const TSharedState& shared, std::chrono::milliseconds step)
    : Gui(gui), View(view), Focus(focus), Shared(shared), Step(step) {}

void TShowingThread::ShowNote(std::wstring_view text, bool forced, int32_t level) {
  if (!forced && !NoteCheck.load(std::memory_order_relaxed)) return;
  {
    std::lock_guard guard(Lock);
    if (Terminated) return;
    // The new thread takes Lock first thing, so it finds the note once this returns.
    if (!Thread.joinable()) Thread = std::thread([this] { Execute(); });
    stMessage = text;
    VolumePercent = level;
    NewNote = true;
  }
  Wake.notify_one();
}

void TShowingThread::Stop() {
  {
    std::lock_guard guard(Lock);
    Terminated = true;  // from here on no note starts the thread
  }
  Wake.notify_one();
  if (Thread.joinable()) Thread.join();
}

void TShowingThread::Execute() noexcept {
  try {
    std::unique_lock guard(Lock);
    for (;;) {
      // A note that came while the last one was being hidden is still flagged here, so the
      // thread goes round again instead of sleeping on it.
      Wake.wait(guard, [this] { return NewNote || Terminated; });
      if (Terminated) return;
      Cycling = true;
      guard.unlock();
      RunCycle();
      guard.lock();
      Cycling = false;
    }
  } catch (...) {
    Cycling = false;
    // The GUI thread's handler reports it and shuts down, as for any escaped exception.
    try {
      Gui.Queue([e = std::current_exception()] { std::rethrow_exception(e); });
    } catch (...) {
    }
  }
}

void TShowingThread::RunCycle() {
  // Every Synchronize that fails means the GUI thread is gone: there is nothing left to show
  // or hide, and the thread must not wait for it again.
  if (!ShowLatest()) return;
  bool terminated = false;
  while (!terminated && TimeCounter < TimeCounterLimit) {
    if (!Gui.Synchronize([this] { View.KeepOnTop(); })) return;
    ++TimeCounter;
    bool newNote;
    {
      std::unique_lock guard(Lock);
      Wake.wait_for(guard, Step, [this] { return NewNote || Terminated; });
      terminated = Terminated;
      newNote = NewNote;
    }
    if (newNote && !terminated && !ShowLatest()) return;
  }
  Gui.Synchronize([this] { HideInGui(); });
}

bool TShowingThread::ShowLatest() {
  {
    std::lock_guard guard(Lock);
    NewNote = false;
  }
  TimeCounter = 0;
  return Gui.Synchronize([this] { ShowInGui(); });
}

void TShowingThread::ShowInGui() {
  const TWindowHandle own = Focus.OwnFrontWindow();
  std::wstring text;
  int32_t level;
  {
    std::lock_guard guard(Lock);
    text = stMessage;
    level = VolumePercent;
  }
  TNoteLayout layout = LayoutNote(text, level, View);
  // Placed only when it comes up: a note replacing a visible one keeps the left edge of the
  // previous one, even when it is narrower.
  std::optional<TPoint> moveTo;
  if (!View.Showing()) moveTo = TPoint{Shared.ScreenWidth.load(std::memory_order_relaxed) - layout.ClientWidth, 0};
  View.Show(layout, moveTo);
  TimeCounterLimit = layout.StepLimit;

  // With another application in front, the main window takes no input while the note is up.
  // Only an enabled main window is disabled, so hiding never ends a modal state it did not
  // start (a message box disables its owner too). Any window of Pelorin in front keeps its
  // input, and the main window stays as it is.
  if (own == 0) {
    if (Focus.MainWindowShowing() && Focus.MainWindowEnabled()) {
      Focus.EnableMainWindow(false);
      MainDisabledByNote = true;
    }
  } else if (Focus.WindowShowing(own)) {
    Focus.GiveFocusBack(own);
  }
}

void TShowingThread::HideInGui() {
  View.Hide();
  if (std::exchange(MainDisabledByNote, false)) Focus.EnableMainWindow(true);
}

}  // namespace pelorin
