#include "input/ForegroundTracking.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CoreFakes.h"

namespace pelorin {
namespace {

struct FakeScreen : ForegroundPort {
  std::map<TWindowHandle, uint32_t> Styles;
  std::map<TWindowHandle, TRect> Rects;
  std::set<TWindowHandle> Desktops;
  TWindowHandle Foreground = 0;
  bool Note = false;
  TWindowHandle ForegroundWindow() override { return Foreground; }
  uint32_t WindowStyle(TWindowHandle window) override { return Styles[window]; }
  TRect WindowRect(TWindowHandle window) override { return Rects[window]; }
  bool IsDesktopWindow(TWindowHandle window) override { return Desktops.count(window) != 0; }
  bool NoteRunning() override { return Note; }
};

struct FakeSwitch : InputsSwitchPort {
  EventLog& L;
  explicit FakeSwitch(EventLog& l) : L(l) {}
  void RefreshInputsCaption() override { L.Add("gui inputs caption"); }
};

constexpr uint32_t PopupStyle = 0x80000000;
constexpr uint32_t CaptionStyle = 0x00C00000;
constexpr uint32_t OverlappedWindowStyle = 0x00CF0000;  // caption, frame, minimise and maximise boxes
constexpr TWindowHandle MainWnd = 0x10, Editor = 0x20, Game = 0x30, NoteWnd = 0x40, Popup = 0x50,
                        BrightnessWnd = 0x60, MsgBox = 0x70;

using Lines = std::vector<std::string>;

class ForegroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Shared.ScreenWidth = 1280;
    Shared.ScreenHeight = 1024;
    Tracker.SetMainWindow(MainWnd);
    for (TWindowHandle own : {NoteWnd, Popup, BrightnessWnd}) ASSERT_TRUE(Tracker.RegisterOwnWindow(own));
  }
  void Window(TWindowHandle w, uint32_t style, TRect rect) {
    Screen.Styles[w] = style;
    Screen.Rects[w] = rect;
  }
  // Runs the queued GUI work and returns what it did.
  Lines RunGui() {
    Gui.RunQueued();
    Lines lines = std::move(Events.Lines);
    Events.Lines.clear();
    return lines;
  }

  EventLog Events;
  TSharedState Shared;
  TConfigState Config;
  TTypedChars Typed;
  FakeScreen Screen;
  QueueingGui Gui;
  FakeSwitch Switch{Events};
  FakeNotes Notes{Events};
  TForegroundTracker Tracker{{Shared, Config, Typed, Screen, Gui, Switch, Notes}};
};

TEST_F(ForegroundTest, FullScreenMeansNoCaptionButtonsAndAtLeastTheScreen) {
  struct Case {
    const char* Name;
    uint32_t Style;
    TRect Rect;
    bool Desktop;
    bool Fullscreen;
  };
  const std::vector<Case> cases = {
      {"borderless, exactly the screen", PopupStyle, {0, 0, 1280, 1024}, false, true},
      {"maximised ordinary window", OverlappedWindowStyle, {-8, -8, 1296, 1040}, false, false},
      {"only a maximise box", PopupStyle | 0x10000, {0, 0, 1280, 1024}, false, false},
      {"only a minimise box", PopupStyle | 0x20000, {0, 0, 1280, 1024}, false, false},
      {"a caption alone is no button", CaptionStyle, {0, 0, 1280, 1024}, false, true},
      {"spanning two monitors", PopupStyle, {0, 0, 2560, 1024}, false, true},
      {"one pixel narrow", PopupStyle, {0, 0, 1279, 1024}, false, false},
      {"one pixel short", PopupStyle, {0, 0, 1280, 1023}, false, false},
      {"off the origin but as large", PopupStyle, {-1280, 0, 1280, 1024}, false, true},
      {"the desktop", PopupStyle, {0, 0, 1280, 1024}, true, false},
      {"a window that is gone", 0, {}, false, false},
  };
  for (const Case& c : cases) {
    Shared.Fullscreen = !c.Fullscreen;
    Window(Game, c.Style, c.Rect);
    Screen.Desktops.clear();
    if (c.Desktop) Screen.Desktops.insert(Game);
    Tracker.DetectFullscreen(Game);
    EXPECT_EQ(Shared.Fullscreen.load(), c.Fullscreen) << c.Name;
  }
}

