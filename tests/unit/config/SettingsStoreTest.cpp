#include "config/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigFakes.h"
#include "config/ExportImport.h"

namespace pelorin {
namespace {

using test::FakeDialogs;
using test::FakeFiles;
using test::FakeRunKey;
using test::ModelHolder;

const std::wstring Ini = L"C:\\Pelorin\\Pelorin.ini";
const std::wstring Expected = L"\"C:\\Pelorin\\Pelorin.exe\" autorun";

// A running Pelorin's settings side: model, ports and state.
struct SettingsFixture : ::testing::Test {
  ModelHolder M;
  FakeFiles Files;
  FakeRunKey Registry;
  TWindows1252 Ansi;
  TConfigState State;
  FakeDialogs Dialogs;
  TSettingsIo Io{Files, Ansi, Registry, AutoRunData(L"C:\\Pelorin\\Pelorin.exe")};
  TSettingsCommands Commands{M.Model(), Io, State, Dialogs};
};

TEST(AutoRun, ValueIsTheQuotedPathAndTheWordAutorun) {
  EXPECT_EQ(AutoRunData(L"C:\\Program Files\\Pelorin\\Pelorin.exe"), L"\"C:\\Program Files\\Pelorin\\Pelorin.exe\" autorun");
}

TEST(AutoRun, ValueFollowsTheCheckBox) {
  struct Case {
    const char* Why;
    bool KeyOpens;
    std::optional<std::wstring> Before;
    bool Check;
    std::optional<std::wstring> After;
  };
  const std::wstring old = L"\"D:\\Old\\Pelorin.exe\" autorun";
  const std::vector<Case> cases = {
      {"checked, none yet: created", true, std::nullopt, true, Expected},
      {"checked, older copy: replaced", true, old, true, Expected},
      {"unchecked, older copy: deleted", true, old, false, std::nullopt},
      {"unchecked, ours: deleted", true, Expected, false, std::nullopt},
      {"checked, ours: kept", true, Expected, true, Expected},
      {"unchecked, none: nothing", true, std::nullopt, false, std::nullopt},
      {"same path, other case: not ours", true, L"\"c:\\pelorin\\pelorin.exe\" autorun", true, Expected},
  };
  for (const Case& c : cases) {
    FakeRunKey registry;
    registry.KeyOpens = c.KeyOpens;
    registry.Value = c.Before;
    SyncAutoRun(registry, c.Check, Expected);
    EXPECT_EQ(registry.Value, c.After) << c.Why;
  }
}

TEST(AutoRun, KeyThatCannotBeOpenedIsSkippedSilently) {
  FakeRunKey registry;
  registry.KeyOpens = false;
  EXPECT_FALSE(AutoRunMatches(registry, Expected));
  EXPECT_EQ(registry.Deletes, 0);
  SyncAutoRun(registry, true, Expected);
  EXPECT_EQ(registry.Writes, 1) << "tried, and the failure ignored";
  SyncAutoRun(registry, false, Expected);
  EXPECT_EQ(registry.Deletes, 0) << "a key that cannot be read counts as no value";
}

TEST_F(SettingsFixture, NoFileThenFirstSaveWritesAutoRunAndCreatesTheRunValue) {
  TLoadResult loaded = LoadSettingsFile(Ini, M.Model(), {1920, 1080}, Io, State);
  EXPECT_EQ(loaded.File, TFileBytes::TState::Missing);
  EXPECT_FALSE(loaded.KnownSections);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave) << "loading changes nothing";
  EXPECT_FALSE(State.ProgrammaticChange) << "cleared after the load";
  EXPECT_TRUE(M.Cfg.AutoRunCheck && M.Cfg.NoteCheck && M.Cfg.DisableInGame && M.Cfg.HooksCheck);
  EXPECT_EQ(M.Cfg.MaxUncheckedEdit, 100);
  EXPECT_FALSE(State.NeedsSave()) << "nothing written at exit unless something changes";

