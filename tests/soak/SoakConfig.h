// The soak run's Pelorin.ini: dozens of custom inputs whose firing the driver can count, the
// wheel and double-click fixes, tracked-window rows and the clipboard history with small limits.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "E2eSupport.h"

namespace pelorin::soak {

using e2e::TKey;

// What a row does when it fires.
enum class TRowKind {
  Replay,            // replays keys F13..F24, which no window uses: the counting hook sees them
  Marker,            // runs MarkerWriter.exe, which appends a line to the row's marker file
  ClipboardManager,  // only fired in the window phases, never by the random batches
  ShowPelorin,
  DisablePelorin,
};

// The mouse inputs, by the catalogue text a row holds.
enum class TMouseInput { None, Middle, Button4, Button5, ShakeHorizontal, ShakeVertical };

struct TSoakRow {
  TRowKind Kind = TRowKind::Replay;
  TMouseInput Mouse = TMouseInput::None;
  std::vector<TKey> Chord;   // the input chord; empty for a mouse row
  bool Checked = false;      // InputState 5 or 6: paused by the checked-inputs switch
  std::vector<TKey> Replay;  // Replay: the keys the command presses
  int Marker = -1;           // Marker: index of its marker file
};

// A replayed key sequence as one number: up to two of F13..F24 in press order.
int ReplayId(const std::vector<TKey>& keys);
// The index 1..12 of a key among F13..F24; 0 for any other key.
int ReplayKeyIndex(BYTE vk);
inline constexpr int ReplayIdCount = 13 * 13;

// The keys the random batches use.
namespace soakkeys {
inline constexpr TKey LeftCtrl{VK_LCONTROL, 0x1D, "Left Ctrl"};
inline constexpr TKey LeftShift{VK_LSHIFT, 0x2A, "Left Shift"};
inline constexpr TKey RightShift{VK_RSHIFT, 0x36, "Right Shift"};
inline constexpr TKey F12{VK_F12, 0x58, "F12"};
inline constexpr TKey Escape{VK_ESCAPE, 0x01, "Esc"};
inline constexpr TKey Space{VK_SPACE, 0x39, "Space"};
}  // namespace soakkeys

// F2..F9 and F11 (F1 is the main window's help, F10 opens a window's menu, F12 is the sync key).
const std::vector<TKey>& ChordFunctionKeys();
// Letters that do nothing in an edit control with Ctrl held (no select-all, copy, cut, paste
// or undo).
const std::vector<TKey>& ChordLetters();
// What plain typing uses: lower-case letters, digits and Space, never with a modifier.
const std::vector<TKey>& TypingKeys();
// The replay keys F13..F24.
const std::vector<TKey>& ReplayKeys();

// Every row of the run in the order of Pelorin.ini, and the chords no row is bound to.
struct TSoakConfig {
  std::vector<TSoakRow> Rows;
  std::vector<std::vector<TKey>> UnboundChords;
  int MarkerCount = 0;
  int CountLimit = 40;    // "Maximum count of unchecked items"
  int MemoryLimitMb = 200;  // "Maximum memory for unchecked items, Mb", the smallest allowed

  int RowOf(TRowKind kind) const;
  int RowOf(TMouseInput mouse) const;
  // Rows the random batches may fire: replays and markers bound to a chord.
  std::vector<int> BatchChordRows() const;
};

TSoakConfig MakeSoakConfig();

// Pelorin.ini for the config; markerCommand(i) is the command line of marker file i.
std::string SoakIni(const TSoakConfig& config, const std::vector<std::wstring>& markerCommands);

// The tracked-window row that answers the driver's question box "No".
inline constexpr const wchar_t* QuestionTitle = L"Pelorin soak question";
inline constexpr const wchar_t* QuestionText = L"Overwrite the soak file?";

// The rows' texts as Pelorin.ini holds them.
std::string ChordText(const std::vector<TKey>& keys);
std::string ChordHex(const std::vector<TKey>& keys);

}  // namespace pelorin::soak
