// PelorinE2E.exe: the end-to-end scenarios. Pelorin.exe is looked for beside this program
// unless --pelorin=<path> names it; each scenario leaves its folder under E2eRuns\ beside it.
#include <filesystem>
#include <string>

#include "E2eDesktop.h"
#include "HangWatch.h"
#include "E2eSupport.h"

namespace {

// The stand-in desktop lives as long as the run.
class TDesktopEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(pelorin::e2e::StandIn().Start()) << "FakeDesktop.exe did not start"; }
  void TearDown() override { EXPECT_TRUE(pelorin::e2e::StandIn().Stop()) << "FakeDesktop.exe did not end"; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace pelorin::e2e;
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new pelorin::test::THangWatch);
  // Coordinates in pixels, whatever the DPI: the injected moves and the window rectangles
  // must agree.
  ::SetProcessDPIAware();
  wchar_t path[MAX_PATH * 4];
  DWORD len = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring self(path, len);
  HarnessFolder = self.substr(0, self.find_last_of(L"\\/") + 1);
  PelorinExePath = HarnessFolder + L"Pelorin.exe";
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.rfind(L"--pelorin=", 0) == 0) PelorinExePath = arg.substr(10);
  }
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(RunsFolder()), ignored);
  ::testing::AddGlobalTestEnvironment(new TDesktopEnvironment);
  return RUN_ALL_TESTS();
}
