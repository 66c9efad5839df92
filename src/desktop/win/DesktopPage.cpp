#include "desktop/win/DesktopPage.h"

#include <cmath>
#include <string>
#include <string_view>

#include "common/win/Hints.h"
#include "common/win/GdiObjects.h"
#include "res/resource.h"

namespace pelorin {

namespace {

constexpr int ShortcutSide = 64;  // the shortcut pictures, pixels at 96 DPI
constexpr std::wstring_view ShortcutWords[] = {L"Sleep", L"Hibernate", L"Shutdown", L"Reboot"};
constexpr const wchar_t* ShortcutIconNames[] = {L"MAINICON1", L"MAINICON2", L"MAINICON3", L"MAINICON4"};

constexpr TCheckBinding DesktopChecks[] = {
    {IDC_AUTO_RESTORE_DESKTOP_CHECK, &Settings::AutoRestoreDesktopCheck, TSettingControl::AutoRestoreDesktopCheck},
};
constexpr TAnchor DesktopAnchors[] = {
    {IDC_DESKTOP_SEPARATOR, 0, 1, 0, 0},
    {IDC_AUTO_RESTORE_DESKTOP_CHECK, 0, 1, 0, 0},
    {IDC_ERROR_DESKTOP_LABEL, 0, 1, 0, 0},
};

bool IsShortcut(int id) { return id >= IDC_SLEEP_SHORTCUT && id <= IDC_REBOOT_SHORTCUT; }

}  // namespace

TDesktopPage::TDesktopPage(Settings& cfg, TConfigState& state, const TSettingChanged& changed)
    : TFormPage(IDD_DESKTOP_PAGE), Bindings(cfg, state, changed, {DesktopChecks, {}, {}}) {
  Bind(Bindings);
}

std::span<const TAnchor> TDesktopPage::Anchors() const { return DesktopAnchors; }

void TDesktopPage::Init() {
  ColourAsError(Control(IDC_ERROR_DESKTOP_LABEL));
  for (size_t i = 0; i < ShortcutIcons.size(); ++i)
    Host().Hints->Add(Control(IDC_SLEEP_SHORTCUT + static_cast<int>(i)), ShortcutWords[i]);
  Host().Hints->Add(Control(IDC_AUTO_RESTORE_DESKTOP_CHECK),
                    L"Uncheck this option if you want to move the desktop shortcuts which was previously saved. "
                    L"After the shortcuts moving save the shortcut positions then turn on this option back");
  int side = static_cast<int>(std::lround(ShortcutSide * Host().Scale));
  for (size_t i = 0; i < ShortcutIcons.size(); ++i)
    ShortcutIcons[i].Reset(
        static_cast<HICON>(::LoadImageW(Host().Resources, ShortcutIconNames[i], IMAGE_ICON, side, side, 0)));
}

void TDesktopPage::PageGone() {
  TFormPage::PageGone();
  for (TOwnedIcon& icon : ShortcutIcons) icon.Reset();
}

void TDesktopPage::ShowDesktopError() {
  ::ShowWindow(Control(IDC_ERROR_DESKTOP_LABEL), SW_SHOWNA);
  for (int id : {IDC_SAVE_DESKTOP, IDC_RESTORE_DESKTOP, IDC_AUTO_RESTORE_DESKTOP_CHECK})
    ::EnableWindow(Control(id), FALSE);
}

bool TDesktopPage::HandCursorOver(int id) const { return IsShortcut(id); }

bool TDesktopPage::Command(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;  // also STN_CLICKED
  if (id == IDC_SAVE_DESKTOP) {
    if (OnSaveClick) OnSaveClick();
  } else if (id == IDC_RESTORE_DESKTOP) {
    if (OnRestoreClick) OnRestoreClick();
  } else if (IsShortcut(id)) {
    const int index = id - IDC_SLEEP_SHORTCUT;
    if (OnShortcutClick) OnShortcutClick(index + 1, ShortcutWords[index]);
  } else {
    return false;
  }
  return true;
}

bool TDesktopPage::DrawItem(const DRAWITEMSTRUCT& item) {
  int id = static_cast<int>(item.CtlID);
  if (!IsShortcut(id)) return false;
  PaintPictureBackground(item);
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  int index = id - IDC_SLEEP_SHORTCUT;
  int side = static_cast<int>(std::lround(ShortcutSide * Host().Scale));
  if (HICON icon = ShortcutIcons[static_cast<size_t>(index)].Get()) {
    ::DrawIconEx(dc, r.left + (RectWidth(r) - side) / 2, r.top + (RectHeight(r) - side) / 2, icon, side, side, 0,
                 nullptr, DI_NORMAL);
    return true;
  }
  // An icon that could not be loaded: a frame with the command's word.
  ::DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
  TSelected font(dc, Host().Font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  std::wstring word(ShortcutWords[index]);
  ::DrawTextW(dc, word.c_str(), static_cast<int>(word.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  return true;
}

}  // namespace pelorin
