#include "layout/LayoutSwitcher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "HookRig.h"

namespace pelorin {
namespace {

constexpr uint64_t UsLayout = 0x04090409;
constexpr uint64_t RuLayout = 0x04190419;
constexpr int32_t Russian = 0x0419;

// US keys by the character they give: virtual key and scan code.
const std::map<char, std::pair<uint8_t, uint8_t>> KeyOf = {
    {'a', {'A', 30}}, {'b', {'B', 48}}, {'c', {'C', 46}}, {'d', {'D', 32}}, {'e', {'E', 18}}, {'f', {'F', 33}},
    {'g', {'G', 34}}, {'h', {'H', 35}}, {'i', {'I', 23}}, {'j', {'J', 36}}, {'k', {'K', 37}}, {'l', {'L', 38}},
    {'m', {'M', 50}}, {'n', {'N', 49}}, {'o', {'O', 24}}, {'p', {'P', 25}}, {'q', {'Q', 16}}, {'r', {'R', 19}},
    {'s', {'S', 31}}, {'t', {'T', 20}}, {'u', {'U', 22}}, {'v', {'V', 47}}, {'w', {'W', 17}}, {'x', {'X', 45}},
    {'y', {'Y', 21}}, {'z', {'Z', 44}}, {'1', {'1', 2}},  {'2', {'2', 3}},  {'3', {'3', 4}},  {'4', {'4', 5}},
    {'5', {'5', 6}},  {' ', {32, 57}}};
constexpr uint8_t VkLShift = 0xA0, ScanLShift = 42, VkLCtrl = 0xA2, ScanLCtrl = 29;

// A key event as a token: "+G" down, "-G" up; "BS", "Caps", "LShift" for those keys.
std::string Token(const TInputRecord& r) {
  if (r.Kind != InputKind::Keyboard) return "mouse?";
  std::string name;
  switch (r.Key.Vk) {
    case 8: name = "BS"; break;
    case 0x14: name = "Caps"; break;
    case VkLShift: name = "LShift"; break;
    case 32: name = "Space"; break;
    default: name = std::string(1, static_cast<char>(r.Key.Vk));
  }
  return ((r.Key.Flags & KeyFlag::KeyUp) ? "-" : "+") + name + (r.Key.Time == OwnInputMark ? "" : "(UNMARKED)");
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += (i ? " " : "") + s;
  return out;
}

// Replayed keys in order, "+G -G +H -H": each key of text down and up.
std::string Replay(const std::string& text) {
  std::string out;
  for (char c : text) {
    std::string name = c == ' ' ? "Space" : std::string(1, static_cast<char>(KeyOf.at(c).first));
    out += (out.empty() ? "" : " ") + ("+" + name + " -" + name);
  }
  return out;
}

struct FakeLayouts : KeyboardLayoutPort {
  EventLog& L;
  uint64_t Active = UsLayout;
  bool Loadable = true;
  std::function<void()> OnThreadLayout;
  std::function<void(int)> OnSleep;
  int Sleeps = 0;
  explicit FakeLayouts(EventLog& l) : L(l) {}
  uint64_t ThreadLayout(uint32_t) override {
    if (OnThreadLayout) OnThreadLayout();
    return Active;
  }
  uint64_t LoadLayout(std::wstring_view name) override {
    L.Add("[load " + Narrow(name) + "]");
    if (!Loadable) return 0;
    return name == L"00000409" ? UsLayout : RuLayout;
  }
  void RequestLayout(TWindowHandle window, uint64_t layout) override {
    char text[64];
    std::snprintf(text, sizeof text, "[request %08llx for %llu]", static_cast<unsigned long long>(layout),
                  static_cast<unsigned long long>(window));
    L.Add(text);
    Active = layout;
  }
  void Sleep(std::chrono::milliseconds time) override {
    L.Add("[sleep " + std::to_string(time.count()) + "]");
    if (OnSleep) OnSleep(++Sleeps);
  }
};

class LayoutSwitcherTest : public ::testing::Test {
 protected:
  LayoutSwitcherTest() {
    Rig.Shared.OtherLayoutLang = Russian;
    Rig.Shared.ForegroundWnd = 77;
    Rig.Sink.Log = &Log;
    Rig.Sink.Describe = Token;
    Rig.LoopBack();  // replayed keys go through the hook, which must not log them
    Switcher.SetOptions(true, 6);
  }

