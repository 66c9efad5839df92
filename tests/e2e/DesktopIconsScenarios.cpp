// Desktop icon positions on the stand-in desktop: saved on request, put back by the button, at
// start-up and when the desktop comes to the front, found again after the shell restarted; no
// desktop at all is a failure repaired by a restart. And the four power shortcuts.
#include <shlobj.h>
#include <shobjidl.h>

#include "E2eDesktop.h"
#include "E2eSupport.h"
#include "FakeDesktopLayout.h"
#include "common/win/Com.h"
#include "config/SettingsStore.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

constexpr char SavedLayout[] = "|Recycle Bin|20|20|Notes.txt|20|110|Projects|120|20|Holiday photos|300|220";
// Saved elsewhere: Notes.txt on a monitor left of the primary one.
constexpr char SavedElsewhere[] = "|Recycle Bin|40|60|Notes.txt|-300|-40|Projects|500|400|Holiday photos|300|220";
constexpr int NotesIndex = 1;
constexpr const wchar_t* HookErrorText = L"Can`t set system hook for normal work";

class DesktopIcons : public TScenario {
 protected:
  void SetUp() override {
    TScenario::SetUp();
    ASSERT_TRUE(StandIn().Restart()) << "the stand-in desktop did not start afresh";
  }
  void TearDown() override {
    TScenario::TearDown();
    EXPECT_TRUE(StandIn().Start());  // for the scenarios after this one
  }
  // A file this scenario's Pelorin is going to change: written by hand, not checked at the end.
  void WriteSettings(bool autoRestore, const char* saved) {
    TIni ini = TIni().Section("Desktop");
    if (autoRestore) ini.Value("Automatically restore the previously saved shortcuts positions on desktop", "1");
    if (saved != nullptr) ini.Value("Shortcuts", saved);
    ASSERT_TRUE(WriteBytes(IniPath(), ini.Text()));
  }
  // A click on a control of the main window's pages, as the control reports it.
  static void Click(TPelorin& pelorin, int id) {
    HWND control = FindControl(pelorin.Window(), id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    ::PostMessageW(::GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  }
  // Waits for Pelorin's message box with that caption and answers it.
  static std::wstring Answer(TPelorin& pelorin, const wchar_t* caption, int button) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindShownWindow(pelorin.Pid(), L"#32770", caption)) != nullptr; },
                 EffectDeadlineMs))
      return std::wstring(L"<no box> ").append(caption);
    std::wstring text = MessageBoxText(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitFor([&] { return !::IsWindow(box); }, EffectDeadlineMs);
    return text;
  }
  static std::string Positions() {
    std::string out;
    for (int i = 0; i < static_cast<int>(std::size(DesktopItems)); ++i) {
      std::optional<TRemoteItem> item = ReadRemoteItem(i);
      if (!item) return std::string("<unreadable item> ").append(std::to_string(i));
      out.append("|").append(Narrow(item->Text)).append("|").append(std::to_string(item->Position.x));
      out.append("|").append(std::to_string(item->Position.y));
    }
    return out;
  }
  bool PositionsAre(const std::string& expected) {
    return WaitFor([&] { return Positions() == expected; }, EffectDeadlineMs);
  }
};

