#include "tracked/TrackedCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "CoreFakes.h"
#include "FakeAccessible.h"
#include "HookRig.h"
#include "tracked/TrackedPicker.h"

namespace pelorin {
namespace {

using test::FakeAccessibleObject;
using test::FakeAccNode;
using test::FakeNodePtr;
using test::Node;

// Texts here are ASCII, so the identity is the code page.
struct AsciiCodePage : AnsiCodePagePort {
  std::string ToAnsi(std::wstring_view t) const override { return Narrow(t); }
  std::wstring FromAnsi(std::string_view b) const override { return std::wstring(b.begin(), b.end()); }
};

// Windows by handle; a window's descendants are listed in the order the system enumerates them.
struct FakeWindows : TrackedWindowsPort {
  struct Window {
    std::string Text;
    std::string Class = "Static";
    bool Visible = true;
    TRect Rect;
    std::vector<TWindowHandle> Descendants;
  };
  std::map<TWindowHandle, Window> Windows;
  EventLog& Log;
  explicit FakeWindows(EventLog& log) : Log(log) {}

  int TextReads = 0;
  std::string WindowText(TWindowHandle w) override {
    ++TextReads;
    return Windows.count(w) ? Windows[w].Text : "";
  }
  std::optional<TRect> WindowRect(TWindowHandle w) override {
    if (!Windows.count(w)) return std::nullopt;
    return Windows[w].Rect;
  }
  bool IsVisible(TWindowHandle w) override { return Windows.count(w) && Windows[w].Visible; }
  std::string ClassName(TWindowHandle w) override { return Windows.count(w) ? Windows[w].Class : ""; }
  void EnumChildren(TWindowHandle w, const std::function<bool(TWindowHandle)>& visit) override {
    if (!Windows.count(w)) return;
    for (TWindowHandle child : Windows[w].Descendants)
      if (!visit(child)) return;
  }
  void PressButton(TWindowHandle button) override { Log.Add("press window " + std::to_string(button)); }

  // What is in front; the test decides, by default whatever the check examines.
  std::function<TWindowHandle()> Front;
  TWindowHandle ForegroundWindow() override { return Front(); }
  // Top-level windows from the front backwards: a point reaches the first that holds it.
  std::vector<TWindowHandle> ZOrder;
  TWindowHandle TopLevelAt(TPoint p) override {
    for (TWindowHandle w : ZOrder) {
      const TRect& r = Windows[w].Rect;
      if (p.X >= r.Left && p.X < r.Left + r.Width && p.Y >= r.Top && p.Y < r.Top + r.Height) return w;
    }
    return 0;
  }
  std::vector<TWindowHandle> Own;  // Pelorin's windows
  bool IsOwnWindow(TWindowHandle w) override { return std::find(Own.begin(), Own.end(), w) != Own.end(); }
};

// The accessibility tree of each window; objects log their default action.
struct FakeAccessibility : AccessibilityPort {
  std::map<TWindowHandle, FakeNodePtr> Roots;
  std::unique_ptr<AccessibleObject> FromWindow(TWindowHandle w) override {
    auto it = Roots.find(w);
    if (it == Roots.end()) return nullptr;
    return std::make_unique<FakeAccessibleObject>(it->second);
  }
};

constexpr TWindowHandle Box = 100;

TTrackedWindowRow ButtonRow(std::wstring title, std::wstring inner, std::wstring button) {
  return {std::move(title), std::move(inner), std::move(button), 5, false, true};
}
TTrackedWindowRow OffsetRow(std::wstring title, std::wstring inner, std::wstring offset) {
  return {std::move(title), std::move(inner), std::move(offset), 5, false, false};
}

class TrackedCheckTest : public ::testing::Test, protected THookRig {
 protected:
  TrackedCheckTest() {
    Shared.ScreenWidth = 1280;
    Shared.ScreenHeight = 1024;
    Shared.TrackCandidate = Box;
    // A message box: its text as a static control, and three push buttons.
    Win.Windows[Box] = {"Delete File", "#32770", true, {500, 300, 400, 150}, {101, 102, 103, 104}};
    Win.Windows[101] = {"The file &a.txt is a system file.", "Static", true, {520, 320, 300, 40}, {}};
    Win.Windows[102] = {"&Yes", "Button", true, {600, 400, 80, 24}, {}};
    Win.Windows[103] = {"&No", "Button", true, {690, 400, 80, 24}, {}};
    Win.Windows[104] = {"", "Edit", true, {520, 370, 80, 20}, {}};
    Win.ZOrder = {Box};
    Win.Front = [this] { return Shared.TrackCandidate.load(); };
  }

