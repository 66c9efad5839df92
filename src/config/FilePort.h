#pragma once
#include <string>
#include <string_view>

namespace pelorin {

// What reading a whole file found. "Missing" and "Unreadable" are different answers: a file
// that is there but could not be read (held by a backup or sync program, a read error) must
// never be taken for an empty one and written over.
struct TFileBytes {
  enum class TState { Read, Missing, Unreadable };
  TState State = TState::Missing;
  std::string Bytes;  // only for Read
};

// Whole files on disk, as the settings file needs them.
struct FilePort {
  virtual ~FilePort() = default;
  virtual TFileBytes ReadWholeFile(const std::wstring& path) = 0;
  // Puts bytes in place of the file at path: writes them to a temporary file in the same
  // folder, flushes it to the disk and only then replaces the file. False when any step
  // failed; the file at path is then exactly as it was and the temporary file is gone.
  virtual bool WriteReplace(const std::wstring& path, std::string_view bytes) = 0;
};

}  // namespace pelorin
