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

// Another application's window under the note's corner, in a process of its own (Wine's
// notepad): every window of this process counts as one of Pelorin's.
class TOtherApplication {
 public:
  bool Start(int x, int y, int width, int height) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    wchar_t line[] = L"notepad.exe";
    if (!::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &Process)) return false;
    ::WaitForInputIdle(Process.hProcess, Deadline);
    if (!PumpUntil([&] { return (Window = FindWindowOf(Process.dwProcessId)) != nullptr; }, Deadline)) return false;
    return ::SetWindowPos(Window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
  }
  ~TOtherApplication() {
    if (Process.hProcess == nullptr) return;
    ::TerminateProcess(Process.hProcess, 0);
    ::WaitForSingleObject(Process.hProcess, Deadline);
    ::CloseHandle(Process.hThread);
    ::CloseHandle(Process.hProcess);
  }
  HWND Window = nullptr;

 private:
  static HWND FindWindowOf(DWORD pid) {
    struct Search { DWORD Pid; HWND Found; } search{pid, nullptr};
    ::EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(w, &owner);
          if (owner != s->Pid || !::IsWindowVisible(w) || ::GetWindow(w, GW_OWNER) != nullptr) return TRUE;
          s->Found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
  }
  PROCESS_INFORMATION Process{};
};

class NoteForm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    OtherApp = new TOtherApplication;
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    if (!OtherApp->Start(width - 520, 0, 520, 260)) OtherApp->Window = nullptr;
  }
  static void TearDownTestSuite() {
    delete OtherApp;
    OtherApp = nullptr;
  }

  void SetUp() override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(Dispatcher.Create(instance));
    ASSERT_TRUE(Form.Create(instance));
    ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    Shared.ScreenWidth = ScreenWidth;

    // Another application's window in front, under the note's corner.
    Other = OtherApp->Window;
    ASSERT_NE(Other, nullptr) << "notepad did not come up";
    Main = CreatePlainWindow(L"Pelorin main window", 60, 300, 400, 260);
    ASSERT_NE(Main, nullptr);
    Edit = ::CreateWindowExW(0, L"EDIT", L"typing here", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, Main,
                             nullptr, instance, nullptr);
    Focus.SetMainWindow(Main);
    ASSERT_TRUE(BringToFront(Other));
    Notes = std::make_unique<TShowingThread>(Dispatcher, Form, Focus, Shared);
  }

  void TearDown() override {
    // Closed first: the thread must never wait for a GUI thread that is waiting for it.
    Dispatcher.Close();
    Notes.reset();
    Form.Destroy();
    ::DestroyWindow(Main);
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
  static TOtherApplication* OtherApp;
  HWND Other = nullptr;
  HWND Main = nullptr;
  HWND Edit = nullptr;
};

TOtherApplication* NoteForm::OtherApp = nullptr;

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

// Any window of Pelorin in front, here one the note was never told about (as the Clipboard
// Manager, help or a message box): it keeps its input and its focused control, and the main
// window behind it stays enabled.
TEST_F(NoteForm, AnotherPelorinWindowInFrontKeepsItsInputAndTheMainWindowEnabled) {
  HWND manager = CreatePlainWindow(L"Clipboard Manager", 500, 300, 300, 200);
  ASSERT_NE(manager, nullptr);
  HWND search = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, manager,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(BringToFront(manager));
  ::SetFocus(search);
  ASSERT_EQ(::GetFocus(), search);

  SendNote(L"", 40);
  ASSERT_TRUE(PumpUntil([&] { return NoteVisible(); }, Deadline));
  EXPECT_TRUE(::IsWindowEnabled(Main)) << "the main window was disabled for the note";
  EXPECT_TRUE(::IsWindowEnabled(manager));
  EXPECT_EQ(::GetForegroundWindow(), manager);
  EXPECT_EQ(::GetFocus(), search);
  ASSERT_TRUE(PumpUntil([&] { return !NoteVisible(); }, Deadline));
  EXPECT_TRUE(::IsWindowEnabled(Main));
  EXPECT_EQ(::GetForegroundWindow(), manager);
  EXPECT_EQ(::GetFocus(), search);
  ::DestroyWindow(manager);
}

}  // namespace
}  // namespace pelorin::test
