#include "app/win/SingleInstance.h"

#include <tlhelp32.h>

#include "commands/win/PowerCommand.h"
#include "common/win/Owned.h"

namespace pelorin {

bool InstanceMutexExists() { return static_cast<bool>(TOwnedHandle(::OpenMutexW(SYNCHRONIZE, TRUE, InstanceMutexName))); }

bool TInstanceMutex::Create() {
  if (!Mutex) Mutex.Reset(::CreateMutexW(nullptr, TRUE, InstanceMutexName));
  return static_cast<bool>(Mutex);
}

void TInstanceMutex::Release() {
  if (!Mutex) return;
  ::ReleaseMutex(Mutex.Get());
  Mutex.Reset();
}

bool KillOtherInstances(const std::wstring& exeFileName) {
  TOwnedFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  DWORD self = ::GetCurrentProcessId();
  bool killed = false;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID == self || exeFileName != entry.szExeFile) continue;
    TOwnedHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (process) {
      killed = ::TerminateProcess(process.Get(), 0) != 0;
      // Gone from the next snapshot only once it has really ended.
      if (killed) ::WaitForSingleObject(process.Get(), 2000);
    }
    break;  // the first one only; the caller asks again
  }
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
