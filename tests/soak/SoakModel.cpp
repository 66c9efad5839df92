#include "SoakModel.h"

#include <algorithm>

namespace pelorin::soak {

TSoakModel::TSoakModel(const TSoakConfig& config) : Config(config) { Fires.Rows.assign(config.Rows.size(), 0); }

void TSoakModel::SetEnabled(bool enabled) {
  if (!enabled) Held.clear();
  On = enabled;
}

void TSoakModel::PelorinRestarted() {
  Held.clear();
  LastButtonTime = LastLeftTime = LastWheelTime = WheelSeriesStart = 0;
  WheelUp = false;
  On = true;
  MainActive = false;
}

void TSoakModel::Fire(int row) {
  if (row < 0) return;
  // Checked rows fire while the checked inputs are on, which the run never switches off.
  ++Fires.Rows[static_cast<size_t>(row)];
}

int TSoakModel::ChordRow() const {
  // The first row whose chord holds exactly the keys held, in any order.
  for (size_t r = 0; r < Config.Rows.size(); ++r) {
    const std::vector<TKey>& chord = Config.Rows[r].Chord;
    if (chord.empty() || chord.size() != Held.size()) continue;
    bool all = std::all_of(chord.begin(), chord.end(), [&](const TKey& k) {
      return std::any_of(Held.begin(), Held.end(), [&](const THeld& h) { return h.Vk == k.Vk; });
    });
    if (all) return static_cast<int>(r);
  }
  return -1;
}

bool TSoakModel::Key(const TKey& key, bool up) {
  bool passes = true;
  if (On) {
    auto held = std::find_if(Held.begin(), Held.end(), [&](const THeld& h) { return h.Vk == key.Vk; });
    if (up) {
      if (held != Held.end()) {
        passes = !held->Swallowed;
        Held.erase(held);
      }
    } else {
      if (held == Held.end() && Held.size() < 16) Held.push_back({key.Vk, false});
      const int row = ChordRow();
      if (MainActive && (key.Vk == VK_ESCAPE || key.Vk == VK_F1)) {
        passes = false;
      } else if (row != -1) {
        Fire(row);
        Held.back().Swallowed = true;
        passes = false;
      }
    }
  }
  (up ? Pass.KeyUp : Pass.KeyDown)[key.Vk] += passes ? 1 : 0;
  return passes;
}

bool TSoakModel::Move() {
  ++Pass.Moves;
  return true;
}

bool TSoakModel::Button(TButton button, bool down, DWORD time) {
  bool passes = true;
  if (On && button == TButton::Left) {
    // The double-click fix: anything within 50 ms of the last release, or of the last event
    // it ate, is a bounce.
    if (time - LastLeftTime < 50) {
      LastLeftTime = time;
      passes = false;
    } else if (!down) {
      LastLeftTime = time;
    }
  } else if (On && button != TButton::Right) {
    const TMouseInput input = button == TButton::Middle ? TMouseInput::Middle
                              : button == TButton::X1   ? TMouseInput::Button4
                                                        : TMouseInput::Button5;
    const int row = Config.RowOf(input);
    if (row != -1) {
      // A press within 200 ms of the last press of any bound button fires nothing.
      if (down) {
        if (time - LastButtonTime > 200) Fire(row);
        LastButtonTime = time;
      }
      passes = false;
    }
  }
  const size_t b = static_cast<size_t>(button);
  (down ? Pass.ButtonDown : Pass.ButtonUp)[b] += passes ? 1 : 0;
  return passes;
}

bool TSoakModel::Wheel(int delta, DWORD time) {
  bool passes = true;
  const bool up = delta > 0;
  if (On) {
    // The wheel fix: in a run of notches less than 100 ms apart that began more than 300 ms
    // ago, a notch against the run is replaced by one with it.
    const DWORD gap = time - LastWheelTime;
    if (gap > 500) WheelSeriesStart = time;
    if (gap < 100 && time - WheelSeriesStart > 300 && up != WheelUp) {
      ++(WheelUp ? Fires.WheelNotchUp : Fires.WheelNotchDown);
      passes = false;
    } else {
      WheelUp = up;
    }
    LastWheelTime = time;
  }
  if (passes) ++(up ? Pass.WheelUp : Pass.WheelDown);
  return passes;
}

void TSoakModel::ShakeFired(TMouseInput input) {
  if (On) Fire(Config.RowOf(input));
}

}  // namespace pelorin::soak
