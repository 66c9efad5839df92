#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorin::test {

std::wstring PelorinExePath;

std::wstring FolderOfThisExe() {
  wchar_t path[MAX_PATH * 4];
  DWORD len = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring p(path, len);
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return done();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

}  // namespace pelorin::test

// Pelorin.exe is looked for beside this program unless --pelorin=<path> names it.
int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  pelorin::test::PelorinExePath = pelorin::test::FolderOfThisExe() + L"Pelorin.exe";
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.rfind(L"--pelorin=", 0) == 0) pelorin::test::PelorinExePath = arg.substr(10);
  }
  return RUN_ALL_TESTS();
}
