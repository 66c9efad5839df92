#pragma once
#include <windows.h>

#include "common/win/Owned.h"

namespace pelorin {

// Any GDI object, untyped (TOwnedFont, TOwnedBitmap for the typed ones).
using TGdiObject = TOwnedGdi<>;

// Keeps an object selected into a DC for its own lifetime.
class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ object) : Dc(dc), Old(::SelectObject(dc, object)) {}
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;
  ~TSelected() { ::SelectObject(Dc, Old); }

 private:
  HDC Dc;
  HGDIOBJ Old;
};

// The answer to WM_CTLCOLORSTATIC for a read-only edit that should look like a page (black on
// white) instead of greyed like a disabled one.
inline LRESULT PageColours(HDC dc) {
  ::SetBkColor(dc, RGB(255, 255, 255));
  ::SetTextColor(dc, RGB(0, 0, 0));
  return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
}

}  // namespace pelorin
