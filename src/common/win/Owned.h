#pragma once
#include <windows.h>

#include <cstddef>
#include <utility>

namespace pelorin {

// Owns one handle and releases it exactly once. The traits name the handle type, the value
// that means "none" and how to release:
//   struct Traits { using Handle = ...; static Handle Empty(); static bool Valid(Handle);
//                   static bool Close(Handle); };
// Move-only. Header-only, so the test programs that do not link PelorinWin can use it too.
template <class Traits>
class TOwned {
 public:
  using Handle = typename Traits::Handle;

  TOwned() noexcept = default;
  explicit TOwned(Handle handle) noexcept : Value(handle) {}
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;
  TOwned(TOwned&& other) noexcept : Value(other.Release()) {}
  TOwned& operator=(TOwned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~TOwned() { Reset(); }

  Handle Get() const noexcept { return Value; }
  explicit operator bool() const noexcept { return Traits::Valid(Value); }

  // Gives the handle up without releasing it.
  Handle Release() noexcept { return std::exchange(Value, Traits::Empty()); }
  // Releases the handle held and takes `handle`. False when releasing the old one failed
  // (a file's last write can fail at CloseHandle); true when there was none.
  bool Reset(Handle handle = Traits::Empty()) noexcept {
    Handle old = std::exchange(Value, handle);
    return !Traits::Valid(old) || Traits::Close(old);
  }
  // For an API that writes the handle into an out-parameter; whatever was held is released.
  Handle* Out() noexcept {
    Reset();
    return &Value;
  }

 private:
  Handle Value = Traits::Empty();
};

// The release calls, as the traits below take them.
namespace owned_release {
inline bool KernelHandle(HANDLE h) noexcept { return ::CloseHandle(h) != FALSE; }
template <class T>
bool GdiObject(T h) noexcept {
  return ::DeleteObject(h) != FALSE;
}
inline bool Dc(HDC h) noexcept { return ::DeleteDC(h) != FALSE; }
inline bool Icon(HICON h) noexcept { return ::DestroyIcon(h) != FALSE; }
inline bool RegKey(HKEY h) noexcept { return ::RegCloseKey(h) == ERROR_SUCCESS; }
inline bool Module(HMODULE h) noexcept { return ::FreeLibrary(h) != FALSE; }
}  // namespace owned_release

// Traits of a handle whose "none" is null.
template <class H, bool (*Free)(H) noexcept>
struct TNullHandleTraits {
  using Handle = H;
  static Handle Empty() noexcept { return nullptr; }
  static bool Valid(Handle h) noexcept { return h != nullptr; }
  static bool Close(Handle h) noexcept { return Free(h); }
};

// Kernel objects that answer failure with null: mutexes, events, processes, threads, tokens.
using THandleTraits = TNullHandleTraits<HANDLE, owned_release::KernelHandle>;
using TOwnedHandle = TOwned<THandleTraits>;

// Kernel objects that answer failure with INVALID_HANDLE_VALUE (CreateFileW,
// CreateToolhelp32Snapshot). Null is never a file but is taken as none too, so an owner
// that was never set is safe to close.
struct TFileHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static bool Close(Handle h) noexcept { return owned_release::KernelHandle(h); }
};
using TOwnedFile = TOwned<TFileHandleTraits>;

// Pens, brushes, fonts, bitmaps, regions. Not for stock objects, and not while selected into a
// DC (TSelected puts the old object back first).
template <class T = HGDIOBJ>
using TOwnedGdi = TOwned<TNullHandleTraits<T, owned_release::GdiObject<T>>>;
using TOwnedFont = TOwnedGdi<HFONT>;
using TOwnedBitmap = TOwnedGdi<HBITMAP>;

// A DC of our own making (CreateCompatibleDC, CreateDCW).
using TOwnedDc = TOwned<TNullHandleTraits<HDC, owned_release::Dc>>;

// Icons and cursors loaded without LR_SHARED, or made with CreateIconIndirect.
using TOwnedIcon = TOwned<TNullHandleTraits<HICON, owned_release::Icon>>;

// An opened or created registry key. The predefined roots (HKEY_CURRENT_USER...) are never
// put in one.
using TOwnedKey = TOwned<TNullHandleTraits<HKEY, owned_release::RegKey>>;

// A module of LoadLibraryW / LoadLibraryExW (not GetModuleHandleW, which counts nothing).
using TOwnedModule = TOwned<TNullHandleTraits<HMODULE, owned_release::Module>>;

// A DC of a window (null: the screen), given back with ReleaseDC, which needs the window too.
class TWindowDc {
 public:
  explicit TWindowDc(HWND window = nullptr) noexcept : Window(window), Dc(::GetDC(window)) {}
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  ~TWindowDc() {
    if (Dc != nullptr) ::ReleaseDC(Window, Dc);
  }
  HDC Get() const noexcept { return Dc; }
  explicit operator bool() const noexcept { return Dc != nullptr; }

 private:
  HWND Window;
  HDC Dc;
};

// The memory of a global-memory block, locked while this lives. A moveable block's pointer
// is only good under the lock; clipboard data comes in such blocks.
class TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL memory) noexcept
      : Memory(memory), Pointer(memory != nullptr ? ::GlobalLock(memory) : nullptr) {}
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  ~TGlobalLock() {
    if (Pointer != nullptr) ::GlobalUnlock(Memory);
  }

  void* Data() const noexcept { return Pointer; }
  template <class T>
  T* As() const noexcept {
    return static_cast<T*>(Pointer);
  }
  // The block's size in bytes, which may be more than was asked for; 0 when not locked.
  size_t Size() const noexcept { return Pointer != nullptr ? ::GlobalSize(Memory) : 0; }
  explicit operator bool() const noexcept { return Pointer != nullptr; }

 private:
  HGLOBAL Memory;
  void* Pointer;
};

// The clipboard, opened for `owner` (null: for this thread) while this lives. Another window
// may hold it: then Opened() is false and nothing is closed at the end, so the other
// holder's clipboard is never shut under it.
class TOpenClipboard {
 public:
  explicit TOpenClipboard(HWND owner = nullptr) noexcept : IsOpen(::OpenClipboard(owner) != FALSE) {}
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
  ~TOpenClipboard() { Close(); }

  bool Opened() const noexcept { return IsOpen; }
  explicit operator bool() const noexcept { return IsOpen; }
  // Closes early (before a long job on what was read); true when it was open and closed.
  bool Close() noexcept { return std::exchange(IsOpen, false) && ::CloseClipboard() != FALSE; }

 private:
  bool IsOpen;
};

}  // namespace pelorin
