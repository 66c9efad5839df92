#include "desktop/DesktopIcons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CoreFakes.h"

namespace pelorin {
namespace {

constexpr int IdYes = 6, IdNo = 7;

// A shell whose list can be refused, vanish (a shell restart) and come back; every call is
// logged.
struct FakeShell : DesktopShellPort {
  EventLog& L;
  std::vector<TDesktopIcon> Icons{{L"A", 10, 20}, {L"B", 10, 110}};
  TState OpenResult = Usable;
  bool Alive = false;
  bool Unreadable = false;
  TWindowHandle Desktop = 100;
  explicit FakeShell(EventLog& l) : L(l) {}
  TState Open() override {
    L.Add("open");
    Alive = OpenResult == Usable;
    return OpenResult;
  }
  void Close() override {
    L.Add("close");
    Alive = false;
  }
  bool ListAlive() override { return Alive; }
  bool IsShellWindow(TWindowHandle window) override { return window == Desktop; }
  int ItemCount() override { return static_cast<int>(Icons.size()); }
  std::optional<TDesktopIcon> ReadItem(int index) override {
    if (Unreadable) return std::nullopt;
    return Icons[static_cast<size_t>(index)];
  }
  void MoveItem(int index, int32_t x, int32_t y) override {
    Icons[static_cast<size_t>(index)].X = x;
    Icons[static_cast<size_t>(index)].Y = y;
    L.Add("move " + Narrow(Icons[static_cast<size_t>(index)].Caption) + " " + std::to_string(x) + "," +
          std::to_string(y));
  }
};

struct FakeUi : DesktopUiPort {
  EventLog& L;
  int Answer = IdYes;
  bool WriteFails = false;
  explicit FakeUi(EventLog& l) : L(l) {}
  int MsgBox(std::wstring_view text, std::wstring_view caption, uint32_t flags) override {
    L.Add("box '" + Narrow(text) + "' '" + Narrow(caption) + "' " + std::to_string(flags));
    return Answer;
  }
  // A failed write reports itself, as the program's own does.
  bool SaveSettings() override {
    if (!WriteFails) {
      L.Add("ini written");
      return true;
    }
    MsgBox(L"write failed", L"Pelorin", 16);
    return false;
  }
};

class DesktopIconsTest : public ::testing::Test {
 protected:
  std::vector<std::string> Take() {
    std::vector<std::string> lines = Log.Copy();
    Log.Lines.clear();
    return lines;
  }
  EventLog Log;
  TSharedState Shared;
  Settings Cfg;
  TConfigState Config;
  FakeShell Shell{Log};
  FakeUi Ui{Log};
  TDesktopIcons Icons{{Shared, Cfg, Config, Shell, Ui}};
};

using Lines = std::vector<std::string>;

TEST_F(DesktopIconsTest, StartRestoresTwiceOnlyWithTheOptionAndSavedPositions) {
  Cfg.IconPositions = L"|A|1|2|B|3|4";
  EXPECT_EQ(Icons.Start(), DesktopShellPort::Usable);
  EXPECT_EQ(Take(), Lines{"open"}) << "the option is off";
  Icons.Stop();
  Cfg.AutoRestoreDesktopCheck = true;
  Take();
  Icons.Start();
  EXPECT_EQ(Take(), (Lines{"open", "move A 1,2", "move B 3,4", "move B 3,4"}));
  Shell.OpenResult = DesktopShellPort::Refused;
  Icons.Stop();
  Take();
  EXPECT_EQ(Icons.Start(), DesktopShellPort::Refused);
  EXPECT_EQ(Take(), Lines{"open"});
}

TEST_F(DesktopIconsTest, SaveAsksAndNoChangesNothing) {
  Icons.Start();
  Take();
  Cfg.IconPositions = L"|old|1|1";
  Ui.Answer = IdNo;
  Icons.SaveClick(true);
  EXPECT_EQ(Take(), (Lines{"box 'Do you wish to save the current positions of the desktop shortcuts?' "
                           "'Saving shortcuts positions' 36"}));
  EXPECT_EQ(Cfg.IconPositions, L"|old|1|1");
  Ui.Answer = IdYes;
  Icons.SaveClick(true);
  EXPECT_EQ(Cfg.IconPositions, L"|A|10|20|B|10|110");
  EXPECT_EQ(Take(), (Lines{"box 'Do you wish to save the current positions of the desktop shortcuts?' "
                           "'Saving shortcuts positions' 36",
                           "ini written",
                           "box 'The information about the shortcuts positions was successfully saved' "
                           "'Shortcuts positions saved' 64"}));
}

// The error of the settings write is the last word: no success message follows it.
TEST_F(DesktopIconsTest, ASettingsWriteThatFailedIsToldOnceAndNeverFollowedBySuccess) {
  Icons.Start();
  Ui.WriteFails = true;
  Take();
  Icons.SaveClick(true);
  EXPECT_EQ(Take(), (Lines{"box 'Do you wish to save the current positions of the desktop shortcuts?' "
                           "'Saving shortcuts positions' 36",
                           "box 'write failed' 'Pelorin' 16"}));
  EXPECT_EQ(Cfg.IconPositions, L"|A|10|20|B|10|110") << "kept in memory for the next write";
  EXPECT_TRUE(Config.NeedsSave()) << "and written at exit";
  Cfg.AutoRestoreDesktopCheck = true;
  Cfg.IconPositions.clear();
  Icons.AutoRestoreClick();  // saves without asking
  EXPECT_EQ(Take(), (Lines{"box 'write failed' 'Pelorin' 16"}));
}

// The worker's restore works from the positions the button has just saved, not from those
// read at start-up.
TEST_F(DesktopIconsTest, AfterTheSaveButtonTheAutomaticRestoreUsesTheNewPositions) {
  Cfg.AutoRestoreDesktopCheck = true;
  Cfg.IconPositions = L"|A|1|2|B|3|4";
  Icons.Start();
  Shell.Icons = {{L"A", 50, 60}, {L"B", 70, 80}};
  Take();
  Icons.SaveClick(true);
  EXPECT_EQ(Cfg.IconPositions, L"|A|50|60|B|70|80");
  Shell.Icons = {{L"A", 0, 0}, {L"B", 0, 0}};  // the user moved them away
  Take();
  Icons.ForegroundChanged(Shell.Desktop);
  EXPECT_EQ(Take(), (Lines{"move A 50,60", "move B 70,80", "move B 70,80"}));
}

TEST_F(DesktopIconsTest, AFailedReadKeepsWhatWasSavedAndAnEmptyDesktopSavesNothing) {
  Icons.Start();
  Cfg.IconPositions = L"|old|1|1";
  Shell.Unreadable = true;
  Take();
  Icons.SaveClick(false);
  EXPECT_EQ(Take(), (Lines{"box 'Can`t get information on desktop shortcuts' 'Error' 16"}));
  EXPECT_EQ(Cfg.IconPositions, L"|old|1|1");
  Shell.Unreadable = false;
  Shell.Icons.clear();
  Icons.SaveClick(false);
  EXPECT_EQ(Take(), Lines{}) << "silent";
  EXPECT_EQ(Cfg.IconPositions, L"|old|1|1");
}

TEST_F(DesktopIconsTest, RestoreRunsTwiceAndSaysHowItWent) {
  Icons.Start();
  Take();
  Icons.RestoreClick();
  EXPECT_EQ(Take(), Lines{}) << "nothing saved, nothing done";
  Cfg.IconPositions = L"|A|5|6|B|7|8";
  Icons.RestoreClick();
  EXPECT_EQ(Take(), (Lines{"move A 5,6", "move B 7,8", "move B 7,8",
                           "box 'The shortcuts positions was successfully restored' 'Shortcuts positions restored' 64"}));
  Cfg.IconPositions = L"|A|5|x";
  Icons.RestoreClick();
  EXPECT_EQ(Take(), (Lines{"box 'Can`t restore the desktop shortcuts positions' 'Error' 16"}));
}

TEST_F(DesktopIconsTest, CheckingTheAutomaticRestoreWithNothingSavedSavesWithoutAsking) {
  Icons.Start();
  Take();
  Cfg.AutoRestoreDesktopCheck = true;
  {
    TProgrammaticChange guard(Config);
    Icons.AutoRestoreClick();
  }
  EXPECT_EQ(Take(), Lines{}) << "a programmatic change does nothing";
  Icons.AutoRestoreClick();
  EXPECT_EQ(Cfg.IconPositions, L"|A|10|20|B|10|110");
  EXPECT_EQ(Take(), (Lines{"ini written", "box 'The information about the shortcuts positions was successfully saved' "
                                          "'Shortcuts positions saved' 64"}));
  EXPECT_TRUE(Config.NeedsSave()) << "the click itself is a change to save";
}

TEST_F(DesktopIconsTest, TheDesktopInFrontRestoresOnlyWithEverythingInPlace) {
  Icons.Start();
  Cfg.IconPositions = L"|A|1|2|B|3|4";
  Icons.SettingsChanged();
  Take();
  Icons.ForegroundChanged(Shell.Desktop);
  EXPECT_EQ(Take(), Lines{}) << "the option is off";
  Cfg.AutoRestoreDesktopCheck = true;
  Icons.SettingsChanged();
  Icons.ForegroundChanged(555);
  EXPECT_EQ(Take(), Lines{}) << "another window";
  Shared.AppEnabled = false;
  Icons.ForegroundChanged(Shell.Desktop);
  EXPECT_EQ(Take(), Lines{}) << "Pelorin switched off";
  Shared.AppEnabled = true;
  Icons.ForegroundChanged(Shell.Desktop);
  EXPECT_EQ(Take(), (Lines{"move A 1,2", "move B 3,4", "move B 3,4"}));
}

TEST_F(DesktopIconsTest, AShellThatCameBackIsFoundAgain) {
  Icons.Start();
  Cfg.AutoRestoreDesktopCheck = true;
  Cfg.IconPositions = L"|A|1|2";
  Icons.SettingsChanged();
  Take();
  Shell.Alive = false;  // the list window went with the old shell
  Icons.ForegroundChanged(Shell.Desktop);
  EXPECT_EQ(Take(), (Lines{"close", "open", "move A 1,2", "move A 1,2"}));
  Icons.ShellRestarted();
  EXPECT_EQ(Take(), (Lines{"close", "open"}));
  // A shell that refuses access from now on: nothing more is tried.
  Shell.OpenResult = DesktopShellPort::Refused;
  Icons.ShellRestarted();
  Take();
  Icons.ForegroundChanged(Shell.Desktop);
  Icons.RestoreClick();
  EXPECT_EQ(Take(), (Lines{"box 'Can`t restore the desktop shortcuts positions' 'Error' 16"}));
}

}  // namespace
}  // namespace pelorin
