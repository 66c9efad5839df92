#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "base/GuiThread.h"
#include "common/win/WindowBase.h"

namespace pelorin {

// Runs work from other threads in the GUI thread through a message-only window. An exception
// that escapes the work ends in the fatal path, and the work's waiter is released first.
class TGuiDispatcher : private TWindowBase, public GuiThreadPort {
 public:
  TGuiDispatcher() = default;
  ~TGuiDispatcher() override { Close(); }

  // Called in the GUI thread before any other thread may use the dispatcher.
  bool Create(HINSTANCE instance);
  // Called in the GUI thread at shutdown: pending work is dropped and every waiting caller
  // returns false, so a thread that waits for the GUI thread can never deadlock its own end.
  void Close();

  bool Synchronize(const std::function<void()>& work) override;
  bool Queue(std::function<void()> work) override;

 private:
  struct Item;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Run(Item* item) noexcept;
  void Finish(Item* item, bool ran);

  DWORD GuiThreadId = 0;
  std::atomic<bool> Closed{true};
  std::mutex Lock;
  std::condition_variable Finished;
};

}  // namespace pelorin
