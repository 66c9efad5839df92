#include "commands/win/CommandSystem.h"

#include <shellapi.h>

#include "common/win/Fatal.h"
#include "commands/win/PowerCommand.h"

namespace pelorin {

void TWinCommandSystem::ShellExecute(const std::wstring& file, const std::wstring& parameters,
                                     const std::wstring& folder) {
  // A shell extension may handle the file, and it needs COM in the calling thread.
  if (!Apartment) Apartment.emplace();
  ::ShellExecuteW(nullptr, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                  folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
}

void TWinCommandSystem::PowerCommand(int n) { pelorin::PowerCommand(n); }

void TWinCommandSystem::ThreadEnding() {
  Volume.Release();
  Apartment.reset();
}

void TWinCommandSystem::UnexpectedException() { pelorin::UnexpectedException(); }

}  // namespace pelorin
