#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "commands/NoteLayout.h"
#include "commands/ShowingThread.h"

namespace pelorin {
namespace {

using namespace std::chrono_literals;

constexpr auto Deadline = 10s;

// 7 px a character unless the table says otherwise.
struct FakeWidth : NoteTextWidthPort {
  std::map<wchar_t, int32_t> Widths;
  int32_t TextWidth(std::wstring_view text) override {
    int32_t w = 0;
    for (wchar_t c : text) w += Widths.contains(c) ? Widths[c] : 7;
    return w;
  }
};

TEST(NoteLayout, TextIsCutOnlyAboveTheLabelLessFivePixels) {
  FakeWidth width;
  width.Widths = {{L'e', 5}, {L'f', 6}, {L'b', 2}, {L'x', 11}, {L'W', 300}, {L'y', 9},
                  {wchar_t(0xD83D), 2}, {wchar_t(0xDE00), 2}};
  const std::wstring a26(26, L'a'), a27(27, L'a');
  const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
  struct Case { std::wstring Text, Fitted; const char* What; };
  const std::vector<Case> cases = {
      {L"", L"", "empty"},
      {L"Retyped", L"Retyped", "short"},
      {a27 + L"e", a27 + L"e", "exactly 194 px stays"},
      {a27 + L"f", a26 + L"...", "195 px: cut until at most 184 px"},
      {a26 + L"bx", a26 + L"b...", "a remainder of exactly 184 px is kept"},
      {L"W", L"...", "nothing fits: only the dots"},
      {a26 + pair + L"y", a26 + L"...", "never half a surrogate pair"},
  };
  for (const Case& c : cases) {
    TNoteLayout layout = LayoutNote(c.Text, TextNoteLevel, width);
    EXPECT_FALSE(layout.Level) << c.What;
    EXPECT_EQ(layout.Text, c.Fitted) << c.What;
    EXPECT_EQ(layout.ClientWidth, 201) << c.What;
    EXPECT_EQ(layout.StepLimit, 40) << c.What;
  }
}

TEST(NoteLayout, LevelPlacesTheThumbAndTheNumberInsideTheTrack) {
  FakeWidth width;
  struct Case { int32_t Level; int32_t Thumb; std::wstring Number; };
  const std::vector<Case> cases = {
      {0, 1, L"0"},      {50, 95, L"50"},   {100, 189, L"100"}, {1, 2, L"1"},  {99, 187, L"99"},
      {101, 189, L"100"}, {250, 189, L"100"}, {-2, 1, L"0"},  // clamped
  };
  for (const Case& c : cases) {
    TNoteLayout layout = LayoutNote(L"ignored", c.Level, width);
    EXPECT_TRUE(layout.Level) << c.Level;
    EXPECT_EQ(layout.ThumbLeft, c.Thumb) << c.Level;
    EXPECT_EQ(layout.LevelText, c.Number) << c.Level;
    EXPECT_LE(layout.ThumbLeft + NoteThumbWidth, 1 + NoteTrackWidth) << c.Level;
    EXPECT_EQ(layout.ClientWidth, 223) << c.Level;
    EXPECT_EQ(layout.StepLimit, 100) << c.Level;
  }
}

// Runs the GUI work in the calling thread, as the GUI thread does with its own calls;
// refuses it once closed, as the dispatcher does after shutdown.
struct FakeGui : GuiThreadPort {
  std::atomic<bool> Closed{false};
  std::atomic<int> Calls{0};
  bool Synchronize(const std::function<void()>& work) override {
    ++Calls;
    if (Closed) return false;
    work();
    return true;
  }
  bool Queue(std::function<void()> work) override { return Synchronize(work); }
};

struct ShownNote {
  TNoteLayout Layout;
  std::optional<TPoint> MoveTo;
};

// Records what the note thread did; the hooks run in the note thread after each record,
// which is how a test makes a note arrive at an exact point of a cycle.
class FakeView : public NoteViewPort {
 public:
  std::function<void(int)> OnKeepOnTop;  // with the number of the call, from 1
  std::function<void(int)> OnHide;

  int32_t TextWidth(std::wstring_view text) override { return 7 * static_cast<int32_t>(text.size()); }
  bool Showing() override {
    std::lock_guard guard(Lock);
    return Visible;
  }
  void Show(const TNoteLayout& layout, std::optional<TPoint> moveTo) override {
    {
      std::lock_guard guard(Lock);
      Visible = true;
      Shown.push_back({layout, moveTo});
    }
    Changed.notify_all();
  }
  void KeepOnTop() override {
    int n;
    {
      std::lock_guard guard(Lock);
      n = ++KeepOnTops;
    }
    Changed.notify_all();
    if (OnKeepOnTop) OnKeepOnTop(n);
  }
  void Hide() override {
    int n;
    {
      std::lock_guard guard(Lock);
      Visible = false;
      n = ++Hides;
    }
    Changed.notify_all();
    if (OnHide) OnHide(n);
  }

