// The Clipboard Manager of the real program, driven as a user drives it: a chord opens it over
// the field being typed in, a digit, a click or Enter pastes an item there replacing the
// selection, Delete, the search and closing, and its place kept across a restart.
#include <string>
#include <vector>

#include "E2eClipboard.h"
#include "E2eSupport.h"
#include "ScreenPixels.h"

namespace pelorin::e2e {
namespace {

constexpr DWORD SavedDeadlineMs = 10000;
constexpr DWORD Gap = 60;
// Past the quiet time after a clipboard write, so that the next copy counts as the user's.
constexpr DWORD PastQuietMs = 700;

const TChord OpenChord{{keys::LeftCtrl, keys::Q}};
constexpr TKey Digit1{'1', 0x02, "1"};
constexpr TKey Delete{VK_DELETE, 0x53, "Delete"};
constexpr TKey Down{VK_DOWN, 0x50, "Down"};
constexpr TKey Enter{VK_RETURN, 0x1C, "Enter"};
constexpr TKey F{'F', 0x21, "F"};
constexpr TKey I{'I', 0x17, "I"};
constexpr TKey R{'R', 0x13, "R"};
constexpr TKey Z{'Z', 0x2C, "Z"};

// Three items, oldest first: rows 2, 1 and 0 of the window.
std::vector<TStoredItem> ThreeItems(bool secondChecked = false) {
  return {{45000.25, false, {{CF_UNICODETEXT, Utf16(L"first item")}}},
          {45001.25, secondChecked, {{CF_UNICODETEXT, Utf16(L"second item")}}},
          {45002.25, false, {{CF_UNICODETEXT, Utf16(L"third item")}}}};
}

class ClipboardManager : public TScenario {
 protected:
  // Pelorin with the chord bound to the Clipboard Manager and a stored history.
  TPelorin* StartWith(const std::vector<TStoredItem>& items, bool writeIniByHand = false, int maxUnchecked = 0) {
    TIni ini = TIni()
                   .Section("Custom Inputs")
                   .Row(1, "Clipboard manager", OpenChord.Text(), StateChord)
                   .Section("Settings")
                   .Value("Save the data of Clipboard Manager", "1");
    if (maxUnchecked != 0) ini.Value("Maximum count of unchecked items", std::to_string(maxUnchecked));
    if (writeIniByHand)
      EXPECT_TRUE(WriteBytes(IniPath(), ini.Text()));  // the scenario changes a setting: no check
    else
      WriteIni(ini);
    EXPECT_TRUE(WriteBytes(ClpPath(), ClpBytes(items)));
    EXPECT_TRUE(Copy(Driver.Handle(), {}));
    TPelorin* pelorin = StartPelorin(L"autorun");
    // Pelorin puts the newest item back on the empty clipboard once it has loaded them.
    if (pelorin != nullptr) {
      EXPECT_TRUE(WaitFor([&] { return ClipboardText() == TextOf(items.back()); }, EffectDeadlineMs));
    }
    return pelorin;
  }
  std::wstring ClpPath() const { return Folder + L"Pelorin.clp"; }
  std::vector<TStoredItem> Stored() const { return ReadClp(ReadBytes(ClpPath())).value_or(std::vector<TStoredItem>{}); }

  HWND Window(TPelorin& pelorin) const { return FindShownWindow(pelorin.Pid(), L"PelorinClipboardForm"); }
  // The driver's field holds text with part of it selected; the chord opens the window over it.
  HWND Open(TPelorin& pelorin, const std::wstring& text = L"Hello WORLD!", int selStart = 6, int selEnd = 11) {
    Driver.SetEditText(text);
    if (!Driver.Activate()) return nullptr;
    ::SendMessageW(Driver.Edit(), EM_SETSEL, selStart, selEnd);
    Input.Chord(OpenChord.Keys);
    HWND window = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (window = Window(pelorin)) != nullptr && ::GetForegroundWindow() == window; },
                        EffectDeadlineMs))
        << "the chord did not bring the Clipboard Manager to the front";
    return window;
  }
  void Press(const TKey& key) { Input.Keys({{key, false, Input.After(Gap)}, {key, true, Input.After(Gap)}}); }
  // The centre of a square of column 0 in a row, on the screen: quick paste top left, copy
  // top right (the grid's design at 96 DPI: rows of 75 pixels, column 0 45 wide).
  POINT Col0Point(HWND window, int row, bool copy) {
    HWND grid = ::FindWindowExW(window, nullptr, L"PelorinClipboardGrid", nullptr);
    POINT p{copy ? 33 : 11, row * 75 + 13};
    ::ClientToScreen(grid, &p);
    return p;
  }
  void Click(POINT p) {
    Input.MoveTo(p, Input.After(Gap));
    Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(Gap));
  }
  bool Hidden(TPelorin& pelorin) {
    return WaitFor([&] { return Window(pelorin) == nullptr; }, EffectDeadlineMs);
  }

  TDriverWindow Driver;
};

