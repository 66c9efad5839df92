#pragma once
#include <windows.h>

#include <optional>

namespace pelorin {

// A page made from a dialog template (WS_CHILD | DS_CONTROL) inside a window of Pelorin's:
// the dialog manager lays out its controls in dialog units and gives it the keyboard
// navigation. The object is kept in the page from WM_INITDIALOG on (messages before it, such
// as WM_SETFONT, get the default handling) and every message goes through one noexcept
// procedure, which turns an escaping exception into the fatal path like TWindowBase's. The
// page dies with its parent; the object then forgets the handle. Messages of Pelorin's own
// for a page are in the WM_APP range (common/win/Messages.h). GUI thread only.
class TDialogPage {
 public:
  TDialogPage(const TDialogPage&) = delete;
  TDialogPage& operator=(const TDialogPage&) = delete;
  virtual ~TDialogPage();

  // From a template in memory, or from an RT_DIALOG resource of `resources`.
  bool Create(HINSTANCE instance, const DLGTEMPLATE* dialog, HWND parent);
  bool Create(HINSTANCE instance, HMODULE resources, int templateId, HWND parent);
  void Destroy();

  HWND Handle() const { return Page; }
  HWND Control(int id) const { return Page != nullptr ? ::GetDlgItem(Page, id) : nullptr; }

 protected:
  TDialogPage() = default;

  // WM_INITDIALOG: the controls exist and Handle() is set. True lets the dialog manager
  // focus the first control; false leaves the focus where it is.
  virtual bool InitPage() { return false; }
  // A message of the page: a result when handled (the procedure hands it back the way the
  // dialog manager wants it for that message), none for the default handling.
  virtual std::optional<LRESULT> PageMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The page is gone, by Destroy() or with its parent.
  virtual void PageGone() {}

 private:
  static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  HWND Page = nullptr;
};

// What a dialog procedure returns for a message it handled with `result`: most results go
// through DWLP_MSGRESULT, and the procedure says TRUE; a few messages take the result as
// the return value itself (WM_CTLCOLOR*, WM_COMPAREITEM, WM_VKEYTOITEM, WM_CHARTOITEM,
// WM_QUERYDRAGICON, WM_INITDIALOG).
INT_PTR DialogResult(HWND page, UINT message, LRESULT result);

}  // namespace pelorin