  bool WaitUntil(const std::function<bool()>& done) {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, Deadline, done);
  }

  // Read by the test once the note thread has stopped, or inside WaitUntil.
  std::vector<ShownNote> Shown;
  int KeepOnTops = 0;
  int Hides = 0;
  bool Visible = false;

 private:
  std::mutex Lock;
  std::condition_variable Changed;
};

// Pelorin's windows by handle; any other handle is another application's.
constexpr TWindowHandle MainWnd = 11, HelpWnd = 12, ClipboardWnd = 13, MsgBoxWnd = 14, SliderWnd = 15;

struct FakeFocus : NoteFocusPort {
  TWindowHandle Front = 0;  // the window in front when it is Pelorin's
  std::set<TWindowHandle> ShowingWindows{MainWnd};
  bool MainEnabled = true;
  std::vector<std::string> Log;

  TWindowHandle OwnFrontWindow() override { return Front; }
  bool WindowShowing(TWindowHandle w) override { return ShowingWindows.contains(w); }
  bool MainWindowShowing() override { return ShowingWindows.contains(MainWnd); }
  bool MainWindowEnabled() override { return MainEnabled; }
  void EnableMainWindow(bool enable) override {
    MainEnabled = enable;
    Log.push_back(enable ? "enable main" : "disable main");
  }
  void GiveFocusBack(TWindowHandle w) override { Log.push_back("focus " + std::to_string(w)); }
};

// Polls a value the fakes cannot signal, up to the deadline.
bool Eventually(const std::function<bool()>& done) {
  auto end = std::chrono::steady_clock::now() + Deadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return done();
    std::this_thread::yield();
  }
  return true;
}

// Stop from another thread, within the deadline. A thread left waiting out an hour-long step
// is woken by a note afterwards, so that a failing run ends instead of hanging.
bool StopsInTime(TShowingThread& notes) {
  auto stopped = std::async(std::launch::async, [&] { notes.Stop(); });
  if (stopped.wait_for(Deadline) == std::future_status::ready) return true;
  notes.ShowNote(L"Wake up", true, TextNoteLevel);
  return false;
}

class ShowingThreadTest : public ::testing::Test {
 protected:
  ShowingThreadTest() { Shared.ScreenWidth = 1280; }

  TSharedState Shared;
  FakeGui Gui;
  FakeView View;
  FakeFocus Focus;
  TShowingThread Notes{Gui, View, Focus, Shared, 0ms};
};

TEST_F(ShowingThreadTest, NoteStaysItsStepsAtTheRightEdgeThenHides) {
  struct Case { std::wstring Text; int32_t Level; int Steps; int32_t Left; };
  for (const Case& c : std::vector<Case>{{L"Retyped", TextNoteLevel, 40, 1280 - 201}, {L"", 70, 100, 1280 - 223}}) {
    FakeView view;
    TShowingThread notes(Gui, view, Focus, Shared, 0ms);
    bool runningDuringNote = false;
    view.OnKeepOnTop = [&](int) { runningDuringNote = notes.Running(); };
    EXPECT_FALSE(notes.Running());
    notes.ShowNote(c.Text, false, c.Level);
    ASSERT_TRUE(view.WaitUntil([&] { return view.Hides == 1; })) << c.Level;
    EXPECT_TRUE(Eventually([&] { return !notes.Running(); })) << "asleep again after the note";
    notes.Stop();
    ASSERT_EQ(view.Shown.size(), 1u) << c.Level;
    EXPECT_EQ(view.KeepOnTops, c.Steps) << c.Level;
    EXPECT_EQ(view.Shown[0].MoveTo, (TPoint{c.Left, 0})) << c.Level;
    EXPECT_EQ(view.Shown[0].Layout.Text, c.Level == TextNoteLevel ? c.Text : L"") << c.Level;
    EXPECT_TRUE(runningDuringNote) << c.Level;
    EXPECT_FALSE(view.Visible) << c.Level;
  }
}

