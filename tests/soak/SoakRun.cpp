#include "SoakRun.h"

#include "res/resource.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace pelorin::soak {

using e2e::WaitFor;
namespace sk = soakkeys;

TSoakOptions Options;

namespace {

void Pause(DWORD ms) { WaitFor([] { return false; }, ms); }

constexpr DWORD SyncDeadlineMs = 20000;
constexpr DWORD FireDeadlineMs = 15000;
constexpr size_t MismatchesShown = 20;

std::string Clock(double seconds) {
  char text[32];
  const long s = static_cast<long>(seconds);
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

}  // namespace

void TSoakRun::SetUp() {
  e2e::TScenario::SetUp();
  Random.seed(Options.Seed);
  Config = MakeSoakConfig();
  Model = std::make_unique<TSoakModel>(Config);
  // Marker files beside the run's folder, which must hold only Pelorin's own files.
  const std::wstring markers = e2e::RunsFolder() + L"SoakMarkers\\";
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(markers), ignored);
  std::filesystem::create_directories(std::filesystem::path(markers), ignored);
  std::vector<std::wstring> commands;
  for (int i = 0; i < Config.MarkerCount; ++i) {
    MarkerFiles.push_back(markers + L"marker" + std::to_wstring(i) + L".txt");
    commands.push_back(MarkerCommand(MarkerFiles.back()));
  }
  // Written by hand: switching Pelorin off and on may rewrite the file, which is no fault.
  ASSERT_TRUE(e2e::WriteBytes(IniPath(), SoakIni(Config, commands)));
}

void TSoakRun::TearDown() {
  GuiWatch.Stop();
  e2e::TScenario::TearDown();
  Counter.Stop();
  Driver.reset();
}

std::vector<uint64_t> TSoakRun::MarkerLines() const {
  std::vector<uint64_t> lines;
  for (const std::wstring& file : MarkerFiles) lines.push_back(e2e::ReadLines(file).size());
  return lines;
}

uint64_t TSoakRun::SeenFires(int row, const TCounterSnapshot& s, const std::vector<uint64_t>& markers) const {
  const TSoakRow& r = Config.Rows[static_cast<size_t>(row)];
  if (r.Kind == TRowKind::Replay) return s.Replays[static_cast<size_t>(ReplayId(r.Replay))];
  if (r.Kind == TRowKind::Marker) return markers[static_cast<size_t>(r.Marker)];
  return 0;
}

bool TSoakRun::Sync() {
  const DWORD down = Input.After(30), up = Input.After(20);
  SendKeys({{sk::F12, false, down}, {sk::F12, true, up}}, Sent.SyncAndWindowKeys);
  if (WaitFor([&] { return Counter.Read().LastSyncTime == up; }, SyncDeadlineMs)) return true;
  ++SyncsLost;
  Anomaly("the sync key did not pass Pelorin's hooks within " + std::to_string(SyncDeadlineMs) + " ms");
  return false;
}

TSoakRun::TBatchStart TSoakRun::BeginBatch() const {
  return {Counter.Read(), Model->Passed(), Model->Fired(), MarkerLines()};
}

void TSoakRun::EndBatch(const TBatchStart& start) {
  if (!Sync()) return;
  WaitForFires(start);
  CompareBatch(start);
}

void TSoakRun::WaitForFires(const TBatchStart& start) {
  // The command thread works after the hooks: every firing the rules expect of this batch is
  // waited for (a batch that fired one too few waits out the deadline once).
  WaitFor(
      [&] {
        const TCounterSnapshot s = Counter.Read();
        const std::vector<uint64_t> markers = MarkerLines();
        const TFireCounts& fired = Model->Fired();
        for (size_t r = 0; r < Config.Rows.size(); ++r) {
          const TRowKind kind = Config.Rows[r].Kind;
          if ((kind == TRowKind::Replay || kind == TRowKind::Marker) &&
              SeenFires(static_cast<int>(r), s, markers) - SeenFires(static_cast<int>(r), start.Counts, start.Markers) <
                  fired.Rows[r] - start.Fired.Rows[r])
            return false;
        }
        return s.MarkedWheelUp + s.MarkedWheelDown - start.Counts.MarkedWheelUp - start.Counts.MarkedWheelDown >=
               fired.WheelNotchUp + fired.WheelNotchDown - start.Fired.WheelNotchUp - start.Fired.WheelNotchDown;
      },
      FireDeadlineMs);
}

