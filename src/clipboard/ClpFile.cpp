#include "clipboard/ClpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelorin {
namespace {

constexpr size_t ChunkSize = 64 * 1024;
constexpr uint64_t FixedItemSize = 8 + 1 + 4;
constexpr uint64_t FormatHeaderSize = 4 + 4;

void PutU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t GetU32(const uint8_t* in) {
  return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}
void PutU64(uint8_t* out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint64_t GetU64(const uint8_t* in) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | in[i];
  return value;
}

TClpStoredItem StoredOf(const TClipboardData& item) {
  return {std::bit_cast<uint64_t>(item.Time), item.Checked, ClpRecordSize(item)};
}

// Reads the file front to back through a buffer; a read past the end fails without touching
// the port, so a hostile length never reaches an allocation or a read.
class TSeqReader {
 public:
  TSeqReader(ClpOpenFile& file, uint64_t size) : File(file), FileSize(size) {}
  uint64_t Left() const { return FileSize - Pos; }
  bool IoFailed() const { return Failed; }

  bool Read(void* out, size_t count) {
    if (count > Left()) return false;
    auto* dest = static_cast<uint8_t*>(out);
    while (count > 0) {
      if (Pos >= BufStart + Buf.size() || Pos < BufStart) {
        if (count >= ChunkSize) {  // big blocks go straight into their destination
          if (!File.ReadAt(Pos, dest, count)) return Fail();
          Pos += count;
          return true;
        }
        size_t fill = static_cast<size_t>(std::min<uint64_t>(ChunkSize, Left()));
        Buf.resize(fill);
        BufStart = Pos;
        if (!File.ReadAt(Pos, Buf.data(), fill)) return Fail();
      }
      size_t at = static_cast<size_t>(Pos - BufStart);
      size_t take = std::min(count, Buf.size() - at);
      std::memcpy(dest, Buf.data() + at, take);
      dest += take;
      Pos += take;
      count -= take;
    }
    return true;
  }

 private:
  bool Fail() {
    Failed = true;
    return false;
  }
  ClpOpenFile& File;
  uint64_t FileSize;
  uint64_t Pos = 0;
  uint64_t BufStart = 0;
  std::vector<uint8_t> Buf;
  bool Failed = false;
};

// Writes front to back from a position through a buffer.
class TSeqWriter {
 public:
  TSeqWriter(ClpOpenFile& file, uint64_t pos) : File(file), Pos(pos) {}
  uint64_t End() const { return Pos + Buf.size(); }

  bool Write(const uint8_t* data, size_t count) {
    if (Buf.size() + count > ChunkSize) {
      if (!Drain()) return false;
      if (count >= ChunkSize) {
        if (!File.WriteAt(Pos, data, count)) return false;
        Pos += count;
        return true;
      }
    }
    Buf.insert(Buf.end(), data, data + count);
    return true;
  }
  bool WriteItem(const TClipboardData& item) {
    uint8_t fixed[FixedItemSize];
    PutU64(fixed, std::bit_cast<uint64_t>(item.Time));
    fixed[8] = item.Checked ? 1 : 0;
    PutU32(fixed + 9, static_cast<uint32_t>(item.Items.size()));
    if (!Write(fixed, sizeof fixed)) return false;
    for (const TClipboardDataItem& format : item.Items) {
      uint8_t head[FormatHeaderSize];
      PutU32(head, format.Format);
      PutU32(head + 4, static_cast<uint32_t>(format.Data.size()));
      if (!Write(head, sizeof head)) return false;
      if (!format.Data.empty() && !Write(format.Data.data(), format.Data.size())) return false;
    }
    return true;
  }
  bool Drain() {
    if (Buf.empty()) return true;
    if (!File.WriteAt(Pos, Buf.data(), Buf.size())) return false;
    Pos += Buf.size();
    Buf.clear();
    return true;
  }

