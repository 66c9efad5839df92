// The clipboard history of the real program: copies another program makes arrive in it and in
// Pelorin.clp, the stored history comes back after a restart, a damaged file keeps what it
// can, and content marked as not for any history is never kept.
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "E2eSupport.h"

namespace pelorin::e2e {
namespace {

// The periodic save comes about 3 s after the last capture; this bounds the wait for it.
constexpr DWORD SavedDeadlineMs = 10000;
// Pelorin swallows every notification within 500 ms of one it ignored (its own joining of
// the chain, its own writes): a copy this long after those counts.
constexpr DWORD PastQuietMs = 700;

using TFormats = std::vector<std::pair<UINT, std::string>>;

struct TStored {
  double Time = 0;
  bool Checked = false;
  TFormats Formats;
};

std::string Utf16(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

template <typename T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

// Pelorin.clp as its format is documented: signature, the newest index, then each item's time,
// check byte, format count and formats (number, length, bytes).
std::string ClpBytes(const std::vector<TStored>& items) {
  std::string out;
  Put<uint32_t>(out, 0x1A135561);
  Put<int32_t>(out, static_cast<int32_t>(items.size()) - 1);
  for (const TStored& item : items) {
    Put<double>(out, item.Time);
    Put<uint8_t>(out, item.Checked ? 1 : 0);
    Put<uint32_t>(out, static_cast<uint32_t>(item.Formats.size()));
    for (const auto& [format, data] : item.Formats) {
      Put<uint32_t>(out, format);
      Put<uint32_t>(out, static_cast<uint32_t>(data.size()));
      out += data;
    }
  }
  return out;
}

// The items of a well-formed file; nothing for a missing or malformed one.
std::optional<std::vector<TStored>> ReadClp(const std::string& bytes) {
  size_t at = 0;
  auto take = [&](void* out, size_t n) {
    if (bytes.size() - at < n) return false;
    std::memcpy(out, bytes.data() + at, n);
    at += n;
    return true;
  };
  uint32_t signature = 0;
  int32_t high = 0;
  if (!take(&signature, 4) || signature != 0x1A135561 || !take(&high, 4) || high < -1) return std::nullopt;
  std::vector<TStored> items(static_cast<size_t>(high + 1));
  for (TStored& item : items) {
    uint8_t checked = 0;
    uint32_t count = 0;
    if (!take(&item.Time, 8) || !take(&checked, 1) || !take(&count, 4)) return std::nullopt;
    item.Checked = checked != 0;
    for (uint32_t f = 0; f < count; ++f) {
      uint32_t format = 0, length = 0;
      if (!take(&format, 4) || !take(&length, 4) || bytes.size() - at < length) return std::nullopt;
      item.Formats.emplace_back(format, bytes.substr(at, length));
      at += length;
    }
  }
  if (at != bytes.size()) return std::nullopt;
  return items;
}

// The text of an item's CF_UNICODETEXT, up to its terminator.
std::wstring TextOf(const TStored& item) {
  for (const auto& [format, data] : item.Formats)
    if (format == CF_UNICODETEXT && data.size() >= 2)
      return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), wcsnlen(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2));
  return L"";
}

const std::string* DataOf(const TStored& item, UINT format) {
  for (const auto& [number, data] : item.Formats)
    if (number == format) return &data;
  return nullptr;
}

// The whole clipboard replaced by these formats, as any program copies; none: emptied.
bool Copy(HWND owner, const TFormats& formats) {
  for (int attempt = 0; attempt < 50 && !::OpenClipboard(owner); ++attempt) ::Sleep(20);
  if (!::EmptyClipboard()) {
    ::CloseClipboard();
    return false;
  }
  bool ok = true;
  for (const auto& [format, data] : formats) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, data.size());
    void* p = block != nullptr ? ::GlobalLock(block) : nullptr;
    if (p == nullptr) {
      ok = false;
      continue;
    }
    std::memcpy(p, data.data(), data.size());
    ::GlobalUnlock(block);
    if (::SetClipboardData(format, block) == nullptr) {
      ::GlobalFree(block);
      ok = false;
    }
  }
  return ::CloseClipboard() && ok;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE handle = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(::GlobalLock(handle))) {
      text = std::wstring(p, wcsnlen(p, ::GlobalSize(handle) / sizeof(wchar_t)));
      ::GlobalUnlock(handle);
    }
  }
  ::CloseClipboard();
  return text;
}

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
  std::vector<TStored> Stored() const { return ReadClp(ReadBytes(ClpPath())).value_or(std::vector<TStored>{}); }
  std::string DescribeStored() const {
    std::optional<std::vector<TStored>> items = ReadClp(ReadBytes(ClpPath()));
    if (!items) return "Pelorin.clp missing or malformed";
    std::string out = std::to_string(items->size()) + " items:";
    for (const TStored& item : *items) out += " \"" + Narrow(TextOf(item)) + "\"/" + std::to_string(item.Formats.size());
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
  std::vector<TStored> items = Stored();
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

TEST_F(ClipboardHistory, ADamagedFileKeepsItsLeadingItemsAndSaysSoOnce) {
  std::vector<TStored> intact{{45000.25, false, {{CF_UNICODETEXT, Utf16(L"first")}}},
                              {45001.75, true, {{CF_UNICODETEXT, Utf16(L"second")}}}};
  std::vector<TStored> withDamage = intact;
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

}  // namespace
}  // namespace pelorin::e2e
