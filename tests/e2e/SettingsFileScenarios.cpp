// Pelorin.ini under trouble: a file held by another program while Pelorin starts is never
// written over and is read once it is let go; an Import of a tracked row takes effect at once;
// a settings write that fails on the way to an automatic restart is told in one message box,
// and the restart follows.
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "E2eSupport.h"
#include "config/ExportImport.h"
#include "config/SettingsStore.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

// The message boxes (and dialogs) the process shows at this moment.
int ShownDialogs(DWORD pid) {
  struct TCount {
    DWORD Pid;
    int N = 0;
  } count{pid};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* c = reinterpret_cast<TCount*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == c->Pid && ::IsWindowVisible(window) && ClassOf(window) == L"#32770") ++c->N;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.N;
}

// Waits for Pelorin's dialog with that caption (and ready() true for it); null when none came.
HWND WaitForDialog(const TPelorin& pelorin, const wchar_t* caption,
                   const std::function<bool(HWND)>& ready = [](HWND) { return true; }) {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindShownWindow(pelorin.Pid(), L"#32770", caption)) != nullptr && ready(box); },
          EffectDeadlineMs);
  return box != nullptr && ready(box) ? box : nullptr;
}

// Presses a button of a dialog and waits until the dialog is gone.
void Press(HWND dialog, int button) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  WaitFor([&] { return !::IsWindow(dialog); }, EffectDeadlineMs);
}

// A user's click on a check box of the main window: it toggles and tells its page.
void ClickCheckBox(const TPelorin& pelorin, int id) {
  HWND box = FindControl(pelorin.Window(), id);
  ASSERT_NE(box, nullptr) << "no control " << id;
  ::PostMessageW(box, BM_CLICK, 0, 0);
}

// A file the scenario opens with no sharing at all, as a backup or sync program may at log-on.
class THeldFile {
 public:
  explicit THeldFile(const std::wstring& path)
      : File(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~THeldFile() { Release(); }
  bool Held() const { return File != INVALID_HANDLE_VALUE; }
  void Release() {
    if (Held()) ::CloseHandle(File);
    File = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE File;
};

// A Yes/No message box of the driver, shown by a thread of its own; its answer. Answered Yes
// by the driver at the end when nobody did.
class TQuestion {
 public:
  TQuestion(std::wstring title, std::wstring text) : Title(std::move(title)) {
    Thread = std::thread([this, text] {
      Answer = ::MessageBoxW(nullptr, text.c_str(), Title.c_str(), MB_YESNO | MB_SETFOREGROUND);
    });
  }
  ~TQuestion() {
    while (Answer.load() == 0) {
      if (HWND box = ::FindWindowW(L"#32770", Title.c_str())) ::PostMessageW(box, WM_COMMAND, IDYES, 0);
      ::Sleep(20);
    }
    Thread.join();
  }
  int Result() const { return Answer.load(); }

 private:
  std::wstring Title;
  std::atomic<int> Answer{0};
  std::thread Thread;
};

const std::string UsersIni =
    "[Custom Inputs]\r\n"
    "Command1 = Show Pelorin\r\nInput1 = Middle mouse button click\r\nInputState1 = 0\r\n"
    "Command2 = Checked inputs enable/disable\r\nInput2 = Mouse button 5 click\r\nInputState2 = 0\r\n\r\n"
    "[Tracked windows]\r\nWindow1 = Pelorin e2e never shown&&&&OK&&\r\nState1 = 5\r\nWinSize1 = 0\r\n"
    "IsButton1 = 1\r\n\r\n"
    "[Settings]\r\nAuto-runs at Windows start = 0\r\nShow notifications on custom inputs = 0\r\n\r\n";

class IniTrouble : public TScenario {
 protected:
  void RestartAfterAFailedWrite(bool answered);
  // A middle click over the driver, again every half second, until Pelorin's window shows:
  // the first row of UsersIni at work.
  bool MiddleClickShowsPelorin(TDriverWindow& driver, const TPelorin& pelorin) {
    Input.MoveTo(driver.BlankPoint(), Input.After(1000));
    ULONGLONG last = 0;
    return WaitFor(
        [&] {
          if (pelorin.Visible()) return true;
          if (::GetTickCount64() - last >= 500) {
            last = ::GetTickCount64();
            Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(100));
          }
          return false;
        },
        StartDeadlineMs);
  }
};

// Held with no sharing while Pelorin starts: it tries again, then runs on its defaults and
// says so once, and never writes over the file. Let go, the file is read; a change and Close
// then write the user's rows back with the change.
TEST_F(IniTrouble, AnIniHeldAtStartIsNeverWrittenOverAndIsReadOnceLetGo) {
  ASSERT_TRUE(WriteBytes(IniPath(), UsersIni));
  THeldFile held(IniPath());
  ASSERT_TRUE(held.Held());
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  HWND box = WaitForDialog(*pelorin, L"Pelorin");
  ASSERT_NE(box, nullptr) << "no message that the settings could not be read";
  EXPECT_EQ(Narrow(MessageBoxText(box)), Narrow(IniUnreadableText(IniPath())));
  Press(box, IDOK);
  EXPECT_TRUE(HoldsFor([&] { return ShownDialogs(pelorin->Pid()) == 0; }, QuietMs)) << "told more than once";
  ASSERT_TRUE(driver.Activate());

  held.Release();
  ASSERT_TRUE(MiddleClickShowsPelorin(driver, *pelorin)) << "the user's rows were never read";
  ClickCheckBox(*pelorin, IDC_NOTE_CHECK);  // a change to save
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  const std::string ini = ReadBytes(IniPath());
  for (const char* line :
       {"Command1 = Show Pelorin\r\n", "Input1 = Middle mouse button click\r\n",
        "Command2 = Checked inputs enable/disable\r\n", "Input2 = Mouse button 5 click\r\n",
        "Window1 = Pelorin e2e never shown&&&&OK&&\r\n", "Show notifications on custom inputs = 1\r\n"})
    EXPECT_NE(ini.find(line), std::string::npos) << "missing " << line << " in:\n" << ini;
}

// Held for good: Close after a change leaves the file exactly as it was.
TEST_F(IniTrouble, AnIniHeldForTheWholeRunIsLeftAsItWas) {
  ASSERT_TRUE(WriteBytes(IniPath(), UsersIni));
  THeldFile held(IniPath());
  ASSERT_TRUE(held.Held());
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  HWND box = WaitForDialog(*pelorin, L"Pelorin");
  ASSERT_NE(box, nullptr) << "no message that the settings could not be read";
  Press(box, IDOK);
  ClickCheckBox(*pelorin, IDC_NOTE_CHECK);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0)) << "Close was held up";
  held.Release();
  EXPECT_EQ(ReadBytes(IniPath()), UsersIni);
}

