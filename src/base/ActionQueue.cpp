#include "base/ActionQueue.h"

namespace pelorin {

TActionQueue::TActionQueue() {
  for (uint32_t i = 0; i < Capacity; ++i) {
    Cells[i].Sequence.store(i, std::memory_order_relaxed);
    Cells[i].Code = NoAction;
  }
}

std::atomic<uint8_t>* TActionQueue::WaitingCount(int32_t code) noexcept {
  if (code >= 0 && code <= MaxRowAction) return &Waiting[static_cast<size_t>(code)];
  if (code == ActionAutoSwitchCheck) return &Waiting[MaxRowAction + 1];
  if (code == ActionTogglePelorin) return &Waiting[MaxRowAction + 2];
  return nullptr;
}

TActionQueue::PushResult TActionQueue::Push(int32_t code, bool repeat) noexcept {
  std::atomic<uint8_t>* waiting = WaitingCount(code);
  if (waiting != nullptr) {
    if (repeat || code == ActionAutoSwitchCheck) {
      uint8_t none = 0;
      if (!waiting->compare_exchange_strong(none, 1, std::memory_order_acq_rel)) return PushResult::Coalesced;
    } else {
      waiting->fetch_add(1, std::memory_order_acq_rel);
    }
  }

  uint32_t pos = Tail.load(std::memory_order_relaxed);
  for (;;) {
    Cell& cell = Cells[pos & Mask];
    uint32_t sequence = cell.Sequence.load(std::memory_order_acquire);
    auto lead = static_cast<int32_t>(sequence - pos);
    if (lead == 0) {
      if (Tail.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
        cell.Code = code;
        cell.Sequence.store(pos + 1, std::memory_order_release);
        return PushResult::Queued;
      }
      // pos now holds the tail another producer moved on to.
    } else if (lead < 0) {
      // The cell still holds the code of the previous round: the ring is full.
      if (waiting != nullptr) waiting->fetch_sub(1, std::memory_order_acq_rel);
      RejectedCount.fetch_add(1, std::memory_order_relaxed);
      return PushResult::Full;
    } else {
      pos = Tail.load(std::memory_order_relaxed);
    }
  }
}

int32_t TActionQueue::Pop() noexcept {
  uint32_t pos = Head.load(std::memory_order_relaxed);
  Cell& cell = Cells[pos & Mask];
  if (cell.Sequence.load(std::memory_order_acquire) != pos + 1) return NoAction;
  int32_t code = cell.Code;
  cell.Sequence.store(pos + Capacity, std::memory_order_release);
  Head.store(pos + 1, std::memory_order_relaxed);
  // Cleared before the code runs: a key typed from now on asks for a check of its own, and a
  // repeat that comes while the row's command runs queues that row once more.
  if (std::atomic<uint8_t>* waiting = WaitingCount(code)) waiting->fetch_sub(1, std::memory_order_acq_rel);
  return code;
}

bool TActionQueue::Empty() const noexcept {
  uint32_t pos = Head.load(std::memory_order_relaxed);
  return Cells[pos & Mask].Sequence.load(std::memory_order_acquire) != pos + 1;
}

}  // namespace pelorin
