// The real Pelorin.exe: its start modes, one instance per session, and the settings file it
// leaves behind. Each test runs a copy in a fresh folder, where its Pelorin.ini lives.
#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "WinTestSupport.h"
#include "WindowSearch.h"
#include "common/win/Owned.h"
#include "res/resource.h"

namespace pelorin::test {
namespace {

int CountProcesses(const wchar_t* exeName) {
  TOwnedFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  int n = 0;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
    if (_wcsicmp(entry.szExeFile, exeName) == 0) ++n;
  return n;
}

class PelorinProcess : public ::testing::Test {
 protected:
  struct TRunning {
    PROCESS_INFORMATION Info{};
    HWND Window = nullptr;
  };

  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    Folder = std::wstring(temp) + L"pelorin-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++Counter) + L"\\";
    // Process ids repeat between runs in a reused prefix: nothing of an earlier run may remain.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Folder), ignored);
    ::CreateDirectoryW(Folder.c_str(), nullptr);
    Exe = Folder + L"Pelorin.exe";
    ASSERT_TRUE(::CopyFileW(PelorinExePath.c_str(), Exe.c_str(), FALSE)) << "no Pelorin.exe to copy";
    Ini = Folder + L"Pelorin.ini";
  }
  void TearDown() override {
    for (TRunning* r : Started) {
      ::TerminateProcess(r->Info.hProcess, 99);  // no-op when it already ended; never leave one behind
      ::WaitForSingleObject(r->Info.hProcess, 5000);
      ::CloseHandle(r->Info.hProcess);
    }
    // A save with "Auto-runs at Windows start" on writes the log-on value; the next wineboot of
    // this prefix would start it.
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"Pelorin");
  }

  TRunning& Start(const std::wstring& parameters) {
    auto* r = new TRunning;
    Owned.emplace_back(r);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring cmd = L"\"" + Exe + L"\"" + (parameters.empty() ? L"" : L" " + parameters);
    EXPECT_TRUE(::CreateProcessW(Exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Folder.c_str(), &si,
                                 &r->Info));
    ::CloseHandle(r->Info.hThread);
    Started.push_back(r);
    return *r;
  }
  bool WaitForWindow(TRunning& r) {
    return PumpUntil([&] { return (r.Window = FindTopWindow(r.Info.dwProcessId, L"PelorinMainForm")) != nullptr; }, 15000);
  }
  // WM_CLOSE and the exit code, or -1 when it did not end within 10 s.
  static long Close(TRunning& r) {
    ::PostMessageW(r.Window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(r.Info.hProcess, 10000) != WAIT_OBJECT_0) return -1;
    DWORD code = 12345;
    ::GetExitCodeProcess(r.Info.hProcess, &code);
    return static_cast<long>(code);
  }

  static inline int Counter = 0;
  std::wstring Folder, Exe, Ini;
  std::vector<std::unique_ptr<TRunning>> Owned;
  std::vector<TRunning*> Started;
};

TEST_F(PelorinProcess, StartsWithItsWindowRunsAndClosesWithoutWritingUnchangedSettings) {
  TRunning& p = Start(L"");
  ASSERT_TRUE(WaitForWindow(p)) << "the main window did not appear";
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(p.Window) != FALSE; }, 5000)) << "a start by hand shows it";
  wchar_t caption[128] = {};
  ::GetWindowTextW(p.Window, caption, 128);
  EXPECT_STREQ(caption, L"Pelorin (v.1.0.0)");
  EXPECT_EQ(::WaitForSingleObject(p.Info.hProcess, 3000), static_cast<DWORD>(WAIT_TIMEOUT)) << "ended on its own";
  EXPECT_EQ(Close(p), 0);
  EXPECT_FALSE(FileExists(Ini)) << "no file and no change: nothing is written";
}

TEST_F(PelorinProcess, AutorunStartStaysHidden) {
  TRunning& p = Start(L"autorun");
  ASSERT_TRUE(WaitForWindow(p));
  // Long enough for the worker's first ticks and the notification thread to have run.
  EXPECT_FALSE(PumpUntil([&] { return ::IsWindowVisible(p.Window) != FALSE; }, 1500));
  EXPECT_EQ(Close(p), 0);
}

TEST_F(PelorinProcess, SecondStartExitsAndBringsTheFirstToTheFront) {
  TRunning& first = Start(L"autorun");
  ASSERT_TRUE(WaitForWindow(first));
  ASSERT_FALSE(::IsWindowVisible(first.Window));
  TRunning& second = Start(L"");
  EXPECT_EQ(::WaitForSingleObject(second.Info.hProcess, 10000), WAIT_OBJECT_0) << "the second start keeps running";
  DWORD code = 12345;
  ::GetExitCodeProcess(second.Info.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(first.Window) != FALSE; }, 5000))
      << "the running instance did not show itself";
  EXPECT_EQ(CountProcesses(L"Pelorin.exe"), 1);
  EXPECT_EQ(Close(first), 0);
}