  SetCfgChanged(State);
  ASSERT_TRUE(State.NeedsSave());
  EXPECT_EQ(WriteIniFile(Ini, M.Model(), Io, State), TSaveResult::Saved);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);
  EXPECT_NE(Files.Files[Ini].find("\r\n[Settings]\r\nAuto-runs at Windows start = 1\r\n"), std::string::npos);
  EXPECT_EQ(Registry.Value, Expected);
}

TEST_F(SettingsFixture, FailedWriteLeavesTheChangeToSaveAgain) {
  M.Cfg.DistTrack = 70;
  Files.FailWrites = true;
  MarkSettingsChanged(State);
  EXPECT_EQ(WriteIniFile(Ini, M.Model(), Io, State), TSaveResult::WriteFailed);
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged) << "so the next exit or suspend tries again";
  EXPECT_TRUE(State.NeedsSave());

  Files.FailWrites = false;
  EXPECT_EQ(WriteIniFile(Ini, M.Model(), Io, State), TSaveResult::Saved);
  EXPECT_NE(Files.Files[Ini].find("input = 70\r\n"), std::string::npos);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);
  EXPECT_EQ(SaveFailedText(L"X:\\a.ini"),
            L"The settings could not be saved to \"X:\\a.ini\".\r\nAn earlier copy of that file, if any, has been kept "
            L"unchanged.");
}

// --- Pelorin.ini present but unreadable ----------------------------------------------------

const std::string UsersIni =
    "[Custom Inputs]\r\nCommand1 = Sleep\r\nInput1 = Middle mouse button click\r\nInputState1 = 0\r\n"
    "Command2 = Reboot\r\nInput2 = Mouse button 5 click\r\n\r\n"
    "[Tracked windows]\r\nWindow1 = Save as&&&&OK&&\r\n\r\n"
    "[Settings]\r\nShow notifications on custom inputs = 0\r\n\r\n";

