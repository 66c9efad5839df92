#pragma once
#include <windows.h>

#include <optional>

#include "commands/CustomInputThread.h"
#include "commands/ShowingThread.h"
#include "commands/win/AudioUnit.h"
#include "common/win/WakeEvent.h"

namespace pelorin {

// The command thread's reach into the system: programs, power, the tick count. COM is
// entered only by what needs it, when it first does: no library of it loads at start-up.
class TWinCommandSystem : public CommandSystemPort {
 public:
  explicit TWinCommandSystem(TAudioVolume& volume) : Volume(volume) {}

  void ShellExecute(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder) override;
  void PowerCommand(int n) override;
  uint32_t TickCount() override { return ::GetTickCount(); }
  void ThreadStarted() override {}
  // Releases the volume and leaves the apartments entered in this thread.
  void ThreadEnding() override;
  void UnexpectedException() override;
  TWakeSignal* ActionWake() override { return &Wake; }

 private:
  TAudioVolume& Volume;
  TWakeEvent Wake;
  std::optional<TComApartment> Apartment;  // command thread only: for shell extensions
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