void TSoakRun::CompareBatch(const TBatchStart& start) {
  const TCounterSnapshot& before = start.Counts;
  const TPassCounts& expectedBefore = start.Expected;
  const TFireCounts& firedBefore = start.Fired;
  const std::vector<uint64_t>& markersBefore = start.Markers;
  const TCounterSnapshot after = Counter.Read();
  const std::vector<uint64_t> markersAfter = MarkerLines();
  const TPassCounts& expected = Model->Passed();
  std::string diff;
  auto check = [&](const std::string& what, uint64_t seenBefore, uint64_t seenAfter, uint64_t wantBefore,
                   uint64_t wantAfter) {
    const int64_t seen = static_cast<int64_t>(seenAfter - seenBefore), want = static_cast<int64_t>(wantAfter - wantBefore);
    if (seen != want) diff += " " + what + " " + std::to_string(seen) + "/" + std::to_string(want);
  };
  for (int vk = 0; vk < 256; ++vk) {
    check("down(vk " + std::to_string(vk) + ")", before.Passed.KeyDown[vk], after.Passed.KeyDown[vk],
          expectedBefore.KeyDown[vk], expected.KeyDown[vk]);
    check("up(vk " + std::to_string(vk) + ")", before.Passed.KeyUp[vk], after.Passed.KeyUp[vk],
          expectedBefore.KeyUp[vk], expected.KeyUp[vk]);
  }
  static const char* names[] = {"left", "right", "middle", "x1", "x2"};
  for (size_t b = 0; b < ButtonCount; ++b) {
    check(std::string(names[b]) + " down", before.Passed.ButtonDown[b], after.Passed.ButtonDown[b],
          expectedBefore.ButtonDown[b], expected.ButtonDown[b]);
    check(std::string(names[b]) + " up", before.Passed.ButtonUp[b], after.Passed.ButtonUp[b],
          expectedBefore.ButtonUp[b], expected.ButtonUp[b]);
  }
  check("moves", before.Passed.Moves, after.Passed.Moves, expectedBefore.Moves, expected.Moves);
  check("wheel up", before.Passed.WheelUp, after.Passed.WheelUp, expectedBefore.WheelUp, expected.WheelUp);
  check("wheel down", before.Passed.WheelDown, after.Passed.WheelDown, expectedBefore.WheelDown, expected.WheelDown);
  const TFireCounts& fired = Model->Fired();
  for (size_t r = 0; r < Config.Rows.size(); ++r) {
    const TRowKind kind = Config.Rows[r].Kind;
    if (kind != TRowKind::Replay && kind != TRowKind::Marker) continue;
    check("row " + std::to_string(r + 1) + " fired", SeenFires(static_cast<int>(r), before, markersBefore),
          SeenFires(static_cast<int>(r), after, markersAfter), firedBefore.Rows[r], fired.Rows[r]);
  }
  check("wheel fix up", before.MarkedWheelUp, after.MarkedWheelUp, firedBefore.WheelNotchUp, fired.WheelNotchUp);
  check("wheel fix down", before.MarkedWheelDown, after.MarkedWheelDown, firedBefore.WheelNotchDown,
        fired.WheelNotchDown);
  if (diff.empty()) return;
  ++MismatchedBatches;
  const std::string line = "batch " + std::to_string(Batches + BatchesOff + 1) + " (after " +
                           std::to_string(Sent.Total) + " events, Pelorin " + (Model->Enabled() ? "on" : "off") +
                           "), seen/expected:" + diff + "; foreign input so far: " +
                           std::to_string(after.ForeignKeys) + " keys, " + std::to_string(after.ForeignMouse) +
                           " mouse";
  if (Mismatches.size() < MismatchesShown) {
    std::printf("[ mismatch ] %s\n", line.c_str());
    std::printf("[ state    ] %s\n", DescribePelorin().c_str());
    std::fflush(stdout);
  }
  Mismatches.push_back(line);
}