TEST_F(ShowingThreadTest, TenLevelNotesInQuickSuccessionKeepOneNoteUpAndRestartItsSteps) {
  int sent = 1;
  View.OnKeepOnTop = [&](int n) {
    if (n % 50 == 0 && sent < 10) Notes.ShowNote(L"", false, 10 * ++sent);
  };
  Notes.ShowNote(L"", false, 10);
  ASSERT_TRUE(View.WaitUntil([&] { return View.Hides == 1; }));
  Notes.Stop();
  EXPECT_EQ(View.Hides, 1);
  ASSERT_EQ(View.Shown.size(), 10u);
  for (size_t i = 0; i < View.Shown.size(); ++i) {
    EXPECT_EQ(View.Shown[i].Layout.LevelText, std::to_wstring(10 * (i + 1))) << i;
    EXPECT_EQ(View.Shown[i].MoveTo.has_value(), i == 0) << "only the first note is placed, " << i;
  }
  EXPECT_EQ(View.KeepOnTops, 9 * 50 + 100) << "each note restarts the 100 steps";
}

TEST_F(ShowingThreadTest, NotesOffDropOnlyUnforcedNotes) {
  struct Case { bool NoteCheck; bool Forced; int32_t Level; bool Shown; };
  const std::vector<Case> cases = {
      {true, false, TextNoteLevel, true}, {true, true, TextNoteLevel, true},
      {false, false, TextNoteLevel, false}, {false, true, TextNoteLevel, true},
      {false, false, 40, false},  // a volume step
  };
  for (const Case& c : cases) {
    FakeView view;
    TShowingThread notes(Gui, view, Focus, Shared, 0ms);
    notes.SetNoteCheck(c.NoteCheck);
    // The note under test arrives while a forced one is up, so a note that is not dropped
    // shows as a second note of the same cycle.
    view.OnKeepOnTop = [&](int n) {
      if (n == 5) notes.ShowNote(L"Under test", c.Forced, c.Level);
    };
    notes.ShowNote(L"Checked Inputs enabled", true, TextNoteLevel);
    ASSERT_TRUE(view.WaitUntil([&] { return view.Hides == 1; }));
    notes.Stop();
    const char* what = c.NoteCheck ? "on" : "off";
    ASSERT_EQ(view.Shown.size(), c.Shown ? 2u : 1u) << what << " forced " << c.Forced;
    EXPECT_EQ(view.Shown[0].Layout.Text, L"Checked Inputs enabled");
    if (c.Shown) {
      EXPECT_EQ(view.Shown[1].Layout.Level, c.Level != TextNoteLevel);
    }
  }
}

TEST_F(ShowingThreadTest, NoteArrivingWhileTheLastIsHiddenIsShown) {
  View.OnHide = [&](int n) {
    if (n == 1) Notes.ShowNote(L"Keyboard layout", false, TextNoteLevel);
  };
  Notes.ShowNote(L"Double click", false, TextNoteLevel);
  ASSERT_TRUE(View.WaitUntil([&] { return View.Hides == 2; })) << "the second note was lost";
  Notes.Stop();
  ASSERT_EQ(View.Shown.size(), 2u);
  EXPECT_EQ(View.Shown[1].Layout.Text, L"Keyboard layout");
  EXPECT_EQ(View.KeepOnTops, 80);
}

TEST_F(ShowingThreadTest, NoteIsPlacedOnlyWhenItComesUp) {
  View.OnKeepOnTop = [&](int n) {
    if (n == 3) Notes.ShowNote(L"Double click", false, TextNoteLevel);
  };
  Notes.ShowNote(L"", false, 30);
  ASSERT_TRUE(View.WaitUntil([&] { return View.Hides == 1; }));
  Notes.ShowNote(L"Retyped", false, TextNoteLevel);
  ASSERT_TRUE(View.WaitUntil([&] { return View.Hides == 2; }));
  Notes.Stop();
  ASSERT_EQ(View.Shown.size(), 3u);
  EXPECT_EQ(View.Shown[0].MoveTo, (TPoint{1280 - 223, 0}));
  EXPECT_FALSE(View.Shown[1].MoveTo) << "the text note replacing the level note keeps its left edge";
  EXPECT_EQ(View.Shown[1].Layout.ClientWidth, 201);
  EXPECT_EQ(View.Shown[2].MoveTo, (TPoint{1280 - 201, 0})) << "placed again after it was hidden";
}

TEST_F(ShowingThreadTest, StopEndsARunningNoteHiddenAndJoins) {
  FakeView view;
  TShowingThread notes(Gui, view, Focus, Shared, std::chrono::hours(1));
  notes.ShowNote(L"Sleep", false, TextNoteLevel);
  ASSERT_TRUE(view.WaitUntil([&] { return view.KeepOnTops == 1; }));
  // The note now waits out its first step; Stop must wake it rather than wait for it.
  ASSERT_TRUE(StopsInTime(notes));
  EXPECT_EQ(view.KeepOnTops, 1);
  EXPECT_EQ(view.Hides, 1);
  EXPECT_FALSE(view.Visible);
  EXPECT_FALSE(notes.Running());
}

