// Arbitrary bytes as Pelorin.clp. Whatever loads must save back to a file that loads to the same
// history, both over the file it came from (the incremental path) and into a fresh folder (the
// whole-file path); one more item appended to it must come back as well.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ClpFakes.h"
#include "clipboard/ClpFile.h"

namespace {

void Check(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "ClpFileFuzz.cpp:%d: check failed\n", line);
  std::abort();
}
#define Require(condition) Check(condition, __LINE__)

const std::wstring Path = L"Pelorin.clp";

// Any nonzero Checked byte loads as checked, and an append leaves the stored bytes as they are:
// compare files with those bytes made 0 or 1.
std::string WithPlainChecked(std::string bytes, const std::vector<pelorin::TClipboardData>& items) {
  uint64_t at = pelorin::ClpHeaderSize;
  for (const pelorin::TClipboardData& item : items) {
    if (at + 8 < bytes.size()) bytes[at + 8] = bytes[at + 8] != 0 ? 1 : 0;
    at += pelorin::ClpRecordSize(item);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  using test::FakeClpDisk;
  using test::SameHistory;

  FakeClpDisk disk;
  disk.Files[Path] = std::string(reinterpret_cast<const char*>(data), size);
  TClpLoadResult first = LoadClipboardFile(disk, Path);
  Require(first.Items.size() <= size_t(ClpMaxItems));
  if (first.Status != ClpLoadStatus::Loaded && first.Status != ClpLoadStatus::Damaged) {
    Require(first.Items.empty());
    return 0;
  }
  if (first.Status == ClpLoadStatus::Loaded) {
    // What the loader took for the file is exactly what the writer makes of it.
    Require(first.Stored.Known && first.Stored.End <= size);
    Require(WithPlainChecked(disk.Files[Path].substr(0, first.Stored.End), first.Items) == ClpFileBytes(first.Items));
  }

  TClpStored stored = first.Stored;
  Require(SaveClipboardFile(disk, Path, first.Items, stored));
  TClpLoadResult again = LoadClipboardFile(disk, Path);
  Require(again.Status == ClpLoadStatus::Loaded);
  Require(SameHistory(again.Items, first.Items));
  Require(WithPlainChecked(disk.Files[Path], first.Items) == ClpFileBytes(first.Items));

  FakeClpDisk fresh;
  TClpStored none;
  Require(SaveClipboardFile(fresh, Path, first.Items, none));
  Require(SameHistory(LoadClipboardFile(fresh, Path).Items, first.Items));

  if (first.Items.size() < size_t(ClpMaxItems)) {
    std::vector<TClipboardData> more = first.Items;
    TClipboardData item;
    item.Time = 1.0 + static_cast<double>(size);
    item.Items.push_back({CfText, std::vector<uint8_t>(data, data + (size < 40 ? size : 40))});
    more.push_back(item);
    Require(SaveClipboardFile(disk, Path, more, stored));
    Require(SameHistory(LoadClipboardFile(disk, Path).Items, more));
  }
  return 0;
}
