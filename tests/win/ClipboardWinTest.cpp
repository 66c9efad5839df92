// The clipboard as the history reads and writes it: every format's bytes, the marks by which a
// source keeps its copy out of any history, and a clipboard another thread holds for a while.
#include "clipboard/win/ClipboardWin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "WinTestSupport.h"

namespace pelorin::test {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return bytes; }

std::vector<uint8_t> Utf16(const std::wstring& text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
  return std::vector<uint8_t>(p, p + (text.size() + 1) * sizeof(wchar_t));
}

const TClipboardDataItem* Find(const TClipboardData& data, UINT format) {
  for (const TClipboardDataItem& item : data.Items)
    if (item.Format == format) return &item;
  return nullptr;
}

// The block may be longer than what was put in (the system rounds it up), never shorter.
::testing::AssertionResult StartsWith(const TClipboardDataItem* item, const std::vector<uint8_t>& expected) {
  if (item == nullptr) return ::testing::AssertionFailure() << "format missing";
  if (item->Data.size() < expected.size() ||
      !std::equal(expected.begin(), expected.end(), item->Data.begin()))
    return ::testing::AssertionFailure() << "data of " << item->Data.size() << " bytes differs";
  return ::testing::AssertionSuccess();
}

class ClipboardWin : public ::testing::Test {
 protected:
  void SetUp() override {
    Owner = CreatePlainWindow(L"clipboard owner", 0, 0, 10, 10);
    ASSERT_NE(Owner, nullptr);
    ::ShowWindow(Owner, SW_HIDE);
  }
  void TearDown() override {
    WriteClipboardData(Owner, nullptr);
    ::DestroyWindow(Owner);
  }

  TClipboardData Content(std::initializer_list<TClipboardDataItem> items) {
    TClipboardData data;
    data.Items = items;
    return data;
  }

  HWND Owner = nullptr;
  const UINT Custom = ::RegisterClipboardFormatW(L"PelorinTestFormat");
};

TEST_F(ClipboardWin, EveryFormatComesBackWithItsBytesAndNoHandleFormats) {
  std::vector<uint8_t> text = Utf16(L"h\u00e9llo, world");
  std::vector<uint8_t> custom = Bytes({1, 2, 0, 4, 5});
  TClipboardData put = Content({{CF_UNICODETEXT, text}, {Custom, custom}, {CF_TEXT, {}}});
  ASSERT_TRUE(WriteClipboardData(Owner, &put));

  TClipboardData got;
  got.Time = 12.5;
  got.Checked = true;
  EXPECT_EQ(ReadClipboardData(got), ClipboardReadStatus::Captured);
  EXPECT_TRUE(StartsWith(Find(got, CF_UNICODETEXT), text));
  EXPECT_TRUE(StartsWith(Find(got, Custom), custom));
  for (const TClipboardDataItem& item : got.Items) {
    EXPECT_NE(item.Format, static_cast<UINT>(CF_BITMAP));
    EXPECT_NE(item.Format, static_cast<UINT>(CF_METAFILEPICT));
    EXPECT_NE(item.Format, static_cast<UINT>(CF_ENHMETAFILE));
  }
  EXPECT_EQ(got.Time, 12.5) << "the reader leaves the time to the merge";
  EXPECT_TRUE(got.Checked);

  // Read back and written again, the content is the same.
  ASSERT_TRUE(WriteClipboardData(Owner, &got));
  TClipboardData again;
  ReadClipboardData(again);
  EXPECT_TRUE(StartsWith(Find(again, CF_UNICODETEXT), text));
  EXPECT_TRUE(StartsWith(Find(again, Custom), custom));

  ASSERT_TRUE(WriteClipboardData(Owner, nullptr));
  EXPECT_EQ(ReadClipboardData(again), ClipboardReadStatus::Empty);
  EXPECT_TRUE(again.Items.empty()) << "an emptied clipboard has no formats";
}

