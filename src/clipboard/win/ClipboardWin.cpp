#include "clipboard/win/ClipboardWin.h"

#include <cstring>
#include <span>
#include <string>

#include "clipboard/HistoryMarks.h"

namespace pelorin {

namespace {

constexpr int OpenAttempts = 10;
constexpr DWORD OpenRetryMs = 20;
constexpr UINT FirstRegisteredFormat = 0xC000;

bool HandleIsNoMemory(UINT format) {
  return format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_ENHMETAFILE;
}

// The whole block of one format; empty when it has none or cannot be locked.
std::vector<uint8_t> FormatBytes(UINT format) {
  HANDLE handle = ::GetClipboardData(format);
  if (handle == nullptr || ::GlobalSize(handle) == 0) return {};
  TGlobalLock lock(handle);
  if (!lock) return {};
  const auto* bytes = lock.As<const uint8_t>();
  return std::vector<uint8_t>(bytes, bytes + lock.Size());
}

bool MarkedKeepOut(UINT format) {
  if (format < FirstRegisteredFormat) return false;
  wchar_t name[256];
  int length = ::GetClipboardFormatNameW(format, name, static_cast<int>(std::size(name)));
  if (length <= 0) return false;
  THistoryMark mark = HistoryMarkOf(std::wstring_view(name, static_cast<size_t>(length)));
  if (mark == THistoryMark::None) return false;
  std::vector<uint8_t> data = mark == THistoryMark::KeepOutIfZero ? FormatBytes(format) : std::vector<uint8_t>();
  return KeptOutOfHistory(mark, data);
}

}  // namespace

bool OpenClipboardRetry(std::optional<TOpenClipboard>& open, HWND owner) {
  for (int attempt = 0; attempt < OpenAttempts; ++attempt) {
    if (attempt > 0) ::Sleep(OpenRetryMs);
    open.emplace(owner);
    if (open->Opened()) return true;
  }
  open.reset();
  return false;
}

ClipboardReadStatus ReadClipboardData(TClipboardData& snapshot) {
  snapshot.Items.clear();
  std::optional<TOpenClipboard> open;
  if (!OpenClipboardRetry(open)) return ClipboardReadStatus::NotCaptured;
  bool anyFormat = false;
  for (UINT format = ::EnumClipboardFormats(0); format != 0; format = ::EnumClipboardFormats(format)) {
    anyFormat = true;
    // The marks are looked at before anything is copied: a marked content leaves no trace.
    if (MarkedKeepOut(format)) {
      snapshot.Items.clear();
      return ClipboardReadStatus::NotCaptured;
    }
    if (!HandleIsNoMemory(format)) snapshot.Items.push_back({format, {}});
  }
  // The enumeration also ends on an error: a clipboard with no format at all is asked again.
  if (!anyFormat) return ::CountClipboardFormats() == 0 ? ClipboardReadStatus::Empty : ClipboardReadStatus::NotCaptured;
  if (snapshot.Items.empty()) return ClipboardReadStatus::NotCaptured;  // handle formats only
  for (TClipboardDataItem& item : snapshot.Items) item.Data = FormatBytes(item.Format);
  return ClipboardReadStatus::Captured;
}

bool WriteClipboardData(HWND owner, const TClipboardData* item, const std::function<void()>& opened) {
  std::optional<TOpenClipboard> open;
  if (!OpenClipboardRetry(open, owner)) return false;
  if (opened) opened();
  ::EmptyClipboard();
  if (item == nullptr) return true;
  for (const TClipboardDataItem& format : item->Items) {
    if (format.Data.empty()) continue;
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, format.Data.size());
    if (block == nullptr) continue;
    {
      TGlobalLock lock(block);
      if (!lock) {
        ::GlobalFree(block);
        continue;
      }
      std::memcpy(lock.Data(), format.Data.data(), format.Data.size());
    }
    // The clipboard owns the block once it took it.
    if (::SetClipboardData(format.Format, block) == nullptr) ::GlobalFree(block);
  }
  return true;
}

}  // namespace pelorin
