#include "app/PowerEvents.h"

namespace pelorin {

TPowerReaction PowerEventReaction(TPowerEvent event, bool systemShutdown, bool programmaticChange,
                                  std::atomic<bool>& suspending) {
  TPowerReaction reaction;
  if (programmaticChange || event == TPowerEvent::Other) return reaction;
  bool was = suspending.load(std::memory_order_relaxed);
  switch (event) {
    case TPowerEvent::Resume:
      suspending.store(false, std::memory_order_relaxed);
      reaction.ForgetHeldKeys = true;
      return reaction;
    case TPowerEvent::SessionEndCancelled:
      // Otherwise the hook probes stay postponed and the next standby saves nothing.
      suspending.store(false, std::memory_order_relaxed);
      return reaction;
    case TPowerEvent::Suspend:
    case TPowerEvent::SessionEnding:
      suspending.store(true, std::memory_order_relaxed);
      if (was) return reaction;
      reaction.SaveNow = true;
      reaction.CloseMainWindow = event == TPowerEvent::SessionEnding && systemShutdown;
      return reaction;
    case TPowerEvent::Other:
      break;
  }
  return reaction;
}

}  // namespace pelorin
