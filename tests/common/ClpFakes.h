// A disk in memory for the clipboard history file, with a fault to inject at a chosen call:
// either that call fails (and does nothing) or the machine stops there (a power cut: that call
// and every later one does nothing). Writes reach the disk's cache first and the disk itself
// only at a flush of their file; at a power cut the cache writes out whatever AtPowerCut says
// (creating, replacing and removing a file are on the disk at once).
#pragma once
#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "clipboard/ClpFile.h"

namespace pelorin::test {

struct FakeClpDisk : ClpFilePort {
  std::map<std::wstring, std::string> Files;
  std::set<std::wstring> Locked;  // exist but cannot be opened, as when a scanner holds them
  int Calls = 0;                  // every call into the port or an open file
  int FailAt = 0;                 // 1-based call that fails; 0 for none
  int StopAt = 0;                 // 1-based call at which the machine stops; 0 for none
  bool Stopped = false;
  // A stop inside a write that spans sectors leaves the sectors before the boundary written:
  // the disk writes a 512-byte sector whole or not at all, but not a run of them.
  bool TearOnStop = false;
  int Tears = 0;
  uint64_t BytesWritten = 0;
  int Writes = 0;
  int Flushes = 0;
  std::function<void()> DuringWrite;  // runs inside every write that goes through

  // Which of the writes since a file's last flush reach the disk at a power cut: none, all
  // (a write-through disk), or only the newest of each file (the cache writes out in any
  // order, so a later write can land without the ones before it).
  enum class Cache { LoseAll, KeepAll, KeepNewest };
  Cache AtPowerCut = Cache::LoseAll;
  // A file changed since its last flush: its bytes as of that flush and the writes since.
  struct Change {
    uint64_t Offset = 0;
    std::string Data;
    bool Truncate = false;  // the file cut at Offset
  };
  struct Pending {
    std::string Flushed;
    std::vector<Change> Changes;
  };
  std::map<std::wstring, Pending> Unflushed;

  // False when this call must do nothing.
  bool Step() {
    ++Calls;
    if (Stopped) return false;
    if (Calls == StopAt) {
      PowerCut();
      return false;
    }
    return Calls != FailAt;
  }
  void ClearFaults() {
    FailAt = StopAt = 0;
    Stopped = TearOnStop = false;
  }
  // The machine stops: every file holds what reached the disk.
  void PowerCut() {
    Stopped = true;
    for (auto& [path, pending] : Unflushed) {
      if (!Files.contains(path)) continue;
      std::string bytes = std::move(pending.Flushed);
      for (size_t i = 0; i < pending.Changes.size(); ++i) {
        if (AtPowerCut == Cache::LoseAll) break;
        if (AtPowerCut == Cache::KeepNewest && i + 1 != pending.Changes.size()) continue;
        const Change& change = pending.Changes[i];
        if (change.Truncate) {
          bytes.resize(change.Offset);
          continue;
        }
        if (bytes.size() < change.Offset + change.Data.size()) bytes.resize(change.Offset + change.Data.size());
        std::memcpy(bytes.data() + change.Offset, change.Data.data(), change.Data.size());
      }
      Files[path] = std::move(bytes);
    }
    Unflushed.clear();
  }
  // A change to a file that only the cache holds so far.
  void Cached(const std::wstring& path, uint64_t offset, std::string data, bool truncate) {
    auto [at, fresh] = Unflushed.try_emplace(path);
    if (fresh) at->second.Flushed = Files[path];
    at->second.Changes.push_back({offset, std::move(data), truncate});
  }

