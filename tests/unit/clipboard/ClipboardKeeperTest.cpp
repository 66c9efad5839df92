#include "clipboard/ClipboardKeeper.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <vector>

#include "ClipboardFakes.h"
#include "ClpFakes.h"

namespace pelorin {
namespace {

using test::Format;
using test::Item;

// The system clipboard and the viewer chain as the keeper sees them.
struct FakeClipboard : ClipboardSystemPort {
  std::optional<TClipboardData> Content;  // none: empty
  // There, but not for the history: marked by its source, or held only in handle formats.
  bool NotKept = false;
  bool Busy = false;
  bool Heads = true;
  int Rejoins = 0;
  int Reads = 0;
  int Writes = 0;
  int Damaged = 0;
  double Clock = 46000.0;
  std::function<void()> DuringRead;
  std::function<void()> DuringWrite;

  ClipboardReadStatus ReadClipboard(TClipboardData& snapshot) override {
    ++Reads;
    snapshot.Items.clear();
    if (DuringRead) DuringRead();
    if (Busy || (Content && NotKept)) return ClipboardReadStatus::NotCaptured;
    if (!Content) return ClipboardReadStatus::Empty;
    snapshot.Items = Content->Items;
    return ClipboardReadStatus::Captured;
  }
  bool WriteClipboard(const TClipboardData* item, const std::function<void()>& opened) override {
    if (Busy) return false;
    opened();
    if (DuringWrite) DuringWrite();
    ++Writes;
    Content.reset();
    NotKept = false;
    if (item != nullptr) {
      Content = TClipboardData{};
      for (const TClipboardDataItem& f : item->Items)
        if (!f.Data.empty()) Content->Items.push_back(f);
    }
    return true;
  }
  bool HeadsViewerChain() override { return Heads; }
  void RejoinViewerChain() override {
    ++Rejoins;
    Heads = true;
  }
  double Now() override { return Clock += 1.0; }
  void DamagedFileLoaded() override { ++Damaged; }
};

const std::wstring Path = L"C:\\Pelorin\\Pelorin.clp";

struct Rig {
  test::FakeCyrillicAnsi Ansi;
  TClipboardHistory History{Ansi};
  TClipboardChain Chain;
  FakeClipboard Clipboard;
  test::FakeClpDisk Disk;
  TClipboardKeeper Keeper{{History, Chain, Clipboard, Disk, Path}};
  uint32_t Tick = 10000;

  explicit Rig(bool saveFile = true) { Keeper.SetOptions({20, 1000, saveFile}); }