  void Down(uint8_t vk, uint8_t scan) { Rig.Keyboard.KeyboardHookProc({vk, scan, 0, 0}); }
  void Up(uint8_t vk, uint8_t scan) { Rig.Keyboard.KeyboardHookProc({vk, scan, KeyReleasedFlag, 0}); }
  // Each key down, the check its logged key asks for, up. Upper-case letters are typed with
  // Left Shift held around them.
  void Type(const std::string& text, bool check = true) {
    for (char c : text) {
      const bool capital = c >= 'A' && c <= 'Z';
      auto [vk, scan] = KeyOf.at(capital ? static_cast<char>(c - 'A' + 'a') : c);
      if (capital) Down(VkLShift, ScanLShift);
      Down(vk, scan);
      if (check) RunChecks();
      Up(vk, scan);
      if (capital) Up(VkLShift, ScanLShift);
    }
  }
  // The command thread's turn: one check per action 244 waiting.
  void RunChecks() {
    for (int32_t code; (code = Rig.Shared.TakeAction()) != NoAction;)
      if (code == ActionAutoSwitchCheck) Switcher.AutoSwitchCheck();
  }
  std::string Events() {
    std::string out;
    for (const std::string& line : Log.Copy()) out += (out.empty() ? "" : " ") + line;
    Log.Lines.clear();
    return out;
  }
  std::string Logged() {
    std::string out;
    for (const TInputCharInfo& c : Rig.Typed.Copy()) out += c.VirtualCode == 32 ? ' ' : static_cast<char>(c.VirtualCode);
    return out;
  }