std::string TSoakRun::DescribePelorin() const {
  // What a failure message needs: Pelorin's switch, whether its GUI thread answers, which of
  // its windows show and what is in front.
  std::string text = "switch \"" + e2e::Narrow(Pelorin->ControlText(IDC_PELORIN_ENABLED)) + "\", ";
  DWORD_PTR ignored = 0;
  text += ::SendMessageTimeoutW(Pelorin->Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0
              ? "its GUI thread answers"
              : "its GUI thread does not answer";
  struct TWindows {
    DWORD Pid;
    std::string Text;
  } shown{Pelorin->Pid(), ""};
  ::EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<TWindows*>(p);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == s->Pid && ::IsWindowVisible(w))
          s->Text += " " + e2e::Narrow(e2e::ClassOf(w)) + (::IsWindowEnabled(w) ? "" : "(disabled)");
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&shown));
  HWND front = ::GetForegroundWindow();
  DWORD frontPid = 0;
  ::GetWindowThreadProcessId(front, &frontPid);
  text += "; its shown windows:" + (shown.Text.empty() ? std::string(" none") : shown.Text) + "; in front: " +
          e2e::Narrow(e2e::ClassOf(front)) + " of pid " + std::to_string(frontPid) +
          (frontPid == Pelorin->Pid() ? " (Pelorin)" : ::GetCurrentProcessId() == frontPid ? " (the driver)" : "") +
          "; probes seen past Pelorin " + std::to_string(Counter.Read().Probes);
  return text;
}

