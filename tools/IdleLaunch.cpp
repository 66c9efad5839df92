// Starts a program and prints how long it took to reach an idle message loop (its GUI thread
// waiting for input), then leaves it running: "IdleLaunch <exe> [arguments]".
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: IdleLaunch <exe> [arguments]\n");
    return 2;
  }
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  for (int i = 2; i < argc; ++i) command += L" " + std::wstring(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  LARGE_INTEGER frequency, before, after;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&before);
  if (!::CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "IdleLaunch: CreateProcess failed (%lu)\n", ::GetLastError());
    return 1;
  }
  DWORD idle = ::WaitForInputIdle(info.hProcess, 30000);
  ::QueryPerformanceCounter(&after);
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(info.hProcess, &code);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  if (idle != 0 || code != STILL_ACTIVE) {
    std::fprintf(stderr, "IdleLaunch: no idle message loop (wait %lu, exit code %lu)\n", idle, code);
    return 1;
  }
  double ms = 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("startup_ms %.1f\n", ms);
  return 0;
}