// Read faults at start-up, from none to more than the start-up tries: the file is loaded as
// soon as one read succeeds; when none does, Pelorin runs on the defaults and every later
// write leaves the file as it was. A missing file is no fault at all.
TEST_F(SettingsFixture, AnUnreadableIniIsTriedAgainThenRunsOnDefaultsAndIsNeverWrittenOver) {
  struct Case {
    const char* Name;
    int FailingReads;
    bool Missing;
    bool Loaded;
    int Waits;
  };
  const Case cases[] = {
      {"readable", 0, false, true, 0},
      {"one failed read", 1, false, true, 1},
      {"readable at the last try", IniReadAttempts - 1, false, true, IniReadAttempts - 1},
      {"never readable", IniReadAttempts, false, false, IniReadAttempts - 1},
      {"missing", 0, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ModelHolder m;
    TConfigState state;
    FakeFiles files;
    FakeRunKey registry;
    TSettingsIo io{files, Ansi, registry, Io.AutoRunData};
    if (!c.Missing) files.Files[Ini] = UsersIni;
    files.FailNextReads = c.FailingReads;
    std::vector<int> waits;
    TLoadResult result = LoadIniAtStart(Ini, m.Model(), {1920, 1080}, io, state, [&](int ms) { waits.push_back(ms); });
    EXPECT_EQ(waits, std::vector<int>(static_cast<size_t>(c.Waits), IniRetryMs));
    const bool unreadable = !c.Missing && !c.Loaded;
    EXPECT_EQ(result.Loaded(), !unreadable);
    EXPECT_EQ(state.IniUnread, unreadable);
    EXPECT_EQ(state.ExportMark, !c.Loaded) << "marked exported only when no known section was read";
    EXPECT_EQ(test::RowsOf(m.Inputs).size(), c.Loaded ? 2u : 1u);
    EXPECT_EQ(m.Tracked.size(), c.Loaded ? 1u : 0u);
    EXPECT_EQ(m.Cfg.NoteCheck, !c.Loaded) << "defaults as for an absent key";
    EXPECT_FALSE(state.NeedsSave());

    // A moved window, a brightness step, Close.
    MarkSettingsChanged(state);
    EXPECT_EQ(WriteIniFile(Ini, m.Model(), io, state), unreadable ? TSaveResult::NotRead : TSaveResult::Saved);
    if (unreadable) {
      EXPECT_EQ(files.Files[Ini], UsersIni) << "the user's settings were written over";
      EXPECT_EQ(files.Writes, 0);
      EXPECT_FALSE(registry.Value.has_value()) << "the Run value follows no default either";
      EXPECT_TRUE(state.NeedsSave());
    } else {
      EXPECT_EQ(files.Writes, 1);
    }
  }
}

// Released later, the file is read again: the model takes the user's settings in place of the
// defaults, and from then on it is written as usual.
TEST_F(SettingsFixture, AnIniReleasedLaterIsReadAndThenWrittenAsUsual) {
  Files.Files[Ini] = UsersIni;
  Files.Held.insert(Ini);
  LoadIniAtStart(Ini, M.Model(), {1920, 1080}, Io, State, nullptr);
  ASSERT_TRUE(State.IniUnread);
  EXPECT_EQ(Files.Reads, IniReadAttempts);
  M.Inputs.AddRow(L"Hibernate", std::nullopt, L"Mouse button 4 click", StateMouse);  // an edit on the defaults
  MarkSettingsChanged(State);
  EXPECT_FALSE(RetryIniRead(Ini, M.Model(), {1920, 1080}, Io, State)) << "still held";
  EXPECT_EQ(WriteIniFile(Ini, M.Model(), Io, State), TSaveResult::NotRead);

  Files.Held.clear();
  EXPECT_TRUE(RetryIniRead(Ini, M.Model(), {1920, 1080}, Io, State));
  EXPECT_FALSE(State.IniUnread);
  EXPECT_FALSE(State.ExportMark) << "the file holds settings worth a backup";
  EXPECT_FALSE(State.NeedsSave()) << "the model is what the file holds";
  EXPECT_EQ(test::RowsOf(M.Inputs), (std::vector<std::wstring>{L"Sleep|-|Middle mouse button click|0",
                                                                L"Reboot|-|Mouse button 5 click|" +
                                                                    std::to_wstring(AbsentInputState)}));
  EXPECT_FALSE(RetryIniRead(Ini, M.Model(), {1920, 1080}, Io, State)) << "read once is enough";

  M.Cfg.DistTrack = 70;
  MarkSettingsChanged(State);
  EXPECT_EQ(WriteIniFile(Ini, M.Model(), Io, State), TSaveResult::Saved);
  const std::string& written = Files.Files[Ini];
  for (const char* line : {"Command1 = Sleep\r\n", "Command2 = Reboot\r\n", "Window1 = Save as&&&&OK&&\r\n",
                           "input = 70\r\n"})
    EXPECT_NE(written.find(line), std::string::npos) << line << " missing from:\n" << written;
  EXPECT_EQ(written.find("Hibernate"), std::string::npos);
}

TEST_F(SettingsFixture, ImportOfAnUnreadableFileChangesNothingAndSaysSo) {
  M.Inputs.AddRow(L"Reboot", std::nullopt, L"Mouse button 5 click", StateMouse);
  M.Cfg.NoteCheck = true;  // the file says 0
  Files.Files[L"E:\\held.ini"] = UsersIni;
  Files.Held.insert(L"E:\\held.ini");
  State.ExportMark = true;
  Dialogs.ChosenFile = L"E:\\held.ini";
  bool shown = false;
  LoadCfgClick(Commands, {1920, 1080}, [&] { shown = true; });
  EXPECT_EQ(test::RowsOf(M.Inputs).size(), 1u);
  EXPECT_EQ(M.Inputs.GetCell(0, 1), L"Reboot");
  EXPECT_TRUE(M.Cfg.NoteCheck);
  EXPECT_FALSE(shown);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, L"The settings could not be read from \"E:\\held.ini\".\r\nNothing has been changed.");
  EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(SettingsFixture, ExportWritesTheChosenFileMarksItAndLeavesCfgChanged) {
  M.Cfg.AutoRunCheck = true;
  MarkSettingsChanged(State);
  Dialogs.ChosenFile = L"D:\\backup.ini";
  SaveCfgClick(Commands);
  ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
  EXPECT_EQ(Dialogs.FileDialogs[0], L"Export Settings|Pelorin.ini|Ini files (*.ini)|*.ini|All files (*.*)|*.*");
  EXPECT_TRUE(Files.Files.count(L"D:\\backup.ini"));
  EXPECT_FALSE(Files.Files.count(Ini)) << "Pelorin.ini itself is not written";
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, L"Settings have been saved");
  EXPECT_EQ(Dialogs.Messages[0].Caption, L"Export Settings");
  EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_TRUE(State.ExportMark);
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged);
  EXPECT_EQ(Registry.Value, Expected) << "an Export brings the Run value in line too";
}

