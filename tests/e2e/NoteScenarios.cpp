// The notes' focus rules on the real program: a note that comes up while one of Pelorin's own
// windows is in front leaves that window its input and the main window enabled.
#include "E2eSupport.h"

namespace pelorin::e2e {
namespace {

const TChord ManagerChord{{keys::LeftCtrl, keys::Q}};
const TChord VolumeChord{{keys::LeftCtrl, keys::M}};

class NoteFocus : public TScenario {};

// The main window shows (a start by hand), the Clipboard Manager is opened over it, and a
// volume chord brings up a level note (no audio device under Wine: level 0).
TEST_F(NoteFocus, TheClipboardManagerInFrontStaysActiveAndTheMainWindowEnabledWhileANoteIsUp) {
  WriteIni(TIni()
               .Section("Custom Inputs")
               .Row(1, "Clipboard manager", ManagerChord.Text(), StateChord)
               .Row(2, "Volume Up", VolumeChord.Text(), StateChord)
               .Section("Settings")
               .Value("Show notifications on custom inputs", "1"));
  TPelorin* pelorin = StartPelorin(L"");
  ASSERT_NE(pelorin, nullptr);
  HWND main = pelorin->Window();
  ASSERT_TRUE(WaitFor([&] { return pelorin->Visible() && ::GetForegroundWindow() == main; }, EffectDeadlineMs))
      << "a start by hand shows the main window in front";

  Input.Chord(ManagerChord.Keys);
  HWND manager = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        manager = FindShownWindow(pelorin->Pid(), L"PelorinClipboardForm");
        return manager != nullptr && ::GetForegroundWindow() == manager;
      },
      EffectDeadlineMs))
      << "the Clipboard Manager did not come to the front";

  Input.Chord(VolumeChord.Keys);
  HWND note = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (note = FindShownWindow(pelorin->Pid(), L"PelorinNoteForm")) != nullptr; },
                      EffectDeadlineMs))
      << "no note for the volume step";
  // A level note stays up about 1.6 s; every look while it is up must find both windows
  // enabled and the manager still in front.
  bool mainEnabled = true, managerEnabled = true;
  HWND front = manager;
  EXPECT_TRUE(HoldsFor(
      [&] {
        if (!::IsWindowVisible(note)) return true;
        mainEnabled = ::IsWindowEnabled(main) != FALSE;
        managerEnabled = ::IsWindowEnabled(manager) != FALSE;
        front = ::GetForegroundWindow();
        return mainEnabled && managerEnabled && front == manager;
      },
      600))
      << "while the note was up: main window enabled " << mainEnabled << ", Clipboard Manager enabled "
      << managerEnabled << ", in front " << Narrow(ClassOf(front));
  ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(note); }, EffectDeadlineMs)) << "the note stayed up";
  EXPECT_TRUE(::IsWindowEnabled(main));
  EXPECT_EQ(::GetForegroundWindow(), manager);

  // Still usable: it takes Esc and closes.
  Input.Keys({{keys::Escape, false, Input.After(60)}, {keys::Escape, true, Input.After(60)}});
  EXPECT_TRUE(WaitFor([&] { return FindShownWindow(pelorin->Pid(), L"PelorinClipboardForm") == nullptr; },
                      EffectDeadlineMs))
      << "the Clipboard Manager did not take Esc after the note";
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
