// The note window driven by its thread through the real dispatcher: placed in the upper right
// corner, translucent, never activated, gone again after its steps; and the focus rules on
// real windows. With PELORIN_TEST_SHOTS naming a folder, the screen is saved there while a
// note is up.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "app/win/GuiDispatcher.h"
#include "commands/win/NoteFormUnit.h"
#include "common/win/Owned.h"

namespace pelorin::test {
namespace {

constexpr DWORD Deadline = 10000;

// The whole screen as a 24-bit bottom-up BMP.
bool SaveScreen(const std::wstring& path) {
  TWindowDc screen;
  // Layered windows, the note among them, are only copied with CAPTUREBLT.
  return SaveDcArea(screen.Get(), 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                    SRCCOPY | CAPTUREBLT, path);
}

// Saves the screen as `name` in the PELORIN_TEST_SHOTS folder, when one is named.
void Shot(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  DWORD len = ::GetEnvironmentVariableW(L"PELORIN_TEST_SHOTS", folder, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) return;
  PumpUntil([] { return false; }, 200);  // let the window system put the note on screen
  std::wstring path = std::wstring(folder) + L"\\" + name;
  EXPECT_TRUE(SaveScreen(path)) << "could not write " << std::string(path.begin(), path.end());
}


class NoteForm : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(Dispatcher.Create(instance));
    ASSERT_TRUE(Form.Create(instance));
    ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    Shared.ScreenWidth = ScreenWidth;

    // Another application's window in front, under the note's corner.
    Other = CreatePlainWindow(L"Another application", ScreenWidth - 520, 0, 520, 260);
    Main = CreatePlainWindow(L"Pelorin main window", 60, 300, 400, 260);
    ASSERT_NE(Other, nullptr);
    ASSERT_NE(Main, nullptr);
    Edit = ::CreateWindowExW(0, L"EDIT", L"typing here", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, Main,
                             nullptr, instance, nullptr);
    Focus.SetWindow(TPelorinWindow::Main, Main);
    ASSERT_TRUE(BringToFront(Other));
    Notes = std::make_unique<TShowingThread>(Dispatcher, Form, Focus, Shared);
  }

  void TearDown() override {
    // Closed first: the thread must never wait for a GUI thread that is waiting for it.
    Dispatcher.Close();
    Notes.reset();
    Form.Destroy();
    ::DestroyWindow(Main);
    ::DestroyWindow(Other);
  }

  // From another thread, as the command thread calls it.
  void SendNote(const std::wstring& text, int32_t level) {
    std::thread sender([&] { Notes->ShowNote(text, false, level); });
    sender.join();
  }

  RECT NoteRect() const {
    RECT r{};
    ::GetWindowRect(Form.Handle(), &r);
    return r;
  }
  bool NoteVisible() const { return ::IsWindowVisible(Form.Handle()); }

  TGuiDispatcher Dispatcher;
  TNoteForm Form;
  TNoteFocus Focus;
  TSharedState Shared;
  std::unique_ptr<TShowingThread> Notes;
  int ScreenWidth = 0;
  HWND Other = nullptr;
  HWND Main = nullptr;
  HWND Edit = nullptr;
};

TEST_F(NoteForm, TextNoteAtTheRightEdgeIsTranslucentNeverActivatedAndGoesAway) {
  HWND front = ::GetForegroundWindow();
  SendNote(L"Left mouse button double click", TextNoteLevel);
  ASSERT_TRUE(PumpUntil([&] { return NoteVisible(); }, Deadline));

  RECT r = NoteRect();
  EXPECT_EQ(r.left, ScreenWidth - 201);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, 201);
  EXPECT_EQ(r.bottom - r.top, 21);
  LONG_PTR ex = ::GetWindowLongPtrW(Form.Handle(), GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "no taskbar button";
  EXPECT_EQ(::GetWindow(Form.Handle(), GW_OWNER), nullptr);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(Form.Handle(), nullptr, &alpha, &flags));
  EXPECT_TRUE(flags & LWA_ALPHA);
  EXPECT_EQ(alpha, 150);
  EXPECT_FALSE(::IsWindowEnabled(Form.Handle())) << "clicks do nothing";
  EXPECT_EQ(::GetForegroundWindow(), front);
  Shot(L"note-text.bmp");

  EXPECT_TRUE(PumpUntil([&] { return !NoteVisible(); }, Deadline)) << "the note stayed up";
  EXPECT_EQ(::GetForegroundWindow(), front);
}

TEST_F(NoteForm, LevelNoteIsWiderAndATextNoteReplacingItKeepsItsLeftEdge) {
  SendNote(L"", 70);
  ASSERT_TRUE(PumpUntil([&] { return NoteVisible(); }, Deadline));
  RECT r = NoteRect();
  EXPECT_EQ(r.left, ScreenWidth - 223);
  EXPECT_EQ(r.right - r.left, 223);
  Shot(L"note-level.bmp");

  SendNote(L"Retyped", TextNoteLevel);
  ASSERT_TRUE(PumpUntil([&] { return NoteRect().right - NoteRect().left == 201; }, Deadline));
  EXPECT_TRUE(NoteVisible());
  EXPECT_EQ(NoteRect().left, ScreenWidth - 223) << "22 px short of the edge";
  EXPECT_TRUE(PumpUntil([&] { return !NoteVisible(); }, Deadline));
}

TEST_F(NoteForm, MainWindowTakesNoInputWhileANoteIsUpOverAnotherApplication) {
  SendNote(L"Keyboard layout", TextNoteLevel);
  ASSERT_TRUE(PumpUntil([&] { return NoteVisible(); }, Deadline));
  EXPECT_FALSE(::IsWindowEnabled(Main));
  EXPECT_EQ(::GetForegroundWindow(), Other);
  ASSERT_TRUE(PumpUntil([&] { return !NoteVisible(); }, Deadline));
  EXPECT_TRUE(::IsWindowEnabled(Main));
}

TEST_F(NoteForm, MainWindowInFrontKeepsItsFocusedControl) {
  ASSERT_TRUE(BringToFront(Main));
  ::SetFocus(Edit);
  ASSERT_EQ(::GetFocus(), Edit);
  SendNote(L"Retyped", TextNoteLevel);
  ASSERT_TRUE(PumpUntil([&] { return NoteVisible(); }, Deadline));
  EXPECT_TRUE(::IsWindowEnabled(Main));
  EXPECT_EQ(::GetForegroundWindow(), Main);
  EXPECT_EQ(::GetFocus(), Edit);
  ASSERT_TRUE(PumpUntil([&] { return !NoteVisible(); }, Deadline));
  EXPECT_EQ(::GetFocus(), Edit);
}

}  // namespace
}  // namespace pelorin::test
