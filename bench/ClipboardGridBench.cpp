// The Clipboard Manager's per-paint work for the text of a screen of rows: reading each visible
// row under the history lock, its date text and the lines of its preview. A paint must not cost
// more for a large item than for a small one: previews are made once, when an item enters the
// history, and only what is drawn is measured.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "clipboard/ClipboardActions.h"
#include "clipboard/ClipboardGrid.h"
#include "clipboard/ClipboardHistory.h"

namespace pelorin {
namespace {

constexpr int VisibleRows = 15;
constexpr int RowHeight = 75;
constexpr int Col0Width = 45;
constexpr int Col1Width = 400;

// The grid's font as a fixed-pitch one: 7 pixels a character, lines 13 high.
struct FixedPitch : TextMeasurePort {
  int TextHeight(std::wstring_view) override { return 13; }
  size_t CharsWithin(std::wstring_view text, int maxWidth) override {
    return maxWidth < 0 ? 0 : std::min(text.size(), static_cast<size_t>(maxWidth / 7));
  }
};

// CF_UNICODETEXT of 'bytes' bytes (terminator included): one paragraph, or lines of 60
// characters ended by CR LF.
TClipboardDataItem TextOfSize(size_t bytes, bool lines, int tag) {
  TClipboardDataItem item{CfUnicodeText, std::vector<uint8_t>(bytes, 0)};
  const size_t units = bytes / 2 - 1;
  for (size_t i = 0; i < units; ++i) {
    char c = static_cast<char>('a' + (i + static_cast<size_t>(tag)) % 26);
    if (lines && i % 62 == 60) c = '\r';
    if (lines && i % 62 == 61) c = '\n';
    item.Data[2 * i] = static_cast<uint8_t>(c);
  }
  return item;
}

// A full history, newest last; the item at bigIndex (if any) has bigBytes of text.
void Fill(TClipboardHistory& history, bool lines, int bigIndex, size_t bigBytes) {
  for (int i = 0; i < ClpCapacity; ++i) {
    TClipboardData item;
    item.Time = 45000 + i * 0.01;
    item.Items = {TextOfSize(i == bigIndex ? bigBytes : size_t(1) << 20, lines, i)};
    history.AppendLoaded(std::move(item));
  }
}

// One paint of the text of rows first .. first + 14, each row reaching its item by number as
// the window does.
int64_t Paint(const TClipboardHistory& history, const TGridRows& rows, int first, TextMeasurePort& measure) {
  int64_t drawn = 0;
  for (int row = first; row < first + VisibleRows && row < rows.Count(); ++row) {
    const TBox cell{Col0Width, (row - first) * RowHeight, Col0Width + Col1Width, (row - first + 1) * RowHeight};
    ReadGridRow(history, rows, row, [&](const TClipboardData& data, const TClipboardHistory::TItemView& view) {
      std::wstring date = GridDateText(data.Time, 2023);
      const bool files = view.Preview.Kind == TItemPreview::TKind::Files;
      TTextPlan plan = PlanTextLines(view.Preview, cell, ContentTextLeft(cell, files), measure);
      drawn += static_cast<int64_t>(plan.Lines.size());
      benchmark::DoNotOptimize(date);
      benchmark::DoNotOptimize(plan);
    });
  }
  return drawn;
}

void RunPaints(benchmark::State& state, const TClipboardHistory& history, int first) {
  FixedPitch measure;
  TGridRows rows;
  rows.Reload(history);
  int64_t drawn = 0;
  for (auto _ : state) drawn += Paint(history, rows, first, measure);
  if (drawn == 0) state.SkipWithError("nothing was drawn");
  state.counters["lines_per_paint"] = benchmark::Counter(
      static_cast<double>(drawn) / static_cast<double>(std::max<int64_t>(state.iterations(), 1)));
}

// 500 items of 1 MB; arg 0 = one long paragraph (wraps), 1 = lines of 60 characters (cut).
void BM_GridPaintFullScreenOf1MBItems(benchmark::State& state) {
  TWindows1252 cp;
  TClipboardHistory history(cp);
  Fill(history, state.range(0) != 0, -1, 0);
  RunPaints(state, history, 0);
}
BENCHMARK(BM_GridPaintFullScreenOf1MBItems)->ArgName("lines")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The screen of the oldest rows: each row's item is found by its number from the newest end.
void BM_GridPaintOldestScreen(benchmark::State& state) {
  TWindows1252 cp;
  TClipboardHistory history(cp);
  Fill(history, true, -1, 0);
  RunPaints(state, history, ClpCapacity - VisibleRows);
}
BENCHMARK(BM_GridPaintOldestScreen)->Unit(benchmark::kMicrosecond);

// The same screen with one 50 MB item among the visible rows (row 7).
void BM_GridPaintFullScreenWithOne50MBItem(benchmark::State& state) {
  TWindows1252 cp;
  TClipboardHistory history(cp);
  Fill(history, state.range(0) != 0, ClpCapacity - 1 - 7, size_t(50) << 20);
  RunPaints(state, history, 0);
}
BENCHMARK(BM_GridPaintFullScreenWithOne50MBItem)->ArgName("lines")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pelorin
