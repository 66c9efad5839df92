#include "SoakMetrics.h"

#include "GdiTable.h"

#include <psapi.h>
#include <winternl.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pelorin::soak {

namespace {

std::string ReadSmallFile(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string text(8192, '\0');
  DWORD got = 0;
  BOOL ok = ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
  ::CloseHandle(file);
  text.resize(ok ? got : 0);
  return text;
}

}  // namespace

TProcessWatch::TProcessWatch(DWORD pid)
    : ProcessId(pid), Process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid)) {}

TProcessWatch::~TProcessWatch() {
  if (Process != nullptr) ::CloseHandle(Process);
}

std::optional<DWORD> TProcessWatch::ExitCode() const {
  if (Process == nullptr || ::WaitForSingleObject(Process, 0) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(Process, &code);
  return code;
}

TProcessFigures TProcessWatch::Measure() {
  TProcessFigures f;
  if (Process == nullptr || ExitCode()) return f;
  f.Alive = true;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (::K32GetProcessMemoryInfo(Process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
    f.WorkingSetMb = static_cast<double>(memory.WorkingSetSize) / 1048576.0;
    f.PeakWorkingSetMb = static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0;
  }
  DWORD handles = 0;
  if (::GetProcessHandleCount(Process, &handles) && handles != 0) {
    f.Handles = static_cast<long>(handles);
    f.HandleMethod = "GetProcessHandleCount";
  } else {
    // Wine answers GetProcessHandleCount with 0 for another process; its process list has
    // the count its server keeps.
    f.Handles = HandlesFromProcessList();
    f.HandleMethod = "the system's process list";
  }
  f.Gdi = GdiObjects(f.GdiMethod);
  f.User = UserObjects(f.UserMethod);
  UnixRss(f);
  return f;
}

long TProcessWatch::HandlesFromProcessList() const {
  std::vector<BYTE> buffer(1 << 20);
  ULONG needed = 0;
  NTSTATUS status;
  while ((status = ::NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) != 0 &&
         buffer.size() < (64u << 20))
    buffer.resize(buffer.size() * 2);
  if (status != 0) return -1;
  for (size_t at = 0;;) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
    if (reinterpret_cast<ULONG_PTR>(p->UniqueProcessId) == ProcessId) return static_cast<long>(p->HandleCount);
    if (p->NextEntryOffset == 0) return -1;
    at += p->NextEntryOffset;
  }
}

long TProcessWatch::GdiObjects(const char*& method) {
  ::SetLastError(0);
  DWORD gdi = ::GetGuiResources(Process, GR_GDIOBJECTS);
  if (gdi != 0 || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    method = "GetGuiResources";
    return static_cast<long>(gdi);
  }
  // Wine: GetGuiResources is not implemented; its handle table is read instead.
  method = "live entries of its GDI handle table";
  const std::optional<test::TGdiCounts> counts = test::CountGdiObjects(Process);
  return counts ? counts->Total : -1;
}

long TProcessWatch::UserObjects(const char*& method) {
  ::SetLastError(0);
  DWORD user = ::GetGuiResources(Process, GR_USEROBJECTS);
  if (user != 0 || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    method = "GetGuiResources";
    return static_cast<long>(user);
  }
  // Wine keeps its USER handles in the server, out of reach: the process's windows are
  // counted instead (top-level, child and message-only), which is what its forms own.
  method = "windows (top-level, child, message-only)";
  struct TCount {
    DWORD Pid;
    long Windows;
  } count{ProcessId, 0};
  auto countTop = [](HWND window, LPARAM param) -> BOOL {
    auto* c = reinterpret_cast<TCount*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != c->Pid) return TRUE;
    ++c->Windows;
    ::EnumChildWindows(
        window,
        [](HWND, LPARAM p) -> BOOL {
          ++reinterpret_cast<TCount*>(p)->Windows;
          return TRUE;
        },
        param);
    return TRUE;
  };
  ::EnumWindows(countTop, reinterpret_cast<LPARAM>(&count));
  for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
       w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == ProcessId) countTop(w, reinterpret_cast<LPARAM>(&count));
  }
  return count.Windows;
}

void TProcessWatch::UnixRss(TProcessFigures& f) {
  // Under Wine the Linux process behind a Windows one shows its command line in /proc, which
  // the Z: drive reaches. Wine does not tell which Linux process it is: the one whose command
  // line names the executable with "autorun" is taken, once, and only when it is the only one.
  if (!ProcSearched) {
    ProcSearched = true;
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!::QueryFullProcessImageNameW(Process, 0, image, &size)) return;
    std::wstring name(image, size);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    std::string wanted(name.begin(), name.end());
    int matches = 0;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      std::wstring dir = found.cFileName;
      if (dir.empty() || dir.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
      std::string line = ReadSmallFile(L"Z:\\proc\\" + dir + L"\\cmdline");
      for (char& c : line)
        if (c == '\0') c = ' ';
      if (line.find(wanted) != std::string::npos && line.find("autorun") != std::string::npos) {
        ProcStatus = L"Z:\\proc\\" + dir + L"\\status";
        ++matches;
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    if (matches != 1) ProcStatus.clear();
  }
  if (ProcStatus.empty()) return;
  const std::string status = ReadSmallFile(ProcStatus);
  auto field = [&](const char* name) -> std::optional<double> {
    const size_t at = status.find(name);
    if (at == std::string::npos) return std::nullopt;
    return std::stod(status.substr(at + std::strlen(name))) / 1024.0;
  };
  f.UnixRssMb = field("VmRSS:");
  f.UnixAnonMb = field("RssAnon:");
}

TClpFigures ReadClpFigures(const std::wstring& path) {
  TClpFigures f;
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return f;
  in.seekg(0, std::ios::end);
  f.FileBytes = static_cast<uint64_t>(in.tellg());
  in.seekg(0);
  uint32_t signature = 0;
  int32_t high = -2;
  in.read(reinterpret_cast<char*>(&signature), 4).read(reinterpret_cast<char*>(&high), 4);
  if (!in || signature != 0x1A135561 || high < -1 || high >= 500) return f;
  uint64_t at = 8;
  for (int i = 0; i <= high; ++i) {
    double time = 0;
    uint8_t checked = 0;
    uint32_t count = 0;
    in.read(reinterpret_cast<char*>(&time), 8).read(reinterpret_cast<char*>(&checked), 1);
    in.read(reinterpret_cast<char*>(&count), 4);
    if (!in || count > 500) return f;
    at += 13;
    uint64_t itemBytes = 0;
    for (uint32_t k = 0; k < count; ++k) {
      uint32_t format = 0, length = 0;
      in.read(reinterpret_cast<char*>(&format), 4).read(reinterpret_cast<char*>(&length), 4);
      at += 8;
      if (!in || f.FileBytes - at < length) return f;
      if (i == high && format == CF_UNICODETEXT) {
        std::wstring text(std::min<uint32_t>(length, 400) / 2, L'\0');
        in.read(reinterpret_cast<char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
        in.seekg(static_cast<std::streamoff>(at + length));
        f.NewestText = text.substr(0, text.find(L'\0'));
      } else {
        in.seekg(static_cast<std::streamoff>(length), std::ios::cur);
      }
      at += length;
      itemBytes += length;
    }
    f.Checked += checked != 0 ? 1 : 0;
    if (i < high) f.DataBytesButNewest += itemBytes;
    if (itemBytes > f.LargestItemBytes) f.LargestItemBytes = itemBytes;
  }
  f.Items = high + 1;
  f.Readable = at == f.FileBytes;
  return f;
}

}  // namespace pelorin::soak
