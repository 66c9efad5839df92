// Reading another thread's window as the tracked-window picker will: text, class, rectangle
// and visibility of a window that answers, and a bounded wait for one that does not.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "WinTestSupport.h"
#include "common/win/ForeignWindow.h"
#include "common/win/Owned.h"

namespace pelorin::test {
namespace {

constexpr wchar_t ForeignClass[] = L"PelorinTestForeignWindow";
// A thread told to block gives up by itself after this long, so a read that waits for it
// shows up as a slow test, not a hung one.
constexpr DWORD BlockLimitMs = 10000;

// A top-level window in a thread of its own, which either runs its message loop or sits
// blocked without reading its queue, like a hung program.
class TWindowThread {
 public:
  TWindowThread(const std::wstring& title, const RECT& place, bool visible, bool blocked)
      : Ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), Go(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Thread = std::thread([=, this] {
      static const ATOM registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = ForeignClass;
        return ::RegisterClassW(&wc);
      }();
      (void)registered;
      ThreadId = ::GetCurrentThreadId();
      Window = ::CreateWindowExW(0, ForeignClass, title.c_str(), WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                                 place.left, place.top, place.right - place.left, place.bottom - place.top, nullptr,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
      ::SetEvent(Ready.Get());
      if (blocked) {
        ::WaitForSingleObject(Go.Get(), BlockLimitMs);
      } else {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
      }
      ::DestroyWindow(Window);
    });
    ::WaitForSingleObject(Ready.Get(), INFINITE);
  }
  ~TWindowThread() {
    // The thread has a queue since it made its window; a blocked one never reads it.
    ::SetEvent(Go.Get());
    ::PostThreadMessageW(ThreadId, WM_QUIT, 0, 0);
    Thread.join();
  }
  HWND Window = nullptr;

 private:
  TOwnedHandle Ready, Go;
  std::thread Thread;
  DWORD ThreadId = 0;
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ForeignWindow, ReadsTheTextClassRectangleAndVisibilityOfAWindowThatAnswers) {
  struct Case {
    const char* Name;
    std::wstring Title;
    bool Visible;
    std::wstring Expected;
  };
  const std::wstring longTitle(ForeignTextMaxLength + 500, L'x');
  const Case cases[] = {
      {"text beyond ASCII", L"Notizen \u2013 Gr\u00f6\u00dfe \u00bd", true, L"Notizen \u2013 Gr\u00f6\u00dfe \u00bd"},
      {"no text, still an answer", L"", true, L""},
      {"hidden", L"Hidden one", false, L"Hidden one"},
      {"cut at the limit", longTitle, true, longTitle.substr(0, ForeignTextMaxLength)},
  };
  const RECT place{40, 50, 340, 250};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TWindowThread other(c.Title, place, c.Visible, false);
    ASSERT_NE(other.Window, nullptr);
    TForeignWindow read = ReadForeignWindow(other.Window, 2000);
    EXPECT_TRUE(read.Exists);
    EXPECT_TRUE(read.Answered);
    EXPECT_EQ(read.Text, c.Expected);
    EXPECT_EQ(read.ClassName, ForeignClass);
    EXPECT_TRUE(SameRect(read.Rect, place));
    EXPECT_EQ(read.Visible, c.Visible);
  }
}

TEST(ForeignWindow, AWindowWhoseThreadDoesNotAnswerComesBackWithinTheTimeFlagged) {
  const RECT place{60, 70, 260, 170};
  TWindowThread hung(L"Not answering", place, true, true);
  ASSERT_NE(hung.Window, nullptr);
  const UINT timeout = 300;
  DWORD start = ::GetTickCount();
  TForeignWindow read = ReadForeignWindow(hung.Window, timeout);
  DWORD took = ::GetTickCount() - start;
  EXPECT_LT(took, BlockLimitMs / 2) << "it waited for the blocked thread";
  EXPECT_TRUE(read.Exists);
  EXPECT_FALSE(read.Answered);
  EXPECT_EQ(read.Text, L"");
  // What needs no answer from the thread is there all the same.
  EXPECT_EQ(read.ClassName, ForeignClass);
  EXPECT_TRUE(SameRect(read.Rect, place));
  EXPECT_TRUE(read.Visible);
}

TEST(ForeignWindow, NoWindowReadsAsNothing) {
  HWND gone = nullptr;
  {
    TWindowThread other(L"Soon gone", {0, 0, 100, 100}, true, false);
    gone = other.Window;
  }
  for (HWND window : {static_cast<HWND>(nullptr), gone}) {
    TForeignWindow read = ReadForeignWindow(window, 500);
    EXPECT_FALSE(read.Exists);
    EXPECT_FALSE(read.Answered);
    EXPECT_TRUE(read.Text.empty());
    EXPECT_TRUE(read.ClassName.empty());
  }
}

}  // namespace
}  // namespace pelorin::test
