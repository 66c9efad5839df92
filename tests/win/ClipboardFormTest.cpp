// The Clipboard Manager window in this process, on a running TPelorinApp with a stored
// history: rows newest first, keys that do nothing harmful, the check box, the details views
// and back, the search's steps and colours, thumbnails freed with their items, and pictures
// of it all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreFakes.h"
#include "GdiTable.h"
#include "WinTestSupport.h"
#include "app/win/PelorinApp.h"
#include "base/SharedState.h"
#include "clipboard/ClipboardChain.h"
#include "clipboard/ClipboardKeeper.h"
#include "clipboard/ClpFile.h"
#include "clipboard/win/ClipboardWin.h"

namespace pelorin::test {
namespace {

TClipboardDataItem Utf16Item(const std::wstring& text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
  return {CF_UNICODETEXT, std::vector<uint8_t>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}

// A 160 x 90 picture: a blue sky over green hills, 24 bits a pixel; another shade of them
// makes another picture.
TClipboardDataItem Picture(uint8_t shade = 0) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = 160;
  h.biHeight = 90;
  h.biPlanes = 1;
  h.biBitCount = 24;
  const int stride = 160 * 3;
  std::vector<uint8_t> dib(sizeof(h) + size_t(stride) * 90);
  std::memcpy(dib.data(), &h, sizeof(h));
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 160; ++x) {
      uint8_t* p = dib.data() + sizeof(h) + size_t(y) * stride + size_t(x) * 3;
      bool hill = y < 35 + 12 * std::sin(x / 20.0);
      p[0] = hill ? 40 : 230, p[1] = static_cast<uint8_t>((hill ? 160 : 180) - shade), p[2] = hill ? 60 : 120;
    }
  return {CF_DIB, dib};
}

TClipboardDataItem Files(const std::vector<std::wstring>& names) {
  std::vector<uint8_t> data(20, 0);
  data[0] = 20;   // offset of the names
  data[16] = 1;   // wide names
  for (const std::wstring& name : names) {
    const auto* p = reinterpret_cast<const uint8_t*>(name.c_str());
    data.insert(data.end(), p, p + (name.size() + 1) * sizeof(wchar_t));
  }
  data.push_back(0);
  data.push_back(0);
  return {CF_HDROP, data};
}

TClipboardData Item(double time, std::vector<TClipboardDataItem> formats, bool checked = false) {
  TClipboardData d;
  d.Time = time;
  d.Checked = checked;
  d.Items = std::move(formats);
  return d;
}

// Oldest first: the window shows them the other way round.
std::vector<TClipboardData> History() {
  return {
      Item(45000.40, {Utf16Item(L"A note from last year")}, true),
      Item(46300.50, {Files({L"C:\\Reports\\March.xlsx", L"C:\\Reports\\April.xlsx"})}),
      Item(46360.60, {Picture()}),
      Item(46364.70, {Utf16Item(L"Line one of a letter\r\nLine two of it\r\nLine three\r\nLine four\r\nLine five\r\n"
                                L"Line six\r\nLine seven")}),
      Item(46365.80, {Utf16Item(L"A single line of text that is much longer than the column is wide, so it wraps "
                                L"onto the next line and the one after that")}),
  };
}

class ClipboardForm : public ::testing::Test {
 protected:
  void SetUp() override {
    Resources = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Resources, nullptr);
    std::ofstream(std::filesystem::path(Temp.Path + L"Pelorin.ini"), std::ios::binary)
        << "[Settings]\r\nSave the data of Clipboard Manager = 1\r\n\r\n";
    std::ofstream(std::filesystem::path(Temp.Path + L"Pelorin.clp"), std::ios::binary) << ClpFileBytes(History());
    Source = CreatePlainWindow(L"copy source", 0, 0, 10, 10);
    ASSERT_TRUE(WriteClipboardData(Source, nullptr));
    App = std::make_unique<TPelorinApp>(::GetModuleHandleW(nullptr),
                                        TAppPaths{Temp.Path + L"PelorinUnderTest.exe", Temp.Path + L"Pelorin.ini", Resources},
                                        ParseStartMode({L"autorun"}));
    ASSERT_TRUE(App->Start());
    ASSERT_TRUE(PumpUntil([&] { return App->ClipboardKeeper()->StartLoadDone(); }, 5000));
    Form = App->ClipboardForm();
    ASSERT_NE(Form, nullptr);
    PumpUntil([] { return false; }, 100);
  }
  void TearDown() override {
    App.reset();
    ::DestroyWindow(Source);
    if (Resources != nullptr) ::FreeLibrary(Resources);
  }
  void Open() {
    App->OpenClipboardManager();
    ASSERT_TRUE(PumpUntil([&] { return Form->Visible(); }, 3000));
    PumpUntil([] { return false; }, 100);
  }
  // A click on a point of a cell of the grid, in the grid's own pixels.
  void ClickGrid(int row, int column, int dx, int dy) {
    HWND grid = Form->GridView().Handle();
    RECT cell = Form->GridView().CellScreenRect(row, column);
    POINT p{cell.left + dx, cell.top + dy};
    ::ScreenToClient(grid, &p);
    ::SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    ::SendMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  }
  void Key(HWND control, WPARAM key) {
    ::SendMessageW(control, WM_KEYDOWN, key, 0);
    ::SendMessageW(control, WM_KEYUP, key, 0);
  }
  void ThumbnailsGoWithTheirItems(bool shown);
  void Type(const std::wstring& text) {
    ::SetFocus(Form->SearchEdit());
    ::SetWindowTextW(Form->SearchEdit(), text.c_str());
  }

