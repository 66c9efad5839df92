// The real Pelorin.exe starts, keeps running and ends cleanly on WM_CLOSE.
#include <gtest/gtest.h>

#include "WinTestSupport.h"

namespace pelorin::test {
namespace {

struct FindData {
  DWORD ProcessId;
  HWND Found;
};

HWND FindMainWindow(DWORD processId) {
  FindData data{processId, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* d = reinterpret_cast<FindData*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        wchar_t cls[64] = {};
        ::GetClassNameW(window, cls, 64);
        if (pid == d->ProcessId && std::wstring(cls) == L"PelorinMainForm") {
          d->Found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&data));
  return data.Found;
}

TEST(PelorinProcess, StartsRunsAndClosesCleanly) {
  ASSERT_NE(::GetFileAttributesW(PelorinExePath.c_str()), INVALID_FILE_ATTRIBUTES)
      << "no Pelorin.exe at " << std::string(PelorinExePath.begin(), PelorinExePath.end());
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + PelorinExePath + L"\"";
  ASSERT_TRUE(::CreateProcessW(PelorinExePath.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
  ::CloseHandle(pi.hThread);

  HWND window = nullptr;
  EXPECT_TRUE(PumpUntil([&] { return (window = FindMainWindow(pi.dwProcessId)) != nullptr; }, 10000))
      << "the main window did not appear within 10 s";
  if (window != nullptr) {
    wchar_t caption[128] = {};
    ::GetWindowTextW(window, caption, 128);
    EXPECT_STREQ(caption, L"Pelorin (v.1.0.0)");
    EXPECT_FALSE(::IsWindowVisible(window)) << "the main window starts hidden";
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 3000), static_cast<DWORD>(WAIT_TIMEOUT))
        << "Pelorin ended on its own within 3 s";
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 5000), WAIT_OBJECT_0) << "Pelorin did not end within 5 s";
    DWORD code = 12345;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
  }
  ::TerminateProcess(pi.hProcess, 99);  // no-op when it already ended; never leave it behind
  ::CloseHandle(pi.hProcess);
}

}  // namespace
}  // namespace pelorin::test
