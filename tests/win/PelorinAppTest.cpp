// TPelorinApp in this process: start-up, a posted action carried out by the command thread
// through the GUI thread, the standby and session-end messages, and the ordered shutdown that
// lets a second start follow.
#include "app/win/PelorinApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "WinTestSupport.h"
#include "base/SharedState.h"
#include "clipboard/ClpFile.h"
#include "clipboard/win/ClipboardWin.h"

namespace pelorin::test {
namespace {

// Dispatches this thread's messages for up to `ms`; true as soon as the quit message that a
// closed main window posts comes by.
bool PumpSeesQuit(DWORD ms) {
  DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (::GetTickCount() - start < ms);
  return false;
}

class PelorinApp : public ::testing::Test {
 protected:
  void SetUp() override {
    Resources = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Resources, nullptr);
    WasEnabled = Shared().AppEnabled.load();
  }
  void TearDown() override {
    App.reset();
    if (Resources != nullptr) ::FreeLibrary(Resources);
    Shared().AppEnabled = WasEnabled;
    Shared().Suspending = false;
  }

  // A start at log-on: hidden, as a restart or the log-on entry starts it.
  TPelorinApp& StartHidden() {
    // No such executable: the name keeps the start from taking any real Pelorin.exe for a
    // hung instance of itself.
    App = std::make_unique<TPelorinApp>(::GetModuleHandleW(nullptr),
                                        TAppPaths{Folder + L"PelorinUnderTest.exe", Ini(), Resources},
                                        ParseStartMode({L"autorun"}));
    EXPECT_TRUE(App->Start());
    return *App;
  }
  std::wstring Ini() const { return Folder + L"Pelorin.ini"; }
  std::wstring Clp() const { return Folder + L"Pelorin.clp"; }
  HWND MainWindow() { return App && App->MainForm() ? App->MainForm()->Handle() : nullptr; }

