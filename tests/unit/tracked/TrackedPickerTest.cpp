#include "tracked/TrackedPicker.h"

#include <gtest/gtest.h>

#include <map>

#include "FakeAccessible.h"

namespace pelorin {
namespace {

using test::FakeAccessibleObject;
using test::FakeNodePtr;
using test::Node;

struct AsciiOnly : AnsiCodePagePort {
  std::string ToAnsi(std::wstring_view t) const override {
    std::string s;
    for (wchar_t c : t) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
  }
  std::wstring FromAnsi(std::string_view b) const override { return std::wstring(b.begin(), b.end()); }
};

// A screen of windows, each with its rectangle; the window under a point is the last listed
// whose rectangle holds it.
struct FakePickerWindows : PickerWindowsPort {
  struct Window {
    TWindowHandle Handle;
    TWindowHandle Parent = 0;
    std::string Text;
    std::string Class = "Static";
    bool FrameLike = false;
    bool Visible = true;
    TRect Rect;
  };
  std::vector<Window> Windows;

  const Window* Find(TWindowHandle w) const {
    for (const Window& x : Windows)
      if (x.Handle == w) return &x;
    return nullptr;
  }
  TWindowHandle WindowFromPoint(TPoint p) override {
    for (auto it = Windows.rbegin(); it != Windows.rend(); ++it) {
      const TRect& r = it->Rect;
      if (p.X >= r.Left && p.X < r.Left + r.Width && p.Y >= r.Top && p.Y < r.Top + r.Height) return it->Handle;
    }
    return 0;
  }
  bool IsVisible(TWindowHandle w) override { return Find(w) && Find(w)->Visible; }
  std::string WindowText(TWindowHandle w) override { return Find(w) ? Find(w)->Text : ""; }
  std::string ClassName(TWindowHandle w) override { return Find(w) ? Find(w)->Class : ""; }
  TWindowHandle Parent(TWindowHandle w) override { return Find(w) ? Find(w)->Parent : 0; }
  bool IsFrameLike(TWindowHandle w) override { return Find(w) && Find(w)->FrameLike; }
  std::optional<TRect> WindowRect(TWindowHandle w) override {
    if (!Find(w)) return std::nullopt;
    return Find(w)->Rect;
  }
};

struct FakeAccessibility : AccessibilityPort {
  std::map<TWindowHandle, FakeNodePtr> Roots;
  std::unique_ptr<AccessibleObject> FromWindow(TWindowHandle w) override {
    auto it = Roots.find(w);
    if (it == Roots.end()) return nullptr;
    return std::make_unique<FakeAccessibleObject>(it->second);
  }
};

FakeNodePtr AccNode(std::wstring name, TRect where, int32_t role, std::vector<test::FakeAccNode::Link> children = {}) {
  FakeNodePtr n = Node(std::move(name), std::move(children));
  n->Location = where;
  n->Role = role;
  return n;
}

constexpr int32_t RoleWindow = 9;
constexpr int32_t RoleDialog = 18;
constexpr int32_t RoleClient = 10;
constexpr int32_t RoleText = 41;
constexpr int32_t RolePushButton = 43;

// A dialog with its controls; a textless top-level window whose controls are drawn by its
// program and known only by accessibility; a child window in a plain (not frame-like) parent.
enum : TWindowHandle {
  Dialog = 1,
  YesButton,
  Message,
  Canvas,
  BorderedEdit,
  Hidden,
  Drawn,
  Loose,
  LooseChild,
};

struct TPickCase {
  const char* What;
  TPoint P;
  TPickerMode Mode;
  std::optional<std::string> Text;  // nothing filled when unset
  bool IsOffset;
  TRect Frame;
};

class PickerTest : public ::testing::Test {
 protected:
  PickerTest() {
    Windows.Windows = {
        {Dialog, 0, "Confirm &File Delete", "#32770", true, true, {500, 300, 400, 150}},
        {YesButton, Dialog, "&Yes", "Button", false, true, {700, 400, 80, 24}},
        {Message, Dialog, "The file a.txt\r\nis a system file.", "Static", false, true, {520, 320, 300, 30}},
        {Canvas, Dialog, "", "Canvas", false, true, {520, 360, 60, 30}},
        {BorderedEdit, Dialog, "typed", "Edit", true, true, {600, 360, 80, 20}},
        {Hidden, 0, "Hidden", "Popup", true, false, {0, 0, 50, 50}},
        {Drawn, 0, "", "DrawnApp", true, true, {100, 500, 300, 200}},
        {Loose, 0, "Loose", "Plain", false, true, {900, 700, 200, 200}},
        {LooseChild, Loose, "", "Child", false, true, {950, 750, 50, 50}},
    };
    FakeNodePtr ok = AccNode(L"OK", {150, 650, 60, 20}, RolePushButton);
    FakeNodePtr text = AccNode(L"Disk is full", {110, 520, 200, 20}, RoleText);
    FakeNodePtr panel = AccNode(L"Options", {300, 600, 90, 90}, RoleDialog);
    Accessibility.Roots[Drawn] = AccNode(L"Drawn App", {100, 500, 300, 200}, RoleWindow, {{ok}, {text}, {panel}});
  }

