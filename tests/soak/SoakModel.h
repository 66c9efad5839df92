// What Pelorin should do with each injected event, by the rules its documentation gives: which
// row fires, and whether the event is eaten or passed on. The driver counts what actually
// passed Pelorin's hooks and what actually fired, and compares with this.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

#include "SoakConfig.h"

namespace pelorin::soak {

// The mouse buttons the run clicks.
enum class TButton { Left, Right, Middle, X1, X2 };
inline constexpr int ButtonCount = 5;

// Counts of events that passed Pelorin's hooks (as the counting hook sees them) or that the
// rules say should pass: unmarked injected input only.
struct TPassCounts {
  std::array<uint64_t, 256> KeyDown{};
  std::array<uint64_t, 256> KeyUp{};
  std::array<uint64_t, ButtonCount> ButtonDown{};
  std::array<uint64_t, ButtonCount> ButtonUp{};
  uint64_t Moves = 0;
  uint64_t WheelUp = 0;
  uint64_t WheelDown = 0;
};

// What fired: per row, and the wheel fix's replacement notches by direction.
struct TFireCounts {
  std::vector<uint64_t> Rows;
  uint64_t WheelNotchUp = 0;
  uint64_t WheelNotchDown = 0;
};

class TSoakModel {
 public:
  explicit TSoakModel(const TSoakConfig& config);

  // Pelorin switched off: its hooks see nothing. Keys it saw pressed and never saw released
  // are dropped by its stale-key sweep.
  void SetEnabled(bool enabled);
  bool Enabled() const { return On; }
  // A successor process took over: its hooks start with nothing held and no earlier times.
  void PelorinRestarted();
  // Pelorin's main window is the active window: Esc and F1 are its keys.
  void SetMainWindowActive(bool active) { MainActive = active; }

  // Each returns true when the event passes on; the counts follow.
  bool Key(const TKey& key, bool up);
  bool Move();
  bool Button(TButton button, bool down, DWORD time);
  bool Wheel(int delta, DWORD time);
  // A shake pattern the driver built to fire (or not) that row: the rule's distance, speed and
  // pause are met by construction, so the pattern itself says what fires.
  void ShakeFired(TMouseInput input);

  const TPassCounts& Passed() const { return Pass; }
  const TFireCounts& Fired() const { return Fires; }

 private:
  void Fire(int row);
  int ChordRow() const;

  const TSoakConfig& Config;
  bool On = true;
  bool MainActive = false;
  struct THeld {
    BYTE Vk;
    bool Swallowed;
  };
  std::vector<THeld> Held;
  DWORD LastButtonTime = 0;
  DWORD LastLeftTime = 0;
  DWORD LastWheelTime = 0;
  DWORD WheelSeriesStart = 0;
  bool WheelUp = false;
  TPassCounts Pass;
  TFireCounts Fires;
};

}  // namespace pelorin::soak