  void Start() {
    Chain.Notified(Tick);  // joining the chain
    Keeper.RequestStartLoad();
    Keeper.Tick();
  }
  // Another program copies: the clipboard changes and the notification comes well after the last one.
  void Copy(std::vector<TClipboardDataItem> formats) {
    Clipboard.Content = Item(0, std::move(formats));
    Chain.Notified(Tick += 1000);
  }
  // The notification that Pelorin's own write sends.
  void OwnNotification() { Chain.Notified(Tick += 1000); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Keeper.Tick();
  }
  std::vector<TClipboardData> Items() const {
    std::vector<TClipboardData> items;
    History.ReadAll([&](int, const TClipboardData& item) { items.push_back(item); });
    return items;
  }
  std::vector<TClipboardData> StoredItems() {
    TClpLoadResult loaded = LoadClipboardFile(Disk, Path);
    EXPECT_TRUE(loaded.Status == ClpLoadStatus::Loaded || loaded.Status == ClpLoadStatus::NoFile);
    return loaded.Items;
  }
};

std::vector<TClipboardData> Stored3() {
  return {Item(45000.5, {Format(CfText, "one")}), Item(45001.5, {Format(CfText, "two")}, true),
          Item(45002.5, {Format(CfText, "three")})};
}

TEST(ClipboardKeeper, StartLoadsTheFilePutsTheTopItemBackOnAnEmptyClipboardAndCapturesOnlyAfterwards) {
  Rig rig;
  rig.Disk.Files[Path] = ClpFileBytes(Stored3());
  // A copy whose notification came before the worker's first tick waits for the load.
  rig.Chain.Notified(rig.Tick);
  rig.Clipboard.Content.reset();
  rig.Keeper.Tick();
  EXPECT_EQ(rig.History.ClpHigh(), -1) << "nothing is loaded before start-up asks for it";
  EXPECT_EQ(rig.Clipboard.Reads, 0);

  rig.Keeper.RequestStartLoad();
  rig.Keeper.Tick();
  ASSERT_TRUE(rig.Keeper.StartLoadDone());
  EXPECT_TRUE(test::SameHistory(rig.Items(), Stored3()));
  ASSERT_TRUE(rig.Clipboard.Content.has_value());
  EXPECT_EQ(rig.Clipboard.Content->Items, Stored3()[2].Items);
  EXPECT_FALSE(rig.History.ClpDataChanged()) << "loading changes nothing that needs saving";
  // Pelorin's own write is not captured back.
  rig.OwnNotification();
  EXPECT_FALSE(rig.Chain.CaptureDue());
}

TEST(ClipboardKeeper, OnlyATrulyEmptyClipboardGetsTheTopItemBackAtStart) {
  const TClipboardData password = Item(0, {Format(CfUnicodeText, std::string("s\0e\0c\0r\0e\0t\0\0\0", 14))});
  struct Case {
    const char* Name;
    std::function<void(FakeClipboard&)> Setup;
    bool TopItemBack;
  };
  const std::vector<Case> cases{
      {"no format at all", [](FakeClipboard& c) { c.Content.reset(); }, true},
      {"a copy its source marked", [&](FakeClipboard& c) { c.Content = password, c.NotKept = true; }, false},
      {"a picture only a handle holds", [](FakeClipboard& c) { c.Content = Item(0, {}), c.NotKept = true; }, false},
      {"a clipboard that stays busy", [&](FakeClipboard& c) { c.Content = password, c.Busy = true; }, false},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.Disk.Files[Path] = ClpFileBytes(Stored3());
    c.Setup(rig.Clipboard);
    const std::optional<TClipboardData> before = rig.Clipboard.Content;
    rig.Start();
    ASSERT_TRUE(rig.Keeper.StartLoadDone()) << c.Name;
    EXPECT_TRUE(test::SameHistory(rig.Items(), Stored3())) << c.Name << ": the stored items are loaded";
    if (c.TopItemBack) {
      EXPECT_EQ(rig.Clipboard.Writes, 1) << c.Name << ": exactly one item goes back";
      ASSERT_TRUE(rig.Clipboard.Content.has_value()) << c.Name;
      EXPECT_EQ(rig.Clipboard.Content->Items, Stored3().back().Items) << c.Name;
    } else {
      EXPECT_EQ(rig.Clipboard.Writes, 0) << c.Name << ": the user's copy was replaced";
      ASSERT_TRUE(rig.Clipboard.Content.has_value()) << c.Name;
      EXPECT_EQ(rig.Clipboard.Content->Items, before->Items) << c.Name;
    }
  }
}

TEST(ClipboardKeeper, TheClipboardsContentAtStartIsMergedAfterTheStoredItems) {
  Rig rig;
  rig.Disk.Files[Path] = ClpFileBytes(Stored3());
  rig.Clipboard.Content = Item(0, {Format(CfText, "one")});  // same content as the oldest item
  rig.Start();
  std::vector<TClipboardData> items = rig.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].Items, Stored3()[0].Items) << "a hit moves to the top";
  EXPECT_EQ(items[2].Time, 45000.5) << "and keeps its time";
  EXPECT_EQ(rig.Clipboard.Writes, 0) << "the clipboard holds that content already";
}

TEST(ClipboardKeeper, CapturesMergeAndThePeriodicSaveWritesTheFileEverySixtyTicks) {
  Rig rig;
  rig.Start();
  rig.Copy({Format(CfText, "alpha")});
  rig.Ticks(1);
  ASSERT_EQ(rig.History.ClpHigh(), 0);
  rig.Copy({Format(CfText, "beta")});
  rig.Ticks(1);
  rig.Copy({Format(CfText, "alpha")});  // the same content again: moves to the top, nothing new
  rig.Ticks(1);
  std::vector<TClipboardData> items = rig.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].Items, std::vector<TClipboardDataItem>{Format(CfText, "alpha")});

  rig.Ticks(TClipboardKeeper::CheckTicks - 1);
  EXPECT_FALSE(rig.Disk.Files.contains(Path)) << "the count restarts at each capture";
  rig.Ticks(1);
  ASSERT_TRUE(rig.Disk.Files.contains(Path));
  EXPECT_TRUE(test::SameHistory(rig.StoredItems(), rig.Items()));
  EXPECT_FALSE(rig.History.ClpDataChanged());
}

