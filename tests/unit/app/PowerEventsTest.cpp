#include "app/PowerEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

struct Step {
  TPowerEvent Event;
  bool Shutdown;
  bool Keys, Save, Close, SuspendingAfter;
};

struct Case {
  std::string Name;
  std::vector<Step> Steps;
};

constexpr auto S = TPowerEvent::Suspend;
constexpr auto R = TPowerEvent::Resume;
constexpr auto E = TPowerEvent::SessionEnding;
constexpr auto C = TPowerEvent::SessionEndCancelled;
constexpr auto O = TPowerEvent::Other;

TEST(PowerEvents, SequencesSaveOnceCloseOnlyAtShutdownAndForgetKeysOnResume) {
  const Case cases[] = {
      {"standby saves once, resume forgets held keys",
       {{S, false, false, true, false, true}, {S, false, false, false, false, true}, {R, false, true, false, false, false}}},
      {"a second standby after resume saves again",
       {{S, false, false, true, false, true}, {R, false, true, false, false, false}, {S, false, false, true, false, true}}},
      {"log-off saves but leaves the closing to the system",
       {{E, false, false, true, false, true}, {E, false, false, false, false, true}}},
      {"system shutdown saves and closes", {{E, true, false, true, true, true}}},
      {"shutdown after standby entry neither saves nor closes twice",
       {{S, false, false, true, false, true}, {E, true, false, false, false, true}}},
      {"a cancelled log-off ends the suspended state, the next one saves again",
       {{E, false, false, true, false, true}, {C, false, false, false, false, false}, {E, false, false, true, false, true}}},
      {"other power messages change nothing", {{O, false, false, false, false, false}}},
  };
  for (const Case& c : cases) {
    std::atomic<bool> suspending{false};
    for (size_t i = 0; i < c.Steps.size(); ++i) {
      const Step& s = c.Steps[i];
      TPowerReaction r = PowerEventReaction(s.Event, s.Shutdown, false, suspending);
      std::string where = c.Name + ", step " + std::to_string(i + 1);
      EXPECT_EQ(r.ForgetHeldKeys, s.Keys) << where;
      EXPECT_EQ(r.SaveNow, s.Save) << where;
      EXPECT_EQ(r.CloseMainWindow, s.Close) << where;
      EXPECT_EQ(suspending.load(), s.SuspendingAfter) << where;
    }
  }
}

TEST(PowerEvents, NothingHappensWhilePelorinChangesItsOwnControls) {
  for (TPowerEvent event : {S, R, E, C}) {
    std::atomic<bool> suspending{event == R || event == C};
    TPowerReaction r = PowerEventReaction(event, true, true, suspending);
    EXPECT_FALSE(r.ForgetHeldKeys || r.SaveNow || r.CloseMainWindow);
    EXPECT_EQ(suspending.load(), event == R || event == C);
  }
}

}  // namespace
}  // namespace pelorin
