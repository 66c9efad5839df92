#include "E2eDesktop.h"

#include <commctrl.h>

#include "WindowSearch.h"
#include "common/win/Owned.h"

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

namespace {

// A block in the stand-in's process for the list view to read from and write into.
struct TRemoteBlock {
  LVITEMW Item;
  POINT Position;
  wchar_t Text[128];
};

template <typename Work>
bool WithRemoteBlock(Work work) {
  TStandInDesktop& desktop = StandIn();
  if (!desktop.Running() || desktop.ListView() == nullptr) return false;
  TOwnedHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, desktop.Pid()));
  if (!process) return false;
  auto* remote = static_cast<TRemoteBlock*>(
      ::VirtualAllocEx(process.Get(), nullptr, sizeof(TRemoteBlock), MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) return false;
  const bool done = work(process.Get(), remote, desktop.ListView());
  ::VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
  return done;
}

bool Send(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(list, message, wParam, lParam, SMTO_ABORTIFHUNG, 3000, &ignored) != 0;
}

}  // namespace

std::optional<TRemoteItem> ReadRemoteItem(int index) {
  std::optional<TRemoteItem> result;
  WithRemoteBlock([&](HANDLE process, TRemoteBlock* remote, HWND list) {
    TRemoteBlock local{};
    local.Item.mask = LVIF_TEXT;
    local.Item.iItem = index;
    local.Item.pszText = remote->Text;
    local.Item.cchTextMax = static_cast<int>(std::size(local.Text));
    if (!::WriteProcessMemory(process, remote, &local, sizeof(local), nullptr) ||
        !Send(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&remote->Item)) ||
        !Send(list, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(&remote->Position)) ||
        !::ReadProcessMemory(process, remote, &local, sizeof(local), nullptr))
      return false;
    local.Text[std::size(local.Text) - 1] = 0;
    result = TRemoteItem{local.Text, local.Position};
    return true;
  });
  return result;
}

bool MoveRemoteItem(int index, POINT to) {
  return WithRemoteBlock([&](HANDLE process, TRemoteBlock* remote, HWND list) {
    return ::WriteProcessMemory(process, &remote->Position, &to, sizeof(to), nullptr) &&
           Send(list, LVM_SETITEMPOSITION32, index, reinterpret_cast<LPARAM>(&remote->Position));
  });
}

TStandInDesktop& StandIn() {
  static TStandInDesktop desktop;
  return desktop;
}

}  // namespace pelorin::e2e
