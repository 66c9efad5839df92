#pragma once
#include <windows.h>

#include <functional>
#include <optional>

#include "clipboard/ClipboardData.h"
#include "common/win/Owned.h"

namespace pelorin {

// Opens the clipboard into `open` (for `owner`, null: for this thread), trying up to 10 times
// 20 ms apart while another program holds it. False when it stayed busy.
bool OpenClipboardRetry(std::optional<TOpenClipboard>& open, HWND owner = nullptr);

// Every format of the clipboard's content in enumeration order, with the whole memory block
// of each, except the three whose handles are no plain memory (bitmap, metafile picture,
// enhanced metafile). Time and Checked are left as they are. No formats unless Captured: the
// clipboard stayed busy, the source marked the content as not for any history (then no byte of
// it is copied), it holds only handle formats, or nothing at all (Empty).
ClipboardReadStatus ReadClipboardData(TClipboardData& snapshot);

// Replaces the whole clipboard content with `item`'s formats (those with data); null: only
// empties the clipboard. `owner` becomes the clipboard owner: a clipboard emptied while
// opened for no window would refuse the new data. `opened` runs once the clipboard is open,
// before it changes. False when the clipboard stayed busy.
bool WriteClipboardData(HWND owner, const TClipboardData* item, const std::function<void()>& opened = {});

}  // namespace pelorin
