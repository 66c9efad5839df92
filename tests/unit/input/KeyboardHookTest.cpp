#include "input/KeyboardHook.h"
#include "input/InputCatalogue.h"

#include <gtest/gtest.h>

#include <vector>

#include "HookRig.h"

namespace pelorin {
namespace {

struct Key {
  uint32_t Vk, Scan;
};
constexpr Key LCtrl{162, 29}, LAlt{164, 56}, LShift{160, 42}, KeyT{'T', 20}, KeyC{'C', 46}, KeyA{'A', 30},
    Esc{27, 1}, F1{112, 59}, Caps{20, 58}, Backspace{8, 14}, Enter{13, 28}, ArrowUp{38, 72};

class KeyboardHookTest : public ::testing::Test, protected THookRig {
 protected:
  KeyboardHookTest() {
    Editor.PageActive = true;
    Editor.Selection = 0;
    Editor.FormActive = true;
  }
  HookVerdict Down(Key k, uint32_t time = 1000) { return Keyboard.KeyboardHookProc({k.Vk, k.Scan, 0, time}); }
  HookVerdict Up(Key k, uint32_t time = 1000) { return Keyboard.KeyboardHookProc({k.Vk, k.Scan, KeyReleasedFlag, time}); }
  void BindChord(std::wstring_view command, std::wstring_view chord, int state = StateChord) {
    ASSERT_TRUE(Table.AddRow(command, std::nullopt, chord, state));
  }
  void ReleaseAll(std::initializer_list<Key> keys) {
    for (Key k : keys) Up(k);
  }
};

TEST_F(KeyboardHookTest, ChordFiresInAnyPressOrderButNotWithAnExtraKey) {
  BindChord(L"Volume Up", L"Left Ctrl + Left Alt + T");
  struct Case { std::vector<Key> Keys; bool Fires; };
  const std::vector<Case> cases = {
      {{LCtrl, LAlt, KeyT}, true},
      {{LAlt, LCtrl, KeyT}, true},
      {{KeyT, LAlt, LCtrl}, true},
      {{LShift, LCtrl, LAlt, KeyT}, false},
      {{LCtrl, KeyT}, false},
  };
  for (const Case& c : cases) {
    HookVerdict last = HookVerdict::Pass;
    for (Key k : c.Keys) last = Down(k);
    EXPECT_EQ(Shared.TakeAction() == 1, c.Fires) << "case with " << c.Keys.size() << " keys";
    EXPECT_EQ(last, c.Fires ? HookVerdict::Eat : HookVerdict::Pass);
    for (Key k : c.Keys) Up(k);
    EXPECT_EQ(Keyboard.PressedKeys().Count(), 0);
  }
}

// Two rows holding the same keys written in another order: both match, and the upper row
// wins whatever order the keys are pressed in.
TEST_F(KeyboardHookTest, OfTwoRowsWithTheSameKeysTheUpperOneFires) {
  BindChord(L"Volume Up", L"Left Ctrl + Left Alt + T");
  BindChord(L"Volume Down", L"Left Alt + Left Ctrl + T");
  for (const std::vector<Key>& keys : {std::vector<Key>{LCtrl, LAlt, KeyT}, std::vector<Key>{LAlt, LCtrl, KeyT}}) {
    for (Key k : keys) Down(k);
    EXPECT_EQ(Shared.TakeAction(), 1);
    EXPECT_EQ(Shared.TakeAction(), NoAction);
    for (Key k : keys) Up(k);
  }
}

// The table keeps what a key press compares with each row; every kind of edit must keep it.
TEST_F(KeyboardHookTest, AnEditedMovedOrRemovedRowMatchesByItsNewTextOnly) {
  BindChord(L"Volume Up", L"Left Ctrl + T");
  BindChord(L"Volume Down", L"Left Ctrl + C");
  auto fired = [&](Key k) {
    Down(LCtrl);
    Down(k);
    int action = Shared.TakeAction();
    ReleaseAll({k, LCtrl});
    return action;
  };
  Table.SetCell(1, 1, L"Left Ctrl + A");
  EXPECT_EQ(fired(KeyT), NoAction) << "the old text still matched";
  EXPECT_EQ(fired(KeyA), 1);
  Table.MoveRow(2, 1);
  EXPECT_EQ(fired(KeyC), 1);
  EXPECT_EQ(fired(KeyA), 2);
  Table.RemoveRow(1);
  EXPECT_EQ(fired(KeyC), NoAction);
  EXPECT_EQ(fired(KeyA), 1);
  Table.RemoveRow(1);  // the last row: the table is empty again
  EXPECT_EQ(fired(KeyA), NoAction);
  Table.Clear();
  BindChord(L"Volume Up", L"Left Ctrl + T");
  EXPECT_EQ(fired(KeyT), 1);
}

TEST_F(KeyboardHookTest, OnlyTheCompletingKeyOfABoundChordIsSwallowedDownAndUp) {
  BindChord(L"Volume Up", L"Left Ctrl + T");
  EXPECT_EQ(Down(LCtrl), HookVerdict::Pass);
  EXPECT_EQ(Down(KeyT), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Down(KeyT), HookVerdict::Eat) << "the system's key repeat fires again";
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 2) << "a repeat is not listed twice";
  EXPECT_EQ(Up(KeyT), HookVerdict::Eat);
  EXPECT_EQ(Up(LCtrl), HookVerdict::Pass);
  EXPECT_EQ(Down(KeyC), HookVerdict::Pass) << "an unbound key";
  EXPECT_EQ(Up(KeyC), HookVerdict::Pass);
  EXPECT_EQ(Shared.TakeAction(), NoAction);
}

// The key of a held chord repeats: while its row still waits for the command thread the
// repeats add nothing; a second press after a release is an action of its own.
TEST_F(KeyboardHookTest, RepeatsOfAHeldChordAreOneWaitingActionEachPressIsItsOwn) {
  BindChord(L"Volume Up", L"Left Ctrl + T");
  BindChord(CommandCatalogue[cmdDisablePelorin], L"Left Ctrl + C");
  Down(LCtrl);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Down(KeyT), HookVerdict::Eat) << i;
  Up(KeyT);
  EXPECT_EQ(Down(KeyT), HookVerdict::Eat);
  Up(KeyT);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Down(KeyC), HookVerdict::Eat) << i;
  ReleaseAll({KeyC, LCtrl});
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Shared.TakeAction(), 1) << "the second press";
  EXPECT_EQ(Shared.TakeAction(), ActionTogglePelorin);
  EXPECT_EQ(Shared.TakeAction(), NoAction) << "a held switch chord toggles once";
}

