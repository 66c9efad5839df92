#include "clipboard/ClpFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ClpFakes.h"

namespace pelorin {
namespace {

using test::FakeClpDisk;
using test::Format;
using test::Item;
using test::SameHistory;

const std::wstring Path = L"C:\\Pelorin\\Pelorin.clp";

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}
std::string U32(uint32_t v) { return Bytes({int(v & 255), int(v >> 8 & 255), int(v >> 16 & 255), int(v >> 24)}); }
const std::string Signature = Bytes({0x61, 0x55, 0x13, 0x1A});
// 45000.5 as a little-endian double.
const std::string Time45000_5 = Bytes({0, 0, 0, 0, 0x10, 0xF9, 0xE5, 0x40});

std::string ItemBytes(const std::string& time, int checked, const std::vector<std::pair<uint32_t, std::string>>& formats) {
  std::string out = time + Bytes({checked}) + U32(static_cast<uint32_t>(formats.size()));
  for (const auto& [number, data] : formats) out += U32(number) + U32(static_cast<uint32_t>(data.size())) + data;
  return out;
}

std::vector<TClipboardData> Sample(int count, double firstTime = 45000.0) {
  std::vector<TClipboardData> items;
  for (int i = 0; i < count; ++i)
    items.push_back(Item(firstTime + i / 100.0,
                         {Format(CfUnicodeText, std::string(2 + 2 * i, char('a' + i % 26))), Format(CfText, "")},
                         i % 3 == 1));
  return items;
}

TClpLoadResult LoadBytes(const std::string& bytes) {
  FakeClpDisk disk;
  disk.Files[Path] = bytes;
  return LoadClipboardFile(disk, Path);
}

// --- The format ---------------------------------------------------------------------------

TEST(ClpFile, OneItemWithAFiveByteFormatIsThirtyFourBytes) {
  const std::string expected =
      Signature + U32(0) + Time45000_5 + Bytes({0}) + U32(1) + U32(CfText) + U32(5) + "hello";
  ASSERT_EQ(expected.size(), 34u);
  std::vector<TClipboardData> history{Item(45000.5, {Format(CfText, "hello")})};
  EXPECT_EQ(ClpFileBytes(history), expected);

  TClpLoadResult loaded = LoadBytes(expected);
  EXPECT_EQ(loaded.Status, ClpLoadStatus::Loaded);
  EXPECT_TRUE(SameHistory(loaded.Items, history));
}

TEST(ClpFile, OneItemWithOneEmptyFormatIsTwentyNineBytes) {
  const std::string expected = Signature + U32(0) + Time45000_5 + Bytes({1}) + U32(1) + U32(CfDib) + U32(0);
  ASSERT_EQ(expected.size(), 29u);
  std::vector<TClipboardData> history{Item(45000.5, {Format(CfDib, "")}, true)};
  EXPECT_EQ(ClpFileBytes(history), expected);
  TClpLoadResult loaded = LoadBytes(expected);
  EXPECT_EQ(loaded.Status, ClpLoadStatus::Loaded);
  EXPECT_TRUE(SameHistory(loaded.Items, history));
}

TEST(ClpFile, EmptyHistoryIsEightBytes) { EXPECT_EQ(ClpFileBytes({}), Signature + U32(0xFFFFFFFF)); }

TEST(ClpFile, AnyNonzeroCheckedByteIsChecked) {
  for (int flag : {0, 1, 2, 0x7F, 0x80, 0xFF}) {
    TClpLoadResult loaded = LoadBytes(Signature + U32(0) + ItemBytes(Time45000_5, flag, {{CfText, "x"}}));
    ASSERT_EQ(loaded.Status, ClpLoadStatus::Loaded) << flag;
    ASSERT_EQ(loaded.Items.size(), 1u);
    EXPECT_EQ(loaded.Items[0].Checked, flag != 0) << flag;
  }
}

TEST(ClpFile, AStoredCheckedByteOfTwoStaysCheckedAcrossAnAppend) {
  FakeClpDisk disk;
  disk.Files[Path] = Signature + U32(0) + ItemBytes(Time45000_5, 2, {{CfText, "x"}});
  TClpLoadResult loaded = LoadClipboardFile(disk, Path);
  ASSERT_EQ(loaded.Status, ClpLoadStatus::Loaded);
  std::vector<TClipboardData> history = loaded.Items;
  history.push_back(Item(46000.0, {Format(CfText, "y")}));
  ASSERT_TRUE(SaveClipboardFile(disk, Path, history, loaded.Stored));
  TClpLoadResult again = LoadClipboardFile(disk, Path);
  EXPECT_EQ(again.Status, ClpLoadStatus::Loaded);
  EXPECT_TRUE(SameHistory(again.Items, history));
  EXPECT_TRUE(again.Items[0].Checked);
}

TEST(ClpFile, RoundTrips) {
  std::vector<std::vector<TClipboardData>> histories{
      {},
      Sample(1),
      Sample(7),
      Sample(500),
      {Item(std::numeric_limits<double>::quiet_NaN(), {}), Item(-1.5, {Format(0xFFFFFFFF, std::string(3, '\0'))})},
      {Item(1.0, {Format(CfHDrop, std::string(100000, 'z')), Format(CfDib, "pix")})},
  };
  for (size_t h = 0; h < histories.size(); ++h) {
    FakeClpDisk disk;
    TClpStored stored;
    ASSERT_TRUE(SaveClipboardFile(disk, Path, histories[h], stored)) << h;
    TClpLoadResult loaded = LoadClipboardFile(disk, Path);
    EXPECT_EQ(loaded.Status, histories[h].empty() ? ClpLoadStatus::NoFile : ClpLoadStatus::Loaded) << h;
    EXPECT_TRUE(SameHistory(loaded.Items, histories[h])) << h;
    if (!histories[h].empty()) {
      EXPECT_EQ(disk.Files[Path], ClpFileBytes(histories[h])) << h;
    }
  }
}

// --- The loader on files that are missing, foreign or damaged ------------------------------

TEST(ClpFileLoad, NothingLoadedWithoutAMessage) {
  struct Case {
    const char* Name;
    std::function<void(FakeClpDisk&)> Setup;
    ClpLoadStatus Status;
  };
  const std::vector<Case> cases{
      {"no file", [](FakeClpDisk&) {}, ClpLoadStatus::NoFile},
      {"locked", [](FakeClpDisk& d) { d.Files[Path] = ClpFileBytes(Sample(2)), d.Locked.insert(Path); },
       ClpLoadStatus::Unreadable},
      {"empty file", [](FakeClpDisk& d) { d.Files[Path] = ""; }, ClpLoadStatus::Foreign},
      {"three bytes", [](FakeClpDisk& d) { d.Files[Path] = Signature.substr(0, 3); }, ClpLoadStatus::Foreign},
      {"wrong signature", [](FakeClpDisk& d) { d.Files[Path] = U32(0x1A135562) + ClpFileBytes(Sample(2)).substr(4); },
       ClpLoadStatus::Foreign},
      {"signature byte-swapped", [](FakeClpDisk& d) { d.Files[Path] = U32(0x6155131A) + U32(0xFFFFFFFF); },
       ClpLoadStatus::Foreign},
  };
  for (const Case& c : cases) {
    FakeClpDisk disk;
    c.Setup(disk);
    const auto before = disk.Files;
    TClpLoadResult loaded = LoadClipboardFile(disk, Path);
    EXPECT_EQ(loaded.Status, c.Status) << c.Name;
    EXPECT_TRUE(loaded.Items.empty()) << c.Name;
    EXPECT_FALSE(loaded.Stored.Known) << c.Name;
    EXPECT_EQ(disk.Files, before) << c.Name;  // the loader never writes
  }
}

TEST(ClpFileLoad, ReadErrorInsideTheFileLoadsNothingAndIsNoDamage) {
  FakeClpDisk disk;
  std::vector<TClipboardData> big = Sample(3);
  big.push_back(Item(9.0, {Format(CfText, std::string(70000, 'q'))}));
  disk.Files[Path] = ClpFileBytes(big);
  disk.FailAt = 5;  // Probe, Open, Size, the first block, then the big block read on its own
  TClpLoadResult loaded = LoadClipboardFile(disk, Path);
  EXPECT_EQ(loaded.Status, ClpLoadStatus::Unreadable);
  EXPECT_TRUE(loaded.Items.empty());
}

TEST(ClpFileLoad, DamageKeepsTheIntactLeadingItems) {
  const std::string item0 = ItemBytes(Time45000_5, 0, {{CfText, "one"}});
  const std::string item1 = ItemBytes(Time45000_5, 1, {{CfText, "two"}, {CfUnicodeText, "t\0w\0o\0"}});
  std::string formats501 = Time45000_5 + Bytes({0}) + U32(501);
  for (int i = 0; i < 501; ++i) formats501 += U32(1) + U32(0);
  std::string formats500 = Time45000_5 + Bytes({0}) + U32(500);
  for (int i = 0; i < 500; ++i) formats500 += U32(1) + U32(0);
  std::string hugeLength = Time45000_5 + Bytes({0}) + U32(1) + U32(CfText) + U32((1u << 30) + 1) + "abc";
  std::string hugeCount = Time45000_5 + Bytes({0}) + U32(0xFFFFFFFF);
  std::string many = Signature + U32(600);
  for (int i = 0; i < 501; ++i) many += item0;

  struct Case {
    const char* Name;
    std::string File;
    size_t Kept;
  };
  const std::vector<Case> cases{
      {"second item has 501 formats", Signature + U32(1) + item0 + formats501, 1},
      {"first item has 501 formats", Signature + U32(0) + formats501, 0},
      {"format count 2^32-1", Signature + U32(1) + item0 + hugeCount, 1},
      {"length over 2^30", Signature + U32(1) + item0 + hugeLength, 1},
      {"data runs past the end", Signature + U32(1) + item0 + item1.substr(0, item1.size() - 1), 1},
      {"ends inside the time", Signature + U32(1) + item0 + item1.substr(0, 5), 1},
      {"ends inside the count", Signature + U32(1) + item0 + item1.substr(0, 11), 1},
      {"ends inside a format header", Signature + U32(1) + item0 + item1.substr(0, 17), 1},
      {"ends after a whole item", Signature + U32(2) + item0 + item1, 2},
      {"ends after the signature", Signature, 0},
      {"ends inside High", Signature + Bytes({0, 0}), 0},
      {"High below -1", Signature + U32(0xFFFFFFFE) + item0, 0},
      {"High of 500 reads at most 500 items", many.substr(0, 4) + U32(500) + many.substr(8), 500},
      {"High of 600 with fewer items", Signature + U32(600) + item0 + item1, 2},
      {"500 formats is within the limit but the file ends", Signature + U32(2) + item0 + formats500, 2},
  };
  for (const Case& c : cases) {
    TClpLoadResult loaded = LoadBytes(c.File);
    bool lastIsWhole = c.Name == std::string("500 formats is within the limit but the file ends");
    if (lastIsWhole) {
      // A count of 500 is fine: the only damage is the missing third item.
      EXPECT_EQ(loaded.Status, ClpLoadStatus::Damaged) << c.Name;
      ASSERT_EQ(loaded.Items.size(), 2u) << c.Name;
      EXPECT_EQ(loaded.Items[1].Items.size(), 500u) << c.Name;
      continue;
    }
    EXPECT_EQ(loaded.Status, ClpLoadStatus::Damaged) << c.Name;
    ASSERT_EQ(loaded.Items.size(), c.Kept) << c.Name;
    if (c.Kept > 0) {
      EXPECT_EQ(loaded.Items[0].Items, std::vector<TClipboardDataItem>{Format(CfText, "one")}) << c.Name;
    }
    if (c.Kept > 1 && c.Kept < 500) {
      EXPECT_TRUE(loaded.Items[1].Checked) << c.Name;
    }
  }
}

TEST(ClpFileLoad, BytesAfterTheLastItemAreNoDamage) {
  std::vector<TClipboardData> history = Sample(2);
  for (const std::string& tail : {std::string("x"), std::string(13, '\0'), ClpFileBytes(Sample(3))}) {
    TClpLoadResult loaded = LoadBytes(ClpFileBytes(history) + tail);
    EXPECT_EQ(loaded.Status, ClpLoadStatus::Loaded);
    EXPECT_TRUE(SameHistory(loaded.Items, history));
  }
}

TEST(ClpFileLoad, DamagedLoadThenSaveCutsTheFileToTheIntactItems) {
  FakeClpDisk disk;
  std::string formats501 = Time45000_5 + Bytes({0}) + U32(501);
  disk.Files[Path] = ClpFileBytes(Sample(1)).substr(0, 4) + U32(1) + ClpFileBytes(Sample(1)).substr(8) + formats501;
  TClpLoadResult loaded = LoadClipboardFile(disk, Path);
  ASSERT_EQ(loaded.Status, ClpLoadStatus::Damaged);
  ASSERT_TRUE(SaveClipboardFile(disk, Path, loaded.Items, loaded.Stored));
  EXPECT_EQ(disk.Files[Path], ClpFileBytes(Sample(1)));
  EXPECT_FALSE(ClpDamagedMessage.empty());
}

TEST(ClpFileLoad, ItemsTheLoaderRefusesAreStillWrittenAndCostOnlyThemselves) {
  TClipboardData wide = Item(3.0, {});
  wide.Items.assign(501, Format(CfText, ""));
  std::vector<TClipboardData> history{Sample(2)[0], Sample(2)[1], wide, Item(4.0, {Format(1, "after")})};
  TClpLoadResult loaded = LoadBytes(ClpFileBytes(history));
  EXPECT_EQ(loaded.Status, ClpLoadStatus::Damaged);
  EXPECT_TRUE(SameHistory(loaded.Items, Sample(2)));
}

// --- The writer ---------------------------------------------------------------------------

TEST(ClpFileSave, EmptyHistoryRules) {
  struct Case {
    const char* Name;
    bool FileBefore;
    bool FileAfter;
  };
  for (const Case& c : std::vector<Case>{{"no file stays no file", false, false}, {"a file becomes 8 bytes", true, true}}) {
    FakeClpDisk disk;
    TClpStored stored;
    if (c.FileBefore) {
      disk.Files[Path] = ClpFileBytes(Sample(3));
      stored = LoadClipboardFile(disk, Path).Stored;
    }
    ASSERT_TRUE(SaveClipboardFile(disk, Path, {}, stored)) << c.Name;
    EXPECT_EQ(disk.Files.contains(Path), c.FileAfter) << c.Name;
    if (c.FileAfter) {
      EXPECT_EQ(disk.Files[Path], Signature + U32(0xFFFFFFFF)) << c.Name;
    }
    TClpLoadResult loaded = LoadClipboardFile(disk, Path);
    EXPECT_TRUE(loaded.Items.empty()) << c.Name;
    EXPECT_NE(loaded.Status, ClpLoadStatus::Damaged) << c.Name;
  }
}

TEST(ClpFileSave, AppendingOneItemWritesItAndTheHighOnly) {
  FakeClpDisk disk;
  std::vector<TClipboardData> history = Sample(499);
  disk.Files[Path] = ClpFileBytes(history);
  TClpStored stored = LoadClipboardFile(disk, Path).Stored;
  history.push_back(Item(46000.25, {Format(CfUnicodeText, "n\0e\0w\0")}));
  disk.BytesWritten = 0;
  disk.Writes = 0;
  ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored));
  EXPECT_EQ(disk.BytesWritten, ClpRecordSize(history.back()) + 4);
  EXPECT_EQ(disk.Writes, 2);
  EXPECT_EQ(disk.Files[Path], ClpFileBytes(history));
  EXPECT_FALSE(disk.Files.contains(Path + L".tmp"));
}

