// Cost of the hooks' hand-off to the command thread: PostAction runs inside the hook callback
// for every fired input and every logged typing key.
#include <benchmark/benchmark.h>

#include "base/PeriodicThread.h"
#include "base/SharedState.h"

namespace pelorin {
namespace {

// The wake as a count: the push alone, without the system call behind it.
struct CountingWake : TWakeSignal {
  int64_t Signals = 0;
  void Signal() noexcept override { ++Signals; }
  void Wait(std::chrono::milliseconds) override {}
};

// A fired row: one push and one wake, then the command thread's take, so the queue never
// fills.
void BM_PostAction_RowThenTake(benchmark::State& state) {
  TSharedState shared;
  CountingWake wake;
  shared.ActionWake = &wake;
  int64_t lost = 0;
  for (auto _ : state) {
    shared.PostAction(7);
    if (shared.TakeAction() != 7) ++lost;
  }
  if (lost != 0 || wake.Signals != state.iterations()) state.SkipWithError("a code or a wake went missing");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostAction_RowThenTake);

// A typing key while a check already waits: the coalesced path the keyboard hook takes on
// almost every key press.
void BM_PostAction_CoalescedCheck(benchmark::State& state) {
  TSharedState shared;
  CountingWake wake;
  shared.ActionWake = &wake;
  shared.PostAction(ActionAutoSwitchCheck);
  for (auto _ : state) shared.PostAction(ActionAutoSwitchCheck);
  if (wake.Signals != 1 || shared.TakeAction() != ActionAutoSwitchCheck || shared.TakeAction() != NoAction)
    state.SkipWithError("the checks were not coalesced into one");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostAction_CoalescedCheck);

// A held chord's auto-repeat while its row still waits for a slow command: the repeat is
// taken in by the waiting code, without a cell or a wake.
void BM_PostAction_RepeatOfAWaitingRow(benchmark::State& state) {
  TSharedState shared;
  CountingWake wake;
  shared.ActionWake = &wake;
  shared.PostAction(7);
  for (auto _ : state) shared.PostAction(7, true);
  if (wake.Signals != 1 || shared.TakeAction() != 7 || shared.TakeAction() != NoAction)
    state.SkipWithError("the repeats were not one waiting row");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostAction_RepeatOfAWaitingRow);

// The same row with the portable wake (a mutex and a notify with nobody waiting); on Windows
// the wake is SetEvent instead.
void BM_PostAction_RowWithCondWake(benchmark::State& state) {
  TSharedState shared;
  TCondWakeSignal wake;
  shared.ActionWake = &wake;
  int64_t lost = 0;
  for (auto _ : state) {
    shared.PostAction(7);
    if (shared.TakeAction() != 7) ++lost;
  }
  if (lost != 0) state.SkipWithError("a posted code did not come back");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostAction_RowWithCondWake);

}  // namespace
}  // namespace pelorin
