// GDI objects of the real Pelorin.exe around many repeats of one user action: whatever an
// action makes (fonts, bitmaps, DCs, brushes, regions, icon images) it must free again, so
// after a warm-up the count may not climb with the number of repeats. Counted off Wine's
// per-process GDI table (GetGuiResources is not implemented there).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "E2eClipboard.h"
#include "E2eSupport.h"
#include "GdiTable.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

constexpr DWORD Gap = 60;
constexpr DWORD SavedDeadlineMs = 10000;
constexpr UINT TrayCallback = WM_USER + 1;
// The history holds this many unchecked items (the least Pelorin takes); pictures copied
// beyond it replace older ones.
constexpr int HistoryItems = 20;
constexpr int WarmUps = 3;
// Enough pictures to fill the history, whose every picture may keep a thumbnail.
constexpr int FillHistory = HistoryItems + 4;
constexpr int Repeats = 16;
// Less than one object per two repeats: a path that keeps one object per repeat shows as
// Repeats, while a cache of Wine's that fills once stays under it.
constexpr long Allowed = Repeats / 2;

const TChord ManagerChord{{keys::LeftCtrl, keys::Q}};
const TChord DisableChord{{keys::LeftCtrl, keys::W}};
const TChord NoteChord{{keys::LeftCtrl, keys::M}};

void Pause(DWORD ms) { WaitFor([] { return false; }, ms); }

// The actions, one run each; false when a step did not happen. Public for the case table.
class GdiPerAction : public TScenario {
 public:
  TPelorin* Start() {
    WriteIni(TIni()
                 .Section("Custom Inputs")
                 .Row(1, "Clipboard manager", ManagerChord.Text(), StateChord)
                 .Row(2, "Disable Pelorin", DisableChord.Text(), StateChord)
                 .Row(3, Narrow(MarkerCommand(Folder + L"marker.txt")), NoteChord.Text(), StateChord)
                 .Section("Settings")
                 .Value("Show notifications on custom inputs", "1")
                 .Value("Maximum count of unchecked items", std::to_string(HistoryItems))
                 .Value("Save the data of Clipboard Manager", "1"));
    EXPECT_TRUE(Copy(Driver.Handle(), {}));
    Pelorin = StartPelorin(L"autorun");
    return Pelorin;
  }
  std::wstring ClpPath() const { return Folder + L"Pelorin.clp"; }

  // The count once Pelorin has settled: two reads a while apart that agree.
  test::TGdiCounts Settled() {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Pelorin->Pid());
    EXPECT_NE(process, nullptr);
    test::TGdiCounts last;
    for (int i = 0; i < 20; ++i) {
      Pause(250);
      std::optional<test::TGdiCounts> now = test::CountGdiObjects(process);
      EXPECT_TRUE(now.has_value()) << "no GDI table to read";
      if (!now) break;
      if (i > 0 && now->Total == last.Total) {
        last = *now;
        break;
      }
      last = *now;
    }
    ::CloseHandle(process);
    return last;
  }

  // The growth of Pelorin's GDI objects over Repeats runs of the action after a warm-up, with
  // the figures printed by type. The warm-up fills what may be kept, such as the thumbnails of
