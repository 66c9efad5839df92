// The slider's monitor calls on their own thread: coalescing (the latest position wins), the
// order of writes and reads, failures, shutdown in the middle of a call, and what the slider
// makes of the results on the GUI thread's side.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "commands/Brightness.h"
#include "commands/BrightnessSlider.h"

namespace pelorin {
namespace {

using namespace std::chrono_literals;
constexpr auto Deadline = 5s;
using Log = std::vector<std::string>;

// A monitor on the test's schedule: every call begins, then waits for a permit to finish, so a
// test can keep a call "in progress" for as long as it needs and let calls go one by one.
class HeldMonitor : public BrightnessPort {
 public:
  uint32_t Min = 0, Cur = 70, Max = 100;
  bool ReadOk = true;
  bool WriteOk = true;
  bool Throws = false;

  bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) override {
    std::unique_lock guard(Lock);
    Enter(guard, "read");
    if (!ReadOk) return false;
    min = Min;
    cur = Cur;
    max = Max;
    return true;
  }
  bool Write(uint32_t value) override {
    std::unique_lock guard(Lock);
    Enter(guard, "write " + std::to_string(value));
    if (Throws) throw std::runtime_error("driver");
    if (WriteOk) Cur = value;
    return WriteOk;
  }

  // Calls begin but no longer finish.
  void Hold() { Set([&] { Permits = 0; }); }
  // That many more calls may finish.
  void Allow(int calls) { Set([&] { Permits += calls; }); }
  void Release() { Set([&] { Permits = INT_MAX; }); }
  // Changes a field while no call reads it.
  template <class F>
  void Set(F change) {
    {
      std::lock_guard guard(Lock);
      change();
    }
    Changed.notify_all();
  }

  // Until `count` calls have begun, within `timeout`.
  bool Begun(size_t count, std::chrono::milliseconds timeout = Deadline) {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, timeout, [&] { return Calls.size() >= count; });
  }
  Log CallLog() {
    std::lock_guard guard(Lock);
    return Calls;
  }
  int InProgress() {
    std::lock_guard guard(Lock);
    return Active;
  }
  int MostAtOnce() {
    std::lock_guard guard(Lock);
    return MaxActive;
  }

 private:
  void Enter(std::unique_lock<std::mutex>& guard, std::string call) {
    Calls.push_back(std::move(call));
    MaxActive = std::max(MaxActive, ++Active);
    Changed.notify_all();
    Changed.wait(guard, [&] { return Permits > 0; });
    if (Permits != INT_MAX) --Permits;
    --Active;
    Changed.notify_all();
  }

  std::mutex Lock;
  std::condition_variable Changed;
  int Permits = INT_MAX;
  Log Calls;
  int Active = 0;
  int MaxActive = 0;
};

// The writer's "a call finished" notices, which the window side turns into posted messages.
class Notices {
 public:
  std::function<void()> Callback() {
    return [this] {
      {
        std::lock_guard guard(Lock);
        ++Count;
      }
      Arrived.notify_all();
    };
  }
  bool WaitFor(int count) {
    std::unique_lock guard(Lock);
    return Arrived.wait_for(guard, Deadline, [&] { return Count >= count; });
  }
  int Seen() {
    std::lock_guard guard(Lock);
    return Count;
  }

 private:
  std::mutex Lock;
  std::condition_variable Arrived;
  int Count = 0;
};

class BrightnessWriter : public ::testing::Test {
 protected:
  HeldMonitor Monitor;
  TBrightness Brightness{&Monitor};
  Notices Landed;
  int Failures = 0;
  TBrightnessWriter Writer{Brightness, Landed.Callback(), [this] { ++Failures; }};
};

TEST_F(BrightnessWriter, PositionsGivenWhileAWriteIsInProgressLeaveOnlyTheLast) {
  Monitor.Hold();
  Writer.Write(10);
  ASSERT_TRUE(Monitor.Begun(1));
  for (uint32_t value : {20u, 30u, 40u}) Writer.Write(value);
  EXPECT_FALSE(Writer.Idle());
  Monitor.Release();
  ASSERT_TRUE(Landed.WaitFor(2));
  // A read waits behind any wanted write: once it lands, no third write can be pending.
  Writer.Read();
  ASSERT_TRUE(Landed.WaitFor(3));
  EXPECT_EQ(Monitor.CallLog(), (Log{"write 10", "write 40", "read"}));

  EXPECT_FALSE(Writer.Idle()) << "results not taken yet";
  TBrightnessLanded done = Writer.Take();
  EXPECT_TRUE(Writer.Idle());
  EXPECT_EQ(done.Writes, 2);
  EXPECT_EQ(done.LastWritten, 40u);
  EXPECT_TRUE(done.LastWriteOk);
  EXPECT_EQ(done.Reads, 1);
  EXPECT_EQ(done.Reading, (TBrightnessReading{0, 40, 100}));
  TBrightnessLanded again = Writer.Take();
  EXPECT_EQ(again.Writes, 0) << "taken once";
  EXPECT_EQ(again.Reads, 0);
}

