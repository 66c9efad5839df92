#include "common/win/WakeEvent.h"

namespace pelorin {

void TWakeEvent::Signal() noexcept {
  if (Event != nullptr) ::SetEvent(Event);
}

void TWakeEvent::Wait(std::chrono::milliseconds timeout) {
  // Longer than DWORD can say is as good as forever.
  auto ms = timeout.count() >= static_cast<long long>(INFINITE) ? INFINITE : static_cast<DWORD>(timeout.count());
  // Without an event nothing can wake the thread: it looks for work every 50 ms instead.
  if (Event == nullptr)
    ::Sleep(ms == INFINITE ? 50 : ms);
  else
    ::WaitForSingleObject(Event, ms);
}

}  // namespace pelorin