TEST_F(ClipboardManager, ADigitPastesItsRowOverTheSelectionAndTheItemBecomesTheNewest) {
  TPelorin* pelorin = StartWith(ThreeItems());
  ASSERT_NE(pelorin, nullptr);
  ASSERT_NE(Open(*pelorin), nullptr);
  Press(Digit1);
  EXPECT_TRUE(WaitFor([&] { return Driver.EditText() == L"Hello second item!"; }, EffectDeadlineMs))
      << "the field holds \"" << Narrow(Driver.EditText()) << "\"";
  EXPECT_TRUE(Hidden(*pelorin));
  EXPECT_EQ(ClipboardText(), L"second item");
  EXPECT_TRUE(WaitFor(
      [&] {
        std::vector<TStoredItem> items = Stored();
        return items.size() == 3 && TextOf(items[2]) == L"second item";
      },
      SavedDeadlineMs))
      << "row 1 did not become row 0 in Pelorin.clp";
  EXPECT_EQ(Stored()[2].Time, 45001.25) << "the item keeps its time";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(ClipboardManager, QuickPasteKeepsTheOrderAndTheNewestIsOnTheClipboardAgainAfterwards) {
  const std::string stored = ClpBytes(ThreeItems());
  TPelorin* pelorin = StartWith(ThreeItems());
  ASSERT_NE(pelorin, nullptr);
  HWND window = Open(*pelorin);
  ASSERT_NE(window, nullptr);
  Click(Col0Point(window, 1, false));
  EXPECT_TRUE(WaitFor([&] { return Driver.EditText() == L"Hello second item!"; }, EffectDeadlineMs))
      << "the field holds \"" << Narrow(Driver.EditText()) << "\"";
  EXPECT_TRUE(WaitFor([] { return ClipboardText() == L"third item"; }, EffectDeadlineMs))
      << "the clipboard still holds \"" << Narrow(ClipboardText()) << "\"";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  EXPECT_EQ(ReadBytes(ClpPath()), stored) << "a quick paste changed the history";
}

TEST_F(ClipboardManager, CopyPutsTheItemOnTheClipboardAndTypesNothing) {
  TPelorin* pelorin = StartWith(ThreeItems());
  ASSERT_NE(pelorin, nullptr);
  HWND window = Open(*pelorin);
  ASSERT_NE(window, nullptr);
  Click(Col0Point(window, 2, true));
  EXPECT_TRUE(WaitFor([] { return ClipboardText() == L"first item"; }, EffectDeadlineMs));
  EXPECT_TRUE(Hidden(*pelorin));
  EXPECT_TRUE(HoldsFor([&] { return Driver.EditText() == L"Hello WORLD!"; }, QuietMs)) << "something was typed";
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Driver.Handle(); }, EffectDeadlineMs))
      << "the previous window is not in front again";
  EXPECT_TRUE(WaitFor([&] { return Stored().size() == 3 && TextOf(Stored()[2]) == L"first item"; }, SavedDeadlineMs));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(ClipboardManager, DeletingRow0PutsRow1OnTheClipboardAndACheckedItemStaysOnNo) {
  TPelorin* pelorin = StartWith(ThreeItems(true));
  ASSERT_NE(pelorin, nullptr);
  ASSERT_NE(Open(*pelorin), nullptr);
  Press(Delete);
  EXPECT_TRUE(WaitFor([] { return ClipboardText() == L"second item"; }, EffectDeadlineMs))
      << "the clipboard holds \"" << Narrow(ClipboardText()) << "\"";
  // Row 0 is now the checked item: Delete asks first.
  Press(Delete);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] { return (box = FindShownWindow(pelorin->Pid(), L"#32770", L"Deleting the checked item")) != nullptr; },
      EffectDeadlineMs));
  EXPECT_EQ(Narrow(MessageBoxText(box)), "Are you sure you want to delete the checked item?");
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, EffectDeadlineMs));
  EXPECT_NE(Window(*pelorin), nullptr) << "the answer closed the Clipboard Manager";
  EXPECT_EQ(ClipboardText(), L"second item");
  Press(keys::Escape);
  EXPECT_TRUE(Hidden(*pelorin));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  std::vector<TStoredItem> items = Stored();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(TextOf(items[1]), L"second item");
  EXPECT_TRUE(items[1].Checked);
}