TEST_F(ForegroundTest, AGameSwitchesTheInputsOffAndLeavingItSwitchesThemOn) {
  Window(Game, PopupStyle, {0, 0, 1280, 1024});
  Window(Editor, OverlappedWindowStyle, {100, 100, 600, 400});
  Window(Popup, PopupStyle, {0, 0, 2000, 2000});  // a second game

  EXPECT_FALSE(Tracker.DetectFullscreen(Editor));
  EXPECT_TRUE(Gui.Queued.empty()) << "no change, no switch";

  EXPECT_TRUE(Tracker.DetectFullscreen(Game));
  EXPECT_FALSE(Shared.CheckedInputsEnabled.load());
  EXPECT_FALSE(Shared.AutoSwitchAllowed.load());
  EXPECT_TRUE(Shared.PrevFullscreen.load());
  EXPECT_TRUE(Events.Lines.empty()) << "the caption and the note wait for the GUI thread";
  EXPECT_EQ(RunGui(), (Lines{"gui inputs caption", "note 'Checked Inputs disabled' level -1"}))
      << "an unforced note: shown only while notes are on";

  EXPECT_FALSE(Tracker.DetectFullscreen(Popup));
  EXPECT_EQ(RunGui(), Lines{}) << "from one game to another switches nothing";

  EXPECT_TRUE(Tracker.DetectFullscreen(Editor));
  EXPECT_TRUE(Shared.CheckedInputsEnabled.load());
  EXPECT_TRUE(Shared.AutoSwitchAllowed.load());
  EXPECT_EQ(RunGui(), (Lines{"gui inputs caption", "note 'Checked Inputs enabled' level -1"}));
}

TEST_F(ForegroundTest, TheSwitchOverridesWhatTheUserSet) {
  Window(Game, PopupStyle, {0, 0, 1280, 1024});
  Window(Editor, OverlappedWindowStyle, {100, 100, 600, 400});
  Shared.CheckedInputsEnabled = false;  // switched off with the button before the game
  EXPECT_TRUE(Tracker.DetectFullscreen(Game));
  RunGui();
  EXPECT_TRUE(Tracker.DetectFullscreen(Editor));
  EXPECT_TRUE(Shared.CheckedInputsEnabled.load()) << "leaving a game always switches them on";
  RunGui();

  EXPECT_TRUE(Tracker.DetectFullscreen(Game));
  Shared.CheckedInputsEnabled = true;  // switched on with the button before the GUI work ran
  EXPECT_EQ(RunGui(), (Lines{"gui inputs caption", "note 'Checked Inputs enabled' level -1"}))
      << "the note says what the caption shows";
}

TEST_F(ForegroundTest, DisableInGameClickForgetsTheGameButLeavesTheInputsAlone) {
  Window(Game, PopupStyle, {0, 0, 1280, 1024});
  Window(Editor, OverlappedWindowStyle, {100, 100, 600, 400});
  Tracker.SetDisableInGame(true);
  Tracker.DetectFullscreen(Game);
  RunGui();

  Tracker.DisableInGameClick(false);  // unchecked while the game is in front
  EXPECT_FALSE(Tracker.DisableInGame());
  EXPECT_FALSE(Shared.Fullscreen.load());
  EXPECT_FALSE(Shared.PrevFullscreen.load());
  EXPECT_TRUE(Shared.AutoSwitchAllowed.load());
  EXPECT_FALSE(Shared.CheckedInputsEnabled.load()) << "stays off until the user presses the button";
  EXPECT_EQ(Config.CfgChanged.load(), CfgSettingsChanged);

  Tracker.DisableInGameClick(true);
  EXPECT_FALSE(Tracker.DetectFullscreen(Editor)) << "leaving the game now switches nothing";
  EXPECT_FALSE(Shared.CheckedInputsEnabled.load());
  EXPECT_EQ(RunGui(), Lines{});
}