  void Expect(const TPickCase& c) {
    SCOPED_TRACE(c.What);
    std::optional<TPickResult> r = PickAt(Windows, Accessibility, Ansi, c.P, c.Mode);
    ASSERT_EQ(r.has_value(), c.Text.has_value());
    if (!r) return;
    EXPECT_EQ(r->Mode, c.Mode);
    EXPECT_EQ(r->Text, *c.Text);
    EXPECT_EQ(r->IsOffset, c.IsOffset);
    EXPECT_EQ(r->Frame.Left, c.Frame.Left);
    EXPECT_EQ(r->Frame.Top, c.Frame.Top);
    EXPECT_EQ(r->Frame.Width, c.Frame.Width);
    EXPECT_EQ(r->Frame.Height, c.Frame.Height);
  }

  FakePickerWindows Windows;
  FakeAccessibility Accessibility;
  AsciiOnly Ansi;
};

TEST_F(PickerTest, EachModeFillsWhatLiesUnderThePoint) {
  const TRect dialog{500, 300, 400, 150};
  const TPickCase cases[] = {
      {"title over a button: the dialog's title", {710, 410}, pmTitle, "Confirm File Delete", false, dialog},
      {"title over the dialog itself", {510, 440}, pmTitle, "Confirm File Delete", false, dialog},
      {"size over a button: the dialog's size", {710, 410}, pmSize, "400x150", false, dialog},
      {"button over a button", {710, 410}, pmButton, "Yes", false, {700, 400, 80, 24}},
      {"button over the dialog: the offset", {535, 420}, pmButton, "35x120", true, dialog},
      {"button over a textless child: the offset in its parent", {530, 370}, pmButton, "30x70", true, dialog},
      {"button over a bordered control: a frame, so an offset", {610, 365}, pmButton, "10x5", true,
       {600, 360, 80, 20}},
      {"inner text over a static", {530, 330}, pmInnerText, "The file a.txt is a system file.", false,
       {520, 320, 300, 30}},
      {"inner text over a textless child: its class", {530, 370}, pmInnerText, "ClassName: Canvas", false,
       {520, 360, 60, 30}},
      {"inner text over the dialog: nothing", {510, 440}, pmInnerText, std::nullopt, false, {}},
      {"inner text over a bordered control: nothing", {610, 365}, pmInnerText, std::nullopt, false, {}},
      {"over no window", {5, 1000}, pmTitle, std::nullopt, false, {}},
      {"over a hidden window", {10, 10}, pmTitle, std::nullopt, false, {}},
      {"title over a child with no frame above it", {960, 760}, pmTitle, std::nullopt, false, {}},
      {"size over a child with no frame above it", {960, 760}, pmSize, std::nullopt, false, {}},
      {"button over a textless child of a plain window", {960, 760}, pmButton, std::nullopt, false, {}},
      {"no drag", {710, 410}, pmNone, std::nullopt, false, {}},
  };
  for (const TPickCase& c : cases) Expect(c);
}

TEST_F(PickerTest, ATextlessWindowIsReadByAccessibility) {
  const TRect window{100, 500, 300, 200};
  const TPickCase cases[] = {
      {"a drawn button", {160, 660}, pmButton, "OK", false, {150, 650, 60, 20}},
      {"a drawn text", {120, 530}, pmInnerText, "Disk is full", false, {110, 520, 200, 20}},
      // Only the window's own object counts for the title and the size.
      {"the title over a drawn button", {160, 660}, pmTitle, "Drawn App", false, window},
      {"the size over a drawn button", {160, 660}, pmSize, "300x200", false, window},
      // A dialog role is a frame: no button but the offset in it; no inner text.
      {"the button over a drawn panel", {310, 640}, pmButton, "10x40", true, {300, 600, 90, 90}},
      {"an inner text over a drawn panel", {310, 640}, pmInnerText, std::nullopt, false, {}},
      // Over the window's own object only: the class name of a frame, which is no inner text.
      {"an inner text between the controls", {105, 505}, pmInnerText, std::nullopt, false, {}},
      {"the button between the controls: the offset in the window", {105, 505}, pmButton, "5x5", true, window},
  };
  for (const TPickCase& c : cases) Expect(c);
}

TEST_F(PickerTest, AnObjectThatExactlyFillsATextlessWindowIsTheWindowItself) {
  // The window's own object (a frame) and one child of exactly its size (a client area, no
  // frame role of its own), as many programs build them; a smaller child for comparison.
  constexpr TWindowHandle Filled = 20;
  const TRect window{100, 100, 200, 150};
  Windows.Windows.push_back({Filled, 0, "", "Filled", true, true, window});
  Accessibility.Roots[Filled] = AccNode(L"Filled App", window, RoleWindow,
                                        {{AccNode(L"Client", window, RoleClient)},
                                         {AccNode(L"Go", {250, 200, 40, 20}, RolePushButton)}});
  const TPickCase cases[] = {
      {"the button over the client area: the offset in the window", {135, 220}, pmButton, "35x120", true, window},
      {"the button over a smaller object in it", {260, 210}, pmButton, "Go", false, {250, 200, 40, 20}},
      {"an inner text over the client area: a frame, so nothing", {135, 220}, pmInnerText, std::nullopt, false, {}},
  };
  for (const TPickCase& c : cases) Expect(c);
}

TEST(AccessibleTextAtPoint, TheLastObjectVisitedThatHoldsThePointStrictlyWins) {
  FakeNodePtr inner = AccNode(L"Inner", {20, 20, 20, 20}, RolePushButton);
  FakeNodePtr outer = AccNode(L"Outer", {10, 10, 80, 80}, RoleText, {{inner}});
  FakeNodePtr hidden =
      AccNode(L"Hidden", {10, 10, 80, 80}, RoleText, {{AccNode(L"Under hidden", {50, 50, 10, 10}, RolePushButton)}});
  hidden->State = AccState::Invisible;
  FakeNodePtr offscreen = AccNode(L"Off screen", {60, 10, 30, 30}, RoleText);
  offscreen->State = AccState::Offscreen;
  FakeAccessibility acc;
  acc.Roots[1] = AccNode(L"Root", {0, 0, 100, 100}, RoleWindow, {{outer}, {hidden}, {offscreen}});
  AsciiOnly ansi;
  struct Case {
    TPoint P;
    bool WantTop;
    std::string Name;
    bool FrameLike;
  };
  const Case cases[] = {
      {{25, 25}, false, "Inner", false},
      {{20, 25}, false, "Outer", false},         // on the inner object's edge: not strictly inside
      {{55, 55}, false, "Under hidden", false},  // an invisible object's children still count
      {{70, 20}, false, "Off screen", false},    // unlike the check, off screen is no reason to skip
      {{5, 5}, false, "", true},                 // the root itself only with wantTop; its role decides
      {{5, 5}, true, "Root", true},
      {{25, 25}, true, "Root", true},
      {{0, 5}, true, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.P.X) + "," + std::to_string(c.P.Y) + (c.WantTop ? " top" : ""));
    TAccessibleText t = AccessibleTextAtPoint(acc, ansi, 1, c.P, c.WantTop);
    EXPECT_EQ(t.Name, c.Name);
    EXPECT_EQ(t.FrameLike, c.FrameLike);
  }
  EXPECT_EQ(AccessibleTextAtPoint(acc, ansi, 2, {5, 5}, true).Name, "");
  EXPECT_EQ(FakeAccessibleObject::Live, 0);
}

TEST(AccessibleTextAtPoint, LongNamesAreCutAsTheCheckCutsThem) {
  FakeAccessibility acc;
  acc.Roots[1] = AccNode(std::wstring(400, L'n'), {0, 0, 100, 100}, RoleWindow);
  AsciiOnly ansi;
  EXPECT_EQ(AccessibleTextAtPoint(acc, ansi, 1, {5, 5}, true).Name.size(), 299u);
}

// The screen: the frames drawn, in order, and the repaints.
struct RecordingScreen : PickFramePort {
  std::vector<std::string> Log;
  static std::string Name(const TRect& r) {
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Width) + "," +
           std::to_string(r.Height);
  }
  void DrawXorFrame(const TRect& r) override { Log.push_back("xor " + Name(r)); }
  void RepaintPage() override { Log.push_back("repaint"); }
  // Each frame drawn an even number of times: the screen is as it was.
  bool ScreenRestored() const {
    std::map<std::string, int> n;
    for (const std::string& e : Log)
      if (e.starts_with("xor ")) ++n[e];
    for (const auto& [frame, count] : n)
      if (count % 2 != 0) return false;
    return true;
  }
};

