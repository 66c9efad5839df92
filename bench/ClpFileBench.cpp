// A save of Pelorin.clp to the in-memory disk: after one appended item (the common case) and,
// for comparison, after the oldest item dropped out of a full history (a whole rewrite).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ClpFakes.h"
#include "clipboard/ClpFile.h"

namespace pelorin {
namespace {

const std::wstring Path = L"Pelorin.clp";

// Text in three formats, about 2.5 KiB an item.
TClipboardData TextItem(int i) {
  TClipboardData item;
  item.Time = 45000.0 + i / 1000.0;
  item.Items.push_back({CfUnicodeText, std::vector<uint8_t>(1600, uint8_t('a' + i % 26))});
  item.Items.push_back({CfText, std::vector<uint8_t>(800, uint8_t('a' + i % 26))});
  item.Items.push_back({16, std::vector<uint8_t>(4, 9)});
  return item;
}

void Run(benchmark::State& state, int storedCount, bool dropOldest) {
  std::vector<TClipboardData> before;
  for (int i = 0; i < storedCount; ++i) before.push_back(TextItem(i));
  std::vector<TClipboardData> after = before;
  if (dropOldest) after.erase(after.begin());
  after.push_back(TextItem(storedCount));
  const std::string file = ClpFileBytes(before);

  uint64_t written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    test::FakeClpDisk disk;
    disk.Files[Path] = file;
    TClpStored stored = LoadClipboardFile(disk, Path).Stored;
    disk.BytesWritten = 0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(SaveClipboardFile(disk, Path, after, stored));
    written = disk.BytesWritten;
  }
  state.counters["bytes_written"] = static_cast<double>(written);
  state.counters["file_bytes"] = static_cast<double>(ClpFileBytes(after).size());
}

void BM_ClpSaveAfterOneAppendTo499(benchmark::State& state) { Run(state, 499, false); }
void BM_ClpSaveFullHistoryOldestDropped(benchmark::State& state) { Run(state, 500, true); }
BENCHMARK(BM_ClpSaveAfterOneAppendTo499);
BENCHMARK(BM_ClpSaveFullHistoryOldestDropped);

}  // namespace
}  // namespace pelorin
