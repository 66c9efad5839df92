#include "commands/win/CommandSystem.h"

#include <shellapi.h>

#include "common/win/Fatal.h"
#include "commands/win/PowerCommand.h"

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

void TWinCommandSystem::ShellExecute(const std::wstring& file, const std::wstring& parameters,
                                     const std::wstring& folder) {
  ::ShellExecuteW(nullptr, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                  folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
}

void TWinCommandSystem::PowerCommand(int n) { pelorin::PowerCommand(n); }

void TWinCommandSystem::ThreadStarted() {
  Apartment.emplace();  // the volume is opened in it by the first volume command
}

void TWinCommandSystem::ThreadEnding() {
  Volume.CloseVolume();  // before the apartment goes
  Apartment.reset();
}

void TWinCommandSystem::UnexpectedException() { pelorin::UnexpectedException(); }

}  // namespace pelorin
