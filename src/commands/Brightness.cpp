#include "commands/Brightness.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace pelorin {

namespace {
// Garbage ranges (max below min) are kept as read: there is nothing to clamp into.
uint32_t ClampInto(uint32_t value, uint32_t min, uint32_t max) {
  return min <= max ? std::clamp(value, min, max) : value;
}

std::optional<int> BrightnessPercent(uint32_t min, uint32_t cur, uint32_t max) {
  if (max <= min) return std::nullopt;
  int64_t percent = (static_cast<int64_t>(cur) - min) * 100 / (static_cast<int64_t>(max) - min);
  return static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}
}  // namespace

bool TBrightness::ReadBrightness() {
  std::optional<TBrightnessReading> reading = ReadMonitor();
  if (!reading) return false;
  Store(*reading);
  return true;
}

void TBrightness::WriteBrightness() { WriteMonitor(Cur()); }

std::optional<TBrightnessReading> TBrightness::ReadMonitor() {
  if (Monitor == nullptr) return std::nullopt;
  TBrightnessReading reading;
  std::lock_guard guard(PortLock);
  if (!Monitor->Read(reading.Min, reading.Cur, reading.Max)) return std::nullopt;
  MonitorHas = reading.Cur;
  return reading;
}

bool TBrightness::WriteMonitor(uint32_t value) {
  if (Monitor == nullptr) return false;
  std::lock_guard guard(PortLock);
  return WriteLocked(value);
}

bool TBrightness::WriteMonitorIfChanged(uint32_t value) {
  if (Monitor == nullptr) return false;
  std::lock_guard guard(PortLock);
  if (MonitorHas == value) return true;
  return WriteLocked(value);
}

bool TBrightness::WriteLocked(uint32_t value) {
  bool ok = Monitor->Write(value);
  // After a refused write nothing is known of what the monitor shows.
  MonitorHas = ok ? std::optional<uint32_t>(value) : std::nullopt;
  return ok;
}

void TBrightness::Store(const TBrightnessReading& reading) {
  if (Monitor == nullptr) return;
  BrightnessMin.store(reading.Min, std::memory_order_relaxed);
  BrightnessMax.store(reading.Max, std::memory_order_relaxed);
  BrightnessCur.store(ClampInto(reading.Cur, reading.Min, reading.Max), std::memory_order_relaxed);
  ReadingStored.store(true, std::memory_order_relaxed);
}

void TBrightness::SetCur(uint32_t value) {
  if (Monitor == nullptr) return;
  BrightnessCur.store(ClampInto(value, Min(), Max()), std::memory_order_relaxed);
}

void TBrightness::StepUp() {
  if (Monitor == nullptr) return;
  uint32_t cur = Cur();
  if (cur < Max()) BrightnessCur.store(cur + 1, std::memory_order_relaxed);
}

void TBrightness::StepDown() {
  if (Monitor == nullptr) return;
  uint32_t cur = Cur();
  if (Min() < cur) BrightnessCur.store(cur - 1, std::memory_order_relaxed);
}

std::optional<int> TBrightness::Percent() const {
  if (Monitor == nullptr) return std::nullopt;
  // Each value loaded once, so the range tested is the range divided by.
  return BrightnessPercent(Min(), Cur(), Max());
}

TBrightnessWriter::TBrightnessWriter(TBrightness& brightness, std::function<void()> landed,
                                     std::function<void()> failed)
    : Brightness(brightness), Landed(std::move(landed)), Failed(std::move(failed)), Thread([this] { Execute(); }) {}

void TBrightnessWriter::Write(uint32_t value) {
  {
    std::lock_guard guard(Lock);
    if (Stopping) return;
    WantedWrite = value;
  }
  Wake.notify_one();
}

void TBrightnessWriter::Read(uint64_t tag) {
  {
    std::lock_guard guard(Lock);
    if (Stopping) return;
    WantedRead = true;
    WantedReadTag = tag;
  }
  Wake.notify_one();
}

TBrightnessLanded TBrightnessWriter::Take() {
  std::lock_guard guard(Lock);
  return std::exchange(Done, {});
}

bool TBrightnessWriter::Idle() {
  std::lock_guard guard(Lock);
  return !WantedWrite && !WantedRead && !Calling && Done.Writes == 0 && Done.Reads == 0;
}

void TBrightnessWriter::RequestStop() {
  {
    std::lock_guard guard(Lock);
    Stopping = true;
    WantedWrite.reset();
    WantedRead = false;
  }
  Wake.notify_one();
}

void TBrightnessWriter::Stop() {
  RequestStop();
  if (Thread.joinable()) Thread.join();
}

void TBrightnessWriter::Execute() noexcept {
  try {
    std::unique_lock guard(Lock);
    for (;;) {
      Wake.wait(guard, [this] { return Stopping || WantedWrite || WantedRead; });
      if (Stopping) return;
      Calling = true;
      if (WantedWrite) {
        uint32_t value = *std::exchange(WantedWrite, std::nullopt);
        guard.unlock();
        bool ok = Brightness.WriteMonitorIfChanged(value);
        guard.lock();
        ++Done.Writes;
        Done.LastWritten = value;
        Done.LastWriteOk = ok;
      } else {
        WantedRead = false;
        uint64_t tag = WantedReadTag;
        guard.unlock();
        std::optional<TBrightnessReading> reading = Brightness.ReadMonitor();
        guard.lock();
        ++Done.Reads;
        Done.Reading = reading;
        Done.ReadTag = tag;
      }
      Calling = false;
      guard.unlock();
      if (Landed) Landed();
      guard.lock();
    }
  } catch (...) {
    if (Failed) Failed();
  }
}

}  // namespace pelorin