// A Pelorin that started with no tracked rows answers the window of a row it imported.
TEST_F(IniTrouble, AnImportedTrackedRowIsAnsweredAtOnce) {
  ASSERT_TRUE(WriteBytes(IniPath(), "[Settings]\r\nAuto-runs at Windows start = 0\r\n\r\n"));
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring imported = std::wstring(temp) + L"PelorinE2eImport" + std::to_wstring(::GetCurrentProcessId()) +
                                L".ini";
  ASSERT_TRUE(WriteBytes(imported,
                         "[Tracked windows]\r\nWindow1 = Pelorin e2e imported question&&&&No&&\r\nState1 = 5\r\n"
                         "WinSize1 = 0\r\nIsButton1 = 1\r\n\r\n"
                         "[Settings]\r\nAuto-runs at Windows start = 0\r\n\r\n"));
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"");
  ASSERT_NE(pelorin, nullptr);

  HWND button = FindControl(pelorin->Window(), IDC_LOAD_CFG);
  ASSERT_NE(button, nullptr);
  ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_LOAD_CFG, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  HWND question = WaitForDialog(*pelorin, ImportQuestionCaption.data());
  ASSERT_NE(question, nullptr) << "no question before the import";
  Press(question, IDYES);
  auto fileName = [](HWND dialog) -> HWND {
    for (int id : {0x47C, 0x480})
      if (HWND field = ::GetDlgItem(dialog, id); field != nullptr && ::IsWindowVisible(field)) return field;
    return nullptr;
  };
  HWND open = WaitForDialog(*pelorin, ImportTitle.data(), [&](HWND d) { return fileName(d) != nullptr; });
  ASSERT_NE(open, nullptr) << "no open dialog";
  ::SendMessageW(fileName(open), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(imported.c_str()));
  ::PostMessageW(open, WM_COMMAND, IDOK, 0);
  HWND loaded = WaitForDialog(*pelorin, ImportTitle.data(), [&](HWND d) { return d != open && fileName(d) == nullptr; });
  ASSERT_NE(loaded, nullptr) << "no message after the import";
  EXPECT_EQ(Narrow(MessageBoxText(loaded)), Narrow(std::wstring(ImportedText)));
  Press(loaded, IDOK);
  ::DeleteFileW(imported.c_str());

  ASSERT_TRUE(driver.Activate());  // windows are checked while Pelorin's own is not in front
  TQuestion asked(L"Pelorin e2e imported question", L"Replace the file?");
  EXPECT_TRUE(WaitFor([&] { return asked.Result() != 0; }, EffectDeadlineMs)) << "the imported row was never used";
  EXPECT_EQ(asked.Result(), IDNO);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

