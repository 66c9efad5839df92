#include "app/win/MainForm.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "app/MainWorkThread.h"
#include "app/win/MsgBox.h"
#include "common/win/GdiObjects.h"
#include "common/win/ProcAddress.h"
#include "config/ExportImport.h"
#include "input/InputCatalogue.h"
#include "res/resource.h"

namespace pelorin {

std::wstring PelorinEnabledCaption(bool appEnabled) {
  return std::wstring(L"Pelorin") + (appEnabled ? L" enabled" : L" disabled");
}

std::wstring InputsEnabledCaption(bool checkedInputsEnabled) {
  return std::wstring(L"Checked Inputs ") + (checkedInputsEnabled ? L"enabled" : L"disabled");
}

namespace {

constexpr COLORREF ErrorColour = RGB(255, 0, 0);
constexpr UINT HintShowMs = 15000;
constexpr int HintWrapWidth = 400;  // pixels at 96 DPI; longer hints wrap
constexpr int ShortcutSide = 64;    // the shortcut pictures, pixels at 96 DPI

constexpr UINT_PTR EditorSubclassId = 1;
// Posted to the Commands page: CommandCombo changes its kind once its own notification is over.
constexpr UINT WM_SWITCH_COMMAND_COMBO = WM_APP + 1;

std::wstring ComboItem(HWND combo, int index) {
  LRESULT len = ::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (len == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

bool KeyHeld(int vk) { return (::GetKeyState(vk) & 0x8000) != 0; }


struct TCheckBinding {
  int Id;
  bool Settings::*Field;
  TSettingControl Control;
};
constexpr TCheckBinding CheckBindings[] = {
    {IDC_FIX_WHEEL_CHECK, &Settings::FixWheelCheck, TSettingControl::FixWheelCheck},
    {IDC_FIX_DBLCLICKS_CHECK, &Settings::FixDblClicksCheck, TSettingControl::FixDblClicksCheck},
    {IDC_AUTO_LAYOUT_CHECK, &Settings::AutoLayoutCheck, TSettingControl::AutoLayoutCheck},
    {IDC_AUTO_RESTORE_DESKTOP_CHECK, &Settings::AutoRestoreDesktopCheck, TSettingControl::AutoRestoreDesktopCheck},
    {IDC_AUTO_RUN_CHECK, &Settings::AutoRunCheck, TSettingControl::AutoRunCheck},
    {IDC_NOTE_CHECK, &Settings::NoteCheck, TSettingControl::NoteCheck},
    {IDC_DISABLE_IN_GAME, &Settings::DisableInGame, TSettingControl::DisableInGame},
    {IDC_HOOKS_CHECK, &Settings::HooksCheck, TSettingControl::HooksCheck},
    {IDC_SAVE_CLIPBOARD_CHECK, &Settings::SaveClipboardCheck, TSettingControl::SaveClipboardCheck},
};

struct TTrackBinding {
  int Id;
  int Settings::*Field;
  TRange Range;
  int TickFrequency;
  TSettingControl Control;
};
constexpr TTrackBinding TrackBindings[] = {
    {IDC_DIST_TRACK, &Settings::DistTrack, DistRange, 5, TSettingControl::DistTrack},
    {IDC_SPEED_TRACK, &Settings::SpeedTrack, SpeedRange, 25, TSettingControl::SpeedTrack},
    {IDC_AUTO_LAYOUT_TRACK, &Settings::AutoLayoutTrack, AutoLayoutRange, 1, TSettingControl::AutoLayoutTrack},
};

struct TSpinBinding {
  int EditId;
  int SpinId;
  int Settings::*Field;
  TRange Range;
  TSettingControl Control;
};
constexpr TSpinBinding SpinBindings[] = {
    {IDC_MAX_UNCHECKED_EDIT, IDC_MAX_UNCHECKED_SPIN, &Settings::MaxUncheckedEdit, MaxUncheckedRange,
     TSettingControl::MaxUncheckedEdit},
    {IDC_MAX_MEMORY_EDIT, IDC_MAX_MEMORY_SPIN, &Settings::MaxMemoryEdit, MaxMemoryRange,
     TSettingControl::MaxMemoryEdit},
};

// How a control follows its page when the page is larger than its template: the share of
// the extra width and height it moves by and grows by.
struct TAnchor {
  int Id;
  double MoveX, SizeX, MoveY, SizeY;
};
constexpr TAnchor Anchors[] = {
    {IDC_INPUTS_TABS, 0, 1, 0, 1},
    // Commands: the choices take the extra width; a command line can be long.
    {IDC_COMMAND_COMBO, 0, 1, 0, 0},
    {IDC_COMMAND_EDIT_COMBO, 0, 1, 0, 0},
    {IDC_INPUT_COMBO, 0, 1, 0, 0},
    {IDC_ADD_INPUT, 1, 0, 0, 0},
    {IDC_MAIN_GRID, 0, 1, 0, 1},
    {IDC_INPUTS_ENABLED, 0, 0, 1, 0},
    {IDC_REMOVE_INPUT, 1, 0, 1, 0},
    {IDC_DIST_CAPTION, 0, 1, 0, 0},
    {IDC_DIST_TRACK, 0, 1, 0, 0},
    {IDC_DIST_LABEL, 0, 1, 0, 0},
    {IDC_SPEED_CAPTION, 0, 1, 0, 0},
    {IDC_SPEED_TRACK, 0, 1, 0, 0},
    {IDC_DESKTOP_SEPARATOR, 0, 1, 0, 0},
    {IDC_AUTO_RESTORE_DESKTOP_CHECK, 0, 1, 0, 0},
    {IDC_ERROR_DESKTOP_LABEL, 0, 1, 0, 0},
    // Tracked windows: the title field grows up to the "Click at:" block, which keeps to the
    // right edge with the table buttons.
    {IDC_HEADER_TEXT, 0, 1, 0, 0},
    {IDC_BUTTON_IMAGE, 1, 0, 0, 0},
    {IDC_CLICK_LABEL, 1, 0, 0, 0},
    {IDC_BTN_CHECK, 1, 0, 0, 0},
    {IDC_XY_CHECK, 1, 0, 0, 0},
    {IDC_BUTTON_TEXT, 1, 0, 0, 0},
    {IDC_PASTE_SYM, 1, 0, 0, 0},
    {IDC_ADD_WINDOW, 1, 0, 0, 0},
    {IDC_EDIT_WINDOW, 1, 0, 0, 0},
    {IDC_REMOVE_WIN_TRACK, 1, 0, 0, 0},
    {IDC_TRACK_WINS_GRID, 0, 1, 0, 1},
    {IDC_DISABLE_IN_GAME, 0, 1, 0, 0},
    {IDC_SETTINGS_SEPARATOR1, 0, 1, 0, 0},
    {IDC_SETTINGS_SEPARATOR2, 0, 1, 0, 0},
};

constexpr std::wstring_view WinGridHeaders[] = {L"Window title:", L"Inner text/class name or window size:",
                                                L"Click at:"};
constexpr std::wstring_view ShortcutWords[] = {L"Sleep", L"Hibernate", L"Shutdown", L"Reboot"};
constexpr const wchar_t* ShortcutIconNames[] = {L"MAINICON1", L"MAINICON2", L"MAINICON3", L"MAINICON4"};

// The tracked-windows fields: their design hints get the picker sentence, the optional ones
// one more.
constexpr std::wstring_view PickerSentence = L" Use a \"Hand-point\" icon at left to specify this field";
constexpr std::wstring_view OptionalSentence = L". This field is optional";
constexpr std::wstring_view RadioHint =
    L"this radio-button is set automatically depending on context of the window area under the drag&dropping "
    L"hand-point icon";

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

class TMemoryDc {
 public:
  TMemoryDc() : Dc(::CreateCompatibleDC(nullptr)) {}
  TMemoryDc(const TMemoryDc&) = delete;
  TMemoryDc& operator=(const TMemoryDc&) = delete;
  ~TMemoryDc() {
    if (Dc != nullptr) ::DeleteDC(Dc);
  }
  HDC Get() const { return Dc; }

 private:
  HDC Dc;
};

std::wstring WindowText(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(got));
  return text;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT RectIn(HWND control, HWND parent) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Window placement rectangles are in work-area coordinates; the rest of Pelorin uses screen
// coordinates.
POINT WorkAreaOffset(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return {0, 0};
  return {info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

// A TSpinEdit reads text that is no number as its minimum, and any number clamped.
int SpinValue(const std::wstring& text, const TRange& range) {
  if (text.empty() || text.size() > 9) return range.Clamp(text.empty() ? range.Min : range.Max);
  int value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return range.Min;
    value = value * 10 + (c - L'0');
  }
  return range.Clamp(value);
}

// The system's hand cursor, and the part of it that is not transparent: the pictures show
// that part, scaled to fit, whatever size the cursor comes in.
struct THandPicture {
  HCURSOR Cursor = nullptr;
  SIZE Size{32, 32};
  RECT Box{0, 0, 32, 32};
};

const THandPicture& HandPicture() {
  static const THandPicture picture = [] {
    THandPicture p;
    p.Cursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
    if (p.Cursor == nullptr) return p;
    ICONINFO info{};
    if (::GetIconInfo(p.Cursor, &info)) {
      BITMAP mask{};
      ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
      // A monochrome cursor keeps its AND and XOR masks one above the other.
      p.Size = {mask.bmWidth, info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2};
      if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
      if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    }
    // Drawn once on white and once on black: a pixel that is the background in both is
    // transparent.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = p.Size.cx;
    bi.bmiHeader.biHeight = -p.Size.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    TMemoryDc dc;
    uint32_t* pixels[2] = {};
    TGdiObject white(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels[0]), nullptr, 0));
    TGdiObject black(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels[1]), nullptr, 0));
    if (white.Get() == nullptr || black.Get() == nullptr) return p;
    RECT all{0, 0, p.Size.cx, p.Size.cy};
    for (int i = 0; i < 2; ++i) {
      TSelected bitmap(dc.Get(), i == 0 ? white.Get() : black.Get());
      ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(i == 0 ? WHITE_BRUSH : BLACK_BRUSH)));
      ::DrawIconEx(dc.Get(), 0, 0, p.Cursor, p.Size.cx, p.Size.cy, 0, nullptr, DI_NORMAL);
    }
    ::GdiFlush();
    RECT box{p.Size.cx, p.Size.cy, 0, 0};
    for (int y = 0; y < p.Size.cy; ++y) {
      for (int x = 0; x < p.Size.cx; ++x) {
        size_t i = static_cast<size_t>(y) * p.Size.cx + x;
        if ((pixels[0][i] & 0xFFFFFF) == 0xFFFFFF && (pixels[1][i] & 0xFFFFFF) == 0) continue;
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
               std::max<LONG>(box.bottom, y + 1)};
      }
    }
    if (box.right > box.left) p.Box = box;
    return p;
  }();
  return picture;
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  ::SetDCBrushColor(dc, colour);
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

