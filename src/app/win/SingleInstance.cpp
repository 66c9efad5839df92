#include "app/win/SingleInstance.h"

#include <tlhelp32.h>

#include "commands/win/PowerCommand.h"

namespace pelorin {

bool InstanceMutexExists() {
  HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, TRUE, InstanceMutexName);
  if (mutex == nullptr) return false;
  ::CloseHandle(mutex);
  return true;
}

bool TInstanceMutex::Create() {
  if (Handle == nullptr) Handle = ::CreateMutexW(nullptr, TRUE, InstanceMutexName);
  return Handle != nullptr;
}

void TInstanceMutex::Release() {
  if (Handle == nullptr) return;
  ::ReleaseMutex(Handle);
  ::CloseHandle(Handle);
  Handle = nullptr;
}

bool KillOtherInstances(const std::wstring& exeFileName) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  DWORD self = ::GetCurrentProcessId();
  bool killed = false;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self || exeFileName != entry.szExeFile) continue;
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (process != nullptr) {
      killed = ::TerminateProcess(process, 0) != 0;
      // Gone from the next snapshot only once it has really ended.
      if (killed) ::WaitForSingleObject(process, 2000);
      ::CloseHandle(process);
    }
    break;  // the first one only; the caller asks again
  }
  ::CloseHandle(snapshot);
  return killed;
}

void Delay(DWORD ms) {
  DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < ms) ::Sleep(1);
}

void PowerStart(int n, const std::wstring& exeFileName) {
  if ((n == 3 || n == 4) && InstanceMutexExists()) {
    ::GlobalAddAtomW(ShutdownAtomName.data());
    for (int i = 0; i < 100; ++i) {
      Delay(100);
      if (!InstanceMutexExists()) {
        Delay(500);  // let it finish writing its files
        break;
      }
    }
    for (int i = 0; i < 20 && KillOtherInstances(exeFileName); ++i) {
    }
  }
  PowerCommand(n);
}

}  // namespace pelorin
