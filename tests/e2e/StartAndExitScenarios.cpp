// The life of the process: one instance per session, the hidden start, Pelorin.ini at exit, and
// the automatic restart when the hooks fail.
#include <algorithm>
#include <regex>

#include "E2eSupport.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::vector<std::wstring>& names) {
  std::string out;
  for (const std::wstring& n : names) out += (out.empty() ? "" : ", ") + Narrow(n);
  return out.empty() ? "<none>" : out;
}

class SingleInstance : public TScenario {};

TEST_F(SingleInstance, ASecondStartExitsAtOnceAndTheFirstComesToTheFront) {
  TDriverWindow driver;
  TPelorin* first = StartPelorin(L"autorun");
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(driver.Activate());
  ASSERT_FALSE(first->Visible());

  Started.push_back(std::make_unique<TPelorin>());
  TPelorin& second = *Started.back();
  ULONGLONG startedAt = ::GetTickCount64();
  ASSERT_TRUE(second.Start(ExePath(), L""));
  EXPECT_EQ(second.WaitForExit(ExitDeadlineMs), std::optional<DWORD>(0)) << "the second start keeps running";
  RecordProperty("second_start_ms", static_cast<int>(::GetTickCount64() - startedAt));
  EXPECT_TRUE(WaitFor([&] { return first->Visible() && ::GetForegroundWindow() == first->Window(); }, EffectDeadlineMs))
      << "expected the first instance's window in front; visible " << first->Visible() << ", foreground "
      << ::GetForegroundWindow() << " (Pelorin's is " << first->Window() << ")";
  EXPECT_EQ(OwnPelorins().size(), 1u);
  EXPECT_EQ(first->Close(), std::optional<DWORD>(0));
}

// Minimised by another program rather than by its own button: still brought back restored.
TEST_F(SingleInstance, AWindowMinimisedFromOutsideComesBackRestoredAndInFront) {
  WriteIni(TIni().Section("Custom Inputs").Row(1, commands::ShowPelorin, inputs::Middle, StateMouse));
  TDriverWindow driver;
  TPelorin* first = StartPelorin(L"");
  ASSERT_NE(first, nullptr);
  auto restoredInFront = [&] {
    return first->Visible() && !::IsIconic(first->Window()) && ::GetForegroundWindow() == first->Window();
  };
  ASSERT_TRUE(WaitFor(restoredInFront, EffectDeadlineMs)) << "a start by hand shows the window in front";
  struct Path {
    const char* Name;
    bool SecondStart;
  };
  for (Path path : {Path{"a second start", true}, Path{"a \"Show Pelorin\" input", false}}) {
    ::ShowWindow(first->Window(), SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return ::IsIconic(first->Window()) != FALSE; }, EffectDeadlineMs));
    if (path.SecondStart) {
      Started.push_back(std::make_unique<TPelorin>());
      ASSERT_TRUE(Started.back()->Start(ExePath(), L""));
      EXPECT_EQ(Started.back()->WaitForExit(ExitDeadlineMs), std::optional<DWORD>(0));
    } else {
      ASSERT_TRUE(driver.Activate());
      Input.MoveTo(driver.BlankPoint(), Input.After(500));
      Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(300));
    }
    EXPECT_TRUE(WaitFor(restoredInFront, EffectDeadlineMs))
        << "after " << path.Name << ": iconic " << ::IsIconic(first->Window()) << ", visible " << first->Visible()
        << ", foreground " << ::GetForegroundWindow() << " (Pelorin's is " << first->Window() << ")";
  }
  EXPECT_EQ(first->Close(), std::optional<DWORD>(0));
}

class HiddenStart : public TScenario {};

TEST_F(HiddenStart, AnAutorunStartShowsNoWindowUntilABoundInputAsksForIt) {
  WriteIni(TIni().Section("Custom Inputs").Row(1, commands::ShowPelorin, inputs::Middle, StateMouse));
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(driver.Activate());
  EXPECT_TRUE(HoldsFor([&] { return !pelorin->Visible() && ::GetForegroundWindow() == driver.Handle(); }, QuietMs))
      << "an autorun start showed its window";

  Input.MoveTo(driver.BlankPoint(), Input.After(1000));
  Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(500));
  EXPECT_TRUE(
      WaitFor([&] { return pelorin->Visible() && ::GetForegroundWindow() == pelorin->Window(); }, EffectDeadlineMs))
      << "the \"Show Pelorin\" row did not bring the window to the front";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