  THookRig Rig;
  EventLog Log;
  FakeNotes Notes{Log};
  FakeLayouts Layouts{Log};
  TLayoutSwitcher Switcher{{Rig.Shared, Rig.Typed, Rig.Keyboard.PressedKeys(), Rig.Input, Notes, Layouts}};
};

TEST(LayoutName, EnglishOrTheOtherLanguageAsEightHexDigits) {
  EXPECT_EQ(LayoutName(true, Russian), L"00000409");
  EXPECT_EQ(LayoutName(false, Russian), L"00000419");
  EXPECT_EQ(LayoutName(false, 0x40C), L"0000040C");
  EXPECT_EQ(LayoutName(false, 0x2C0C), L"00002C0C");
}

TEST(ScanTypedWindow, ACapitalAfterASmallLetterEndsTheWordAndShortWordsDoNotCount) {
  auto log = [](const std::string& text) {
    std::vector<TInputCharInfo> out;
    for (char c : text) {
      const bool capital = c >= 'A' && c <= 'Z';
      const char key = capital ? c : static_cast<char>(c == ' ' ? ' ' : c - 'a' + 'A');
      out.push_back({0, static_cast<uint8_t>(key), capital});
    }
    return out;
  };
  struct Case {
    const char* Text;
    int32_t Start;
    int Vowels, Consonants, Words;
    int32_t SecondWordStart;
    bool LongRun;
  } cases[] = {
      {"McD", 0, 0, 3, 1, 0, false},              // "Mc" is cut off by the capital and is too short
      {"McDonald", 0, 2, 6, 1, 0, false},         // the D opens the one word
      {"word more than", 0, 4, 8, 3, 5, false},   // the open third word counts
      {"ab cd efgh", 0, 2, 6, 1, 0, false},       // short words add letters, not words
      {"word more", 5, 2, 2, 1, 0, false},        // the window starts at "more"
      {"strngth", 0, 0, 7, 1, 0, true},           // seven consonants in a row
      {"bcdfg", 0, 0, 5, 1, 0, true},             // five in a row are already a long run
      {"bcdf", 0, 0, 4, 1, 0, false},
      {"abcdfgh", 0, 1, 6, 1, 0, true},           // the vowel ends no run after it
      {"aeiouy", 0, 6, 0, 1, 0, true},
      {"aeiou", 0, 5, 0, 1, 0, true},
      {"aeio", 0, 4, 0, 1, 0, false},
      {"bcdf gh", 0, 0, 6, 2, 5, false},          // a break ends the run
      {"12345", 0, 0, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    TWindowScan s = ScanTypedWindow(log(c.Text), c.Start);
    EXPECT_EQ(s.Vowels, c.Vowels) << c.Text;
    EXPECT_EQ(s.Consonants, c.Consonants) << c.Text;
    EXPECT_EQ(s.Words, c.Words) << c.Text;
    EXPECT_EQ(s.SecondWordStart, c.SecondWordStart) << c.Text;
    EXPECT_EQ(s.LongRun, c.LongRun) << c.Text;
  }
}

TEST_F(LayoutSwitcherTest, HelloIsNotDecided) {
  Type("hello");
  EXPECT_EQ(Events(), "");
  EXPECT_EQ(Logged(), "HELLO");
}

TEST_F(LayoutSwitcherTest, FiveConsonantsInUsAreErasedSwitchedAndTypedAgain) {
  Type("ghbd");
  EXPECT_EQ(Events(), "") << "four keys are not enough to judge";
  Type("t");
  EXPECT_EQ(Events(), "[load 00000419] " + Repeat("+BS -BS", 5) + " [request 04190419 for 77] " + Replay("ghbdt") +
                          " note 'Keyboard layout' level -1");
  EXPECT_TRUE(Switcher.SkipWord());
  EXPECT_EQ(Switcher.WindowStart(), 5);
  // The rest of the switched word moves the window start; the first non-letter ends it.
  Type("ab");
  EXPECT_EQ(Switcher.WindowStart(), 7);
  EXPECT_TRUE(Switcher.SkipWord());
  Type(" ");
  EXPECT_FALSE(Switcher.SkipWord());
  EXPECT_EQ(Switcher.WindowStart(), 8);
  EXPECT_EQ(Events(), "") << "nothing is judged while the word is skipped";
  EXPECT_EQ(Logged(), "GHBDTAB ") << "the replayed keys are not logged again";
}

// The command thread was busy with the switch while the user typed on: the end of the
// switched word, a break and the start of the next word come to one check. The whole switched
// word is skipped, so a later switch erases and retypes only what came after it.
TEST_F(LayoutSwitcherTest, LettersTypedDuringASwitchAreSkippedWithTheSwitchedWord) {
  struct Case {
    const char* Name;
    const char* DuringSwitch;  // logged before the next check
    const char* After;         // typed with a check per key, up to the next switch
    int32_t StartAfterBusyCheck;
    bool SkipAfterBusyCheck;
  } cases[] = {
      {"rest of the word", "ab", " without", 7, true},
      {"rest of the word and the break", "ab ", "without", 8, false},
      {"rest, break and the next word begun", "ab wi", "thout", 8, false},
  };
  for (const Case& c : cases) {
    Rig.Typed.ClearTypedChars();
    Layouts.Active = UsLayout;
    Type("ghbdt");
    ASSERT_EQ(Layouts.Active, RuLayout) << c.Name;
    Events();
    Type(c.DuringSwitch, false);
    RunChecks();
    EXPECT_EQ(Switcher.WindowStart(), c.StartAfterBusyCheck) << c.Name;
    EXPECT_EQ(Switcher.SkipWord(), c.SkipAfterBusyCheck) << c.Name;
    Type(c.After);
    EXPECT_EQ(Events(), "[load 00000409] " + Repeat("+BS -BS", 7) + " [request 04090409 for 77] " + Replay("without") +
                            " note 'Keyboard layout' level -1")
        << c.Name;
  }
}

TEST_F(LayoutSwitcherTest, EnglishLettersInTheOtherLayoutGoBackToUs) {
  Layouts.Active = RuLayout;
  Type("world");
  EXPECT_EQ(Events(), "[load 00000409] " + Repeat("+BS -BS", 5) + " [request 04090409 for 77] " + Replay("world") +
                          " note 'Keyboard layout' level -1");
}

// The layout is the high half of the input locale; the low half is the input language, which
// may differ from it (a Russian keyboard with English input, and the other way round).
TEST_F(LayoutSwitcherTest, TheLayoutIsReadFromTheHighHalfOfTheHandle) {
  struct Case {
    const char* Name;
    uint64_t Active;
    const char* Typed;
    const char* Requested;
  } cases[] = {
      {"Russian layout, English language", 0x04190409, "world", "00000409"},
      {"US layout, Russian language", 0x04090419, "ghbdt", "00000419"},
      {"US layout in a 64-bit handle", 0xFFFFFFFF04090419ull, "ghbdt", "00000419"},
  };
  for (const Case& c : cases) {
    Rig.Typed.ClearTypedChars();
    Layouts.Active = c.Active;
    Type(c.Typed);
    EXPECT_EQ(Events(), std::string("[load ") + c.Requested + "] " + Repeat("+BS -BS", 5) + " [request " +
                            (std::string(c.Requested) == "00000409" ? "04090409" : "04190419") + " for 77] " +
                            Replay(c.Typed) + " note 'Keyboard layout' level -1")
        << c.Name;
  }
}

TEST_F(LayoutSwitcherTest, FiveDigitsHaveNoVowelAndSwitch) {
  Type("12345");
  EXPECT_EQ(Events(), "[load 00000419] " + Repeat("+BS -BS", 5) + " [request 04190419 for 77] " + Replay("12345") +
                          " note 'Keyboard layout' level -1");
}

TEST_F(LayoutSwitcherTest, SensitivitySetsHowManyKeysAreNeeded) {
  Switcher.SetOptions(true, 8);  // N = 2: three keys are enough
  Type("gh");
  EXPECT_EQ(Events(), "");
  Type("b");
  EXPECT_NE(Events(), "");
}

TEST_F(LayoutSwitcherTest, TheReplayedCaseFollowsTheKeysHeldAtTheSwitch) {
  struct Case {
    const char* Name;
    bool FirstShift, FirstCaps;  // when the first letter was typed
    bool Shift, Caps;            // while the rest is typed and at the switch
    std::string Around;          // what the replay puts around the first letter ("%" = the letter)
  } cases[] = {
      {"capital with Shift, Shift released, no Caps Lock", true, false, false, false, "+LShift % -LShift"},
      {"small, then Shift held", false, false, true, false, "+Caps -Caps % +Caps -Caps"},
      {"capital with Shift, then Shift and Caps Lock", true, false, true, true, "+Caps -Caps % +Caps -Caps"},
      {"capital by Caps Lock, Caps Lock now off", false, true, false, false, "+LShift % -LShift"},
      {"small, Caps Lock now on", false, false, false, true, "+LShift % -LShift"},
      {"capital with Shift held throughout", true, false, true, false, "%"},
      {"capital by Caps Lock throughout", false, true, false, true, "%"},
      {"small throughout", false, false, false, false, "%"},
  };
  for (const Case& c : cases) {
    Rig.Typed.ClearTypedChars();
    Rig.Shared.CapsLockOn = c.FirstCaps;
    if (c.FirstShift) Down(VkLShift, ScanLShift);
    Type("g");
    if (c.FirstShift) Up(VkLShift, ScanLShift);
    Rig.Shared.CapsLockOn = c.Caps;
    if (c.Shift) Down(VkLShift, ScanLShift);
    Events();
    Type("hbdt");
    if (c.Shift) Up(VkLShift, ScanLShift);
    std::string around = c.Around;
    around.replace(around.find('%'), 1, "+G -G");
    EXPECT_EQ(Events(), "[load 00000419] " + Repeat("+BS -BS", 5) + " [request 04190419 for 77] " + around + " " +
                            Replay("hbdt") + " note 'Keyboard layout' level -1")
        << c.Name;
    Layouts.Active = UsLayout;
  }
}

TEST_F(LayoutSwitcherTest, EachKeyKeepsItsOwnCaseWhenSeveralAreLoggedBeforeACheck) {
  // A fast typist: five keys logged within one poll, one check after them.
  Type("Hello", false);
  std::vector<TInputCharInfo> log = Rig.Typed.Copy();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_TRUE(log[0].InUpperRegister);
  for (size_t i = 1; i < log.size(); ++i) EXPECT_FALSE(log[i].InUpperRegister) << i;
  Switcher.Retype();
  EXPECT_EQ(Events(), "[load 00000419] " + Repeat("+BS -BS", 5) + " [request 04190419 for 77] +LShift +H -H -LShift " +
                          Replay("ello") + " note 'Retyped' level -1");
}

TEST_F(LayoutSwitcherTest, SwitchedOffItNeverSwitchesButStillTrimsTheLog) {
  Switcher.SetOptions(false, 6);
  Type("abcd efgh i");
  EXPECT_EQ(Events(), "");
  EXPECT_EQ(Logged(), "EFGH I") << "the third word drops the first and its separator";
  Type("jklmnopq");
  EXPECT_EQ(Events(), "");
}

TEST_F(LayoutSwitcherTest, TheThirdWordDropsTheFirstAndTheWindowSlides) {
  Type("word more t");
  EXPECT_EQ(Events(), "");
  EXPECT_EQ(Logged(), "MORE T");
  Type("han");
  EXPECT_EQ(Events(), "");
  EXPECT_EQ(Logged(), "MORE THAN");
  Type(" zzzzzz");
  EXPECT_NE(Events(), "") << "the window still judges the words after the trim";
}

TEST_F(LayoutSwitcherTest, ALogEmptiedAndRefilledDuringACheckIsNotTrimmed) {
  Type("word more ");
  // The check of the next key asks for the layout between its snapshot and its trim: the
  // hooks empty the log then (a click, a window change) and the user types on.
  Layouts.OnThreadLayout = [&] {
    Layouts.OnThreadLayout = nullptr;
    Rig.Typed.ClearTypedChars();
    for (char c : std::string("abcdefg")) Rig.Typed.Append({0, static_cast<uint8_t>(c - 'a' + 'A'), false});
  };
  Type("t");
  EXPECT_EQ(Logged(), "ABCDEFG") << "entries that were not judged are kept";
  EXPECT_EQ(Events(), "");
  // The next check starts a new window over the new log instead of an old start.
  Type("h");
  EXPECT_EQ(Switcher.WindowStart(), 0);
}

TEST_F(LayoutSwitcherTest, NoLayoutToLoadMeansNothingIsErased) {
  Layouts.Loadable = false;
  Type("ghbdt");
  EXPECT_EQ(Events(), "[load 00000419]");
  EXPECT_EQ(Logged(), "GHBDT");
  Switcher.Retype();
  EXPECT_EQ(Events(), "[load 00000419] note 'Can not retype' level -1");
}

TEST_F(LayoutSwitcherTest, RetypeErasesTheLogAndTypesItInTheOtherLayoutThenFindsNothing) {
  Switcher.SetOptions(false, 6);
  Type("ghbd ");
  Events();
  Switcher.Retype();
  EXPECT_EQ(Events(), "[load 00000419] " + Repeat("+BS -BS", 5) + " [request 04190419 for 77] " + Replay("ghbd ") +
                          " note 'Retyped' level -1");
  EXPECT_EQ(Logged(), "");
  Switcher.Retype();
  EXPECT_EQ(Events(), "note 'Can not retype' level -1");
}

TEST_F(LayoutSwitcherTest, RetypeAfterASwitchUndoesItWithTheWholeLog) {
  Type("ab ");
  Type("ghbdt");
  Events();
  ASSERT_EQ(Layouts.Active, RuLayout);
  Type("a");
  Switcher.Retype();
  EXPECT_EQ(Events(), "[load 00000409] " + Repeat("+BS -BS", 9) + " [request 04090409 for 77] " + Replay("ab ghbdta") +
                          " note 'Retyped' level -1");
}

TEST_F(LayoutSwitcherTest, RetypeCaseRulesAgainstCapsLockNow) {
  struct Case {
    const char* Name;
    bool Shift, CapsWhenTyped, CapsNow;
    std::string Expected;
  } cases[] = {
      {"capital with Shift, Caps Lock off", true, false, false, "+LShift +G -G -LShift"},
      {"small with Shift under Caps Lock", true, true, true, "+LShift +G -G -LShift"},
      {"capital by Caps Lock alone", false, true, true, "+G -G"},
      {"capital by Caps Lock, since switched off", false, true, false, "+LShift +G -G -LShift"},
      {"small", false, false, false, "+G -G"},
  };
  for (const Case& c : cases) {
    Rig.Shared.CapsLockOn = c.CapsWhenTyped;
    if (c.Shift) Down(VkLShift, ScanLShift);
    Type("g", false);
    if (c.Shift) Up(VkLShift, ScanLShift);
    Rig.Shared.CapsLockOn = c.CapsNow;
    Switcher.Retype();
    EXPECT_EQ(Events(), "[load 00000419] +BS -BS [request 04190419 for 77] " + c.Expected + " note 'Retyped' level -1")
        << c.Name;
    Layouts.Active = UsLayout;
  }
}

TEST_F(LayoutSwitcherTest, RetypeWaitsForTheChordToBeReleasedButNotLongerThanASecond) {
  Type("ghbd", false);
  Down(VkLCtrl, ScanLCtrl);  // the chord that fired the command
  Layouts.OnSleep = [&](int n) {
    if (n == 3) Up(VkLCtrl, ScanLCtrl);
  };
  Switcher.Retype();
  EXPECT_EQ(Events(), "[sleep 50] [sleep 50] [sleep 50] [load 00000419] " + Repeat("+BS -BS", 4) + " [request 04190419 for 77] " + Replay("ghbd") + " note 'Retyped' level -1");

  Type("ghbd", false);
  Layouts.Sleeps = 0;
  Layouts.OnSleep = nullptr;
  Down(VkLCtrl, ScanLCtrl);
  Switcher.Retype();
  EXPECT_EQ(Events(), Repeat("[sleep 50]", 20) + " note 'Release the keys' level -1");
  EXPECT_EQ(Logged(), "") << "the log stays emptied";
}

TEST_F(LayoutSwitcherTest, WithoutAnotherLayoutRetypeDoesNothing) {
  Type("ghbd", false);
  Rig.Shared.OtherLayoutLang = 0;
  Switcher.Retype();
  EXPECT_EQ(Events(), "");
}

TEST(PressedKeysPublished, CountAndShiftAreReadableWithoutTheHooksThread) {
  TPressedKeys keys;
  EXPECT_EQ(keys.HeldCount(), 0);
  EXPECT_FALSE(keys.ShiftHeld());
  keys.Append({KeyName(30, 'A'), 'A', 30, false});
  EXPECT_EQ(keys.HeldCount(), 1);
  EXPECT_FALSE(keys.ShiftHeld());
  keys.Append({KeyName(54, 0xA1), 0xA1, 54, false});
  EXPECT_EQ(keys.HeldCount(), 2);
  EXPECT_TRUE(keys.ShiftHeld()) << "Right Shift";
  keys.Remove(KeyName(54, 0xA1));
  EXPECT_FALSE(keys.ShiftHeld());
  keys.Append({KeyName(42, 0xA0), 0xA0, 42, false});
  EXPECT_TRUE(keys.ShiftHeld()) << "Left Shift";
  keys.Clear();
  EXPECT_EQ(keys.HeldCount(), 0);
  EXPECT_FALSE(keys.ShiftHeld());
}

}  // namespace
}  // namespace pelorin
