// Start-up read of a big Pelorin.ini: a full custom input table (240 rows with chords), many
// tracked windows and a long desktop icon list, decoded, read and loaded into the model. The
// saved file is also timed, since every change on the main window writes it again.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "config/SettingsFile.h"

namespace pelorin {
namespace {

const TScreenSize Screen{1920, 1080};

struct Model {
  Settings Cfg;
  TCustomInputTable Inputs;
  std::vector<TTrackedWindowRow> Tracked;
  TSettingsModel View() { return {Cfg, Inputs, Tracked}; }
};

// The bytes of a Pelorin.ini as Pelorin writes it for a heavy user.
std::string BigIniBytes(int trackedRows) {
  Model m;
  const uint8_t vk[] = {0xA2, 0xA4, 0x41}, scan[] = {0x1D, 0x38, 0x1E};
  for (int i = 1; i < TCustomInputTable::MaxRowCount; ++i)
    m.Inputs.AddRow(L"C:\\Tools\\run.exe --job " + std::to_wstring(i), TKeyChordRecord::FromKeys(vk, scan),
                    L"Left Ctrl + Left Alt + A " + std::to_wstring(i), StateChordChecked);
  for (int j = 1; j <= trackedRows; ++j)
    m.Tracked.push_back({L"Confirm [*] " + std::to_wstring(j), L"Do you want to save [*]?", L"&No", 5, false, true});
  for (int k = 0; k < 60; ++k) m.Cfg.IconPositions += L"|Shortcut " + std::to_wstring(k) + L"|120|" + std::to_wstring(k * 70);
  return TWindows1252().ToAnsi(SaveSettings(m.View()));
}

void BM_LoadBigSettingsFile(benchmark::State& state) {
  const std::string bytes = BigIniBytes(static_cast<int>(state.range(0)));
  TWindows1252 ansi;
  for (auto _ : state) {
    Model m;
    TProfileFile file(DecodeProfileText(bytes, ansi));
    benchmark::DoNotOptimize(LoadSettings(file, m.View(), Screen));
    benchmark::DoNotOptimize(m.Inputs.RowCount());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadBigSettingsFile)->Arg(10)->Arg(1000);

void BM_SaveBigSettingsFile(benchmark::State& state) {
  Model m;
  TWindows1252 ansi;
  TProfileFile file(DecodeProfileText(BigIniBytes(static_cast<int>(state.range(0))), ansi));
  LoadSettings(file, m.View(), Screen);
  for (auto _ : state) benchmark::DoNotOptimize(ansi.ToAnsi(SaveSettings(m.View())));
}
BENCHMARK(BM_SaveBigSettingsFile)->Arg(10)->Arg(1000);

}  // namespace
}  // namespace pelorin
