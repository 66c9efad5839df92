// Keyboard chords as inputs and as commands, and Esc in the main window.
#include "E2eSupport.h"

#include <tlhelp32.h>

#include <set>

namespace pelorin::e2e {
namespace {

constexpr TKey F9{VK_F9, 0x43, "F9"};

// "Left Ctrl + Q" is bound to a command that presses F9: a key that types nothing, so it shows
// the same whether the driver's Ctrl is still down when it arrives or not.
class ChordInput : public TScenario {};

TEST_F(ChordInput, ABoundChordFiresAndItsKeyNeverArrivesAnUnboundChordArrives) {
  const TChord ctrlQ{{keys::LeftCtrl, keys::Q}}, ctrlW{{keys::LeftCtrl, keys::W}}, pressF9{{F9}};
  WriteIni(TIni().Section("Custom Inputs").Row(1, pressF9.Text(), ctrlQ.Text(), StateChord, pressF9.Hex()));
  TDriverWindow driver;
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());

  Input.Chord(ctrlQ.Keys);
  EXPECT_TRUE(WaitFor([&] { return driver.KeyDowns(VK_F9) == 1; }, EffectDeadlineMs))
      << "expected the row's F9; seen " << driver.Describe();
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.KeyDowns('Q') + driver.KeyUps('Q'), 0)
      << "the chord's last key is eaten, down and up: " << driver.Describe();
  EXPECT_EQ(driver.KeyUps(VK_CONTROL), 1) << "Ctrl alone is no chord and passes: " << driver.Describe();

  driver.Clear();
  Input.Chord(ctrlW.Keys);
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.KeyDowns(VK_CONTROL), 1) << driver.Describe();
  EXPECT_EQ(driver.KeyDowns('W'), 1) << "an unbound chord arrives whole: " << driver.Describe();
  EXPECT_TRUE(HoldsFor([&] { return driver.KeyDowns(VK_F9) == 0; }, QuietMs)) << driver.Describe();
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

// A chord command: the middle button replays the row's keys, pressed in order and released in
// the same order, into the window that has the focus. Wine's edit control has no Ctrl+A, so
// that chord shows as an A that arrives with Ctrl held and types nothing.
struct TReplayCase {
  const char* Name;
  TChord Chord;
  const wchar_t* TextAfter;  // the edit control's text after the replay
};

class ChordCommand : public TScenario, public ::testing::WithParamInterface<TReplayCase> {};

TEST_P(ChordCommand, IsReplayedIntoTheFocusedEditControl) {
  const TReplayCase& c = GetParam();
  WriteIni(TIni().Section("Custom Inputs").Row(1, c.Chord.Text(), inputs::Middle, StateMouse, c.Chord.Hex()));
  TDriverWindow driver;
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  driver.SetEditText(L"hello world");
  ::SendMessageW(driver.Edit(), EM_SETSEL, 11, 11);
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));

  Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(500));
  const TKey& last = c.Chord.Keys.back();
  EXPECT_TRUE(WaitFor([&] { return driver.KeyUps(last.Vk) == 1; }, EffectDeadlineMs))
      << "expected the chord's " << last.Name << "; seen " << driver.Describe();
  EXPECT_TRUE(WaitFor([&] { return driver.EditText() == c.TextAfter; }, EffectDeadlineMs))
      << "expected \"" << Narrow(c.TextAfter) << "\", seen \"" << Narrow(driver.EditText()) << "\"; "
      << driver.Describe();
  bool withCtrl = c.Chord.Keys.front().Vk == VK_LCONTROL;
  for (const TArrival& a : driver.Arrivals()) {
    if (a.Message == WM_KEYDOWN && a.Value == last.Vk) {
      EXPECT_EQ(a.Ctrl, withCtrl) << "Ctrl state at the chord's last key: " << driver.Describe();
    }
  }
  // Every key pressed was released: a key left down would show in this thread's key state.
  ASSERT_TRUE(SyncKeys(Input, driver));
  for (int vk : {VK_CONTROL, VK_SHIFT, static_cast<int>(last.Vk)})
    EXPECT_GE(::GetKeyState(vk), 0) << "virtual key " << vk << " left down: " << driver.Describe();
  RecordProperty("arrived", driver.Describe());
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(, ChordCommand,
                         ::testing::Values(TReplayCase{"LeftCtrlA", {{keys::LeftCtrl, keys::A}}, L"hello world"},
                                           TReplayCase{"LeftShiftA", {{keys::LeftShift, keys::A}}, L"hello worldA"},
                                           TReplayCase{"A", {{keys::A}}, L"hello worlda"}),
                         [](const ::testing::TestParamInfo<TReplayCase>& info) {
                           return std::string(info.param.Name);
                         });

// The threads of a process, by id.
std::set<DWORD> ThreadsOf(DWORD pid) {
  std::set<DWORD> threads;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == pid) threads.insert(entry.th32ThreadID);
  ::CloseHandle(snapshot);
  return threads;
}

