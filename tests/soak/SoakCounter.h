// The driver's own low-level hooks, installed before Pelorin starts so that Pelorin's hooks
// (newer, so called first, also after it switches them off and on) decide first: they see the
// injected input Pelorin passed on, the keys and wheel notches Pelorin sent itself (its marker
// in the time stamp), and input no program injected. They run in a thread of their own that
// does nothing else, so the driver may wait anywhere without stalling the hook chain.
#pragma once
#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "SoakModel.h"

namespace pelorin::soak {

struct TCounterSnapshot {
  TPassCounts Passed;                      // unmarked injected input that passed Pelorin
  std::array<uint64_t, ReplayIdCount> Replays{};  // Pelorin's replayed F13..F24 sequences
  uint64_t MarkedWheelUp = 0;
  uint64_t MarkedWheelDown = 0;
  uint64_t MarkedOther = 0;   // other input Pelorin sent (keys outside F13..F24, clicks, moves)
  uint64_t ForeignKeys = 0;   // input no program injected (the X server's)
  uint64_t ForeignMouse = 0;
  uint64_t Probes = 0;        // Pelorin's health probes that reached this hook (it eats them)
  DWORD LastSyncTime = 0;     // the time stamp of the last F12 release that passed
};

class TSoakCounter {
 public:
  TSoakCounter() = default;
  TSoakCounter(const TSoakCounter&) = delete;
  TSoakCounter& operator=(const TSoakCounter&) = delete;
  ~TSoakCounter() { Stop(); }

  // Installs both hooks in a new thread; false when either could not be installed.
  bool Start();
  void Stop();
  TCounterSnapshot Read() const;

 private:
  static LRESULT CALLBACK KeyProc(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam);
  void OnKey(WPARAM message, const KBDLLHOOKSTRUCT& k);
  void OnMouse(WPARAM message, const MSLLHOOKSTRUCT& m);

  std::thread Thread;
  std::atomic<DWORD> ThreadId{0};
  mutable std::mutex Lock;
  TCounterSnapshot Counts;
  // The replay in progress (hook thread only): its keys in press order, how many are down.
  std::array<int, 4> Sequence{};
  int SequenceLength = 0;
  int SequenceHeld = 0;
};

}  // namespace pelorin::soak
