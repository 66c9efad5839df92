// The clipboard history of the real program: copies another program makes arrive in it and in
// Pelorin.clp, the stored history comes back after a restart, a damaged file keeps what it
// can, and content marked as not for any history is never kept.
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "E2eClipboard.h"
#include "E2eSupport.h"

namespace pelorin::e2e {
namespace {

// The periodic save comes about 3 s after the last capture; this bounds the wait for it.
constexpr DWORD SavedDeadlineMs = 10000;
// Pelorin swallows every notification within 500 ms of one it ignored (its own joining of
// the chain, its own writes): a copy this long after those counts.
constexpr DWORD PastQuietMs = 700;

// A 4 x 4 picture, 24 bits a pixel, as a packed DIB.
std::string SmallDib() {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = 4;
  header.biHeight = 4;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = 4 * 12;
  std::string dib(reinterpret_cast<const char*>(&header), sizeof(header));
  for (int i = 0; i < 48; ++i) dib += static_cast<char>(i * 5);
  return dib;
}

void Pause(DWORD ms) { WaitFor([] { return false; }, ms); }

class ClipboardHistory : public TScenario {
 protected:
  void SetUp() override {
    TScenario::SetUp();
    WriteIni(TIni().Section("Settings").Value("Save the data of Clipboard Manager", "1"));
  }
  std::wstring ClpPath() const { return Folder + L"Pelorin.clp"; }
  std::vector<TStoredItem> Stored() const { return ReadClp(ReadBytes(ClpPath())).value_or(std::vector<TStoredItem>{}); }
  std::string DescribeStored() const {
    std::optional<std::vector<TStoredItem>> items = ReadClp(ReadBytes(ClpPath()));
    if (!items) return "Pelorin.clp missing or malformed";
    std::string out = std::to_string(items->size()) + " items:";
    for (const TStoredItem& item : *items) out += " \"" + Narrow(TextOf(item)) + "\"/" + std::to_string(item.Formats.size());
    return out;
  }
  // Starts Pelorin hidden and waits until its own start-up write of the clipboard is behind.
  TPelorin* StartAndSettle() {
    TPelorin* pelorin = StartPelorin(L"autorun");
    if (pelorin != nullptr) Pause(PastQuietMs);
    return pelorin;
  }
};

TEST_F(ClipboardHistory, TextAndAPictureCopiedElsewhereAreKeptAndTheSameTextAgainAddsNothing) {
  TDriverWindow driver;
  ASSERT_TRUE(Copy(driver.Handle(), {}));
  TPelorin* pelorin = StartAndSettle();
  ASSERT_NE(pelorin, nullptr);

  ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(L"Pelorin keeps this text")}}));
  ASSERT_TRUE(WaitFor([&] { return Stored().size() == 1; }, SavedDeadlineMs)) << DescribeStored();
  EXPECT_EQ(TextOf(Stored()[0]), L"Pelorin keeps this text");
  double firstCopied = Stored()[0].Time;

  const std::string dib = SmallDib();
  ASSERT_TRUE(Copy(driver.Handle(), {{CF_DIB, dib}}));
  ASSERT_TRUE(WaitFor([&] { return Stored().size() == 2; }, SavedDeadlineMs)) << DescribeStored();
  std::vector<TStoredItem> items = Stored();
  const std::string* picture = DataOf(items[1], CF_DIB);
  ASSERT_NE(picture, nullptr) << "the picture's own format is kept";
  EXPECT_EQ(picture->substr(0, dib.size()), dib);
  EXPECT_EQ(DataOf(items[1], CF_BITMAP), nullptr) << "a bitmap handle is no data to keep";

  // The same text once more: no third item; the first comes to the top with its first time.
  ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(L"Pelorin keeps this text")}}));
  ASSERT_TRUE(WaitFor(
      [&] {
        items = Stored();
        return items.size() == 2 && TextOf(items[1]) == L"Pelorin keeps this text";
      },
      SavedDeadlineMs))
      << DescribeStored();
  items = Stored();
  EXPECT_EQ(items[1].Time, firstCopied);
  EXPECT_NE(DataOf(items[0], CF_DIB), nullptr);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(ClipboardHistory, ARestartWithAnEmptyClipboardPutsTheNewestItemBack) {
  const std::string stored = ClpBytes({{45000.25, false, {{CF_UNICODETEXT, Utf16(L"older item")}}},
                                       {45001.75, true, {{CF_UNICODETEXT, Utf16(L"newest item")}}}});
  ASSERT_TRUE(WriteBytes(ClpPath(), stored));
  TDriverWindow driver;
  ASSERT_TRUE(Copy(driver.Handle(), {}));
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  EXPECT_TRUE(WaitFor([] { return ClipboardText() == L"newest item"; }, EffectDeadlineMs))
      << "the clipboard holds \"" << Narrow(ClipboardText()) << "\"";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  EXPECT_EQ(ReadBytes(ClpPath()), stored) << "nothing changed, so nothing was written";
}

