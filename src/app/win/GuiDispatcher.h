#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "base/GuiThread.h"

namespace pelorin {

// Runs work from other threads in the GUI thread through a message-only window.
class TGuiDispatcher : public GuiThreadPort {
 public:
  TGuiDispatcher() = default;
  TGuiDispatcher(const TGuiDispatcher&) = delete;
  TGuiDispatcher& operator=(const TGuiDispatcher&) = delete;
  ~TGuiDispatcher() override { Close(); }

  // Called in the GUI thread before any other thread may use the dispatcher.
  bool Create(HINSTANCE instance);
  // Called in the GUI thread at shutdown: pending work is dropped and every waiting caller
  // returns false, so a thread that waits for the GUI thread can never deadlock its own end.
  void Close();

  bool Synchronize(const std::function<void()>& work) override;
  void Queue(std::function<void()> work) override;

 private:
  struct Item;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void Run(Item* item) noexcept;
  void Finish(Item* item, bool ran);

  HWND Window = nullptr;
  DWORD GuiThreadId = 0;
  std::atomic<bool> Closed{true};
  std::mutex Lock;
  std::condition_variable Finished;
};

}  // namespace pelorin
