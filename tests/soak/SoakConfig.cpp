#include "SoakConfig.h"

#include <algorithm>
#include <cstdio>

namespace pelorin::soak {

using e2e::TIni;
namespace sk = soakkeys;

namespace {

constexpr TKey F(int n, BYTE vk, BYTE scan) {
  constexpr const char* names[] = {"F0",  "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",
                                   "F9",  "F10", "F11", "F12", "F13", "F14", "F15", "F16", "F17",
                                   "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
  return TKey{vk, scan, names[n]};
}

TKey Letter(char c, BYTE scan) {
  static const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
  return TKey{static_cast<BYTE>(c), scan, names[c - 'A']};
}

TKey LetterKey(char c) {
  static const BYTE scans[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                               0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  return Letter(c, scans[c - 'A']);
}

TKey Fn(int n) {
  // F1..F12 by scan code; F13..F24 have scan codes 0x64..0x6E and 0x76.
  if (n <= 10) return F(n, static_cast<BYTE>(VK_F1 + n - 1), static_cast<BYTE>(0x3B + n - 1));
  if (n <= 12) return F(n, static_cast<BYTE>(VK_F1 + n - 1), static_cast<BYTE>(0x57 + n - 11));
  return F(n, static_cast<BYTE>(VK_F1 + n - 1), static_cast<BYTE>(n == 24 ? 0x76 : 0x64 + n - 13));
}

bool SameKeys(const std::vector<TKey>& a, const std::vector<TKey>& b) {
  if (a.size() != b.size()) return false;
  for (const TKey& k : a)
    if (std::none_of(b.begin(), b.end(), [&](const TKey& o) { return o.Vk == k.Vk; })) return false;
  return true;
}

}  // namespace

const std::vector<TKey>& ChordFunctionKeys() {
  static const std::vector<TKey> keys = {Fn(2), Fn(3), Fn(4), Fn(5), Fn(6), Fn(7), Fn(8), Fn(9), Fn(11)};
  return keys;
}

const std::vector<TKey>& ChordLetters() {
  static const std::vector<TKey> keys = [] {
    std::vector<TKey> out;
    for (char c : std::string("BDEGKLNOPQRSTUW")) out.push_back(LetterKey(c));
    return out;
  }();
  return keys;
}

const std::vector<TKey>& TypingKeys() {
  static const std::vector<TKey> keys = [] {
    std::vector<TKey> out;
    for (char c = 'A'; c <= 'Z'; ++c) out.push_back(LetterKey(c));
    static const char* digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int d = 0; d <= 9; ++d)
      out.push_back(TKey{static_cast<BYTE>('0' + d), static_cast<BYTE>(d == 0 ? 0x0B : 0x01 + d), digits[d]});
    out.push_back(sk::Space);
    return out;
  }();
  return keys;
}

const std::vector<TKey>& ReplayKeys() {
  static const std::vector<TKey> keys = [] {
    std::vector<TKey> out;
    for (int n = 13; n <= 24; ++n) out.push_back(Fn(n));
    return out;
  }();
  return keys;
}

int ReplayKeyIndex(BYTE vk) { return vk >= VK_F13 && vk <= VK_F24 ? vk - VK_F13 + 1 : 0; }

int ReplayId(const std::vector<TKey>& keys) {
  int id = 0;
  for (const TKey& k : keys) id = id * 13 + ReplayKeyIndex(k.Vk);
  return id;
}

std::string ChordText(const std::vector<TKey>& keys) { return e2e::TChord{keys}.Text(); }
std::string ChordHex(const std::vector<TKey>& keys) { return e2e::TChord{keys}.Hex(); }

int TSoakConfig::RowOf(TRowKind kind) const {
  for (size_t i = 0; i < Rows.size(); ++i)
    if (Rows[i].Kind == kind) return static_cast<int>(i);
  return -1;
}

int TSoakConfig::RowOf(TMouseInput mouse) const {
  for (size_t i = 0; i < Rows.size(); ++i)
    if (Rows[i].Mouse == mouse) return static_cast<int>(i);
  return -1;
}

std::vector<int> TSoakConfig::BatchChordRows() const {
  std::vector<int> rows;
  for (size_t i = 0; i < Rows.size(); ++i)
    if (!Rows[i].Chord.empty() && (Rows[i].Kind == TRowKind::Replay || Rows[i].Kind == TRowKind::Marker))
      rows.push_back(static_cast<int>(i));
  return rows;
}

TSoakConfig MakeSoakConfig() {
  TSoakConfig c;
  // Replay sequences not used yet: F17..F24 alone, then ordered pairs of F13..F24.
  std::vector<std::vector<TKey>> sequences;
  for (int n = 17; n <= 24; ++n) sequences.push_back({Fn(n)});
  for (int a = 13; a <= 24; ++a)
    for (int b = a + 1; b <= 24; ++b) sequences.push_back({Fn(a), Fn(b)});
  size_t next = 0;
  auto replay = [&](std::vector<TKey> chord, bool checked = false) {
    TSoakRow row;
    row.Chord = std::move(chord);
    row.Checked = checked;
    row.Replay = sequences.at(next++);
    c.Rows.push_back(row);
  };
  auto mouse = [&](TMouseInput input, std::vector<TKey> keys, int marker = -1) {
    TSoakRow row;
    row.Mouse = input;
    row.Kind = marker >= 0 ? TRowKind::Marker : TRowKind::Replay;
    row.Replay = std::move(keys);
    row.Marker = marker;
    c.Rows.push_back(row);
  };
  auto marker = [&](std::vector<TKey> chord) {
    TSoakRow row;
    row.Kind = TRowKind::Marker;
    row.Chord = std::move(chord);
    row.Marker = c.MarkerCount++;
    c.Rows.push_back(row);
  };
  auto special = [&](TRowKind kind, std::vector<TKey> chord) {
    TSoakRow row;
    row.Kind = kind;
    row.Chord = std::move(chord);
    c.Rows.push_back(row);
  };

  const TKey ctrl = sk::LeftCtrl, shift = sk::LeftShift, rshift = sk::RightShift;
  mouse(TMouseInput::Middle, {Fn(13)});
  mouse(TMouseInput::Button4, {}, c.MarkerCount++);
  mouse(TMouseInput::Button5, {Fn(14)});
  mouse(TMouseInput::ShakeHorizontal, {Fn(15)});
  mouse(TMouseInput::ShakeVertical, {Fn(16)});
  for (int n : {2, 3, 4}) replay({Fn(n)});
  for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 11}) replay({ctrl, Fn(n)});
  for (int n : {5, 6, 7}) replay({shift, Fn(n)});
  for (int n : {2, 3, 8}) replay({ctrl, shift, Fn(n)});
  for (char l : std::string("BDEGKL")) replay({ctrl, LetterKey(l)});
  for (char l : std::string("NOR")) replay({ctrl, rshift, LetterKey(l)});
  for (int n : {9, 11}) replay({rshift, Fn(n)});
  replay({ctrl, shift, LetterKey('S')}, true);
  replay({ctrl, shift, LetterKey('T')}, true);
  // The same input again further down: the upper row fires, never this one.
  replay({ctrl, Fn(4)});
  replay({shift, ctrl, LetterKey('S')});
  marker({ctrl, LetterKey('U')});
  marker({shift, Fn(4)});
  special(TRowKind::ClipboardManager, {ctrl, rshift, LetterKey('Q')});
  special(TRowKind::ShowPelorin, {ctrl, rshift, LetterKey('P')});
  special(TRowKind::DisablePelorin, {ctrl, rshift, LetterKey('W')});

