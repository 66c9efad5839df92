#pragma once
// Windows test programs only.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace pelorin::test {

// A test that hangs would leave the run without its report and without a word of where it
// hung: after a minute in one test (the slowest take a few seconds) the run ends, naming it.
// PELORIN_TEST_HANG_SECONDS sets another limit.
class THangWatch : public ::testing::EmptyTestEventListener {
 public:
  THangWatch() {
    wchar_t text[16];
    const DWORD len = ::GetEnvironmentVariableW(L"PELORIN_TEST_HANG_SECONDS", text, 16);
    if (len > 0 && len < 16 && _wtoi(text) > 0) LimitMs = static_cast<DWORD>(_wtoi(text)) * 1000;
    std::thread([this] { Watch(); }).detach();
  }
  void OnTestStart(const ::testing::TestInfo& info) override {
    {
      std::lock_guard guard(Lock);
      Name = std::string(info.test_suite_name()) + "." + info.name();
    }
    Started.store(::GetTickCount(), std::memory_order_release);
    Running.store(true, std::memory_order_release);
  }
  void OnTestEnd(const ::testing::TestInfo&) override { Running.store(false, std::memory_order_release); }

 private:
  void Watch() {
    for (;;) {
      ::Sleep(1000);
      if (!Running.load(std::memory_order_acquire) ||
          ::GetTickCount() - Started.load(std::memory_order_acquire) < LimitMs)
        continue;
      std::string name;
      {
        std::lock_guard guard(Lock);
        name = Name;
      }
      std::fprintf(stderr, "\n[  HUNG    ] %s has run for %lu s: the run ends here\n", name.c_str(),
                   static_cast<unsigned long>(LimitMs / 1000));
      std::fflush(stderr);
      std::fflush(stdout);
      ::TerminateProcess(::GetCurrentProcess(), 3);
    }
  }

  DWORD LimitMs = 60000;
  std::mutex Lock;
  std::string Name;
  std::atomic<DWORD> Started{0};
  std::atomic<bool> Running{false};
};

}  // namespace pelorin::test