  std::vector<std::string> Run(const std::vector<TTrackedWindowRow>& rows) {
    Log.Lines.clear();
    Sink.Calls.clear();
    Check.CheckTrackedWindows(rows);
    EXPECT_EQ(FakeAccessibleObject::Live, 0) << "an accessible object was kept after the check";
    return Log.Lines;
  }

  // A window that draws its own buttons: no child windows, the texts only as accessible objects.
  FakeNodePtr DrawnButtons(TWindowHandle window, FakeNodePtr no) {
    Win.Windows[window] = {"Custom", "CustomBox", true, {10, 10, 300, 100}, {}};
    FakeNodePtr root = Node(L"Custom", {{Node(L"Really replace it?")}, {Node(L"Yes")}, {no}});
    Acc.Roots[window] = root;
    Shared.TrackCandidate = window;
    return root;
  }

  EventLog Log;
  FakeWindows Win{Log};
  FakeAccessibility Acc;
  AsciiCodePage Code;
  FakeNotes Notes{Log};
  TTrackedCheck Check{{Shared, Win, Acc, Code, Input, Mouse, Notes}};
};

using Lines = std::vector<std::string>;

TEST_F(TrackedCheckTest, InnerTextAndButtonAsChildWindowsPressTheButtonWindow) {
  const Lines pressNo{"press window 103", "note 'Delete [*]' level -1"};
  EXPECT_EQ(Run({ButtonRow(L"Delete [*]", L"The file [*] is a system file.", L"No")}), pressNo);
  EXPECT_TRUE(Shared.TrackedClicking);
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"N[*]")}), (Lines{"press window 103", "note 'Delete File' level -1"}));

  // Anything not found, a title that does not match: no press, no note, and the flag cleared.
  for (const auto& row : {ButtonRow(L"Delete [*]", L"Another text", L"No"), ButtonRow(L"Delete [*]", L"", L"Maybe"),
                          ButtonRow(L"delete [*]", L"", L"No"), ButtonRow(L"Delete", L"", L"No")}) {
    EXPECT_EQ(Run({row}), Lines{}) << Narrow(row.Title) << " / " << Narrow(row.InnerText);
    EXPECT_FALSE(Shared.TrackedClicking);
  }
}

TEST_F(TrackedCheckTest, TwoRowsForOneWindowClickInTableOrderAndDisabledRowsAreSkipped) {
  std::vector<TTrackedWindowRow> rows{ButtonRow(L"Delete File", L"", L"No"), ButtonRow(L"Delete File", L"", L"Yes")};
  EXPECT_EQ(Run(rows), (Lines{"press window 103", "note 'Delete File' level -1", "press window 102",
                              "note 'Delete File' level -1"}));
  rows[0].State = 0;
  EXPECT_EQ(Run(rows), (Lines{"press window 102", "note 'Delete File' level -1"}));
  rows[1].State = 0;
  EXPECT_EQ(Run(rows), Lines{});
  rows[0].State = 5;
  EXPECT_EQ(Run(rows), (Lines{"press window 103", "note 'Delete File' level -1"}));
  rows[0].State = 1;  // any value but 0 is tracked
  EXPECT_EQ(Run(rows), (Lines{"press window 103", "note 'Delete File' level -1"}));
}

TEST_F(TrackedCheckTest, InnerTextEqualToTheButtonTextIsNotSearchedSeparately) {
  // Were "no" searched as the inner text, the No button would be used up by it and never pressed.
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"no", L"No")}), (Lines{"press window 103", "note 'Delete File' level -1"}));
  // A child that matches the inner text is not also taken as the button.
  Win.Windows[Box].Descendants = {103};
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"N[*]", L"[*]o")}), Lines{});
}