// A copy Pelorin does not keep, on the clipboard when Pelorin starts with a stored history,
// is the user's: the next paste must give it, not the newest stored item.
class StartOverACopyNotKept : public ClipboardHistory {
 protected:
  void Run(const std::function<bool(HWND)>& copy, const std::function<bool()>& stillThere) {
    ASSERT_TRUE(WriteBytes(ClpPath(), ClpBytes({{45000.25, false, {{CF_UNICODETEXT, Utf16(L"older item")}}},
                                                {45001.75, false, {{CF_UNICODETEXT, Utf16(L"newest item")}}}})));
    TDriverWindow driver;
    ASSERT_TRUE(copy(driver.Handle()));
    ASSERT_TRUE(stillThere());
    TPelorin* pelorin = StartPelorin(L"autorun");
    ASSERT_NE(pelorin, nullptr);
    // The start-up load runs at the worker's first pass, well within this.
    EXPECT_TRUE(HoldsFor(stillThere, 2000))
        << "the user's copy was replaced; the clipboard holds \"" << Narrow(ClipboardText()) << "\"";
    // The load did run: a copy now is kept after the two stored items.
    ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(L"a plain text")}}));
    ASSERT_TRUE(WaitFor([&] { return Stored().size() == 3; }, SavedDeadlineMs)) << DescribeStored();
    EXPECT_EQ(TextOf(Stored()[2]), L"a plain text");
    EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  }
};

TEST_F(StartOverACopyNotKept, AMarkedCopyStaysOnTheClipboard) {
  const UINT exclude = ::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
  Run([&](HWND owner) { return Copy(owner, {{CF_UNICODETEXT, Utf16(L"a password")}, {exclude, std::string(1, '\0')}}); },
      [&] { return ClipboardText() == L"a password" && ::IsClipboardFormatAvailable(exclude); });
}

TEST_F(StartOverACopyNotKept, AnEnhancedMetafileOnlyCopyStaysOnTheClipboard) {
  Run(
      [](HWND owner) {
        HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        if (dc == nullptr) return false;
        ::Rectangle(dc, 0, 0, 40, 30);
        HENHMETAFILE picture = ::CloseEnhMetaFile(dc);
        if (picture == nullptr || !Copy(owner, {})) return false;
        for (int attempt = 0; attempt < 50 && !::OpenClipboard(owner); ++attempt) ::Sleep(20);
        bool set = ::SetClipboardData(CF_ENHMETAFILE, picture) != nullptr;
        if (!set) ::DeleteEnhMetaFile(picture);
        return ::CloseClipboard() && set;
      },
      [] { return ::IsClipboardFormatAvailable(CF_ENHMETAFILE) && !::IsClipboardFormatAvailable(CF_UNICODETEXT); });
}

