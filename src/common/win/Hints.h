#pragma once
#include <windows.h>

#include <string_view>

namespace pelorin {

// The hints of the main window: one tooltip owned by the top-level window, showing a text
// while the mouse rests on a control of any page. GUI thread only.
class THints {
 public:
  // The tooltip goes with `owner`.
  bool Create(HWND owner, HINSTANCE instance, double scale);
  void Forget() { Tooltip = Owner = nullptr; }
  HWND Handle() const { return Tooltip; }

  void Add(HWND control, std::wstring_view text);
  void Remove(HWND control);
  // A new text for a control's hint (a grid whose hint follows the mouse); the hint showing
  // goes away, so that the new one comes up.
  void SetText(HWND control, std::wstring_view text);

 private:
  HWND Owner = nullptr;
  HWND Tooltip = nullptr;
};

}  // namespace pelorin