TEST_F(ShowingThreadTest, ClosedGuiEndsTheNoteWithoutWaitingForIt) {
  // Closed before the note: nothing is shown and the thread goes back to sleep.
  Gui.Closed = true;
  Notes.ShowNote(L"Sleep", false, TextNoteLevel);
  EXPECT_TRUE(Eventually([&] { return Gui.Calls == 1 && !Notes.Running(); }));
  Notes.Stop();
  EXPECT_EQ(Gui.Calls, 1) << "one refused show, no steps, no hide";
  EXPECT_TRUE(View.Shown.empty());

  // Closed while a note waits out its step, as at shutdown: Stop still ends the thread.
  FakeGui gui;
  FakeView view;
  TShowingThread notes(gui, view, Focus, Shared, std::chrono::hours(1));
  notes.ShowNote(L"Sleep", false, TextNoteLevel);
  ASSERT_TRUE(view.WaitUntil([&] { return view.KeepOnTops == 1; }));
  gui.Closed = true;
  ASSERT_TRUE(StopsInTime(notes));
  EXPECT_EQ(view.Hides, 0);
  EXPECT_EQ(gui.Calls, 3) << "show, one step, the refused hide";
}

// Another application in front: the main window takes no input while the note is up. Any
// window of Pelorin in front keeps its input and gets the focus back; the main window behind
// it is left alone.
TEST_F(ShowingThreadTest, FocusRulesWhileANoteIsUp) {
  struct Case {
    TWindowHandle Front;
    std::set<TWindowHandle> Showing;
    bool MainEnabled;
    std::vector<std::string> Log;
    const char* What;
  };
  const std::vector<Case> cases = {
      {0, {MainWnd}, true, {"disable main", "enable main"}, "another application in front"},
      {0, {}, true, {}, "main window hidden in the tray"},
      {0, {MainWnd}, false, {}, "main window already disabled by a message box"},
      {MainWnd, {MainWnd}, true, {"focus 11"}, "main window in front"},
      {ClipboardWnd, {MainWnd, ClipboardWnd}, true, {"focus 13"}, "Clipboard Manager in front of the main window"},
      {ClipboardWnd, {ClipboardWnd}, true, {"focus 13"}, "Clipboard Manager in front, main window in the tray"},
      {HelpWnd, {MainWnd, HelpWnd}, true, {"focus 12"}, "help in front of the main window"},
      {MsgBoxWnd, {MainWnd, ClipboardWnd, MsgBoxWnd}, true, {"focus 14"}, "a message box of the Clipboard Manager"},
      {SliderWnd, {MainWnd, SliderWnd}, true, {"focus 15"}, "the brightness slider"},
      {HelpWnd, {MainWnd}, true, {}, "help window in front but not showing"},
  };
  for (const Case& c : cases) {
    FakeView view;
    FakeFocus focus;
    focus.Front = c.Front;
    focus.ShowingWindows = c.Showing;
    focus.MainEnabled = c.MainEnabled;
    TShowingThread notes(Gui, view, focus, Shared, 0ms);
    notes.ShowNote(L"Double click", false, TextNoteLevel);
    ASSERT_TRUE(view.WaitUntil([&] { return view.Hides == 1; })) << c.What;
    notes.Stop();
    EXPECT_EQ(focus.Log, c.Log) << c.What;
    EXPECT_EQ(focus.MainEnabled, c.MainEnabled) << c.What;
  }
}

TEST_F(ShowingThreadTest, NotesFromManyThreadsAreShownWholeAndTheLastIsNotLost) {
  // A note may be shown twice when it was written again before the thread read it, so any
  // sent text may come up any number of times; a mix of two never.
  std::set<std::wstring> fitted = {L"Final"};
  std::vector<std::thread> senders;
  for (int t = 0; t < 4; ++t) {
    std::wstring text = L"Thread " + std::to_wstring(t) + L" " + std::wstring(40, L'a' + t);
    fitted.insert(text.substr(0, 26) + L"...");  // cut by the 7 px fake
    senders.emplace_back([this, text] {
      for (int i = 0; i < 200; ++i) Notes.ShowNote(text, false, TextNoteLevel);
    });
  }
  for (auto& s : senders) s.join();
  Notes.ShowNote(L"Final", false, TextNoteLevel);
  ASSERT_TRUE(View.WaitUntil(
      [&] { return !View.Visible && !View.Shown.empty() && View.Shown.back().Layout.Text == L"Final"; }));
  Notes.Stop();
  for (size_t i = 0; i < View.Shown.size(); ++i) {
    const std::wstring& shown = View.Shown[i].Layout.Text;
    EXPECT_TRUE(fitted.contains(shown)) << i << ": " << std::string(shown.begin(), shown.end());
  }
}

}  // namespace
}  // namespace pelorin
