#pragma once
#include <windows.h>

#include <functional>

#include "common/win/Owned.h"
#include "common/win/WindowBase.h"

namespace pelorin {

// A picture at full size in a scrolling view: scroll bars when it is larger than the view,
// and dragged with the open and the closed hand. GUI thread.
class TZoomView : public TWindowBase {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinZoomView";
  ~TZoomView() override { Destroy(); }

  bool Create(HINSTANCE instance, HMODULE resources, HWND parent, int id);
  // Takes the picture (null: none) and scrolls to its top left.
  void SetPicture(TOwnedBitmap picture);
  SIZE PictureSize() const { return Size; }
  POINT ScrollPos() const { return Pos; }
  // A key on the view: the window goes back to its list.
  std::function<void()> OnKey;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override { Picture.Reset(); }

 private:
  void ScrollTo(int x, int y);
  void SetBars();

  TOwnedBitmap Picture;
  SIZE Size{};
  POINT Pos{};
  HCURSOR OpenHand = nullptr;
  HCURSOR ClosedHand = nullptr;
  bool Dragging = false;
  POINT DragFrom{};
  POINT PosAtDrag{};
};

}  // namespace pelorin
