#include "commands/win/PowerCommand.h"

#include <windows.h>

#include "common/win/Owned.h"

namespace pelorin {

namespace {

// Power calls need SeShutdownPrivilege enabled in the process token.
void EnableShutdownPrivilege() {
  TOwnedHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Out())) return;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
}

}  // namespace

void PowerCommand(int n) {
  EnableShutdownPrivilege();
  switch (n) {
    case 1: ::SetSystemPowerState(TRUE, TRUE); break;
    case 2: ::SetSystemPowerState(FALSE, TRUE); break;
    case 3: ::ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, 0); break;
    case 4: ::ExitWindowsEx(EWX_REBOOT, 0); break;
    default: break;
  }
}

}  // namespace pelorin
