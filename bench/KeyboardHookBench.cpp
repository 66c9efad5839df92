// Cost of one key press and release through the keyboard hook logic with a full table of
// chord rows. Every key of the whole system passes here, in the GUI thread.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "input/KeyboardHook.h"
#include "NoEditor.h"

namespace pelorin {
namespace {

struct Key {
  uint32_t Vk, Scan;
};

// Keys with distinct names: F1-F10, the letters of the top row, and so on.
std::vector<Key> NamedKeys() {
  std::vector<Key> keys;
  for (uint32_t scan = 59; scan <= 68; ++scan) keys.push_back({scan + 53, scan});
  const char top[] = "QWERTYUIOP";
  for (uint32_t i = 0; i < 10; ++i) keys.push_back({static_cast<uint32_t>(top[i]), 16 + i});
  const char home[] = "ASDFGHJKL";
  for (uint32_t i = 0; i < 9; ++i) keys.push_back({static_cast<uint32_t>(home[i]), 30 + i});
  return keys;
}

std::wstring ChordOf(const std::vector<Key>& keys, size_t first, size_t count) {
  std::wstring text;
  for (size_t i = 0; i < count; ++i) {
    const Key& k = keys[(first + i) % keys.size()];
    text += (text.empty() ? L"" : L" + ") + KeyName(k.Scan, k.Vk).Wide();
  }
  return text;
}

// mode 0: 240 rows of 1 to 16 keys; mode 1 (worst case): every row differs from the held
// keys only in its last key and has the same length, so each row needs the full comparison.
void BM_KeyPress_240ChordRows(benchmark::State& state) {
  const bool sameLength = state.range(0) == 1;
  const std::vector<Key> keys = NamedKeys();
  TCustomInputTable table;
  for (int row = 1; row <= 240; ++row) {
    std::wstring chord = sameLength ? L"Left Ctrl + Left Alt + Left Shift + " + std::wstring(1, L'A' + row % 25)
                                    : ChordOf(keys, row, 1 + row % 16);
    table.AddRow(L"Volume Up", std::nullopt, chord, StateChordChecked);
  }
  TSharedState shared;
  shared.OtherLayoutLang = 0x419;
  NoEditor editor;
  TTypedChars typed;
  TKeyboardHook hook(table, shared, editor, typed);
  // Hold three keys that no row's chord starts with, then press and release a fourth.
  const Key held[] = {{162, 29}, {164, 56}, {160, 42}};
  for (Key k : held) hook.KeyboardHookProc({k.Vk, k.Scan, 0, 1});
  const Key press{'Z', 44};
  for (auto _ : state) {
    benchmark::DoNotOptimize(hook.KeyboardHookProc({press.Vk, press.Scan, 0, 2}));
    benchmark::DoNotOptimize(hook.KeyboardHookProc({press.Vk, press.Scan, KeyReleasedFlag, 3}));
    typed.ClearTypedChars();
  }
  int32_t action = shared.TakeAction();
  if (action != ActionAutoSwitchCheck) state.SkipWithError(("unexpected action " + std::to_string(action)).c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyPress_240ChordRows)->Arg(0)->Arg(1)->ArgNames({"same_length"});

}  // namespace
}  // namespace pelorin