class PickerDragTest : public PickerTest {
 protected:
  TSharedState Shared;
  RecordingScreen Screen;
  TTrackedPicker Picker{{Shared, Windows, Accessibility, Ansi, Screen}};

  void HookRecords(TPoint p) { Shared.PickerPoint.Store(p); }
};

TEST_F(PickerDragTest, TheFrameFollowsThePointAndIsErasedAtTheEnd) {
  EXPECT_EQ(Shared.PickerPoint.Load().X, NoPickerX);
  Picker.BeginDrag(pmButton);
  EXPECT_EQ(Shared.PickerMode.load(), pmButton);

  HookRecords({710, 410});
  std::optional<TPickResult> r = Picker.Step();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Text, "Yes");
  EXPECT_EQ(Shared.PickerPoint.Load().X, NoPickerX);
  // The same button again: nothing to redraw.
  HookRecords({720, 415});
  ASSERT_TRUE(Picker.Step());
  // The dialog: the button's frame goes, the dialog's comes.
  HookRecords({535, 420});
  r = Picker.Step();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Text, "35x120");
  // A point that fills nothing leaves the last frame where it is.
  HookRecords({960, 760});
  EXPECT_FALSE(Picker.Step());
  EXPECT_TRUE(Picker.Frame().Shown());

  Picker.EndDrag();
  EXPECT_EQ(Shared.PickerMode.load(), pmNone);
  EXPECT_FALSE(Picker.Frame().Shown());
  const std::vector<std::string> expected = {
      "xor 700,400,80,24",   "repaint",                                // the button
      "xor 700,400,80,24",   "xor 500,300,400,150", "repaint",         // the dialog
      "xor 500,300,400,150", "repaint",                                // the end
  };
  EXPECT_EQ(Screen.Log, expected);
  EXPECT_TRUE(Screen.ScreenRestored());
}