TEST(ClipboardKeeper, NoPeriodicSaveWhileTheManagerShowsOrTheOptionIsOffButOneAtExit) {
  Rig rig(false);
  rig.Start();
  rig.Copy({Format(CfText, "alpha")});
  rig.Ticks(1 + 2 * TClipboardKeeper::CheckTicks);
  EXPECT_FALSE(rig.Disk.Files.contains(Path)) << "option off";
  EXPECT_TRUE(rig.Keeper.SaveIfChanged());
  EXPECT_FALSE(rig.Disk.Files.contains(Path)) << "option off: not at exit either";

  rig.Keeper.SetOptions({20, 1000, true});
  rig.Keeper.SetManagerVisible(true);
  rig.Ticks(2 * TClipboardKeeper::CheckTicks);
  EXPECT_FALSE(rig.Disk.Files.contains(Path)) << "the Clipboard Manager shows";
  EXPECT_TRUE(rig.Keeper.SaveIfChanged());
  EXPECT_TRUE(test::SameHistory(rig.StoredItems(), rig.Items()));
}

TEST(ClipboardKeeper, ABrokenChainIsRejoinedAtTheCheckOnly) {
  Rig rig;
  rig.Start();
  rig.Clipboard.Heads = false;
  rig.Ticks(TClipboardKeeper::CheckTicks - 1);
  EXPECT_EQ(rig.Clipboard.Rejoins, 0);
  rig.Ticks(1);
  EXPECT_EQ(rig.Clipboard.Rejoins, 1);
  rig.Ticks(TClipboardKeeper::CheckTicks);
  EXPECT_EQ(rig.Clipboard.Rejoins, 1) << "still at the head";
}

TEST(ClipboardKeeper, ACopyDuringTheReadIsCapturedNextTick) {
  Rig rig;
  rig.Start();
  rig.Copy({Format(CfText, "first")});
  rig.Clipboard.DuringRead = [&] {
    rig.Clipboard.DuringRead = nullptr;
    rig.Chain.Notified(rig.Tick += 1000);
  };
  rig.Ticks(1);
  EXPECT_TRUE(rig.Chain.CaptureDue()) << "the change that came during the read is not lost";
  rig.Clipboard.Content = Item(0, {Format(CfText, "second")});
  rig.Ticks(1);
  EXPECT_EQ(rig.History.ClpHigh(), 1);
}

TEST(ClipboardKeeper, ABusyClipboardLosesTheCaptureAndAFailedWriteSwallowsNoLaterCopy) {
  Rig rig;
  rig.Start();
  rig.Clipboard.Busy = true;
  rig.Copy({Format(CfText, "lost")});
  rig.Ticks(1);
  EXPECT_EQ(rig.History.ClpHigh(), -1);
  EXPECT_FALSE(rig.Chain.CaptureDue());

  rig.Clipboard.Busy = false;
  rig.Copy({Format(CfText, "kept")});
  rig.Ticks(1);
  rig.Clipboard.Busy = true;
  EXPECT_FALSE(rig.Keeper.SetClipboardItem(0));
  rig.Clipboard.Busy = false;
  rig.Copy({Format(CfText, "next")});
  EXPECT_TRUE(rig.Chain.CaptureDue()) << "the write that never happened swallows nothing";
  rig.Ticks(1);
  EXPECT_EQ(rig.History.ClpHigh(), 1);

  EXPECT_TRUE(rig.Keeper.SetClipboardItem(0));
  EXPECT_EQ(rig.Clipboard.Content->Items, std::vector<TClipboardDataItem>{Format(CfText, "kept")});
  rig.OwnNotification();
  EXPECT_FALSE(rig.Chain.CaptureDue());
  EXPECT_TRUE(rig.Keeper.SetClipboardItem(-1));
  EXPECT_FALSE(rig.Clipboard.Content.has_value());
}

TEST(ClipboardKeeper, ARepairedTextGoesBackOnTheClipboardWithoutBeingCapturedAgain) {
  Rig rig;
  rig.Start();
  // The ANSI text lost its Cyrillic letters to question marks; the Unicode one has them.
  rig.Copy({test::Ansi("??"), test::Unicode(u"\u0416\u0416")});
  rig.Ticks(1);
  ASSERT_EQ(rig.Clipboard.Writes, 1);
  EXPECT_EQ(rig.Clipboard.Content->Items[0].Data, (std::vector<uint8_t>{0xC6, 0xC6, 0}));
  rig.OwnNotification();
  EXPECT_FALSE(rig.Chain.CaptureDue());
}

