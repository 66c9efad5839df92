#include "clipboard/win/ClpFilePortWin.h"

#include <windows.h>

#include <algorithm>

#include "common/win/Owned.h"

namespace pelorin {

namespace {

constexpr size_t MaxPiece = size_t(1) << 30;

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

class TOpenFileWin final : public ClpOpenFile {
 public:
  explicit TOpenFileWin(HANDLE file) : File(file) {}

  bool Size(uint64_t& size) override {
    LARGE_INTEGER value{};
    if (!::GetFileSizeEx(File.Get(), &value)) return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
  }
  bool ReadAt(uint64_t offset, void* out, size_t count) override {
    auto* bytes = static_cast<uint8_t*>(out);
    while (count > 0) {
      DWORD piece = static_cast<DWORD>(std::min(count, MaxPiece));
      DWORD read = 0;
      OVERLAPPED at = At(offset);
      // A short read is the end of the file: the caller asked for bytes that are not there.
      if (!::ReadFile(File.Get(), bytes, piece, &read, &at) || read != piece) return false;
      bytes += piece;
      offset += piece;
      count -= piece;
    }
    return true;
  }
  bool WriteAt(uint64_t offset, const void* data, size_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
      DWORD piece = static_cast<DWORD>(std::min(count, MaxPiece));
      DWORD written = 0;
      OVERLAPPED at = At(offset);
      if (!::WriteFile(File.Get(), bytes, piece, &written, &at) || written != piece) return false;
      bytes += piece;
      offset += piece;
      count -= piece;
    }
    return true;
  }
  bool Truncate(uint64_t size) override {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFilePointerEx(File.Get(), to, nullptr, FILE_BEGIN) && ::SetEndOfFile(File.Get());
  }
  bool Flush() override { return ::FlushFileBuffers(File.Get()) != FALSE; }

 private:
  TOwnedFile File;
};

}  // namespace

ClpFilePort::Presence TClpFilePortWin::Probe(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Presence::Present;
  DWORD error = ::GetLastError();
  // Anything else (a share that went away, access refused) says nothing about the file.
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::Missing : Presence::Unknown;
}

std::unique_ptr<ClpOpenFile> TClpFilePortWin::Open(const std::wstring& path, Mode mode) {
  DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = mode == Mode::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE file = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<TOpenFileWin>(file);
}

bool TClpFilePortWin::Replace(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool TClpFilePortWin::Remove(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

}  // namespace pelorin
