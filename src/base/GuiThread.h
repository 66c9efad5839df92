#pragma once
#include <functional>

namespace pelorin {

// How the worker, command and notification threads get work done in the GUI thread, which
// owns every window.
struct GuiThreadPort {
  virtual ~GuiThreadPort() = default;
  // Runs work in the GUI thread and waits until it has run (at once when called from the GUI
  // thread). False, without running it, once the GUI thread has stopped taking work.
  virtual bool Synchronize(const std::function<void()>& work) = 0;
  // Hands work to the GUI thread and returns at once (fire and forget). False when the work
  // could not be handed over (the GUI thread's queue is full, or it stopped taking work): it
  // will never run, and a caller that depends on it must ask again.
  virtual bool Queue(std::function<void()> work) = 0;
};

}  // namespace pelorin