  struct File : ClpOpenFile {
    FakeClpDisk& Disk;
    std::wstring Path;
    bool Writable;
    File(FakeClpDisk& disk, std::wstring path, bool writable) : Disk(disk), Path(std::move(path)), Writable(writable) {}
    std::string* Bytes() {
      auto found = Disk.Files.find(Path);
      return found == Disk.Files.end() ? nullptr : &found->second;
    }
    bool Size(uint64_t& size) override {
      if (!Disk.Step() || !Bytes()) return false;
      size = Bytes()->size();
      return true;
    }
    bool ReadAt(uint64_t offset, void* out, size_t count) override {
      if (!Disk.Step() || !Bytes()) return false;
      const std::string& bytes = *Bytes();
      if (offset > bytes.size() || count > bytes.size() - offset) return false;
      if (count > 0) std::memcpy(out, bytes.data() + offset, count);
      return true;
    }
    bool WriteAt(uint64_t offset, const void* data, size_t count) override {
      if (!Disk.Step()) {
        const uint64_t boundary = (offset / 512 + 1) * 512;
        // The disk was writing this one itself when the power went.
        if (Disk.TearOnStop && Disk.Calls == Disk.StopAt && Writable && Bytes() && offset + count > boundary)
          Persist(offset, data, static_cast<size_t>(boundary - offset)), ++Disk.Tears;
        return false;
      }
      if (!Writable || !Bytes()) return false;
      if (Disk.DuringWrite) Disk.DuringWrite();
      Disk.Cached(Path, offset, std::string(static_cast<const char*>(data), count), false);
      Persist(offset, data, count);
      return true;
    }
    void Persist(uint64_t offset, const void* data, size_t count) {
      std::string& bytes = *Bytes();
      if (bytes.size() < offset + count) bytes.resize(offset + count);
      if (count > 0) std::memcpy(bytes.data() + offset, data, count);
      Disk.BytesWritten += count;
      ++Disk.Writes;
    }
    bool Truncate(uint64_t size) override {
      if (!Disk.Step() || !Writable || !Bytes()) return false;
      Disk.Cached(Path, size, {}, true);
      Bytes()->resize(size);
      return true;
    }
    bool Flush() override {
      if (!Disk.Step() || !Writable) return false;
      Disk.Unflushed.erase(Path);
      ++Disk.Flushes;
      return true;
    }
  };

  Presence Probe(const std::wstring& path) override {
    if (!Step()) return Presence::Unknown;
    return Files.contains(path) ? Presence::Present : Presence::Missing;
  }
  std::unique_ptr<ClpOpenFile> Open(const std::wstring& path, Mode mode) override {
    if (!Step() || Locked.contains(path)) return nullptr;
    if (mode == Mode::CreateAlways) {
      Files[path].clear();
      Unflushed.erase(path);
    } else if (!Files.contains(path))
      return nullptr;
    return std::make_unique<File>(*this, path, mode != Mode::Read);
  }
  bool Replace(const std::wstring& from, const std::wstring& to) override {
    if (!Step() || Locked.contains(to) || !Files.contains(from)) return false;
    Files[to] = std::move(Files[from]);
    Files.erase(from);
    // The name moves at once; what the cache holds of the file still waits for a flush.
    Unflushed.erase(to);
    if (auto pending = Unflushed.extract(from)) {
      pending.key() = to;
      Unflushed.insert(std::move(pending));
    }
    return true;
  }
  bool Remove(const std::wstring& path) override {
    if (!Step() || Locked.contains(path)) return false;
    Unflushed.erase(path);
    return Files.erase(path) > 0;
  }
};

inline TClipboardData Item(double time, std::vector<TClipboardDataItem> formats, bool checked = false) {
  TClipboardData data;
  data.Time = time;
  data.Checked = checked;
  data.Items = std::move(formats);
  return data;
}

inline TClipboardDataItem Format(uint32_t number, const std::string& bytes) {
  return {number, std::vector<uint8_t>(bytes.begin(), bytes.end())};
}

// Same record, times compared bit for bit.
inline bool SameItem(const TClipboardData& a, const TClipboardData& b) {
  return std::bit_cast<uint64_t>(a.Time) == std::bit_cast<uint64_t>(b.Time) && a.Checked == b.Checked &&
         a.Items == b.Items;
}
inline bool SameHistory(const std::vector<TClipboardData>& a, const std::vector<TClipboardData>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameItem);
}

}  // namespace pelorin::test
