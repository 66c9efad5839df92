#include "base/PeriodicThread.h"

namespace pelorin {

void TCondWakeSignal::Signal() noexcept {
  {
    std::lock_guard guard(Lock);
    Signalled = true;
  }
  Changed.notify_one();
}

void TCondWakeSignal::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock guard(Lock);
  if (timeout == WaitForever)
    Changed.wait(guard, [this] { return Signalled; });
  else
    Changed.wait_for(guard, timeout, [this] { return Signalled; });
  Signalled = false;
}

TPeriodicThread::TPeriodicThread(std::chrono::milliseconds interval, TWakeSignal* signal)
    : Interval(interval), Signal(signal != nullptr ? signal : &OwnSignal) {}

void TPeriodicThread::Start(Body body) {
  if (Thread.joinable()) return;
  Parts = std::move(body);
  Stopping.store(false, std::memory_order_relaxed);
  Ended.store(false, std::memory_order_relaxed);
  Thread = std::thread([this] { Run(); });
}

void TPeriodicThread::Stop(const TStopWaiter& waiter) {
  Stopping.store(true, std::memory_order_relaxed);
  Signal->Signal();
  if (!Thread.joinable()) return;
  if (waiter) waiter([this] { return Ended.load(std::memory_order_acquire); });
  Thread.join();
}

bool TPeriodicThread::Guarded(const std::function<void()>& part) noexcept {
  if (!part) return true;
  try {
    part();
    return true;
  } catch (...) {
    Parts.Unexpected();
    return false;
  }
}

void TPeriodicThread::Run() noexcept {
  bool going = Guarded(Parts.Started);
  while (going) {
    Signal->Wait(Interval);
    if (StopRequested()) break;
    going = Guarded(Parts.Turn);
  }
  Guarded(Parts.Ending);
  Ended.store(true, std::memory_order_release);
}

}  // namespace pelorin
