#pragma once
#include <windows.h>

#include <array>
#include <functional>

#include "common/win/WindowBase.h"
#include "app/Tray.h"

namespace pelorin {

// The tray's pop-up menu (TPopupForm): a borderless, always-on-top tool window with a thin
// frame around five items (labels whose captions start with three blanks) and three
// separators, at its design size scaled to the screen's DPI. The item under the mouse, or
// the one chosen with Up and Down, takes the system highlight colours; a click (button
// released over an item) or Enter runs it. Esc, the Disable/Enable item and the loss of
// activation hide it; it is created hidden at start-up and only ever hidden until shutdown.
// GUI thread only.
//
// Start-up, in the GUI thread:
//   popup.OnShowPelorin = ...; popup.OnTogglePelorin = ...;   // and the others
//   popup.Create(instance);
//   popup.SetBrightnessAvailable(brightness.Available());
// PelorinEnabledClick: popup.SetAppEnabled(on). Tray click: popup.ShowAt(cursor.x).
// Shutdown: popup.Destroy().
class TPopupForm : public TWindowBase {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinPopupForm";
  static constexpr wchar_t ItemClass[] = L"PelorinPopupItem";

  TPopupForm() = default;
  ~TPopupForm() override { Destroy(); }

  bool Create(HINSTANCE instance);

  // The label window of an item (TPopupItem), null for none.
  HWND Item(int item) const { return item >= 0 && item < PopupItemCount ? Items[item].Handle() : nullptr; }
  // Client rectangle of an item in the pop-up.
  RECT ItemRect(int item) const;
  // The highlighted item, NoPopupItem for none.
  int HotItem() const { return Hot; }

  // Left edge 20 px left of the cursor (kept inside the work area), bottom 5 px above the
  // primary work area's bottom; shown in front of everything with the keyboard on it and no
  // item highlighted.
  void ShowAt(int cursorX);
  void Hide();
  bool Visible() const { return Handle() != nullptr && ::IsWindowVisible(Handle()); }

  // "   Disable Pelorin" while Pelorin is on, "   Enable Pelorin" while it is off.
  void SetAppEnabled(bool enabled);
  // Without brightness control the Brightness item is grayed and cannot be chosen.
  void SetBrightnessAvailable(bool available);

  std::function<void()> OnShowPelorin;
  std::function<void()> OnTogglePelorin;  // the pop-up hides after it
  std::function<void()> OnClipboardManager;
  std::function<void()> OnClose;
  std::function<void(int x)> OnBrightness;  // x: the pop-up's left edge + 20

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override { Hot = NoPopupItem; }

 private:
  // An item's label, a child of the pop-up: its messages go to the pop-up's ItemMessage.
  class TItemWindow : public TWindowBase {
   public:
    ~TItemWindow() override { Destroy(); }
    bool Create(HINSTANCE instance, TPopupForm& owner, int index);

   protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
      return Owner->ItemMessage(Index, message, wParam, lParam);
    }

   private:
    TPopupForm* Owner = nullptr;
    int Index = 0;
  };

  // Asks for the WM_MOUSELEAVE of an item's label.
  static void TrackLeave(HWND item);
  LRESULT ItemMessage(int item, UINT message, WPARAM wParam, LPARAM lParam);
  void PaintPanel(HDC dc) const;
  void PaintItem(int item, HDC dc);
  void SetHotItem(int item);
  // The item under a mouse message's point in `from`'s client coordinates, NoPopupItem for none.
  int ItemAt(HWND from, LPARAM point) const;
  bool ItemEnabled(int item) const;
  void ItemClick(int item);

  std::array<TItemWindow, PopupItemCount> Items;
  int Hot = NoPopupItem;
  bool BrightnessAvailable = true;
};

}  // namespace pelorin