TEST_F(BrightnessWriter, AFailedWriteIsReportedAndTheNextPositionStillGoesOut) {
  Monitor.Set([&] { Monitor.WriteOk = false; });
  Writer.Write(10);
  ASSERT_TRUE(Landed.WaitFor(1));
  TBrightnessLanded failed = Writer.Take();
  EXPECT_EQ(failed.Writes, 1);
  EXPECT_EQ(failed.LastWritten, 10u);
  EXPECT_FALSE(failed.LastWriteOk);

  Monitor.Set([&] { Monitor.WriteOk = true; });
  Writer.Write(20);
  ASSERT_TRUE(Landed.WaitFor(2));
  TBrightnessLanded good = Writer.Take();
  EXPECT_EQ(good.Writes, 1);
  EXPECT_EQ(good.LastWritten, 20u);
  EXPECT_TRUE(good.LastWriteOk);
  EXPECT_EQ(Monitor.CallLog(), (Log{"write 10", "write 20"}));
  EXPECT_EQ(Failures, 0) << "a refused value is no fault of Pelorin's";
}

TEST_F(BrightnessWriter, AValueTheMonitorIsKnownToHaveIsNotSentAgain) {
  // The thumb steps away and back while the monitor is busy with the first value.
  Monitor.Hold();
  Writer.Write(10);
  ASSERT_TRUE(Monitor.Begun(1));
  Writer.Write(20);
  Writer.Write(10);
  Monitor.Release();
  Writer.Read();
  ASSERT_TRUE(Landed.WaitFor(3));
  EXPECT_EQ(Monitor.CallLog(), (Log{"write 10", "read"}));
  TBrightnessLanded done = Writer.Take();
  EXPECT_EQ(done.Writes, 2) << "the second one landed as well, without a call";
  EXPECT_EQ(done.LastWritten, 10u);
  EXPECT_TRUE(done.LastWriteOk);

  // The reading above said 10 as well: nothing to send.
  Writer.Write(10);
  ASSERT_TRUE(Landed.WaitFor(4));
  EXPECT_EQ(Monitor.CallLog().size(), 2u);

  // After a refusal nothing is known: the value is sent again.
  Monitor.Set([&] { Monitor.WriteOk = false; });
  Writer.Write(30);
  ASSERT_TRUE(Landed.WaitFor(5));
  Writer.Write(30);
  ASSERT_TRUE(Landed.WaitFor(6));
  EXPECT_EQ(Monitor.CallLog(), (Log{"write 10", "read", "write 30", "write 30"}));

  // The command thread's steps are always sent: the user pressed a key for it.
  Brightness.SetCur(30);
  Monitor.Set([&] { Monitor.WriteOk = true; });
  Brightness.WriteBrightness();
  Brightness.WriteBrightness();
  EXPECT_EQ(Monitor.CallLog().size(), 6u);
}

TEST_F(BrightnessWriter, AWantedWriteGoesOutBeforeAWantedReadAndReadsCoalesceToo) {
  Monitor.Hold();
  Writer.Write(10);
  ASSERT_TRUE(Monitor.Begun(1));
  Writer.Read(5);
  Writer.Write(20);
  Writer.Read(6);
  Monitor.Release();
  ASSERT_TRUE(Landed.WaitFor(3));
  EXPECT_EQ(Monitor.CallLog(), (Log{"write 10", "write 20", "read"}));
  TBrightnessLanded done = Writer.Take();
  EXPECT_EQ(done.Reading, (TBrightnessReading{0, 20, 100})) << "the reading includes every position asked before it";
  EXPECT_EQ(done.ReadTag, 6u) << "the latest wish";
}

TEST_F(BrightnessWriter, AFailedReadIsCountedWithoutAReading) {
  Monitor.Set([&] { Monitor.ReadOk = false; });
  Writer.Read();
  ASSERT_TRUE(Landed.WaitFor(1));
  TBrightnessLanded done = Writer.Take();
  EXPECT_EQ(done.Reads, 1);
  EXPECT_EQ(done.Reading, std::nullopt);
}