TEST_F(TrackedCheckTest, SizeRowsMatchOnTheRectangleAloneWithoutWildcards) {
  struct Case {
    const wchar_t* Size;
    bool Match;
  } cases[] = {{L"400x150", true}, {L"400X150", true}, {L"[*]x150", false}, {L"401x150", false}, {L"400x15", false},
               {L"", false}};
  for (const Case& c : cases) {
    TTrackedWindowRow row = ButtonRow(L"Delete File", c.Size, L"Yes");
    row.WinSize = true;
    const Lines expected = c.Match ? Lines{"press window 102", "note 'Delete File' level -1"} : Lines{};
    EXPECT_EQ(Run({row}), expected) << Narrow(c.Size);
  }
}

TEST_F(TrackedCheckTest, ClassNameIsComparedOnlyWhileAnInnerTextIsPending) {
  // The empty Edit child: as "ClassName: Edit" for an inner text...
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"ClassName: Edit", L"Yes")}),
            (Lines{"press window 102", "note 'Delete File' level -1"}));
  // ...but never as a button text once no inner text is pending.
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"ClassName: Edit")}), Lines{});
  // The inner text is found first (the static control), then the empty child is an empty text.
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"The file a.txt[*]", L"ClassName: Edit")}), Lines{});
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"The file a.txt[*]", L"")}), Lines{}) << "no button text";
}

TEST_F(TrackedCheckTest, ChildWindowsHiddenOrOutsideTheWindowAreNotLookedAt) {
  Win.Windows[103].Visible = false;
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"No")}), Lines{});
  Win.Windows[103].Visible = true;
  for (TPoint corner : {TPoint{900, 400}, TPoint{499, 400}, TPoint{690, 450}, TPoint{690, 299}}) {
    Win.Windows[103].Rect.Left = corner.X;
    Win.Windows[103].Rect.Top = corner.Y;
    EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"No")}), Lines{}) << corner.X << "," << corner.Y;
  }
  Win.Windows[103].Rect = {899, 449, 10, 10};  // the last pixel inside
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"No")}), (Lines{"press window 103", "note 'Delete File' level -1"}));
}

TEST_F(TrackedCheckTest, ButtonsDrawnByTheWindowArePressedByTheirDefaultAction) {
  FakeNodePtr no = Node(L"&No");
  FakeNodePtr root = DrawnButtons(7, no);
  EXPECT_EQ(Run({ButtonRow(L"Custom", L"Really [*]", L"No")}), Lines{"note 'Custom' level -1"});
  EXPECT_EQ(no->DefaultActions, 1);
  EXPECT_TRUE(Shared.TrackedClicking);

  // Inner text in a child window, the button only in the accessibility tree.
  Win.Windows[7].Descendants = {71};
  Win.Windows[71] = {"Replace the file?", "Static", true, {20, 20, 100, 20}, {}};
  root->Children.erase(root->Children.begin());
  EXPECT_EQ(Run({ButtonRow(L"Custom", L"Replace[*]", L"No")}), Lines{"note 'Custom' level -1"});
  EXPECT_EQ(no->DefaultActions, 2);
}

TEST_F(TrackedCheckTest, ARowPressesOnlyWhatItFoundItself) {
  FakeNodePtr no = Node(L"No");
  DrawnButtons(7, no);
  // The first row finds No in the walk; the second row's button is found nowhere, and the
  // third (only by hand-editing) has no button text: neither may press the first row's object.
  EXPECT_EQ(Run({ButtonRow(L"Custom", L"", L"No"), ButtonRow(L"Custom", L"", L"Cancel"),
                 ButtonRow(L"Custom", L"Really[*]", L"")}),
            Lines{"note 'Custom' level -1"});
  EXPECT_EQ(no->DefaultActions, 1);
  // Nor in a later check.
  EXPECT_EQ(Run({ButtonRow(L"Custom", L"", L""), ButtonRow(L"Custom", L"Really[*]", L"Cancel")}), Lines{});
  EXPECT_EQ(no->DefaultActions, 1);
}

