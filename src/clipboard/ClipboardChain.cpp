#include "clipboard/ClipboardChain.h"

namespace pelorin {

void TClipboardChain::Notified(uint32_t now) {
  if (State.load(std::memory_order_relaxed) == IgnoreState) {
    State.store(IdleState, std::memory_order_relaxed);
    LastTick.store(now, std::memory_order_relaxed);
    return;
  }
  // Unsigned difference: the tick count's wrap after 49.7 days changes nothing.
  if (now - LastTick.load(std::memory_order_relaxed) > QuietMs)
    State.store(DueState, std::memory_order_relaxed);
  else
    LastTick.store(now, std::memory_order_relaxed);
}

bool TClipboardChain::ChainChanged(uintptr_t removed, uintptr_t after) {
  if (removed != NextViewer()) return true;
  SetNextViewer(after);
  return false;
}

}  // namespace pelorin
