// MarkerWriter.exe <file>: appends one line to the file, holding the folder it was started
// in, and ends. The command a custom-input row runs in the scenarios. No window: a console
// program would bring up a console under Wine.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR parameters, int) {
  // The whole parameter text is the path, blanks included.
  std::wstring file(parameters);
  while (!file.empty() && (file.back() == L' ' || file.back() == L'"')) file.pop_back();
  while (!file.empty() && (file.front() == L' ' || file.front() == L'"')) file.erase(0, 1);
  if (file.empty()) return 2;
  wchar_t folder[MAX_PATH * 2] = {};
  ::GetCurrentDirectoryW(static_cast<DWORD>(std::size(folder)), folder);
  std::string line;
  for (const wchar_t* c = folder; *c != 0; ++c) line += *c < 128 ? static_cast<char>(*c) : '?';
  line += "\r\n";
  HANDLE out = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = ::WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(out);
  return ok ? 0 : 1;
}