  TTempFolder Temp{L"pelorin-clpform-"};
  HMODULE Resources = nullptr;
  HWND Source = nullptr;
  std::unique_ptr<TPelorinApp> App;
  TClipboardForm* Form = nullptr;
};

TEST_F(ClipboardForm, RowsAreNewestFirstAndKeysBeyondTheItemsChangeNothing) {
  Open();
  EXPECT_EQ(Form->GridView().RowCount(), 5);
  EXPECT_EQ(Form->GridView().SelectedRow(), 0);
  Key(Form->GridView().Handle(), '7');  // only five rows
  EXPECT_TRUE(Form->Visible());
  Key(Form->GridView().Handle(), VK_END);
  EXPECT_EQ(Form->GridView().SelectedRow(), 4);
  Key(Form->GridView().Handle(), VK_HOME);
  EXPECT_EQ(Form->GridView().SelectedRow(), 0);
  EXPECT_EQ(App->ClipboardHistory().ClpHigh(), 4);
  EXPECT_FALSE(App->ClipboardHistory().ClpDataChanged());
  Key(Form->GridView().Handle(), VK_ESCAPE);
  EXPECT_FALSE(Form->Visible());
}

TEST_F(ClipboardForm, TheCheckBoxTogglesAndMovesTheTimeByFarLessThanASecond) {
  Open();
  const TBox cell{0, 0, Form->GridView().Columns().Col2, Form->GridView().RowHeight()};
  TCol2Parts parts = Col2Parts(cell);
  const double before = History()[4].Time;
  ClickGrid(0, 2, (parts.CheckBox.Left + parts.CheckBox.Right) / 2, (parts.CheckBox.Top + parts.CheckBox.Bottom) / 2);
  TClipboardData top;
  App->ClipboardHistory().ReadItem(4, [&](const TClipboardData& item) { top = item; });
  EXPECT_TRUE(top.Checked);
  EXPECT_NE(top.Time, before);
  EXPECT_LT(std::abs(top.Time - before), 1.0 / 86400);
  EXPECT_TRUE(App->ClipboardHistory().ClpDataChanged());
}

TEST_F(ClipboardForm, DetailsShowTheWholeTextOrThePictureAndGoBackToTheList) {
  Open();
  Form->Details(1);  // the letter
  ASSERT_TRUE(Form->InDetails());
  EXPECT_TRUE(::IsWindowVisible(Form->Memo()));
  std::wstring memo(static_cast<size_t>(::GetWindowTextLengthW(Form->Memo())), L'\0');
  ::GetWindowTextW(Form->Memo(), memo.data(), static_cast<int>(memo.size()) + 1);
  EXPECT_EQ(memo.substr(0, 36), L"Line one of a letter\r\nLine two of it");
  Key(Form->Memo(), VK_ESCAPE);
  EXPECT_FALSE(Form->InDetails());
  EXPECT_TRUE(Form->Visible());

  Form->Details(2);  // the picture
  ASSERT_TRUE(Form->InDetails());
  EXPECT_TRUE(::IsWindowVisible(Form->Zoom().Handle()));
  EXPECT_EQ(Form->Zoom().PictureSize().cx, 160);
  EXPECT_EQ(Form->Zoom().PictureSize().cy, 90);
  EXPECT_FALSE(::IsWindowVisible(Form->SearchEdit()));
  Key(Form->Zoom().Handle(), 'A');
  EXPECT_FALSE(Form->InDetails());
  EXPECT_TRUE(::IsWindowVisible(Form->SearchEdit()));
}

