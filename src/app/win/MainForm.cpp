#include "app/win/MainForm.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "common/win/GdiObjects.h"
#include "res/resource.h"

namespace pelorin {

std::wstring PelorinEnabledCaption(bool appEnabled) {
  return std::wstring(L"Pelorin") + (appEnabled ? L" enabled" : L" disabled");
}

namespace {

// Window placement rectangles are in work-area coordinates; the rest of Pelorin uses screen
// coordinates.
POINT WorkAreaOffset(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return {0, 0};
  return {info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

}  // namespace

TMainForm::TMainForm(const TSettingsModel& model, TConfigState& state, TSharedState& shared, const TSettingsIo& io)
    : Model(model),
      State(state),
      SharedState(shared),
      SettingsFollowers(shared),
      Commands(model.Inputs, state, shared),
      Mouse(model.Cfg, state, OnSettingChanged),
      KeyboardLayout(model.Cfg, state, OnSettingChanged),
      InputsPage(Commands, Mouse, KeyboardLayout),
      Desktop(model.Cfg, state, OnSettingChanged),
      Tracked(model.TrackedWindows, model.Inputs.CellPrefixLen(), state, shared),
      SettingsTab(model, state, shared, io, OnSettingChanged),
      Pages{&InputsPage, &Desktop, &Tracked, &SettingsTab} {
  SettingsTab.StoreWindowGeometry = [this](Settings& settings) { StoreGeometry(settings); };
  SettingsTab.Followers = &SettingsFollowers;
  Tracked.OnRowsEdited = [this] { SettingsFollowers.Recompute(Model); };
  SettingsTab.ShowModel = [this] {
    LoadControls(Model.Cfg);
    ShowModel();
  };
}

void TMainForm::MeasureFont() {
  Host.Scale = PixelsScale();
  // The pages' own font, "MS Shell Dlg" 8 at this DPI, for the controls of the top-level
  // window; its base units convert their dialog-unit spacing as the dialog manager does.
  Host.Font = DialogFont();
  TWindowDc screen;
  if (!screen) return;
  TSelected font(screen.Get(), Host.Font);
  TEXTMETRICW metrics{};
  SIZE letters{};
  ::GetTextMetricsW(screen.Get(), &metrics);
  ::GetTextExtentPoint32W(screen.Get(), L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  Host.BaseX = std::max(1L, (letters.cx / 26 + 1) / 2);
  Host.BaseY = std::max(1L, metrics.tmHeight);
}

bool TMainForm::Create(HINSTANCE instance, const std::wstring& caption, HMODULE resources) {
  if (Handle() != nullptr) return true;
  Host.Instance = instance;
  Host.Resources = resources != nullptr ? resources : instance;
  Host.Hints = &Hints;

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                      ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  TWindowClass windowClass;
  windowClass.Name = WindowClass;
  windowClass.Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.IconModule = Host.Resources;
  windowClass.IconName = L"MAINICON";
  TWindowParams params;
  params.ExStyle = WS_EX_CONTROLPARENT;
  params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  params.Text = caption.c_str();
  params.X = params.Y = CW_USEDEFAULT;
  params.Width = params.Height = 100;
  bool created = CreateHandle(instance, windowClass, params);
  // Nothing done while building the window is a change of the user's.
  TProgrammaticChange guard(State);
  if (created) MeasureFont();
  if (!created || !CreateControls()) {
    Destroy();
    return false;
  }
  ComputeMinimumSize();

  // The design size at this DPI, never below the minimum, centred on the work area.
  const Settings design;
  int width = std::max<int>(std::lround(design.Width * Host.Scale), MinSize.cx);
  int height = std::max<int>(std::lround(design.Height * Host.Scale), MinSize.cy);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(Handle(), nullptr, work.left + (RectWidth(work) - width) / 2,
                 work.top + (RectHeight(work) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
  ShowPage(0);
  InputsPage.ActivatePage(TInputsPage::Commands);
  for (TFormPage* page : Pages) page->ShowSettings(Model.Cfg);
  RefreshSwitchCaptions();
  ::GetWindowRect(Handle(), &LastRect);
  return true;
}

bool TMainForm::CreateControls() {
  Tabs = ::CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, 0,
                           Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PAGE_CONTROL)), Host.Instance,
                           nullptr);
  PelorinEnabled = ::CreateWindowExW(0, WC_BUTTONW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0,
                                     0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PELORIN_ENABLED)),
                                     Host.Instance, nullptr);
  if (Tabs == nullptr || PelorinEnabled == nullptr || !Hints.Create(Handle(), Host.Instance, Host.Scale)) return false;
  ::SendMessageW(Tabs, WM_SETFONT, reinterpret_cast<WPARAM>(Host.Font), FALSE);
  ::SendMessageW(PelorinEnabled, WM_SETFONT, reinterpret_cast<WPARAM>(Host.Font), FALSE);
  for (TFormPage* page : Pages) {
    if (!page->Create(Host, Handle())) return false;
    AddTab(Tabs, *page);
  }
  return true;
}

void TMainForm::Destroy() {
  // The pages first; none of their messages may reach a form half taken apart.
  for (TFormPage* page : Pages) page->Destroy();
  TWindowBase::Destroy();
}

void TMainForm::WindowGone() {
  // Destroyed from outside (a WM_CLOSE nobody took), the pages went before it.
  Tabs = PelorinEnabled = nullptr;
  Hints.Forget();
  Host.Font = nullptr;
}

HWND TMainForm::Control(int id) const {
  if (Handle() == nullptr) return nullptr;
  if (HWND control = ::GetDlgItem(Handle(), id)) return control;
  for (const TFormPage* page : Pages)
    if (HWND control = page->Control(id)) return control;
  return nullptr;
}

void TMainForm::ComputeMinimumSize() {
  // Every page at least at its template's size, more where a page needs it.
  SIZE page{0, 0};
  for (const TFormPage* p : Pages) {
    page.cx = std::max(page.cx, p->MinimumSize().cx);
    page.cy = std::max(page.cy, p->MinimumSize().cy);
  }
  RECT tabs{0, 0, page.cx, page.cy};
  ::SendMessageW(Tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tabs));
  int clientWidth = std::max(RectWidth(tabs), Host.DluX(SwitchWidth)) + 2 * Host.DluX(Margin);
  int clientHeight = RectHeight(tabs) + 2 * Host.DluY(Margin) + Host.DluY(SwitchGap) + Host.DluY(ButtonHeight);
  RECT window{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&window, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  MinSize = {RectWidth(window), RectHeight(window)};
}

void TMainForm::Layout() {
  if (Handle() == nullptr || Tabs == nullptr || ::IsIconic(Handle())) return;
  RECT client{};
  ::GetClientRect(Handle(), &client);
  int mx = Host.DluX(Margin), my = Host.DluY(Margin), buttonHeight = Host.DluY(ButtonHeight);
  RECT tabs{mx, my, client.right - mx, client.bottom - my - buttonHeight - Host.DluY(SwitchGap)};
  ::SetWindowPos(Tabs, nullptr, tabs.left, tabs.top, RectWidth(tabs), RectHeight(tabs), SWP_NOZORDER | SWP_NOACTIVATE);
  // Below the page control, at the bottom left.
  ::SetWindowPos(PelorinEnabled, nullptr, mx, client.bottom - my - buttonHeight, Host.DluX(SwitchWidth), buttonHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  RECT page = tabs;
  ::SendMessageW(Tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  for (TFormPage* p : Pages)
    if (p->Handle() != nullptr)
      ::SetWindowPos(p->Handle(), nullptr, page.left, page.top, RectWidth(page), RectHeight(page),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::ShowPage(int index) { ShowTabPage(Tabs, Pages, index); }

TMainPage TMainForm::ActivePage() const {
  LRESULT index = Tabs != nullptr ? ::SendMessageW(Tabs, TCM_GETCURSEL, 0, 0) : 0;
  return static_cast<TMainPage>(std::clamp<LRESULT>(index, 0, MainPageCount - 1));
}

int TMainForm::HelpIndex() const { return Pages[static_cast<int>(ActivePage())]->HelpIndex(); }

void TMainForm::Show() {
  if (Handle() != nullptr) ::ShowWindow(Handle(), ::IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
}

void TMainForm::Hide() {
  if (Handle() != nullptr) ::ShowWindow(Handle(), SW_HIDE);
}

void TMainForm::LoadControls(const Settings& settings) {
  if (Handle() == nullptr) return;
  TProgrammaticChange guard(State);
  for (TFormPage* page : Pages) page->ShowSettings(settings);
  if (::IsIconic(Handle()) || ::IsZoomed(Handle())) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(Handle(), &placement);
    POINT offset = WorkAreaOffset(Handle());
    placement.rcNormalPosition = {settings.Left - offset.x, settings.Top - offset.y,
                                  settings.Left + settings.Width - offset.x, settings.Top + settings.Height - offset.y};
    ::SetWindowPlacement(Handle(), &placement);
  } else {
    ::SetWindowPos(Handle(), nullptr, settings.Left, settings.Top, settings.Width, settings.Height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::GetWindowRect(Handle(), &LastRect);
  for (TFormPage* page : Pages) page->LoadGeometry(settings);
}

void TMainForm::StoreGeometry(Settings& settings) const {
  if (Handle() == nullptr) return;
  RECT r{};
  if (::IsIconic(Handle()) || ::IsZoomed(Handle())) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(Handle(), &placement);
    POINT offset = WorkAreaOffset(Handle());
    r = placement.rcNormalPosition;
    ::OffsetRect(&r, offset.x, offset.y);
  } else {
    ::GetWindowRect(Handle(), &r);
  }
  settings.Left = r.left;
  settings.Top = r.top;
  settings.Width = RectWidth(r);
  settings.Height = RectHeight(r);
  for (const TFormPage* page : Pages) page->StoreGeometry(settings);
}

void TMainForm::ShowModel() {
  Commands.ShowTable(Model.Inputs);
  Tracked.ShowRows(Model.TrackedWindows);
}

void TMainForm::RefreshSwitchCaptions() {
  if (Handle() == nullptr) return;
  ::SetWindowTextW(PelorinEnabled,
                   PelorinEnabledCaption(SharedState.AppEnabled.load(std::memory_order_relaxed)).c_str());
  Commands.RefreshSwitchCaption();
}

bool TMainForm::IsFormMessage(MSG& message) {
  if (Handle() == nullptr || message.hwnd == nullptr) return false;
  if (message.hwnd != Handle() && !::IsChild(Handle(), message.hwnd)) return false;
  return ::IsDialogMessageW(Handle(), &message) != FALSE;
}

void TMainForm::GeometryMaybeChanged() {
  if (Handle() == nullptr || ::IsIconic(Handle())) return;
  RECT r{};
  ::GetWindowRect(Handle(), &r);
  bool changed = !::EqualRect(&r, &LastRect);
  LastRect = r;
  if (changed && ::IsWindowVisible(Handle())) SetSysCfgChanged(State);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (OnMessage) {
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) return result;
  }
  switch (message) {
    case WM_SIZE:
      Layout();
      GeometryMaybeChanged();
      return 0;
    case WM_MOVE:
      GeometryMaybeChanged();
      break;
    case WM_GETMINMAXINFO:
      if (MinSize.cx > 0) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {MinSize.cx, MinSize.cy};
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == Tabs && header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(::SendMessageW(Tabs, TCM_GETCURSEL, 0, 0)));
        return 0;
      }
      break;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_PELORIN_ENABLED && HIWORD(wParam) == BN_CLICKED) {
        if (OnPelorinEnabledClick) OnPelorinEnabledClick();
        return 0;
      }
      // Enter and Esc through the keyboard navigation: Esc belongs to the keyboard hook.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return 0;
      break;
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