TEST(ClpFileSave, SavingTheSameHistoryAgainWritesNothing) {
  FakeClpDisk disk;
  std::vector<TClipboardData> history = Sample(5);
  TClpStored stored;
  ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored));
  disk.BytesWritten = 0;
  ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored));
  EXPECT_EQ(disk.BytesWritten, 0u);
  EXPECT_EQ(disk.Files[Path], ClpFileBytes(history));
}

TEST(ClpFileSave, ChangesToStoredItemsRewriteTheWholeFile) {
  struct Case {
    const char* Name;
    std::function<void(std::vector<TClipboardData>&)> Change;
  };
  const std::vector<Case> cases{
      {"check box toggled with a flipped time",
       [](auto& h) { h[1].Checked = !h[1].Checked, h[1].Time = std::nextafter(h[1].Time, 1e9); }},
      {"check box toggled, same time", [](auto& h) { h[1].Checked = !h[1].Checked; }},
      {"top item replaced", [](auto& h) { h.back() = Item(h.back().Time + 1, {Format(CfText, "other")}); }},
      {"same time, other size", [](auto& h) { h[2].Items[0].Data.push_back('!'); }},
      {"oldest removed", [](auto& h) { h.erase(h.begin()); }},
      {"moved to top", [](auto& h) { std::rotate(h.begin() + 1, h.begin() + 2, h.end()); }},
      {"all removed but one", [](auto& h) { h.resize(1); }},
  };
  for (const Case& c : cases) {
    FakeClpDisk disk;
    std::vector<TClipboardData> history = Sample(4);
    disk.Files[Path] = ClpFileBytes(history);
    TClpStored stored = LoadClipboardFile(disk, Path).Stored;
    c.Change(history);
    ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored)) << c.Name;
    EXPECT_EQ(disk.Files[Path], ClpFileBytes(history)) << c.Name;
    EXPECT_TRUE(SameHistory(LoadClipboardFile(disk, Path).Items, history)) << c.Name;
    EXPECT_FALSE(disk.Files.contains(Path + L".tmp")) << c.Name;
  }
}

