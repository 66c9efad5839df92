// How long the clipboard history's lock is held while Pelorin.clp is rewritten whole: a history
// of 500 items of 1 MB, saved by the keeper to a disk that copies every byte it is given, while
// a second thread (the GUI thread, which also runs the hooks) reads the history over and over.
// longest_lock_hold_ms is the history's own record of its longest hold during the saves, taken
// without the reader (/0: its own holds would count, and a reader that the system stops while
// it holds the lock holds it for milliseconds); with the reader (/1), longest_read_ms is the
// longest read it saw, which also counts the time that thread was not running at all.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "clipboard/ClipboardChain.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClipboardKeeper.h"
#include "clipboard/ClpFile.h"
#include "config/AnsiCodePage.h"
#include "CoreFakes.h"

namespace pelorin {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int Items = 500;
constexpr size_t ItemBytes = 1 << 20;

struct Latin1 : AnsiCodePagePort {
  std::string ToAnsi(std::wstring_view text) const override { return std::string(text.begin(), text.end()); }
  std::wstring FromAnsi(std::string_view bytes) const override { return std::wstring(bytes.begin(), bytes.end()); }
};

// A disk that takes every byte (copied into a scratch block, as a write into the cache does)
// and keeps none: every save finds no file, so every save is a whole rewrite.
struct CopyingDisk : ClpFilePort {
  std::vector<uint8_t> Scratch = std::vector<uint8_t>(ItemBytes);
  uint64_t Bytes = 0;
  struct File : ClpOpenFile {
    CopyingDisk& Disk;
    explicit File(CopyingDisk& disk) : Disk(disk) {}
    bool Size(uint64_t& size) override { return size = 0, true; }
    bool ReadAt(uint64_t, void*, size_t) override { return false; }
    bool WriteAt(uint64_t, const void* data, size_t count) override {
      for (size_t done = 0; done < count;) {
        size_t n = std::min(count - done, Disk.Scratch.size());
        std::memcpy(Disk.Scratch.data(), static_cast<const uint8_t*>(data) + done, n);
        done += n;
      }
      Disk.Bytes += count;
      return true;
    }
    bool Truncate(uint64_t) override { return true; }
    bool Flush() override { return true; }
  };
  Presence Probe(const std::wstring&) override { return Presence::Missing; }
  std::unique_ptr<ClpOpenFile> Open(const std::wstring&, Mode) override { return std::make_unique<File>(*this); }
  bool Replace(const std::wstring&, const std::wstring&) override { return true; }
  bool Remove(const std::wstring&) override { return true; }
};

void BM_ClpFullRewriteOf500ItemsOf1MbLockHeld(benchmark::State& state) {
  Latin1 ansi;
  TClipboardHistory history(ansi);
  TClipboardChain chain;
  EmptyClipboardSystem clipboard;
  CopyingDisk disk;
  TClipboardKeeper keeper({history, chain, clipboard, disk, L"Pelorin.clp"});
  keeper.SetOptions({500, 5000, true});
  for (int i = 0; i < Items; ++i) {
    TClipboardData item;
    item.Time = 45000.0 + i / 1000.0;
    item.Items.push_back({CfDib, std::vector<uint8_t>(ItemBytes, static_cast<uint8_t>(i))});
    history.AppendLoaded(std::move(item));
  }

  const bool withReader = state.range(0) != 0;
  double longestReadMs = 0;
  uint64_t longestHoldNs = 0;
  int64_t reads = 0;
  for (auto _ : state) {
    history.SetDataChanged(true);
    history.ResetLockHold();
    std::atomic<bool> saving{true};
    double longest = 0;
    std::thread reader([&] {
      while (withReader && saving.load(std::memory_order_relaxed)) {
        Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(history.ClpHigh());
        longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        ++reads;
      }
    });
    benchmark::DoNotOptimize(keeper.SaveIfChanged());
    saving = false;
    reader.join();
    longestReadMs = std::max(longestReadMs, longest);
    longestHoldNs = std::max(longestHoldNs, history.LongestLockHoldNs());
  }
  if (!withReader) state.counters["longest_lock_hold_ms"] = static_cast<double>(longestHoldNs) / 1e6;
  if (withReader) {
    state.counters["longest_read_ms"] = longestReadMs;
    state.counters["reads_during_saves"] = static_cast<double>(reads);
  }
  state.counters["bytes_per_save"] = static_cast<double>(disk.Bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ClpFullRewriteOf500ItemsOf1MbLockHeld)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pelorin
