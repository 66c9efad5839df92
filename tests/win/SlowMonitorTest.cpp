// The GUI thread runs the low-level hooks of the whole desktop, so the brightness slider must
// never make it wait for the monitor. Over a monitor whose every call takes 300 ms, with the
// real hooks installed, the worker's keyboard probe is sent while the monitor is busy with a
// call of the slider's, and must be answered long before that call could have returned.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "NoEditor.h"
#include "WinHookRig.h"
#include "WinTestSupport.h"
#include "commands/win/BrightnessUnit.h"
#include "input/TypedChars.h"
#include "input/win/HookInstaller.h"
#include "tracked/win/SyntheticInputWin.h"

namespace pelorin::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr DWORD CallMs = 300;
// The probe goes out once the monitor has begun a 300 ms call for the slider. A GUI thread
// that made that call itself could not run the hook before the call returned, about 300 ms
// after the probe (and with the drag's other positions written the same way, up to
// 10 x 300 ms). 250 ms is below even one call, yet ample for a free thread.
constexpr auto ProbeBound = 250ms;
constexpr DWORD Deadline = 10000;

// A monitor on a slow DDC/CI line: every call takes CallMs.
class SlowMonitor : public BrightnessPort {
 public:
  bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) override {
    Begin();
    ::Sleep(CallMs);
    std::lock_guard guard(Lock);
    min = 0;
    cur = Cur;
    max = 100;
    --Active;
    return true;
  }
  bool Write(uint32_t value) override {
    Begin();
    ::Sleep(CallMs);
    std::lock_guard guard(Lock);
    Writes.push_back(value);
    Cur = value;
    --Active;
    return true;
  }

  size_t Begun() {
    std::lock_guard guard(Lock);
    return Calls;
  }
  // Until `count` calls have begun.
  bool WaitBegun(size_t count) {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, std::chrono::milliseconds(Deadline), [&] { return Calls >= count; });
  }
  bool InCall() {
    std::lock_guard guard(Lock);
    return Active > 0;
  }
  std::vector<uint32_t> Written() {
    std::lock_guard guard(Lock);
    return Writes;
  }

 private:
  void Begin() {
    {
      std::lock_guard guard(Lock);
      ++Calls;
      ++Active;
    }
    Changed.notify_all();
  }

  std::mutex Lock;
  std::condition_variable Changed;
  uint32_t Cur = 30;  // changed by its own buttons since start-up
  size_t Calls = 0;
  int Active = 0;
  std::vector<uint32_t> Writes;
};

std::wstring Caption(HWND window) {
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  return text;
}

class SlowMonitorTest : public ::testing::Test, protected TWinHookRig {
 protected:
  SlowMonitorTest() : TWinHookRig(TPoint{250, 200}) {}
  void SetUp() override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(Form.Create(instance));
    Form.OnChanged = [this] { LastChange = Brightness.Cur(); };
    Brightness.Store({0, 70, 100});  // as read at start-up
    Shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    SetHookTargets(&Keyboard, &Mouse);
    ASSERT_TRUE(InstallHooks(instance));
  }
  void TearDown() override {
    Form.Destroy();
    RemoveHooks();
    SetHookTargets(nullptr, nullptr);
  }

  struct TProbe {
    bool Answered = false;
    std::chrono::milliseconds After{0};
    bool MonitorStillBusy = false;  // when the answer was seen
  };

  // Does what the user does (`action`, in this thread, the hooks' thread), and sends the
  // worker's keyboard probe from a thread of its own as soon as the monitor has begun the call
  // that follows; then pumps messages until the probe is settled and the slider idle.
  TProbe ProbeDuringNextCall(const std::function<void()>& action) {
    TProbe probe;
    std::atomic<bool> done{false};
    size_t next = Monitor.Begun() + 1;
    std::thread prober([&] {
      if (Monitor.WaitBegun(next)) {
        Shared.KeyboardProbe = ProbeSent;
        Clock::time_point sent = Clock::now();
        Input.SendKey(false, ProbeKeyCode, ProbeKeyCode, false);  // as the worker sends it
        while (Shared.KeyboardProbe.load() != ProbeAnswered && Clock::now() - sent < 3s) ::Sleep(1);
        probe.After = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
        probe.MonitorStillBusy = Monitor.InCall();
        probe.Answered = Shared.KeyboardProbe.load() == ProbeAnswered;
      }
      done = true;
    });
    action();
    bool settled = PumpUntil([&] { return done.load() && Form.Idle(); }, Deadline);
    prober.join();
    EXPECT_TRUE(settled) << "the slider did not settle";
    std::cout << "keyboard probe answered after " << probe.After.count() << " ms\n";
    RecordProperty("ProbeAnsweredAfterMs", static_cast<int>(probe.After.count()));
    return probe;
  }

  SlowMonitor Monitor;
  TBrightness Brightness{&Monitor};
  TBrightnessForm Form{Brightness};
  uint32_t LastChange = 0;

};

TEST_F(SlowMonitorTest, ShowingTheSliderAnswersTheProbeWhileTheMonitorIsRead) {
  TProbe probe = ProbeDuringNextCall([&] {
    Clock::time_point start = Clock::now();
    Form.ShowAt(600);
    EXPECT_LT(Clock::now() - start, ProbeBound) << "showing waited for the monitor";
    EXPECT_EQ(Caption(Form.Handle()), L" 70") << "at once, the value known";
  });
  ASSERT_TRUE(probe.Answered) << "the keyboard probe was never answered";
  EXPECT_LT(probe.After, ProbeBound);
  EXPECT_TRUE(probe.MonitorStillBusy) << "answered only after the monitor's call";

  EXPECT_EQ(Caption(Form.Handle()), L" 30") << "the reading arrived and is shown";
  EXPECT_EQ(::SendMessageW(Form.TrackBar(), TBM_GETPOS, 0, 0), 70);
  EXPECT_EQ(LastChange, 30u);
}

TEST_F(SlowMonitorTest, DraggingTheSliderAnswersTheProbeAndTheLastPositionWins) {
  Form.ShowAt(600);
  ASSERT_TRUE(PumpUntil([&] { return Form.Idle(); }, Deadline));  // the show's reading
  ASSERT_EQ(::SendMessageW(Form.TrackBar(), TBM_GETPOS, 0, 0), 70);

  // A drag of ten positions, queued as the track bar queues them while the thumb moves; the
  // probe goes out during the first write.
  TProbe probe = ProbeDuringNextCall([&] {
    auto bar = reinterpret_cast<LPARAM>(Form.TrackBar());
    for (int position = 71; position <= 80; ++position) {
      ::PostMessageW(Form.TrackBar(), TBM_SETPOS, TRUE, position);
      ::PostMessageW(Form.Handle(), WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), bar);
    }
    ::PostMessageW(Form.Handle(), WM_VSCROLL, TB_ENDTRACK, bar);
  });
  ASSERT_TRUE(probe.Answered) << "the keyboard probe was never answered";
  EXPECT_LT(probe.After, ProbeBound);
  EXPECT_TRUE(probe.MonitorStillBusy) << "answered only after the monitor's call";

  std::vector<uint32_t> written = Monitor.Written();
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.back(), 20u) << "the last position reaches the monitor";
  EXPECT_LE(written.size(), 2u) << "positions that came during a write are replaced by the last";
  EXPECT_EQ(Brightness.Cur(), 20u);
  EXPECT_EQ(LastChange, 20u) << "the tray tip follows the write that landed";
  EXPECT_EQ(Caption(Form.Handle()), L" 20");
}

}  // namespace
}  // namespace pelorin::test
