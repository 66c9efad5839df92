#include "clipboard/win/ClipboardSystemWin.h"

#include "clipboard/ClpFile.h"
#include "clipboard/win/ClipboardWin.h"
#include "common/win/MsgBox.h"

namespace pelorin {

namespace {

// FILETIME counts 100 ns from 1601-01-01; a date-time counts days from 1899-12-30.
constexpr double FileTimeUnitsPerDay = 864000000000.0;
constexpr double DaysFrom1601To1899 = 109205.0;
// A viewer further down that hangs must not hold up the GUI thread, which runs the hooks.
constexpr UINT ForwardTimeoutMs = 500;

}  // namespace

double LocalDateTimeNow() {
  FILETIME utc{}, local{};
  ::GetSystemTimeAsFileTime(&utc);
  if (!::FileTimeToLocalFileTime(&utc, &local)) local = utc;
  uint64_t units = (uint64_t(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  // Whole milliseconds: the time is shown and compared, never finer than that.
  units -= units % 10000;
  return static_cast<double>(units) / FileTimeUnitsPerDay - DaysFrom1601To1899;
}

void TClipboardSystemWin::Join(HWND mainWindow) {
  Main = mainWindow;
  Chain.IgnoreNext();
  Chain.SetNextViewer(reinterpret_cast<uintptr_t>(::SetClipboardViewer(Main)));
}

void TClipboardSystemWin::Leave() {
  HWND main = Main.exchange(nullptr);
  if (main != nullptr) ::ChangeClipboardChain(main, reinterpret_cast<HWND>(Chain.NextViewer()));
}

void TClipboardSystemWin::Forward(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND next = reinterpret_cast<HWND>(Chain.NextViewer());
  if (next == nullptr) return;
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(next, message, wParam, lParam, SMTO_ABORTIFHUNG, ForwardTimeoutMs, &ignored);
}

bool TClipboardSystemWin::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_CHANGECBCHAIN && message != WM_DRAWCLIPBOARD) return false;
  result = 0;
  // A message that comes back round while one is handled is dropped, not forwarded again.
  if (!Chain.Enter()) return true;
  if (message == WM_CHANGECBCHAIN) {
    if (Chain.ChainChanged(static_cast<uintptr_t>(wParam), static_cast<uintptr_t>(lParam)))
      Forward(message, wParam, lParam);
  } else {
    Chain.Notified(static_cast<uint32_t>(::GetTickCount()));
    Forward(message, 0, 0);
  }
  Chain.Leave();
  return true;
}

ClipboardReadStatus TClipboardSystemWin::ReadClipboard(TClipboardData& snapshot) { return ReadClipboardData(snapshot); }

bool TClipboardSystemWin::WriteClipboard(const TClipboardData* item, const std::function<void()>& opened) {
  return WriteClipboardData(Main.load(), item, opened);
}

bool TClipboardSystemWin::HeadsViewerChain() {
  HWND main = Main.load();
  return main == nullptr || ::GetClipboardViewer() == main; }

void TClipboardSystemWin::RejoinViewerChain() {
  Gui.Queue([this] {
    HWND main = Main.load();
    if (main == nullptr || ::GetClipboardViewer() == main) return;
    ::ChangeClipboardChain(main, reinterpret_cast<HWND>(Chain.NextViewer()));
    Chain.SetNextViewer(0);  // the viewer we left gets nothing more from us
    // The notification that joining sends makes a capture due: it confirms what the clipboard
    // holds after the time Pelorin heard nothing.
    Chain.SetNextViewer(reinterpret_cast<uintptr_t>(::SetClipboardViewer(main)));
  });
}

void TClipboardSystemWin::DamagedFileLoaded() {
  Gui.Queue([] { MsgBox(ClpDamagedMessage, L"Pelorin", MB_OK | MB_ICONERROR); });
}

}  // namespace pelorin