class SettingsFile : public TScenario {};

TEST_F(SettingsFile, NoFileAndNoChangeLeaveNoFileBehind) {
  TPelorin* pelorin = StartPelorin(L"");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(WaitFor([&] { return pelorin->Visible(); }, EffectDeadlineMs));
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
  EXPECT_EQ(Joined(FilesIn(Folder)), "Pelorin.exe");
}

// Pelorin.ini after a change: every key in the documented order. "*" stands for a number that
// depends on the window's size at this DPI.
struct TSaveCase {
  const char* Name;
  const char* IniBefore;  // null: no file
  std::vector<std::string> After;
  bool RunValue;  // the log-on value is written
};

std::vector<std::string> DocumentedFile(const std::vector<std::string>& rows, const char* speed, const char* fixWheel,
                                        const char* autoRun) {
  std::vector<std::string> lines = {"[Custom Inputs]"};
  lines.insert(lines.end(), rows.begin(), rows.end());
  std::vector<std::string> rest = {
      "a distance  which mouse should overcome to do the input = 45",
      std::string("a speed from which mouse should overcome this distance = ") + speed,
      std::string("Fix mouse wheel malfunction = ") + fixWheel,
      "Fix mouse wrong double clicks = 0",
      "Auto switch the keyboard layout = 0",
      "auto-switcher sensitivity = 6",
      "",
      "[Settings]",
      std::string("Auto-runs at Windows start = ") + autoRun,
      "Show notifications on custom inputs = 0",
      "DisableInGame = 1",
      "Maximum count of unchecked items = 100",
      "Maximum memory for unchecked items, Mb = 1000",
      "Save the data of Clipboard Manager = 0",
      "",
      "[System Settings]",
      "CheckHooks = 1",
      "Left = *",
      "Top = *",
      "Width = *",
      "Height = *",
      "MainGridColWidth0 = *",
      "MainGridColWidth1 = *",
      "WinGridColWidth0 = *",
      "WinGridColWidth1 = *",
      "WinGridColWidth2 = *",
      // The Clipboard Manager's windows are centred on the 1280 x 1024 screen.
      "ClpWinLeft = 425",
      "ClpWinTop = 217",
      "ClpWinWidth = 430",
      "ClpWinHeight = 590",
      "ClpZoomWinLeft = 425",
      "ClpZoomWinTop = 217",
      "ClpZoomWinWidth = 430",
      "ClpZoomWinHeight = 590",
      "",
  };
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

bool LineMatches(const std::string& expected, const std::string& seen) {
  if (expected.size() < 2 || expected.substr(expected.size() - 2) != " *") return expected == seen;
  static const std::regex number("-?[0-9]+");
  std::string head = expected.substr(0, expected.size() - 1);
  return seen.rfind(head, 0) == 0 && std::regex_match(seen.substr(head.size()), number);
}

std::optional<std::wstring> RunValue() {
  wchar_t data[1024] = {};
  DWORD size = sizeof(data);
  if (::RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"Pelorin", RRF_RT_REG_SZ,
                     nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}

class SettingsSave : public TScenario, public ::testing::WithParamInterface<TSaveCase> {};

TEST_P(SettingsSave, AChangedSettingWritesEveryDocumentedKeyInTheDocumentedOrder) {
  const TSaveCase& c = GetParam();
  if (c.IniBefore != nullptr) {
    ASSERT_TRUE(WriteBytes(IniPath(), c.IniBefore));
  }
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"Pelorin");
  TPelorin* pelorin = StartPelorin(L"");
  ASSERT_NE(pelorin, nullptr);
  HWND notes = FindControl(pelorin->Window(), IDC_NOTE_CHECK);
  ASSERT_NE(notes, nullptr);
  ASSERT_EQ(::SendMessageW(notes, BM_GETCHECK, 0, 0), BST_CHECKED) << "a file without the key turns notes on";
  ::SendMessageW(notes, BM_CLICK, 0, 0);
  ASSERT_EQ(::SendMessageW(notes, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));

  EXPECT_EQ(Joined(FilesIn(Folder)), "Pelorin.exe, Pelorin.ini") << "no temporary file is left";
  std::string bytes = ReadBytes(IniPath());
  for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "a line does not end in CR LF at byte " << at;
  std::vector<std::string> seen = ReadLines(IniPath());
  bool same = seen.size() == c.After.size();
  for (size_t i = 0; same && i < seen.size(); ++i) same = LineMatches(c.After[i], seen[i]);
  std::string expectedText, seenText;
  for (const std::string& l : c.After) expectedText += l + "\n";
  for (const std::string& l : seen) seenText += l + "\n";
  EXPECT_TRUE(same) << "expected:\n" << expectedText << "seen:\n" << seenText;

  std::optional<std::wstring> run = RunValue();
  if (c.RunValue) {
    EXPECT_EQ(Narrow(run.value_or(L"<none>")), Narrow(L"\"" + ExePath() + L"\" autorun")) << "the log-on value";
  } else {
    EXPECT_FALSE(run.has_value()) << "a log-on value was written: " << Narrow(run.value_or(L""));
  }
}

INSTANTIATE_TEST_SUITE_P(
    , SettingsSave,
    ::testing::Values(TSaveCase{"NoFileBefore", nullptr, DocumentedFile({}, "175", "0", "1"), true},
                      TSaveCase{
                          "RowsAndValues",
                          "[Custom Inputs]\r\n"
                          "Command1 = Left Ctrl + A\r\nKeys1 = 02A2411D1E\r\nInput1 = Middle mouse button click\r\n"
                          "InputState1 = 0\r\n"
                          "Command2 = Show Pelorin\r\nInput2 = Left Ctrl + Q\r\nInputState2 = 6\r\n"
                          "a speed from which mouse should overcome this distance = 250\r\n"
                          "Fix mouse wheel malfunction = 1\r\n\r\n"
                          "[Settings]\r\nAuto-runs at Windows start = 0\r\n\r\n",
                          DocumentedFile({"Command1 = Left Ctrl + A", "Keys1 = 02A2411D1E",
                                          "Input1 = Middle mouse button click", "InputState1 = 0",
                                          "Command2 = Show Pelorin", "Input2 = Left Ctrl + Q", "InputState2 = 6"},
                                         "250", "1", "0"),
                          false}),
    [](const ::testing::TestParamInfo<TSaveCase>& info) { return std::string(info.param.Name); });

// With "CheckHooks" on, a Pelorin whose hooks failed at start-up restarts itself as
// "<exe> autorun restart1 1", but never while the user has its window in front. The hooks
// fail for real: Pelorin runs on a desktop handle without the right to install hooks.
class HookRestart : public TScenario {
 protected:
  std::vector<TProcessEntry> Successors(const TPelorin& first) const {
    std::vector<TProcessEntry> others;
    for (const TProcessEntry& p : OwnPelorins())
      if (p.Pid != first.Pid()) others.push_back(p);
    return others;
  }
  std::string Describe(const std::vector<TProcessEntry>& processes) const {
    std::string out;
    for (const TProcessEntry& p : processes)
      out +=
          "\n  pid " + std::to_string(p.Pid) + " parent " + std::to_string(p.ParentPid) + ": " + Narrow(p.CommandLine);
    return out.empty() ? "<none>" : out;
  }
  // The successor of `first`: started by it with the restart parameters.
  void ExpectRestartedBy(const TPelorin& first) {
    std::vector<TProcessEntry> next;
    EXPECT_TRUE(WaitFor([&] { return !(next = Successors(first)).empty(); }, StartDeadlineMs))
        << "no Pelorin restarted; processes: " << Describe(OwnPelorins());
    if (next.empty()) return;
    EXPECT_EQ(next.size(), 1u) << Describe(next);
    EXPECT_EQ(next[0].ParentPid, first.Pid());
    EXPECT_EQ(Narrow(next[0].CommandLine), Narrow(L"\"" + ExePath() + L"\" autorun restart1 1"));
    EXPECT_EQ(first.WaitForExit(ExitDeadlineMs), std::optional<DWORD>(0)) << "the failed instance did not end";
  }
  // Proof that the hooks are missing: a bound middle click is not eaten.
  void ExpectBoundClickArrives(TDriverWindow& driver) {
    Input.MoveTo(driver.BlankPoint(), Input.After(1000));
    Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(500));
    ASSERT_TRUE(SyncMouse(Input, driver));
    EXPECT_EQ(driver.Count(WM_MBUTTONDOWN), 1) << "the hooks work after all: " << driver.Describe();
  }
  TIni Ini(const char* checkHooks) {
    return TIni()
        .Section("Custom Inputs")
        .Row(1, commands::ShowPelorin, inputs::Middle, StateMouse)
        .Section("System Settings")
        .Value("CheckHooks", checkHooks);
  }
  static constexpr const wchar_t* HookErrorText = L"Can`t set system hook for normal work";
  // Far longer than the 20 ticks of 50 ms a failed instance waits before it restarts.
  static constexpr DWORD NoRestartWatchMs = 3000;
};

