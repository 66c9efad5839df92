#pragma once
#include <windows.h>

#include <optional>

#include "commands/CustomInputThread.h"
#include "commands/ShowingThread.h"
#include "commands/win/AudioUnit.h"

namespace pelorin {

// An auto-reset event: SetEvent from a hook callback wakes the command thread without any
// lock the thread could hold.
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

// The command thread's reach into the system: programs, power, the tick count, and the
// audio apartment the thread lives in.
class TWinCommandSystem : public CommandSystemPort {
 public:
  explicit TWinCommandSystem(TAudioVolume& volume) : Volume(volume) {}

  void ShellExecute(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder) override;
  void PowerCommand(int n) override;
  uint32_t TickCount() override { return ::GetTickCount(); }
  // The volume layer is opened, used and closed in the command thread's own apartment.
  void ThreadStarted() override;
  void ThreadEnding() override;
  void UnexpectedException() override;
  TWakeSignal* ActionWake() override { return &Wake; }

 private:
  TAudioVolume& Volume;
  TWakeEvent Wake;
  std::optional<TComApartment> Apartment;  // command thread only
};

// Commands show their notes through the notification thread.
class TNoteSender : public NotePort {
 public:
  explicit TNoteSender(TShowingThread& thread) : Thread(thread) {}
  void ShowNote(std::wstring_view text, bool forced, int32_t level) override { Thread.ShowNote(text, forced, level); }

 private:
  TShowingThread& Thread;
};

}  // namespace pelorin
