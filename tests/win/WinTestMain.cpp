#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "HangWatch.h"
#include "common/win/GdiObjects.h"

namespace pelorin::test {

std::wstring PelorinExePath;

std::wstring FolderOfThisExe() {
  wchar_t path[MAX_PATH * 4];
  DWORD len = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring p(path, len);
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return done();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TTempFolder::TTempFolder(const std::wstring& prefix) {
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  Path = std::wstring(base) + prefix + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(Path), ignored);
  ::CreateDirectoryW(Path.c_str(), nullptr);
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(Path), ignored);
}

bool BringToFront(HWND window, DWORD timeoutMs) {
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
  return PumpUntil([&] { return ::GetForegroundWindow() == window; }, timeoutMs);
}

HWND CreatePlainWindow(const wchar_t* title, int x, int y, int width, int height) {
  static const wchar_t* const ClassName = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"PelorinTestPlainWindow";
    ::RegisterClassW(&wc);
    return wc.lpszClassName;
  }();
  return ::CreateWindowExW(0, ClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height, nullptr,
                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

void SendMouse(DWORD flags, POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (screen.x >= 0) {
    in.mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = ::MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = ::MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  ::SendInput(1, &in, sizeof(INPUT));
}

void ClickOrDrag(POINT from, bool drag, POINT to, const std::function<void()>& whileHeld) {
  std::atomic<bool> done{false};
  std::thread hand([&] {
    // Every event carries its point: Wine replays a move as new point, old point, new point,
    // and an event without one may take a stale position.
    SendMouse(0, from);
    ::Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from);
    ::Sleep(100);
    // In steps, as a hand moves: the list view starts a drag past a few pixels.
    for (int i = 1; drag && i <= 8; ++i) {
      SendMouse(0, {from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8});
      ::Sleep(30);
    }
    ::Sleep(100);
    if (whileHeld) whileHeld();
    SendMouse(MOUSEEVENTF_LEFTUP, drag ? to : from);
    ::Sleep(100);
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 5000);
  hand.join();
}

namespace {
std::atomic<int> FatalCalls{0};
void CountFatalCall() noexcept { ++FatalCalls; }
}  // namespace

TFatalCounter::TFatalCounter() : Previous(SetFatalHandler(CountFatalCall)) { FatalCalls = 0; }
TFatalCounter::~TFatalCounter() { SetFatalHandler(Previous); }
int TFatalCounter::Calls() const { return FatalCalls.load(); }

bool SaveWindow(HWND window, const std::wstring& path) {
  RECT r{};
  ::GetWindowRect(window, &r);
  HDC source = ::GetWindowDC(window);
  bool ok = SaveDcArea(source, 0, 0, r.right - r.left, r.bottom - r.top, SRCCOPY, path);
  ::ReleaseDC(window, source);
  return ok;
}

std::wstring ShotsFolder() {
  wchar_t folder[MAX_PATH];
  DWORD len = ::GetEnvironmentVariableW(L"PELORIN_TEST_SHOTS", folder, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) return L"";
  ::CreateDirectoryW(folder, nullptr);
  return folder;
}

bool SaveDcArea(HDC source, int x, int y, int width, int height, DWORD rop, const std::wstring& path) {
  TOwnedDc memory(::CreateCompatibleDC(source));
  TOwnedBitmap bitmap(::CreateCompatibleBitmap(source, width, height));
  {
    TSelected selected(memory.Get(), bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, width, height, source, x, y, rop);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<BYTE> pixels(stride * height);
  if (::GetDIBits(memory.Get(), bitmap.Get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  TOwnedFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return ::WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) &&
         ::WriteFile(out.Get(), &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
         ::WriteFile(out.Get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
}

}  // namespace pelorin::test

// Pelorin.exe is looked for beside this program unless --pelorin=<path> names it.
int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new pelorin::test::THangWatch);
  pelorin::test::PelorinExePath = pelorin::test::FolderOfThisExe() + L"Pelorin.exe";
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.rfind(L"--pelorin=", 0) == 0) pelorin::test::PelorinExePath = arg.substr(10);
  }
  return RUN_ALL_TESTS();
}