// a full history.
  long Growth(const char* name, int warmUps, const std::function<bool()>& action) {
    for (int i = 0; i < warmUps; ++i)
      if (!action()) {
        ADD_FAILURE() << name << ": warm-up run " << i << " did not complete";
        return -1;
      }
    const test::TGdiCounts before = Settled();
    for (int i = 0; i < Repeats; ++i)
      if (!action()) {
        ADD_FAILURE() << name << ": run " << i << " did not complete";
        return -1;
      }
    const test::TGdiCounts after = Settled();
    std::printf("[ gdi      ] %-34s %ld -> %ld over %d runs (%s) [%s]\n", name, before.Total, after.Total, Repeats,
                after.ChangeFrom(before).c_str(), after.Describe().c_str());
    std::fflush(stdout);
    return after.Total - before.Total;
  }

  HWND Manager() const { return FindShownWindow(Pelorin->Pid(), L"PelorinClipboardForm"); }

  bool OpenAndCloseManager() {
    if (!Driver.Activate()) return false;
    Input.Chord(ManagerChord.Keys);
    if (!WaitFor([&] { return Manager() != nullptr && ::GetForegroundWindow() == Manager(); }, EffectDeadlineMs))
      return false;
    ::UpdateWindow(Manager());
    Pause(200);  // painted, thumbnails made
    Input.Keys({{keys::Escape, false, Input.After(Gap)}, {keys::Escape, true, Input.After(Gap)}});
    return WaitFor([&] { return Manager() == nullptr; }, EffectDeadlineMs);
  }

  // A new picture on the clipboard. Pelorin's worker takes it within a tick or two; the file,
  // written every few seconds only, shows at the end that the copies were taken.
  bool CopyPicture() {
    LastPicture = PictureDib(120 + Serial % 50, 90 + Serial % 30, Serial);
    ++Serial;
    if (!Copy(Driver.Handle(), {{CF_DIB, LastPicture}})) return false;
    Pause(300);
    return true;
  }
  bool LastPictureKept() {
    return WaitFor(
        [&] {
          std::optional<std::vector<TStoredItem>> items = ReadClp(ReadBytes(ClpPath()));
          if (!items || items->empty()) return false;
          const std::string* stored = DataOf(items->back(), CF_DIB);
          return stored != nullptr && stored->substr(0, 200) == LastPicture.substr(0, 200);
        },
        SavedDeadlineMs);
  }

  bool CopyPictureAndOpenManager() { return CopyPicture() && OpenAndCloseManager(); }

  bool ShowAndHideMainWindow() {
    auto second = std::make_unique<TPelorin>();
    if (!second->Start(ExePath(), L"") || second->WaitForExit(ExitDeadlineMs) != std::optional<DWORD>(0)) return false;
    if (!WaitFor([&] { return Pelorin->Visible() && ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs))
      return false;
    Pause(300);  // Pelorin counts its window as the one in front from its worker's next tick
    Input.Keys({{keys::Escape, false, Input.After(Gap)}, {keys::Escape, true, Input.After(Gap)}});
    return WaitFor([&] { return !Pelorin->Visible(); }, EffectDeadlineMs);
  }

  // Notes which step of an action did not happen; false.
  bool Missed(const char* what) {
    std::printf("[ missed   ] %s\n", what);
    std::fflush(stdout);
    return false;
  }

  bool Caption(bool enabled) {
    const std::wstring wanted = enabled ? L"Pelorin enabled" : L"Pelorin disabled";
    return WaitFor([&] { return Pelorin->ControlText(IDC_PELORIN_ENABLED) == wanted; }, EffectDeadlineMs);
  }

  // The tray icon's click as the shell passes it on, then the pop-up's Enable or Disable item.
  bool SwitchByTrayMenu(bool enable) {
    auto popup = [&] { return FindTopWindow(Pelorin->Pid(), L"PelorinPopupForm"); };
    ::PostMessageW(Pelorin->Window(), TrayCallback, 0, WM_LBUTTONDOWN);
    ::PostMessageW(Pelorin->Window(), TrayCallback, 0, WM_LBUTTONUP);
    if (!WaitFor([&] { return popup() != nullptr && ::IsWindowVisible(popup()); }, EffectDeadlineMs))
      return Missed("the pop-up did not show");
    if (!ClickPopupItem(popup(), enable ? L"   Enable Pelorin" : L"   Disable Pelorin"))
      return Missed("the pop-up has no such item");
    if (!Caption(enable)) return Missed("the item did not switch Pelorin");
    if (!WaitFor([&] { return !::IsWindowVisible(popup()); }, EffectDeadlineMs)) return Missed("the pop-up stayed");
    return true;
  }

  bool OffAndOnByTrayMenu() { return SwitchByTrayMenu(false) && SwitchByTrayMenu(true); }

  // Off by the chord (its note shows), on again by the tray menu.
  bool OffByChordOnByTrayMenu() {
    if (!Driver.Activate()) return Missed("the driver did not come to the front");
    Input.Chord(DisableChord.Keys);
    if (!Caption(false)) return Missed("the chord did not switch Pelorin off");
    Pause(1500);  // the note comes and goes
    return SwitchByTrayMenu(true);
  }

  // A chord whose row runs a command line, with the note that tells so.
  bool ChordWithNote() {
    if (!Driver.Activate()) return false;
    const size_t lines = ReadLines(Folder + L"marker.txt").size();
    Input.Chord(NoteChord.Keys);
    if (!WaitFor([&] { return ReadLines(Folder + L"marker.txt").size() == lines + 1; }, EffectDeadlineMs)) return false;
    Pause(1500);  // the note comes and goes
    return true;
  }

 protected:
  TDriverWindow Driver;
  TPelorin* Pelorin = nullptr;
  unsigned Serial = 1;
  std::string LastPicture;
};

struct TActionCase {
  const char* Name;
  bool (GdiPerAction::*Action)();
  bool Pictures;  // copies pictures: the history must hold the last one at the end
  int WarmUps;
};

// Failure messages name the case.
void PrintTo(const TActionCase& c, std::ostream* out) { *out << c.Name; }

class GdiPerActionCase : public GdiPerAction, public ::testing::WithParamInterface<TActionCase> {};

TEST_P(GdiPerActionCase, LeavesNoGdiObjectsBehind) {
  const TActionCase& c = GetParam();
  ASSERT_NE(Start(), nullptr);
  const long growth = Growth(c.Name, c.WarmUps, [&] { return (this->*c.Action)(); });
  EXPECT_LT(growth, Allowed) << c.Name << " keeps GDI objects";
  if (c.Pictures) {
    EXPECT_TRUE(LastPictureKept()) << "the copies were not taken";
  }
  EXPECT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(
    , GdiPerActionCase,
    ::testing::Values(TActionCase{"ManagerOpenedClosed", &GdiPerAction::OpenAndCloseManager, false, WarmUps},
                      TActionCase{"PictureCopied", &GdiPerAction::CopyPicture, true, WarmUps},
                      TActionCase{"PictureCopiedManagerOpened", &GdiPerAction::CopyPictureAndOpenManager, true,
                                  FillHistory},
                      TActionCase{"MainWindowShownHidden", &GdiPerAction::ShowAndHideMainWindow, false, WarmUps},
                      TActionCase{"OffOnByTrayMenu", &GdiPerAction::OffAndOnByTrayMenu, false, WarmUps},
                      TActionCase{"OffByChordOnByTrayMenu", &GdiPerAction::OffByChordOnByTrayMenu, false, WarmUps},
                      TActionCase{"ChordWithNote", &GdiPerAction::ChordWithNote, false, WarmUps}),
    [](const ::testing::TestParamInfo<TActionCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace pelorin::e2e