TEST_F(KeyboardHookTest, MouseRowsAndDisablePelorinChords) {
  ASSERT_TRUE(Table.AddRow(L"Sleep", std::nullopt, L"T", StateMouse));  // not a chord row
  BindChord(CommandCatalogue[cmdDisablePelorin], L"Left Alt + T");
  EXPECT_EQ(Down(KeyT), HookVerdict::Pass);
  Up(KeyT);
  Down(LAlt);
  EXPECT_EQ(Down(KeyT), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), ActionTogglePelorin);
}

TEST_F(KeyboardHookTest, CheckedChordIsIgnoredWhileCheckedInputsAreOffAndItsKeyIsLogged) {
  Shared.OtherLayoutLang = 0x419;
  BindChord(L"Volume Up", L"A", StateChordChecked);
  Shared.CheckedInputsEnabled = false;
  EXPECT_EQ(Down(KeyA), HookVerdict::Pass);
  EXPECT_EQ(Shared.TakeAction(), ActionAutoSwitchCheck);
  EXPECT_EQ(Typed.Copy(), (std::vector<TInputCharInfo>{{30, 'A', false}}));
  EXPECT_EQ(Up(KeyA), HookVerdict::Pass);
  Shared.CheckedInputsEnabled = true;
  EXPECT_EQ(Down(KeyA), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Typed.Copy().size(), 1u) << "a fired key is not logged";
}

TEST_F(KeyboardHookTest, ChordIsCapturedIntoTheFocusedEditorComboAndNeverReachesAnything) {
  BindChord(L"Volume Up", L"Left Ctrl + C");
  Shared.MainWindowActive = true;
  Editor.Focused = ChoiceCombo::Input;
  EXPECT_EQ(Down(LCtrl), HookVerdict::Eat);
  EXPECT_EQ(Down(KeyC), HookVerdict::Eat);
  EXPECT_EQ(Editor.Shown, (std::vector<std::wstring>{L"Left Ctrl", L"Left Ctrl + C"}));
  EXPECT_EQ(Shared.TakeAction(), NoAction) << "the bound chord does not fire while captured";
  EXPECT_FALSE(Keyboard.CapturedChord()) << "only the command combo records keys";
  EXPECT_EQ(Up(KeyC), HookVerdict::Eat);
  EXPECT_EQ(Up(LCtrl), HookVerdict::Eat);

  Editor.Focused = ChoiceCombo::Command;
  Down(LCtrl);
  Down(KeyA);
  ASSERT_TRUE(Keyboard.CapturedChord());
  const uint8_t vks[] = {162, 'A'}, scans[] = {29, 30};
  EXPECT_EQ(*Keyboard.CapturedChord(), *TKeyChordRecord::FromKeys(vks, scans));
  ReleaseAll({KeyA, LCtrl});
}