TEST_F(TrackedCheckTest, InvisibleObjectsAreNotMatchedButTheirChildrenAre) {
  for (uint32_t hidden : {AccState::Invisible, AccState::Offscreen}) {
    FakeNodePtr outer = Node(L"No", {{Node(L"Pane")}, {Node(L"No")}});
    outer->State = hidden;
    Win.Windows[7] = {"Custom", "CustomBox", true, {10, 10, 300, 100}, {}};
    Acc.Roots[7] = Node(L"Custom", {{outer}});
    Shared.TrackCandidate = 7;
    EXPECT_EQ(Run({ButtonRow(L"Custom", L"", L"No")}), Lines{"note 'Custom' level -1"});
    EXPECT_EQ(outer->DefaultActions, 0);
    EXPECT_EQ(outer->Children[1].Node->DefaultActions, 1);
  }
  // A state that cannot be read ends that branch: neither the name nor the children.
  FakeNodePtr outer = Node(L"Pane", {{Node(L"No")}});
  outer->State.reset();
  Acc.Roots[7] = Node(L"Custom", {{outer}});
  EXPECT_EQ(Run({ButtonRow(L"Custom", L"", L"No")}), Lines{});
}

TEST_F(TrackedCheckTest, ChildrenAreReachedWhenAccessibleChildrenFails) {
  for (FakeAccNode::Way way : {FakeAccNode::Way::Enumerator, FakeAccNode::Way::Navigation}) {
    for (bool asIds : {false, true}) {
      FakeNodePtr no = Node(L"No");
      Win.Windows[7] = {"Custom", "CustomBox", true, {10, 10, 300, 100}, {}};
      Acc.Roots[7] = Node(L"Custom", {{Node(L"Yes"), asIds}, {Node(L"Text", {{no, asIds}}, way), asIds}}, way);
      Shared.TrackCandidate = 7;
      EXPECT_EQ(Run({ButtonRow(L"Custom", L"Yes", L"No")}), Lines{"note 'Custom' level -1"});
      EXPECT_EQ(no->DefaultActions, 1) << static_cast<int>(way) << " " << asIds;
    }
  }
}

TEST_F(TrackedCheckTest, AWindowWithoutTitleIsNamedByItsAccessibleObject) {
  Win.Windows[8] = {"", "Drawn", true, {0, 0, 50, 50}, {81}};
  Win.Windows[81] = {"OK", "Button", true, {600, 500, 40, 20}, {}};
  FakeNodePtr root = Node(L"Nameless &dialog");
  root->Location = TRect{590, 490, 100, 60};
  Acc.Roots[8] = root;
  Shared.TrackCandidate = 8;
  // The button lies inside the accessible rectangle, not inside the window's own.
  EXPECT_EQ(Run({ButtonRow(L"Nameless dialog", L"", L"OK")}), (Lines{"press window 81", "note 'Nameless dialog' level -1"}));
  EXPECT_EQ(Check.TrackedRect().Left, 590);

  // No location, no name, an empty name, no object: the window is never matched.
  root->Location.reset();
  EXPECT_EQ(Run({ButtonRow(L"[*]", L"", L"OK")}), Lines{});
  root->Location = TRect{590, 490, 100, 60};
  for (std::optional<std::wstring> name : {std::optional<std::wstring>(), std::optional<std::wstring>(L"")}) {
    root->Name = name;
    EXPECT_EQ(Run({ButtonRow(L"[*]", L"", L"OK")}), Lines{});
  }
  Acc.Roots.erase(8);
  EXPECT_EQ(Run({ButtonRow(L"[*]", L"", L"OK")}), Lines{});
}

// The picker's view of one textless window that lies everywhere on the screen.
struct OneWindowPicker : PickerWindowsPort {
  TWindowHandle Window;
  TRect Rect;
  OneWindowPicker(TWindowHandle w, TRect r) : Window(w), Rect(r) {}
  TWindowHandle WindowFromPoint(TPoint) override { return Window; }
  bool IsVisible(TWindowHandle) override { return true; }
  std::string WindowText(TWindowHandle) override { return ""; }
  std::string ClassName(TWindowHandle) override { return "Drawn"; }
  TWindowHandle Parent(TWindowHandle) override { return 0; }
  bool IsFrameLike(TWindowHandle) override { return true; }
  std::optional<TRect> WindowRect(TWindowHandle) override { return Rect; }
};

