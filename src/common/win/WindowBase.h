#pragma once
#include <windows.h>

#include "common/win/Owned.h"

namespace pelorin {

// Where an exception that escaped a window's or a page's handler ends: UnexpectedException
// (app/win/Fatal.h) unless a test put another handler in. Returns the handler it replaced.
using TFatalHandler = void (*)() noexcept;
TFatalHandler SetFatalHandler(TFatalHandler handler) noexcept;
// Runs the current fatal handler: for every catch-all of the GUI thread.
void ReportEscapedException() noexcept;

// Takes the object out of the window (slot: GWLP_USERDATA, or DWLP_USER for a dialog) and
// then destroys it, so that its last messages reach no object half taken apart; `window` is
// null afterwards. False when there was no window.
bool DetachAndDestroy(HWND& window, int slot);

// The screen's pixels per inch. Pelorin is system-DPI aware (its manifest), so the value holds
// for the whole session and is read once.
struct TScreenDpi {
  int X = 96;
  int Y = 96;
};
const TScreenDpi& ScreenDpi() noexcept;
// "MS Shell Dlg" 8 at the screen's DPI, the font of the dialog templates. The caller owns it.
HFONT CreateDialogFont() noexcept;

// A form's window class: registered at the first Create in the process and kept until the
// process ends, with the icons it loaded.
struct TWindowClass {
  const wchar_t* Name = nullptr;
  UINT Style = 0;
  const wchar_t* Cursor = IDC_ARROW;  // a system cursor; null for none
  HBRUSH Background = nullptr;         // null: the form paints everything itself
  HMODULE IconModule = nullptr;        // with IconName: the large and small icon of the class
  const wchar_t* IconName = nullptr;
};

// Where and how CreateWindowExW makes the window.
struct TWindowParams {
  DWORD ExStyle = 0;
  DWORD Style = 0;
  const wchar_t* Text = L"";
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND Parent = nullptr;  // HWND_MESSAGE for a message-only window
  int Id = 0;             // a child's control id
};

// The base of Pelorin's own windows. It owns the HWND: Destroy() (and the destructor)
// destroys it, and a window destroyed from outside (its parent went, a WM_CLOSE nobody took)
// leaves the object without a handle, ready for another Create. `this` is kept in the
// window from WM_NCCREATE on, so even the messages sent before CreateWindowExW returns reach
// HandleMessage, through one noexcept procedure that turns an escaping exception into
// the fatal path. GUI thread only.
//
// A derived form overrides HandleMessage (falling back to DefaultMessage), and WindowGone
// when it keeps handles that go with the window; its destructor calls Destroy(), since
// WindowGone cannot be called from this destructor any more.
class TWindowBase {
 public:
  TWindowBase(const TWindowBase&) = delete;
  TWindowBase& operator=(const TWindowBase&) = delete;
  virtual ~TWindowBase();

  HWND Handle() const { return Window; }
  // Destroys the window; its own last messages (WM_DESTROY...) no longer reach the form.
  void Destroy();

  // Screen pixels per design pixel (pixels per inch / 96).
  double PixelsScale() const { return ScreenDpi().X / 96.0; }
  // A length in pixels at 96 DPI, in screen pixels.
  int Scale(int designPixels) const { return ::MulDiv(designPixels, ScreenDpi().X, 96); }
  // The dialog font and the system's menu font (the dialog font where the system gives
  // none), made at the first call and owned by the form until its window is gone.
  HFONT DialogFont();
  HFONT MenuFont();

 protected:
  TWindowBase() = default;

  // Registers the class once per process and creates the window with `this` in it. False
  // when the class name belongs to another procedure or CreateWindowExW fails.
  bool CreateHandle(HINSTANCE instance, const TWindowClass& windowClass, const TWindowParams& params);

  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(Window, message, wParam, lParam);
  }
  // The window is gone, by Destroy() or from outside; its children went before it.
  virtual void WindowGone() {}

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void ForgetWindow();

  HWND Window = nullptr;
  TOwnedFont DialogFontHandle;
  TOwnedFont MenuFontHandle;
};

}  // namespace pelorin
