// The window phases between batches: the Clipboard Manager and the main window opened and
// closed as a user does it, Pelorin switched off and on (by its chord, its button, its tray
// menu), and a question box that a tracked-window row answers.
#include <atomic>
#include <cstdio>
#include <thread>

#include "SoakRun.h"
#include "res/resource.h"

namespace pelorin::soak {

using e2e::EffectDeadlineMs;
using e2e::TInput;
using e2e::WaitFor;
namespace sk = soakkeys;

namespace {

constexpr UINT TrayCallback = WM_USER + 1;

void Pause(DWORD ms) { WaitFor([] { return false; }, ms); }

}  // namespace

void TSoakRun::Anomaly(const std::string& text) {
  const std::string line = "after " + std::to_string(Sent.Total) + " events: " + text;
  std::printf("[ anomaly  ] %s\n", line.c_str());
  std::fflush(stdout);
  Anomalies.push_back(line);
}

void TSoakRun::WindowPhase(int which) {
  bool ok = false;
  switch (which) {
    case 0: ok = PhaseClipboardManager(); break;
    case 1: ok = PhaseMainWindow(true); break;
    case 2: ok = PhaseOffOn(true); break;
    case 3: ok = PhaseQuestion(); break;
    case 4: ok = PhaseMainWindow(false); break;
    case 5: ok = PhaseOffOn(false); break;
    default: ok = PhaseTray(); break;
  }
  ++PhasesDone;
  ++PhaseCounts[static_cast<size_t>(which)];
  (void)ok;
  // Back to where the batches work: the driver in front, the pointer over its empty area.
  Model->SetMainWindowActive(false);
  if (!Driver->Activate()) Anomaly("the driver's window did not come back to the front");
  ReturnToBlank(1100);
}

bool TSoakRun::PhaseClipboardManager() {
  if (!Driver->Activate()) return false;
  ++SpecialExpected;
  PressChord(Config.Rows[static_cast<size_t>(Config.RowOf(TRowKind::ClipboardManager))].Chord,
             Sent.SyncAndWindowKeys);
  HWND window = nullptr;
  if (!WaitFor(
          [&] {
            window = e2e::FindShownWindow(Pelorin->Pid(), L"PelorinClipboardForm");
            return window != nullptr && ::GetForegroundWindow() == window;
          },
          EffectDeadlineMs)) {
    Anomaly("the Clipboard Manager's chord did not bring it to the front");
    return false;
  }
  ++SpecialSeen;
  // A search as you type, then Esc.
  static const TKey letters[] = {{'E', 0x12, "E"}, {'O', 0x18, "O"}, {'A', 0x1E, "A"}};
  for (int i = Roll(0, 2); i >= 0; --i) {
    const TKey& k = letters[Roll(0, 2)];
    SendKeys({{k, false, Input.After(80)}, {k, true, Input.After(40)}}, Sent.SyncAndWindowKeys);
  }
  Pause(static_cast<DWORD>(Roll(100, 600)));
  SendKeys({{sk::Escape, false, Input.After(80)}, {sk::Escape, true, Input.After(40)}}, Sent.SyncAndWindowKeys);
  if (!WaitFor([&] { return e2e::FindShownWindow(Pelorin->Pid(), L"PelorinClipboardForm") == nullptr; },
               EffectDeadlineMs)) {
    Anomaly("Esc did not close the Clipboard Manager");
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return false;
  }
  return true;
}

bool TSoakRun::ShowMainWindowBySecondStart() {
  // A second start of Pelorin.exe, as a user opens the one started hidden at log-on.
  Started.push_back(std::make_unique<e2e::TPelorin>());
  e2e::TPelorin& second = *Started.back();
  if (!second.Start(ExePath(), L"")) return false;
  if (second.WaitForExit(e2e::ExitDeadlineMs) != std::optional<DWORD>(0)) Anomaly("a second start did not end with 0");
  Started.pop_back();
  return true;
}

bool TSoakRun::HideMainWindowByEsc() {
  HWND main = Pelorin->Window();
  if (!WaitFor([&] { return Pelorin->Visible() && ::GetForegroundWindow() == main; }, EffectDeadlineMs)) {
    Anomaly("the main window did not come to the front");
    return false;
  }
  Model->SetMainWindowActive(true);
  // Pelorin counts its window as the one in front from its worker's next tick.
  Pause(300);
  SendKeys({{sk::Escape, false, Input.After(80)}, {sk::Escape, true, Input.After(40)}}, Sent.SyncAndWindowKeys);
  const bool hidden = WaitFor([&] { return !Pelorin->Visible(); }, EffectDeadlineMs);
  Model->SetMainWindowActive(false);
  if (!hidden) {
    Anomaly("Esc did not hide the main window; hidden by its minimise command");
    ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    WaitFor([&] { return !Pelorin->Visible(); }, EffectDeadlineMs);
  }
  return hidden;
}

bool TSoakRun::PhaseMainWindow(bool bySecondStart) {
  if (bySecondStart) {
    if (!ShowMainWindowBySecondStart()) return false;
  } else {
    if (!Driver->Activate()) return false;
    ++SpecialExpected;
    PressChord(Config.Rows[static_cast<size_t>(Config.RowOf(TRowKind::ShowPelorin))].Chord, Sent.SyncAndWindowKeys);
    if (WaitFor([&] { return Pelorin->Visible(); }, EffectDeadlineMs))
      ++SpecialSeen;
    else
      Anomaly("the Show Pelorin chord did not show the main window");
  }
  Pause(static_cast<DWORD>(Roll(200, 1000)));
  return HideMainWindowByEsc();
}

bool TSoakRun::WaitEnabledCaption(bool enabled) {
  const std::wstring wanted = enabled ? L"Pelorin enabled" : L"Pelorin disabled";
  return WaitFor([&] { return Pelorin->ControlText(IDC_PELORIN_ENABLED) == wanted; }, EffectDeadlineMs);
}

bool TSoakRun::ClickEnableButton(bool expectEnabled) {
  HWND button = e2e::FindControl(Pelorin->Window(), IDC_PELORIN_ENABLED);
  RECT r{};
  if (button == nullptr || !::GetWindowRect(button, &r)) return false;
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  SendMoves({centre}, {400}, false);
  Pause(100);
  const DWORD down = Input.After(200);
  SendButton(TButton::Left, true, down);
  SendButton(TButton::Left, false, Input.After(60));
  if (WaitEnabledCaption(expectEnabled)) return true;
  Anomaly(std::string("a click on the main window's switch did not turn Pelorin ") + (expectEnabled ? "on" : "off") +
          "; its command sent instead");
  ::PostMessageW(Pelorin->Window(), WM_COMMAND, MAKEWPARAM(IDC_PELORIN_ENABLED, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  return WaitEnabledCaption(expectEnabled);
}

bool TSoakRun::PhaseOffOn(bool offByChord) {
  if (offByChord) {
    if (!Driver->Activate()) return false;
    ++SpecialExpected;
    PressChord(Config.Rows[static_cast<size_t>(Config.RowOf(TRowKind::DisablePelorin))].Chord,
               Sent.SyncAndWindowKeys);
    if (!WaitEnabledCaption(false)) {
      Anomaly("the Disable Pelorin chord did not switch Pelorin off");
      return false;
    }
    ++SpecialSeen;
  } else {
    if (!ShowMainWindowBySecondStart() ||
        !WaitFor([&] { return Pelorin->Visible() && ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs))
      return false;
    Pause(300);
    Model->SetMainWindowActive(true);
    if (!ClickEnableButton(false)) return false;
    Model->SetMainWindowActive(false);
    // Esc is Pelorin's key only while its hooks run: switched off, the window is minimised.
    ::PostMessageW(Pelorin->Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!WaitFor([&] { return !Pelorin->Visible(); }, EffectDeadlineMs)) Anomaly("the main window did not minimise");
  }
  Model->SetEnabled(false);
  ++ToggleOffOn;

  // A batch while Pelorin is off: everything arrives, nothing fires.
  if (!Driver->Activate()) return false;
  ReturnToBlank(1100);
  const TBatchStart start = BeginBatch();
  RunBatch(Roll(150, 300));
  EndBatch(start);
  ++BatchesOff;

  if (!ShowMainWindowBySecondStart() ||
      !WaitFor([&] { return Pelorin->Visible() && ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs))
    return false;
  Pause(300);
  const bool on = ClickEnableButton(true);
  Model->SetEnabled(true);
  HideMainWindowByEsc();
  return on;
}

bool TSoakRun::PhaseQuestion() {
  ++QuestionsAsked;
  std::atomic<int> answer{0};
  std::thread box([&answer] {
    answer = ::MessageBoxW(nullptr, QuestionText, QuestionTitle, MB_YESNO | MB_SETFOREGROUND);
  });
  const bool answered = WaitFor([&] { return answer.load() != 0; }, 3 * EffectDeadlineMs);
  while (answer.load() == 0) {
    if (HWND b = ::FindWindowW(L"#32770", QuestionTitle)) ::PostMessageW(b, WM_COMMAND, IDYES, 0);
    ::Sleep(20);
  }
  box.join();
  if (answered && answer.load() == IDNO) {
    ++QuestionsAnsweredNo;
    return true;
  }
  Anomaly(answered ? "the question box was answered, but not No" : "the tracked-window row did not answer the box");
  return false;
}

bool TSoakRun::PhaseTray() {
  // The tray icon's messages as the shell passes them on, then the menu item clicked.
  auto popup = [&] { return e2e::FindTopWindow(Pelorin->Pid(), L"PelorinPopupForm"); };
  auto clickItem = [&](const wchar_t* caption) { return e2e::ClickPopupItem(popup(), caption); };
  for (bool enable : {false, true}) {
    ::PostMessageW(Pelorin->Window(), TrayCallback, 0, WM_LBUTTONDOWN);
    ::PostMessageW(Pelorin->Window(), TrayCallback, 0, WM_LBUTTONUP);
    if (!WaitFor([&] { return popup() != nullptr && ::IsWindowVisible(popup()); }, EffectDeadlineMs)) {
      Anomaly("the tray icon's click did not show the pop-up menu");
      return false;
    }
    if (!clickItem(enable ? L"   Enable Pelorin" : L"   Disable Pelorin") || !WaitEnabledCaption(enable)) {
      Anomaly(std::string("the pop-up menu did not switch Pelorin ") + (enable ? "on" : "off"));
      return false;
    }
    Model->SetEnabled(enable);
    WaitFor([&] { return !::IsWindowVisible(popup()); }, EffectDeadlineMs);
  }
  ++ToggleOffOn;
  return true;
}

}  // namespace pelorin::soak
