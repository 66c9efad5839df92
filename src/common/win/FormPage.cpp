#include "common/win/FormPage.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>

#include "common/win/ProcAddress.h"

namespace pelorin {

namespace {

constexpr COLORREF ErrorColour = RGB(255, 0, 0);

// uxtheme is looked up at run time: the pages take the tab's background where visual styles
// are on, and nothing changes where they are not.
struct TThemeApi {
  HRESULT(WINAPI* EnableThemeDialogTexture)(HWND, DWORD) = nullptr;
  HRESULT(WINAPI* DrawThemeParentBackground)(HWND, HDC, const RECT*) = nullptr;
  TThemeApi() {
    HMODULE module = ::LoadLibraryW(L"uxtheme.dll");
    LoadProc(module, "EnableThemeDialogTexture", EnableThemeDialogTexture);
    LoadProc(module, "DrawThemeParentBackground", DrawThemeParentBackground);
  }
};
const TThemeApi& ThemeApi() {
  static TThemeApi api;
  return api;
}

bool HasStyle(HWND window, LONG_PTR style) { return (::GetWindowLongPtrW(window, GWL_STYLE) & style) == style; }

}  // namespace

std::wstring WindowText(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(got));
  return text;
}

RECT RectIn(HWND control, HWND parent) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void PaintPictureBackground(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  if (ThemeApi().DrawThemeParentBackground != nullptr)
    ThemeApi().DrawThemeParentBackground(item.hwndItem, item.hDC, &r);
  else
    ::FillRect(item.hDC, &r, ::GetSysColorBrush(COLOR_BTNFACE));
}

void AddTab(HWND tabs, const TFormPage& page) {
  std::wstring title = page.Title();
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = title.data();
  int count = static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
  ::SendMessageW(tabs, TCM_INSERTITEMW, count, reinterpret_cast<LPARAM>(&item));
}

void ShowTabPage(HWND tabs, std::span<TFormPage* const> pages, int index) {
  if (index < 0 || index >= static_cast<int>(pages.size())) return;
  if (::SendMessageW(tabs, TCM_GETCURSEL, 0, 0) != index) ::SendMessageW(tabs, TCM_SETCURSEL, index, 0);
  // The new page first, so the tab's background never shows between the two.
  ::ShowWindow(pages[index]->Handle(), SW_SHOWNA);
  HWND focus = ::GetFocus();
  for (int i = 0; i < static_cast<int>(pages.size()); ++i) {
    if (i == index) continue;
    HWND page = pages[i]->Handle();
    if (focus != nullptr && (focus == page || ::IsChild(page, focus))) ::SetFocus(tabs);
    ::ShowWindow(page, SW_HIDE);
  }
}

bool TFormPage::Create(const TPageHost& host, HWND parent) {
  PageHost = host;
  if (!TDialogPage::Create(host.Instance, host.Resources, TemplateId, parent)) return false;
  if (ThemeApi().EnableThemeDialogTexture != nullptr) ThemeApi().EnableThemeDialogTexture(Handle(), ETDT_ENABLETAB);
  return true;
}

void TFormPage::PageGone() {
  Anchored.clear();
  ErrorLabels.clear();
}

std::wstring TFormPage::Title() const { return WindowText(Handle()); }

HWND TFormPage::Control(int id) const { return TDialogPage::Control(id); }

bool TFormPage::Showing() const {
  if (Handle() == nullptr) return false;
  HWND top = ::GetAncestor(Handle(), GA_ROOT);
  for (HWND w = Handle(); w != nullptr && w != top; w = ::GetParent(w))
    if (!HasStyle(w, WS_VISIBLE)) return false;
  return true;
}

void TFormPage::ColourAsError(HWND label) {
  if (label != nullptr && std::find(ErrorLabels.begin(), ErrorLabels.end(), label) == ErrorLabels.end())
    ErrorLabels.push_back(label);
}

bool TFormPage::InitPage() {
  RecordLayout();
  if (Bound != nullptr) Bound->Init(Handle());
  Init();
  return false;  // the focus stays where it is
}

std::optional<LRESULT> TFormPage::PageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      Resized();
      return 0;
    case WM_COMMAND: {
      int id = LOWORD(wParam), code = HIWORD(wParam);
      if (Command(id, code, reinterpret_cast<HWND>(lParam)) || BoundCommand(id, code)) return 0;
      return std::nullopt;
    }
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!Notify(*reinterpret_cast<const NMHDR*>(lParam), result)) return std::nullopt;
      return result;
    }
    case WM_HSCROLL:
      if (lParam != 0 && !HScroll(reinterpret_cast<HWND>(lParam))) BoundHScroll(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      auto control = reinterpret_cast<HWND>(lParam);
      if (std::find(ErrorLabels.begin(), ErrorLabels.end(), control) == ErrorLabels.end()) return std::nullopt;
      auto dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ErrorColour);
      // Transparent over the page, which may be the tab's themed background.
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    }
    case WM_SETCURSOR:
      if (!HandCursorOver(::GetDlgCtrlID(reinterpret_cast<HWND>(wParam)))) return std::nullopt;
      ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      return TRUE;
    default: {
      LRESULT result = 0;
      if (!OtherMessage(message, wParam, lParam, result)) return std::nullopt;
      return result;
    }
  }
}

void TFormPage::ShowSettings(const Settings& settings) {
  if (Bound != nullptr && Handle() != nullptr) Bound->Show(Handle(), settings);
}

bool TFormPage::BoundCommand(int id, int code) {
  if (Bound == nullptr) return false;
  std::optional<TSettingControl> changed;
  if (code == BN_CLICKED)
    changed = Bound->Clicked(Handle(), id);
  else if (code == EN_CHANGE)
    changed = Bound->Edited(Handle(), id);
  else if (code == EN_KILLFOCUS)
    Bound->Left(Handle(), id);
  else
    return false;
  if (changed) SettingChanged(*changed);
  return true;
}

void TFormPage::BoundHScroll(HWND track) {
  if (Bound == nullptr) return;
  if (std::optional<TSettingControl> changed = Bound->Moved(track)) SettingChanged(*changed);
}

void TFormPage::RecordLayout() {
  Anchored.clear();
  RECT client{};
  ::GetClientRect(Handle(), &client);
  Design = {client.right, client.bottom};
  for (const TAnchor& anchor : Anchors()) {
    HWND control = ::GetDlgItem(Handle(), anchor.Id);
    if (control == nullptr) continue;
    RECT design = RectIn(control, Handle());
    // A drop-down list's window is its closed height; moving it with that height would
    // leave its list one line high.
    wchar_t cls[16] = {};
    ::GetClassNameW(control, cls, 16);
    if (::lstrcmpiW(cls, WC_COMBOBOXW) == 0) {
      RECT dropped{};
      ::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      design.bottom = design.top + std::max(RectHeight(dropped), RectHeight(design));
    }
    Anchored.push_back({control, design, anchor});
  }
}

void TFormPage::Layout() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  int dx = client.right - Design.cx, dy = client.bottom - Design.cy;
  auto share = [](double part, int extra) { return static_cast<int>(std::lround(part * extra)); };
  for (const TAnchored& a : Anchored) {
    ::SetWindowPos(a.Control, nullptr, a.Design.left + share(a.Anchor.MoveX, dx),
                   a.Design.top + share(a.Anchor.MoveY, dy), RectWidth(a.Design) + share(a.Anchor.SizeX, dx),
                   RectHeight(a.Design) + share(a.Anchor.SizeY, dy), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace pelorin
