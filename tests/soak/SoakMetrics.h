// Figures of the running Pelorin, read from outside as a task manager would: its memory, its
// handles, its GDI objects and windows, and the clipboard history it keeps in Pelorin.clp.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin::soak {

struct TProcessFigures {
  bool Alive = false;
  double WorkingSetMb = 0;
  double PeakWorkingSetMb = 0;
  // VmRSS of the Wine process behind it, when found, and its anonymous part (heap and other
  // private memory, without the pages of the mapped program and libraries).
  std::optional<double> UnixRssMb;
  std::optional<double> UnixAnonMb;
  long Handles = -1;
  long Gdi = -1;
  long User = -1;
  const char* HandleMethod = "";
  const char* GdiMethod = "";
  const char* UserMethod = "";
};

// Reads the figures of one process.
class TProcessWatch {
 public:
  explicit TProcessWatch(DWORD pid);
  TProcessWatch(const TProcessWatch&) = delete;
  TProcessWatch& operator=(const TProcessWatch&) = delete;
  ~TProcessWatch();
  DWORD Pid() const { return ProcessId; }
  TProcessFigures Measure();
  std::optional<DWORD> ExitCode() const;

 private:
  long HandlesFromProcessList() const;
  long GdiObjects(const char*& method);
  long UserObjects(const char*& method);
  void UnixRss(TProcessFigures& f);

  DWORD ProcessId;
  HANDLE Process = nullptr;
  std::wstring ProcStatus;  // Z:\proc\<unix pid>\status of this process, once found
  bool ProcSearched = false;
};

// Pelorin.clp as far as the history's limits go: items, bytes, the newest item's text.
struct TClpFigures {
  bool Readable = false;
  int Items = 0;
  int Checked = 0;
  uint64_t FileBytes = 0;
  uint64_t DataBytesButNewest = 0;  // the formats' bytes of every item but the newest
  uint64_t LargestItemBytes = 0;
  std::wstring NewestText;          // its CF_UNICODETEXT, the first 200 characters
};
TClpFigures ReadClpFigures(const std::wstring& path);

}  // namespace pelorin::soak