TEST_F(ForegroundTest, DisableInGameSetByPelorinItselfOnlyMirrorsTheOption) {
  Shared.Fullscreen = true;
  Shared.PrevFullscreen = true;
  Shared.AutoSwitchAllowed = false;
  {
    TProgrammaticChange loading(Config);
    Tracker.DisableInGameClick(true);
  }
  EXPECT_TRUE(Tracker.DisableInGame());
  EXPECT_TRUE(Shared.Fullscreen.load());
  EXPECT_TRUE(Shared.PrevFullscreen.load());
  EXPECT_FALSE(Shared.AutoSwitchAllowed.load());
  EXPECT_EQ(Config.CfgChanged.load(), CfgNothingToSave);
}

TEST_F(ForegroundTest, ForegroundEventsFromPelorinsOwnWindowsAndMessageBoxesAreIgnored) {
  struct Case {
    const char* Name;
    TWindowHandle Window;
    std::function<void()> Set;
    bool Accepted;
  };
  const std::vector<Case> cases = {
      {"another window", Game, [] {}, true},
      {"the same window again", Editor, [] {}, false},
      {"a message box of Pelorin is open", MsgBox, [this] { Shared.MsgBoxBusy = true; }, false},
      {"the note", NoteWnd, [] {}, false},
      {"the pop-up", Popup, [] {}, false},
      {"the brightness slider", BrightnessWnd, [] {}, false},
      {"the main window", MainWnd, [] {}, true},
      {"the main window while a note shows", MainWnd,
       [this] {
         Screen.Note = true;
         Screen.Foreground = Editor;
       },
       false},
      {"the main window really in front while a note shows", MainWnd,
       [this] {
         Screen.Note = true;
         Screen.Foreground = MainWnd;
       },
       true},
      {"a late event of a message box that has closed", MsgBox, [this] { Screen.Foreground = MainWnd; }, false},
      {"a late event of a window the user has left", Game, [this] { Screen.Foreground = MainWnd; }, false},
  };
  for (const Case& c : cases) {
    Shared.ForegroundWnd = Editor;
    Shared.ForegroundThreadId = 1;
    Shared.MsgBoxBusy = false;
    Screen.Note = false;
    Screen.Foreground = c.Window;
    Typed.Append({30, 'A', false});
    c.Set();
    EXPECT_EQ(Tracker.WinEventProc(c.Window, 42), c.Accepted) << c.Name;
    EXPECT_EQ(Shared.ForegroundWnd.load(), c.Accepted ? c.Window : Editor) << c.Name;
    EXPECT_EQ(Shared.ForegroundThreadId.load(), c.Accepted ? 42u : 1u) << c.Name;
    EXPECT_EQ(Typed.Copy().empty(), c.Accepted) << c.Name << ": the typed word goes only with a change";
    Typed.ClearTypedChars();
  }
}

TEST_F(ForegroundTest, OwnWindowsHaveRoomForEveryTransientWindow) {
  TForegroundTracker tracker({Shared, Config, Typed, Screen, Gui, Switch, Notes});
  for (int i = 1; i <= TForegroundTracker::MaxOwnWindows; ++i) EXPECT_TRUE(tracker.RegisterOwnWindow(0x100 * i));
  EXPECT_TRUE(tracker.RegisterOwnWindow(0x100)) << "registered twice takes no room";
  EXPECT_FALSE(tracker.RegisterOwnWindow(0x9999)) << "a full list says so";
  Screen.Foreground = 0x800;
  EXPECT_FALSE(tracker.WinEventProc(0x800, 1));
  Screen.Foreground = 0x9999;
  EXPECT_TRUE(tracker.WinEventProc(0x9999, 1)) << "a window that found no room is an ordinary window";
}

}  // namespace
}  // namespace pelorin
