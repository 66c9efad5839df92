// The GUI thread stopping a thread whose turn is sending to the GUI thread's windows, as the
// worker does when it writes the clipboard that one of Pelorin's windows owns.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "WinTestSupport.h"
#include "base/PeriodicThread.h"
#include "common/win/SentMessages.h"

namespace pelorin::test {
namespace {

std::atomic<DWORD> DestroyClipboardIn{0};

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROYCLIPBOARD) DestroyClipboardIn = ::GetCurrentThreadId();
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeOwner() {
  static const ATOM registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelorinTestClipboardOwner";
    return ::RegisterClassW(&wc);
  }();
  (void)registered;
  return ::CreateWindowExW(0, L"PelorinTestClipboardOwner", L"owner", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

TEST(SentMessages, AThreadEmptyingAClipboardThatThisThreadOwnsIsAnsweredWhileItIsStopped) {
  HWND owner = MakeOwner();
  ASSERT_NE(owner, nullptr);
  ASSERT_TRUE(::OpenClipboard(owner));
  ::EmptyClipboard();
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(wchar_t) * 3);
  if (auto* p = static_cast<wchar_t*>(::GlobalLock(block))) {
    p[0] = L'h';
    p[1] = L'i';
    p[2] = 0;
    ::GlobalUnlock(block);
  }
  ::SetClipboardData(CF_UNICODETEXT, block);
  ::CloseClipboard();
  DestroyClipboardIn = 0;

  std::atomic<bool> inTurn{false};
  TPeriodicThread thread(std::chrono::hours(1));
  thread.Start({[&] {
                  inTurn = true;
                  // The stop is asked for first, so the turn's send finds this thread waiting.
                  while (!thread.StopRequested()) ::Sleep(1);
                  if (::OpenClipboard(owner)) {
                    ::EmptyClipboard();  // sends WM_DESTROYCLIPBOARD to the owner's thread
                    ::CloseClipboard();
                  }
                },
                [] {}});
  thread.Wake();
  ASSERT_TRUE(PumpUntil([&] { return inTurn.load(); }, 5000));
  // Posted before the stop: it must still be there afterwards.
  ASSERT_TRUE(::PostMessageW(owner, WM_APP + 77, 0, 0));
  thread.Stop(AnswerSentMessagesUntil);
  // Answered here while the thread ended, not left for later as a send that gave up would be.
  EXPECT_EQ(DestroyClipboardIn.load(), ::GetCurrentThreadId());
  MSG msg;
  EXPECT_TRUE(::PeekMessageW(&msg, owner, WM_APP + 77, WM_APP + 77, PM_REMOVE)) << "a posted message was taken";
  ::DestroyWindow(owner);
}

}  // namespace
}  // namespace pelorin::test