void TSoakRun::CheckPelorin() {
  if (std::optional<DWORD> code = Watch->ExitCode()) {
    std::vector<e2e::TProcessEntry> others;
    WaitFor(
        [&] {
          others.clear();
          for (const e2e::TProcessEntry& p : OwnPelorins())
            if (p.Pid != Watch->Pid()) others.push_back(p);
          return !others.empty();
        },
        e2e::StartDeadlineMs);
    std::string line = "after " + std::to_string(Sent.Total) + " events Pelorin (pid " + std::to_string(Watch->Pid()) +
                       ") ended with code " + std::to_string(*code);
    if (others.empty()) {
      Crashed = true;
      ProcessEvents.push_back(line + "; no successor started");
    } else {
      ++Restarts;
      ProcessEvents.push_back(line + "; pid " + std::to_string(others[0].Pid) + " took over: " +
                              e2e::Narrow(others[0].CommandLine));
      Started.push_back(std::make_unique<e2e::TPelorin>());
      Pelorin = Started.back().get();
      if (!Pelorin->Attach(others[0].Pid) || !Pelorin->WaitUntilRunning()) Crashed = true;
      Watch = std::make_unique<TProcessWatch>(others[0].Pid);
      GuiWatch.SetWindow(Pelorin->Window());
      Model->PelorinRestarted();
    }
    std::printf("[ process  ] %s\n", ProcessEvents.back().c_str());
    std::fflush(stdout);
    return;
  }
  // A message box of Pelorin's own: the fatal "Unexpected exception" path or a failure it reports.
  if (HWND box = e2e::FindShownWindow(Watch->Pid(), L"#32770")) {
    const std::string text = e2e::Narrow(e2e::WindowText(box) + L": " + e2e::MessageBoxText(box));
    ProcessEvents.push_back("after " + std::to_string(Sent.Total) + " events Pelorin showed a message box: " + text);
    if (text.find("Unexpected") != std::string::npos) Crashed = true;
    std::printf("[ process  ] %s\n", ProcessEvents.back().c_str());
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
}

void TSoakRun::TrackClp(const TClpFigures& clp) {
  ++ClpReads;
  if (!clp.Readable) {
    ++ClpUnreadable;  // caught in the middle of a save
    return;
  }
  ClpMaxItems = std::max(ClpMaxItems, clp.Items);
  ClpMaxFileBytes = std::max(ClpMaxFileBytes, clp.FileBytes);
  ClpMaxDataBytes = std::max(ClpMaxDataBytes, clp.DataBytesButNewest);
  // The count runs before a capture is added and leaves the newest out: up to the limit and two
  // just after a capture. The newest item counts toward no limit; checked items toward none.
  if (clp.Items - clp.Checked > Config.CountLimit + 2) ++ClpOverCount;
  if (clp.DataBytesButNewest > static_cast<uint64_t>(Config.MemoryLimitMb) * 1048576u) ++ClpOverMemory;
}

TSample TSoakRun::Measure(const std::string& label) {
  TSample s;
  s.Label = label;
  s.Events = Sent.Total;
  s.Seconds = static_cast<double>(::GetTickCount64() - StartTick) / 1000.0;
  s.Process = Watch->Measure();
  s.Clp = ReadClpFigures(Folder + L"Pelorin.clp");
  TrackClp(s.Clp);
  return s;
}

void TSoakRun::PrintSample(const TSample& s) {
  const TProcessFigures& p = s.Process;
  std::string unix;
  if (p.UnixRssMb) unix += ", VmRSS " + std::to_string(static_cast<int>(*p.UnixRssMb + 0.5)) + " MB";
  if (p.UnixAnonMb) unix += ", anonymous " + std::to_string(static_cast<int>(*p.UnixAnonMb + 0.5)) + " MB";
  std::printf("[ sample   ] %-14s %9llu events %s  working set %6.1f MB (peak %6.1f%s)  handles %ld  "
              "GDI %ld  windows %ld  history %d items, Pelorin.clp %.1f MB\n",
              s.Label.c_str(), static_cast<unsigned long long>(s.Events), Clock(s.Seconds).c_str(), p.WorkingSetMb,
              p.PeakWorkingSetMb, unix.c_str(),
              p.Handles, p.Gdi, p.User, s.Clp.Items, static_cast<double>(s.Clp.FileBytes) / 1048576.0);
  std::fflush(stdout);
}

TSample TSoakRun::Checkpoint(const std::string& label) {
  // The same history at every checkpoint, so that what it holds is not what is measured:
  // small texts enough to push every earlier item out.
  Sync();
  std::wstring last;
  for (int i = 0; i < Config.CountLimit + 10; ++i) {
    last = SmallText("checkpoint " + label);
    CopyText(last, Copies.Calibration);
    Pause(250);
  }
  const std::wstring head = last.substr(0, 200);
  TClpFigures clp;
  if (!WaitFor(
          [&] {
            clp = ReadClpFigures(Folder + L"Pelorin.clp");
            return clp.Readable && clp.Items == Config.CountLimit + 2 && clp.NewestText == head &&
                   clp.LargestItemBytes < 64 * 1024;
          },
          30000))
    Anomaly("checkpoint " + label + ": the history did not settle to " + std::to_string(Config.CountLimit + 2) +
            " small items (" + std::to_string(clp.Items) + " items, largest " + std::to_string(clp.LargestItemBytes) +
            " bytes)");
  Pause(1500);
  std::vector<TSample> three;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) Pause(700);
    three.push_back(Measure(label));
  }
  std::sort(three.begin(), three.end(),
            [](const TSample& a, const TSample& b) { return a.Process.WorkingSetMb < b.Process.WorkingSetMb; });
  Samples.push_back(three[1]);
  PrintSample(three[1]);
  return three[1];
}

std::vector<int> TSoakRun::HeldKeys() const {
  std::vector<int> held;
  for (int vk = 1; vk < 255; ++vk)
    if ((::GetAsyncKeyState(vk) & 0x8000) != 0) held.push_back(vk);
  return held;
}