TEST_F(PickerDragTest, APointIsLookedAtOnce) {
  Picker.BeginDrag(pmTitle);
  HookRecords({710, 410});
  EXPECT_TRUE(Picker.Step());
  // The worker may queue a second step before the first ran.
  EXPECT_FALSE(Picker.Step());
  Picker.EndDrag();
}

TEST_F(PickerDragTest, AStepQueuedBeforeTheReleaseRunsAfterItAndDoesNothing) {
  Picker.BeginDrag(pmTitle);
  HookRecords({710, 410});
  ASSERT_TRUE(Picker.Step());
  HookRecords({535, 420});
  // The worker saw the point and queued a step; the button is released before it runs.
  Picker.EndDrag();
  EXPECT_FALSE(Picker.Step());
  EXPECT_FALSE(Picker.Frame().Shown());
  EXPECT_TRUE(Screen.ScreenRestored());
  // A drag that picked nothing drew nothing, and its end erases nothing.
  Screen.Log.clear();
  Picker.BeginDrag(pmSize);
  HookRecords({960, 760});
  EXPECT_FALSE(Picker.Step());
  Picker.EndDrag();
  EXPECT_TRUE(Screen.Log.empty());
}

TEST_F(PickerDragTest, AStepWithoutADragDropsThePoint) {
  HookRecords({710, 410});
  EXPECT_FALSE(Picker.Step());
  EXPECT_EQ(Shared.PickerPoint.Load().X, NoPickerX);
  EXPECT_TRUE(Screen.Log.empty());
}

}  // namespace
}  // namespace pelorin
