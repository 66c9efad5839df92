#include "clipboard/ClipboardChain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

// One step: Pelorin writes the clipboard itself ('w'), a notification comes at a tick ('n'),
// or the worker takes a due capture ('c'); then whether a capture is due.
struct Step {
  char What;
  uint32_t Tick;
  bool DueAfter;
};

struct Case {
  std::string Name;
  std::vector<Step> Steps;
};

TEST(ClipboardChain, OwnWritesAndQuickRepeatsAreSwallowedEveryOtherNotificationMakesACaptureDue) {
  const Case cases[] = {
      {"joining the chain is swallowed, the next copy is due",
       {{'n', 1000, false}, {'n', 1501, true}, {'c', 0, false}}},
      {"at exactly 500 ms it is still a repeat, and refreshes the quiet time",
       {{'n', 1000, false}, {'n', 1500, false}, {'n', 2000, false}, {'n', 2500, false}, {'n', 3001, true}}},
      {"a due capture does not refresh the quiet time",
       {{'n', 1000, false}, {'n', 2000, true}, {'c', 0, false}, {'n', 2100, true}}},
      {"Pelorin's own write swallows its notification",
       {{'n', 0, false}, {'n', 5000, true}, {'c', 0, false}, {'w', 0, false}, {'n', 6000, false}, {'n', 6400, false},
        {'n', 7000, true}}},
      {"the tick count's wrap is harmless",
       {{'n', 0xFFFFFF00u, false}, {'n', 0x00000010u, false}, {'n', 0x00000300u, true}}},
      {"a write of Pelorin's own while a capture is due keeps its mark",
       {{'n', 0, false}, {'n', 1000, true}, {'w', 0, false}, {'c', 0, false}, {'n', 1100, false}}},
  };
  for (const Case& c : cases) {
    TClipboardChain chain;
    for (size_t i = 0; i < c.Steps.size(); ++i) {
      const Step& s = c.Steps[i];
      if (s.What == 'n') chain.Notified(s.Tick);
      if (s.What == 'w') chain.IgnoreNext();
      if (s.What == 'c') chain.CaptureDone();
      EXPECT_EQ(chain.CaptureDue(), s.DueAfter) << c.Name << ", step " << i + 1;
    }
  }
}

TEST(ClipboardChain, AMessageThatComesBackWhileOneIsHandledIsDropped) {
  TClipboardChain chain;
  ASSERT_TRUE(chain.Enter());
  EXPECT_FALSE(chain.Enter()) << "the chain looped back to Pelorin";
  chain.Leave();
  EXPECT_TRUE(chain.Enter());
}

TEST(ClipboardChain, OnlyTheNextViewerLeavingChangesWhoFollowsPelorin) {
  TClipboardChain chain;
  chain.SetNextViewer(0x100);
  EXPECT_TRUE(chain.ChainChanged(0x200, 0x300)) << "another viewer left: passed on";
  EXPECT_EQ(chain.NextViewer(), 0x100u);
  EXPECT_FALSE(chain.ChainChanged(0x100, 0x400));
  EXPECT_EQ(chain.NextViewer(), 0x400u);
  EXPECT_FALSE(chain.ChainChanged(0x400, 0)) << "the last viewer after Pelorin left";
  EXPECT_EQ(chain.NextViewer(), 0u);
}

}  // namespace
}  // namespace pelorin
