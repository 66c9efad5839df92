// The soak run: the real Pelorin.exe with a realistic Pelorin.ini receives a given number of
// injected events in paced batches, clipboard copies of every size, and now and then has its
// windows opened and closed and is switched off and on. Each batch ends at a sync point, where
// what passed Pelorin's hooks and what fired is compared with what the rules say; checkpoints
// with the same clipboard history measure its memory, handles and GDI objects.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "E2eClipboard.h"
#include "E2eSupport.h"
#include "SoakConfig.h"
#include "SoakCounter.h"
#include "SoakGuiWatch.h"
#include "SoakMetrics.h"
#include "SoakModel.h"

namespace pelorin::soak {

struct TSoakOptions {
  uint64_t Events = 1000000;
  uint32_t Seed = 1;
};
extern TSoakOptions Options;

// Injected events by kind; Total is what the run counts against its target.
struct TSentCounts {
  uint64_t Total = 0;
  uint64_t Moves = 0;
  uint64_t ShakeMoves = 0;
  uint64_t Buttons = 0;
  uint64_t Wheel = 0;
  uint64_t ChordKeys = 0;
  uint64_t TypingKeys = 0;
  uint64_t SyncAndWindowKeys = 0;
  uint64_t Shakes = 0;
  uint64_t ChordsBound = 0;
  uint64_t ChordsUnbound = 0;
};

struct TCopyCounts {
  uint64_t Small = 0, Medium = 0, Big = 0, Pictures = 0, Repeats = 0, Calibration = 0;
  uint64_t Bytes = 0;
  uint64_t Failed = 0;
  uint64_t SystemMade = 0;  // copies that left their other forms to the system
  uint64_t Total() const { return Small + Medium + Big + Pictures + Repeats + Calibration; }
};

// One measurement of the running Pelorin, with the history it held then.
struct TSample {
  std::string Label;
  uint64_t Events = 0;
  double Seconds = 0;
  TProcessFigures Process;
  TClpFigures Clp;
};

class TSoakRun : public e2e::TScenario {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Run();

 private:
  // ---- sending (SoakActions.cpp): every event goes through the model as it is sent
  void SendMoves(const std::vector<POINT>& points, const std::vector<DWORD>& gaps, bool shake);
  void SendKeys(const std::vector<e2e::TInput::TKeyEvent>& events, uint64_t& kindCount);
  void SendButton(TButton button, bool down, DWORD time);
  void SendWheel(int delta, DWORD time);
  void PressChord(const std::vector<TKey>& keys, uint64_t& kindCount);
  void Pump();

  // ---- a batch of random actions (SoakActions.cpp)
  void RunBatch(int budget);
  void ActWalk();
  void ActTyping();
  void ActChord(bool bound);
  void ActButtonClick();
  void ActLeftClick();
  void ActWheelRun();
  void ActShake();
  void ReturnToBlank(DWORD gap);
  POINT RandomBlankPoint();
  int Roll(int from, int to);

  // ---- the clipboard (SoakClipboard.cpp)
  void CopySomething();
  void CopyText(const std::wstring& text, uint64_t& kindCount);
  bool LeaveToTheSystem();
  void CopyPicture(int width, int height);
  void BigBurst();
  std::wstring SmallText(const std::string& tag);

  // ---- the window phases (SoakPhases.cpp)
  void WindowPhase(int which);
  bool PhaseClipboardManager();
  bool PhaseMainWindow(bool bySecondStart);
  bool PhaseOffOn(bool offByChord);
  bool PhaseQuestion();
  bool PhaseTray();
  bool ShowMainWindowBySecondStart();
  bool HideMainWindowByEsc();
  bool ClickEnableButton(bool expectEnabled);
  bool WaitEnabledCaption(bool enabled);
  void Anomaly(const std::string& text);

  // ---- sync points, checks and figures (SoakRun.cpp)
  // Where a batch began: what had passed and fired, and what the rules expected, by then.
  struct TBatchStart {
    TCounterSnapshot Counts;
    TPassCounts Expected;
    TFireCounts Fired;
    std::vector<uint64_t> Markers;
  };
  TBatchStart BeginBatch() const;
  // The sync point that ends a batch, the wait for its firings, and the comparison.
  void EndBatch(const TBatchStart& start);
  bool Sync();
  void WaitForFires(const TBatchStart& start);
  void CompareBatch(const TBatchStart& start);
  std::vector<uint64_t> MarkerLines() const;
  uint64_t SeenFires(int row, const TCounterSnapshot& s, const std::vector<uint64_t>& markers) const;
  void CheckPelorin();
  std::string DescribePelorin() const;
  TSample Measure(const std::string& label);
  TSample Checkpoint(const std::string& label);
  void PrintSample(const TSample& s);
  void TrackClp(const TClpFigures& clp);
  std::vector<int> HeldKeys() const;
  void Report(const TSample& warm, const TSample& middle, const TSample& end, const std::vector<int>& heldRunning,
              const std::vector<int>& heldAfter, std::optional<DWORD> exitCode);

  TSoakConfig Config;
  std::unique_ptr<TSoakModel> Model;
  TSoakCounter Counter;
  std::atomic<uint64_t> EventsNow{0};  // Sent.Total for the GUI watch's thread
  TGuiWatch GuiWatch{EventsNow};
  std::unique_ptr<e2e::TDriverWindow> Driver;
  std::unique_ptr<TProcessWatch> Watch;
  e2e::TPelorin* Pelorin = nullptr;
  std::vector<std::wstring> MarkerFiles;
  std::mt19937 Random;
  ULONGLONG StartTick = 0;

  TSentCounts Sent;
  TCopyCounts Copies;
  POINT Cursor{};
  RECT Blank{};  // where walks and clicks stay: the driver's client area below its edit control
  uint64_t CopySerial = 0;
  std::vector<std::wstring> SmallTexts;  // earlier small copies, for copying again

  // What the sync points found.
  uint64_t Batches = 0;
  uint64_t BatchEvents = 0;  // events of the batches (copies and phases between them left out)
  ULONGLONG BatchMs = 0;     // their time, sync points and the wait for their firings included
  uint64_t BatchesOff = 0;
  uint64_t MismatchedBatches = 0;
  uint64_t SyncsLost = 0;
  std::vector<std::string> Mismatches;
  uint64_t PhasesDone = 0;
  std::vector<uint64_t> PhaseCounts = std::vector<uint64_t>(7, 0);
  std::vector<std::string> Anomalies;
  // Commands checked through their windows: expected and seen.
  uint64_t SpecialExpected = 0, SpecialSeen = 0;
  uint64_t QuestionsAsked = 0, QuestionsAnsweredNo = 0;
  uint64_t ToggleOffOn = 0;

  // Pelorin processes: restarts, crashes.
  uint64_t Restarts = 0;
  std::vector<std::string> ProcessEvents;
  bool Crashed = false;

  // Clipboard history limits.
  uint64_t ClpReads = 0, ClpUnreadable = 0, ClpOverCount = 0, ClpOverMemory = 0;
  int ClpMaxItems = 0;
  uint64_t ClpMaxFileBytes = 0, ClpMaxDataBytes = 0;

  std::vector<TSample> Samples;
  std::vector<TSample> Checkpoints;
};

}  // namespace pelorin::soak