 private:
  ClpOpenFile& File;
  uint64_t Pos;
  std::vector<uint8_t> Buf;
};

// Reads one item; false when the file ends inside it or a limit is exceeded.
bool ReadItem(TSeqReader& in, TClipboardData& item) {
  uint8_t fixed[FixedItemSize];
  if (!in.Read(fixed, sizeof fixed)) return false;
  item.Time = std::bit_cast<double>(GetU64(fixed));
  item.Checked = fixed[8] != 0;
  uint32_t count = GetU32(fixed + 9);
  if (count > ClpMaxFormats) return false;
  // Each format needs at least its header: a count the file cannot hold is never allocated.
  if (uint64_t(count) * FormatHeaderSize > in.Left()) return false;
  item.Items.resize(count);
  for (TClipboardDataItem& format : item.Items) {
    uint8_t head[FormatHeaderSize];
    if (!in.Read(head, sizeof head)) return false;
    format.Format = GetU32(head);
    uint32_t length = GetU32(head + 4);
    if (length > ClpMaxDataLength || length > in.Left()) return false;
    format.Data.resize(length);
    if (length > 0 && !in.Read(format.Data.data(), length)) return false;
  }
  return true;
}

// Header of an open file: signature and High; false when unreadable or foreign.
bool ReadHeader(ClpOpenFile& file, int32_t& high) {
  uint8_t head[ClpHeaderSize];
  if (!file.ReadAt(0, head, sizeof head) || GetU32(head) != ClpSignature) return false;
  high = static_cast<int32_t>(GetU32(head + 4));
  return true;
}

// The whole file into a temporary file beside it, flushed, then put in place of the old one in
// one step: a crash before the replace leaves the old file whole, after it the new one.
using TItems = std::span<const TClipboardData* const>;

bool SaveWhole(ClpFilePort& files, const std::wstring& path, TItems history, TClpStored& stored) {
  const std::wstring temp = path + L".tmp";
  bool ok = false;
  {
    std::unique_ptr<ClpOpenFile> file = files.Open(temp, ClpFilePort::Mode::CreateAlways);
    if (file) {
      TSeqWriter out(*file, 0);
      uint8_t head[ClpHeaderSize];
      PutU32(head, ClpSignature);
      PutU32(head + 4, static_cast<uint32_t>(static_cast<int32_t>(history.size()) - 1));
      ok = out.Write(head, sizeof head);
      for (size_t i = 0; ok && i < history.size(); ++i) ok = out.WriteItem(*history[i]);
      ok = ok && out.Drain() && file->Flush();
    }
  }
  ok = ok && files.Replace(temp, path);
  if (!ok) {
    files.Remove(temp);  // best effort: a leftover is overwritten by the next attempt
    return false;
  }
  stored.Known = true;
  stored.Items.clear();
  stored.End = ClpHeaderSize;
  for (const TClipboardData* item : history) {
    stored.Items.push_back(StoredOf(*item));
    stored.End += stored.Items.back().Size;
  }
  return true;
}

bool SaveItems(ClpFilePort& files, const std::wstring& path, TItems history, TClpStored& stored);

}  // namespace

uint64_t ClpRecordSize(const TClipboardData& item) {
  uint64_t size = FixedItemSize;
  for (const TClipboardDataItem& format : item.Items) size += FormatHeaderSize + format.Data.size();
  return size;
}

std::string ClpFileBytes(std::span<const TClipboardData> history) {
  struct TMemoryFile : ClpOpenFile {
    std::string Bytes;
    bool Size(uint64_t& size) override { return size = Bytes.size(), true; }
    bool ReadAt(uint64_t, void*, size_t) override { return false; }
    bool WriteAt(uint64_t offset, const void* data, size_t count) override {
      if (Bytes.size() < offset + count) Bytes.resize(offset + count);
      std::memcpy(Bytes.data() + offset, data, count);
      return true;
    }
    bool Truncate(uint64_t size) override { return Bytes.resize(size), true; }
    bool Flush() override { return true; }
  } file;
  TSeqWriter out(file, 0);
  uint8_t head[ClpHeaderSize];
  PutU32(head, ClpSignature);
  PutU32(head + 4, static_cast<uint32_t>(static_cast<int32_t>(history.size()) - 1));
  out.Write(head, sizeof head);
  for (const TClipboardData& item : history) out.WriteItem(item);
  out.Drain();
  return file.Bytes;
}