TEST_F(DesktopIcons, SaveAsksNoKeepsTheFileYesWritesItAndConfirms) {
  WriteSettings(false, "|old|1|1");
  const std::string before = ReadBytes(IniPath());
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  Click(*pelorin, IDC_SAVE_DESKTOP);
  EXPECT_EQ(Narrow(Answer(*pelorin, L"Saving shortcuts positions", IDNO)),
            "Do you wish to save the current positions of the desktop shortcuts?");
  EXPECT_TRUE(HoldsFor([&] { return ReadBytes(IniPath()) == before; }, QuietMs)) << "No changed the file";

  Click(*pelorin, IDC_SAVE_DESKTOP);
  Answer(*pelorin, L"Saving shortcuts positions", IDYES);
  EXPECT_EQ(Narrow(Answer(*pelorin, L"Shortcuts positions saved", IDOK)),
            "The information about the shortcuts positions was successfully saved");
  std::string ini = ReadBytes(IniPath());
  EXPECT_NE(ini.find(std::string("Shortcuts = ") + SavedLayout), std::string::npos) << ini;
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

// Pelorin.ini cannot be written (the name of its temporary file is taken by a folder): the
// write's error is the one message, and no success follows it.
TEST_F(DesktopIcons, ASaveWhoseSettingsWriteFailedSaysSoOnceAndNeverConfirms) {
  WriteSettings(false, "|old|1|1");
  const std::string before = ReadBytes(IniPath());
  const std::wstring blocker = IniPath() + L".tmp";
  ASSERT_TRUE(::CreateDirectoryW(blocker.c_str(), nullptr));
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  Click(*pelorin, IDC_SAVE_DESKTOP);
  Answer(*pelorin, L"Saving shortcuts positions", IDYES);
  EXPECT_EQ(Narrow(Answer(*pelorin, L"Pelorin", IDOK)), Narrow(SaveFailedText(IniPath())));
  EXPECT_TRUE(HoldsFor([&] { return FindShownWindow(pelorin->Pid(), L"#32770") == nullptr; }, QuietMs))
      << "another box followed the error: " << Narrow(WindowText(FindShownWindow(pelorin->Pid(), L"#32770")));
  EXPECT_EQ(ReadBytes(IniPath()), before);
  ASSERT_TRUE(::RemoveDirectoryW(blocker.c_str()));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  EXPECT_NE(ReadBytes(IniPath()).find(std::string("Shortcuts = ") + SavedLayout), std::string::npos)
      << "the positions are written at the next chance";
}

TEST_F(DesktopIcons, StartUpAndTheRestoreButtonPutTheIconsWhereTheyWereSaved) {
  WriteSettings(true, SavedElsewhere);
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  EXPECT_TRUE(PositionsAre(SavedElsewhere)) << "after the start: " << Positions();

  ASSERT_TRUE(MoveRemoteItem(NotesIndex, {600, 500}));
  ASSERT_TRUE(MoveRemoteItem(0, {0, 0}));
  Click(*pelorin, IDC_RESTORE_DESKTOP);
  EXPECT_EQ(Narrow(Answer(*pelorin, L"Shortcuts positions restored", IDOK)),
            "The shortcuts positions was successfully restored");
  EXPECT_EQ(Positions(), SavedElsewhere);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(DesktopIcons, TheDesktopComingToTheFrontRestoresOncePerSwitch) {
  WriteSettings(true, SavedLayout);
  // The driver is in front before Pelorin starts: a worker slowed by load must not see the
  // desktop of the start-up, then the driver, then the desktop again, which are two switches.
  TDriverWindow driver;
  ASSERT_TRUE(driver.Activate());
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(driver.Activate());  // Pelorin's own windows never count as a switch
  ASSERT_TRUE(MoveRemoteItem(NotesIndex, {600, 500}));
  ASSERT_TRUE(BringToFront(StandIn().Window()));
  EXPECT_TRUE(PositionsAre(SavedLayout)) << Positions();
  // The restore makes a second pass right after a first that moved something: let it end, or
  // the move below races with it.
  EXPECT_TRUE(HoldsFor([&] { return Positions() == SavedLayout; }, QuietMs)) << Positions();
  // Moved again while the desktop stays in front: no switch, no restore.
  ASSERT_TRUE(MoveRemoteItem(NotesIndex, {600, 500}));
  EXPECT_TRUE(HoldsFor([&] { return ReadRemoteItem(NotesIndex)->Position.x == 600; }, QuietMs)) << Positions();
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(DesktopIcons, AfterTheShellRestartedTheRestoreStillWorks) {
  WriteSettings(false, SavedElsewhere);
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(StandIn().Restart()) << "the shell did not come back";
  ASSERT_EQ(Positions(), SavedLayout) << "a new shell with its own places";
  Click(*pelorin, IDC_RESTORE_DESKTOP);
  EXPECT_EQ(Narrow(Answer(*pelorin, L"Shortcuts positions restored", IDOK)),
            "The shortcuts positions was successfully restored");
  EXPECT_EQ(Positions(), SavedElsewhere);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(DesktopIcons, WithoutADesktopAStartByHandReportsItAndAnAutorunStartRestartsItself) {
  ASSERT_TRUE(StandIn().Stop());
  WriteIni(TIni().Section("System Settings").Value("CheckHooks", "1"));
  TPelorin* byHand = StartPelorin(L"");
  ASSERT_NE(byHand, nullptr);
  EXPECT_TRUE(WaitFor([&] { return byHand->ControlText(IDC_HOOK_ERROR_LABEL) == HookErrorText; }, EffectDeadlineMs))
      << "error label: " << Narrow(byHand->ControlText(IDC_HOOK_ERROR_LABEL));
  EXPECT_EQ(byHand->Close(), std::optional<DWORD>(0));

  // Hidden at log-on, while the user works in another program.
  TDriverWindow driver;
  TPelorin* hidden = StartPelorin(L"autorun");
  ASSERT_NE(hidden, nullptr);
  ASSERT_TRUE(driver.Activate());
  std::vector<TProcessEntry> next;
  EXPECT_TRUE(WaitFor(
      [&] {
        next.clear();
        for (const TProcessEntry& p : OwnPelorins())
          if (p.Pid != hidden->Pid()) next.push_back(p);
        return !next.empty();
      },
      StartDeadlineMs))
      << "no Pelorin restarted";
  if (!next.empty()) {
    EXPECT_EQ(next[0].ParentPid, hidden->Pid());
  }
  EXPECT_EQ(hidden->WaitForExit(ExitDeadlineMs), std::optional<DWORD>(0)) << "the failed instance did not end";
}

// The shortcut files the pictures leave on the desktop folder, read back through the shell.
struct TShortcut {
  std::wstring Target, Arguments, Folder, IconFile;
  int IconIndex = -1;
};

std::optional<TShortcut> ReadShortcut(const std::wstring& file) {
  TComApartment apartment(COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
    return std::nullopt;
  TComPtr<IShellLinkW> owned;
  owned.Attach(link);
  IPersistFile* persist = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) return std::nullopt;
  TComPtr<IPersistFile> ownedFile;
  ownedFile.Attach(persist);
  if (FAILED(persist->Load(file.c_str(), STGM_READ))) return std::nullopt;
  wchar_t text[MAX_PATH * 2] = {};
  TShortcut s;
  if (SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) s.Target = text;
  if (SUCCEEDED(link->GetArguments(text, MAX_PATH * 2))) s.Arguments = text;
  if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 2))) s.Folder = text;
  if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH * 2, &s.IconIndex))) s.IconFile = text;
  return s;
}

