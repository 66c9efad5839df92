#include "config/win/FilePortWin.h"

#include <windows.h>

namespace pelorin {
namespace {

class TFileHandle {
 public:
  explicit TFileHandle(HANDLE handle) : Handle(handle) {}
  ~TFileHandle() { Close(); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  bool Valid() const { return Handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return Handle; }
  bool Close() {
    bool ok = true;
    if (Valid()) ok = ::CloseHandle(Handle) != FALSE;
    Handle = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE Handle;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

std::string TWinFilePort::ReadWholeFile(const std::wstring& path) {
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.Valid() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > MaxReadBytes)
    return {};
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      return {};
    if (read == 0) break;  // the file shrank meanwhile
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

bool TWinFilePort::WriteReplace(const std::wstring& path, std::string_view bytes) {
  std::wstring temp = path + L".tmp";
  TFileHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Nothing of ours exists yet; whatever stands at that name is not touched.
  if (!file.Valid()) return false;
  bool written = WriteAll(file.Get(), bytes) && ::FlushFileBuffers(file.Get());
  written = file.Close() && written;
  if (written && ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  ::DeleteFileW(temp.c_str());
  return false;
}

}  // namespace pelorin
