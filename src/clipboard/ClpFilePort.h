#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace pelorin {

// One open file of the clipboard history. Positions are 64-bit: a history of 500 items may
// need more than 2 GiB, and nothing in the file stores a position, so no 32-bit limit applies.
struct ClpOpenFile {
  virtual ~ClpOpenFile() = default;
  virtual bool Size(uint64_t& size) = 0;
  // Exactly count bytes at offset, or false.
  virtual bool ReadAt(uint64_t offset, void* out, size_t count) = 0;
  // All count bytes at offset (the file grows as needed), or false.
  virtual bool WriteAt(uint64_t offset, const void* data, size_t count) = 0;
  virtual bool Truncate(uint64_t size) = 0;
  // Returns only when everything written so far is on the disk.
  virtual bool Flush() = 0;
};

// The files the clipboard history needs. Open returns null on failure.
struct ClpFilePort {
  enum class Mode { Read, ReadWrite, CreateAlways };
  // Unknown when the system could not tell (a failing disk or share): a save must not take
  // that for a missing file.
  enum class Presence { Missing, Present, Unknown };

  virtual ~ClpFilePort() = default;
  virtual Presence Probe(const std::wstring& path) = 0;
  virtual std::unique_ptr<ClpOpenFile> Open(const std::wstring& path, Mode mode) = 0;
  // Puts the file from in place of the file to in one step (to may be missing): after a crash
  // the name to holds either the old or the new file, whole. False when it did not happen.
  virtual bool Replace(const std::wstring& from, const std::wstring& to) = 0;
  virtual bool Remove(const std::wstring& path) = 0;
};

}  // namespace pelorin