// Accessible names longer than a text buffer: what the picker records for the title, the inner
// text and the button is what the check compares, so the row it makes is found again.
TEST_F(TrackedCheckTest, LongAccessibleNamesArePickedAndCheckedCutTheSameWay) {
  constexpr TWindowHandle Drawn = 9;
  const TRect window{10, 10, 600, 300};
  // A doubled "&" before the cut: cut first and cleaned after, the texts keep 298 characters.
  const std::wstring title = std::wstring(150, L'T') + L"&&" + std::wstring(200, L't');
  const std::wstring inner = L"Replace\r\n" + std::wstring(400, L'i');
  const std::wstring button = L"&Yes, " + std::wstring(400, L'y');
  auto object = [](std::wstring name, TRect where, int32_t role) {
    FakeNodePtr n = Node(std::move(name));
    n->Location = where;
    n->Role = role;
    return n;
  };
  FakeNodePtr yes = object(button, {400, 250, 100, 30}, 43);
  FakeNodePtr root = object(title, window, 18);
  root->Children = {{object(inner, {20, 20, 500, 40}, 41)}, {yes}};
  Acc.Roots[Drawn] = root;
  Win.Windows[Drawn] = {"", "Drawn", true, window, {}};
  Shared.TrackCandidate = Drawn;

  OneWindowPicker screen(Drawn, window);
  auto pick = [&](TPoint p, TPickerMode mode) {
    std::optional<TPickResult> r = PickAt(screen, Acc, Code, p, mode);
    EXPECT_TRUE(r.has_value()) << mode;
    EXPECT_FALSE(r && r->IsOffset) << mode;
    return r ? Code.FromAnsi(r->Text) : std::wstring();
  };
  const TTrackedWindowRow row{pick({300, 100}, pmTitle), pick({30, 30}, pmInnerText), pick({410, 260}, pmButton), 5,
                              false, true};
  EXPECT_EQ(row.Title.size(), TrackedTextMax - 1);
  EXPECT_EQ(row.InnerText.size(), TrackedTextMax - 1);
  EXPECT_EQ(row.ClickAt.size(), TrackedTextMax - 1);
  EXPECT_EQ(Run({row}).size(), 1u) << "the picked row was not found again";
  EXPECT_EQ(yes->DefaultActions, 1);
}

TEST_F(TrackedCheckTest, OffsetRowClicksRelativeToTheWindowUnlessTheLeftButtonIsHeld) {
  EXPECT_EQ(Run({OffsetRow(L"Delete File", L"", L"35x120")}), Lines{"note 'Delete File' level -1"});
  ASSERT_EQ(Sink.Calls.size(), 2u);  // the click, then the pointer put back
  const std::vector<TInputRecord>& click = Sink.Calls[0].Batch;
  ASSERT_EQ(click.size(), 2u);
  EXPECT_EQ(click[0].Mouse.Dx, AbsoluteCoord(536, 1280));
  EXPECT_EQ(click[0].Mouse.Dy, AbsoluteCoord(421, 1024));
  EXPECT_EQ(click[1].Mouse.Dx, AbsoluteCoord(537, 1280));
  EXPECT_EQ(click[1].Mouse.Dy, AbsoluteCoord(422, 1024));
  EXPECT_EQ(click[0].Mouse.Time, OwnInputMark);
  EXPECT_TRUE(Shared.TrackedClicking);

  // The inner text condition holds for offset rows too.
  EXPECT_EQ(Run({OffsetRow(L"Delete File", L"Not there", L"35x120")}), Lines{});
  EXPECT_TRUE(Sink.Calls.empty());

  // The user holds the left button: no click, but the note and the repetition all the same.
  Mouse.MouseHookProc({MouseMsg::LButtonDown, 10, 10, 0, 1000});
  EXPECT_EQ(Run({OffsetRow(L"Delete File", L"", L"35x120")}), Lines{"note 'Delete File' level -1"});
  EXPECT_TRUE(Sink.Calls.empty());
  EXPECT_TRUE(Shared.TrackedClicking);
  Mouse.MouseHookProc({MouseMsg::LButtonUp, 10, 10, 0, 1100});
  Run({OffsetRow(L"Delete File", L"", L"35x120")});
  EXPECT_EQ(Sink.Calls.size(), 2u);
}

