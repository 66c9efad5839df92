#include "app/StartUp.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

using Params = std::vector<std::wstring>;

TEST(StartMode, PowerWordsInAnyLetterCase) {
  struct Case { std::wstring Word; int Power; };
  for (const Case& c : std::vector<Case>{{L"Sleep", 1}, {L"hibernate", 2}, {L"SHUTDOWN", 3}, {L"rEbOoT", 4},
                                          {L"Sleepy", 0}, {L"autorun", 0}, {L"", 0}})
    EXPECT_EQ(ParseStartMode({c.Word}).PowerCommand, c.Power) << std::string(c.Word.begin(), c.Word.end());
  EXPECT_EQ(ParseStartMode({}).PowerCommand, 0);
}

TEST(StartMode, RestartParametersCarryTheCountAndTheEnabledState) {
  TStartMode mode = ParseStartMode({L"autorun", L"restart3", L"1"});
  EXPECT_TRUE(mode.AutoRun);
  EXPECT_EQ(mode.AppEnabled, std::optional<bool>(true));
  EXPECT_EQ(mode.RestartCount, std::optional<int>(3));

  mode = ParseStartMode({L"autorun", L"restart12", L"0"});
  EXPECT_EQ(mode.AppEnabled, std::optional<bool>(false));
  EXPECT_EQ(mode.RestartCount, std::optional<int>(12));

  EXPECT_FALSE(ParseStartMode({L"autorun"}).AppEnabled);
  EXPECT_FALSE(ParseStartMode({L"autorun", L"again", L"1"}).AppEnabled);
  EXPECT_FALSE(ParseStartMode({L"restart2", L"x"}).AppEnabled) << "not a number";
  EXPECT_FALSE(ParseStartMode({L"AUTORUN"}).AutoRun) << "autorun is the word the log-on entry writes";
}

TEST(StartMode, RestartCommandLineReadsBack) {
  std::wstring line = RestartCommandLine(L"C:\\Program Files\\Pelorin\\Pelorin.exe", 3, true);
  EXPECT_EQ(line, L"\"C:\\Program Files\\Pelorin\\Pelorin.exe\" autorun restart3 1");
  std::vector<std::wstring> args = SplitCommandLine(line);
  ASSERT_EQ(args.size(), 4u);
  EXPECT_EQ(args[0], L"C:\\Program Files\\Pelorin\\Pelorin.exe");
  TStartMode mode = ParseStartMode(Params(args.begin() + 1, args.end()));
  EXPECT_TRUE(mode.AutoRun);
  EXPECT_EQ(mode.RestartCount, std::optional<int>(3));
  EXPECT_EQ(mode.AppEnabled, std::optional<bool>(true));
}

TEST(CommandLine, SplitsLikeTheRuntime) {
  struct Case { std::wstring Line; Params Args; };
  const std::vector<Case> cases = {
      {L"Pelorin.exe", {L"Pelorin.exe"}},
      {L"C:\\P\\Pelorin.exe  Sleep ", {L"C:\\P\\Pelorin.exe", L"Sleep"}},
      {L"\"C:\\a b\\P.exe\" autorun restart1 0", {L"C:\\a b\\P.exe", L"autorun", L"restart1", L"0"}},
      {L"p \"two words\" x\\\"y a\\\\b", {L"p", L"two words", L"x\"y", L"a\\\\b"}},
      {L"p \"\"", {L"p", L""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.Line), c.Args);
}

}  // namespace
}  // namespace pelorin