TEST_F(HookRestart, AHiddenPelorinWhoseHooksFailedRestartsItself) {
  WriteIni(Ini("1"));
  TDesktopWithoutHooks desktop;
  TDriverWindow driver;
  TPelorin* first = StartPelorin(L"autorun", desktop.Handle());
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(driver.Activate());
  ExpectBoundClickArrives(driver);
  ULONGLONG since = ::GetTickCount64();
  ExpectRestartedBy(*first);
  RecordProperty("restart_after_ms", static_cast<int>(::GetTickCount64() - since));
}

// Opened by a second start, as a user would open a Pelorin that started hidden at log-on.
TEST_F(HookRestart, NeverWhileItsWindowIsInFront) {
  WriteIni(Ini("1"));
  TDesktopWithoutHooks desktop;
  TDriverWindow driver;
  TPelorin* first = StartPelorin(L"autorun", desktop.Handle());
  ASSERT_NE(first, nullptr);
  Started.push_back(std::make_unique<TPelorin>());
  ASSERT_TRUE(Started.back()->Start(ExePath(), L""));
  EXPECT_EQ(Started.back()->WaitForExit(ExitDeadlineMs), std::optional<DWORD>(0));
  ASSERT_TRUE(WaitFor([&] { return first->Visible() && ::GetForegroundWindow() == first->Window(); }, EffectDeadlineMs))
      << "the second start did not bring the window to the front; processes: " << Describe(OwnPelorins());
  EXPECT_TRUE(WaitFor([&] { return first->ControlText(IDC_HOOK_ERROR_LABEL) == HookErrorText; }, EffectDeadlineMs))
      << "error label: " << Narrow(first->ControlText(IDC_HOOK_ERROR_LABEL));
  EXPECT_TRUE(HoldsFor([&] { return Successors(*first).empty() && ::GetForegroundWindow() == first->Window(); },
                       NoRestartWatchMs))
      << "restarted while in front: " << Describe(OwnPelorins());
  ASSERT_TRUE(driver.Activate());
  ExpectRestartedBy(*first);
}

