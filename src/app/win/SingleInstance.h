#pragma once
#include <windows.h>

#include <string>

#include "app/MainWorkThread.h"
#include "common/win/Owned.h"

namespace pelorin {

inline constexpr wchar_t InstanceMutexName[] = L"Pelorin";

// Another instance of this session holds the mutex.
bool InstanceMutexExists();

// The mutex that tells later starts that Pelorin runs; released and closed by its destructor.
class TInstanceMutex {
 public:
  TInstanceMutex() = default;
  TInstanceMutex(const TInstanceMutex&) = delete;
  TInstanceMutex& operator=(const TInstanceMutex&) = delete;
  ~TInstanceMutex() { Release(); }
  bool Create();
  void Release();

 private:
  TOwnedHandle Mutex;
};

// Terminates the first other process whose executable file name equals exeFileName (exact);
// true when it terminated one. Callers repeat it until it returns false.
bool KillOtherInstances(const std::wstring& exeFileName);

// Sleeps 1 ms at a time until `ms` milliseconds of the tick count have passed.
void Delay(DWORD ms);

// A power-command start: for shut down and reboot, asks a running instance to close (it saves
// its settings), waits up to about 10 s, then ends what is left; then runs the command.
void PowerStart(int n, const std::wstring& exeFileName);

}  // namespace pelorin
