// Cost of merging one clipboard capture into a full history. The merge runs under the history
// lock, which the Clipboard Manager window also takes, so it must not grow with the size of
// the stored items: their text keys are worked out once, when they enter the history.
#include <benchmark/benchmark.h>

#include <string>

#include "clipboard/ClipboardHistory.h"

namespace pelorin {
namespace {

// CF_UNICODETEXT of 'bytes' bytes (terminator included) whose text starts with 'tag'.
TClipboardDataItem UnicodeOfSize(const std::string& tag, size_t bytes) {
  TClipboardDataItem item{CfUnicodeText, std::vector<uint8_t>(bytes, 0)};
  size_t units = bytes / 2 - 1;
  for (size_t i = 0; i < units; ++i) item.Data[2 * i] = static_cast<uint8_t>(i < tag.size() ? tag[i] : 'a' + i % 26);
  return item;
}

// 499 checked items of the given text size; each merge of a new 1 KB text makes 500, and the
// new item is taken out again outside the timing so every pass sees the same history.
void BM_MergeNewTextIntoFullHistory(benchmark::State& state) {
  const size_t itemBytes = static_cast<size_t>(state.range(0));
  const size_t snapshotBytes = static_cast<size_t>(state.range(1));
  TWindows1252 cp;
  TClipboardHistory history(cp);
  for (int i = 0; i < ClpCapacity - 1; ++i) {
    TClipboardData item;
    item.Checked = true;
    item.Items = {UnicodeOfSize("item" + std::to_string(i) + " ", itemBytes)};
    history.AppendLoaded(std::move(item));
  }
  TMergeInput input{45000.5, 200, 5000};
  int64_t pass = 0;
  bool ok = true;
  for (auto _ : state) {
    state.PauseTiming();
    TClipboardData snapshot;
    snapshot.Items = {UnicodeOfSize("new" + std::to_string(pass++) + " ", snapshotBytes)};
    state.ResumeTiming();
    TMergeResult result = history.AddClipboardData(snapshot, input);
    benchmark::DoNotOptimize(result);
    state.PauseTiming();
    ok = ok && result.Appended && !result.Replaced && result.Count == ClpCapacity;
    history.DeleteClipboardItem(ClpCapacity - 1);
    state.ResumeTiming();
  }
  if (!ok) state.SkipWithError("a merge did not append");
}
BENCHMARK(BM_MergeNewTextIntoFullHistory)
    ->ArgNames({"item_bytes", "snapshot_bytes"})
    ->Args({1 << 10, 1 << 10})
    ->Args({1 << 20, 1 << 10})
    ->Args({1 << 20, 1 << 20})
    ->Unit(benchmark::kMicrosecond);

// A copy of the same text from another application: the oldest item gives way, so the whole
// history is scanned and one item's text is decoded once to confirm the key.
void BM_MergeSameTextReplacesOldest(benchmark::State& state) {
  const size_t itemBytes = static_cast<size_t>(state.range(0));
  TWindows1252 cp;
  TClipboardHistory history(cp);
  for (int i = 0; i < ClpCapacity; ++i) {
    TClipboardData item;
    item.Checked = true;
    item.Items = {UnicodeOfSize("item" + std::to_string(i) + " ", itemBytes)};
    history.AppendLoaded(std::move(item));
  }
  TMergeInput input{45000.5, 200, 5000};
  bool ok = true;
  for (auto _ : state) {
    state.PauseTiming();
    // The oldest item's text with another format beside it, as another application offers it.
    TClipboardData snapshot;
    history.ReadItem(0, [&](const TClipboardData& d) { snapshot.Items = d.Items; });
    snapshot.Items.push_back({0xC001, {1, 2, 3}});
    state.ResumeTiming();
    TMergeResult result = history.AddClipboardData(snapshot, input);
    benchmark::DoNotOptimize(result);
    ok = ok && result.Replaced;
  }
  if (!ok) state.SkipWithError("a merge did not replace");
}
BENCHMARK(BM_MergeSameTextReplacesOldest)->Arg(1 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pelorin
