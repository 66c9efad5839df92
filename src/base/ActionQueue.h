#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "base/Actions.h"

namespace pelorin {

// The hand-off of action codes from the hooks, the tray and a few keys (any thread) to the
// command thread (one consumer). A bounded ring of cells, each with its own sequence number:
// a producer claims a cell with one compare-exchange on the tail and publishes it with one
// store, so a hook never waits for a lock and never allocates.
//
// Capacity: 64 codes. Every code is one user action (a click, a chord, a wheel notch, one
// auto-switch check), and the command thread takes them within milliseconds; 64 waiting
// means it has been stuck in one command (a slow monitor, a program that takes long to start)
// while the user went on. A full queue refuses the new code and counts it in Rejected(): the
// hook must not wait, and what was accepted keeps its order. Replaying a long backlog of key
// repeats seconds after the key was let go would be worse than losing the excess.
//
// A held chord fires its row again on every auto-repeat of its key. A repeat adds nothing
// while a code of that row (or the Pelorin switch a row posts) still waits: a slow command (a
// brightness step waiting for the monitor, a program start) would otherwise leave dozens
// queued that run on long after the key is released. A fresh press or click always queues.
// Auto-switch checks are coalesced the same way, since the one check reads every character
// typed up to the moment it runs. Wheel-fix notches always queue: one per notch.
class TActionQueue {
 public:
  static constexpr uint32_t Capacity = 64;

  enum class PushResult { Queued, Coalesced, Full };

  TActionQueue();
  TActionQueue(const TActionQueue&) = delete;
  TActionQueue& operator=(const TActionQueue&) = delete;

  // Any thread; never blocks. `repeat`: a held key's auto-repeat fired the code again.
  PushResult Push(int32_t code, bool repeat = false) noexcept;
  // The consumer only: the oldest code, or NoAction when none is waiting. A code whose
  // producer is between claiming and publishing its cell is taken on a later call.
  int32_t Pop() noexcept;
  // Nothing waiting, as far as this thread can tell; for tests and polls.
  bool Empty() const noexcept;
  uint32_t Rejected() const noexcept { return RejectedCount.load(std::memory_order_relaxed); }

 private:
  static constexpr uint32_t Mask = Capacity - 1;
  static_assert((Capacity & Mask) == 0, "the ring indexes by mask");

  struct Cell {
    // pos: free for the producer of position pos; pos + 1: holds the code of position pos.
    std::atomic<uint32_t> Sequence;
    int32_t Code;
  };

  std::array<Cell, Capacity> Cells;
  alignas(64) std::atomic<uint32_t> Tail{0};
  alignas(64) std::atomic<uint32_t> Head{0};  // written by the consumer only
  // How many codes wait of each row 0 to MaxRowAction, then of the check and of the switch;
  // null for codes that are never coalesced.
  std::atomic<uint8_t>* WaitingCount(int32_t code) noexcept;
  static_assert(Capacity < 256, "a count holds every cell");
  std::array<std::atomic<uint8_t>, MaxRowAction + 3> Waiting{};
  std::atomic<uint32_t> RejectedCount{0};
};

}  // namespace pelorin