TEST_F(SettingsFixture, ExportCancelledOrFailedLeavesTheMark) {
  SaveCfgClick(Commands);
  EXPECT_EQ(Files.Writes, 0);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_FALSE(State.ExportMark);

  Dialogs.ChosenFile = L"D:\\backup.ini";
  Files.FailWrites = true;
  SaveCfgClick(Commands);
  EXPECT_EQ(Files.Writes, 1);
  EXPECT_FALSE(State.ExportMark);
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, SaveFailedText(L"D:\\backup.ini"));
  EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(SettingsFixture, ImportAsksFirstUnlessExportedAndUnchanged) {
  struct Case {
    bool Mark;
    int8_t Cfg;
    bool Asks;
  };
  const std::vector<Case> cases = {{false, 2, true}, {false, 1, true}, {false, 0, true},
                                   {true, 2, false}, {true, 1, false}, {true, 0, true}};
  for (const Case& c : cases) {
    FakeDialogs dialogs;
    dialogs.AnswerYes = false;
    State.ExportMark = c.Mark;
    State.CfgChanged = c.Cfg;
    LoadCfgClick({M.Model(), Io, State, dialogs}, {1920, 1080}, nullptr);
    EXPECT_EQ(dialogs.Questions.size(), c.Asks ? 1u : 0u) << c.Mark << " " << int{c.Cfg};
    EXPECT_EQ(dialogs.FileDialogs.size(), c.Asks ? 0u : 1u) << "No ends the command";
  }
}

TEST_F(SettingsFixture, ImportRightAfterExportStillAsksWhileChangesAreUnsaved) {
  MarkSettingsChanged(State);
  Dialogs.ChosenFile = L"D:\\backup.ini";
  SaveCfgClick(Commands);
  ASSERT_TRUE(State.ExportMark);
  Dialogs.AnswerYes = false;
  LoadCfgClick(Commands, {1920, 1080}, nullptr);
  ASSERT_EQ(Dialogs.Questions.size(), 1u);
  EXPECT_EQ(Dialogs.Questions[0],
            L"Recommended to export current settings first|After the import all current settings will be changed. At "
            L"first, it`s recommended to save the current settings by using an \"Export Settings...\" button.\rDo you "
            L"want to continue the import?");
}

TEST_F(SettingsFixture, ImportLoadsTheFileMarksChangedAndReports) {
  Files.Files[L"E:\\other.ini"] =
      "[Custom Inputs]\r\nCommand1 = Sleep\r\nInput1 = Middle mouse button click\r\n"
      "[Settings]\r\nShow notifications on custom inputs = 0\r\n";
  State.ExportMark = true;
  Dialogs.ChosenFile = L"E:\\other.ini";
  bool guardedDuringRefresh = false;
  LoadCfgClick(Commands, {1920, 1080}, [&] { guardedDuringRefresh = State.ProgrammaticChange; });
  EXPECT_TRUE(Dialogs.Questions.empty());
  EXPECT_EQ(Dialogs.FileDialogs.at(0), L"Import Settings|Pelorin.ini|Ini files (*.ini)|*.ini|All files (*.*)|*.*");
  EXPECT_EQ(M.Inputs.GetCell(0, 1), L"Sleep");
  EXPECT_FALSE(M.Cfg.NoteCheck);
  EXPECT_TRUE(guardedDuringRefresh);
  EXPECT_FALSE(State.ProgrammaticChange);
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged) << "so Pelorin.ini is rewritten at exit";
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, L"Settings have been loaded");
  EXPECT_EQ(Dialogs.Messages[0].Caption, L"Import Settings");
  EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Information);
}

