#include "base/ActionQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/PeriodicThread.h"
#include "base/SharedState.h"

namespace pelorin {
namespace {

using Push = TActionQueue::PushResult;
constexpr int32_t Check = ActionAutoSwitchCheck;

std::vector<int32_t> Drain(TActionQueue& q) {
  std::vector<int32_t> out;
  for (int32_t code = q.Pop(); code != NoAction; code = q.Pop()) out.push_back(code);
  return out;
}

TEST(ActionQueue, CodesComeOutInTheOrderTheyWentInAcrossManyRounds) {
  TActionQueue q;
  EXPECT_TRUE(q.Empty());
  EXPECT_EQ(q.Pop(), NoAction);
  // Uneven batches walk the positions round the ring many times.
  int32_t next = 0, expected = 0;
  for (int round = 0; round < 200; ++round) {
    int batch = 1 + round % 13;
    for (int i = 0; i < batch; ++i) ASSERT_EQ(q.Push(next++ % 240), Push::Queued);
    EXPECT_FALSE(q.Empty());
    for (int32_t code : Drain(q)) ASSERT_EQ(code, expected++ % 240) << "round " << round;
    EXPECT_TRUE(q.Empty());
  }
  EXPECT_EQ(expected, next);
  EXPECT_EQ(q.Rejected(), 0u);
}

TEST(ActionQueue, AutoSwitchChecksCoalesceOnlyWhileOneIsWaiting) {
  struct Case {
    const char* Name;
    std::vector<int32_t> Pushed;
    std::vector<Push> Results;
    std::vector<int32_t> Taken;
  };
  const std::vector<Case> cases = {
      {"two checks", {Check, Check}, {Push::Queued, Push::Coalesced}, {Check}},
      {"a row between", {Check, 3, Check}, {Push::Queued, Push::Queued, Push::Coalesced}, {Check, 3}},
      {"rows around", {1, Check, 2, Check, 3}, {Push::Queued, Push::Queued, Push::Queued, Push::Coalesced,
                                                Push::Queued}, {1, Check, 2, 3}},
      {"other fixed codes repeat", {ActionWheelNotchUp, ActionWheelNotchUp}, {Push::Queued, Push::Queued},
       {ActionWheelNotchUp, ActionWheelNotchUp}},
  };
  for (const Case& c : cases) {
    TActionQueue q;
    std::vector<Push> results;
    for (int32_t code : c.Pushed) results.push_back(q.Push(code));
    EXPECT_EQ(results, c.Results) << c.Name;
    EXPECT_EQ(Drain(q), c.Taken) << c.Name;
  }
}

// A held chord's auto-repeat adds nothing while a code of its row (or the switch a "Disable
// Pelorin" row posts) waits; fresh presses and clicks always queue, as do wheel notches.
TEST(ActionQueue, RepeatsAddNothingWhileTheSameCodeWaits) {
  struct Posted {
    int32_t Code;
    bool Repeat;
  };
  struct Case {
    const char* Name;
    std::vector<Posted> Pushed;
    std::vector<Push> Results;
    std::vector<int32_t> Taken;
  };
  const Push Q = Push::Queued, C = Push::Coalesced;
  const int32_t Toggle = ActionTogglePelorin, Notch = ActionWheelNotchUp;
  const std::vector<Case> cases = {
      {"a held chord", {{5, false}, {5, true}, {5, true}, {5, true}}, {Q, C, C, C}, {5}},
      {"two presses", {{5, false}, {5, false}, {5, true}}, {Q, Q, C}, {5, 5}},
      {"a repeat with nothing waiting", {{5, true}, {5, true}}, {Q, C}, {5}},
      {"two chords held", {{5, false}, {6, false}, {5, true}, {6, true}}, {Q, Q, C, C}, {5, 6}},
      {"first and last row", {{0, false}, {MaxRowAction, false}, {0, true}, {MaxRowAction, true}}, {Q, Q, C, C},
       {0, MaxRowAction}},
      {"the switch held", {{Toggle, false}, {Toggle, true}, {Toggle, false}}, {Q, C, Q}, {Toggle, Toggle}},
      {"wheel notches", {{Notch, true}, {Notch, true}}, {Q, Q}, {Notch, Notch}},
  };
  for (const Case& c : cases) {
    TActionQueue q;
    std::vector<Push> results;
    for (const Posted& p : c.Pushed) results.push_back(q.Push(p.Code, p.Repeat));
    EXPECT_EQ(results, c.Results) << c.Name;
    EXPECT_EQ(Drain(q), c.Taken) << c.Name;
  }
}

// Two presses wait, and the first is taken: a repeat still finds the second waiting. Once
// none waits, the next repeat is the one run that may follow a slow command.
TEST(ActionQueue, ARepeatCountsEveryWaitingPressOfItsRow) {
  TActionQueue q;
  ASSERT_EQ(q.Push(3), Push::Queued);
  ASSERT_EQ(q.Push(3), Push::Queued);
  EXPECT_EQ(q.Pop(), 3);
  EXPECT_EQ(q.Push(3, true), Push::Coalesced);
  EXPECT_EQ(q.Pop(), 3);
  EXPECT_EQ(q.Push(3, true), Push::Queued);
  EXPECT_EQ(q.Push(3, true), Push::Coalesced);
  EXPECT_EQ(Drain(q), (std::vector<int32_t>{3}));
  EXPECT_EQ(q.Push(3, true), Push::Queued) << "nothing waits after the drain";
}

TEST(ActionQueue, ARefusedCodeLeavesNoMarkForItsRepeats) {
  TActionQueue q;
  for (uint32_t i = 0; i < TActionQueue::Capacity; ++i) ASSERT_EQ(q.Push(ActionWheelNotchUp), Push::Queued);
  EXPECT_EQ(q.Push(7), Push::Full);
  EXPECT_EQ(q.Push(7, true), Push::Full) << "the refused press is not waiting";
  EXPECT_EQ(q.Pop(), ActionWheelNotchUp);
  EXPECT_EQ(q.Push(7, true), Push::Queued);
  EXPECT_EQ(q.Rejected(), 2u);
}

TEST(ActionQueue, ACheckTakenLetsTheNextKeyAskForAnother) {
  TActionQueue q;
  ASSERT_EQ(q.Push(Check), Push::Queued);
  ASSERT_EQ(q.Push(1), Push::Queued);
  EXPECT_EQ(q.Pop(), Check);
  // The check in hand may already have read the typed characters: a key now needs a new one.
  EXPECT_EQ(q.Push(Check), Push::Queued);
  EXPECT_EQ(Drain(q), (std::vector<int32_t>{1, Check}));
}

TEST(ActionQueue, AFullQueueRefusesTheNewestAndKeepsWhatItHolds) {
  TActionQueue q;
  for (uint32_t i = 0; i < TActionQueue::Capacity; ++i) ASSERT_EQ(q.Push(static_cast<int32_t>(i % 200)), Push::Queued);
  EXPECT_EQ(q.Push(7), Push::Full);
  EXPECT_EQ(q.Push(Check), Push::Full) << "a check is refused too";
  EXPECT_EQ(q.Rejected(), 2u);

  EXPECT_EQ(q.Pop(), 0);
  EXPECT_EQ(q.Push(Check), Push::Queued) << "one cell free again; the refused check left no mark";
  EXPECT_EQ(q.Push(9), Push::Full);
  std::vector<int32_t> rest = Drain(q);
  ASSERT_EQ(rest.size(), TActionQueue::Capacity);
  for (uint32_t i = 1; i < TActionQueue::Capacity; ++i) EXPECT_EQ(rest[i - 1], static_cast<int32_t>(i % 200));
  EXPECT_EQ(rest.back(), Check);
  EXPECT_EQ(q.Rejected(), 3u);
}

// Four producers against one consumer taking as they come: nothing lost, nothing doubled, and
// each producer's codes in its own order. A producer that finds the queue full tries again,
// which only this test does (a hook never waits).
TEST(ActionQueue, ConcurrentProducersAndOneConsumerLoseNothingAndKeepEachProducersOrder) {
  constexpr int Producers = 4;
  constexpr int32_t PerProducer = 50000;
  TActionQueue q;
  std::atomic<bool> go{false};
  std::vector<std::thread> producers;
  for (int p = 0; p < Producers; ++p) {
    producers.emplace_back([&q, &go, p] {
      while (!go.load()) std::this_thread::yield();
      for (int32_t i = 0; i < PerProducer; ++i) {
        while (q.Push(1000 + p * PerProducer + i) == Push::Full) std::this_thread::yield();
      }
    });
  }
  std::vector<int32_t> last(Producers, -1);
  int64_t taken = 0, outOfOrder = 0, foreign = 0;
  go = true;
  while (taken < int64_t{Producers} * PerProducer) {
    int32_t code = q.Pop();
    if (code == NoAction) {
      std::this_thread::yield();
      continue;
    }
    ++taken;
    int32_t value = code - 1000;
    if (value < 0 || value >= Producers * PerProducer) {
      ++foreign;
      continue;
    }
    int p = value / PerProducer, i = value % PerProducer;
    if (i != last[p] + 1) ++outOfOrder;
    last[p] = i;
  }
  for (auto& t : producers) t.join();
  EXPECT_EQ(foreign, 0);
  EXPECT_EQ(outOfOrder, 0);
  for (int p = 0; p < Producers; ++p) EXPECT_EQ(last[p], PerProducer - 1) << "producer " << p;
  EXPECT_TRUE(q.Empty());
}

struct CountingSignal : TWakeSignal {
  std::atomic<int> Signals{0};
  void Signal() noexcept override { ++Signals; }
  void Wait(std::chrono::milliseconds) override {}
};

TEST(SharedStateActions, PostingWakesTheListenerOncePerCodeQueued) {
  TSharedState shared;
  shared.PostAction(1);  // nobody listens yet: queued all the same
  CountingSignal wake;
  shared.ActionWake = &wake;
  shared.PostAction(2);
  shared.PostAction(Check);
  shared.PostAction(Check);
  shared.PostAction(2, true);
  EXPECT_EQ(wake.Signals.load(), 2) << "a coalesced check or repeat needs no wake of its own";
  for (uint32_t i = 3; i < TActionQueue::Capacity; ++i) shared.PostAction(5);
  int before = wake.Signals.load();
  shared.PostAction(6);
  EXPECT_EQ(wake.Signals.load(), before) << "a refused code wakes nobody";
  EXPECT_EQ(shared.TakeAction(), 1);
  EXPECT_EQ(shared.TakeAction(), 2);
  EXPECT_EQ(shared.TakeAction(), Check);
}

}  // namespace
}  // namespace pelorin
