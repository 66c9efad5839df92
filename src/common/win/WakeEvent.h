#pragma once
#include <windows.h>

#include "base/PeriodicThread.h"

namespace pelorin {

// An auto-reset event: SetEvent from a hook callback wakes a thread without any lock the
// thread could hold, and a timed wait costs Wine one request instead of the several that a
// condition variable's mutex and semaphore take.
class TWakeEvent : public TWakeSignal {
 public:
  TWakeEvent() : Event(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~TWakeEvent() override {
    if (Event != nullptr) ::CloseHandle(Event);
  }
  TWakeEvent(const TWakeEvent&) = delete;
  TWakeEvent& operator=(const TWakeEvent&) = delete;

  void Signal() noexcept override;
  void Wait(std::chrono::milliseconds timeout) override;

 private:
  HANDLE Event;
};

}  // namespace pelorin