TEST_F(SettingsFixture, ImportCancelledAtTheFileDialogChangesNothing) {
  M.Inputs.AddRow(L"Reboot", std::nullopt, L"Mouse button 5 click", StateMouse);
  State.ExportMark = true;
  LoadCfgClick(Commands, {1920, 1080}, nullptr);
  EXPECT_EQ(M.Inputs.GetCell(0, 1), L"Reboot");
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST(ChangeTracking, HandlersMoveCfgChangedAsTheTableSays) {
  struct Case {
    const char* Handler;
    void (*Run)(TConfigState&);
    int8_t From;
    bool Programmatic;
    int8_t To;
  };
  auto clp = [](TConfigState& s) { ClpManLimitsChanged(s); };
  auto dist = [](TConfigState& s) { DistTrackChange(s, 60, L"45% of screen height"); };
  const std::vector<Case> cases = {
      {"SetCfgChanged", SetCfgChanged, 2, false, 0},       {"SetCfgChanged", SetCfgChanged, 1, false, 0},
      {"SetCfgChanged", SetCfgChanged, 2, true, 2},        {"SetSysCfgChanged", SetSysCfgChanged, 2, false, 1},
      {"SetSysCfgChanged", SetSysCfgChanged, 0, false, 0}, {"SetSysCfgChanged", SetSysCfgChanged, 1, false, 1},
      {"SetSysCfgChanged", SetSysCfgChanged, 2, true, 2},  {"AutoLayoutCheckClick", AutoLayoutCheckClick, 1, false, 0},
      {"AutoLayoutCheckClick", AutoLayoutCheckClick, 2, true, 2},
      {"ClpManLimitsChanged", clp, 2, false, 0},           {"ClpManLimitsChanged", clp, 1, true, 1},
      {"DistTrackChange", dist, 2, false, 0},              {"DistTrackChange", dist, 1, true, 1},
      {"MarkSettingsChanged", MarkSettingsChanged, 2, true, 0},  // Import, command thread
      {"MarkSettingsSaved", MarkSettingsSaved, 0, false, 2},
  };
  for (const Case& c : cases) {
    TConfigState state;
    state.CfgChanged = c.From;
    state.ProgrammaticChange = c.Programmatic;
    c.Run(state);
    EXPECT_EQ(state.CfgChanged, c.To) << c.Handler << " from " << int{c.From} << (c.Programmatic ? " guarded" : "");
  }
}

TEST(ChangeTracking, DistanceCaptionFollowsThePositionEvenWhenGuarded) {
  TConfigState state;
  EXPECT_EQ(DistTrackChange(state, 60, L"45% of screen height"), L"60% of screen height");
  state.ProgrammaticChange = true;
  EXPECT_EQ(DistTrackChange(state, 10, L"60% of screen height"), L"10% of screen height");
  EXPECT_EQ(DistTrackChange(state, 80, L"x"), L"80");
}

TEST(ChangeTracking, ClipboardApplyIsEnabledOnlyByAUserChange) {
  TConfigState state;
  EXPECT_TRUE(ClpManLimitsChanged(state));
  TProgrammaticChange guard(state);
  EXPECT_FALSE(ClpManLimitsChanged(state));
}

TEST(ChangeTracking, GuardGivesBackTheEarlierState) {
  TConfigState state;
  {
    TProgrammaticChange outer(state);
    {
      TProgrammaticChange inner(state);
      EXPECT_TRUE(state.ProgrammaticChange);
    }
    EXPECT_TRUE(state.ProgrammaticChange) << "the inner guard must not clear the outer one";
  }
  EXPECT_FALSE(state.ProgrammaticChange);
}

}  // namespace
}  // namespace pelorin
