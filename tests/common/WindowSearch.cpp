#include "WindowSearch.h"

#include <cwchar>
#include <iterator>

namespace pelorin::test {

HWND FindTopWindow(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD Pid;
    const wchar_t* Class;
    HWND Found;
  } search{pid, className, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t name[128] = {};
        ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
        if (owner == s->Pid && _wcsicmp(name, s->Class) == 0) {
          s->Found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND FindControl(HWND parent, int id) {
  struct Search {
    int Id;
    HWND Found;
  } search{id, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (::GetDlgCtrlID(child) == s->Id) {
          s->Found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

}  // namespace pelorin::test
