#include "config/SettingsFollowers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigFakes.h"
#include "config/ExportImport.h"

namespace pelorin {
namespace {

using test::FakeDialogs;
using test::FakeFiles;
using test::FakeRunKey;
using test::ModelHolder;

TEST(SettingsFollowers, RecomputeSetsWhetherAnyTrackedRowIsOnAndCallsEveryFollowerInOrder) {
  struct Case {
    const char* Name;
    std::vector<int> States;  // of the tracked rows
    bool On;
  };
  const Case cases[] = {
      {"no rows", {}, false},
      {"one row switched off", {0}, false},
      {"one row on", {5}, true},
      {"off and on", {0, 1}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TSharedState shared;
    shared.TrackedRowsOn = !c.On;
    ModelHolder m;
    for (int state : c.States) m.Tracked.push_back({L"Title", L"", L"OK", state});
    std::vector<std::string> calls;
    TSettingsFollowers followers(shared);
    followers.Add([&](const TSettingsModel& model) {
      calls.push_back("first " + std::to_string(model.TrackedWindows.size()));
    });
    followers.Add([&](const TSettingsModel&) { calls.push_back("second"); });
    followers.Recompute(m.Model());
    EXPECT_EQ(shared.TrackedRowsOn.load(), c.On);
    EXPECT_EQ(calls, (std::vector<std::string>{"first " + std::to_string(c.States.size()), "second"}));
  }
}

// A Pelorin that started with no tracked rows checks windows once an Import brought one.
TEST(SettingsFollowers, AnImportOfATrackedRowTurnsTheWindowChecksOn) {
  ModelHolder m;
  FakeFiles files;
  FakeRunKey registry;
  TWindows1252 ansi;
  TConfigState state;
  FakeDialogs dialogs;
  TSettingsIo io{files, ansi, registry, L"\"C:\\Pelorin\\Pelorin.exe\" autorun"};
  TSharedState shared;
  TSettingsFollowers followers(shared);
  followers.Recompute(m.Model());  // as at start-up, with no rows
  ASSERT_FALSE(shared.TrackedRowsOn.load());
  bool followed = false;
  followers.Add([&](const TSettingsModel&) { followed = true; });

  files.Files[L"E:\\tracked.ini"] = "[Tracked windows]\r\nWindow1 = Notepad&&&&&Yes&&\r\n";
  dialogs.ChosenFile = L"E:\\tracked.ini";
  dialogs.AnswerYes = true;  // the question before an Import
  LoadCfgClick(TSettingsCommands{m.Model(), io, state, dialogs, &followers}, {1920, 1080}, nullptr);
  ASSERT_EQ(m.Tracked.size(), 1u);
  EXPECT_EQ(dialogs.Questions.size(), 1u);
  EXPECT_TRUE(shared.TrackedRowsOn.load()) << "the worker would never ask for a window check";
  EXPECT_TRUE(followed);
}

}  // namespace
}  // namespace pelorin
