#include "commands/win/CommandSystem.h"

#include <shellapi.h>

#include "common/win/Fatal.h"
#include "commands/win/PowerCommand.h"

namespace pelorin {

void TWakeEvent::Signal() noexcept {
  if (Event != nullptr) ::SetEvent(Event);
}

void TWakeEvent::Wait(std::chrono::milliseconds timeout) {
  auto ms = static_cast<DWORD>(timeout.count());
  // Without an event the thread still keeps its interval.
  if (Event == nullptr)
    ::Sleep(ms);
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
  Apartment.emplace();
  Volume.OpenVolume();
}

void TWinCommandSystem::ThreadEnding() {
  Volume.CloseVolume();  // before the apartment goes
  Apartment.reset();
}

void TWinCommandSystem::UnexpectedException() { pelorin::UnexpectedException(); }

}  // namespace pelorin
