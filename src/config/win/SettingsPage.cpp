#include "config/win/SettingsPage.h"

#include <algorithm>
#include <cmath>

#include "common/win/Hints.h"
#include "common/win/GdiObjects.h"
#include "config/ExportImport.h"
#include "res/resource.h"

namespace pelorin {

namespace {

// A clipboard limit that the user changed counts at once and enables Apply.
void MarkClipboardLimit(TConfigState& state) { ClpManLimitsChanged(state); }

constexpr TCheckBinding SettingsChecks[] = {
    {IDC_AUTO_RUN_CHECK, &Settings::AutoRunCheck, TSettingControl::AutoRunCheck},
    {IDC_NOTE_CHECK, &Settings::NoteCheck, TSettingControl::NoteCheck},
    {IDC_DISABLE_IN_GAME, &Settings::DisableInGame, TSettingControl::DisableInGame},
    {IDC_HOOKS_CHECK, &Settings::HooksCheck, TSettingControl::HooksCheck, SetSysCfgChanged},
    {IDC_SAVE_CLIPBOARD_CHECK, &Settings::SaveClipboardCheck, TSettingControl::SaveClipboardCheck},
};
constexpr TSpinBinding SettingsSpins[] = {
    {IDC_MAX_UNCHECKED_EDIT, IDC_MAX_UNCHECKED_SPIN, &Settings::MaxUncheckedEdit, MaxUncheckedRange,
     TSettingControl::MaxUncheckedEdit, MarkClipboardLimit},
    {IDC_MAX_MEMORY_EDIT, IDC_MAX_MEMORY_SPIN, &Settings::MaxMemoryEdit, MaxMemoryRange,
     TSettingControl::MaxMemoryEdit, MarkClipboardLimit},
};
constexpr TAnchor SettingsAnchors[] = {
    {IDC_DISABLE_IN_GAME, 0, 1, 0, 0},
    {IDC_SETTINGS_SEPARATOR1, 0, 1, 0, 0},
    {IDC_SETTINGS_SEPARATOR2, 0, 1, 0, 0},
};

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  ::SetDCBrushColor(dc, colour);
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

// A clipboard: a board, a sheet with lines of text, the clip on top.
void DrawClipboardPicture(HDC dc, const RECT& area) {
  int side = std::min(RectWidth(area), RectHeight(area));
  int x0 = area.left + (RectWidth(area) - side) / 2, y0 = area.top + (RectHeight(area) - side) / 2;
  auto at = [&](double fx, double fy) { return POINT{x0 + static_cast<int>(std::lround(fx * side)),
                                                     y0 + static_cast<int>(std::lround(fy * side))}; };
  auto rect = [&](double l, double t, double r, double b) {
    POINT a = at(l, t), c = at(r, b);
    return RECT{a.x, a.y, c.x, c.y};
  };
  int round = std::max(2, side / 8);
  TSelected pen(dc, ::GetStockObject(DC_PEN));
  TSelected brush(dc, ::GetStockObject(DC_BRUSH));
  RECT board = rect(0.14, 0.10, 0.86, 0.97);
  ::SetDCPenColor(dc, RGB(112, 74, 38));
  ::SetDCBrushColor(dc, RGB(181, 128, 72));
  ::RoundRect(dc, board.left, board.top, board.right, board.bottom, round, round);
  RECT sheet = rect(0.24, 0.22, 0.76, 0.89);
  ::SetDCPenColor(dc, RGB(150, 150, 150));
  ::SetDCBrushColor(dc, RGB(255, 255, 255));
  ::Rectangle(dc, sheet.left, sheet.top, sheet.right, sheet.bottom);
  for (double y : {0.40, 0.52, 0.64, 0.76}) {
    RECT line = rect(0.32, y, y == 0.76 ? 0.56 : 0.68, y);
    line.bottom = line.top + std::max(1, side / 24);
    Fill(dc, line, RGB(120, 140, 170));
  }
  RECT clip = rect(0.36, 0.03, 0.64, 0.21);
  ::SetDCPenColor(dc, RGB(90, 90, 90));
  ::SetDCBrushColor(dc, RGB(196, 196, 196));
  ::RoundRect(dc, clip.left, clip.top, clip.right, clip.bottom, round / 2 + 1, round / 2 + 1);
}

}  // namespace

TSettingsPage::TSettingsPage(const TSettingsModel& model, TConfigState& state, TSharedState& shared,
                             const TSettingsIo& io, const TSettingChanged& changed)
    : TFormPage(IDD_SETTINGS_PAGE),
      Model(model),
      State(state),
      SharedState(shared),
      Io(io),
      Bindings(model.Cfg, state, changed, {SettingsChecks, {}, SettingsSpins}) {
  Bind(Bindings);
}

std::span<const TAnchor> TSettingsPage::Anchors() const { return SettingsAnchors; }

void TSettingsPage::Init() {
  SettingsDialogs.SetOwner(::GetAncestor(Handle(), GA_ROOT));
  ::SetWindowTextW(Control(IDC_SAVE_CFG), std::wstring(ExportButtonCaption).c_str());
  ::SetWindowTextW(Control(IDC_LOAD_CFG), std::wstring(ImportButtonCaption).c_str());
  const std::pair<int, const wchar_t*> hints[] = {
      {IDC_NOTE_CHECK, L"Show the notifications on custom inputs in upper right screen corner"},
      {IDC_CLP_IMAGE, L"Show Clipborad Manager"},
      {IDC_MAX_UNCHECKED_EDIT,
       L"Decreased value will be applied after you copy something into the clipboard. Or click \"Apply\" to apply "
       L"the changes immediately"},
      {IDC_SAVE_CLIPBOARD_CHECK,
       L"Auto-save the data of Clipboard manager at Pelorin exit and load it on Pelorin start"},
  };
  for (const auto& [id, text] : hints) Host().Hints->Add(Control(id), text);
}

bool TSettingsPage::Command(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;  // also STN_CLICKED
  if (id == IDC_APPLY) {
    if (OnApplyClick) {
      OnApplyClick();
      ::EnableWindow(Control(IDC_APPLY), FALSE);
    }
  } else if (id == IDC_SAVE_CFG) {
    SaveCfgClick();
  } else if (id == IDC_LOAD_CFG) {
    LoadCfgClick();
  } else if (id == IDC_CLP_IMAGE) {
    SharedState.PostAction(ActionClipboardManager);
  } else {
    return false;
  }
  return true;
}

void TSettingsPage::SettingChanged(TSettingControl control) {
  if (control == TSettingControl::MaxUncheckedEdit || control == TSettingControl::MaxMemoryEdit)
    ::EnableWindow(Control(IDC_APPLY), TRUE);
}

bool TSettingsPage::HandCursorOver(int id) const { return id == IDC_CLP_IMAGE; }

bool TSettingsPage::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != IDC_CLP_IMAGE) return false;
  PaintPictureBackground(item);
  DrawClipboardPicture(item.hDC, item.rcItem);
  return true;
}

void TSettingsPage::SaveCfgClick() {
  if (StoreWindowGeometry) StoreWindowGeometry(Model.Cfg);
  pelorin::SaveCfgClick(TSettingsCommands{Model, Io, State, SettingsDialogs});
}

void TSettingsPage::LoadCfgClick() {
  // Keys missing in the file keep the values in use, the window's among them.
  if (StoreWindowGeometry) StoreWindowGeometry(Model.Cfg);
  int width = SharedState.ScreenWidth.load(std::memory_order_relaxed);
  int height = SharedState.ScreenHeight.load(std::memory_order_relaxed);
  TScreenSize screen{width > 0 ? width : ::GetSystemMetrics(SM_CXSCREEN),
                     height > 0 ? height : ::GetSystemMetrics(SM_CYSCREEN)};
  pelorin::LoadCfgClick(TSettingsCommands{Model, Io, State, SettingsDialogs, Followers}, screen, [this] {
    if (ShowModel) ShowModel();
    if (OnSettingsImported) OnSettingsImported();
  });
}

}  // namespace pelorin