// Suspends threads while it lives.
class TSuspended {
 public:
  explicit TSuspended(const std::set<DWORD>& threads) {
    for (DWORD id : threads) {
      HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
      if (thread == nullptr) continue;
      if (::SuspendThread(thread) == static_cast<DWORD>(-1)) {
        ::CloseHandle(thread);
        continue;
      }
      Held.push_back(thread);
    }
  }
  ~TSuspended() { Resume(); }
  void Resume() {
    for (HANDLE thread : Held) {
      ::ResumeThread(thread);
      ::CloseHandle(thread);
    }
    Held.clear();
  }
  size_t Count() const { return Held.size(); }

 private:
  std::vector<HANDLE> Held;
};

// A chord held while its command is slow: a brightness step waits for the monitor, a program
// takes its time to start. The driver holds Pelorin's command thread (the one thread the first
// command started, notes being off) while the chord's key repeats 30 times and is released.
// The repeats are one waiting action: the command runs once after the release, not 31 times.
class HeldChord : public TScenario {};

TEST_F(HeldChord, RunsItsCommandOnceAfterTheReleaseThoughTheKeyRepeatedWhileTheCommandThreadWasBusy) {
  const TChord ctrlQ{{keys::LeftCtrl, keys::Q}}, pressF9{{F9}};
  WriteIni(TIni()
               .Section("Custom Inputs")
               .Row(1, pressF9.Text(), ctrlQ.Text(), StateChord, pressF9.Hex())
               .Section("Settings")
               .Value("Show notifications on custom inputs", "0"));
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(driver.Activate());

  const std::set<DWORD> before = ThreadsOf(pelorin->Pid());
  Input.Chord(ctrlQ.Keys);
  ASSERT_TRUE(WaitFor([&] { return driver.KeyDowns(VK_F9) == 1; }, EffectDeadlineMs))
      << "the chord did not fire: " << driver.Describe();
  ASSERT_TRUE(SyncKeys(Input, driver));
  std::set<DWORD> started;
  for (DWORD id : ThreadsOf(pelorin->Pid()))
    if (!before.contains(id)) started.insert(id);
  ASSERT_FALSE(started.empty()) << "no thread started with the first command";

  TSuspended busy(started);
  ASSERT_EQ(busy.Count(), started.size());
  std::vector<TInput::TKeyEvent> held{{keys::LeftCtrl, false, Input.After(1000)}, {keys::Q, false, Input.After(40)}};
  for (int i = 0; i < 30; ++i) held.push_back({keys::Q, false, Input.After(33)});  // the system's key repeat
  held.push_back({keys::Q, true, Input.After(20)});
  held.push_back({keys::LeftCtrl, true, Input.After(20)});
  Input.Keys(held);
  // Everything sent has been through Pelorin's hook once the next keys arrive here.
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.KeyDowns(VK_F9), 1) << "a command ran while its thread was held: " << driver.Describe();
  EXPECT_EQ(driver.KeyDowns('Q'), 0) << "the chord's key is eaten, repeats too: " << driver.Describe();

  busy.Resume();
  EXPECT_TRUE(WaitFor([&] { return driver.KeyDowns(VK_F9) >= 2; }, EffectDeadlineMs))
      << "the held chord did not run after the release: " << driver.Describe();
  EXPECT_TRUE(HoldsFor([&] { return driver.KeyDowns(VK_F9) == 2; }, QuietMs))
      << "ran on after the release: " << driver.KeyDowns(VK_F9) - 1 << " times";
  ASSERT_TRUE(SyncKeys(Input, driver));
  for (int vk : {VK_CONTROL, VK_F9, static_cast<int>('Q')})
    EXPECT_GE(::GetKeyState(vk), 0) << "virtual key " << vk << " left down: " << driver.Describe();
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

class EscapeKey : public TScenario {};

TEST_F(EscapeKey, EscInTheActiveMainWindowHidesItAndOnlyThere) {
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"");
  ASSERT_NE(pelorin, nullptr);
  ASSERT_TRUE(
      WaitFor([&] { return pelorin->Visible() && ::GetForegroundWindow() == pelorin->Window(); }, EffectDeadlineMs))
      << "a start by hand shows the window in front";

  // Esc in another window is that window's key.
  ASSERT_TRUE(driver.Activate());
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  DWORD pelorinThread = ::GetWindowThreadProcessId(pelorin->Window(), nullptr);
  ASSERT_TRUE(
      WaitFor([&] { return ::GetGUIThreadInfo(pelorinThread, &gui) && gui.hwndActive == nullptr; }, EffectDeadlineMs))
      << "Pelorin's thread still has an active window";
  Input.Keys({{keys::Escape, false, Input.After(1000)}, {keys::Escape, true, Input.After(30)}});
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.KeyDowns(VK_ESCAPE), 1) << driver.Describe();
  EXPECT_TRUE(pelorin->Visible());

  ASSERT_TRUE(BringToFront(pelorin->Window()));
  // Pelorin learns which window is in front from its worker's ticks.
  ASSERT_TRUE(WaitForWorkerTicks(3));
  ASSERT_EQ(::GetForegroundWindow(), pelorin->Window());
  Input.Keys({{keys::Escape, false, Input.After(1000)}, {keys::Escape, true, Input.After(30)}});
  EXPECT_TRUE(WaitFor([&] { return !pelorin->Visible(); }, EffectDeadlineMs)) << "Esc did not hide the main window";
  EXPECT_EQ(driver.KeyDowns(VK_ESCAPE), 1) << "that Esc was Pelorin's: " << driver.Describe();
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
