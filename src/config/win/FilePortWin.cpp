#include "config/win/FilePortWin.h"

#include <windows.h>

#include "common/win/Owned.h"

namespace pelorin {
namespace {

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

TFileBytes TWinFilePort::ReadWholeFile(const std::wstring& path) {
  using TState = TFileBytes::TState;
  TOwnedFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    // Only these two mean that nothing is there; a sharing violation, a refused access (a
    // folder of that name among them) or a failing disk mean a file that may hold settings.
    DWORD error = ::GetLastError();
    return {error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TState::Missing : TState::Unreadable, {}};
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > MaxReadBytes)
    return {TState::Unreadable, {}};
  TFileBytes result{TState::Read, std::string(static_cast<size_t>(size.QuadPart), '\0')};
  std::string& bytes = result.Bytes;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      return {TState::Unreadable, {}};
    if (read == 0) break;  // the file shrank meanwhile
    done += read;
  }
  bytes.resize(done);
  return result;
}

bool TWinFilePort::WriteReplace(const std::wstring& path, std::string_view bytes) {
  std::wstring temp = path + L".tmp";
  TOwnedFile file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Nothing of ours exists yet; whatever stands at that name is not touched.
  if (!file) return false;
  bool written = WriteAll(file.Get(), bytes) && ::FlushFileBuffers(file.Get());
  written = file.Reset() && written;  // the last write may fail only here
  if (written && ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  ::DeleteFileW(temp.c_str());
  return false;
}

}  // namespace pelorin