TEST_F(BrightnessWriter, StopWaitsForTheCallInProgressAndDropsWhatIsStillWanted) {
  Monitor.Hold();
  Writer.Write(10);
  ASSERT_TRUE(Monitor.Begun(1));
  Writer.Write(20);
  Writer.RequestStop();
  // What the shutdown does: after Stop the monitor layer is released, so Stop must not
  // return while the monitor is still in a call.
  auto stopped = std::async(std::launch::async, [&] {
    Writer.Stop();
    return Monitor.InProgress();
  });
  EXPECT_EQ(stopped.wait_for(200ms), std::future_status::timeout) << "returned during the monitor's call";
  Monitor.Release();
  ASSERT_EQ(stopped.wait_for(Deadline), std::future_status::ready);
  EXPECT_EQ(stopped.get(), 0) << "calls in progress when Stop returned";

  Writer.Write(30);
  Writer.Read();
  EXPECT_EQ(Monitor.CallLog(), Log{"write 10"}) << "20 was dropped, nothing is taken after the stop";
  Writer.Stop();  // again: nothing left to wait for
}

TEST_F(BrightnessWriter, TheCommandThreadsWritesWaitForTheWritersCall) {
  Monitor.Hold();
  Writer.Write(10);
  ASSERT_TRUE(Monitor.Begun(1));
  std::thread command([&] {  // a brightness step of the command thread
    Brightness.SetCur(50);
    Brightness.WriteBrightness();
  });
  EXPECT_FALSE(Monitor.Begun(2, 200ms)) << "two calls on the monitor's channel at once";
  Monitor.Release();
  command.join();
  ASSERT_TRUE(Landed.WaitFor(1));
  EXPECT_EQ(Monitor.MostAtOnce(), 1);
  EXPECT_EQ(Monitor.CallLog(), (Log{"write 10", "write 50"}));
}

TEST_F(BrightnessWriter, AnExceptionFromTheMonitorEndsTheThreadThroughFailed) {
  Monitor.Set([&] { Monitor.Throws = true; });
  Writer.Write(10);
  ASSERT_TRUE(Monitor.Begun(1));
  auto stopped = std::async(std::launch::async, [&] { Writer.Stop(); });
  ASSERT_EQ(stopped.wait_for(Deadline), std::future_status::ready);
  EXPECT_EQ(Failures, 1);
  EXPECT_EQ(Landed.Seen(), 0) << "no result to collect";
}

// The slider's side: what the GUI thread shows and reports as the writer's results come in.
class BrightnessSliderWriter : public ::testing::Test {
 protected:
  void SetUp() override { Brightness.Store({0, 70, 100}); }  // read at start-up

  HeldMonitor Monitor;
  TBrightness Brightness{&Monitor};
  Notices Notes;
  TBrightnessSlider Slider{Brightness, Notes.Callback()};
};

TEST_F(BrightnessSliderWriter, ShowingAnswersAtOnceFromTheKnownValuesAndTheReadingFollows) {
  Monitor.Set([&] { Monitor.Cur = 30; });  // its own buttons, meanwhile
  Monitor.Hold();
  auto shown = std::async(std::launch::async, [&] { return Slider.Show(); });
  if (shown.wait_for(Deadline) != std::future_status::ready) {
    Monitor.Release();
    FAIL() << "showing waited for the monitor";
  }
  EXPECT_EQ(shown.get(), (TSliderRange{0, 100, 30})) << "the values known";
  ASSERT_TRUE(Monitor.Begun(1)) << "the reading is asked";
  TBrightnessSlider::TLanded early = Slider.Landed();
  EXPECT_FALSE(early.Refreshed);
  EXPECT_FALSE(early.Changed);

  Monitor.Release();
  ASSERT_TRUE(Notes.WaitFor(1));
  TBrightnessSlider::TLanded landed = Slider.Landed();
  EXPECT_TRUE(landed.Refreshed);
  EXPECT_TRUE(landed.Changed) << "a show's reading reaches the tray tip and the settings";
  EXPECT_EQ(Slider.Range(), (TSliderRange{0, 100, 70}));
  EXPECT_EQ(Brightness.Cur(), 30u);
  EXPECT_EQ(Monitor.CallLog(), Log{"read"}) << "showing writes nothing";
}