constexpr TWindowHandle Other = 200, Own = 300, Topmost = 400;

// The repetition checks the same window again after a pause. Whatever changed meanwhile (or
// while the window's texts were read) is asked right before the click: no click anywhere and no
// note unless the window is still in front, Pelorin still on, and the point still reaches it.
TEST_F(TrackedCheckTest, NoClickUnlessTheWindowIsStillInFrontAndThePointReachesIt) {
  Win.Windows[Other] = {"Editor", "Notepad", true, {0, 0, 1280, 1000}, {}};
  Win.Windows[Own] = {"Pelorin", "PelorinMain", true, {450, 250, 500, 400}, {}};
  struct Case {
    const char* What;
    std::function<void()> Meanwhile;
    bool Clicked;
    // A button is pressed by messages to its own window: the point matters to offsets only.
    bool OffsetOnly = false;
  };
  const Case cases[] = {
      {"nothing changed", [] {}, true},
      {"another window came to the front", [&] { Win.Front = [] { return Other; }; }, false},
      {"nothing is in front", [&] { Win.Front = [] { return TWindowHandle{0}; }; }, false},
      {"Pelorin was switched off", [&] { Shared.AppEnabled = false; }, false},
      {"a window of Pelorin's is active",
       [&] {
         Win.Own = {Own};
         Win.Front = [] { return Own; };
       },
       false},
      {"the window is one of Pelorin's own", [&] { Win.Own = {Box}; }, false},
      {"the window lost the front while its texts were read",
       [&] {
         Win.Front = [n = 0]() mutable { return n++ == 0 ? Box : Other; };
       },
       false},
      {"another window lies over the point",
       [&] {
         Win.Windows[Topmost] = {"Always on top", "Tip", true, {520, 400, 40, 40}, {}};
         Win.ZOrder = {Topmost, Box};
       },
       false, true},
      // The press goes one pixel in from the offset, the release two: both must reach it.
      {"another window lies over the release only",
       [&] {
         Win.Windows[Topmost] = {"Always on top", "Tip", true, {537, 422, 10, 10}, {}};
         Win.ZOrder = {Topmost, Box};
       },
       false, true},
      {"the window moved from under the point", [&] { Win.ZOrder = {}; }, false, true},
  };
  for (bool button : {false, true}) {
    for (const Case& c : cases) {
      if (button && c.OffsetOnly) continue;
      SCOPED_TRACE(std::string(c.What) + (button ? " (button row)" : " (offset row)"));
      Win.Front = [this] { return Shared.TrackCandidate.load(); };
      Win.ZOrder = {Box};
      Win.Own.clear();
      Shared.AppEnabled = true;
      c.Meanwhile();
      Shared.TrackedClicking = true;  // the repetition is under way
      const TTrackedWindowRow row =
          button ? ButtonRow(L"Delete File", L"", L"No") : OffsetRow(L"Delete File", L"", L"35x120");
      const Lines lines = Run({row});
      if (c.Clicked) {
        const std::string note = "note 'Delete File' level -1";
        EXPECT_EQ(lines, (button ? Lines{"press window 103", note} : Lines{note}));
        EXPECT_EQ(Sink.Calls.size(), button ? 0u : 2u);  // the click, then the pointer put back
        EXPECT_TRUE(Shared.TrackedClicking);
      } else {
        EXPECT_EQ(lines, Lines{});
        EXPECT_TRUE(Sink.Calls.empty()) << Sink.Calls.size() << " input calls";
        EXPECT_FALSE(Shared.TrackedClicking);
      }
    }
  }
}

