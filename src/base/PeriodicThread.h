#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace pelorin {

// An interval that never ends: the thread turns only when woken.
inline constexpr std::chrono::milliseconds WaitForever = std::chrono::milliseconds::max();

// What a periodic thread sleeps on between its turns.
struct TWakeSignal {
  virtual ~TWakeSignal() = default;
  // Any thread, a hook callback included: never waits for anything the sleeper may hold. A
  // signal given while nobody waits is kept for the next Wait.
  virtual void Signal() noexcept = 0;
  // Returns when signalled, taking the signal, or after the timeout (never for WaitForever).
  virtual void Wait(std::chrono::milliseconds timeout) = 0;
};

// The portable signal: a flag under a mutex. Signal takes the mutex for a moment, so it is
// for threads that only a stop or a non-hook thread wakes (and for the native tests); the
// Windows command thread sleeps on an auto-reset event instead.
class TCondWakeSignal : public TWakeSignal {
 public:
  void Signal() noexcept override;
  void Wait(std::chrono::milliseconds timeout) override;

 private:
  std::mutex Lock;
  std::condition_variable Changed;
  bool Signalled = false;
};

// How a stopping thread is waited for: called with a test of whether the thread has ended,
// it returns once that is true. The GUI thread answers messages sent to its windows
// meanwhile, which a turn in hand may be waiting for.
using TStopWaiter = std::function<void(const std::function<bool()>& ended)>;

// A thread that runs one turn every interval, or sooner when woken, until stopped: the shape
// of the worker and the command thread.
class TPeriodicThread {
 public:
  struct Body {
    std::function<void()> Turn;
    // The end of an exception that escaped any part of the body; the thread then ends.
    std::function<void()> Unexpected;
    // Optional, run in the thread before the first turn and after the last.
    std::function<void()> Started = {};
    std::function<void()> Ending = {};
  };

  // signal: what the thread sleeps on; null for a portable one of its own. It must outlive
  // this object.
  explicit TPeriodicThread(std::chrono::milliseconds interval, TWakeSignal* signal = nullptr);
  TPeriodicThread(const TPeriodicThread&) = delete;
  TPeriodicThread& operator=(const TPeriodicThread&) = delete;
  ~TPeriodicThread() { Stop(); }

  // Does nothing while the thread runs.
  void Start(Body body);
  // Asks the thread to end after the turn in hand and waits for it, through `waiter` when
  // given. Not from the thread itself.
  void Stop(const TStopWaiter& waiter = {});
  // The next turn begins now rather than at the end of the interval.
  void Wake() noexcept { Signal->Signal(); }
  // True from Stop on: a turn that loops checks it between its steps.
  bool StopRequested() const noexcept { return Stopping.load(std::memory_order_relaxed); }
  TWakeSignal& WakeSignal() noexcept { return *Signal; }
  bool Running() const noexcept { return Thread.joinable(); }

 private:
  void Run() noexcept;
  bool Guarded(const std::function<void()>& part) noexcept;

  std::chrono::milliseconds Interval;
  TCondWakeSignal OwnSignal;
  TWakeSignal* Signal;
  Body Parts;
  std::atomic<bool> Stopping{false};
  std::atomic<bool> Ended{false};  // the thread's last act
  std::thread Thread;
};

}  // namespace pelorin
