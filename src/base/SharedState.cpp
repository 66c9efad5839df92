#include "base/SharedState.h"

#include "base/PeriodicThread.h"

namespace pelorin {

void TSharedState::PostAction(int32_t code, bool repeat) noexcept {
  // A coalesced code needs no wake: the one waiting has had its own. A full queue has had
  // wakes for everything in it.
  if (PendingAction.Push(code, repeat) != TActionQueue::PushResult::Queued) return;
  if (TWakeSignal* wake = ActionWake.load(std::memory_order_acquire)) wake->Signal();
}

TSharedState& Shared() {
  static TSharedState state;
  return state;
}

}  // namespace pelorin