TEST_F(BrightnessSliderWriter, AReadingAfterAMoveOfTheThumbIsDropped) {
  Monitor.Hold();
  Slider.Show();
  ASSERT_TRUE(Monitor.Begun(1));
  EXPECT_EQ(Slider.Move(40), 60u);  // the reading is still on its way
  Slider.Show();  // hidden and shown again: a second reading, after the move
  Monitor.Allow(1);
  ASSERT_TRUE(Notes.WaitFor(1));
  ASSERT_TRUE(Monitor.Begun(2));
  TBrightnessSlider::TLanded stale = Slider.Landed();
  EXPECT_FALSE(stale.Refreshed) << "the first reading predates the move";
  EXPECT_FALSE(stale.Changed);
  EXPECT_EQ(Slider.Range().Position, 40);
  EXPECT_EQ(Brightness.Cur(), 60u);

  Monitor.Release();
  ASSERT_TRUE(Notes.WaitFor(3));
  TBrightnessSlider::TLanded fresh = Slider.Landed();
  EXPECT_TRUE(fresh.Changed);
  EXPECT_TRUE(fresh.Refreshed) << "the second reading was asked after the move";
  EXPECT_EQ(Slider.Range().Position, 40);
  EXPECT_EQ(Brightness.Cur(), 60u);
  EXPECT_EQ(Monitor.CallLog(), (Log{"read", "write 60", "read"}));
}

TEST_F(BrightnessSliderWriter, AStartUpReadingRefreshesWithoutCountingAsAChange) {
  Monitor.Set([&] { 
    Monitor.Min = 20;
    Monitor.Cur = 50;
    Monitor.Max = 80;
   });
  Slider.Refresh();
  ASSERT_TRUE(Notes.WaitFor(1));
  TBrightnessSlider::TLanded landed = Slider.Landed();
  EXPECT_TRUE(landed.Refreshed);
  EXPECT_FALSE(landed.Changed) << "nothing the user did: the settings stay unchanged";
  EXPECT_EQ(Slider.Range(), (TSliderRange{20, 80, 50}));
  EXPECT_EQ(Brightness.Percent(), 50);
}

TEST_F(BrightnessSliderWriter, AFailedReadingChangesNothing) {
  Monitor.Set([&] { Monitor.ReadOk = false; });
  Slider.Show();
  ASSERT_TRUE(Notes.WaitFor(1));
  TBrightnessSlider::TLanded landed = Slider.Landed();
  EXPECT_FALSE(landed.Refreshed);
  EXPECT_FALSE(landed.Changed);
  EXPECT_EQ(Slider.Range(), (TSliderRange{0, 100, 30}));
  EXPECT_EQ(Brightness.Cur(), 70u);
}

TEST_F(BrightnessSliderWriter, ADragWhileTheMonitorIsBusyReportsOnceTheLastPositionIsWritten) {
  for (bool writeOk : {true, false}) {
    SCOPED_TRACE(writeOk ? "the monitor takes the values" : "the monitor refuses them");
    HeldMonitor monitor;
    monitor.WriteOk = writeOk;
    TBrightness brightness(&monitor);
    brightness.Store({0, 70, 100});
    Notices notes;
    TBrightnessSlider slider(brightness, notes.Callback());
    slider.Show();
    ASSERT_TRUE(notes.WaitFor(1));
    slider.Landed();

    monitor.Hold();
    EXPECT_EQ(slider.Move(31), 69u);
    ASSERT_TRUE(monitor.Begun(2));
    for (int32_t position = 32; position <= 40; ++position)
      EXPECT_EQ(slider.Move(position), static_cast<uint32_t>(100 - position)) << "the caption follows the thumb";
    EXPECT_FALSE(slider.Landed().Changed) << "the tray tip waits for the monitor";

    monitor.Release();
    ASSERT_TRUE(notes.WaitFor(3));
    slider.Refresh();  // lands behind any write still wanted
    ASSERT_TRUE(notes.WaitFor(4));
    EXPECT_EQ(monitor.CallLog(), (Log{"read", "write 69", "write 60", "read"}));
    TBrightnessSlider::TLanded landed = slider.Landed();
    EXPECT_TRUE(landed.Changed);
    EXPECT_EQ(brightness.Cur(), writeOk ? 60u : 70u)
        << "the tip shows what the monitor says once it is read again";
    EXPECT_FALSE(slider.Landed().Changed) << "reported once";
  }
}

TEST_F(BrightnessSliderWriter, AMoveThatStaysOnThePositionWritesNothing) {
  Slider.Show();
  ASSERT_TRUE(Notes.WaitFor(1));
  EXPECT_EQ(Slider.Move(30), std::nullopt);
  EXPECT_EQ(Slider.Move(29), 71u);
  EXPECT_EQ(Slider.Move(29), std::nullopt) << "the end of a drag";
  Slider.Refresh();
  ASSERT_TRUE(Notes.WaitFor(3));
  EXPECT_EQ(Monitor.CallLog(), (Log{"read", "write 71", "read"}));
}

}  // namespace
}  // namespace pelorin