TClpLoadResult LoadClipboardFile(ClpFilePort& files, const std::wstring& path) {
  TClpLoadResult result;
  ClpFilePort::Presence presence = files.Probe(path);
  if (presence == ClpFilePort::Presence::Missing) return result;
  result.Status = ClpLoadStatus::Unreadable;
  if (presence == ClpFilePort::Presence::Unknown) return result;
  std::unique_ptr<ClpOpenFile> file = files.Open(path, ClpFilePort::Mode::Read);
  uint64_t size = 0;
  if (!file || !file->Size(size)) return result;
  TSeqReader in(*file, size);
  uint8_t sig[4];
  if (!in.Read(sig, sizeof sig)) {
    result.Status = in.IoFailed() ? ClpLoadStatus::Unreadable : ClpLoadStatus::Foreign;
    return result;
  }
  if (GetU32(sig) != ClpSignature) {
    result.Status = ClpLoadStatus::Foreign;
    return result;
  }
  uint8_t highBytes[4];
  bool damaged = false;
  int32_t high = -1;
  if (!in.Read(highBytes, sizeof highBytes)) {
    damaged = true;
  } else {
    high = static_cast<int32_t>(GetU32(highBytes));
    // Below -1 says nothing about how many items follow; above 499 the table cannot hold them,
    // so at most 500 are read and the file is cut to them.
    if (high < -1) {
      damaged = true;
      high = -1;
    } else if (high >= ClpMaxItems) {
      damaged = true;
      high = ClpMaxItems - 1;
    }
  }
  for (int32_t idx = 0; idx <= high; ++idx) {
    TClipboardData item;
    if (!ReadItem(in, item)) {
      // A failing disk is no proof of damage: keep the file as it is and load nothing.
      if (in.IoFailed()) return TClpLoadResult{ClpLoadStatus::Unreadable, {}, {}};
      damaged = true;
      break;
    }
    result.Items.push_back(std::move(item));
  }
  if (damaged) {
    result.Status = ClpLoadStatus::Damaged;
    return result;  // Stored unknown: the save that follows writes the whole file
  }
  // Bytes after the last item are what a save left that stopped before its header write:
  // not damage, and the next save cuts them.
  result.Status = ClpLoadStatus::Loaded;
  result.Stored.Known = true;
  for (const TClipboardData& item : result.Items) {
    result.Stored.Items.push_back(StoredOf(item));
    result.Stored.End += result.Stored.Items.back().Size;
  }
  return result;
}

bool SaveClipboardFile(ClpFilePort& files, const std::wstring& path, std::span<const TClipboardData> history,
                       TClpStored& stored) {
  std::vector<const TClipboardData*> items;
  items.reserve(history.size());
  for (const TClipboardData& item : history) items.push_back(&item);
  return SaveItems(files, path, items, stored);
}

bool SaveClipboardSnapshot(ClpFilePort& files, const std::wstring& path,
                           std::span<const std::shared_ptr<const TClipboardData>> history, TClpStored& stored) {
  std::vector<const TClipboardData*> items;
  items.reserve(history.size());
  for (const std::shared_ptr<const TClipboardData>& item : history) items.push_back(item.get());
  return SaveItems(files, path, items, stored);
}

namespace {

// The common save appends: the new records go after the stored ones and are flushed, then the
// 4-byte High at offset 4 is rewritten and flushed. Until that write the header still counts
// only the old items, and the loader ignores the bytes after them, so a crash gives the old
// history; once it is on the disk the file holds the new one. The 4 bytes lie in the first
// sector, which the disk writes whole. Anything that changes a stored item goes to SaveWhole.
bool SaveItems(ClpFilePort& files, const std::wstring& path, TItems history, TClpStored& stored) {
  if (history.size() > size_t(ClpMaxItems)) return false;
  ClpFilePort::Presence presence = files.Probe(path);
  if (presence == ClpFilePort::Presence::Unknown) return false;
  if (presence == ClpFilePort::Presence::Missing) {
    if (history.empty()) {  // no file is an empty history already
      stored = TClpStored{};
      return true;
    }
    return SaveWhole(files, path, history, stored);
  }
  std::unique_ptr<ClpOpenFile> file = files.Open(path, ClpFilePort::Mode::ReadWrite);
  if (!file) return false;  // held by another program for a moment: keep it, try again later

  int32_t high = 0;
  uint64_t size = 0;
  bool appendable = stored.Known && stored.Items.size() <= history.size() && ReadHeader(*file, high) &&
                    high == static_cast<int32_t>(stored.Items.size()) - 1 && file->Size(size) &&
                    size >= stored.End;
  for (size_t i = 0; appendable && i < stored.Items.size(); ++i)
    appendable = StoredOf(*history[i]) == stored.Items[i];
  if (!appendable) {
    file.reset();
    return SaveWhole(files, path, history, stored);
  }

  TSeqWriter out(*file, stored.End);
  for (size_t i = stored.Items.size(); i < history.size(); ++i)
    if (!out.WriteItem(*history[i])) return false;
  const uint64_t end = out.End();
  if (!out.Drain()) return false;
  if (size > end && !file->Truncate(end)) return false;  // only bytes no header counts yet
  if (history.size() == stored.Items.size()) return true;  // nothing new: the header stands
  if (!file->Flush()) return false;
  uint8_t newHigh[4];
  PutU32(newHigh, static_cast<uint32_t>(static_cast<int32_t>(history.size()) - 1));
  if (!file->WriteAt(4, newHigh, sizeof newHigh)) return false;
  for (size_t i = stored.Items.size(); i < history.size(); ++i) stored.Items.push_back(StoredOf(*history[i]));
  stored.End = end;
  // The header may already be on the disk: stored follows it, and a failed flush only means
  // the next save writes the same bytes again.
  return file->Flush();
}

}  // namespace

}  // namespace pelorin