TEST_F(KeyboardHookTest, CaptureNeedsItemZeroTheFirstPageAndTheActiveMainWindow) {
  BindChord(L"Volume Up", L"Left Ctrl + C");
  struct Case { bool Active; bool Page; ChoiceCombo Focus; int Selection; };
  const std::vector<Case> cases = {
      {false, true, ChoiceCombo::Input, 0},
      {true, false, ChoiceCombo::Input, 0},
      {true, true, ChoiceCombo::None, 0},
      {true, true, ChoiceCombo::Input, 3},
  };
  for (const Case& c : cases) {
    Shared.MainWindowActive = c.Active;
    Editor.PageActive = c.Page;
    Editor.Focused = c.Focus;
    Editor.Selection = c.Selection;
    Editor.Shown.clear();
    EXPECT_EQ(Down(LCtrl), HookVerdict::Pass);
    EXPECT_EQ(Down(KeyC), HookVerdict::Eat) << "the bound chord fires instead";
    EXPECT_EQ(Shared.TakeAction(), 1);
    EXPECT_TRUE(Editor.Shown.empty());
    ReleaseAll({KeyC, LCtrl});
  }
}

TEST_F(KeyboardHookTest, EscAndF1InTheActiveMainWindow) {
  Shared.TrackedClicking = true;
  EXPECT_EQ(Down(Esc), HookVerdict::Pass) << "main window not active";
  EXPECT_FALSE(Shared.TrackedClicking) << "Esc stops tracked clicking anywhere";
  Up(Esc);
  EXPECT_EQ(Shared.TakeAction(), NoAction);

  Shared.MainWindowActive = true;
  Editor.PageActive = false;
  EXPECT_EQ(Down(Esc), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), ActionMinimize);
  EXPECT_EQ(Up(Esc), HookVerdict::Pass) << "the release is not marked";
  EXPECT_EQ(Down(F1), HookVerdict::Eat);
  EXPECT_EQ(Shared.TakeAction(), ActionShowHelp);
  Up(F1);

  Editor.FormActive = false;  // a dialog of Pelorin is the active form
  EXPECT_EQ(Down(F1), HookVerdict::Pass);
  EXPECT_EQ(Shared.TakeAction(), NoAction);
}

TEST_F(KeyboardHookTest, ReleasingAWordBreakingKeyClearsTheLog) {
  struct Case { Key K; bool Clears; };
  const std::vector<Case> cases = {{Backspace, true}, {Enter, true}, {ArrowUp, true}, {LCtrl, true},
                                   {KeyA, false},     {LShift, false}, {Caps, false}, {{32, 57}, false}};
  for (int layout : {0x419, 0}) {
    Shared.OtherLayoutLang = layout;
    for (const Case& c : cases) {
      Typed.Append({30, 'A', false});
      Down(c.K);
      Up(c.K);
      bool cleared = Typed.Copy().empty() || Typed.Copy().front().ScanCode != 30;
      EXPECT_EQ(cleared, c.Clears && layout != 0) << "scan " << c.K.Scan << " layout " << layout;
      Typed.ClearTypedChars();
    }
  }
}

TEST_F(KeyboardHookTest, TypingKeysAreLoggedOnlyWhenSwitchingCanHappen) {
  struct Case { bool Enabled; bool Allowed; int Layout; bool Logged; };
  for (Case c : std::vector<Case>{{true, true, 0x419, true}, {false, true, 0x419, false},
                                   {true, false, 0x419, false}, {true, true, 0, false}}) {
    Shared.AppEnabled = c.Enabled;
    Shared.AutoSwitchAllowed = c.Allowed;
    Shared.OtherLayoutLang = c.Layout;
    Typed.ClearTypedChars();
    Down(KeyT);
    Down(LShift);  // a word-keeping key is never logged
    EXPECT_EQ(Typed.Copy().size(), c.Logged ? 1u : 0u);
    EXPECT_EQ(Shared.TakeAction(), c.Logged ? ActionAutoSwitchCheck : NoAction);
    ReleaseAll({LShift, KeyT});
  }
}

