#include "common/win/DialogPage.h"

#include "common/win/WindowBase.h"

namespace pelorin {

TDialogPage::~TDialogPage() {
  // The derived part is gone already: no PageGone from here.
  DetachAndDestroy(Page, DWLP_USER);
}

bool TDialogPage::Create(HINSTANCE instance, const DLGTEMPLATE* dialog, HWND parent) {
  if (Page != nullptr) return true;
  if (dialog == nullptr) return false;
  // Page is set at WM_INITDIALOG, inside this call.
  return ::CreateDialogIndirectParamW(instance, dialog, parent, PageProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

bool TDialogPage::Create(HINSTANCE instance, HMODULE resources, int templateId, HWND parent) {
  HRSRC found = ::FindResourceW(resources, MAKEINTRESOURCEW(templateId), RT_DIALOG);
  HGLOBAL loaded = found != nullptr ? ::LoadResource(resources, found) : nullptr;
  auto* dialog = loaded != nullptr ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
  return Create(instance, dialog, parent);
}

void TDialogPage::Destroy() {
  if (DetachAndDestroy(Page, DWLP_USER)) PageGone();
}

std::optional<LRESULT> TDialogPage::PageMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

INT_PTR DialogResult(HWND page, UINT message, LRESULT result) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

INT_PTR CALLBACK TDialogPage::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (message == WM_INITDIALOG) {
      auto* self = reinterpret_cast<TDialogPage*>(lParam);
      if (self == nullptr) return FALSE;
      self->Page = page;
      ::SetWindowLongPtrW(page, DWLP_USER, lParam);
      return self->InitPage() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<TDialogPage*>(::GetWindowLongPtrW(page, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
      // Gone with its parent: Destroy() would have taken the pointer out first.
      ::SetWindowLongPtrW(page, DWLP_USER, 0);
      self->Page = nullptr;
      self->PageGone();
      return FALSE;
    }
    std::optional<LRESULT> result = self->PageMessage(message, wParam, lParam);
    return result ? DialogResult(page, message, *result) : FALSE;
  } catch (...) {
    ReportEscapedException();
    return FALSE;
  }
}

}  // namespace pelorin
