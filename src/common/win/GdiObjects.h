#pragma once
#include <windows.h>

namespace pelorin {

// Owns a GDI object (pen, brush, font, bitmap) and deletes it.
class TGdiObject {
 public:
  explicit TGdiObject(HGDIOBJ object) : Object(object) {}
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  ~TGdiObject() {
    if (Object != nullptr) ::DeleteObject(Object);
  }
  HGDIOBJ Get() const { return Object; }

 private:
  HGDIOBJ Object;
};

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
