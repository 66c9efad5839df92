#pragma once
#include <atomic>
#include <cstdint>

namespace pelorin {

// Pelorin's place in the clipboard-viewer chain: which change notifications make a capture
// due. A notification right after Pelorin's own write (or its joining the chain) is not the
// user's copy, and neither is any that follows the last swallowed one within 500 ms. The GUI
// thread takes the notifications, the worker the due captures.
class TClipboardChain {
 public:
  static constexpr uint32_t QuietMs = 500;

  // The next notification is Pelorin's own doing (joining the chain, writing the clipboard).
  void IgnoreNext() { State.store(IgnoreState, std::memory_order_relaxed); }

  // WM_DRAWCLIPBOARD at tick `now` (GUI thread).
  void Notified(uint32_t now);

  // The worker's turn: true when a capture is due; the capture then runs and the chain goes
  // back to idle with CaptureDone.
  bool CaptureDue() const { return State.load(std::memory_order_relaxed) == DueState; }
  void CaptureDone() {
    uint8_t due = DueState;
    // A write of Pelorin's own meanwhile keeps its mark.
    State.compare_exchange_strong(due, IdleState, std::memory_order_relaxed);
  }

  // The handlers of the chain messages run one at a time: a message that arrives while one is
  // handled (the chain looped back to Pelorin) is dropped, not forwarded again.
  bool Enter() { return !Busy.exchange(true, std::memory_order_relaxed); }
  void Leave() { Busy.store(false, std::memory_order_relaxed); }

  // WM_CHANGECBCHAIN: `removed` leaves the chain, `after` follows it. True when the message is
  // for the viewers further down (it is not our next viewer that leaves); otherwise our next
  // viewer becomes `after`.
  bool ChainChanged(uintptr_t removed, uintptr_t after);
  uintptr_t NextViewer() const { return Next.load(std::memory_order_relaxed); }
  void SetNextViewer(uintptr_t next) { Next.store(next, std::memory_order_relaxed); }

 private:
  static constexpr uint8_t IgnoreState = 0, DueState = 1, IdleState = 2;

  std::atomic<uint8_t> State{IgnoreState};
  std::atomic<uint32_t> LastTick{0};  // GUI thread: the last swallowed notification
  std::atomic<bool> Busy{false};
  std::atomic<uintptr_t> Next{0};
};

}  // namespace pelorin