void TSoakRun::Run() {
  ASSERT_TRUE(Counter.Start()) << "the counting hooks could not be installed";
  Driver = std::make_unique<e2e::TDriverWindow>();
  ASSERT_TRUE(e2e::Copy(Driver->Handle(), {}));
  RECT client{};
  ::GetClientRect(Driver->Handle(), &client);
  POINT topLeft{client.left + 20, client.top + 60}, bottomRight{client.right - 20, client.bottom - 20};
  ::ClientToScreen(Driver->Handle(), &topLeft);
  ::ClientToScreen(Driver->Handle(), &bottomRight);
  Blank = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};

  Pelorin = StartPelorin(L"autorun");
  ASSERT_NE(Pelorin, nullptr);
  Watch = std::make_unique<TProcessWatch>(Pelorin->Pid());
  GuiWatch.Start(Pelorin->Window());
  ASSERT_TRUE(Driver->Activate());
  StartTick = ::GetTickCount64();
  SendMoves({{(Blank.left + Blank.right) / 2, (Blank.top + Blank.bottom) / 2}}, {1000}, false);
  Pause(2000);
  const TSample start = Measure("start");
  Samples.push_back(start);
  PrintSample(start);

  const uint64_t target = Options.Events;
  // A checkpoint at every tenth of the run: the first ends the warm-up, the fifth is the middle.
  int checkpointsDone = 0;
  const uint64_t sampleEvery = std::max<uint64_t>(target / 20, 1);
  const uint64_t phases = std::clamp<uint64_t>(target / 8000, 7, 200);
  const uint64_t phaseEvery = std::max<uint64_t>(target / phases, 1);
  // Texts of megabytes until the memory limit is reached: once before the warm-up ends, so that
  // every checkpoint comes after one, and twice later.
  std::vector<uint64_t> bursts = {target * 4 / 100, target * 45 / 100, target * 85 / 100};
  uint64_t nextSample = sampleEvery, nextPhase = phaseEvery / 2;
  int phase = 0;
  std::optional<TSample> warm, middle;
  auto checkpoint = [&] {
    ++checkpointsDone;
    const std::string label = checkpointsDone == 1    ? "after warm-up"
                              : checkpointsDone == 5  ? "middle"
                              : checkpointsDone == 10 ? "end"
                                                      : std::to_string(checkpointsDone * 10) + " %";
    TSample s = Checkpoint(label);
    Checkpoints.push_back(s);
    if (checkpointsDone == 1) warm = s;
    if (checkpointsDone == 5) middle = s;
    return s;
  };

  while (Sent.Total < target && !Crashed) {
    if (checkpointsDone < 9 && Sent.Total >= target * static_cast<uint64_t>(checkpointsDone + 1) / 10) checkpoint();
    if (!bursts.empty() && Sent.Total >= bursts.front()) {
      bursts.erase(bursts.begin());
      BigBurst();
    }
    if (Sent.Total >= nextSample) {
      Samples.push_back(Measure("periodic"));
      PrintSample(Samples.back());
      nextSample += sampleEvery;
    }
    if (Sent.Total >= nextPhase) {
      WindowPhase(phase++ % 7);
      nextPhase += phaseEvery;
    }
    const TBatchStart start = BeginBatch();
    const int budget = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(Roll(250, 450)), target - Sent.Total));
    const ULONGLONG batchStart = ::GetTickCount64();
    const uint64_t batchFirst = Sent.Total;
    // One copy in the middle of every batch: about three thousand a million events.
    RunBatch(budget / 2);
    CopySomething();
    RunBatch(budget - budget / 2);
    EndBatch(start);
    Driver->SetEditText(L"");
    ++Batches;
    BatchEvents += Sent.Total - batchFirst;
    BatchMs += ::GetTickCount64() - batchStart;
    CheckPelorin();
  }
  while (!Crashed && checkpointsDone < 9) checkpoint();
  const TSample end = Crashed ? Measure("end") : checkpoint();
  if (!warm) warm = end;
  if (!middle) middle = end;
  Pause(1000);
  const std::vector<int> heldRunning = HeldKeys();
  GuiWatch.Stop();
  const std::optional<DWORD> exitCode = Crashed ? std::nullopt : Pelorin->Close();
  const std::vector<int> heldAfter = HeldKeys();
  TrackClp(ReadClpFigures(Folder + L"Pelorin.clp"));
  Report(*warm, *middle, end, heldRunning, heldAfter, exitCode);
}

}  // namespace pelorin::soak
