#include "commands/win/PowerCommand.h"

#include <windows.h>

namespace pelorin {

namespace {

// Power calls need SeShutdownPrivilege enabled in the process token.
void EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    ::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
  ::CloseHandle(token);
}

// SetSystemPowerState lives in kernel32 on every version, but MinGW's import library may
// not declare it; taken at run time so a missing export can never stop Pelorin starting.
void SetPowerState(BOOL suspend) {
  using SetSystemPowerStateFn = BOOL(WINAPI*)(BOOL, BOOL);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto fn = kernel != nullptr ? reinterpret_cast<SetSystemPowerStateFn>(
                                    reinterpret_cast<void*>(::GetProcAddress(kernel, "SetSystemPowerState")))
                              : nullptr;
  if (fn != nullptr) fn(suspend, TRUE);
}

}  // namespace

void PowerCommand(int n) {
  EnableShutdownPrivilege();
  switch (n) {
    case 1: SetPowerState(TRUE); break;
    case 2: SetPowerState(FALSE); break;
    case 3: ::ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, 0); break;
    case 4: ::ExitWindowsEx(EWX_REBOOT, 0); break;
    default: break;
  }
}

}  // namespace pelorin