TEST(ClpFileSave, AFileThatCannotBeOpenedIsKeptAndTriedAgain) {
  FakeClpDisk disk;
  std::vector<TClipboardData> history = Sample(3);
  disk.Files[Path] = ClpFileBytes(history);
  TClpStored stored = LoadClipboardFile(disk, Path).Stored;
  history.push_back(Item(47000.0, {Format(CfText, "later")}));
  disk.Locked.insert(Path);
  EXPECT_FALSE(SaveClipboardFile(disk, Path, history, stored));
  EXPECT_EQ(disk.Files[Path], ClpFileBytes(Sample(3)));
  disk.Locked.clear();
  ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored));
  EXPECT_EQ(disk.Files[Path], ClpFileBytes(history));
}

TEST(ClpFileSave, AForeignOrUnknownFileIsReplacedWhole) {
  for (const std::string& old : {std::string("not ours at all"), ClpFileBytes(Sample(6))}) {
    FakeClpDisk disk;
    disk.Files[Path] = old;
    TClpStored stored;  // nothing known about the file
    std::vector<TClipboardData> history = Sample(2, 50000.0);
    ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored));
    EXPECT_EQ(disk.Files[Path], ClpFileBytes(history));
  }
}

TEST(ClpFileSave, AFileChangedBehindTheWritersBackIsReplacedWhole) {
  struct Case {
    const char* Name;
    std::vector<TClipboardData> PutBack;
  };
  const std::vector<Case> cases{
      {"an older, shorter file", Sample(2)},
      // Its leading items are other ones: an append after the three items the writer knows
      // would keep them.
      {"a longer file with another item count", Sample(6, 50000.0)},
  };
  for (const Case& c : cases) {
    FakeClpDisk disk;
    std::vector<TClipboardData> history = Sample(3);
    disk.Files[Path] = ClpFileBytes(history);
    TClpStored stored = LoadClipboardFile(disk, Path).Stored;
    disk.Files[Path] = ClpFileBytes(c.PutBack);  // someone put another file back
    history.push_back(Item(47000.0, {Format(CfText, "later")}));
    ASSERT_TRUE(SaveClipboardFile(disk, Path, history, stored)) << c.Name;
    EXPECT_EQ(disk.Files[Path], ClpFileBytes(history)) << c.Name;
  }
}