// A picture only a handle holds is there, but nothing of it is kept: not an empty clipboard.
TEST_F(ClipboardWin, AnEnhancedMetafileOnlyIsThereButNotCaptured) {
  HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  ::Rectangle(dc, 0, 0, 40, 30);
  HENHMETAFILE picture = ::CloseEnhMetaFile(dc);
  ASSERT_NE(picture, nullptr);
  ASSERT_TRUE(::OpenClipboard(Owner));
  ::EmptyClipboard();
  bool set = ::SetClipboardData(CF_ENHMETAFILE, picture) != nullptr;
  if (!set) ::DeleteEnhMetaFile(picture);
  ::CloseClipboard();
  ASSERT_TRUE(set);

  TClipboardData got;
  EXPECT_EQ(ReadClipboardData(got), ClipboardReadStatus::NotCaptured);
  EXPECT_TRUE(got.Items.empty()) << got.Items.size() << " formats read";
  EXPECT_TRUE(::IsClipboardFormatAvailable(CF_ENHMETAFILE)) << "the reader changes nothing";
}

TEST_F(ClipboardWin, AContentItsSourceMarkedIsNotReadAtAll) {
  struct Case {
    const wchar_t* Mark;
    std::vector<uint8_t> Value;
    bool Read;
  };
  const Case cases[] = {
      {L"ExcludeClipboardContentFromMonitorProcessing", {0}, false},
      {L"Clipboard Viewer Ignore", {1}, false},
      {L"CanIncludeInClipboardHistory", {0, 0, 0, 0}, false},
      {L"CanIncludeInClipboardHistory", {1, 0, 0, 0}, true},
  };
  std::vector<uint8_t> secret = Utf16(L"correct horse battery staple");
  for (const Case& c : cases) {
    UINT mark = ::RegisterClipboardFormatW(c.Mark);
    TClipboardData put = Content({{CF_UNICODETEXT, secret}, {mark, c.Value}});
    ASSERT_TRUE(WriteClipboardData(Owner, &put));
    TClipboardData got;
    ClipboardReadStatus status = ReadClipboardData(got);
    std::string what(c.Mark, c.Mark + wcslen(c.Mark));
    EXPECT_EQ(status, c.Read ? ClipboardReadStatus::Captured : ClipboardReadStatus::NotCaptured) << what;
    if (c.Read) {
      EXPECT_TRUE(StartsWith(Find(got, CF_UNICODETEXT), secret)) << what;
    } else {
      EXPECT_TRUE(got.Items.empty()) << what << ": " << got.Items.size() << " formats read";
    }
  }
}

TEST_F(ClipboardWin, AClipboardHeldForAMomentIsWaitedForOneHeldLongerIsLeftAlone) {
  std::vector<uint8_t> text = Utf16(L"held");
  TClipboardData put = Content({{CF_UNICODETEXT, text}});
  ASSERT_TRUE(WriteClipboardData(Owner, &put));

  // Another program's window holds it open for `ms`.
  auto holdFor = [](DWORD ms, std::atomic<bool>& holding) {
    return std::thread([ms, &holding] {
      HWND window = ::CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      bool opened = window != nullptr && ::OpenClipboard(window) != FALSE;
      holding = opened;
      ::Sleep(ms);
      if (opened) ::CloseClipboard();
      holding = false;
      if (window != nullptr) ::DestroyWindow(window);
    });
  };

  auto untilHeld = [](std::atomic<bool>& holding) {
    for (int i = 0; i < 2000 && !holding; ++i) ::Sleep(1);
    return holding.load();
  };

  std::atomic<bool> holding{false};
  std::thread brief = holdFor(60, holding);
  ASSERT_TRUE(untilHeld(holding));
  TClipboardData got;
  ReadClipboardData(got);
  brief.join();
  EXPECT_TRUE(StartsWith(Find(got, CF_UNICODETEXT), text)) << "60 ms is within the retries";

  std::thread longer = holdFor(2000, holding);
  if (!untilHeld(holding)) {
    longer.join();
    FAIL() << "the other thread could not open the clipboard";
  }
  EXPECT_EQ(ReadClipboardData(got), ClipboardReadStatus::NotCaptured) << "busy is no empty clipboard";
  EXPECT_TRUE(got.Items.empty()) << "a clipboard busy past the retries gives no formats";
  EXPECT_TRUE(holding.load()) << "the reader gave up while the other thread still held it";
  longer.join();
}

}  // namespace
}  // namespace pelorin::test
