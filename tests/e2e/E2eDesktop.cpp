#include "E2eDesktop.h"

#include "WindowSearch.h"

namespace pelorin::e2e {

bool TStandInDesktop::Start() {
  if (Running()) return true;
  Process = std::make_unique<TPelorin>();
  if (!Process->Start(HarnessFolder + L"FakeDesktop.exe", L"")) {
    Process.reset();
    return false;
  }
  // Ready once it carries its title.
  const bool ready = WaitFor(
      [&] {
        Progman = FindTopWindow(Process->Pid(), L"Progman");
        return Progman != nullptr && WindowText(Progman) == L"Program Manager";
      },
      StartDeadlineMs);
  HWND view = Progman != nullptr ? ::FindWindowExW(Progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
  List = view != nullptr ? ::FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
  return ready && List != nullptr;
}

bool TStandInDesktop::Stop() {
  if (!Running()) return true;
  if (Progman != nullptr) ::PostMessageW(Progman, WM_CLOSE, 0, 0);
  const bool ended = Process->WaitForExit(ExitDeadlineMs) == std::optional<DWORD>(0);
  Process.reset();
  Progman = List = nullptr;
  return ended;
}

TStandInDesktop& StandIn() {
  static TStandInDesktop desktop;
  return desktop;
}

}  // namespace pelorin::e2e
