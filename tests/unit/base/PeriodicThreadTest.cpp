#include "base/PeriodicThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <string>

#include "CoreFakes.h"

namespace pelorin {
namespace {

using Lines = std::vector<std::string>;

TPeriodicThread::Body Logged(EventLog& log, std::function<void()> turn) {
  return {std::move(turn), [&log] { log.Add("unexpected"); }, [&log] { log.Add("started"); },
          [&log] { log.Add("ending"); }};
}

// With an interval far beyond the waits below, every turn seen came from a wake.
TEST(PeriodicThread, AWakeStartsATurnAtOnceAndStopEndsTheThread) {
  EventLog log;
  TPeriodicThread thread(std::chrono::hours(1));
  EXPECT_FALSE(thread.Running());
  thread.Start(Logged(log, [&log] { log.Add("turn"); }));
  EXPECT_TRUE(thread.Running());
  ASSERT_TRUE(log.WaitForLines(1));
  thread.Wake();
  ASSERT_TRUE(log.WaitForLines(2)) << "the wake did not start a turn";
  thread.Wake();
  ASSERT_TRUE(log.WaitForLines(3));
  thread.Stop();
  EXPECT_FALSE(thread.Running());
  EXPECT_EQ(log.Lines, (Lines{"started", "turn", "turn", "ending"})) << "a stop runs no further turn";
}

TEST(PeriodicThread, TurnsComeByThemselvesEveryInterval) {
  EventLog log;
  TPeriodicThread thread(std::chrono::milliseconds(1));
  thread.Start(Logged(log, [&log] { log.Add("turn"); }));
  ASSERT_TRUE(log.WaitForLines(4)) << "three turns without any wake";
  thread.Stop();
  Lines lines = log.Lines;
  EXPECT_EQ(lines.front(), "started");
  EXPECT_EQ(lines.back(), "ending");
}

TEST(PeriodicThread, AnExceptionFromAnyPartEndsTheThreadThroughTheUnexpectedPathOnce) {
  struct Case {
    const char* Name;
    bool InStarted, InTurn;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {"turn", false, true, {"started", "unexpected", "ending"}},
      {"start", true, false, {"unexpected", "ending"}},
  };
  for (const Case& c : cases) {
    EventLog log;
    TPeriodicThread thread(std::chrono::milliseconds(1));
    TPeriodicThread::Body body = Logged(log, [&] {
      if (c.InTurn) throw std::runtime_error("turn");
      log.Add("turn");
    });
    if (c.InStarted) body.Started = [] { throw std::runtime_error("start"); };
    thread.Start(std::move(body));
    ASSERT_TRUE(log.WaitForLines(c.Expected.size())) << c.Name;
    thread.Stop();
    EXPECT_EQ(log.Lines, c.Expected) << c.Name;
  }
}

// A turn that needs the stopping thread (as one sending to the GUI thread's windows does)
// ends because the waiter keeps serving it; the thread is reported ended only after its
// last part.
TEST(PeriodicThread, StopServesTheTurnInHandThroughItsWaiterUntilTheThreadHasEnded) {
  EventLog log;
  std::atomic<bool> inTurn{false}, served{false};
  TPeriodicThread thread(std::chrono::hours(1));
  thread.Start(Logged(log, [&] {
    inTurn = true;
    while (!served) std::this_thread::yield();
    log.Add("turn");
  }));
  thread.Wake();
  while (!inTurn) std::this_thread::yield();
  int checks = 0;
  bool endedSeen = false;
  thread.Stop([&](const std::function<bool()>& ended) {
    while (!ended()) {
      ++checks;
      served = true;
    }
    endedSeen = true;
  });
  EXPECT_TRUE(endedSeen);
  EXPECT_GT(checks, 0) << "the thread was still in its turn when the stop began";
  EXPECT_FALSE(thread.Running());
  EXPECT_EQ(log.Lines, (Lines{"started", "turn", "ending"}));
}

}  // namespace
}  // namespace pelorin
