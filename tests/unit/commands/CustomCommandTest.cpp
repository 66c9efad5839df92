#include "commands/CustomCommand.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelorin {
namespace {

TEST(SplitCustomCommand, SplitsAtTheFirstSeparatorOfTheList) {
  struct Case { std::wstring_view Text, File, Parameters; };
  const std::vector<Case> cases = {
      {L"C:\\Tools\\app.exe -x", L"C:\\Tools\\app.exe", L"-x"},
      {L"\"C:\\Program Files\\App\\app.exe\" /s", L"C:\\Program Files\\App\\app.exe", L" /s"},
      {L"notepad /A", L"notepad", L"/A"},
      {L"calc", L"calc", L""},
      {L"notepad readme.txt", L"notepad", L"readme.txt"},
      {L"C:\\my-tools\\run x", L"C:\\m", L"-tools\\run x"},
      {L"", L"", L""},
      {L"C:\\Tools\\app.exe", L"C:\\Tools\\app.exe", L""},
      {L"c:\\w\\run.Bat arg", L"c:\\w\\run.Bat", L"arg"},
      {L"\"C:\\a b\\tool\" \"quoted arg\"", L"C:\\a b\\tool", L" quoted arg\""},
      {L"-x", L"", L"-x"},
  };
  for (const Case& c : cases) {
    TCustomCommand cmd = SplitCustomCommand(c.Text);
    EXPECT_EQ(cmd.File, c.File) << std::wstring(c.Text).size();
    EXPECT_EQ(cmd.Parameters, c.Parameters) << std::wstring(c.Text).size();
  }
}

TEST(CommandFolder, DirectoryWithoutTrailingBackslashExceptARoot) {
  struct Case { std::wstring_view File, Folder; };
  for (Case c : std::vector<Case>{{L"C:\\Tools\\app.exe", L"C:\\Tools"},
                                   {L"C:\\app.exe", L"C:\\"},
                                   {L"app.exe", L""},
                                   {L"C:app.exe", L"C:"},
                                   {L"\\\\server\\share\\x.exe", L"\\\\server\\share"},
                                   {L"\\x.exe", L"\\"}})
    EXPECT_EQ(CommandFolder(c.File), c.Folder);
}

}  // namespace
}  // namespace pelorin