  TTempFolder Temp{L"pelorin-app-"};
  const std::wstring Folder = Temp.Path;
  HMODULE Resources = nullptr;
  bool WasEnabled = true;
  std::unique_ptr<TPelorinApp> App;
};

TEST_F(PelorinApp, StartsHiddenRunsActionsAndShutsDownSoThatAnotherStartFollows) {
  TPelorinApp& app = StartHidden();
  HWND window = MainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(::IsWindowVisible(window));

  // The tray's "Disable" as the command thread gets it: through the GUI thread, with its note.
  bool enabled = Shared().AppEnabled.load();
  Shared().PostAction(ActionTogglePelorin);
  EXPECT_TRUE(PumpUntil([&] { return Shared().AppEnabled.load() != enabled; }, 3000));
  Shared().PostAction(ActionTogglePelorin);
  EXPECT_TRUE(PumpUntil([&] { return Shared().AppEnabled.load() == enabled; }, 3000));

  app.Shutdown();
  EXPECT_FALSE(::IsWindow(window));
  // Nothing changed: no settings file is written.
  EXPECT_FALSE(FileExists(Ini()));

  // The mutex and the hooks went with the first: a second start is a first start again.
  App.reset();
  StartHidden();
  EXPECT_NE(MainWindow(), nullptr);
}

TEST_F(PelorinApp, StandbySavesOnceAndResumeLetsTheNextStandbySaveAgain) {
  TPelorinApp& app = StartHidden();
  HWND window = MainWindow();
  ASSERT_NE(window, nullptr);

  app.MarkSettingsChanged();
  ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  ASSERT_TRUE(FileExists(Ini()));
  EXPECT_TRUE(Shared().Suspending.load());
  ::DeleteFileW(Ini().c_str());

  // A second suspend message before the resume saves nothing more.
  app.MarkSettingsChanged();
  ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_FALSE(FileExists(Ini()));

  ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
  EXPECT_FALSE(Shared().Suspending.load());
  ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  EXPECT_TRUE(FileExists(Ini()));
  EXPECT_NE(ReadFile(Ini()).find("[Settings]"), std::string::npos) << ReadFile(Ini());
}

TEST_F(PelorinApp, LogOffIsNeverRefusedAndOnlyShutdownClosesTheWindow) {
  TPelorinApp& app = StartHidden();
  HWND window = MainWindow();
  ASSERT_NE(window, nullptr);

  app.MarkSettingsChanged();
  EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(FileExists(Ini()));
  // Another program refused the log-off: the session goes on, and so do the probes.
  ::SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(Shared().Suspending.load());
  EXPECT_FALSE(PumpSeesQuit(300)) << "a log-off closed Pelorin";

  EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  // The close ends the message loop; here the quit message stands for it.
  EXPECT_TRUE(PumpSeesQuit(3000));
  app.Shutdown();
  EXPECT_FALSE(::IsWindow(window));
}


TClipboardData TextContent(const std::wstring& text, double time = 0) {
  TClipboardData data;
  data.Time = time;
  const auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
  data.Items.push_back({CF_UNICODETEXT, std::vector<uint8_t>(p, p + (text.size() + 1) * sizeof(wchar_t))});
  return data;
}

std::wstring UnicodeText(const TClipboardData& data) {
  for (const TClipboardDataItem& item : data.Items)
    if (item.Format == CF_UNICODETEXT && item.Data.size() >= 2)
      return std::wstring(reinterpret_cast<const wchar_t*>(item.Data.data()));
  return L"";
}

std::wstring ClipboardText() {
  TClipboardData now;
  ReadClipboardData(now);
  return UnicodeText(now);
}

std::vector<TClipboardData> HistoryOf(TClipboardHistory& history) {
  std::vector<TClipboardData> items;
  history.ReadAll([&](int, const TClipboardData& item) { items.push_back(item); });
  return items;
}

TEST_F(PelorinApp, TheStoredHistoryComesBackCopiesAreCapturedAndTheFileFollows) {
  std::ofstream(std::filesystem::path(Ini()), std::ios::binary) << "[Settings]\r\nSave the data of Clipboard Manager = 1\r\n\r\n";
  std::vector<TClipboardData> stored{TextContent(L"stored one", 45000.5), TextContent(L"stored two", 45001.5)};
  std::ofstream(std::filesystem::path(Clp()), std::ios::binary) << ClpFileBytes(stored);
  HWND source = CreatePlainWindow(L"copy source", 0, 0, 10, 10);
  ASSERT_TRUE(WriteClipboardData(source, nullptr));

  TPelorinApp& app = StartHidden();
  ASSERT_NE(app.ClipboardKeeper(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return app.ClipboardKeeper()->StartLoadDone(); }, 5000));
  TClipboardHistory& history = app.ClipboardHistory();
  EXPECT_EQ(history.ClpHigh(), 1);
  EXPECT_EQ(ClipboardText(), L"stored two") << "an empty clipboard gets the newest item back";

  const TClipboardData first = TextContent(L"copied first"), second = TextContent(L"copied second");
  // Past the quiet time that follows Pelorin's own write.
  PumpUntil([] { return false; }, 700);
  ASSERT_TRUE(WriteClipboardData(source, &first));
  ASSERT_TRUE(PumpUntil([&] { return history.ClpHigh() == 2; }, 5000));
  ASSERT_TRUE(WriteClipboardData(source, &second));
  ASSERT_TRUE(PumpUntil([&] { return history.ClpHigh() == 3; }, 5000));
  // The first text again: no new item, the old one comes to the top with its time.
  double firstTime = HistoryOf(history)[2].Time;
  ASSERT_TRUE(WriteClipboardData(source, &first));
  ASSERT_TRUE(PumpUntil([&] { return UnicodeText(HistoryOf(history).back()) == L"copied first"; }, 5000));
  std::vector<TClipboardData> items = HistoryOf(history);
  EXPECT_EQ(items.size(), 4u);
  EXPECT_EQ(items.back().Time, firstTime);