  // Every other chord of the same keys is bound to nothing: it must arrive whole.
  const std::vector<std::vector<TKey>> modifierSets = {
      {}, {ctrl}, {shift}, {rshift}, {ctrl, shift}, {ctrl, rshift}, {shift, rshift}};
  auto bound = [&](const std::vector<TKey>& keys) {
    return std::any_of(c.Rows.begin(), c.Rows.end(), [&](const TSoakRow& r) { return SameKeys(r.Chord, keys); });
  };
  for (const auto& mods : modifierSets) {
    std::vector<TKey> mains = ChordFunctionKeys();
    bool withCtrl = std::any_of(mods.begin(), mods.end(), [&](const TKey& k) { return k.Vk == ctrl.Vk; });
    if (withCtrl) mains.insert(mains.end(), ChordLetters().begin(), ChordLetters().end());
    for (const TKey& main : mains) {
      std::vector<TKey> keys = mods;
      keys.push_back(main);
      if (!bound(keys)) c.UnboundChords.push_back(keys);
    }
  }
  return c;
}

std::string SoakIni(const TSoakConfig& config, const std::vector<std::wstring>& markerCommands) {
  static const char* mouseTexts[] = {"", e2e::inputs::Middle, e2e::inputs::Button4, e2e::inputs::Button5,
                                     e2e::inputs::ShakeHorizontal, e2e::inputs::ShakeVertical};
  TIni ini;
  ini.Section("Custom Inputs");
  int n = 0;
  for (const TSoakRow& row : config.Rows) {
    ++n;
    const bool isMouse = row.Mouse != TMouseInput::None;
    const std::string input = isMouse ? mouseTexts[static_cast<int>(row.Mouse)] : ChordText(row.Chord);
    const int state = isMouse ? (row.Checked ? e2e::StateMouseChecked : e2e::StateMouse)
                              : (row.Checked ? e2e::StateChordChecked : e2e::StateChord);
    switch (row.Kind) {
      case TRowKind::Replay:
        ini.Row(n, ChordText(row.Replay), input, state, ChordHex(row.Replay));
        break;
      case TRowKind::Marker:
        ini.Row(n, e2e::Narrow(markerCommands.at(static_cast<size_t>(row.Marker))), input, state);
        break;
      case TRowKind::ClipboardManager:
        ini.Row(n, "Clipboard manager", input, state);
        break;
      case TRowKind::ShowPelorin:
        ini.Row(n, e2e::commands::ShowPelorin, input, state);
        break;
      case TRowKind::DisablePelorin:
        ini.Row(n, "Disable Pelorin", input, state);
        break;
    }
  }
  ini.Value("Fix mouse wheel malfunction", "1").Value("Fix mouse wrong double clicks", "1");

  // One row answers the driver's question box; the others never match anything on screen.
  struct TTracked {
    std::string Window;
    int State;
    bool Button;
  };
  const TTracked tracked[] = {{e2e::Narrow(QuestionTitle) + "&&&&No&&", 5, true},
                              {"Setup - [*]&&Do you want to cancel Setup?&&Cancel&&", 5, true},
                              {"Pelorin soak elsewhere&&&&35x120&&", 0, false},
                              {"[*] - Soak viewer&&ClassName: SoakViewerClass&&Close&&", 5, true}};
  ini.Section("Tracked windows");
  int t = 0;
  for (const TTracked& row : tracked) {
    const std::string i = std::to_string(++t);
    ini.Value("Window" + i, row.Window)
        .Value("State" + i, std::to_string(row.State))
        .Value("WinSize" + i, "0")
        .Value("IsButton" + i, row.Button ? "1" : "0");
  }
  ini.Section("Settings")
      .Value("Auto-runs at Windows start", "0")
      .Value("Show notifications on custom inputs", "1")
      .Value("Maximum count of unchecked items", std::to_string(config.CountLimit))
      .Value("Maximum memory for unchecked items, Mb", std::to_string(config.MemoryLimitMb))
      .Value("Save the data of Clipboard Manager", "1");
  ini.Section("System Settings").Value("CheckHooks", "1");
  return ini.Text();
}

}  // namespace pelorin::soak
