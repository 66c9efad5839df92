// The layout port against the system: the layout of a thread, loading US English by name, and
// the request a window gets to switch. Wine installs no second layout, so only US shows here.
#include <gtest/gtest.h>

#include <vector>

#include "WinTestSupport.h"
#include "layout/win/KeyboardLayoutWin.h"

namespace pelorin::test {
namespace {

struct TRequest {
  WPARAM WParam;
  LPARAM LParam;
};
std::vector<TRequest> Requests;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INPUTLANGCHANGEREQUEST) {
    Requests.push_back({wParam, lParam});
    return 0;  // not passed on: this window keeps its layout
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(KeyboardLayoutWin, UsEnglishIsFoundLoadedByNameAndRequestedFromTheWindow) {
  TKeyboardLayoutWin port;
  const uint64_t current = port.ThreadLayout(::GetCurrentThreadId());
  EXPECT_EQ((current >> 16) & 0xFFFF, 0x0409u) << std::hex << current;
  const uint64_t loaded = port.LoadLayout(L"00000409");
  ASSERT_NE(loaded, 0u);
  EXPECT_EQ((loaded >> 16) & 0xFFFF, 0x0409u) << std::hex << loaded;

  WNDCLASSW wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PelorinLayoutRequestTest";
  ::RegisterClassW(&wc);
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  Requests.clear();
  port.RequestLayout(reinterpret_cast<TWindowHandle>(window), loaded);
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_EQ(Requests[0].WParam, 1u);
  EXPECT_EQ(static_cast<uint64_t>(static_cast<uintptr_t>(Requests[0].LParam)), loaded);
  // No window or no layout: nothing is asked.
  port.RequestLayout(0, loaded);
  port.RequestLayout(reinterpret_cast<TWindowHandle>(window), 0);
  EXPECT_EQ(Requests.size(), 1u);
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace pelorin::test
