// The clipboard history file on a real disk: what the writer leaves, what the loader reads
// back, and a file another program holds.
#include "clipboard/win/ClpFilePortWin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "clipboard/ClpFile.h"

namespace pelorin::test {
namespace {

TClipboardData Record(double time, const std::string& text, bool checked = false) {
  TClipboardData data;
  data.Time = time;
  data.Checked = checked;
  data.Items.push_back({1, std::vector<uint8_t>(text.begin(), text.end())});
  return data;
}

class ClpFilePortWin : public ::testing::Test {
 protected:
  TTempFolder Folder{L"pelorin-clp-"};
  std::wstring Path = Folder.Path + L"Pelorin.clp";
  TClpFilePortWin Files;
};

TEST_F(ClpFilePortWin, SavesAppendInPlaceAndLoadBackTheSameHistory) {
  std::vector<TClipboardData> history{Record(45000.25, "first"), Record(45001.5, "second", true)};
  TClpStored stored;
  EXPECT_EQ(Files.Probe(Path), ClpFilePort::Presence::Missing);
  ASSERT_TRUE(SaveClipboardFile(Files, Path, history, stored));
  EXPECT_EQ(ReadFile(Path), ClpFileBytes(history));

  history.push_back(Record(45002.75, std::string(3 << 20, 'x')));  // 3 MB more
  ASSERT_TRUE(SaveClipboardFile(Files, Path, history, stored));
  EXPECT_EQ(ReadFile(Path), ClpFileBytes(history));
  EXPECT_FALSE(FileExists(Path + L".tmp")) << "nothing is left beside the file";

  TClpLoadResult loaded = LoadClipboardFile(Files, Path);
  ASSERT_EQ(loaded.Status, ClpLoadStatus::Loaded);
  ASSERT_EQ(loaded.Items.size(), 3u);
  EXPECT_EQ(loaded.Items[2].Items, history[2].Items);
  EXPECT_TRUE(loaded.Items[1].Checked);

  // A reordered history is written whole, through a file beside it that replaces the old one.
  std::swap(history[0], history[2]);
  ASSERT_TRUE(SaveClipboardFile(Files, Path, history, stored));
  EXPECT_EQ(ReadFile(Path), ClpFileBytes(history));
  EXPECT_FALSE(FileExists(Path + L".tmp"));
}

TEST_F(ClpFilePortWin, AFileAnotherProgramHoldsIsNeitherReadNorReplaced) {
  std::vector<TClipboardData> stored3{Record(1, "a"), Record(2, "b"), Record(3, "c")};
  std::string bytes = ClpFileBytes(stored3);
  {
    std::unique_ptr<ClpOpenFile> file = Files.Open(Path, ClpFilePort::Mode::CreateAlways);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->WriteAt(0, bytes.data(), bytes.size()));
  }
  // Held open without sharing, as a backup program might.
  HANDLE holder = ::CreateFileW(Path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(LoadClipboardFile(Files, Path).Status, ClpLoadStatus::Unreadable);
  TClpStored none;
  std::vector<TClipboardData> other{Record(9, "other")};
  EXPECT_FALSE(SaveClipboardFile(Files, Path, other, none));
  ::CloseHandle(holder);
  EXPECT_EQ(ReadFile(Path), bytes) << "the stored history is still there";

  std::unique_ptr<ClpOpenFile> file = Files.Open(Path, ClpFilePort::Mode::Read);
  ASSERT_NE(file, nullptr);
  char past[4];
  EXPECT_FALSE(file->ReadAt(bytes.size() - 2, past, sizeof(past))) << "a read past the end is refused";
  uint64_t size = 0;
  ASSERT_TRUE(file->Size(size));
  EXPECT_EQ(size, bytes.size());
}

}  // namespace
}  // namespace pelorin::test