// --- Faults in the middle of a save -------------------------------------------------------

struct SaveScenario {
  const char* Name;
  std::function<std::string()> FileBefore;  // empty string: no file
  std::vector<TClipboardData> Before;       // what that file loads to
  std::vector<TClipboardData> After;
};

std::vector<SaveScenario> SaveScenarios() {
  auto plus = [](std::vector<TClipboardData> h, TClipboardData item) {
    h.push_back(std::move(item));
    return h;
  };
  const TClipboardData big = Item(48000.0, {Format(CfDib, std::string(150000, 'd')), Format(CfText, "t")});
  std::vector<TClipboardData> toggled = Sample(4);
  toggled[2].Checked = !toggled[2].Checked;
  toggled[2].Time = std::nextafter(toggled[2].Time, 0.0);
  std::vector<TClipboardData> withoutOldest = Sample(4);
  withoutOldest.erase(withoutOldest.begin());
  return {
      {"append one", [] { return ClpFileBytes(Sample(4)); }, Sample(4), plus(Sample(4), Item(47000.0, {Format(1, "n")}))},
      {"append three", [] { return ClpFileBytes(Sample(2)); }, Sample(2), Sample(5)},
      {"append a big item", [] { return ClpFileBytes(Sample(3)); }, Sample(3), plus(Sample(3), big)},
      {"append over a tail a crash left", [] { return ClpFileBytes(Sample(2)) + std::string(300000, 'g'); }, Sample(2),
       Sample(3)},
      {"append to an empty file", [] { return ClpFileBytes({}); }, {}, Sample(2)},
      {"first save, no file", [] { return std::string(); }, {}, Sample(3)},
      {"toggle an old item", [] { return ClpFileBytes(Sample(4)); }, Sample(4), toggled},
      {"remove the oldest", [] { return ClpFileBytes(Sample(4)); }, Sample(4), withoutOldest},
      {"remove everything", [] { return ClpFileBytes(Sample(3)); }, Sample(3), {}},
      {"rewrite a history holding a big item", [=] { return ClpFileBytes(plus(Sample(3), big)); }, plus(Sample(3), big),
       [=] {
         std::vector<TClipboardData> h = plus(Sample(3), big);
         std::rotate(h.begin(), h.begin() + 1, h.end() - 1);
         std::swap(h[2], h[3]);
         h.back().Time += 1;
         return h;
       }()},
      {"replace a foreign file", [] { return std::string("foreign bytes"); }, {}, Sample(2)},
  };
}

