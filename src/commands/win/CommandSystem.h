#pragma once
#include <windows.h>

#include <optional>

#include "commands/CustomInputThread.h"
#include "commands/ShowingThread.h"
#include "commands/win/AudioUnit.h"

namespace pelorin {

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

 private:
  TAudioVolume& Volume;
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
