// Cost of one mouse event through the hook logic. The hook runs in the GUI thread for every
// mouse event of the whole system, so it has to stay in the range of nanoseconds.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "CoreFakes.h"
#include "NoEditor.h"
#include "input/MouseHook.h"
#include "input/InputCatalogue.h"

namespace pelorin {
namespace {

// A full table: 239 chord rows first, the shake row last, so every lookup scans all 240 rows.
void FillTable(TCustomInputTable& table) {
  for (int i = 1; i < TCustomInputTable::MaxRowCount - 1; ++i)
    table.AddRow(L"Volume Up", std::nullopt, L"Left Ctrl + Left Alt + F" + std::to_wstring(i), StateChordChecked);
  table.AddRow(L"Volume Up", std::nullopt, InputCatalogue[inpShakeHorizontal], StateMouseChecked);
}

// Ordinary pointer movement: small steps, the detector never fires.
void BM_MoveEvent_Ordinary(benchmark::State& state) {
  TCustomInputTable table;
  FillTable(table);
  Settings cfg;
  TSharedState shared;
  shared.ScreenHeight = 1080;
  NoEditor window;
  NoTypedChars log;
  TMouseHook hook(table, cfg, shared, window, log, {500, 500});
  uint32_t t = 1000;
  int32_t x = 500;
  int dir = 1;
  for (auto _ : state) {
    x += dir * 3;
    if (x > 900 || x < 100) dir = -dir;
    t += 8;
    benchmark::DoNotOptimize(hook.MouseHookProc({MouseMsg::Move, x, 400, 0, t}));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MoveEvent_Ordinary);

// Quick horizontal shakes, each ending in a fire that searches the 240-row table, with a
// pause in between so the next one can fire: 10 events per gesture.
void BM_MoveEvent_ShakeFiring(benchmark::State& state) {
  TCustomInputTable table;
  FillTable(table);
  Settings cfg;
  TSharedState shared;
  shared.ScreenHeight = 1080;
  NoEditor window;
  NoTypedChars log;
  TMouseHook hook(table, cfg, shared, window, log, {100, 500});
  const std::vector<int32_t> gesture = {101, 300, 500, 700, 900, 650, 400, 150, 100, 102};
  uint32_t t = 1000;
  size_t i = 0;
  int64_t fired = 0;
  for (auto _ : state) {
    t += (i == 0 || i == 9) ? 1000 : 1;  // slow first and last events make the pause
    benchmark::DoNotOptimize(hook.MouseHookProc({MouseMsg::Move, gesture[i], 500, 0, t}));
    if (shared.TakeAction() != NoAction) ++fired;
    i = (i + 1) % gesture.size();
  }
  state.counters["fires"] = static_cast<double>(fired);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MoveEvent_ShakeFiring);

}  // namespace
}  // namespace pelorin