TEST(ClipboardKeeper, AFileHeldAtStartIsLoadedLaterAndItsItemsComeBeforeTheNewCopies) {
  Rig rig;
  rig.Disk.Files[Path] = ClpFileBytes(Stored3());
  rig.Disk.Locked.insert(Path);
  rig.Clipboard.Content = Item(0, {Format(CfText, "new")});
  rig.Start();
  ASSERT_EQ(rig.History.ClpHigh(), 0);
  rig.Ticks(TClipboardKeeper::CheckTicks);
  EXPECT_FALSE(rig.Keeper.SaveIfChanged()) << "a file that could not be read is never replaced";
  EXPECT_EQ(rig.Disk.Files[Path], ClpFileBytes(Stored3()));

  rig.Disk.Locked.clear();
  rig.Ticks(TClipboardKeeper::CheckTicks);
  std::vector<TClipboardData> items = rig.Items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_TRUE(test::SameItem(items[0], Stored3()[0]));
  EXPECT_TRUE(test::SameItem(items[2], Stored3()[2]));
  EXPECT_EQ(items[3].Items, std::vector<TClipboardDataItem>{Format(CfText, "new")});
  EXPECT_TRUE(test::SameHistory(rig.StoredItems(), items));
}

TEST(ClipboardKeeper, SwitchingTheOptionOnLaterKeepsWhatTheFileHeld) {
  Rig rig(false);
  rig.Disk.Files[Path] = ClpFileBytes(Stored3());
  rig.Copy({Format(CfText, "two")});  // also stored, as a checked item
  rig.Start();
  rig.Keeper.SetOptions({20, 1000, true});
  rig.Ticks(TClipboardKeeper::CheckTicks);
  std::vector<TClipboardData> items = rig.Items();
  ASSERT_EQ(items.size(), 3u) << "an equal stored item is not brought in twice";
  EXPECT_TRUE(test::SameItem(items[0], Stored3()[0]));
  EXPECT_TRUE(test::SameItem(items[1], Stored3()[2]));
  EXPECT_EQ(items[2].Items, Stored3()[1].Items);
  EXPECT_EQ(items[2].Time, 45001.5) << "the stored item's time and check mark stay";
  EXPECT_TRUE(items[2].Checked);
  EXPECT_TRUE(test::SameHistory(rig.StoredItems(), items));
}

TEST(ClipboardKeeper, ADamagedFileKeepsItsLeadingItemsIsCutAndIsReportedOnce) {
  Rig rig;
  std::string bytes = ClpFileBytes(Stored3());
  // The third item declares 501 formats.
  size_t third = 8 + ClpRecordSize(Stored3()[0]) + ClpRecordSize(Stored3()[1]);
  bytes[third + 9] = char(0xF5);
  bytes[third + 10] = char(0x01);
  rig.Disk.Files[Path] = bytes;
  rig.Clipboard.Content.reset();
  rig.Start();
  EXPECT_EQ(rig.Clipboard.Damaged, 1);
  std::vector<TClipboardData> items = rig.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(test::SameItem(items[1], Stored3()[1]));
  std::vector<TClipboardData> leading = Stored3();
  leading.pop_back();
  EXPECT_EQ(rig.Disk.Files[Path], ClpFileBytes(leading));
  rig.Ticks(3 * TClipboardKeeper::CheckTicks);
  EXPECT_EQ(rig.Clipboard.Damaged, 1);
}