TEST_F(TrackedCheckTest, AButtonNamedLikeAnOffsetIsPressedAndAnOffsetIsClicked) {
  Win.Windows[105] = {"35x120", "Button", true, {780, 400, 80, 24}, {}};
  Win.Windows[Box].Descendants.push_back(105);
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"35x120")}), (Lines{"press window 105", "note 'Delete File' level -1"}));
  EXPECT_TRUE(Sink.Calls.empty());
  EXPECT_EQ(Run({OffsetRow(L"Delete File", L"", L"35x120")}), Lines{"note 'Delete File' level -1"});
  ASSERT_EQ(Sink.Calls.size(), 2u);
  EXPECT_EQ(Sink.Calls[0].Batch[0].Mouse.Dx, AbsoluteCoord(536, 1280));
  // Without that button the button row finds nothing to press, and clicks nowhere either.
  Win.Windows[Box].Descendants.pop_back();
  EXPECT_EQ(Run({ButtonRow(L"Delete File", L"", L"35x120")}), Lines{});
  EXPECT_TRUE(Sink.Calls.empty());
}

TEST_F(TrackedCheckTest, AnEscSeenWhileTheClickIsSentStopsTheRepetition) {
  // Sending input lets the hooks run before the call returns; Esc pressed right then wins.
  EventLog sent;
  Sink.Log = &sent;
  Sink.Describe = [this](const TInputRecord&) {
    Keyboard.KeyboardHookProc({27, 1, 0, 1000});
    return std::string("event");
  };
  EXPECT_EQ(Run({OffsetRow(L"Delete File", L"", L"35x120")}), Lines{"note 'Delete File' level -1"});
  EXPECT_EQ(sent.Lines.size(), 2u);
  EXPECT_FALSE(Shared.TrackedClicking);
}

TEST_F(TrackedCheckTest, OffsetsThatAreNotTwoIntegersSkipTheRow) {
  for (const wchar_t* offset : {L"35X120", L"x120", L"35x", L"a5x1", L"35x1 2", L"", L"35", L" 35x120", L"-5x10",
                                L"35x120x", L"1234567890x5"}) {
    EXPECT_EQ(Run({OffsetRow(L"Delete File", L"", offset)}), Lines{}) << Narrow(offset);
    EXPECT_TRUE(Sink.Calls.empty()) << Narrow(offset);
  }
}

TEST(ParseClickOffset, Forms) {
  struct Case {
    const wchar_t* Text;
    std::optional<TPoint> Offset;
  } cases[] = {
      {L"35x120", TPoint{35, 120}}, {L"0x0", TPoint{0, 0}},        {L"007x08", TPoint{7, 8}},
      {L"35x12345", TPoint{35, 1234}},  // y is read from four characters at most
      {L"35X120", std::nullopt},    {L"35x-1", std::nullopt},      {L"x1", std::nullopt},
      {L"1x", std::nullopt},        {L"1xx1", std::nullopt},       {L"", std::nullopt},
      {L"\x0663x1", std::nullopt},  // a digit of another script is no decimal digit here
  };
  for (const Case& c : cases) {
    const std::optional<TPoint> got = ParseClickOffset(c.Text);
    EXPECT_EQ(got.has_value(), c.Offset.has_value()) << Narrow(c.Text);
    if (got && c.Offset) {
      EXPECT_EQ(*got, *c.Offset) << Narrow(c.Text);
    }
  }
}

TEST_F(TrackedCheckTest, WithoutATrackedRowNoWindowIsAskedAnything) {
  Shared.TrackedClicking = true;
  TTrackedWindowRow off = ButtonRow(L"[*]", L"", L"No");
  off.State = 0;
  for (const std::vector<TTrackedWindowRow>& rows : {std::vector<TTrackedWindowRow>{}, std::vector{off}}) {
    EXPECT_EQ(Run(rows), Lines{});
    EXPECT_EQ(Win.TextReads, 0);
    EXPECT_FALSE(Shared.TrackedClicking);
  }
  off.State = 5;
  EXPECT_EQ(Run({off}), (Lines{"press window 103", "note '[*]' level -1"}));
  EXPECT_GT(Win.TextReads, 0);
}

TEST_F(TrackedCheckTest, NothingToExamineWithoutACandidate) {
  for (TWindowHandle none : {TWindowHandle{0}, NoTrackCandidate, TWindowHandle{555}}) {
    Shared.TrackCandidate = none;
    Shared.TrackedClicking = true;
    EXPECT_EQ(Run({ButtonRow(L"[*]", L"", L"[*]")}), Lines{});
    EXPECT_FALSE(Shared.TrackedClicking);
  }
}

}  // namespace
}  // namespace pelorin
