#include "desktop/win/DesktopShellWin.h"

#include <commctrl.h>

#include <array>
#include <cstring>
#include <cwchar>
#include <string>

#include "input/win/ForegroundHook.h"

namespace pelorin {

namespace {

constexpr SIZE_T BlockSize = 4095;
constexpr size_t TextOffset = 64;
constexpr int TextCapacity = 255;
// A shell that does not answer in this time is treated as gone for that request.
constexpr UINT ShellTimeoutMs = 2000;

bool ClassIs(HWND window, const wchar_t* className) {
  wchar_t name[300];
  return ::GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 && std::wcscmp(name, className) == 0;
}

// The desktop's icons are the list view in the shell's view window ("SHELLDLL_DefView"), which
// sits in "Progman" or, with a changing wallpaper, in a top-level "WorkerW". Any other list
// view (a program's own, Pelorin's among them) is not the desktop.
BOOL CALLBACK FindDesktopList(HWND child, LPARAM found) {
  if (ClassIs(child, L"SysListView32") && ClassIs(::GetParent(child), L"SHELLDLL_DefView")) {
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindInWorkerW(HWND top, LPARAM found) {
  if (ClassIs(top, L"WorkerW")) ::EnumChildWindows(top, FindDesktopList, found);
  return *reinterpret_cast<HWND*>(found) == nullptr;
}

}  // namespace

DesktopShellPort::TState TDesktopShellWin::Open() {
  Close();
  HWND desktop = ::GetDesktopWindow();
  if (desktop == nullptr) return Failed;
  Progman = ::FindWindowExW(desktop, nullptr, L"Progman", L"Program Manager");
  TrayWnd = ::FindWindowExW(desktop, nullptr, L"Shell_TrayWnd", nullptr);
  if (Progman == nullptr) return Failed;
  ::EnumChildWindows(Progman, FindDesktopList, reinterpret_cast<LPARAM>(&List));
  if (List == nullptr) ::EnumWindows(FindInWorkerW, reinterpret_cast<LPARAM>(&List));
  if (List == nullptr) return Failed;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(List, &pid);
  if (pid == 0) return Failed;
  Process.Reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!Process) return Refused;
  Block = ::VirtualAllocEx(Process.Get(), nullptr, BlockSize, MEM_COMMIT, PAGE_READWRITE);
  if (Block == nullptr) {
    Process.Reset();
    return Failed;
  }
  // The item record of the 64-bit list view: the text pointer and its capacity, the rest zero.
  std::array<unsigned char, TextOffset> record{};
  const uint64_t text = reinterpret_cast<uintptr_t>(Block) + TextOffset;
  const int32_t capacity = TextCapacity;
  std::memcpy(record.data() + 24, &text, sizeof(text));
  std::memcpy(record.data() + 32, &capacity, sizeof(capacity));
  SIZE_T written = 0;
  if (!::WriteProcessMemory(Process.Get(), Block, record.data(), record.size(), &written) || written != record.size()) {
    Close();
    return Failed;
  }
  return Usable;
}

void TDesktopShellWin::Close() {
  if (Block != nullptr && Process) ::VirtualFreeEx(Process.Get(), Block, 0, MEM_RELEASE);
  Block = nullptr;
  Process.Reset();
  List = nullptr;
}

bool TDesktopShellWin::ListAlive() { return List != nullptr && ::IsWindow(List) && Block != nullptr; }

bool TDesktopShellWin::IsShellWindow(TWindowHandle window) {
  HWND w = reinterpret_cast<HWND>(window);
  if (w == nullptr) return false;
  if (w == Progman || w == TrayWnd) return true;
  return IsDesktopWindow(w);
}

bool TDesktopShellWin::Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (List == nullptr || !::SendMessageTimeoutW(List, message, wParam, lParam, SMTO_ABORTIFHUNG, ShellTimeoutMs, &answer))
    return false;
  result = static_cast<LRESULT>(answer);
  return true;
}

int TDesktopShellWin::ItemCount() {
  LRESULT count = 0;
  if (Block == nullptr || !Send(LVM_GETITEMCOUNT, 0, 0, count)) return 0;
  return static_cast<int>(count);
}

std::optional<TDesktopIcon> TDesktopShellWin::ReadItem(int index) {
  if (Block == nullptr) return std::nullopt;
  LRESULT length = 0;
  if (!Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Block), length)) return std::nullopt;
  if (length < 0 || length > TextCapacity) return std::nullopt;
  char text[TextCapacity + 1] = {};
  SIZE_T read = 0;
  if (!::ReadProcessMemory(Process.Get(), static_cast<char*>(Block) + TextOffset, text,
                           static_cast<SIZE_T>(length) + 1, &read))
    return std::nullopt;
  TDesktopIcon icon;
  const int n = static_cast<int>(length);
  if (n > 0) {
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0);
    icon.Caption.resize(static_cast<size_t>(wide));
    ::MultiByteToWideChar(CP_ACP, 0, text, n, icon.Caption.data(), wide);
  }
  LRESULT ignored = 0;
  POINT position{};
  if (!Send(LVM_GETITEMPOSITION, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Block), ignored) ||
      !::ReadProcessMemory(Process.Get(), Block, &position, sizeof(position), &read) || read != sizeof(position))
    return std::nullopt;
  icon.X = position.x;
  icon.Y = position.y;
  return icon;
}

void TDesktopShellWin::MoveItem(int index, int32_t x, int32_t y) {
  if (Block == nullptr) return;
  // The 32-bit request: a position left of or above the primary monitor is negative, which
  // the packed 16-bit one cannot carry.
  const POINT position{x, y};
  SIZE_T written = 0;
  if (!::WriteProcessMemory(Process.Get(), Block, &position, sizeof(position), &written) || written != sizeof(position))
    return;
  LRESULT ignored = 0;
  Send(LVM_SETITEMPOSITION32, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Block), ignored);
  Send(LVM_UPDATE, static_cast<WPARAM>(index), 0, ignored);
}

}  // namespace pelorin