TEST_F(ClipboardForm, TheSearchStepsThroughMatchesAndTellsAMissFromTheEnd) {
  Open();
  Type(L"LINE");  // case does not matter
  EXPECT_EQ(Form->GridView().SelectedRow(), 0);
  EXPECT_EQ(Form->SearchColour(), TSearchColour::White);
  ::SendMessageW(Form->FindNextButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->GridView().SelectedRow(), 1);
  ::SendMessageW(Form->FindNextButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->GridView().SelectedRow(), 1) << "the picture and the files hold no such line";
  EXPECT_EQ(Form->SearchColour(), TSearchColour::Grey);
  Type(L"reports");
  EXPECT_EQ(Form->GridView().SelectedRow(), 3) << "a file list is searched by its names";
  Type(L"nothing like it");
  EXPECT_EQ(Form->SearchColour(), TSearchColour::Red);
  Form->Details(1);
  Type(L"line");
  DWORD start = 0, end = 0;
  ::SendMessageW(Form->Memo(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
}

// New pictures push older ones out of a short history, while the window shows them or while it
// is hidden. Each gets a thumbnail when its row is drawn; that bitmap must be freed with its
// item, not kept for as long as the (only ever hidden) window lives.
void ClipboardForm::ThumbnailsGoWithTheirItems(bool shown) {
  TClipboardOptions options = App->ClipboardKeeper()->Options();
  options.MaxUnchecked = 3;
  App->ClipboardKeeper()->SetOptions(options);
  if (shown) Open();
  // A change this soon after Pelorin's own write at the start would pass for part of it.
  PumpUntil([] { return false; }, TClipboardChain::QuietMs + 100);
  auto copyPicture = [&](int serial) {
    TClipboardData copied = Item(0, {Picture(static_cast<uint8_t>(serial))});
    ASSERT_TRUE(WriteClipboardData(Source, &copied));
    auto newestIsIt = [&] {
      bool same = false;
      TClipboardHistory& history = App->ClipboardHistory();
      history.ReadItem(history.ClpHigh(), [&](const TClipboardData& item) {
        for (const TClipboardDataItem& format : item.Items)
          if (format.Format == CF_DIB) same = format.Data == copied.Items[0].Data;
      });
      return same;
    };
    ASSERT_TRUE(PumpUntil(newestIsIt, 5000)) << "picture " << serial << " was not captured";
    PumpUntil([] { return false; }, 100);  // the window hears of it and paints
    ::UpdateWindow(Form->GridView().Handle());
    Form->GridView().Thumbnails().WaitIdle();
  };
  // Until every unchecked item is a picture with its thumbnail made: the history keeps at most
  // four under the newest.
  constexpr int WarmUps = 6;
  for (int serial = 1; serial <= WarmUps; ++serial) copyPicture(serial);
  const int high = App->ClipboardHistory().ClpHigh();
  const std::optional<TGdiCounts> before = CountGdiObjects(::GetCurrentProcess());
  ASSERT_TRUE(before.has_value()) << "no GDI table to count";
  constexpr int Copies = 24;
  for (int serial = WarmUps + 1; serial <= WarmUps + Copies; ++serial) copyPicture(serial);
  const std::optional<TGdiCounts> after = CountGdiObjects(::GetCurrentProcess());
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(App->ClipboardHistory().ClpHigh(), high) << "the history keeps its length";
  EXPECT_LE(after->Of(GdiBitmap), before->Of(GdiBitmap))
      << Copies << " pictures went through the history; GDI objects changed: " << after->ChangeFrom(*before);
}

TEST_F(ClipboardForm, ThumbnailsGoWithTheItemsThatLeaveTheHistoryWhileTheWindowShows) { ThumbnailsGoWithTheirItems(true); }
TEST_F(ClipboardForm, ThumbnailsGoWithTheItemsThatLeaveTheHistoryWhileTheWindowIsHidden) {
  ThumbnailsGoWithTheirItems(false);
}

TEST_F(ClipboardForm, APicturesThumbnailIsMadeOnceOffThePaintAndKeptAcrossWidthChanges) {
  const uint64_t id = App->ClipboardHistory().ItemIds().at(2);
  TThumbnailCache& thumbs = Form->GridView().Thumbnails();
  HBITMAP made = nullptr;
  TSize size;
  Open();
  ::UpdateWindow(Form->GridView().Handle());
  thumbs.WaitIdle();
  ASSERT_TRUE(thumbs.Find(id, made, size)) << "the paint did not ask for the picture's thumbnail";
  ASSERT_NE(made, nullptr);
  const TSize limit = ThumbnailLimit(Form->GridView().Columns().Col1, Form->GridView().RowHeight());
  EXPECT_EQ(size.Height, std::min(limit.Height, limit.Width * 90 / 160)) << "the 160 x 90 picture fitted";
  RECT r{};
  ::GetWindowRect(Form->Handle(), &r);
  for (int width : {r.right - r.left + 160, r.right - r.left - 60}) {
    ::SetWindowPos(Form->Handle(), nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    ::UpdateWindow(Form->GridView().Handle());
    thumbs.WaitIdle();
    HBITMAP now = nullptr;
    ASSERT_TRUE(thumbs.Find(id, now, size));
    EXPECT_EQ(now, made) << "the thumbnail was made again for a width of " << width;
  }
}

TEST_F(ClipboardForm, Screenshots) {
  std::wstring folder = ShotsFolder();
  if (folder.empty()) GTEST_SKIP() << "PELORIN_TEST_SHOTS names no folder";
  Open();
  auto take = [&](const wchar_t* name) {
    PumpUntil([] { return false; }, 200);
    std::wstring path = folder + L"\\clipboard-" + name + L".bmp";
    EXPECT_TRUE(SaveWindow(Form->Handle(), path)) << "could not write " << Narrow(path);
  };
  take(L"list");
  Form->Details(1);
  take(L"details-text");
  Form->BackToList();
  Form->Details(2);
  take(L"details-picture");
  Form->BackToList();
}

}  // namespace
}  // namespace pelorin::test