// With "CheckHooks" on, a Pelorin whose hooks failed restarts itself once the user leaves its
// window; a setting the user changed there cannot be written (the name of the temporary file is
// taken by a folder). One message box tells it, however many ticks ask for the restart
// meanwhile, and the restart follows it.
// A settings write that fails before an automatic restart: one box, and the restart follows
// whether the user answers it or is away.
void IniTrouble::RestartAfterAFailedWrite(bool answered) {
  ASSERT_TRUE(WriteBytes(IniPath(), TIni()
                                        .Section("Custom Inputs")
                                        .Row(1, commands::ShowPelorin, inputs::Middle, StateMouse)
                                        .Section("Settings")
                                        .Value("Auto-runs at Windows start", "0")
                                        .Section("System Settings")
                                        .Value("CheckHooks", "1")
                                        .Text()));
  const std::string before = ReadBytes(IniPath());
  TDesktopWithoutHooks desktop;
  TDriverWindow driver;
  // Started by hand: the window is in front, and the restart waits until the user leaves it.
  TPelorin* first = StartPelorin(L"", desktop.Handle());
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(WaitFor([&] { return first->Visible() && ::GetForegroundWindow() == first->Window(); }, EffectDeadlineMs))
      << "the window is not in front";
  ClickCheckBox(*first, IDC_NOTE_CHECK);
  const std::wstring blocker = IniPath() + L".tmp";
  ASSERT_TRUE(::CreateDirectoryW(blocker.c_str(), nullptr));

  ASSERT_TRUE(driver.Activate());
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = FindShownWindow(first->Pid(), L"#32770", L"Pelorin")) != nullptr; },
                      StartDeadlineMs))
      << "no message that the settings could not be saved; Pelorins running: " << OwnPelorins().size();
  EXPECT_EQ(Narrow(MessageBoxText(box)), Narrow(SaveFailedText(IniPath())));
  int most = 0;
  HoldsFor(
      [&] {
        most = std::max(most, ShownDialogs(first->Pid()));
        return true;
      },
      1500);  // thirty worker ticks, each of which asks for the restart again
  EXPECT_EQ(most, 1) << "message boxes stacked up";
  if (answered) Press(box, IDOK);

  std::vector<TProcessEntry> next;
  EXPECT_TRUE(WaitFor(
      [&] {
        next.clear();
        for (const TProcessEntry& p : OwnPelorins()) {
          if (p.Pid != first->Pid()) next.push_back(p);
        }
        return !next.empty();
      },
      answered ? StartDeadlineMs : StartDeadlineMs + 25000))
      << "no restart after the message";
  // A box still waiting would hold the instance (and this run) for ever.
  if (next.empty() && ::IsWindow(box)) Press(box, IDOK);
  if (!next.empty()) {
    EXPECT_EQ(Narrow(next[0].CommandLine), Narrow(L"\"" + ExePath() + L"\" autorun restart1 1"));
  }
  EXPECT_EQ(first->WaitForExit(ExitDeadlineMs), std::optional<DWORD>(0)) << "the failed instance did not end";
  ASSERT_TRUE(::RemoveDirectoryW(blocker.c_str()));
  EXPECT_EQ(ReadBytes(IniPath()), before) << "the file the write could not replace is as it was";
}

TEST_F(IniTrouble, ARestartWhoseSettingsWriteFailedShowsOneBoxThenRestarts) { RestartAfterAFailedWrite(true); }

TEST_F(IniTrouble, AFailedWriteBoxNobodyAnswersDoesNotStopTheRestart) { RestartAfterAFailedWrite(false); }

}  // namespace
}  // namespace pelorin::e2e
