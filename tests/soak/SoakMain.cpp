// PelorinSoak.exe [events] [--seed=N] [--pelorin=<path>]: the soak run of the real Pelorin.exe
// (beside this program unless named). Not part of the test suite: scripts/soak runs it. Its
// folder is SoakRuns\ beside this program.
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>

#include "E2eDesktop.h"
#include "SoakRun.h"

namespace pelorin::soak {
namespace {

class Soak : public TSoakRun {};

TEST_F(Soak, Run) { Run(); }

}  // namespace
}  // namespace pelorin::soak

int wmain(int argc, wchar_t** argv) {
  using namespace pelorin;
  ::testing::InitGoogleTest(&argc, argv);
  // Coordinates in pixels, whatever the DPI: the injected moves and the window rectangles
  // must agree.
  ::SetProcessDPIAware();
  wchar_t path[MAX_PATH * 4];
  DWORD len = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring self(path, len);
  e2e::HarnessFolder = self.substr(0, self.find_last_of(L"\\/") + 1);
  e2e::PelorinExePath = e2e::HarnessFolder + L"Pelorin.exe";
  e2e::RunsFolderName = L"SoakRuns";
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.rfind(L"--pelorin=", 0) == 0) {
      e2e::PelorinExePath = arg.substr(10);
    } else if (arg.rfind(L"--seed=", 0) == 0) {
      soak::Options.Seed = static_cast<uint32_t>(std::wcstoul(arg.c_str() + 7, nullptr, 10));
    } else if (!arg.empty() && arg.find_first_not_of(L"0123456789") == std::wstring::npos) {
      soak::Options.Events = std::wcstoull(arg.c_str(), nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: PelorinSoak.exe [events] [--seed=N] [--pelorin=<path>]\n");
      return 2;
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(e2e::RunsFolder()), ignored);
  // Pelorin restarts itself when it finds no desktop list: the stand-in plays the shell's.
  if (!e2e::StandIn().Start()) {
    std::fprintf(stderr, "FakeDesktop.exe did not start\n");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  if (!e2e::StandIn().Stop()) std::fprintf(stderr, "FakeDesktop.exe did not end\n");
  return result;
}