// While the keeper writes the file or the clipboard, another thread (the GUI thread, which
// also runs the hooks; or the clipboard's owner, which emptying the clipboard sends to) reads
// the history. It must get through while the write is still going on.
TEST(ClipboardKeeper, TheHistoryStaysOpenToReadersWhileTheFileOrTheClipboardIsWritten) {
  struct Case {
    const char* Name;
    std::function<void(Rig&, const std::function<void()>&)> Hook;
    std::function<bool(Rig&)> Write;
  };
  const std::vector<Case> cases{
      {"a full save", [](Rig& r, const std::function<void()>& f) { r.Disk.DuringWrite = f; },
       [](Rig& r) {
         r.History.SetDataChanged(true);
         return r.Keeper.SaveIfChanged();
       }},
      {"the top item put on the clipboard", [](Rig& r, const std::function<void()>& f) { r.Clipboard.DuringWrite = f; },
       [](Rig& r) { return r.Keeper.SetClipboardItem(r.History.ClpHigh()); }},
      {"an item put on the clipboard by its number", [](Rig& r, const std::function<void()>& f) { r.Clipboard.DuringWrite = f; },
       [](Rig& r) { return r.Keeper.SetClipboardItemById(r.History.ItemIds().front()); }},
      {"the newest item put back after a sort", [](Rig& r, const std::function<void()>& f) { r.Clipboard.DuringWrite = f; },
       [](Rig& r) { return r.Keeper.SetClipboardTop(); }},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.Start();
    for (int i = 0; i < 3; ++i) {
      rig.Copy({Format(CfText, "item " + std::to_string(i))});
      rig.Ticks(1);
    }
    std::mutex lock;
    std::condition_variable done;
    int readersThrough = 0, writes = 0, shutOut = 0;
    std::vector<std::thread> readers;
    c.Hook(rig, [&] {
      ++writes;
      readers.emplace_back([&] {
        int high = rig.History.ClpHigh();
        std::lock_guard<std::mutex> guard(lock);
        readersThrough += high == 2 ? 1 : 0;
        done.notify_all();
      });
      // Bounded, so that a reader shut out does not hang the test: it gets in once the write ends.
      std::unique_lock<std::mutex> guard(lock);
      if (!done.wait_for(guard, std::chrono::seconds(3), [&] { return readersThrough == writes; })) ++shutOut;
    });
    EXPECT_TRUE(c.Write(rig)) << c.Name;
    ASSERT_GT(writes, 0) << c.Name;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(shutOut, 0) << c.Name << ": readers waited for the write to end";
    EXPECT_EQ(readersThrough, writes) << c.Name;
  }
}

TEST(ClipboardKeeper, ALateLoadWithTheCopiesSinceIsCutTo500NewestKept) {
  struct Case {
    const char* Name;
    bool HeldAtStart;  // else: the option switched on later
  };
  for (const Case c : {Case{"a file held at start", true}, Case{"the option switched on later", false}}) {
    Rig rig(c.HeldAtStart);
    rig.Keeper.SetOptions({500, 5000, c.HeldAtStart});
    std::vector<TClipboardData> stored;
    for (int i = 0; i < 300; ++i) stored.push_back(Item(45000.0 + i / 1000.0, {Format(CfText, "stored " + std::to_string(i))}));
    rig.Disk.Files[Path] = ClpFileBytes(stored);
    if (c.HeldAtStart) rig.Disk.Locked.insert(Path);
    rig.Start();
    for (int i = 0; i < 300; ++i) {
      rig.Copy({Format(CfText, "copied " + std::to_string(i))});
      rig.Ticks(1);
    }
    ASSERT_EQ(rig.History.ClpHigh(), 299) << c.Name;
    rig.Disk.Locked.clear();
    rig.Keeper.SetOptions({500, 5000, true});
    rig.Ticks(TClipboardKeeper::CheckTicks);
    std::vector<TClipboardData> items = rig.Items();
    ASSERT_EQ(items.size(), 500u) << c.Name;
    EXPECT_TRUE(test::SameItem(items[0], stored[100])) << c.Name << ": the 100 oldest stored items give way";
    EXPECT_TRUE(test::SameItem(items[199], stored[299])) << c.Name;
    EXPECT_EQ(items[200].Items, std::vector<TClipboardDataItem>{Format(CfText, "copied 0")}) << c.Name;
    EXPECT_EQ(items[499].Items, std::vector<TClipboardDataItem>{Format(CfText, "copied 299")}) << c.Name;
    EXPECT_TRUE(test::SameHistory(rig.StoredItems(), items)) << c.Name;
  }
}

TEST(ClipboardKeeper, ApplyBringsBothLimitsInAtOnce) {
  Rig rig;
  rig.Start();
  for (int i = 0; i < 25; ++i) {
    rig.Copy({Format(CfText, "item " + std::to_string(i))});
    rig.Ticks(1);
  }
  ASSERT_EQ(rig.History.ClpHigh() + 1, 22) << "20 unchecked below the top, the count runs before the append";
  rig.Keeper.SetOptions({20, 1000, true});
  EXPECT_EQ(rig.Keeper.ApplyLimits(), 21);
  std::vector<TClipboardData> items = rig.Items();
  EXPECT_EQ(items.back().Items, std::vector<TClipboardDataItem>{Format(CfText, "item 24")});
}

}  // namespace
}  // namespace pelorin
