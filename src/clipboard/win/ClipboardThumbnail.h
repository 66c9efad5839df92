#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <vector>

#include "clipboard/ClipboardGrid.h"
#include "clipboard/ClipboardHistory.h"
#include "common/win/Owned.h"

namespace pelorin {

// The thumbnail of a CF_DIB block for a box of at most maxWidth x maxHeight pixels: a 32-bit
// bitmap of the fitted size, the picture drawn unscaled and centred when it is smaller, else
// stretched over it. Null when the block is no picture GDI can draw or the box has no area.
// Reads nothing outside the block. Any thread.
TOwnedBitmap MakeThumbnail(std::span<const uint8_t> dib, int maxWidth, int maxHeight);

// The thumbnails of the history's pictures, made once per item on a thread of their own:
// scaling a screenshot of millions of pixels takes far longer than a frame, so a paint only
// draws what is ready and asks for the rest; a message with the item's number tells the
// window when one is done.
class TThumbnailCache {
 public:
  explicit TThumbnailCache(const TClipboardHistory& history) : History(history) {}
  ~TThumbnailCache();
  TThumbnailCache(const TThumbnailCache&) = delete;
  TThumbnailCache& operator=(const TThumbnailCache&) = delete;

  // Where word of a finished thumbnail goes: message, with the item's number in wParam.
  void SetNotify(HWND window, UINT message);
  // The thumbnail of an item when it is made (null for a picture GDI could not draw); false
  // while it is not.
  bool Find(uint64_t id, HBITMAP& bitmap, TSize& size) const;
  // Asks for the thumbnail of a picture item, fitted into limit; once per item.
  void Request(uint64_t id, TSize limit);
  // Frees the thumbnails, and forgets the requests, of items not in ids.
  void Keep(const std::vector<uint64_t>& ids);
  void Clear();
  // Until every request made so far is done (or dropped).
  void WaitIdle();

 private:
  struct TThumb {
    TOwnedBitmap Bitmap;
    TSize Size;
  };
  void Run();

  const TClipboardHistory& History;
  mutable std::mutex Lock;
  std::condition_variable Wake, Idle;
  std::deque<std::pair<uint64_t, TSize>> Queue;
  std::set<uint64_t> Asked;  // queued or being made
  std::map<uint64_t, TThumb> Ready;
  HWND NotifyWindow = nullptr;
  UINT NotifyMessage = 0;
  bool Stopping = false;
  std::thread Maker;  // started by the first request
};

}  // namespace pelorin