TEST_F(ClipboardHistory, ADamagedFileKeepsItsLeadingItemsAndSaysSoOnce) {
  std::vector<TStoredItem> intact{{45000.25, false, {{CF_UNICODETEXT, Utf16(L"first")}}},
                              {45001.75, true, {{CF_UNICODETEXT, Utf16(L"second")}}}};
  std::vector<TStoredItem> withDamage = intact;
  withDamage.push_back({45002.5, false, {{CF_UNICODETEXT, Utf16(L"third")}}});
  std::string bytes = ClpBytes(withDamage);
  // The third item declares 501 formats.
  const size_t third = ClpBytes(intact).size();
  const uint32_t tooMany = 501;
  std::memcpy(bytes.data() + third + 9, &tooMany, 4);
  ASSERT_TRUE(WriteBytes(ClpPath(), bytes));
  TDriverWindow driver;
  ASSERT_TRUE(Copy(driver.Handle(), {}));

  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = FindShownWindow(pelorin->Pid(), L"#32770", L"Pelorin")) != nullptr; },
                      EffectDeadlineMs))
      << "expected the damaged-file message";
  EXPECT_EQ(Narrow(MessageBoxText(box)),
            "A clipboard data file is damaged and will be rewrited! All possible data was loaded");
  EXPECT_EQ(ReadBytes(ClpPath()), ClpBytes(intact)) << "the file is cut to the items before the damage";
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, EffectDeadlineMs));
  EXPECT_TRUE(HoldsFor([&] { return FindShownWindow(pelorin->Pid(), L"#32770") == nullptr; }, QuietMs))
      << "the message came again";
  EXPECT_EQ(ClipboardText(), L"second") << "the newest intact item is on the clipboard";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  EXPECT_EQ(ReadBytes(ClpPath()), ClpBytes(intact));
}

TEST_F(ClipboardHistory, ACopyItsSourceMarkedAsNotForAnyHistoryIsNotKept) {
  const UINT exclude = ::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
  TDriverWindow driver;
  ASSERT_TRUE(Copy(driver.Handle(), {}));
  TPelorin* pelorin = StartAndSettle();
  ASSERT_NE(pelorin, nullptr);

  ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(L"a password")}, {exclude, std::string(1, '\0')}}));
  Pause(PastQuietMs);
  // A plain copy after it shows the capture ran and the file was written.
  ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(L"a plain text")}}));
  ASSERT_TRUE(WaitFor([&] { return Stored().size() == 1; }, SavedDeadlineMs)) << DescribeStored();
  EXPECT_EQ(TextOf(Stored()[0]), L"a plain text");
  EXPECT_EQ(ReadBytes(ClpPath()).find(Utf16(L"a password").substr(0, 10)), std::string::npos)
      << "the marked text reached the file";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  EXPECT_EQ(Stored().size(), 1u) << DescribeStored();
}

// A French word and a Russian one. The ANSI text the system makes of it for the test
// desktop's Western code page keeps the first word and has '?' for the second, which is right:
// nothing needs repairing, so Pelorin leaves the copy alone. Had it "repaired" it, the
// clipboard would hold Pelorin's own write, and a copy a moment later would fall within the
// quiet time that follows Pelorin's own writes and be lost.
TEST_F(ClipboardHistory, AMixedScriptTextStaysOnTheClipboardAsCopiedAndAQuickCopyAfterItIsKept) {
  const std::wstring mixed = L"caf\u00e9 \u0436\u0443\u043a";
  TDriverWindow driver;
  ASSERT_TRUE(Copy(driver.Handle(), {}));
  TPelorin* pelorin = StartAndSettle();
  ASSERT_NE(pelorin, nullptr);

  ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(mixed)}}));
  Pause(400);
  EXPECT_EQ(ClipboardText(), mixed) << "the clipboard holds \"" << Narrow(ClipboardText()) << "\"";
  ASSERT_TRUE(Copy(driver.Handle(), {{CF_UNICODETEXT, Utf16(L"copied right after")}}));
  ASSERT_TRUE(WaitFor([&] { return Stored().size() == 2; }, SavedDeadlineMs)) << DescribeStored();
  std::vector<TStoredItem> items = Stored();
  EXPECT_EQ(TextOf(items[0]), mixed);
  EXPECT_EQ(TextOf(items[1]), L"copied right after");
  EXPECT_EQ(ClipboardText(), L"copied right after");
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