  app.Shutdown();
  ::DestroyWindow(source);
  TClpFilePortWin files;
  TClpLoadResult loaded = LoadClipboardFile(files, Clp());
  ASSERT_EQ(loaded.Status, ClpLoadStatus::Loaded);
  ASSERT_EQ(loaded.Items.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(loaded.Items[i].Items, items[i].Items) << i;
    EXPECT_EQ(loaded.Items[i].Time, items[i].Time) << i;
  }
}

// A program that renders its copy only when asked (delayed rendering), from its own thread,
// and holds the request until released: the time a large copy takes to arrive.
class TSlowSource {
 public:
  explicit TSlowSource(size_t bytes) : Bytes(bytes) {
    Thread = std::thread([this] { Run(); });
    PumpUntil([this] { return Ready.load(); }, 5000);
  }
  ~TSlowSource() {
    Release();
    ::PostThreadMessageW(ThreadId.load(), WM_QUIT, 0, 0);
    Thread.join();
  }
  bool Offered() const { return OfferedOk.load(); }
  bool Asked() const { return AskedFor.load(); }
  bool Rendered() const { return RenderedOk.load(); }
  void Release() { ::SetEvent(Released.Get()); }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TSlowSource*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_RENDERFORMAT && self != nullptr) {
      self->AskedFor = true;
      ::WaitForSingleObject(self->Released.Get(), 10000);
      HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, self->Bytes);
      if (auto* p = static_cast<wchar_t*>(::GlobalLock(block))) {
        std::fill(p, p + self->Bytes / 2 - 1, L'x');
        p[self->Bytes / 2 - 1] = 0;
        ::GlobalUnlock(block);
      }
      ::SetClipboardData(static_cast<UINT>(wParam), block);
      self->RenderedOk = true;
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  void Run() {
    ThreadId = ::GetCurrentThreadId();
    // Never shown: a window in front whose thread waits would stand in the way of input.
    HWND window = ::CreateWindowExW(0, L"STATIC", L"slow source", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    if (::OpenClipboard(window)) {
      ::EmptyClipboard();
      OfferedOk = ::SetClipboardData(CF_UNICODETEXT, nullptr) == nullptr;  // offered, not yet rendered
      ::CloseClipboard();
    }
    Ready = true;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::DestroyWindow(window);
  }

  size_t Bytes;
  TOwnedHandle Released{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> Ready{false}, OfferedOk{false}, AskedFor{false}, RenderedOk{false};
  std::atomic<DWORD> ThreadId{0};
  std::thread Thread;
};

TEST_F(PelorinApp, TheKeyboardHookAnswersWhileAHundredMegabyteCopyIsRead) {
  Shared().AppEnabled = true;
  TPelorinApp& app = StartHidden();
  ASSERT_TRUE(PumpUntil([&] { return app.ClipboardKeeper()->StartLoadDone(); }, 5000));
  PumpUntil([] { return false; }, 700);  // past the quiet time of Pelorin's own writes

  constexpr size_t HundredMb = size_t(100) << 20;
  TSlowSource source(HundredMb);
  ASSERT_TRUE(source.Offered());
  ASSERT_TRUE(PumpUntil([&] { return source.Asked(); }, 5000)) << "Pelorin never asked for the copy";

  // The read is under way and waits for the source. The keyboard probe, sent from another
  // thread, reaches the real hook in this (the GUI) thread, which keeps pumping meanwhile.
  Shared().KeyboardProbe = ProbeSent;
  std::thread sender([] {
    INPUT probe{};
    probe.type = INPUT_KEYBOARD;
    probe.ki.wVk = 255;
    probe.ki.wScan = 255;
    probe.ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(1, &probe, sizeof(probe));
  });
  bool probeAnswered = PumpUntil(
      [] {
        int32_t p = Shared().KeyboardProbe.load();
        return p == ProbeAnswered || p >= 0;
      },
      3000);
  sender.join();
  EXPECT_TRUE(probeAnswered) << "the probe went unanswered while the copy was read: " << Shared().KeyboardProbe.load();
  EXPECT_FALSE(source.Rendered()) << "the read was still waiting for the source";

  source.Release();
  ASSERT_TRUE(PumpUntil(
      [&] {
        uint64_t size = 0;
        if (app.ClipboardHistory().ClpHigh() >= 0)
          app.ClipboardHistory().ReadItem(app.ClipboardHistory().ClpHigh(),
                                          [&](const TClipboardData& item) { size = item.DataSize(); });
        return size >= HundredMb;
      },
      20000))
      << "the copy did not arrive in the history";
  app.Shutdown();
  // The next tests start with an empty clipboard, not with 100 MB to read.
  HWND cleaner = CreatePlainWindow(L"cleaner", 0, 0, 10, 10);
  EXPECT_TRUE(WriteClipboardData(cleaner, nullptr));
  ::DestroyWindow(cleaner);
}

// Another program's viewer that joined the chain before Pelorin: it counts the notifications it
// gets and passes them on, as a well-behaved viewer does.
class TOtherViewer {
 public:
  TOtherViewer() {
    Window = ::CreateWindowExW(0, L"STATIC", L"other viewer", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    Next = ::SetClipboardViewer(Window);
  }
  ~TOtherViewer() {
    ::ChangeClipboardChain(Window, Next);
    ::DestroyWindow(Window);
  }
  int Draws = 0;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TOtherViewer*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_DRAWCLIPBOARD) {
      ++self->Draws;
      if (self->Next != nullptr) ::SendMessageW(self->Next, message, wParam, lParam);
      return 0;
    }
    if (self != nullptr && message == WM_CHANGECBCHAIN) {
      if (reinterpret_cast<HWND>(wParam) == self->Next)
        self->Next = reinterpret_cast<HWND>(lParam);
      else if (self->Next != nullptr)
        ::SendMessageW(self->Next, message, wParam, lParam);
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  HWND Window = nullptr;
  HWND Next = nullptr;
};

TEST_F(PelorinApp, AViewerThatJoinedEarlierHearsEveryCopyWhilePelorinRunsAndAfterItLeft) {
  TOtherViewer other;
  HWND source = CreatePlainWindow(L"copy source", 0, 0, 10, 10);
  TPelorinApp& app = StartHidden();
  HWND main = app.MainForm()->Handle();
  EXPECT_EQ(::GetClipboardViewer(), main) << "Pelorin heads the chain";
  ASSERT_TRUE(PumpUntil([&] { return app.ClipboardKeeper()->StartLoadDone(); }, 5000));
  PumpUntil([] { return false; }, 700);

  int before = other.Draws;
  const TClipboardData copy = TextContent(L"heard down the chain");
  ASSERT_TRUE(WriteClipboardData(source, &copy));
  EXPECT_TRUE(PumpUntil([&] { return other.Draws > before; }, 3000)) << "Pelorin did not pass the copy on";
  EXPECT_TRUE(PumpUntil(
      [&] {
        std::vector<TClipboardData> items = HistoryOf(app.ClipboardHistory());
        return !items.empty() && UnicodeText(items.back()) == L"heard down the chain";
      },
      3000))
      << "Pelorin itself did not keep the copy";

  app.Shutdown();
  EXPECT_NE(::GetClipboardViewer(), main) << "Pelorin left the chain";
  before = other.Draws;
  const TClipboardData later = TextContent(L"after Pelorin left");
  ASSERT_TRUE(WriteClipboardData(source, &later));
  EXPECT_TRUE(PumpUntil([&] { return other.Draws > before; }, 3000)) << "the chain was broken by Pelorin's leaving";
  WriteClipboardData(source, nullptr);
  ::DestroyWindow(source);
}

}  // namespace
}  // namespace pelorin::test
