#pragma once
#include "config/FilePort.h"

namespace pelorin {

// Files through the Win32 file calls. WriteReplace writes "<path>.tmp" beside the file,
// flushes it and renames it over the file with MoveFileExW (REPLACE_EXISTING |
// WRITE_THROUGH): one rename within a folder, which NTFS carries out whole, works whether or
// not the file exists yet, and leaves either the old or the new file, never a mix.
// ReplaceFileW would keep the old file's attributes but fails when there is no old file and
// has failure modes that leave files under other names.
class TWinFilePort final : public FilePort {
 public:
  // Larger files are taken as unreadable: a settings file is a few kilobytes.
  static constexpr size_t MaxReadBytes = 64u << 20;

  TFileBytes ReadWholeFile(const std::wstring& path) override;
  bool WriteReplace(const std::wstring& path, std::string_view bytes) override;
};

}  // namespace pelorin