TEST_F(KeyboardHookTest, ReleaseResetsTheVolumeStepAndReadsCapsLock) {
  Shared.VolumeStep = 7;
  Editor.Caps = true;
  Down(KeyA);
  EXPECT_EQ(Shared.VolumeStep, 7);
  Up(KeyA);
  EXPECT_EQ(Shared.VolumeStep, 1);
  EXPECT_FALSE(Shared.CapsLockOn) << "only a Caps Lock release reads the state";
  Down(Caps);
  Up(Caps);
  EXPECT_TRUE(Shared.CapsLockOn);
}

TEST_F(KeyboardHookTest, ProbeKeyIsAlwaysSwallowedAndNeverLogged) {
  Shared.OtherLayoutLang = 0x419;
  Shared.KeyboardProbe = ProbeSent;
  Shared.KbdIdleTicks = 5;
  for (uint32_t time : {0u, OwnInputMark}) {
    for (uint32_t flags : {KeyReleasedFlag, 0u})
      EXPECT_EQ(Keyboard.KeyboardHookProc({255, 255, flags, time}), HookVerdict::Eat);
  }
  EXPECT_EQ(Shared.KeyboardProbe, ProbeAnswered);
  EXPECT_EQ(Shared.KbdIdleTicks, 5);
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 0);
  EXPECT_TRUE(Typed.Copy().empty());
}

TEST_F(KeyboardHookTest, OwnInputChangesNoState) {
  BindChord(L"Volume Up", L"A");
  Shared.OtherLayoutLang = 0x419;
  Shared.KbdIdleTicks = 5;
  Shared.VolumeStep = 4;
  Typed.Append({16, 'Q', false});
  for (uint32_t flags : {0u, KeyReleasedFlag}) {
    for (Key k : {KeyA, Enter, Esc}) EXPECT_EQ(Keyboard.KeyboardHookProc({k.Vk, k.Scan, flags, OwnInputMark}), HookVerdict::Pass);
  }
  EXPECT_EQ(Shared.TakeAction(), NoAction);
  EXPECT_EQ(Shared.KbdIdleTicks, 5);
  EXPECT_EQ(Shared.VolumeStep, 4);
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 0);
  EXPECT_EQ(Typed.Copy().size(), 1u);
}

TEST_F(KeyboardHookTest, SeventeenthKeyPassesFiresNothingAndLeavesTheListIntact) {
  std::wstring sixteen;
  std::vector<Key> keys;
  for (uint32_t scan = 59; scan <= 68; ++scan) keys.push_back({scan + 53, scan});  // F1..F10
  for (uint32_t scan = 71; scan <= 76; ++scan) keys.push_back({scan, scan});       // Home..Numeric 5
  for (Key k : keys) sixteen += (sixteen.empty() ? L"" : L" + ") + KeyName(k.Scan, k.Vk).Wide();
  BindChord(L"Volume Up", sixteen);
  for (size_t i = 0; i + 1 < keys.size(); ++i) EXPECT_EQ(Down(keys[i]), HookVerdict::Pass);
  EXPECT_EQ(Down(keys.back()), HookVerdict::Eat) << "all 16 keys of the chord";
  EXPECT_EQ(Shared.TakeAction(), 1);
  EXPECT_EQ(Down(KeyA), HookVerdict::Pass) << "no room for a 17th";
  EXPECT_EQ(Shared.TakeAction(), NoAction);
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 16);
  EXPECT_EQ(Keyboard.PressedKeys()[15].Name.View(), "Numeric 5");
  EXPECT_EQ(Up(KeyA), HookVerdict::Pass);
  EXPECT_EQ(Up(keys.back()), HookVerdict::Eat);
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 15);
  EXPECT_EQ(Down(KeyA), HookVerdict::Pass);
  EXPECT_EQ(Keyboard.PressedKeys()[15].Name.View(), "A");
}

TEST(PressedKeys, RemoveTakesEveryEntryOfTheNameAndReportsTheFirstFlag) {
  TPressedKeys keys;
  keys.Append({TKeyName("A"), 'A', 30, true});
  keys.Append({TKeyName("B"), 'B', 48, false});
  keys.Append({TKeyName("A"), 'A', 30, false});
  EXPECT_EQ(keys.Remove(TKeyName("A")), std::optional<bool>(true));
  EXPECT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys[0].Name.View(), "B");
  EXPECT_EQ(keys.Remove(TKeyName("C")), std::nullopt);
  EXPECT_EQ(keys.ChordText(), L"B");
}

}  // namespace
}  // namespace pelorin