TEST_F(ClipboardManager, CopiesWhileTheDeleteQuestionIsOpenMoveTheRowsButTheItemAskedAboutIsTheOneThatGoes) {
  // Twenty unchecked items under a checked one and the newest: with at most twenty unchecked
  // items kept, every copy but the first pushes the oldest out, and the rows move under the
  // question.
  std::vector<TStoredItem> items;
  for (int i = 0; i < 20; ++i)
    items.push_back({45000.25 + i, false, {{CF_UNICODETEXT, Utf16(L"old item " + std::to_wstring(i))}}});
  items.push_back({45100.25, true, {{CF_UNICODETEXT, Utf16(L"checked item")}}});
  items.push_back({45101.25, false, {{CF_UNICODETEXT, Utf16(L"newest item")}}});
  TPelorin* pelorin = StartWith(items, false, 20);
  ASSERT_NE(pelorin, nullptr);
  ASSERT_NE(Open(*pelorin), nullptr);
  Press(Down);  // row 1: the checked item
  Press(Delete);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] { return (box = FindShownWindow(pelorin->Pid(), L"#32770", L"Deleting the checked item")) != nullptr; },
      EffectDeadlineMs));
  for (int i = 0; i < 3; ++i) {
    WaitFor([] { return false; }, PastQuietMs);
    ASSERT_TRUE(Copy(Driver.Handle(), {{CF_UNICODETEXT, Utf16(L"copy " + std::to_wstring(i))}}));
  }
  WaitFor([] { return false; }, PastQuietMs);  // the last copy is merged
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, EffectDeadlineMs));
  EXPECT_TRUE(HoldsFor([&] { return FindShownWindow(pelorin->Pid(), L"#32770") == nullptr; }, QuietMs))
      << "another question, or Pelorin halted";
  EXPECT_EQ(ClipboardText(), L"copy 2") << "the clipboard keeps the last copy";
  Press(keys::Escape);
  EXPECT_TRUE(Hidden(*pelorin));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0)) << "Pelorin no longer runs";
  std::vector<std::wstring> texts;
  for (const TStoredItem& item : Stored()) texts.push_back(TextOf(item));
  std::vector<std::wstring> expected;
  for (int i = 2; i < 20; ++i) expected.push_back(L"old item " + std::to_wstring(i));
  for (const wchar_t* text : {L"newest item", L"copy 0", L"copy 1", L"copy 2"}) expected.push_back(text);
  EXPECT_EQ(texts, expected) << "the checked item, and only it, should be gone";
}