// A clipboard: a board, a sheet with lines of text, the clip on top.
void DrawClipboardPicture(HDC dc, const RECT& area) {
  int side = std::min(Width(area), Height(area));
  int x0 = area.left + (Width(area) - side) / 2, y0 = area.top + (Height(area) - side) / 2;
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

TMainForm::TMainForm(const TSettingsModel& model, TConfigState& state, TSharedState& shared, const TSettingsIo& io)
    : Model(model), State(state), SharedState(shared), Io(io) {}

bool TMainForm::Create(HINSTANCE instance, const std::wstring& caption, HMODULE resources) {
  if (Window != nullptr) return true;
  Instance = instance;
  Resources = resources != nullptr ? resources : instance;

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                      ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  HDC screen = ::GetDC(nullptr);
  int dpiX = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  int dpiY = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  Scale = dpiX > 0 ? dpiX / 96.0 : 1.0;
  // The pages' own font, "MS Shell Dlg" 8 at this DPI, for the controls of the top-level
  // window; its base units convert their dialog-unit spacing as the dialog manager does.
  Font = ::CreateFontW(-::MulDiv(8, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"MS Shell Dlg");
  if (screen != nullptr) {
    TSelected font(screen, Font);
    TEXTMETRICW metrics{};
    SIZE letters{};
    ::GetTextMetricsW(screen, &metrics);
    ::GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    BaseX = std::max(1L, (letters.cx / 26 + 1) / 2);
    BaseY = std::max(1L, metrics.tmHeight);
    ::ReleaseDC(nullptr, screen);
  }

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  // Registered once per process; the class keeps its icons for the process's life.
  if (!::GetClassInfoExW(instance, WindowClass, &wc)) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(::LoadImageW(Resources, L"MAINICON", IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                               ::GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(Resources, L"MAINICON", IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = WindowClass;
    ::RegisterClassExW(&wc);
  }

  Window = ::CreateWindowExW(WS_EX_CONTROLPARENT, WindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
  if (Window == nullptr) {
    Destroy();
    return false;
  }
  SettingsDialogs.SetOwner(Window);
  // Nothing done while building the window is a change of the user's.
  TProgrammaticChange guard(State);

  Tabs = ::CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, 0,
                           Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PAGE_CONTROL)), instance, nullptr);
  PelorinEnabled = ::CreateWindowExW(0, WC_BUTTONW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0,
                                     0, Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PELORIN_ENABLED)),
                                     instance, nullptr);
  Tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window, nullptr, instance,
                              nullptr);
  if (Tabs == nullptr || PelorinEnabled == nullptr || Tooltip == nullptr) {
    Destroy();
    return false;
  }
  ::SendMessageW(Tabs, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
  ::SendMessageW(PelorinEnabled, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
  ::SendMessageW(Tooltip, TTM_SETMAXTIPWIDTH, 0, std::lround(HintWrapWidth * Scale));
  ::SendMessageW(Tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, HintShowMs);

  constexpr int pageTemplates[MainPageCount] = {IDD_CUSTOM_INPUTS_PAGE, IDD_DESKTOP_PAGE, IDD_TRACKED_PAGE,
                                                IDD_SETTINGS_PAGE};
  for (int i = 0; i < MainPageCount; ++i) {
    Pages[i] = CreatePage(pageTemplates[i], Window);
    if (Pages[i] == nullptr) {
      Destroy();
      return false;
    }
    std::wstring title = WindowText(Pages[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title.data();
    ::SendMessageW(Tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  InputsTabs = ::GetDlgItem(Pages[0], IDC_INPUTS_TABS);
  constexpr int inputsTemplates[InputsPageCount] = {IDD_COMMANDS_PAGE, IDD_MOUSE_PAGE, IDD_LAYOUT_PAGE};
  for (int i = 0; i < InputsPageCount; ++i) {
    InputsPages[i] = CreatePage(inputsTemplates[i], Pages[0]);
    if (InputsPages[i] == nullptr || InputsTabs == nullptr) {
      Destroy();
      return false;
    }
    std::wstring title = WindowText(InputsPages[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title.data();
    ::SendMessageW(InputsTabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  HookErrorLabel = ::GetDlgItem(InputsPages[0], IDC_HOOK_ERROR_LABEL);

  InitControls();
  SubclassEditorControls();
  ComputeMinimumSize();

  // The design size at this DPI, never below the minimum, centred on the work area.
  const Settings design;
  int width = std::max<int>(std::lround(design.Width * Scale), MinSize.cx);
  int height = std::max<int>(std::lround(design.Height * Scale), MinSize.cy);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(Window, nullptr, work.left + (Width(work) - width) / 2, work.top + (Height(work) - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
  ShowPage(0);
  ShowInputsPage(0);
  ShowSettingControls(Model.Cfg);
  ShowTable(Model.Inputs);
  ShowTrackedWindows(Model.TrackedWindows);
  RefreshSwitchCaptions();
  ::GetWindowRect(Window, &LastRect);
  return true;
}

void TMainForm::Destroy() {
  if (Window != nullptr) {
    // The pages go with the window; none of their messages may reach a form half taken apart.
    for (const TPageLayout& layout : Layouts) ::SetWindowLongPtrW(layout.Page, DWLP_USER, 0);
    ::SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
    ::DestroyWindow(Window);
  }
  Window = Tabs = InputsTabs = PelorinEnabled = Tooltip = HookErrorLabel = nullptr;
  Pages.fill(nullptr);
  InputsPages.fill(nullptr);
  Layouts.clear();
  if (Font != nullptr) ::DeleteObject(Font);
  Font = nullptr;
  for (HICON& icon : ShortcutIcons) {
    if (icon != nullptr) ::DestroyIcon(icon);
    icon = nullptr;
  }
}

HWND TMainForm::CreatePage(int templateId, HWND parent) {
  HRSRC found = ::FindResourceW(Resources, MAKEINTRESOURCEW(templateId), RT_DIALOG);
  HGLOBAL loaded = found != nullptr ? ::LoadResource(Resources, found) : nullptr;
  auto* dialog = loaded != nullptr ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
  if (dialog == nullptr) return nullptr;
  HWND page = ::CreateDialogIndirectParamW(Instance, dialog, parent, PageProc, reinterpret_cast<LPARAM>(this));
  if (page != nullptr && ThemeApi().EnableThemeDialogTexture != nullptr)
    ThemeApi().EnableThemeDialogTexture(page, ETDT_ENABLETAB);
  return page;
}

HWND TMainForm::CommandCombo() const {
  return Control(CommandEditable ? IDC_COMMAND_EDIT_COMBO : IDC_COMMAND_COMBO);
}
bool TMainForm::CommandComboEditable() const { return CommandEditable; }
HWND TMainForm::InputCombo() const { return Control(IDC_INPUT_COMBO); }

HWND TMainForm::Control(int id) const {
  if (Window == nullptr) return nullptr;
  // It moves between the sub-tabs.
  if (id == IDC_HOOK_ERROR_LABEL) return HookErrorLabel;
  if (HWND control = ::GetDlgItem(Window, id)) return control;
  for (HWND page : Pages)
    if (HWND control = page != nullptr ? ::GetDlgItem(page, id) : nullptr) return control;
  for (HWND page : InputsPages)
    if (HWND control = page != nullptr ? ::GetDlgItem(page, id) : nullptr) return control;
  return nullptr;
}

void TMainForm::InitControls() {
  for (std::wstring_view item : CommandCatalogue) {
    std::wstring text(item);
    ::SendMessageW(Control(IDC_COMMAND_COMBO), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(Control(IDC_COMMAND_EDIT_COMBO), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  for (std::wstring_view item : InputCatalogue) {
    std::wstring text(item);
    ::SendMessageW(InputCombo(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  for (const TTrackBinding& b : TrackBindings) {
    HWND track = Control(b.Id);
    ::SendMessageW(track, TBM_SETRANGEMIN, FALSE, b.Range.Min);
    ::SendMessageW(track, TBM_SETRANGEMAX, TRUE, b.Range.Max);
    ::SendMessageW(track, TBM_SETTICFREQ, b.TickFrequency, 0);
    ::SendMessageW(track, TBM_SETPAGESIZE, 0, b.TickFrequency);
    ::SendMessageW(track, TBM_SETLINESIZE, 0, 1);
  }
  for (const TSpinBinding& b : SpinBindings) {
    ::SendMessageW(Control(b.SpinId), UDM_SETRANGE32, b.Range.Min, b.Range.Max);
    ::SendMessageW(Control(b.EditId), EM_SETLIMITTEXT, std::to_wstring(b.Range.Max).size(), 0);
  }
  const Settings design;
  InitGrid(Control(IDC_MAIN_GRID), {TCustomInputTable::CommandHeader, TCustomInputTable::InputHeader},
           design.MainGridColWidths[0]);
  InitGrid(Control(IDC_TRACK_WINS_GRID), {WinGridHeaders[0], WinGridHeaders[1], WinGridHeaders[2]},
           design.WinGridColWidths[0]);
  ::SetWindowTextW(Control(IDC_SAVE_CFG), std::wstring(ExportButtonCaption).c_str());
  ::SetWindowTextW(Control(IDC_LOAD_CFG), std::wstring(ImportButtonCaption).c_str());

  auto join = [](std::initializer_list<std::wstring_view> parts) {
    std::wstring text;
    for (std::wstring_view part : parts) text += part;
    return text;
  };
  const std::wstring titleHint = join({L"Title text of window, which Pelorin will track.", PickerSentence});
  const std::wstring buttonHint =
      join({L"Text of button, which Pelorin will click when tracked window appears. Or coordinates, relative to the "
            L"window, by which Pelorin will click.",
            PickerSentence});
  const std::wstring innerHint =
      join({L"Text must be contained inside the tracked window, or window class name(see the Help).", PickerSentence,
            OptionalSentence});
  const std::wstring sizeHint = join({L"Size of window, which Pelorin will track.", PickerSentence, OptionalSentence});
  const std::pair<int, std::wstring> hints[] = {
      {IDC_AUTO_LAYOUT_TRACK,
       L"At higher sensitivity required less typed chars for auto-switcher change the layout, but more probability "
       L"that it switches the layout mistakenly"},
      {IDC_SLEEP_SHORTCUT, std::wstring(ShortcutWords[0])},
      {IDC_HIBERNATE_SHORTCUT, std::wstring(ShortcutWords[1])},
      {IDC_SHUTDOWN_SHORTCUT, std::wstring(ShortcutWords[2])},
      {IDC_REBOOT_SHORTCUT, std::wstring(ShortcutWords[3])},
      {IDC_AUTO_RESTORE_DESKTOP_CHECK,
       L"Uncheck this option if you want to move the desktop shortcuts which was previously saved. After the "
       L"shortcuts moving save the shortcut positions then turn on this option back"},
      {IDC_HEADER_IMAGE, L"Drag&Drop this hand-point icon onto the window title"},
      {IDC_IN_WIN_IMAGE, L"Drag&Drop this hand-point icon onto the text, contained inside the window"},
      {IDC_SIZE_IMAGE, L"Drag&Drop this hand-point icon onto the window to get it size"},
      {IDC_BUTTON_IMAGE, L"Drag&Drop this hand-point icon onto the window button"},
      {IDC_HEADER_TEXT, titleHint},
      {IDC_IN_WIN_TEXT, innerHint},
      {IDC_IN_WIN_CHECK, innerHint},
      {IDC_WIN_SIZE, sizeHint},
      {IDC_WIN_SIZE_CHECK, sizeHint},
      {IDC_BUTTON_TEXT, buttonHint},
      {IDC_BTN_CHECK, std::wstring(RadioHint)},
      {IDC_XY_CHECK, std::wstring(RadioHint)},
      {IDC_PASTE_SYM,
       L"Use these [*] 3 symbols to replace any various parts of text in all editors on this tab-sheet. Click to "
       L"paste these symbols into the currently active editor"},
      {IDC_NOTE_CHECK, L"Show the notifications on custom inputs in upper right screen corner"},
      {IDC_CLP_IMAGE, L"Show Clipborad Manager"},
      {IDC_MAX_UNCHECKED_EDIT,
       L"Decreased value will be applied after you copy something into the clipboard. Or click \"Apply\" to apply "
       L"the changes immediately"},
      {IDC_SAVE_CLIPBOARD_CHECK,
       L"Auto-save the data of Clipboard manager at Pelorin exit and load it on Pelorin start"},
  };
  for (const auto& [id, text] : hints) AddHint(Control(id), text);

  int side = std::lround(ShortcutSide * Scale);
  for (size_t i = 0; i < ShortcutIcons.size(); ++i)
    ShortcutIcons[i] = static_cast<HICON>(::LoadImageW(Resources, ShortcutIconNames[i], IMAGE_ICON, side, side, 0));
}

void TMainForm::InitGrid(HWND grid, std::initializer_list<std::wstring_view> headers, int designWidth) {
  ::SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  int column = 0;
  for (std::wstring_view header : headers) {
    std::wstring text(header);
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.cx = std::lround(designWidth * Scale);
    c.pszText = text.data();
    c.iSubItem = column;
    ::SendMessageW(grid, LVM_INSERTCOLUMNW, column++, reinterpret_cast<LPARAM>(&c));
  }
}

void TMainForm::AddHint(HWND control, std::wstring_view text) {
  if (control == nullptr || Tooltip == nullptr) return;
  std::wstring copy(text);
  TTTOOLINFOW tool{};
  // The shorter record is understood by every version of the common controls.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = copy.data();
  ::SendMessageW(Tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TMainForm::RemoveHint(HWND control) {
  if (control == nullptr || Tooltip == nullptr) return;
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = Window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  ::SendMessageW(Tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TMainForm::RecordLayout(HWND page) {
  TPageLayout layout;
  layout.Page = page;
  RECT client{};
  ::GetClientRect(page, &client);
  layout.Design = {client.right, client.bottom};
  for (const TAnchor& anchor : Anchors) {
    HWND control = ::GetDlgItem(page, anchor.Id);
    if (control == nullptr) continue;
    RECT design = RectIn(control, page);
    // A drop-down list's window is its closed height; moving it with that height would
    // leave its list one line high.
    wchar_t cls[16] = {};
    ::GetClassNameW(control, cls, 16);
    if (::lstrcmpiW(cls, WC_COMBOBOXW) == 0) {
      RECT dropped{};
      ::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      design.bottom = design.top + std::max(Height(dropped), Height(design));
    }
    layout.Anchored.push_back({control, design, anchor.MoveX, anchor.SizeX, anchor.MoveY, anchor.SizeY});
  }
  Layouts.push_back(std::move(layout));
}

const TMainForm::TPageLayout* TMainForm::LayoutOf(HWND page) const {
  for (const TPageLayout& layout : Layouts)
    if (layout.Page == page) return &layout;
  return nullptr;
}

void TMainForm::ComputeMinimumSize() {
  // Every page at least at its template's size; "Custom Inputs" grows where its sub-tabs
  // need more room than its own tab control gives them at that size.
  SIZE page{0, 0};
  for (HWND p : Pages) {
    const TPageLayout* layout = LayoutOf(p);
    if (layout == nullptr) continue;
    page.cx = std::max(page.cx, layout->Design.cx);
    page.cy = std::max(page.cy, layout->Design.cy);
  }
  const TPageLayout* inputs = LayoutOf(Pages[0]);
  if (inputs != nullptr) {
    for (const TAnchored& a : inputs->Anchored) {
      if (a.Control != InputsTabs) continue;
      RECT display = a.Design;
      ::SendMessageW(InputsTabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
      SIZE sub{0, 0};
      for (HWND p : InputsPages)
        if (const TPageLayout* layout = LayoutOf(p)) {
          sub.cx = std::max(sub.cx, layout->Design.cx);
          sub.cy = std::max(sub.cy, layout->Design.cy);
        }
      page.cx = std::max(page.cx, inputs->Design.cx + std::max(0L, sub.cx - Width(display)));
      page.cy = std::max(page.cy, inputs->Design.cy + std::max(0L, sub.cy - Height(display)));
    }
  }
  RECT tabs{0, 0, page.cx, page.cy};
  ::SendMessageW(Tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tabs));
  int clientWidth = std::max(Width(tabs), DluX(SwitchWidth)) + 2 * DluX(Margin);
  int clientHeight = Height(tabs) + 2 * DluY(Margin) + DluY(SwitchGap) + DluY(ButtonHeight);
  RECT window{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&window, static_cast<DWORD>(::GetWindowLongPtrW(Window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(Window, GWL_EXSTYLE)));
  MinSize = {Width(window), Height(window)};
}

void TMainForm::Layout() {
  if (Window == nullptr || Tabs == nullptr || ::IsIconic(Window)) return;
  RECT client{};
  ::GetClientRect(Window, &client);
  int mx = DluX(Margin), my = DluY(Margin), buttonHeight = DluY(ButtonHeight);
  RECT tabs{mx, my, client.right - mx, client.bottom - my - buttonHeight - DluY(SwitchGap)};
  ::SetWindowPos(Tabs, nullptr, tabs.left, tabs.top, Width(tabs), Height(tabs), SWP_NOZORDER | SWP_NOACTIVATE);
  // Below the page control, at the bottom left.
  ::SetWindowPos(PelorinEnabled, nullptr, mx, client.bottom - my - buttonHeight, DluX(SwitchWidth), buttonHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  RECT page = tabs;
  ::SendMessageW(Tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  for (HWND p : Pages)
    if (p != nullptr)
      ::SetWindowPos(p, nullptr, page.left, page.top, Width(page), Height(page), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::LayoutPage(HWND page) {
  const TPageLayout* layout = LayoutOf(page);
  if (layout == nullptr) return;
  RECT client{};
  ::GetClientRect(page, &client);
  int dx = client.right - layout->Design.cx, dy = client.bottom - layout->Design.cy;
  for (const TAnchored& a : layout->Anchored) {
    auto share = [](double part, int extra) { return static_cast<int>(std::lround(part * extra)); };
    ::SetWindowPos(a.Control, nullptr, a.Design.left + share(a.MoveX, dx), a.Design.top + share(a.MoveY, dy),
                   Width(a.Design) + share(a.SizeX, dx), Height(a.Design) + share(a.SizeY, dy),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (page == Pages[0]) FitInputsPages();
  if (HookErrorLabel != nullptr && ::GetParent(HookErrorLabel) == page) PlaceErrorLabel();
}

void TMainForm::FitInputsPages() {
  if (InputsTabs == nullptr) return;
  RECT display = RectIn(InputsTabs, Pages[0]);
  ::SendMessageW(InputsTabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  for (HWND p : InputsPages)
    if (p != nullptr)
      ::SetWindowPos(p, nullptr, display.left, display.top, Width(display), Height(display),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::PlaceErrorLabel() {
  HWND host = InputsPages[static_cast<int>(ActiveInputsPage())];
  if (HookErrorLabel == nullptr || host == nullptr) return;
  if (::GetParent(HookErrorLabel) != host) ::SetParent(HookErrorLabel, host);
  // At the bottom edge, in the row of the InputsEnabled switch and Remove: every sub-tab has
  // the size of the Commands sub-tab, so their places there hold on each.
  RECT left = RectIn(Control(IDC_INPUTS_ENABLED), InputsPages[0]);
  RECT right = RectIn(Control(IDC_REMOVE_INPUT), InputsPages[0]);
  int gap = DluX(ControlGap);
  int height = DluY(8);
  ::SetWindowPos(HookErrorLabel, HWND_TOP, left.right + gap, (left.top + left.bottom - height) / 2,
                 right.left - gap - (left.right + gap), height, SWP_NOACTIVATE);
}

void TMainForm::ShowPage(int index) {
  if (index < 0 || index >= MainPageCount) return;
  if (::SendMessageW(Tabs, TCM_GETCURSEL, 0, 0) != index) ::SendMessageW(Tabs, TCM_SETCURSEL, index, 0);
  // The new page first, so the tab's background never shows between the two.
  ::ShowWindow(Pages[index], SW_SHOWNA);
  HWND focus = ::GetFocus();
  for (int i = 0; i < MainPageCount; ++i) {
    if (i == index) continue;
    if (focus != nullptr && (focus == Pages[i] || ::IsChild(Pages[i], focus))) ::SetFocus(Tabs);
    ::ShowWindow(Pages[i], SW_HIDE);
  }
}

void TMainForm::ShowInputsPage(int index) {
  if (index < 0 || index >= InputsPageCount) return;
  if (::SendMessageW(InputsTabs, TCM_GETCURSEL, 0, 0) != index) ::SendMessageW(InputsTabs, TCM_SETCURSEL, index, 0);
  ::ShowWindow(InputsPages[index], SW_SHOWNA);
  HWND focus = ::GetFocus();
  for (int i = 0; i < InputsPageCount; ++i) {
    if (i == index) continue;
    if (focus != nullptr && (focus == InputsPages[i] || ::IsChild(InputsPages[i], focus))) ::SetFocus(InputsTabs);
    ::ShowWindow(InputsPages[i], SW_HIDE);
  }
  PlaceErrorLabel();
}

void TMainForm::ActivatePage(TMainPage page) { ShowPage(static_cast<int>(page)); }
void TMainForm::ActivateInputsPage(TInputsPage page) { ShowInputsPage(static_cast<int>(page)); }

TMainPage TMainForm::ActivePage() const {
  LRESULT index = Tabs != nullptr ? ::SendMessageW(Tabs, TCM_GETCURSEL, 0, 0) : 0;
  return static_cast<TMainPage>(std::clamp<LRESULT>(index, 0, MainPageCount - 1));
}

TInputsPage TMainForm::ActiveInputsPage() const {
  LRESULT index = InputsTabs != nullptr ? ::SendMessageW(InputsTabs, TCM_GETCURSEL, 0, 0) : 0;
  return static_cast<TInputsPage>(std::clamp<LRESULT>(index, 0, InputsPageCount - 1));
}

int TMainForm::HelpIndex() const {
  TMainPage page = ActivePage();
  if (page == TMainPage::CustomInputs) return static_cast<int>(ActiveInputsPage());
  return static_cast<int>(page) + 2;
}

void TMainForm::Show() {
  if (Window != nullptr) ::ShowWindow(Window, ::IsIconic(Window) ? SW_RESTORE : SW_SHOW);
}

void TMainForm::Hide() {
  if (Window != nullptr) ::ShowWindow(Window, SW_HIDE);
}

void TMainForm::ShowSettingControls(const Settings& settings) {
  for (const TCheckBinding& b : CheckBindings)
    ::SendMessageW(Control(b.Id), BM_SETCHECK, settings.*b.Field ? BST_CHECKED : BST_UNCHECKED, 0);
  for (const TTrackBinding& b : TrackBindings)
    ::SendMessageW(Control(b.Id), TBM_SETPOS, TRUE, b.Range.Clamp(settings.*b.Field));
  HWND distLabel = Control(IDC_DIST_LABEL);
  ::SetWindowTextW(distLabel, DistTrackChange(State, DistRange.Clamp(settings.DistTrack), WindowText(distLabel)).c_str());
  for (const TSpinBinding& b : SpinBindings)
    ::SendMessageW(Control(b.SpinId), UDM_SETPOS32, 0, b.Range.Clamp(settings.*b.Field));
}

void TMainForm::LoadControls(const Settings& settings) {
  if (Window == nullptr) return;
  TProgrammaticChange guard(State);
  ShowSettingControls(settings);
  if (::IsIconic(Window) || ::IsZoomed(Window)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(Window, &placement);
    POINT offset = WorkAreaOffset(Window);
    placement.rcNormalPosition = {settings.Left - offset.x, settings.Top - offset.y,
                                  settings.Left + settings.Width - offset.x, settings.Top + settings.Height - offset.y};
    ::SetWindowPlacement(Window, &placement);
  } else {
    ::SetWindowPos(Window, nullptr, settings.Left, settings.Top, settings.Width, settings.Height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::GetWindowRect(Window, &LastRect);
  HWND mainGrid = Control(IDC_MAIN_GRID), winGrid = Control(IDC_TRACK_WINS_GRID);
  for (int c = 0; c < MainGridColumns; ++c)
    ::SendMessageW(mainGrid, LVM_SETCOLUMNWIDTH, c, settings.MainGridColWidths[c]);
  for (int c = 0; c < WinGridColumns; ++c) ::SendMessageW(winGrid, LVM_SETCOLUMNWIDTH, c, settings.WinGridColWidths[c]);
}

void TMainForm::StoreGeometry(Settings& settings) const {
  if (Window == nullptr) return;
  RECT r{};
  if (::IsIconic(Window) || ::IsZoomed(Window)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(Window, &placement);
    POINT offset = WorkAreaOffset(Window);
    r = placement.rcNormalPosition;
    ::OffsetRect(&r, offset.x, offset.y);
  } else {
    ::GetWindowRect(Window, &r);
  }
  settings.Left = r.left;
  settings.Top = r.top;
  settings.Width = Width(r);
  settings.Height = Height(r);
  HWND mainGrid = Control(IDC_MAIN_GRID), winGrid = Control(IDC_TRACK_WINS_GRID);
  for (int c = 0; c < MainGridColumns; ++c)
    settings.MainGridColWidths[c] = static_cast<int>(::SendMessageW(mainGrid, LVM_GETCOLUMNWIDTH, c, 0));
  for (int c = 0; c < WinGridColumns; ++c)
    settings.WinGridColWidths[c] = static_cast<int>(::SendMessageW(winGrid, LVM_GETCOLUMNWIDTH, c, 0));
}

namespace {

void SetGridText(HWND grid, int item, int column, const std::wstring& text) {
  LVITEMW cell{};
  cell.mask = LVIF_TEXT;
  cell.iItem = item;
  cell.iSubItem = column;
  cell.pszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(grid, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
}

}  // namespace

void TMainForm::ShowTable(const TCustomInputTable& table) {
  HWND grid = Control(IDC_MAIN_GRID);
  if (grid == nullptr) return;
  ::SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  MainGridBoxes.clear();
  // An empty table still has its unused row 1; the list shows no row for it.
  for (int row = 1; row <= table.UsedRowCount(); ++row) {
    std::wstring command(table.GetCell(0, row));
    SetGridText(grid, row - 1, 0, command);
    // The display cell keeps the blanks in front that leave room for the check box.
    SetGridText(grid, row - 1, 1, table.DisplayCell(1, row));
    MainGridBoxes.push_back({RowHasCheckBox(table, row), IsCheckedState(table.InputState(row))});
  }
  ::SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(grid, nullptr, TRUE);
}

void TMainForm::ShowTrackedWindows(const std::vector<TTrackedWindowRow>& rows) {
  HWND grid = Control(IDC_TRACK_WINS_GRID);
  if (grid == nullptr) return;
  ::SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  WinGridBoxes.clear();
  // Room for the check box in front of the title, as in the custom input table.
  const std::wstring prefix(static_cast<size_t>(Model.Inputs.CellPrefixLen()), L' ');
  for (size_t i = 0; i < rows.size(); ++i) {
    int item = static_cast<int>(i);
    SetGridText(grid, item, 0, prefix + rows[i].Title);
    SetGridText(grid, item, 1, rows[i].InnerText);
    SetGridText(grid, item, 2, rows[i].ClickAt);
    WinGridBoxes.push_back({!rows[i].Title.empty(), IsCheckedState(rows[i].State)});
  }
  ::SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(grid, nullptr, TRUE);
}

void TMainForm::RefreshSwitchCaptions() {
  if (Window == nullptr) return;
  ::SetWindowTextW(PelorinEnabled,
                   PelorinEnabledCaption(SharedState.AppEnabled.load(std::memory_order_relaxed)).c_str());
  ::SetWindowTextW(Control(IDC_INPUTS_ENABLED),
                   InputsEnabledCaption(SharedState.CheckedInputsEnabled.load(std::memory_order_relaxed)).c_str());
}

void TMainForm::ShowHookError() { ShowErrorLabel(HookErrorText, HookErrorHint); }

void TMainForm::ShowErrorLabel(std::wstring_view text, std::wstring_view hint) {
  if (HookErrorLabel == nullptr) return;
  // Hidden while it changes: the label draws no background of its own, so the page must
  // repaint under the old text.
  ::ShowWindow(HookErrorLabel, SW_HIDE);
  ::SetWindowTextW(HookErrorLabel, std::wstring(text).c_str());
  RemoveHint(HookErrorLabel);
  if (!hint.empty()) AddHint(HookErrorLabel, hint);
  PlaceErrorLabel();
  ::ShowWindow(HookErrorLabel, SW_SHOWNA);
}

void TMainForm::ShowDesktopError() {
  ::ShowWindow(Control(IDC_ERROR_DESKTOP_LABEL), SW_SHOWNA);
  for (int id : {IDC_SAVE_DESKTOP, IDC_RESTORE_DESKTOP, IDC_AUTO_RESTORE_DESKTOP_CHECK})
    ::EnableWindow(Control(id), FALSE);
}

void TMainForm::DisableAutoLayout() {
  TProgrammaticChange guard(State);
  ::SendMessageW(Control(IDC_AUTO_LAYOUT_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
  Model.Cfg.AutoLayoutCheck = false;
  ::EnableWindow(Control(IDC_AUTO_LAYOUT_CHECK), FALSE);
  ::EnableWindow(Control(IDC_AUTO_LAYOUT_TRACK), FALSE);
}

bool TMainForm::IsFormMessage(MSG& message) {
  if (Window == nullptr || message.hwnd == nullptr) return false;
  if (message.hwnd != Window && !::IsChild(Window, message.hwnd)) return false;
  return ::IsDialogMessageW(Window, &message) != FALSE;
}

void TMainForm::Changed(TSettingControl control) {
  if (OnSettingChanged) OnSettingChanged(control);
}

void TMainForm::CheckClicked(int id) {
  if (State.ProgrammaticChange) return;
  for (const TCheckBinding& b : CheckBindings) {
    if (b.Id != id) continue;
    Model.Cfg.*b.Field = ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (b.Control == TSettingControl::HooksCheck)
      SetSysCfgChanged(State);
    else if (b.Control == TSettingControl::AutoLayoutCheck)
      AutoLayoutCheckClick(State);
    else
      SetCfgChanged(State);
    Changed(b.Control);
    return;
  }
}

void TMainForm::TrackMoved(int id) {
  for (const TTrackBinding& b : TrackBindings) {
    if (b.Id != id) continue;
    int position = static_cast<int>(::SendMessageW(Control(id), TBM_GETPOS, 0, 0));
    // The end of a drag reports the position it already had.
    if (State.ProgrammaticChange || Model.Cfg.*b.Field == position) return;
    Model.Cfg.*b.Field = position;
    if (id == IDC_DIST_TRACK) {
      HWND label = Control(IDC_DIST_LABEL);
      ::SetWindowTextW(label, DistTrackChange(State, position, WindowText(label)).c_str());
    } else {
      SetCfgChanged(State);
    }
    Changed(b.Control);
    return;
  }
}

void TMainForm::SpinEditChanged(int id) {
  if (State.ProgrammaticChange) return;
  for (const TSpinBinding& b : SpinBindings) {
    if (b.EditId != id) continue;
    Model.Cfg.*b.Field = SpinValue(WindowText(Control(id)), b.Range);
    if (ClpManLimitsChanged(State)) ::EnableWindow(Control(IDC_APPLY), TRUE);
    Changed(b.Control);
    return;
  }
}

void TMainForm::SpinEditLeft(int id) {
  for (const TSpinBinding& b : SpinBindings) {
    if (b.EditId != id) continue;
    // What the user left behind shows the value in use, as the spin edit's own text.
    int value = Model.Cfg.*b.Field;
    if (WindowText(Control(id)) != std::to_wstring(value)) {
      TProgrammaticChange guard(State);
      ::SendMessageW(Control(b.SpinId), UDM_SETPOS32, 0, value);
    }
    return;
  }
}

void TMainForm::GeometryMaybeChanged() {
  if (Window == nullptr || ::IsIconic(Window)) return;
  RECT r{};
  ::GetWindowRect(Window, &r);
  bool changed = !::EqualRect(&r, &LastRect);
  LastRect = r;
  if (changed && ::IsWindowVisible(Window)) SetSysCfgChanged(State);
}

void TMainForm::SaveCfgClick() {
  StoreGeometry(Model.Cfg);
  pelorin::SaveCfgClick(TSettingsCommands{Model, Io, State, SettingsDialogs});
}

void TMainForm::LoadCfgClick() {
  // Keys missing in the file keep the values in use, the window's among them.
  StoreGeometry(Model.Cfg);
  int width = SharedState.ScreenWidth.load(std::memory_order_relaxed);
  int height = SharedState.ScreenHeight.load(std::memory_order_relaxed);
  TScreenSize screen{width > 0 ? width : ::GetSystemMetrics(SM_CXSCREEN),
                     height > 0 ? height : ::GetSystemMetrics(SM_CYSCREEN)};
  pelorin::LoadCfgClick(TSettingsCommands{Model, Io, State, SettingsDialogs}, screen, [this] {
    LoadControls(Model.Cfg);
    ShowTable(Model.Inputs);
    ShowTrackedWindows(Model.TrackedWindows);
    if (OnSettingsImported) OnSettingsImported();
  });
}

LRESULT CALLBACK TMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->Window = window;  // messages arrive before CreateWindowExW returns the handle
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TMainForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // Destroyed from outside (a WM_CLOSE nobody took): the pages are gone already; the form
    // forgets the handles and stays usable for another Create.
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->Window = nullptr;
    self->Destroy();
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
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
  return ::DefWindowProcW(Window, message, wParam, lParam);
}

INT_PTR CALLBACK TMainForm::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<TMainForm*>(lParam);
    ::SetWindowLongPtrW(page, DWLP_USER, lParam);
    self->RecordLayout(page);
    return FALSE;  // the focus stays where it is
  }
  auto* self = reinterpret_cast<TMainForm*>(::GetWindowLongPtrW(page, DWLP_USER));
  if (self == nullptr) return FALSE;
  return self->PageMessage(page, message, wParam, lParam);
}

INT_PTR TMainForm::PageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  auto reply = [page](LRESULT result) {
    ::SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
    return TRUE;
  };
  switch (message) {
    case WM_SIZE:
      LayoutPage(page);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      switch (HIWORD(wParam)) {
        case BN_CLICKED:  // also STN_CLICKED
          if (id == IDC_INPUTS_ENABLED) {
            if (OnInputsEnabledClick) OnInputsEnabledClick();
          } else if (id == IDC_APPLY) {
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
          } else if (id == IDC_ADD_INPUT) {
            AddInputClick();
          } else if (id == IDC_REMOVE_INPUT) {
            RemoveBtnClick();
          } else {
            // The tracked-windows editor, the picker's fields and the desktop buttons do
            // nothing yet: their behaviour arrives with those units.
            CheckClicked(id);
          }
          return TRUE;
        case CBN_SELCHANGE:
          if (id == IDC_COMMAND_COMBO || id == IDC_COMMAND_EDIT_COMBO || id == IDC_INPUT_COMBO)
            ComboChange(reinterpret_cast<HWND>(lParam));
          return TRUE;
        case CBN_DROPDOWN:
          if (id == IDC_COMMAND_COMBO || id == IDC_COMMAND_EDIT_COMBO || id == IDC_INPUT_COMBO)
            ComboDropDown(reinterpret_cast<HWND>(lParam));
          return TRUE;
        case CBN_KILLFOCUS:
          if (id == IDC_COMMAND_COMBO || id == IDC_COMMAND_EDIT_COMBO || id == IDC_INPUT_COMBO)
            ComboExit(reinterpret_cast<HWND>(lParam));
          return TRUE;
        case EN_CHANGE:
          SpinEditChanged(id);
          return TRUE;
        case EN_KILLFOCUS:
          SpinEditLeft(id);
          return TRUE;
        default:
          return FALSE;
      }
    }
    case WM_HSCROLL:
      if (lParam != 0) TrackMoved(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      return TRUE;
    case WM_SWITCH_COMMAND_COMBO:
      SwitchCommandCombo(PendingCommandCombo);
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == InputsTabs && header->code == TCN_SELCHANGE) {
        ShowInputsPage(static_cast<int>(::SendMessageW(InputsTabs, TCM_GETCURSEL, 0, 0)));
        return TRUE;
      }
      if (header->idFrom == IDC_MAIN_GRID) {
        switch (header->code) {
          case LVN_BEGINDRAG:
            // Until the button is released: the drop row decides.
            DragRow = reinterpret_cast<const NMLISTVIEW*>(lParam)->iItem + 1;
            ::SetCapture(header->hwndFrom);
            return TRUE;
          case LVN_COLUMNCLICK:
            FitMainGridColumns();
            return TRUE;
          case LVN_KEYDOWN: {
            WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey;
            if (key == VK_DELETE && ActivePage() == TMainPage::CustomInputs) RemoveBtnClick();
            // Space ticks the selected row, as a click on its box does.
            if (key == VK_SPACE) ToggleRowCheck(SelectedInputRow());
            return TRUE;
          }
          default:
            break;
        }
      }
      if (header->code == NM_CUSTOMDRAW &&
          (header->idFrom == IDC_MAIN_GRID || header->idFrom == IDC_TRACK_WINS_GRID)) {
        LRESULT result = CDRF_DODEFAULT;
        DrawGridCell(lParam, result);
        return reply(result);
      }
      // The user dragged a column divider or double-clicked it to fit the column: only the
      // window section must be saved. Both come from the user alone; the list view does not
      // pass on every width change.
      if (header->code == HDN_ENDTRACKW || header->code == HDN_DIVIDERDBLCLICKW) SetSysCfgChanged(State);
      return FALSE;
    }
    case WM_CTLCOLORSTATIC: {
      auto control = reinterpret_cast<HWND>(lParam);
      if (control != HookErrorLabel && ::GetDlgCtrlID(control) != IDC_ERROR_DESKTOP_LABEL) return FALSE;
      auto dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ErrorColour);
      // Transparent over the page, which may be the tab's themed background.
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
    }
    case WM_DRAWITEM:
      DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_SETCURSOR: {
      int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
      bool clickable = (id >= IDC_SLEEP_SHORTCUT && id <= IDC_REBOOT_SHORTCUT) || id == IDC_CLP_IMAGE;
      if (!clickable) return FALSE;
      ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      return reply(TRUE);
    }
    default:
      return FALSE;
  }
}

void TMainForm::DrawGridCell(LPARAM customDraw, LRESULT& result) {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(customDraw);
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      result = CDRF_NOTIFYITEMDRAW;
      return;
    case CDDS_ITEMPREPAINT:
      result = CDRF_NOTIFYPOSTPAINT;
      return;
    case CDDS_ITEMPOSTPAINT: {
      bool mainGrid = draw->nmcd.hdr.idFrom == IDC_MAIN_GRID;
      const std::vector<TCheckCell>& boxes = mainGrid ? MainGridBoxes : WinGridBoxes;
      size_t item = draw->nmcd.dwItemSpec;
      result = CDRF_DODEFAULT;
      if (item >= boxes.size() || !boxes[item].HasBox) return;
      RECT cell{};
      cell.top = mainGrid ? 1 : 0;  // the check box column
      cell.left = LVIR_LABEL;
      if (!::SendMessageW(draw->nmcd.hdr.hwndFrom, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) return;
      // A square as wide as the row is high, at the cell's left edge, holding the box.
      int row = Height(cell);
      int side = std::min(row - 2, static_cast<int>(std::lround(13 * Scale)));
      RECT box{cell.left + (row - side) / 2, cell.top + (row - side) / 2, 0, 0};
      box.right = box.left + side;
      box.bottom = box.top + side;
      ::DrawFrameControl(draw->nmcd.hdc, &box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | DFCS_FLAT | (boxes[item].Checked ? DFCS_CHECKED : 0));
      return;
    }
    default:
      result = CDRF_DODEFAULT;
      return;
  }
}

void TMainForm::DrawPicture(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  if (ThemeApi().DrawThemeParentBackground != nullptr)
    ThemeApi().DrawThemeParentBackground(item.hwndItem, dc, &r);
  else
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));

  int id = static_cast<int>(item.CtlID);
  if (id >= IDC_SLEEP_SHORTCUT && id <= IDC_REBOOT_SHORTCUT) {
    int index = id - IDC_SLEEP_SHORTCUT;
    int side = std::lround(ShortcutSide * Scale);
    if (HICON icon = ShortcutIcons[index]) {
      ::DrawIconEx(dc, r.left + (Width(r) - side) / 2, r.top + (Height(r) - side) / 2, icon, side, side, 0, nullptr,
                   DI_NORMAL);
      return;
    }
    // Until the executable carries the power icons: a frame with the command's word.
    ::DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    TSelected font(dc, Font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    std::wstring word(ShortcutWords[index]);
    ::DrawTextW(dc, word.c_str(), static_cast<int>(word.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return;
  }
  if (id == IDC_CLP_IMAGE) {
    DrawClipboardPicture(dc, r);
    return;
  }
  const THandPicture& hand = HandPicture();
  if (hand.Cursor == nullptr) return;
  double k = std::min(static_cast<double>(Width(r)) / Width(hand.Box), static_cast<double>(Height(r)) / Height(hand.Box));
  int w = static_cast<int>(std::lround(hand.Size.cx * k)), h = static_cast<int>(std::lround(hand.Size.cy * k));
  int x = r.left + static_cast<int>(std::lround((Width(r) - Width(hand.Box) * k) / 2 - hand.Box.left * k));
  int y = r.top + static_cast<int>(std::lround((Height(r) - Height(hand.Box) * k) / 2 - hand.Box.top * k));
  ::DrawIconEx(dc, x, y, hand.Cursor, w, h, 0, nullptr, DI_NORMAL);
}

// --- Commands editor ---


void TMainForm::SubclassEditorControls() {
  for (int id : {IDC_COMMAND_COMBO, IDC_COMMAND_EDIT_COMBO, IDC_INPUT_COMBO}) {
    HWND combo = Control(id);
    ::SetWindowSubclass(combo, ComboKeyProc, EditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // The editable combo box takes its keys in its edit field.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr && info.hwndItem != combo)
      ::SetWindowSubclass(info.hwndItem, ComboKeyProc, EditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
  ::SetWindowSubclass(Control(IDC_MAIN_GRID), GridProc, EditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TMainForm::ComboKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
  auto* self = reinterpret_cast<TMainForm*>(data);
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      bool editable = ::GetDlgCtrlID(control) != IDC_COMMAND_COMBO && ::GetDlgCtrlID(control) != IDC_INPUT_COMBO;
      bool alt = message == WM_SYSKEYDOWN ? (lParam & (1 << 29)) != 0 : KeyHeld(VK_MENU);
      if (SwallowComboKey(editable, static_cast<int>(wParam), KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL), alt)) {
        self->SwallowNextChar = true;
        return 0;
      }
      self->SwallowNextChar = false;
      break;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
      // The character of a swallowed key would still pick an item by its first letter.
      if (self->SwallowNextChar) {
        self->SwallowNextChar = false;
        return 0;
      }
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(control, ComboKeyProc, EditorSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(control, message, wParam, lParam);
}

TChoiceComboState TMainForm::ReadCombo(HWND combo) const {
  TChoiceComboState state;
  state.IsCommand = combo != InputCombo();
  state.Editable = state.IsCommand && CommandEditable;
  int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) state.Items.push_back(ComboItem(combo, i));
  state.Selected = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
  return state;
}

void TMainForm::WriteCombo(HWND combo, const TChoiceComboState& state) {
  TProgrammaticChange guard(State);
  TChoiceComboState was = ReadCombo(combo);
  // A line being typed into the editable combo box stays when its list items change.
  std::wstring typed = WindowText(combo);
  bool replaced = false;
  for (size_t i = 0; i < state.Items.size() && i < was.Items.size(); ++i) {
    if (state.Items[i] == was.Items[i]) continue;
    ::SendMessageW(combo, CB_DELETESTRING, i, 0);
    ::SendMessageW(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(state.Items[i].c_str()));
    replaced = true;
  }
  if (replaced || state.Selected != was.Selected) ::SendMessageW(combo, CB_SETCURSEL, state.Selected, 0);
  if (state.Editable && state.Selected == was.Selected && WindowText(combo) != typed)
    ::SetWindowTextW(combo, typed.c_str());
}

void TMainForm::SwitchCommandCombo(const TChoiceComboState& state) {
  if (state.Editable == CommandEditable) return;
  HWND from = CommandCombo();
  CommandEditable = state.Editable;
  HWND to = CommandCombo();
  WriteCombo(to, state);
  bool focused = ::GetFocus() == from || ::GetParent(::GetFocus()) == from;
  ::ShowWindow(to, SW_SHOWNA);
  ::ShowWindow(from, SW_HIDE);
  if (focused || state.Editable) ::SetFocus(to);
}

void TMainForm::ComboChange(HWND combo) {
  if (State.ProgrammaticChange) return;
  TChoiceComboState state = ReadCombo(combo);
  bool wasEditable = state.Editable;
  ChoiceComboChange(state);
  if (state.Editable != wasEditable) {
    // The combo box that sent this notification may not be hidden under its own feet.
    PendingCommandCombo = state;
    ::PostMessageW(InputsPages[static_cast<int>(TInputsPage::Commands)], WM_SWITCH_COMMAND_COMBO, 0, 0);
    return;
  }
  WriteCombo(combo, state);
}

void TMainForm::ComboDropDown(HWND combo) {
  if (State.ProgrammaticChange) return;
  TChoiceComboState state = ReadCombo(combo);
  ChoiceComboDropDown(state);
  WriteCombo(combo, state);
}

void TMainForm::ComboExit(HWND combo) {
  TChoiceComboState state = ReadCombo(combo);
  ChoiceComboExit(state);
  WriteCombo(combo, state);
}

int TMainForm::Ask(const TEditorMessage& message) {
  if (Message) return Message(message.Text, message.Caption, message.Flags);
  return MsgBox(message.Text, message.Caption, message.Flags);
}

int TMainForm::SelectedInputRow() const {
  HWND grid = Control(IDC_MAIN_GRID);
  int item = static_cast<int>(::SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return item < 0 ? -1 : item + 1;
}

void TMainForm::SelectInputRow(int row) {
  HWND grid = Control(IDC_MAIN_GRID);
  int item = row - 1;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(grid, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
  ::SendMessageW(grid, LVM_ENSUREVISIBLE, item, FALSE);
}

void TMainForm::RefreshMainGrid(int selectRow) {
  HWND grid = Control(IDC_MAIN_GRID);
  int top = static_cast<int>(::SendMessageW(grid, LVM_GETTOPINDEX, 0, 0));
  ShowTable(Model.Inputs);
  // Back where the user was looking, then the row of interest in view.
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  if (top > 0 && ::SendMessageW(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
    ::SendMessageW(grid, LVM_SCROLL, 0, top * Height(item));
  if (selectRow > 0 && selectRow <= Model.Inputs.UsedRowCount()) SelectInputRow(selectRow);
}

void TMainForm::AddInputClick() {
  HWND command = CommandCombo(), input = InputCombo();
  TAddRequest request;
  request.CommandText = WindowText(command);
  request.CommandIndex = static_cast<int>(::SendMessageW(command, CB_GETCURSEL, 0, 0));
  request.InputIndex = static_cast<int>(::SendMessageW(input, CB_GETCURSEL, 0, 0));
  request.InputText = request.InputIndex < 0 ? std::wstring() : ComboItem(input, request.InputIndex);
  if (std::optional<TEditorMessage> refusal = CheckAddInput(Model.Inputs, request)) {
    Ask(*refusal);
    return;
  }
  int row = AddInputRow(Model.Inputs, request, CapturedChord ? CapturedChord() : std::nullopt);
  if (row < 0) return;
  SetCfgChanged(State);
  // Both choices are cleared; a typed command line goes back to the list.
  TChoiceComboState commandState = ReadCombo(command);
  commandState.Selected = -1;
  commandState.Editable = false;
  commandState.Items[cmdCustomCommand] = CustomCommandPrompt;
  SwitchCommandCombo(commandState);
  WriteCombo(CommandCombo(), commandState);
  TChoiceComboState inputState = ReadCombo(input);
  inputState.Selected = -1;
  WriteCombo(input, inputState);
  RefreshMainGrid(row);
  Ask(AddedMessage);
  ::SetFocus(Control(IDC_MAIN_GRID));
}

void TMainForm::RemoveBtnClick() {
  TCustomInputTable& table = Model.Inputs;
  int row = SelectedInputRow();
  if (table.UsedRowCount() == 0 || row < 1) return;
  if (Ask(RemoveQuestion(RemoveInputWhat, RemoveInputCaption)) != MsgAnswerYes) return;
  table.RemoveRow(row);
  RefreshMainGrid(std::min(row, table.UsedRowCount()));
  SetCfgChanged(State);
}

int TMainForm::MainGridRowAt(POINT client) const {
  HWND grid = Control(IDC_MAIN_GRID);
  HWND header = reinterpret_cast<HWND>(::SendMessageW(grid, LVM_GETHEADER, 0, 0));
  RECT headerRect{};
  if (header != nullptr && ::IsWindowVisible(header) && ::GetClientRect(header, &headerRect) &&
      client.y >= 0 && client.y < headerRect.bottom)
    return 0;
  LVHITTESTINFO hit{};
  hit.pt = client;
  int item = static_cast<int>(::SendMessageW(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return item < 0 ? -1 : item + 1;
}

void TMainForm::MainGridMouseDown(POINT client) {
  HWND grid = Control(IDC_MAIN_GRID);
  LVHITTESTINFO hit{};
  hit.pt = client;
  int item = static_cast<int>(::SendMessageW(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (item < 0 || hit.iSubItem != 1) return;
  int row = item + 1;
  RECT cell{};
  cell.top = 1;
  cell.left = LVIR_LABEL;
  if (!::SendMessageW(grid, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) return;
  // The check box's square, as wide as the row is high.
  if (client.x >= cell.left + Height(cell)) return;
  ToggleRowCheck(row);
}

void TMainForm::ToggleRowCheck(int row) {
  if (!RowHasCheckBox(Model.Inputs, row)) return;
  Model.Inputs.ToggleInputState(row);
  int item = row - 1;
  if (static_cast<size_t>(item) < MainGridBoxes.size())
    MainGridBoxes[item].Checked = IsCheckedState(Model.Inputs.InputState(row));
  ::SendMessageW(Control(IDC_MAIN_GRID), LVM_REDRAWITEMS, item, item);
  SetCfgChanged(State);
}

void TMainForm::MarkDropRow(int row) {
  if (row == DropRow) return;
  HWND grid = Control(IDC_MAIN_GRID);
  LVITEMW state{};
  state.stateMask = LVIS_DROPHILITED;
  if (DropRow > 0) ::SendMessageW(grid, LVM_SETITEMSTATE, DropRow - 1, reinterpret_cast<LPARAM>(&state));
  DropRow = row > 0 ? row : -1;
  state.state = LVIS_DROPHILITED;
  if (DropRow > 0) ::SendMessageW(grid, LVM_SETITEMSTATE, DropRow - 1, reinterpret_cast<LPARAM>(&state));
}

void TMainForm::MainGridMouseUp(int from, POINT client) {
  DragRow = -1;
  MarkDropRow(-1);
  int row = MainGridRowAt(client);
  if (from <= 0 || from == row) return;
  if (row > 0) Model.Inputs.MoveRow(from, row);
  RefreshMainGrid(row > 0 ? row : from);
  // Dropped anywhere else: nothing moved, but the user did rearrange.
  SetCfgChanged(State);
}

void TMainForm::FitMainGridColumns() {
  HWND grid = Control(IDC_MAIN_GRID);
  RECT client{};
  ::GetClientRect(grid, &client);
  std::vector<int> widths = FitColumnWidths(Model.Inputs, Width(client));
  bool changed = false;
  for (size_t c = 0; c < widths.size(); ++c) {
    int column = static_cast<int>(c);
    if (::SendMessageW(grid, LVM_GETCOLUMNWIDTH, column, 0) == widths[c]) continue;
    ::SendMessageW(grid, LVM_SETCOLUMNWIDTH, column, widths[c]);
    changed = true;
  }
  if (changed) SetSysCfgChanged(State);
}

LRESULT CALLBACK TMainForm::GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
  auto* self = reinterpret_cast<TMainForm*>(data);
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_LBUTTONDOWN:
      self->DragRow = -1;
      self->MainGridMouseDown(point);
      break;  // the list view still selects the row and detects a drag
    case WM_LBUTTONUP:
      if (self->DragRow > 0 && ::GetCapture() == grid) {
        int from = self->DragRow;
        ::ReleaseCapture();
        self->MainGridMouseUp(from, point);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (self->DragRow > 0 && ::GetCapture() == grid) {
        // The row the dragged one would take is marked as the drop target.
        self->MarkDropRow(self->MainGridRowAt(point));
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      self->DragRow = -1;
      self->MarkDropRow(-1);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(grid, GridProc, EditorSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(grid, message, wParam, lParam);
}

}  // namespace pelorin
