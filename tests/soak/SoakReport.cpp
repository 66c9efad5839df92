// What the run prints at its end, and the verdict.
#include <algorithm>
#include <cstdio>

#include "SoakRun.h"

namespace pelorin::soak {

namespace {

// "Flat": the working set at the end within FlatMb or FlatFraction of the one after the
// warm-up, whichever is larger; handles, GDI objects and windows at the end no more than the
// slack above the middle checkpoint. Every checkpoint holds the same clipboard history.
constexpr double FlatMb = 10.0;
constexpr double FlatFraction = 0.10;
constexpr long HandleSlack = 16;
constexpr long GdiSlack = 16;
constexpr long WindowSlack = 2;

std::string KeyList(const std::vector<int>& keys) {
  if (keys.empty()) return "none";
  std::string out;
  for (int vk : keys) {
    char name[64] = {};
    const UINT scan = ::MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    if (scan == 0 || ::GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof name) == 0) name[0] = 0;
    out += (out.empty() ? "" : ", ") + std::string("vk ") + std::to_string(vk) + (name[0] ? " (" + std::string(name) + ")" : "");
  }
  return out;
}

const char* Verdict(bool ok) { return ok ? "PASS" : "FAIL"; }

}  // namespace

void TSoakRun::Report(const TSample& warm, const TSample& middle, const TSample& end,
                      const std::vector<int>& heldRunning, const std::vector<int>& heldAfter,
                      std::optional<DWORD> exitCode) {
  const double seconds = static_cast<double>(::GetTickCount64() - StartTick) / 1000.0;
  auto& out = std::printf;
  out("\n================================ soak report ================================\n");
  out("events sent: %llu in %.0f s (%s), %.0f events a second, seed %u\n", static_cast<unsigned long long>(Sent.Total),
      seconds, [&] {
        static char text[32];
        const long s = static_cast<long>(seconds);
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
        return text;
      }(),
      seconds > 0 ? static_cast<double>(Sent.Total) / seconds : 0.0, Options.Seed);
  out("  moves %llu, shake moves %llu (%llu shakes), button events %llu, wheel notches %llu,\n"
      "  chord keys %llu (%llu bound chords, %llu unbound), typing keys %llu, sync and window keys %llu\n",
      static_cast<unsigned long long>(Sent.Moves), static_cast<unsigned long long>(Sent.ShakeMoves),
      static_cast<unsigned long long>(Sent.Shakes), static_cast<unsigned long long>(Sent.Buttons),
      static_cast<unsigned long long>(Sent.Wheel), static_cast<unsigned long long>(Sent.ChordKeys),
      static_cast<unsigned long long>(Sent.ChordsBound), static_cast<unsigned long long>(Sent.ChordsUnbound),
      static_cast<unsigned long long>(Sent.TypingKeys), static_cast<unsigned long long>(Sent.SyncAndWindowKeys));
  out("  %llu batches with a sync point each (%llu while Pelorin was off), %llu sync keys lost; the batches took\n"
      "  %.0f s for %llu events (%.0f events a second, sync points and the wait for every firing included)\n",
      static_cast<unsigned long long>(Batches + BatchesOff), static_cast<unsigned long long>(BatchesOff),
      static_cast<unsigned long long>(SyncsLost), static_cast<double>(BatchMs) / 1000.0,
      static_cast<unsigned long long>(BatchEvents),
      BatchMs > 0 ? static_cast<double>(BatchEvents) * 1000.0 / static_cast<double>(BatchMs) : 0.0);
  out("clipboard copies: %llu (%llu small, %llu medium, %llu of 1-2.5 M characters, %llu pictures, %llu copied "
      "again, %llu checkpoint texts), %.0f MB in all, %llu failed; %llu left their other forms to the system\n",
      static_cast<unsigned long long>(Copies.Total()), static_cast<unsigned long long>(Copies.Small),
      static_cast<unsigned long long>(Copies.Medium), static_cast<unsigned long long>(Copies.Big),
      static_cast<unsigned long long>(Copies.Pictures), static_cast<unsigned long long>(Copies.Repeats),
      static_cast<unsigned long long>(Copies.Calibration), static_cast<double>(Copies.Bytes) / 1048576.0,
      static_cast<unsigned long long>(Copies.Failed), static_cast<unsigned long long>(Copies.SystemMade));
  out("window phases: %llu (Clipboard Manager %llu, main window by a second start %llu, by its chord %llu, off by "
      "chord %llu, off by button %llu, tray menu %llu, question box %llu)\n",
      static_cast<unsigned long long>(PhasesDone), static_cast<unsigned long long>(PhaseCounts[0]),
      static_cast<unsigned long long>(PhaseCounts[1]), static_cast<unsigned long long>(PhaseCounts[4]),
      static_cast<unsigned long long>(PhaseCounts[2]), static_cast<unsigned long long>(PhaseCounts[5]),
      static_cast<unsigned long long>(PhaseCounts[6]), static_cast<unsigned long long>(PhaseCounts[3]));

  // Commands: every replay and command line row, the wheel fix, the window commands.
  const TCounterSnapshot counts = Counter.Read();
  const std::vector<uint64_t> markers = MarkerLines();
  uint64_t expectedAll = 0, firedAll = 0, rowsOff = 0;
  out("\ncommands fired against expected:\n");
  for (size_t r = 0; r < Config.Rows.size(); ++r) {
    const TSoakRow& row = Config.Rows[r];
    if (row.Kind != TRowKind::Replay && row.Kind != TRowKind::Marker) continue;
    const uint64_t want = Model->Fired().Rows[r], seen = SeenFires(static_cast<int>(r), counts, markers);
    expectedAll += want;
    firedAll += seen;
    rowsOff += want != seen ? 1 : 0;
    static const char* mouse[] = {"", "middle button", "button 4", "button 5", "shake horizontally", "shake vertically"};
    const std::string input = row.Mouse != TMouseInput::None ? mouse[static_cast<int>(row.Mouse)] : ChordText(row.Chord);
    const std::string command = row.Kind == TRowKind::Marker ? "command line" : "replay " + ChordText(row.Replay);
    out("  row %2zu %-30s %-22s expected %6llu  fired %6llu%s\n", r + 1, input.c_str(), command.c_str(),
        static_cast<unsigned long long>(want), static_cast<unsigned long long>(seen), want == seen ? "" : "  <-- differs");
  }
  const TFireCounts& fired = Model->Fired();
  const uint64_t wheelWant = fired.WheelNotchUp + fired.WheelNotchDown;
  const uint64_t wheelSeen = counts.MarkedWheelUp + counts.MarkedWheelDown;
  out("  wheel fix, notches replaced:            expected %6llu  fired %6llu\n",
      static_cast<unsigned long long>(wheelWant), static_cast<unsigned long long>(wheelSeen));
  out("  window commands by chord (Clipboard Manager, Show Pelorin, Disable Pelorin): expected %llu, seen %llu\n",
      static_cast<unsigned long long>(SpecialExpected), static_cast<unsigned long long>(SpecialSeen));
  out("  tracked-window row answering the question box: asked %llu, answered No %llu\n",
      static_cast<unsigned long long>(QuestionsAsked), static_cast<unsigned long long>(QuestionsAnsweredNo));
  expectedAll += wheelWant + SpecialExpected + QuestionsAsked;
  firedAll += wheelSeen + SpecialSeen + QuestionsAnsweredNo;
  out("  all together: expected %llu, fired %llu; rows that differ: %llu\n", static_cast<unsigned long long>(expectedAll),
      static_cast<unsigned long long>(firedAll), static_cast<unsigned long long>(rowsOff));
  out("input that passed Pelorin against the rules, batch by batch: %llu of %llu batches differ\n",
      static_cast<unsigned long long>(MismatchedBatches), static_cast<unsigned long long>(Batches + BatchesOff));
  for (size_t i = 0; i < Mismatches.size() && i < 5; ++i) out("  %s\n", Mismatches[i].c_str());
  out("input no program injected that reached the hooks: %llu keys, %llu mouse events; probes seen past Pelorin: %llu\n",
      static_cast<unsigned long long>(counts.ForeignKeys), static_cast<unsigned long long>(counts.ForeignMouse),
      static_cast<unsigned long long>(counts.Probes));

  const TGuiWatch::TFigures gui = GuiWatch.Read();
  out("Pelorin's GUI thread (it runs the hooks), asked %llu times: longest answer %lu ms, %llu answers over 250 ms, "
      "%llu over 1 s\n",
      static_cast<unsigned long long>(gui.Asked), gui.LongestMs, static_cast<unsigned long long>(gui.Over250Ms),
      static_cast<unsigned long long>(gui.Over1s));
  for (const std::string& s : gui.Stalls) out("  %s\n", s.c_str());
  out("\nhook restarts: %llu\n", static_cast<unsigned long long>(Restarts));
  for (const std::string& e : ProcessEvents) out("  %s\n", e.c_str());
  // The trend over the checkpoints from the warm-up on: a least-squares line.
  auto trend = [&](const char* what, auto value) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    std::string values;
    for (const TSample& s : Checkpoints) {
      const std::optional<double> y = value(s);
      if (!y) return;
      const double x = static_cast<double>(s.Events) / 100000.0;
      n += 1, sx += x, sy += *y, sxx += x * x, sxy += x * *y;
      char text[16];
      std::snprintf(text, sizeof text, " %.1f", *y);
      values += text;
    }
    if (n < 3 || n * sxx - sx * sx == 0) return;
    out("%s at the checkpoints (same history each time):%s MB; trend %+.2f MB per 100,000 events\n", what,
        values.c_str(), (n * sxy - sx * sy) / (n * sxx - sx * sx));
  };
  out("\n");
  trend("working set", [](const TSample& s) { return std::optional<double>(s.Process.WorkingSetMb); });
  trend("anonymous memory of the Wine process", [](const TSample& s) { return s.Process.UnixAnonMb; });
  out("\nfigures over time (handles: %s; GDI: %s; USER: %s):\n", end.Process.HandleMethod, end.Process.GdiMethod,
      end.Process.UserMethod);
  for (const TSample& s : Samples) PrintSample(s);

  out("\nclipboard history: limits %d unchecked items besides the newest (one more right after a capture) and %d MB "
      "besides the newest; at most %d items seen, %.1f MB of "
      "data besides the newest, Pelorin.clp at most %.1f MB; %llu reads over a limit (count %llu, memory %llu), %llu of "
      "%llu reads caught a save in progress\n",
      Config.CountLimit, Config.MemoryLimitMb, ClpMaxItems, static_cast<double>(ClpMaxDataBytes) / 1048576.0,
      static_cast<double>(ClpMaxFileBytes) / 1048576.0, static_cast<unsigned long long>(ClpOverCount + ClpOverMemory),
      static_cast<unsigned long long>(ClpOverCount), static_cast<unsigned long long>(ClpOverMemory),
      static_cast<unsigned long long>(ClpUnreadable), static_cast<unsigned long long>(ClpReads));
  out("stuck keys: while Pelorin runs: %s; after it closed: %s\n", KeyList(heldRunning).c_str(),
      KeyList(heldAfter).c_str());
  out("Pelorin's exit: %s\n", exitCode ? ("code " + std::to_string(*exitCode)).c_str() : "it did not close");
  if (!Anomalies.empty()) {
    out("anomalies (%zu):\n", Anomalies.size());
    for (const std::string& a : Anomalies) out("  %s\n", a.c_str());
  }

  // The verdict.
  const double allowedMb = std::max(FlatMb, warm.Process.WorkingSetMb * FlatFraction);
  const double grewMb = end.Process.WorkingSetMb - warm.Process.WorkingSetMb;
  const bool noCrash = !Crashed && exitCode == std::optional<DWORD>(0);
  const bool noRestart = Restarts == 0;
  const bool noStuck = heldRunning.empty() && heldAfter.empty();
  const bool memoryFlat = end.Process.Alive && warm.Process.Alive && grewMb <= allowedMb;
  const bool handlesFlat = end.Process.Handles <= middle.Process.Handles + HandleSlack;
  const bool gdiFlat = end.Process.Gdi <= middle.Process.Gdi + GdiSlack;
  const bool windowsFlat = end.Process.User <= middle.Process.User + WindowSlack;
  const bool clpWithin = ClpOverCount == 0 && ClpOverMemory == 0 && ClpReads > ClpUnreadable;
  const bool firedRight = expectedAll == firedAll && rowsOff == 0 && wheelWant == wheelSeen &&
                          SpecialExpected == SpecialSeen && QuestionsAsked == QuestionsAnsweredNo &&
                          MismatchedBatches == 0 && SyncsLost == 0;
  out("\nverdict:\n");
  out("  %s  no crash (Pelorin ran to the end and closed with code 0)\n", Verdict(noCrash));
  out("  %s  no restart (%llu)\n", Verdict(noRestart), static_cast<unsigned long long>(Restarts));
  out("  %s  no stuck key or button\n", Verdict(noStuck));
  out("  %s  memory flat after warm-up: working set %.1f MB after warm-up, %.1f MB in the middle, %.1f MB at the end "
      "(%+.1f MB; allowed %.1f MB = the larger of %.0f MB and %.0f %%)\n",
      Verdict(memoryFlat), warm.Process.WorkingSetMb, middle.Process.WorkingSetMb, end.Process.WorkingSetMb, grewMb,
      allowedMb, FlatMb, FlatFraction * 100);
  out("  %s  handles not growing across the second half: %ld in the middle, %ld at the end (slack %ld)\n",
      Verdict(handlesFlat), middle.Process.Handles, end.Process.Handles, HandleSlack);
  out("  %s  GDI objects not growing across the second half: %ld in the middle, %ld at the end (slack %ld)\n",
      Verdict(gdiFlat), middle.Process.Gdi, end.Process.Gdi, GdiSlack);
  out("  %s  windows not growing across the second half: %ld in the middle, %ld at the end (slack %ld)\n",
      Verdict(windowsFlat), middle.Process.User, end.Process.User, WindowSlack);
  out("  %s  clipboard history within its limits\n", Verdict(clpWithin));
  out("  %s  every command fired as expected and all other input passed as the rules say\n", Verdict(firedRight));
  const bool all = noCrash && noRestart && noStuck && memoryFlat && handlesFlat && gdiFlat && windowsFlat &&
                   clpWithin && firedRight;
  out("soak verdict: %s\n", all ? "PASS" : "FAIL");
  std::fflush(stdout);

  EXPECT_TRUE(noCrash);
  EXPECT_TRUE(noRestart);
  EXPECT_TRUE(noStuck);
  EXPECT_TRUE(memoryFlat);
  EXPECT_TRUE(handlesFlat);
  EXPECT_TRUE(gdiFlat);
  EXPECT_TRUE(windowsFlat);
  EXPECT_TRUE(clpWithin);
  EXPECT_TRUE(firedRight);
}

}  // namespace pelorin::soak