TEST_F(ClipboardManager, TypedLettersSearchEnterPastesTheMatchAndAMissTurnsTheBoxRed) {
  TPelorin* pelorin = StartWith(ThreeItems());
  ASSERT_NE(pelorin, nullptr);
  ASSERT_NE(Open(*pelorin), nullptr);
  for (const TKey& key : {F, I, R}) Press(key);
  Press(Enter);
  EXPECT_TRUE(WaitFor([&] { return Driver.EditText() == L"Hello first item!"; }, EffectDeadlineMs))
      << "the field holds \"" << Narrow(Driver.EditText()) << "\"";
  EXPECT_TRUE(Hidden(*pelorin));

  HWND window = Open(*pelorin);
  ASSERT_NE(window, nullptr);
  for (int i = 0; i < 3; ++i) Press(Z);
  HWND search = nullptr;
  for (HWND child = ::FindWindowExW(window, nullptr, L"Edit", nullptr); child != nullptr;
       child = ::FindWindowExW(window, child, L"Edit", nullptr))
    if (::IsWindowVisible(child)) search = child;
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(WaitFor([&] { return WindowText(search) == L"zzz"; }, EffectDeadlineMs)) << Narrow(WindowText(search));
  RECT r{};
  ::GetWindowRect(search, &r);
  RECT inside{r.right - 8, (r.top + r.bottom) / 2, r.right - 6, (r.top + r.bottom) / 2 + 1};
  EXPECT_TRUE(WaitFor(
      [&] {
        std::vector<COLORREF> pixels = test::GrabScreen(inside);
        return !pixels.empty() && pixels[0] == RGB(255, 0, 0);
      },
      EffectDeadlineMs))
      << "the search box did not turn red";
  Press(keys::Escape);
  EXPECT_TRUE(Hidden(*pelorin));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(ClipboardManager, EscAndAClickIntoAnotherWindowCloseIt) {
  TPelorin* pelorin = StartWith(ThreeItems());
  ASSERT_NE(pelorin, nullptr);
  ASSERT_NE(Open(*pelorin), nullptr);
  Press(keys::Escape);
  EXPECT_TRUE(Hidden(*pelorin)) << "Esc";
  HWND window = Open(*pelorin);
  ASSERT_NE(window, nullptr);
  HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE | WS_BORDER | SS_NOTIFY, 0, 0, 120, 80,
                                 nullptr, nullptr, nullptr, nullptr);
  RECT mine{};
  ::GetWindowRect(window, &mine);
  // Somewhere outside the Clipboard Manager; SS_NOTIFY makes the static take the click.
  ::SetWindowPos(other, HWND_TOPMOST, mine.right + 10 < 700 ? mine.right + 10 : 0, 0, 120, 80, SWP_SHOWWINDOW);
  RECT at{};
  ::GetWindowRect(other, &at);
  Click({(at.left + at.right) / 2, (at.top + at.bottom) / 2});
  EXPECT_TRUE(Hidden(*pelorin)) << "a click into another window";
  ::DestroyWindow(other);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(ClipboardManager, AWindowTheUserMovedOpensThereAfterARestart) {
  TPelorin* pelorin = StartWith(ThreeItems(), true);
  ASSERT_NE(pelorin, nullptr);
  HWND window = Open(*pelorin);
  ASSERT_NE(window, nullptr);
  // Pelorin keeps only what is done to the window it tracks in front.
  WaitFor([] { return false; }, 300);
  ::SetWindowPos(window, nullptr, 60, 70, 460, 420, SWP_NOZORDER);
  RECT moved{};
  ::GetWindowRect(window, &moved);
  Press(keys::Escape);
  ASSERT_TRUE(Hidden(*pelorin));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  std::string ini = ReadBytes(IniPath());
  EXPECT_NE(ini.find("ClpWinLeft = " + std::to_string(moved.left)), std::string::npos) << ini;
  EXPECT_NE(ini.find("ClpWinWidth = " + std::to_string(moved.right - moved.left)), std::string::npos) << ini;

  Started.clear();
  TPelorin* again = StartPelorin(L"autorun");
  ASSERT_NE(again, nullptr);
  HWND reopened = Open(*again);
  ASSERT_NE(reopened, nullptr);
  RECT now{};
  ::GetWindowRect(reopened, &now);
  EXPECT_EQ(now.left, moved.left);
  EXPECT_EQ(now.top, moved.top);
  EXPECT_EQ(now.right - now.left, moved.right - moved.left);
  EXPECT_EQ(now.bottom - now.top, moved.bottom - moved.top);
  Press(keys::Escape);
  EXPECT_EQ(again->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
