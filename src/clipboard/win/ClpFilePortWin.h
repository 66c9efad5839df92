#pragma once
#include "clipboard/ClpFilePort.h"

namespace pelorin {

// The clipboard history file through the Win32 file calls. Reads and writes take 64-bit
// offsets (OVERLAPPED) in pieces of at most 1 GiB, Flush is FlushFileBuffers, and Replace is
// one MoveFileExW within the folder (REPLACE_EXISTING | WRITE_THROUGH), which leaves the old
// or the new file under the name, never a mix. Files are opened for sharing reads only: a
// scanner may look, nobody may write beside Pelorin.
class TClpFilePortWin final : public ClpFilePort {
 public:
  Presence Probe(const std::wstring& path) override;
  std::unique_ptr<ClpOpenFile> Open(const std::wstring& path, Mode mode) override;
  bool Replace(const std::wstring& from, const std::wstring& to) override;
  bool Remove(const std::wstring& path) override;
};

}  // namespace pelorin
