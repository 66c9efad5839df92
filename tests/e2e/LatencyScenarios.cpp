// Click-to-effect time: the middle button bound to a chord replay, clicked again and again. Per
// click, the time from the injected button-down to Pelorin's replayed key passing the driver's
// own low-level keyboard hook. The figures are printed for the record; only the arrival of
// every key within a generous limit is checked.
#include <algorithm>
#include <cstdio>

#include "E2eSupport.h"

namespace pelorin::e2e {
namespace {

constexpr int Clicks = 40;
constexpr DWORD ArrivalLimitMs = 2000;

// Counter values of the replayed key-downs, written by the hook in this thread while it
// dispatches messages.
std::vector<LONGLONG>* KeyDownsSeen = nullptr;
DWORD WatchedVk = 0;

LRESULT CALLBACK KeyWatch(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && KeyDownsSeen != nullptr && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN)) {
    const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    // Only Pelorin's own replay carries its marker in the time stamp.
    if (k->vkCode == WatchedVk && k->time == OwnInputMark) {
      LARGE_INTEGER now;
      ::QueryPerformanceCounter(&now);
      KeyDownsSeen->push_back(now.QuadPart);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class THookOwner {
 public:
  explicit THookOwner(std::vector<LONGLONG>& seen, DWORD vk) {
    KeyDownsSeen = &seen;
    WatchedVk = vk;
    Hook = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyWatch, ::GetModuleHandleW(nullptr), 0);
  }
  ~THookOwner() {
    if (Hook != nullptr) ::UnhookWindowsHookEx(Hook);
    KeyDownsSeen = nullptr;
  }
  bool Installed() const { return Hook != nullptr; }

 private:
  HHOOK Hook = nullptr;
};

double Percentile(std::vector<double> sorted, double p) {
  std::sort(sorted.begin(), sorted.end());
  size_t rank = static_cast<size_t>(p * static_cast<double>(sorted.size()) + 0.999999);
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

class Latency : public TScenario {};

TEST_F(Latency, MiddleClickToReplayedChordKey) {
  const TKey f9{VK_F9, 0x43, "F9"};
  const TChord pressF9{{f9}};
  WriteIni(TIni().Section("Custom Inputs").Row(1, pressF9.Text(), inputs::Middle, StateMouse, pressF9.Hex()));
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));

  std::vector<LONGLONG> seen;
  THookOwner watch(seen, f9.Vk);
  ASSERT_TRUE(watch.Installed()) << "SetWindowsHookExW failed: " << ::GetLastError();
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);

  std::vector<double> ms;
  for (int i = 0; i < Clicks; ++i) {
    // Uneven pauses, so the clicks land at every phase of Pelorin's own timers.
    HoldsFor([] { return true; }, 150 + static_cast<DWORD>(i * 37 % 100));
    size_t before = seen.size();
    LARGE_INTEGER sent;
    ::QueryPerformanceCounter(&sent);
    Input.Button(MOUSEEVENTF_MIDDLEDOWN, 0, Input.After(400));
    Input.Button(MOUSEEVENTF_MIDDLEUP, 0, Input.After(20));
    bool arrived = WaitFor([&] { return seen.size() > before; }, ArrivalLimitMs);
    EXPECT_TRUE(arrived) << "click " << i + 1 << ": no replayed F9 within " << ArrivalLimitMs << " ms";
    if (!arrived) continue;
    ms.push_back(static_cast<double>(seen[before] - sent.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart));
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(Clicks)) << "one replayed key per click";
  EXPECT_EQ(driver.Count(WM_MBUTTONDOWN) + driver.Count(WM_MBUTTONUP), 0) << driver.Describe();
  ASSERT_FALSE(ms.empty());

  double median = Percentile(ms, 0.5), p90 = Percentile(ms, 0.9), worst = Percentile(ms, 1.0);
  std::printf("[ latency  ] middle click to replayed key, %zu clicks: median %.1f ms, p90 %.1f ms, max %.1f ms\n",
              ms.size(), median, p90, worst);
  std::fflush(stdout);
  RecordProperty("median_us", static_cast<int>(median * 1000));
  RecordProperty("p90_us", static_cast<int>(p90 * 1000));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
