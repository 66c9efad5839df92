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

}  // namespace pelorin