TEST_F(DesktopIcons, EachPowerPictureLeavesItsShortcutOnTheDesktop) {
  wchar_t desktopFolder[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, desktopFolder, CSIDL_DESKTOPDIRECTORY, TRUE));
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  const std::wstring folder = ExePath().substr(0, ExePath().find_last_of(L'\\'));
  struct Case {
    int Id;
    const wchar_t* Word;
    int Index;
  } cases[] = {{IDC_SLEEP_SHORTCUT, L"Sleep", 1},
               {IDC_SLEEP_SHORTCUT + 1, L"Hibernate", 2},
               {IDC_SLEEP_SHORTCUT + 2, L"Shutdown", 3},
               {IDC_REBOOT_SHORTCUT, L"Reboot", 4}};
  for (const Case& c : cases) {
    const std::wstring file = std::wstring(desktopFolder) + L"\\" + c.Word + L".lnk";
    ::DeleteFileW(file.c_str());
    Click(*pelorin, c.Id);
    ASSERT_TRUE(WaitFor([&] { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; },
                        EffectDeadlineMs))
        << "no " << Narrow(file);
    std::optional<TShortcut> s = ReadShortcut(file);
    ASSERT_TRUE(s.has_value()) << Narrow(file);
    EXPECT_EQ(_wcsicmp(s->Target.c_str(), ExePath().c_str()), 0) << Narrow(s->Target);
    EXPECT_EQ(s->Arguments, c.Word);
    EXPECT_EQ(_wcsicmp(s->Folder.c_str(), folder.c_str()), 0) << Narrow(s->Folder);
    EXPECT_EQ(_wcsicmp(s->IconFile.c_str(), ExePath().c_str()), 0) << Narrow(s->IconFile);
    EXPECT_EQ(s->IconIndex, c.Index) << Narrow(c.Word);
    // The index names an icon group of the executable.
    HICON icon = ::ExtractIconW(nullptr, ExePath().c_str(), static_cast<UINT>(c.Index));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) ::DestroyIcon(icon);
    ::DeleteFileW(file.c_str());
  }
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
