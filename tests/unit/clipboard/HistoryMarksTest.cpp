#include "clipboard/HistoryMarks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

TEST(HistoryMarks, TheSourcesMarksKeepAContentOutAndNothingElseDoes) {
  struct Case {
    std::wstring Name;
    std::vector<uint8_t> Data;
    bool KeptOut;
  };
  const Case cases[] = {
      {L"ExcludeClipboardContentFromMonitorProcessing", {}, true},
      {L"Clipboard Viewer Ignore", {}, true},
      {L"CanIncludeInClipboardHistory", {0, 0, 0, 0}, true},
      {L"CanIncludeInClipboardHistory", {1, 0, 0, 0}, false},
      {L"CanIncludeInClipboardHistory", {0, 0, 0, 1}, false},
      // Fewer bytes than the value needs: no answer, so the content is kept as any other.
      {L"CanIncludeInClipboardHistory", {0, 0}, false},
      {L"CanIncludeInClipboardHistory", {}, false},
      {L"ExcludeClipboardContentFromMonitorProcessingX", {}, false},
      // The system's format names ignore letter case.
      {L"excludeclipboardcontentfrommonitorprocessing", {}, true},
      {L"CANINCLUDEINCLIPBOARDHISTORY", {0, 0, 0, 0}, true},
      {L"HTML Format", {0, 0, 0, 0}, false},
      {L"", {}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeptOutOfHistory(HistoryMarkOf(c.Name), c.Data), c.KeptOut)
        << std::string(c.Name.begin(), c.Name.end()) << " with " << c.Data.size() << " bytes";
  }
}

}  // namespace
}  // namespace pelorin
