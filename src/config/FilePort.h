#pragma once
#include <string>
#include <string_view>

namespace pelorin {

// Whole files on disk, as the settings file needs them.
struct FilePort {
  virtual ~FilePort() = default;
  // The file's bytes; empty when it is missing or cannot be read.
  virtual std::string ReadWholeFile(const std::wstring& path) = 0;
  // Puts bytes in place of the file at path: writes them to a temporary file in the same
  // folder, flushes it to the disk and only then replaces the file. False when any step
  // failed; the file at path is then exactly as it was and the temporary file is gone.
  virtual bool WriteReplace(const std::wstring& path, std::string_view bytes) = 0;
};

}  // namespace pelorin