TEST_F(PelorinProcess, AChangedSettingIsWrittenAtCloseInTheDocumentedFormat) {
  TRunning& p = Start(L"");
  ASSERT_TRUE(WaitForWindow(p));
  // Shown at the end of start-up, once the settings are in the controls.
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(p.Window) != FALSE; }, 15000));
  HWND noteCheck = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (noteCheck = FindControl(p.Window, IDC_NOTE_CHECK)) != nullptr; }, 5000));
  ASSERT_EQ(::SendMessageW(noteCheck, BM_GETCHECK, 0, 0), BST_CHECKED) << "on when the file lacks the key";
  ::SendMessageW(noteCheck, BM_CLICK, 0, 0);
  EXPECT_EQ(Close(p), 0);
  ASSERT_TRUE(FileExists(Ini));
  std::string text = ReadFile(Ini);
  EXPECT_EQ(text.rfind("[Custom Inputs]\r\n", 0), 0u) << text;
  const char* inOrder[] = {"[Custom Inputs]\r\n",
                           "a distance  which mouse should overcome to do the input = 45\r\n",
                           "a speed from which mouse should overcome this distance = 175\r\n",
                           "\r\n[Settings]\r\n",
                           "Auto-runs at Windows start = 1\r\n",
                           "Show notifications on custom inputs = 0\r\n",
                           "DisableInGame = 1\r\n",
                           "\r\n[System Settings]\r\n",
                           "CheckHooks = 1\r\n"};
  size_t at = 0;
  for (const char* line : inOrder) {
    size_t found = text.find(line, at);
    EXPECT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << text;
    if (found != std::string::npos) at = found;
  }
  EXPECT_FALSE(FileExists(Ini + L".tmp"));
}

TEST_F(PelorinProcess, AnUnchangedFileIsLeftAsItWas) {
  const std::string original =
      "[Custom Inputs]\r\nCommand1 = Volume Up\r\nInput1 = Middle mouse button click\r\nInputState1 = 0\r\n\r\n"
      "[Settings]\r\nShow notifications on custom inputs = 0\r\n\r\n";
  {
    std::ofstream out(std::filesystem::path(Ini), std::ios::binary);
    out << original;
  }
  TRunning& p = Start(L"autorun");
  ASSERT_TRUE(WaitForWindow(p));
  HWND noteCheck = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (noteCheck = FindControl(p.Window, IDC_NOTE_CHECK)) != nullptr; }, 5000));
  EXPECT_EQ(::SendMessageW(noteCheck, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "the file's value is shown";
  EXPECT_EQ(Close(p), 0);
  EXPECT_EQ(ReadFile(Ini), original);
}

TEST_F(PelorinProcess, WindowGeometryAndColumnWidthsSurviveACloseAndAStart) {
  TRunning& first = Start(L"");
  ASSERT_TRUE(WaitForWindow(first));
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(first.Window) != FALSE; }, 5000));
  HWND grid = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (grid = FindControl(first.Window, IDC_MAIN_GRID)) != nullptr; }, 5000));
  ::SendMessageW(grid, LVM_SETCOLUMNWIDTH, 0, 201);
  const RECT wanted{90, 70, 90 + 780, 70 + 540};
  ::SetWindowPos(first.Window, nullptr, wanted.left, wanted.top, wanted.right - wanted.left,
                 wanted.bottom - wanted.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r{};
  EXPECT_TRUE(PumpUntil([&] { return ::GetWindowRect(first.Window, &r) && EqualRect(&r, &wanted); }, 3000));
  EXPECT_EQ(Close(first), 0);
  ASSERT_TRUE(FileExists(Ini)) << "a moved window is saved";
  std::string text = ReadFile(Ini);
  EXPECT_NE(text.find("Left = 90\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("MainGridColWidth0 = 201\r\n"), std::string::npos) << text;

  TRunning& second = Start(L"");
  ASSERT_TRUE(WaitForWindow(second));
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(second.Window) != FALSE; }, 5000));
  EXPECT_TRUE(PumpUntil([&] { return ::GetWindowRect(second.Window, &r) && EqualRect(&r, &wanted); }, 3000))
      << "at " << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
  ASSERT_TRUE(PumpUntil([&] { return (grid = FindControl(second.Window, IDC_MAIN_GRID)) != nullptr; }, 5000));
  EXPECT_EQ(::SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0), 201);
  EXPECT_EQ(Close(second), 0);
}

}  // namespace
}  // namespace pelorin::test