// Started by hand, the window is in front from the start, and the restart waits for the user
// to leave it.
TEST_F(HookRestart, AStartByHandShowsItsWindowAndRestartsOnlyOnceItIsLeft) {
  WriteIni(Ini("1"));
  TDesktopWithoutHooks desktop;
  TDriverWindow driver;
  TPelorin* first = StartPelorin(L"", desktop.Handle());
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(WaitFor([&] { return first->Visible() && ::GetForegroundWindow() == first->Window(); }, EffectDeadlineMs))
      << "a start by hand shows its window in front; visible " << first->Visible() << ", in front "
      << (::GetForegroundWindow() == first->Window()) << "; processes: " << Describe(OwnPelorins());
  EXPECT_TRUE(WaitFor([&] { return first->ControlText(IDC_HOOK_ERROR_LABEL) == HookErrorText; }, EffectDeadlineMs))
      << "error label: " << Narrow(first->ControlText(IDC_HOOK_ERROR_LABEL));
  EXPECT_TRUE(HoldsFor([&] { return Successors(*first).empty() && ::GetForegroundWindow() == first->Window(); },
                       NoRestartWatchMs))
      << "restarted while in front: " << Describe(OwnPelorins());
  ASSERT_TRUE(driver.Activate());
  ExpectRestartedBy(*first);
}

TEST_F(HookRestart, NeverWithCheckHooksOff) {
  WriteIni(Ini("0"));
  TDesktopWithoutHooks desktop;
  TDriverWindow driver;
  TPelorin* first = StartPelorin(L"autorun", desktop.Handle());
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(driver.Activate());
  ExpectBoundClickArrives(driver);
  EXPECT_TRUE(HoldsFor(
      [&] {
        return Successors(*first).empty() && !first->WaitForExit(0) &&
               first->ControlText(IDC_HOOK_ERROR_LABEL) != HookErrorText;
      },
      NoRestartWatchMs))
      << "processes: " << Describe(OwnPelorins())
      << "; error label: " << Narrow(first->ControlText(IDC_HOOK_ERROR_LABEL));
  EXPECT_EQ(first->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
