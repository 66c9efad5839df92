#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace pelorin {

// The monitor's own control channel, in the monitor's units.
struct BrightnessPort {
  virtual ~BrightnessPort() = default;
  virtual bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) = 0;
  virtual bool Write(uint32_t cur) = 0;
};

// One good read of the monitor.
struct TBrightnessReading {
  uint32_t Min = 0;
  uint32_t Cur = 0;
  uint32_t Max = 0;
  friend bool operator==(const TBrightnessReading&, const TBrightnessReading&) = default;
};

// BrightnessMin, BrightnessCur and BrightnessMax as last read from the monitor or last set by
// Pelorin. The command thread (brightness step), the slider window (GUI thread) and the tray
// tip all use them: each value is an atomic, and the port is called under one lock because
// the monitor's channel is a slow serial line that one caller at a time should talk over.
// A monitor call takes tens to hundreds of milliseconds: the GUI thread never makes one
// (it leaves them to TBrightnessWriter), so it never waits for that lock either.
class TBrightness {
 public:
  // null: no brightness control.
  explicit TBrightness(BrightnessPort* monitor) : Monitor(monitor) {}
  TBrightness(const TBrightness&) = delete;
  TBrightness& operator=(const TBrightness&) = delete;

  bool Available() const { return Monitor != nullptr; }

  // Refreshes the three values; false (values unchanged) on failure or when unavailable. A
  // current value outside a valid range is clamped into it.
  bool ReadBrightness();
  // Sets the monitor to Cur; nothing when unavailable. A failed write is ignored.
  void WriteBrightness();

  // The monitor calls alone, under the port lock, for a caller that decides itself whether
  // a reading is still worth storing (the slider's writer: the user may have moved the
  // thumb while the monitor answered). Both fail when unavailable.
  std::optional<TBrightnessReading> ReadMonitor();
  bool WriteMonitor(uint32_t value);
  // As WriteMonitor, but no call when the last good read or write of the monitor already
  // left it at `value` (true then): a drag that steps back and forth while the monitor is
  // busy ends where it began, and a slow monitor need not hear that value again.
  bool WriteMonitorIfChanged(uint32_t value);
  // Takes a reading into the three values, clamped as ReadBrightness does; nothing when
  // unavailable.
  void Store(const TBrightnessReading& reading);

  // A reading was stored: until then the three values are defaults, nothing to show the user.
  bool Known() const { return ReadingStored.load(std::memory_order_relaxed); }
  uint32_t Min() const { return BrightnessMin.load(std::memory_order_relaxed); }
  uint32_t Cur() const { return BrightnessCur.load(std::memory_order_relaxed); }
  uint32_t Max() const { return BrightnessMax.load(std::memory_order_relaxed); }

  // The changes below do nothing when unavailable, like every other brightness command.

  // Clamped into Min..Max while that range is valid, so the monitor is never sent a value
  // outside its own range.
  void SetCur(uint32_t value);
  // One unit of the monitor's own scale: up while Cur < Max, down while Min < Cur.
  void StepUp();
  void StepDown();

  // (Cur - Min) x 100 div (Max - Min), clamped to 0..100: measured from Min, so a range that
  // does not start at 0 still ends at 100 (on the common 0..100 it is the raw value).
  // nullopt, so that the caller shows nothing, when unavailable or when Max <= Min: such a
  // range has no meaningful percentage and would divide by zero.
  std::optional<int> Percent() const;

 private:
  bool WriteLocked(uint32_t value);

  BrightnessPort* const Monitor;
  std::mutex PortLock;
  std::optional<uint32_t> MonitorHas;  // under PortLock: what the last good call showed
  std::atomic<uint32_t> BrightnessMin{0};
  std::atomic<uint32_t> BrightnessCur{0};
  std::atomic<uint32_t> BrightnessMax{100};
  std::atomic<bool> ReadingStored{false};
};

// What the writer finished since it was last asked (TBrightnessWriter::Take).
struct TBrightnessLanded {
  int Writes = 0;  // finished writes, whether the monitor took them or not
  uint32_t LastWritten = 0;
  bool LastWriteOk = false;
  int Reads = 0;  // finished reads, good or failed
  std::optional<TBrightnessReading> Reading;  // the last read, when it was good
  uint64_t ReadTag = 0;  // the tag of the wish the last read answered
};

// The monitor calls of the slider, on a thread of their own, so that the GUI thread (which
// runs the hooks of the whole desktop) only leaves wishes here and collects the results when
// told. The latest position wins: positions given while a call is in progress replace each
// other, and only the last one is written after it. A wanted write goes out before a wanted
// read, so a reading always includes every position asked before it.
class TBrightnessWriter {
 public:
  // `landed` is called on the writer's thread after each finished call, and `failed` once if
  // an exception escapes a monitor call (the thread ends then). Both must return at once:
  // the window side posts a message or starts the shutdown.
  TBrightnessWriter(TBrightness& brightness, std::function<void()> landed, std::function<void()> failed = {});
  TBrightnessWriter(const TBrightnessWriter&) = delete;
  TBrightnessWriter& operator=(const TBrightnessWriter&) = delete;
  ~TBrightnessWriter() { Stop(); }

  // Never wait for the monitor: they only leave the wish and wake the thread.
  void Write(uint32_t value);
  // Wishes for a read coalesce too; the reading carries the tag of the latest wish it answers.
  void Read(uint64_t tag = 0);
  // What finished since the last Take; the counts start again from zero.
  TBrightnessLanded Take();
  // Nothing wanted, no call in progress, nothing left to take: what a test waits for.
  bool Idle();

  // Drops whatever is still wanted and lets the thread end after the call in progress; no
  // new wish is taken afterwards. Returns at once.
  void RequestStop();
  // RequestStop, then waits for the thread: a DDC/CI call cannot be cut short, and the
  // monitor layer must not be released under it.
  void Stop();

 private:
  void Execute() noexcept;

  TBrightness& Brightness;
  std::function<void()> Landed;
  std::function<void()> Failed;
  // Guards the wishes and results below; never held during a monitor call.
  std::mutex Lock;
  std::condition_variable Wake;
  std::optional<uint32_t> WantedWrite;
  bool WantedRead = false;
  uint64_t WantedReadTag = 0;
  bool Stopping = false;
  bool Calling = false;
  TBrightnessLanded Done;
  std::thread Thread;  // last: it starts once everything it uses exists
};

}  // namespace pelorin
