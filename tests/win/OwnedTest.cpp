// The owners of handles: each releases exactly once, moves hand the handle on, and "none"
// is never released; the global-memory lock and the open clipboard undo exactly what they did.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "common/win/GdiObjects.h"
#include "common/win/Owned.h"

namespace pelorin::test {
namespace {

// Handles are numbers here, and every release is written down.
std::vector<int> Released;
constexpr int FailingHandle = 99;

struct TCountingTraits {
  using Handle = int;
  static Handle Empty() noexcept { return 0; }
  static bool Valid(Handle h) noexcept { return h != 0; }
  static bool Close(Handle h) noexcept {
    Released.push_back(h);
    return h != FailingHandle;
  }
};
using TCounted = TOwned<TCountingTraits>;

TEST(Owned, ReleasesEachHandleExactlyOnceAcrossMovesResetsAndRelease) {
  Released.clear();
  {
    TCounted a(1);
    TCounted b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.Get(), 1);
    TCounted c(2);
    c = std::move(b);  // 2 goes, 1 moves on
    EXPECT_EQ(Released, std::vector<int>{2});
    EXPECT_EQ(c.Get(), 1);
    auto& same = c;
    c = std::move(same);  // onto itself: nothing happens
    EXPECT_EQ(c.Get(), 1);
    EXPECT_TRUE(c.Reset(3));
    EXPECT_EQ(Released, (std::vector<int>{2, 1}));
    EXPECT_EQ(c.Release(), 3) << "given up, not released";
    EXPECT_FALSE(c);
    TCounted d(4);
    *d.Out() = 5;  // an out-parameter releases what was held first
    EXPECT_EQ(d.Get(), 5);
    TCounted failing(FailingHandle);
    EXPECT_FALSE(failing.Reset()) << "a failed release is told";
    EXPECT_TRUE(failing.Reset()) << "and nothing is held after it";
  }
  EXPECT_EQ(Released, (std::vector<int>{2, 1, 4, FailingHandle, 5}));
}

TEST(Owned, TheValueForNoneIsNeverReleased) {
  EXPECT_FALSE(TOwnedHandle());
  EXPECT_FALSE(TOwnedHandle(nullptr));
  // CreateFileW's failure, and null, which no file is.
  EXPECT_FALSE(TOwnedFile());
  EXPECT_FALSE(TOwnedFile(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(TOwnedFile(nullptr));
  TOwnedFile none;
  EXPECT_EQ(none.Get(), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(none.Reset()) << "nothing to close is no failure";
}

// Whether the kernel object behind a name still exists: it does while any handle is open.
bool EventExists(const wchar_t* name) { return static_cast<bool>(TOwnedHandle(::OpenEventW(SYNCHRONIZE, FALSE, name))); }

TEST(Owned, KernelObjectsFilesAndModulesAreClosedWithTheirOwner) {
  const wchar_t* name = L"PelorinOwnedTestEvent";
  {
    TOwnedHandle event(::CreateEventW(nullptr, TRUE, FALSE, name));
    ASSERT_TRUE(event);
    TOwnedHandle moved = std::move(event);
    EXPECT_TRUE(EventExists(name));
  }
  EXPECT_FALSE(EventExists(name)) << "the last handle was closed";

  // A file opened without sharing keeps every other opener out until it is closed.
  wchar_t folder[MAX_PATH];
  ASSERT_GT(::GetTempPathW(MAX_PATH, folder), 0u);
  std::wstring path = std::wstring(folder) + L"PelorinOwnedTest.tmp";
  auto open = [&] {
    return TOwnedFile(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
  };
  {
    TOwnedFile file = open();
    ASSERT_TRUE(file);
    EXPECT_FALSE(open()) << "shared with nobody while ours is open";
    EXPECT_TRUE(file.Reset());
    EXPECT_TRUE(open()) << "closed by Reset";
  }
  ::DeleteFileW(path.c_str());

  // A library nothing else has loaded leaves the process with its owner. Not one that drawing
  // pulls in: a themed window shown by an earlier test loads msimg32.dll for good.
  const wchar_t* library = L"avicap32.dll";
  ASSERT_EQ(::GetModuleHandleW(library), nullptr) << "already loaded by something else";
  {
    TOwnedModule module(::LoadLibraryW(library));
    ASSERT_TRUE(module);
    EXPECT_NE(::GetModuleHandleW(library), nullptr);
  }
  EXPECT_EQ(::GetModuleHandleW(library), nullptr);
}

TEST(Owned, GdiObjectsAreDeletedWithTheirOwnerAndSurviveAMove) {
  HFONT raw = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
  ASSERT_NE(raw, nullptr);
  {
    TOwnedFont font(raw);
    TOwnedFont taken(std::move(font));
    EXPECT_EQ(::GetObjectType(raw), static_cast<DWORD>(OBJ_FONT)) << "a move deletes nothing";
  }
  EXPECT_EQ(::GetObjectType(raw), 0u);

  TWindowDc screen;
  ASSERT_TRUE(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen.Get(), 8, 8);
  HDC memory = ::CreateCompatibleDC(screen.Get());
  {
    TOwnedBitmap ownedBitmap(bitmap);
    TOwnedDc ownedDc(memory);
    TSelected selected(ownedDc.Get(), ownedBitmap.Get());
    EXPECT_EQ(::GetCurrentObject(memory, OBJ_BITMAP), bitmap);
  }
  // The selection was undone first: a bitmap still selected would not be deleted.
  EXPECT_EQ(::GetObjectType(bitmap), 0u);
  EXPECT_EQ(::GetObjectType(memory), 0u);
}

TEST(GlobalMemoryLock, LocksWhileItLivesAndGivesTheBlocksMemory) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, 100);
  ASSERT_NE(memory, nullptr);
  {
    TGlobalLock lock(memory);
    ASSERT_TRUE(lock);
    EXPECT_GE(lock.Size(), 100u);
    lock.As<char>()[99] = 'x';
    EXPECT_EQ(::GlobalFlags(memory) & GMEM_LOCKCOUNT, 1u);
    {
      TGlobalLock again(memory);
      EXPECT_EQ(again.Data(), lock.Data());
      EXPECT_EQ(again.As<char>()[99], 'x');
      EXPECT_EQ(::GlobalFlags(memory) & GMEM_LOCKCOUNT, 2u);
    }
    EXPECT_EQ(::GlobalFlags(memory) & GMEM_LOCKCOUNT, 1u);
  }
  EXPECT_EQ(::GlobalFlags(memory) & GMEM_LOCKCOUNT, 0u);
  ::GlobalFree(memory);

  TGlobalLock none(nullptr);
  EXPECT_FALSE(none);
  EXPECT_EQ(none.Size(), 0u);
}

class ClipboardOwner : public ::testing::Test {
 protected:
  void SetUp() override {
    Window = CreatePlainWindow(L"Clipboard owner", 0, 0, 100, 100);
    ASSERT_NE(Window, nullptr);
    ASSERT_EQ(::GetOpenClipboardWindow(), nullptr) << "someone else holds the clipboard";
  }
  void TearDown() override { ::DestroyWindow(Window); }

  // Tries to open the clipboard from another thread, as another program would.
  static bool OpenedElsewhere() {
    bool opened = false;
    std::thread other([&] {
      TOpenClipboard clipboard;
      opened = clipboard.Opened();
    });
    other.join();
    return opened;
  }

  HWND Window = nullptr;
};

TEST_F(ClipboardOwner, IsHeldWhileItLivesAndAFailedOpenClosesNothing) {
  {
    TOpenClipboard clipboard(Window);
    ASSERT_TRUE(clipboard.Opened());
    EXPECT_EQ(::GetOpenClipboardWindow(), Window);
    EXPECT_FALSE(OpenedElsewhere());
    EXPECT_EQ(::GetOpenClipboardWindow(), Window) << "the failed opener closed ours";
    EXPECT_TRUE(::EmptyClipboard()) << "still ours to write";
  }
  EXPECT_EQ(::GetOpenClipboardWindow(), nullptr);
  EXPECT_TRUE(OpenedElsewhere());
}

TEST_F(ClipboardOwner, ClosedEarlyItDoesNotCloseAgainAtTheEnd) {
  {
    TOpenClipboard clipboard(Window);
    ASSERT_TRUE(clipboard.Opened());
    EXPECT_TRUE(clipboard.Close());
    EXPECT_FALSE(clipboard.Opened());
    EXPECT_FALSE(clipboard.Close());
    // Opened again by other code of this thread; the owner's end must leave that alone.
    ASSERT_TRUE(::OpenClipboard(Window));
  }
  EXPECT_EQ(::GetOpenClipboardWindow(), Window);
  ::CloseClipboard();
}

}  // namespace
}  // namespace pelorin::test
