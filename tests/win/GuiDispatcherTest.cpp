#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "WinTestSupport.h"
#include "app/win/GuiDispatcher.h"

namespace pelorin::test {
namespace {

TEST(GuiDispatcher, RunsWorkInTheGuiThreadAndWaitsForIt) {
  TGuiDispatcher dispatcher;
  ASSERT_TRUE(dispatcher.Create(::GetModuleHandleW(nullptr)));
  DWORD gui = ::GetCurrentThreadId();
  DWORD ranIn = 0;
  bool synced = false;
  int queued = 0;
  std::atomic<bool> done{false};
  std::thread other([&] {
    synced = dispatcher.Synchronize([&] { ranIn = ::GetCurrentThreadId(); });
    dispatcher.Queue([&] { ++queued; });
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load() && queued == 1; }, 5000));
  other.join();
  EXPECT_TRUE(synced);
  EXPECT_EQ(ranIn, gui);
  EXPECT_TRUE(dispatcher.Synchronize([&] { ++queued; })) << "from the GUI thread it runs at once";
  EXPECT_EQ(queued, 2);
}

TEST(GuiDispatcher, CloseReleasesAWaitingThreadWithoutRunningItsWork) {
  TGuiDispatcher dispatcher;
  ASSERT_TRUE(dispatcher.Create(::GetModuleHandleW(nullptr)));
  std::atomic<bool> ran{false};
  bool result = true;
  std::thread other([&] {
    result = dispatcher.Synchronize([&] { ran = true; });
  });
  // The GUI thread does not pump: it shuts down while the other thread waits for its work.
  DWORD start = ::GetTickCount();
  while (HIWORD(::GetQueueStatus(QS_POSTMESSAGE)) == 0 && ::GetTickCount() - start < 5000) ::Sleep(1);
  ASSERT_NE(HIWORD(::GetQueueStatus(QS_POSTMESSAGE)), 0u) << "the work was never posted";
  dispatcher.Close();
  other.join();
  EXPECT_FALSE(result);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(dispatcher.Synchronize([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

// Work that throws must not take the GUI thread's loop down or leave its waiter waiting.
TEST(GuiDispatcher, WorkThatThrowsEndsInTheFatalPathAndReleasesItsWaiter) {
  TFatalCounter fatal;
  TGuiDispatcher dispatcher;
  ASSERT_TRUE(dispatcher.Create(::GetModuleHandleW(nullptr)));
  std::atomic<bool> synced{false}, done{false};
  int after = 0;
  std::thread other([&] {
    dispatcher.Synchronize([] { throw std::runtime_error("synchronized work failed"); });
    synced = true;
    dispatcher.Queue([] { throw std::runtime_error("queued work failed"); });
    dispatcher.Queue([&] { ++after; });
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load() && after == 1; }, 5000));
  other.join();
  EXPECT_TRUE(synced);
  EXPECT_EQ(fatal.Calls(), 2);
  EXPECT_EQ(after, 1) << "the work after it still runs";
}

}  // namespace
}  // namespace pelorin::test
