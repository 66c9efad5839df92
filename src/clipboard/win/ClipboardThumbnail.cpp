#include "clipboard/win/ClipboardThumbnail.h"

#include <algorithm>
#include <optional>

#include "clipboard/ClipboardPicture.h"
#include "common/win/GdiObjects.h"

namespace pelorin {

TOwnedBitmap MakeThumbnail(std::span<const uint8_t> dib, int maxWidth, int maxHeight) {
  std::optional<TDibPicture> picture = DibToBitmap(dib);
  if (!picture) return {};
  std::optional<TFitBox> box = FitBitmap(picture->Width, picture->Height, maxWidth, maxHeight);
  if (!box) return {};
  // The header, masks and colour table in a block of their own, as long as GDI reads them.
  const TDibInfo info = DibInfoBlock(dib, *picture);

  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = box->Width;
  target.bmiHeader.biHeight = -box->Height;  // top-down
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  target.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TOwnedBitmap bitmap(::CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return {};
  TOwnedDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return {};
  {
    TSelected selected(dc.Get(), bitmap.Get());
    RECT all{0, 0, box->Width, box->Height};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const auto* header = reinterpret_cast<const BITMAPINFO*>(info.Info.data());
    int drawn;
    if (box->Stretch) {
      ::SetStretchBltMode(dc.Get(), HALFTONE);
      ::SetBrushOrgEx(dc.Get(), 0, 0, nullptr);
      drawn = ::StretchDIBits(dc.Get(), 0, 0, box->Width, box->Height, 0, 0, picture->Width, picture->Height,
                              dib.data() + info.PixelsAt, header, DIB_RGB_COLORS, SRCCOPY);
    } else {
      drawn = ::StretchDIBits(dc.Get(), box->X, box->Y, picture->Width, picture->Height, 0, 0, picture->Width,
                              picture->Height, dib.data() + info.PixelsAt, header, DIB_RGB_COLORS, SRCCOPY);
    }
    if (drawn <= 0) return {};  // 0 or GDI_ERROR
  }
  return bitmap;
}

TThumbnailCache::~TThumbnailCache() {
  {
    std::lock_guard<std::mutex> lock(Lock);
    Stopping = true;
  }
  Wake.notify_all();
  if (Maker.joinable()) Maker.join();
}

void TThumbnailCache::SetNotify(HWND window, UINT message) {
  std::lock_guard<std::mutex> lock(Lock);
  NotifyWindow = window;
  NotifyMessage = message;
}

bool TThumbnailCache::Find(uint64_t id, HBITMAP& bitmap, TSize& size) const {
  std::lock_guard<std::mutex> lock(Lock);
  auto found = Ready.find(id);
  if (found == Ready.end()) return false;
  bitmap = found->second.Bitmap.Get();
  size = found->second.Size;
  return true;
}

void TThumbnailCache::Request(uint64_t id, TSize limit) {
  std::lock_guard<std::mutex> lock(Lock);
  if (Stopping || Ready.count(id) != 0 || !Asked.insert(id).second) return;
  Queue.emplace_back(id, limit);
  if (!Maker.joinable()) Maker = std::thread([this] { Run(); });
  Wake.notify_one();
}

void TThumbnailCache::Keep(const std::vector<uint64_t>& ids) {
  std::set<uint64_t> kept(ids.begin(), ids.end());
  std::vector<TOwnedBitmap> gone;  // freed outside the lock
  {
    std::lock_guard<std::mutex> lock(Lock);
    for (auto it = Ready.begin(); it != Ready.end();) {
      if (kept.count(it->first) != 0) {
        ++it;
        continue;
      }
      gone.push_back(std::move(it->second.Bitmap));
      it = Ready.erase(it);
    }
    std::erase_if(Queue, [&](const auto& request) {
      if (kept.count(request.first) != 0) return false;
      Asked.erase(request.first);
      return true;
    });
  }
  Idle.notify_all();
}

void TThumbnailCache::Clear() { Keep({}); }

void TThumbnailCache::WaitIdle() {
  std::unique_lock<std::mutex> lock(Lock);
  Idle.wait(lock, [&] { return Asked.empty() || Stopping; });
}

void TThumbnailCache::Run() {
  std::unique_lock<std::mutex> lock(Lock);
  for (;;) {
    Wake.wait(lock, [&] { return Stopping || !Queue.empty(); });
    if (Stopping) return;
    const auto [id, limit] = Queue.front();
    Queue.pop_front();
    lock.unlock();
    // Items are shared and never change: the picture is scaled from the history's own bytes
    // with its lock released, so a merge or a paint never waits for the scaling.
    int format = -1;
    History.ReadById(id, [&](const TClipboardData&, const TClipboardHistory::TItemView& view) {
      if (view.Preview.Kind == TItemPreview::TKind::Picture) format = view.Preview.DibFormat;
    });
    TSharedItem item = format >= 0 ? History.ShareById(id) : nullptr;
    TThumb thumb;
    if (item && static_cast<size_t>(format) < item->Items.size() && !item->Items[static_cast<size_t>(format)].Data.empty()) {
      thumb.Bitmap = MakeThumbnail(item->Items[static_cast<size_t>(format)].Data, limit.Width, limit.Height);
      BITMAP info{};
      if (thumb.Bitmap && ::GetObjectW(thumb.Bitmap.Get(), sizeof(info), &info) == sizeof(info))
        thumb.Size = {info.bmWidth, std::abs(info.bmHeight)};
    }
    item.reset();  // a large picture that left meanwhile is freed here, not under a lock
    const bool stillThere = History.IndexOfId(id).has_value();
    lock.lock();
    // A Keep meanwhile dropped the request: the item has left, and its thumbnail with it.
    const bool wanted = Asked.erase(id) != 0 && stillThere;
    HWND window = NotifyWindow;
    const UINT message = NotifyMessage;
    if (wanted) Ready[id] = std::move(thumb);
    if (Asked.empty()) Idle.notify_all();
    if (!wanted) {
      lock.unlock();
      thumb = {};  // freed outside the lock
      lock.lock();
      continue;
    }
    lock.unlock();
    if (window != nullptr) ::PostMessageW(window, message, static_cast<WPARAM>(id), 0);
    lock.lock();
  }
}

}  // namespace pelorin