void Prepare(FakeClpDisk& disk, const SaveScenario& s, TClpStored& stored) {
  disk = FakeClpDisk{};
  std::string file = s.FileBefore();
  if (!file.empty()) disk.Files[Path] = file;
  TClpLoadResult loaded = LoadClipboardFile(disk, Path);
  ASSERT_TRUE(SameHistory(loaded.Items, s.Before)) << s.Name;
  stored = loaded.Stored;
  disk.Calls = 0;
}

// Every call a save makes, in turn, fails or is where the machine stops; a stop also comes
// right after the save returned. At a stop the disk's cache loses every unflushed write, or
// writes out only the newest one of each file, or all of them. The file left behind must load
// to the history before or after the save, and the next save must finish the job.
TEST(ClpFileSave, EveryFaultLeavesTheHistoryBeforeOrAfter) {
  using Cache = FakeClpDisk::Cache;
  int tears = 0, faults = 0;
  for (const SaveScenario& s : SaveScenarios()) {
    FakeClpDisk disk;
    TClpStored stored;
    Prepare(disk, s, stored);
    ASSERT_TRUE(SaveClipboardFile(disk, Path, s.After, stored)) << s.Name;
    const int calls = disk.Calls;
    ASSERT_GT(calls, 1) << s.Name;

    enum Fault { Fail, StopLosingAll, StopKeepingNewest, StopKeepingAll, TornStop };
    for (Fault fault : {Fail, StopLosingAll, StopKeepingNewest, StopKeepingAll, TornStop}) {
      const bool stop = fault != Fail;
      const char* name = fault == Fail                ? ": fail at call "
                         : fault == StopLosingAll     ? ": stop (cache lost) at call "
                         : fault == StopKeepingNewest ? ": stop (newest cached write kept) at call "
                         : fault == StopKeepingAll    ? ": stop (cache kept) at call "
                                                      : ": torn stop at call ";
      int endedBefore = 0;
      for (int at = 1; at <= calls + (stop ? 1 : 0); ++at) {
        SCOPED_TRACE(std::string(s.Name) + name + std::to_string(at));
        Prepare(disk, s, stored);
        (stop ? disk.StopAt : disk.FailAt) = at;
        disk.TearOnStop = fault == TornStop;
        disk.AtPowerCut = fault == StopKeepingNewest ? Cache::KeepNewest
                          : fault == StopKeepingAll  ? Cache::KeepAll
                                                     : Cache::LoseAll;
        bool saved = SaveClipboardFile(disk, Path, s.After, stored);
        if (stop && !disk.Stopped) disk.PowerCut();  // the power goes once the save returned
        tears += disk.Tears;
        ++faults;
        disk.ClearFaults();
        // The stopped machine restarts: what does the file on disk hold?
        TClpLoadResult loaded = LoadClipboardFile(disk, Path);
        EXPECT_NE(loaded.Status, ClpLoadStatus::Damaged);
        bool isBefore = SameHistory(loaded.Items, s.Before), isAfter = SameHistory(loaded.Items, s.After);
        EXPECT_TRUE(isBefore || isAfter);
        endedBefore += isBefore && !isAfter;
        if (saved) {
          EXPECT_TRUE(isAfter);
        }
        if (!stop) {
          // The process lives on with what the writer kept: the next save completes.
          ASSERT_TRUE(SaveClipboardFile(disk, Path, s.After, stored));
        } else {
          // After a restart the state comes from loading the file again.
          TClpStored fresh = loaded.Stored;
          ASSERT_TRUE(SaveClipboardFile(disk, Path, s.After, fresh));
        }
        EXPECT_TRUE(SameHistory(LoadClipboardFile(disk, Path).Items, s.After));
      }
      // The table is not trivially passed: early faults do leave the old history behind.
      if (!SameHistory(s.Before, s.After)) {
        EXPECT_GT(endedBefore, 0) << s.Name << name;
      }
    }
  }
  EXPECT_GT(tears, 0);  // the torn stops did cut some write in the middle
  RecordProperty("InjectedFaults", faults);
  RecordProperty("TornWrites", tears);
}

}  // namespace
}  // namespace pelorin
