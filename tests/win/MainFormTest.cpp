// The main window with its pages built from Pelorin.exe's own templates, under the common
// controls the executable's manifest asks for: the controls show the settings, a user change
// reaches the settings and the change state, nothing is clipped at the screen's DPI, the
// Export and Import buttons go through the real file dialogs and message boxes. With
// PELORIN_TEST_SHOTS naming a folder, every page is saved there as main-<page>.bmp.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "res/resource.h"
#include "WinTestSupport.h"
#include "app/win/MainForm.h"
#include "config/SettingsFile.h"
#include "config/win/AnsiCodePageWin.h"
#include "config/win/FilePortWin.h"
#include "input/InputCatalogue.h"
#include "input/win/HooksWindowPort.h"

namespace pelorin::test {
namespace {

constexpr DWORD Deadline = 20000;

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return text;
}

bool HasStyle(HWND window, LONG_PTR style) { return (::GetWindowLongPtrW(window, GWL_STYLE) & style) == style; }

// Pelorin.exe's resources, and the activation context of its manifest for as long as the
// test runs, so the controls are the version the program itself gets.
class TPelorinResources {
 public:
  TPelorinResources() {
    Module = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = PelorinExePath.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    Context = ::CreateActCtxW(&context);
    if (Context != INVALID_HANDLE_VALUE) ::ActivateActCtx(Context, &Cookie);
  }
  ~TPelorinResources() {
    if (Context != INVALID_HANDLE_VALUE) {
      ::DeactivateActCtx(0, Cookie);
      ::ReleaseActCtx(Context);
    }
    if (Module != nullptr) ::FreeLibrary(Module);
  }
  TPelorinResources(const TPelorinResources&) = delete;
  TPelorinResources& operator=(const TPelorinResources&) = delete;

  HMODULE Module = nullptr;
  HANDLE Context = INVALID_HANDLE_VALUE;
  ULONG_PTR Cookie = 0;
};

// The Run key stays untouched by the tests.
class TRecordingRunKey final : public AutoRunPort {
 public:
  TRunValue ReadRunValue() override { return {true, !Value.empty(), Value}; }
  void WriteRunValue(std::wstring_view data) override { Value = data; }
  void DeleteRunValue() override { Value.clear(); }
  std::wstring Value;
};

int ScreenDpi() {
  HDC dc = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(dc, LOGPIXELSX);
  ::ReleaseDC(nullptr, dc);
  return dpi;
}

// Settings that differ from the design values in every control.
Settings NonDefaultSettings() {
  Settings s;
  s.DistTrack = 60;
  s.SpeedTrack = 250;
  s.FixWheelCheck = true;
  s.FixDblClicksCheck = true;
  s.AutoLayoutCheck = true;
  s.AutoLayoutTrack = 4;
  s.AutoRestoreDesktopCheck = true;
  s.AutoRunCheck = true;
  s.NoteCheck = true;
  s.DisableInGame = true;
  s.MaxUncheckedEdit = 150;
  s.MaxMemoryEdit = 3000;
  s.SaveClipboardCheck = true;
  s.HooksCheck = true;
  s.MainGridColWidths = {210, 140};
  s.WinGridColWidths = {90, 150, 80};
  return s;
}

class MainForm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // What the manifest does for Pelorin.exe: the real DPI, not a virtualised 96.
    ::SetProcessDPIAware();
  }

  void SetUp() override {
    ASSERT_NE(Resources.Module, nullptr) << "cannot load " << Narrow(PelorinExePath);
    Cfg = NonDefaultSettings();
    Form = std::make_unique<TMainForm>(TSettingsModel{Cfg, Inputs, Tracked}, State, SharedState, Io);
    ASSERT_TRUE(Form->Create(::GetModuleHandleW(nullptr), L"Pelorin (v.1.0.0)", Resources.Module));
    SIZE min = Form->MinimumSize();
    Cfg.Left = 40;
    Cfg.Top = 30;
    Cfg.Width = min.cx + 60;
    Cfg.Height = min.cy + 40;
    Form->LoadControls(Cfg);
  }

  void TearDown() override { Form.reset(); }

  HWND C(int id) const { return Form->Control(id); }

  // What an auto check box sends when the user clicks it.
  void UserClicks(int id) {
    HWND box = C(id);
    LRESULT was = ::SendMessageW(box, BM_GETCHECK, 0, 0);
    ::SendMessageW(box, BM_SETCHECK, was == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    ::SendMessageW(::GetParent(box), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
  }
  // What a push button sends when the user presses it.
  void UserPresses(int id) {
    ::SendMessageW(::GetParent(C(id)), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(C(id)));
  }
  // What a track bar sends when the user drops its thumb.
  void UserMovesTrack(int id, int position) {
    HWND track = C(id);
    ::SendMessageW(track, TBM_SETPOS, TRUE, position);
    ::SendMessageW(::GetParent(track), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                   reinterpret_cast<LPARAM>(track));
    ::SendMessageW(::GetParent(track), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(track));
  }
  // The edit sends EN_CHANGE itself.
  void UserTypes(int id, const wchar_t* text) { ::SetWindowTextW(C(id), text); }
  void UserSelectsTab(HWND tabs, int index) {
    ::SendMessageW(tabs, TCM_SETCURSEL, index, 0);
    NMHDR header{tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(::GetParent(tabs), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }

  HWND FindTooltip() const {
    struct TFind {
      HWND Owner, Found;
    } find{Form->Handle(), nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
          auto* f = reinterpret_cast<TFind*>(param);
          wchar_t cls[64] = {};
          ::GetClassNameW(window, cls, 64);
          if (std::wstring(cls) == TOOLTIPS_CLASSW && ::GetWindow(window, GW_OWNER) == f->Owner) {
            f->Found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.Found;
  }
  std::wstring HintOf(HWND tooltip, HWND control) const {
    wchar_t text[1024] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Form->Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    ::SendMessageW(tooltip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return text;
  }

  // Shows the window and dispatches until every part of it is painted.
  void ShowAndSettle() {
    Form->Show();
    ::SetForegroundWindow(Form->Handle());
    ::RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 3000);
  }

  TPelorinResources Resources;
  Settings Cfg;
  TCustomInputTable Inputs{CellPrefixLenFor(ScreenDpi() / 96.0)};
  std::vector<TTrackedWindowRow> Tracked;
  TConfigState State;
  TSharedState SharedState;
  TWinFilePort Files;
  TSystemAnsiCodePage Ansi;
  TRecordingRunKey RunKey;
  TSettingsIo Io{Files, Ansi, RunKey, L"\"C:\\Pelorin\\Pelorin.exe\" autorun"};
  std::unique_ptr<TMainForm> Form;
};

TEST_F(MainForm, ControlsShowTheSettingsTheyAreGiven) {
  struct TCheck {
    int Id;
    bool Checked;
  };
  const Settings& s = Cfg;
  const TCheck checks[] = {
      {IDC_FIX_WHEEL_CHECK, s.FixWheelCheck},       {IDC_FIX_DBLCLICKS_CHECK, s.FixDblClicksCheck},
      {IDC_AUTO_LAYOUT_CHECK, s.AutoLayoutCheck},   {IDC_AUTO_RESTORE_DESKTOP_CHECK, s.AutoRestoreDesktopCheck},
      {IDC_AUTO_RUN_CHECK, s.AutoRunCheck},         {IDC_NOTE_CHECK, s.NoteCheck},
      {IDC_DISABLE_IN_GAME, s.DisableInGame},       {IDC_HOOKS_CHECK, s.HooksCheck},
      {IDC_SAVE_CLIPBOARD_CHECK, s.SaveClipboardCheck},
  };
  for (const TCheck& c : checks)
    EXPECT_EQ(::SendMessageW(C(c.Id), BM_GETCHECK, 0, 0), c.Checked ? BST_CHECKED : BST_UNCHECKED) << "id " << c.Id;

  struct TTrack {
    int Id, Position, Min, Max;
  };
  const TTrack tracks[] = {{IDC_DIST_TRACK, 60, 10, 80}, {IDC_SPEED_TRACK, 250, 50, 300}, {IDC_AUTO_LAYOUT_TRACK, 4, 3, 8}};
  for (const TTrack& t : tracks) {
    EXPECT_EQ(::SendMessageW(C(t.Id), TBM_GETPOS, 0, 0), t.Position) << "id " << t.Id;
    EXPECT_EQ(::SendMessageW(C(t.Id), TBM_GETRANGEMIN, 0, 0), t.Min) << "id " << t.Id;
    EXPECT_EQ(::SendMessageW(C(t.Id), TBM_GETRANGEMAX, 0, 0), t.Max) << "id " << t.Id;
  }
  EXPECT_EQ(TextOf(C(IDC_DIST_LABEL)), L"60% of screen height");

  struct TSpin {
    int Edit, Spin;
    const wchar_t* Text;
    int Min, Max;
  };
  const TSpin spins[] = {{IDC_MAX_UNCHECKED_EDIT, IDC_MAX_UNCHECKED_SPIN, L"150", 20, 200},
                         {IDC_MAX_MEMORY_EDIT, IDC_MAX_MEMORY_SPIN, L"3000", 200, 5000}};
  for (const TSpin& sp : spins) {
    EXPECT_EQ(TextOf(C(sp.Edit)), sp.Text);
    int min = 0, max = 0;
    ::SendMessageW(C(sp.Spin), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&min), reinterpret_cast<LPARAM>(&max));
    EXPECT_EQ(min, sp.Min);
    EXPECT_EQ(max, sp.Max);
    EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageW(C(sp.Spin), UDM_GETBUDDY, 0, 0)), C(sp.Edit));
  }

  EXPECT_EQ(::SendMessageW(C(IDC_MAIN_GRID), LVM_GETCOLUMNWIDTH, 0, 0), 210);
  EXPECT_EQ(::SendMessageW(C(IDC_MAIN_GRID), LVM_GETCOLUMNWIDTH, 1, 0), 140);
  EXPECT_EQ(::SendMessageW(C(IDC_TRACK_WINS_GRID), LVM_GETCOLUMNWIDTH, 1, 0), 150);
  RECT r{};
  ::GetWindowRect(Form->Handle(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, Cfg.Width);
  EXPECT_EQ(r.bottom - r.top, Cfg.Height);
  EXPECT_EQ(State.CfgChanged.load(), CfgNothingToSave) << "showing settings is no change";
  EXPECT_FALSE(State.ProgrammaticChange);

  // The geometry comes back as it was shown.
  Settings stored;
  Form->StoreGeometry(stored);
  EXPECT_EQ(stored.Left, 40);
  EXPECT_EQ(stored.Width, Cfg.Width);
  EXPECT_EQ(stored.MainGridColWidths, Cfg.MainGridColWidths);
  EXPECT_EQ(stored.WinGridColWidths, Cfg.WinGridColWidths);

  // Showing the design values again: the distance label follows the position.
  Settings design;
  design.Width = Cfg.Width;
  design.Height = Cfg.Height;
  Form->LoadControls(design);
  EXPECT_EQ(TextOf(C(IDC_DIST_LABEL)), L"45% of screen height");
  EXPECT_EQ(::SendMessageW(C(IDC_SPEED_TRACK), TBM_GETPOS, 0, 0), 175);
  EXPECT_EQ(TextOf(C(IDC_MAX_UNCHECKED_EDIT)), L"20");
  EXPECT_EQ(::SendMessageW(C(IDC_HOOKS_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(MainForm, UserChangesReachTheSettingsAndTheChangeState) {
  enum TKind { Click, Track, Type };
  struct TCase {
    const char* Name;
    TKind Kind;
    int Id;
    int Value;                      // track position
    const wchar_t* Text;            // typed text
    int (*Read)(const Settings&);  // the field the control is bound to
    int Expected;
    int8_t CfgAfter;  // from "nothing to save"
    TSettingControl Control;
  };
  const TCase cases[] = {
      {"FixWheelCheck", Click, IDC_FIX_WHEEL_CHECK, 0, nullptr, [](const Settings& s) { return +s.FixWheelCheck; }, 0,
       CfgSettingsChanged, TSettingControl::FixWheelCheck},
      {"FixDblClicksCheck", Click, IDC_FIX_DBLCLICKS_CHECK, 0, nullptr,
       [](const Settings& s) { return +s.FixDblClicksCheck; }, 0, CfgSettingsChanged,
       TSettingControl::FixDblClicksCheck},
      {"AutoLayoutCheck", Click, IDC_AUTO_LAYOUT_CHECK, 0, nullptr, [](const Settings& s) { return +s.AutoLayoutCheck; },
       0, CfgSettingsChanged, TSettingControl::AutoLayoutCheck},
      {"AutoRestoreDesktopCheck", Click, IDC_AUTO_RESTORE_DESKTOP_CHECK, 0, nullptr,
       [](const Settings& s) { return +s.AutoRestoreDesktopCheck; }, 0, CfgSettingsChanged,
       TSettingControl::AutoRestoreDesktopCheck},
      {"AutoRunCheck", Click, IDC_AUTO_RUN_CHECK, 0, nullptr, [](const Settings& s) { return +s.AutoRunCheck; }, 0,
       CfgSettingsChanged, TSettingControl::AutoRunCheck},
      {"NoteCheck", Click, IDC_NOTE_CHECK, 0, nullptr, [](const Settings& s) { return +s.NoteCheck; }, 0,
       CfgSettingsChanged, TSettingControl::NoteCheck},
      {"DisableInGame", Click, IDC_DISABLE_IN_GAME, 0, nullptr, [](const Settings& s) { return +s.DisableInGame; }, 0,
       CfgSettingsChanged, TSettingControl::DisableInGame},
      {"SaveClipboardCheck", Click, IDC_SAVE_CLIPBOARD_CHECK, 0, nullptr,
       [](const Settings& s) { return +s.SaveClipboardCheck; }, 0, CfgSettingsChanged,
       TSettingControl::SaveClipboardCheck},
      {"HooksCheck", Click, IDC_HOOKS_CHECK, 0, nullptr, [](const Settings& s) { return +s.HooksCheck; }, 0,
       CfgSystemChanged, TSettingControl::HooksCheck},
      {"DistTrack", Track, IDC_DIST_TRACK, 70, nullptr, [](const Settings& s) { return s.DistTrack; }, 70,
       CfgSettingsChanged, TSettingControl::DistTrack},
      {"SpeedTrack", Track, IDC_SPEED_TRACK, 100, nullptr, [](const Settings& s) { return s.SpeedTrack; }, 100,
       CfgSettingsChanged, TSettingControl::SpeedTrack},
      {"AutoLayoutTrack", Track, IDC_AUTO_LAYOUT_TRACK, 7, nullptr, [](const Settings& s) { return s.AutoLayoutTrack; },
       7, CfgSettingsChanged, TSettingControl::AutoLayoutTrack},
      {"MaxUncheckedEdit", Type, IDC_MAX_UNCHECKED_EDIT, 0, L"120",
       [](const Settings& s) { return s.MaxUncheckedEdit; }, 120, CfgSettingsChanged, TSettingControl::MaxUncheckedEdit},
      // Beyond the range: the value in use is the maximum.
      {"MaxMemoryEdit", Type, IDC_MAX_MEMORY_EDIT, 0, L"6000", [](const Settings& s) { return s.MaxMemoryEdit; }, 5000,
       CfgSettingsChanged, TSettingControl::MaxMemoryEdit},
  };
  std::vector<TSettingControl> reported;
  Form->OnSettingChanged = [&](TSettingControl c) { reported.push_back(c); };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    MarkSettingsSaved(State);
    reported.clear();
    if (c.Kind == Click) UserClicks(c.Id);
    if (c.Kind == Track) UserMovesTrack(c.Id, c.Value);
    if (c.Kind == Type) UserTypes(c.Id, c.Text);
    EXPECT_EQ(c.Read(Cfg), c.Expected);
    EXPECT_EQ(State.CfgChanged.load(), c.CfgAfter);
    EXPECT_EQ(reported, std::vector<TSettingControl>{c.Control});
  }
  EXPECT_EQ(TextOf(C(IDC_DIST_LABEL)), L"70% of screen height");
  EXPECT_TRUE(::IsWindowEnabled(C(IDC_APPLY))) << "a changed clipboard limit enables Apply";

  // Leaving the edit shows the value in use.
  ::SendMessageW(::GetParent(C(IDC_MAX_MEMORY_EDIT)), WM_COMMAND, MAKEWPARAM(IDC_MAX_MEMORY_EDIT, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(C(IDC_MAX_MEMORY_EDIT)));
  EXPECT_EQ(TextOf(C(IDC_MAX_MEMORY_EDIT)), L"5000");
  EXPECT_EQ(Cfg.MaxMemoryEdit, 5000);

  // The system section never hides a settings change.
  MarkSettingsChanged(State);
  UserClicks(IDC_HOOKS_CHECK);
  EXPECT_EQ(State.CfgChanged.load(), CfgSettingsChanged);

  // While Pelorin changes its own controls nothing counts as the user's, but the distance
  // label still follows its track bar.
  MarkSettingsSaved(State);
  reported.clear();
  int speed = Cfg.SpeedTrack;
  {
    TProgrammaticChange guard(State);
    UserClicks(IDC_NOTE_CHECK);
    UserMovesTrack(IDC_SPEED_TRACK, 222);
    UserTypes(IDC_MAX_UNCHECKED_EDIT, L"99");
    Form->LoadControls(NonDefaultSettings());
  }
  EXPECT_EQ(State.CfgChanged.load(), CfgNothingToSave);
  EXPECT_EQ(Cfg.SpeedTrack, speed);
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(TextOf(C(IDC_DIST_LABEL)), L"60% of screen height");
}

TEST_F(MainForm, PagesTabsAndCaptions) {
  const wchar_t* pages[] = {L"Custom Inputs", L"Desktop", L"Tracked windows", L"Settings"};
  const wchar_t* subTabs[] = {L"Commands", L"Mouse", L"Keyboard layout"};
  HWND tabs = Form->PageControl();
  ASSERT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
  ASSERT_EQ(::SendMessageW(Form->CustomInputsPage().Tabs(), TCM_GETITEMCOUNT, 0, 0), 3);
  auto tabText = [](HWND t, int i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    ::SendMessageW(t, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    return std::wstring(text);
  };
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tabText(tabs, i), pages[i]);
    UserSelectsTab(tabs, i);
    EXPECT_EQ(Form->ActivePage(), static_cast<TMainPage>(i));
    for (int j = 0; j < 4; ++j)
      EXPECT_EQ(HasStyle(Form->Page(static_cast<TMainPage>(j)), WS_VISIBLE), i == j) << "tab " << i << " page " << j;
    if (i > 0) {
      EXPECT_EQ(Form->HelpIndex(), i + 2);
    }
  }
  UserSelectsTab(tabs, 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(tabText(Form->CustomInputsPage().Tabs(), i), subTabs[i]);
    UserSelectsTab(Form->CustomInputsPage().Tabs(), i);
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(HasStyle(Form->CustomInputsPage().Page(static_cast<TInputsPage>(j)), WS_VISIBLE), i == j);
    EXPECT_EQ(Form->HelpIndex(), i);
  }
  EXPECT_EQ(Form->CommandsPage().CommandCombo(), C(IDC_COMMAND_COMBO));
  EXPECT_EQ(::GetParent(Form->CommandsPage().CommandCombo()), Form->CustomInputsPage().Page(TInputsPage::Commands));

  wchar_t cls[32] = {};
  ::GetClassNameW(Form->Handle(), cls, 32);
  EXPECT_STREQ(cls, L"PelorinMainForm");
  EXPECT_EQ(TextOf(Form->Handle()), L"Pelorin (v.1.0.0)");

  struct TCaption {
    int Id;
    const wchar_t* Text;
  };
  const TCaption captions[] = {
      {IDC_COMMAND_LABEL, L"Command to execute:"},
      {IDC_INPUT_LABEL, L"Input to do the command:"},
      {IDC_ADD_INPUT, L"Add"},
      {IDC_REMOVE_INPUT, L"Remove"},
      {IDC_DIST_CAPTION, L"a distance \r\nwhich mouse should overcome to do the input:"},
      {IDC_SPEED_CAPTION, L"a speed from which mouse should overcome this distance:"},
      {IDC_FIX_WHEEL_CHECK, L"Fix mouse wheel malfunction"},
      {IDC_FIX_DBLCLICKS_CHECK, L"Fix mouse wrong double clicks"},
      {IDC_AUTO_LAYOUT_CHECK, L"Auto switch the keyboard layout"},
      {IDC_AUTO_LAYOUT_CAPTION, L"auto-switcher sensitivity:"},
      {IDC_SHORTCUTS_LABEL, L"Create the desktop shortcuts:"},
      {IDC_SAVE_DESKTOP, L"Save desktop shortcuts positions"},
      {IDC_RESTORE_DESKTOP, L"Restore the previously saved shortcuts positions on desktop"},
      {IDC_AUTO_RESTORE_DESKTOP_CHECK, L"Automatically restore the previously saved shortcuts positions on desktop"},
      {IDC_ERROR_DESKTOP_LABEL, L"Can`t access desktop, the corresponding options disabled"},
      {IDC_WIN_TITLE_LABEL, L"Window title:"},
      {IDC_IN_WIN_CHECK, L"Inner text or class name:"},
      {IDC_WIN_SIZE_CHECK, L"Window size:"},
      {IDC_CLICK_LABEL, L"Click at:"},
      {IDC_BTN_CHECK, L"button or"},
      {IDC_XY_CHECK, L"X&&Y"},
      {IDC_PASTE_SYM, L"[*]"},
      {IDC_ADD_WINDOW, L"Add"},
      {IDC_EDIT_WINDOW, L"Edit"},
      {IDC_REMOVE_WIN_TRACK, L"Remove"},
      {IDC_AUTO_RUN_CHECK, L"Auto-runs at Windows start"},
      {IDC_NOTE_CHECK, L"Show notifications on custom inputs"},
      {IDC_DISABLE_IN_GAME,
       L"Auto disable/enable the \"Checked Inputs\" and \"Keyboard layout auto-switcher\"\r\nwhen any fullscreen "
       L"frameless application is active/inactive"},
      {IDC_HOOKS_CHECK, L"Check the working state"},
      {IDC_MAX_UNCHECKED_LABEL, L"Maximum count of unchecked items:"},
      {IDC_MAX_MEMORY_LABEL, L"Maximum memory for unchecked items, Mb:"},
      {IDC_APPLY, L"Apply"},
      {IDC_SAVE_CLIPBOARD_CHECK, L"Save the data of Clipboard Manager"},
      {IDC_SAVE_CFG, L"Export Settings..."},
      {IDC_LOAD_CFG, L"Import Settings..."},
  };
  for (const TCaption& c : captions) EXPECT_EQ(TextOf(C(c.Id)), c.Text) << "id " << c.Id;
  // The settings keys are these captions passed through the key rule.
  EXPECT_EQ(EscapeSettingKey(TextOf(C(IDC_DIST_CAPTION))), KeyDistance);
  EXPECT_EQ(EscapeSettingKey(TextOf(C(IDC_SPEED_CAPTION))), KeySpeed);
  EXPECT_EQ(EscapeSettingKey(TextOf(C(IDC_MAX_MEMORY_LABEL))), KeyMaxMemory);
  EXPECT_EQ(EscapeSettingKey(TextOf(C(IDC_AUTO_LAYOUT_CAPTION))), KeyAutoLayoutSensitivity);

  auto comboItems = [](HWND combo) {
    std::vector<std::wstring> items;
    int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[128] = {};
      ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      items.emplace_back(text);
    }
    return items;
  };
  EXPECT_EQ(comboItems(Form->CommandsPage().CommandCombo()),
            std::vector<std::wstring>(CommandCatalogue.begin(), CommandCatalogue.end()));
  EXPECT_EQ(comboItems(Form->CommandsPage().InputCombo()),
            std::vector<std::wstring>(InputCatalogue.begin(), InputCatalogue.end()));
  EXPECT_TRUE(HasStyle(Form->CommandsPage().CommandCombo(), CBS_DROPDOWNLIST));

  auto headers = [](HWND grid) {
    std::vector<std::wstring> texts;
    HWND header = reinterpret_cast<HWND>(::SendMessageW(grid, LVM_GETHEADER, 0, 0));
    int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[128] = {};
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT;
      column.pszText = text;
      column.cchTextMax = 128;
      ::SendMessageW(grid, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
      texts.emplace_back(text);
    }
    return texts;
  };
  EXPECT_EQ(headers(C(IDC_MAIN_GRID)), (std::vector<std::wstring>{L"Executable commands:", L"Inputs to do them:"}));
  EXPECT_EQ(headers(C(IDC_TRACK_WINS_GRID)),
            (std::vector<std::wstring>{L"Window title:", L"Inner text/class name or window size:", L"Click at:"}));

  // The hints, and how long they stay.
  HWND tooltip = FindTooltip();
  ASSERT_NE(tooltip, nullptr);
  EXPECT_EQ(::SendMessageW(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 15000);
  const TCaption hints[] = {
      {IDC_NOTE_CHECK, L"Show the notifications on custom inputs in upper right screen corner"},
      {IDC_AUTO_LAYOUT_TRACK,
       L"At higher sensitivity required less typed chars for auto-switcher change the layout, but more probability "
       L"that it switches the layout mistakenly"},
      {IDC_CLP_IMAGE, L"Show Clipborad Manager"},
      {IDC_SAVE_CLIPBOARD_CHECK, L"Auto-save the data of Clipboard manager at Pelorin exit and load it on Pelorin start"},
      {IDC_HIBERNATE_SHORTCUT, L"Hibernate"},
      {IDC_HEADER_TEXT,
       L"Title text of window, which Pelorin will track. Use a \"Hand-point\" icon at left to specify this field"},
      {IDC_WIN_SIZE_CHECK,
       L"Size of window, which Pelorin will track. Use a \"Hand-point\" icon at left to specify this field. This field "
       L"is optional"},
      {IDC_XY_CHECK,
       L"this radio-button is set automatically depending on context of the window area under the drag&dropping "
       L"hand-point icon"},
      {IDC_MAX_UNCHECKED_EDIT,
       L"Decreased value will be applied after you copy something into the clipboard. Or click \"Apply\" to apply the "
       L"changes immediately"},
  };
  for (const TCaption& h : hints) EXPECT_EQ(HintOf(tooltip, C(h.Id)), h.Text) << "id " << h.Id;
}

TEST_F(MainForm, SwitchesButtonsAndTheirCallbacks) {
  EXPECT_EQ(TextOf(C(IDC_PELORIN_ENABLED)), L"Pelorin enabled");
  EXPECT_EQ(TextOf(C(IDC_INPUTS_ENABLED)), L"Checked Inputs enabled");
  SharedState.AppEnabled = false;
  SharedState.CheckedInputsEnabled = false;
  Form->RefreshSwitchCaptions();
  EXPECT_EQ(TextOf(C(IDC_PELORIN_ENABLED)), L"Pelorin disabled");
  EXPECT_EQ(TextOf(C(IDC_INPUTS_ENABLED)), L"Checked Inputs disabled");

  int pelorinClicks = 0, inputsClicks = 0, applied = 0;
  Form->OnPelorinEnabledClick = [&] { ++pelorinClicks; };
  Form->CommandsPage().OnInputsEnabledClick = [&] { ++inputsClicks; };
  auto click = [&](int id) { UserPresses(id); };
  click(IDC_PELORIN_ENABLED);
  click(IDC_INPUTS_ENABLED);
  EXPECT_EQ(pelorinClicks, 1);
  EXPECT_EQ(inputsClicks, 1);
  EXPECT_EQ(::GetParent(C(IDC_PELORIN_ENABLED)), Form->Handle()) << "below the page control";

  // Apply: disabled until a limit changes; its work belongs to the callback.
  EXPECT_FALSE(::IsWindowEnabled(C(IDC_APPLY)));
  UserTypes(IDC_MAX_UNCHECKED_EDIT, L"30");
  ASSERT_TRUE(::IsWindowEnabled(C(IDC_APPLY)));
  click(IDC_APPLY);
  EXPECT_TRUE(::IsWindowEnabled(C(IDC_APPLY))) << "nothing was applied without the callback";
  Form->SettingsPage().OnApplyClick = [&] { ++applied; };
  click(IDC_APPLY);
  EXPECT_EQ(applied, 1);
  EXPECT_FALSE(::IsWindowEnabled(C(IDC_APPLY)));

  // The clipboard picture asks for the Clipboard Manager command.
  ::SendMessageW(::GetParent(C(IDC_CLP_IMAGE)), WM_COMMAND, MAKEWPARAM(IDC_CLP_IMAGE, STN_CLICKED),
                 reinterpret_cast<LPARAM>(C(IDC_CLP_IMAGE)));
  EXPECT_EQ(SharedState.TakeAction(), ActionClipboardManager);

  // No other keyboard layout; the shell refused access. Neither is a change of the user's.
  MarkSettingsSaved(State);
  Form->LayoutPage().DisableAutoLayout();
  EXPECT_FALSE(Cfg.AutoLayoutCheck);
  EXPECT_EQ(::SendMessageW(C(IDC_AUTO_LAYOUT_CHECK), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(::IsWindowEnabled(C(IDC_AUTO_LAYOUT_CHECK)));
  EXPECT_FALSE(::IsWindowEnabled(C(IDC_AUTO_LAYOUT_TRACK)));
  EXPECT_FALSE(HasStyle(C(IDC_ERROR_DESKTOP_LABEL), WS_VISIBLE));
  Form->DesktopPage().ShowDesktopError();
  EXPECT_TRUE(HasStyle(C(IDC_ERROR_DESKTOP_LABEL), WS_VISIBLE));
  for (int id : {IDC_SAVE_DESKTOP, IDC_RESTORE_DESKTOP, IDC_AUTO_RESTORE_DESKTOP_CHECK})
    EXPECT_FALSE(::IsWindowEnabled(C(id))) << "id " << id;
  EXPECT_EQ(State.CfgChanged.load(), CfgNothingToSave);
}

TEST_F(MainForm, ErrorLabelFollowsTheSubTabsAtTheirBottomEdge) {
  HWND label = Form->CustomInputsPage().ErrorLabel();
  ASSERT_NE(label, nullptr);
  EXPECT_FALSE(HasStyle(label, WS_VISIBLE));
  Form->CustomInputsPage().ShowHookError();
  EXPECT_TRUE(HasStyle(label, WS_VISIBLE));
  EXPECT_EQ(TextOf(label), L"Can`t set system hook for normal work");
  HWND tooltip = FindTooltip();
  EXPECT_EQ(HintOf(tooltip, label),
            L"Some functions, provided by Pelorin, are not working. Restart Pelorin manually or hide it (press Esc), "
            L"it will restarts automatically when hidden");
  for (int i : {1, 2, 0}) {
    UserSelectsTab(Form->CustomInputsPage().Tabs(), i);
    HWND page = Form->CustomInputsPage().Page(static_cast<TInputsPage>(i));
    EXPECT_EQ(::GetParent(label), page) << "sub-tab " << i;
    RECT client{}, r = RectIn(label, page);
    ::GetClientRect(page, &client);
    RECT enabled = RectIn(C(IDC_INPUTS_ENABLED), Form->CustomInputsPage().Page(TInputsPage::Commands));
    EXPECT_GE(r.top, enabled.top) << "in the bottom row";
    EXPECT_LE(r.bottom, client.bottom);
    EXPECT_GT(r.left, enabled.right) << "clear of the InputsEnabled switch";
  }
  Form->CustomInputsPage().ShowErrorLabel(NoBrightnessText);
  EXPECT_EQ(TextOf(label), L"The system does not supports a brightness adjusting");
  EXPECT_EQ(HintOf(tooltip, label), L"") << "shown without the hook error's hint";
}

// Everything inside its page, and every text inside its control, with the font the control
// draws it in.
std::vector<std::string> ClippedControls(HWND page) {
  std::vector<std::string> found;
  RECT client{};
  ::GetClientRect(page, &client);
  for (HWND c = ::GetWindow(page, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (!HasStyle(c, WS_VISIBLE) || ::GetDlgCtrlID(c) == 0) continue;  // sub-pages are checked on their own
    std::string name = "id " + std::to_string(::GetDlgCtrlID(c));
    RECT r = RectIn(c, page);
    if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom) {
      found.push_back(name + " lies outside its page");
      continue;
    }
    wchar_t cls[32] = {};
    ::GetClassNameW(c, cls, 32);
    std::wstring type = cls;
    LONG_PTR style = ::GetWindowLongPtrW(c, GWL_STYLE);
    RECT inner{};
    ::GetClientRect(c, &inner);
    HDC dc = ::GetDC(c);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)));
    auto measure = [&](const std::wstring& text, int width, UINT flags) {
      RECT calc{0, 0, width, 0};
      ::DrawTextW(dc, text.c_str(), -1, &calc, DT_CALCRECT | flags);
      return calc;
    };
    int availableWidth = -1, availableHeight = inner.bottom;
    UINT flags = 0;
    std::vector<std::wstring> texts{TextOf(c)};
    if (type == L"Static") {
      LONG_PTR kind = style & SS_TYPEMASK;
      if (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT) {
        availableWidth = inner.right;
        flags = DT_WORDBREAK | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
      }
    } else if (type == L"Button") {
      LONG_PTR kind = style & BS_TYPEMASK;
      flags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
      if (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON) {
        // The box and the gap before the text.
        availableWidth = inner.right - ::GetSystemMetrics(SM_CXMENUCHECK) - ::MulDiv(4, ScreenDpi(), 96);
      } else if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
        availableWidth = inner.right - ::MulDiv(8, ScreenDpi(), 96);
        availableHeight = inner.bottom - ::MulDiv(4, ScreenDpi(), 96);
      }
    } else if (type == L"ComboBox") {
      // The closed combo box shows every item in the width left of its arrow.
      availableWidth = inner.right - ::GetSystemMetrics(SM_CXVSCROLL) - ::MulDiv(6, ScreenDpi(), 96);
      flags = DT_SINGLELINE | DT_NOPREFIX;
      texts.clear();
      int count = static_cast<int>(::SendMessageW(c, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        ::SendMessageW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.emplace_back(text);
      }
    }
    if (availableWidth >= 0) {
      for (const std::wstring& text : texts) {
        if (text.empty()) continue;
        RECT need = measure(text, availableWidth, flags);
        if (need.right > availableWidth || need.bottom > availableHeight)
          found.push_back(name + " clips \"" + Narrow(text) + "\": needs " + std::to_string(need.right) + "x" +
                          std::to_string(need.bottom) + ", has " + std::to_string(availableWidth) + "x" +
                          std::to_string(availableHeight));
      }
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(c, dc);
  }
  return found;
}

TEST_F(MainForm, NothingIsClippedAtThisDpiFromTheDesignSizeDownToTheMinimum) {
  Form->CustomInputsPage().ShowErrorLabel(NoBrightnessText);  // the longest text the red label takes
  Form->DesktopPage().ShowDesktopError();
  ShowAndSettle();
  SIZE min = Form->MinimumSize();
  for (bool atMinimum : {false, true}) {
    if (atMinimum) {
      // Smaller than allowed: the window keeps its minimum.
      ::SetWindowPos(Form->Handle(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
      RECT r{};
      ::GetWindowRect(Form->Handle(), &r);
      EXPECT_EQ(r.right - r.left, min.cx);
      EXPECT_EQ(r.bottom - r.top, min.cy);
    }
    for (int p = 0; p < MainPageCount; ++p) {
      Form->ActivatePage(static_cast<TMainPage>(p));
      std::vector<std::string> clipped = ClippedControls(Form->Page(static_cast<TMainPage>(p)));
      EXPECT_TRUE(clipped.empty()) << "page " << p << (atMinimum ? " at the minimum" : "") << ": "
                                   << ::testing::PrintToString(clipped);
    }
    Form->ActivatePage(TMainPage::CustomInputs);
    for (int p = 0; p < InputsPageCount; ++p) {
      Form->CustomInputsPage().ActivatePage(static_cast<TInputsPage>(p));
      std::vector<std::string> clipped = ClippedControls(Form->CustomInputsPage().Page(static_cast<TInputsPage>(p)));
      EXPECT_TRUE(clipped.empty()) << "sub-tab " << p << (atMinimum ? " at the minimum" : "") << ": "
                                   << ::testing::PrintToString(clipped);
    }
    // A drop-down list keeps the room for its items when the page resizes it.
    for (HWND combo : {Form->CommandsPage().CommandCombo(), Form->CommandsPage().InputCombo()}) {
      RECT dropped{};
      ::SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      LRESULT itemHeight = ::SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
      EXPECT_GE(dropped.bottom - dropped.top, 6 * itemHeight) << "combo " << ::GetDlgCtrlID(combo);
    }
    // The switch below the page control, inside the window.
    RECT client{}, r = RectIn(C(IDC_PELORIN_ENABLED), Form->Handle()), tabs = RectIn(Form->PageControl(), Form->Handle());
    ::GetClientRect(Form->Handle(), &client);
    EXPECT_GE(r.top, tabs.bottom);
    EXPECT_LE(r.bottom, client.bottom);
  }
  // The design size at this DPI, or the minimum where that is larger.
  EXPECT_GE(min.cx, 300);
  EXPECT_GE(min.cy, 300);
}

TEST_F(MainForm, TabMovesBetweenTheControlsOfThePageShown) {
  ShowAndSettle();
  ::SetFocus(Form->CommandsPage().CommandCombo());
  ASSERT_EQ(::GetFocus(), Form->CommandsPage().CommandCombo());
  MSG tab{Form->CommandsPage().CommandCombo(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(Form->IsFormMessage(tab));
  EXPECT_EQ(::GetFocus(), Form->CommandsPage().InputCombo());
  // Another program's message is left alone.
  MSG other{nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_FALSE(Form->IsFormMessage(other));
}

TEST_F(MainForm, GeometryAndColumnWidthsMarkOnlyTheSystemSection) {
  Form->OnMessage = nullptr;
  MarkSettingsSaved(State);
  ::SetWindowPos(Form->Handle(), nullptr, 70, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(State.CfgChanged.load(), CfgNothingToSave) << "a hidden window is not moved by the user";
  ShowAndSettle();
  MarkSettingsSaved(State);
  ::SetWindowPos(Form->Handle(), nullptr, 90, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(State.CfgChanged.load(), CfgSystemChanged);
  MarkSettingsSaved(State);
  RECT r{};
  ::GetWindowRect(Form->Handle(), &r);
  ::SetWindowPos(Form->Handle(), nullptr, 0, 0, r.right - r.left + 30, r.bottom - r.top + 20,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(State.CfgChanged.load(), CfgSystemChanged);

  // The user drags the divider after the third column 25 pixels to the right.
  MarkSettingsSaved(State);
  HWND grid = C(IDC_TRACK_WINS_GRID);
  int before = static_cast<int>(::SendMessageW(grid, LVM_GETCOLUMNWIDTH, 2, 0));
  HWND header = reinterpret_cast<HWND>(::SendMessageW(grid, LVM_GETHEADER, 0, 0));
  RECT item{};
  ::SendMessageW(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  int x = item.right - 1, y = (item.top + item.bottom) / 2;
  ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 25, y));
  ::SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x + 25, y));
  int after = static_cast<int>(::SendMessageW(grid, LVM_GETCOLUMNWIDTH, 2, 0));
  EXPECT_GT(after, before);
  EXPECT_EQ(State.CfgChanged.load(), CfgSystemChanged) << "a column resized";

  Settings stored;
  Form->StoreGeometry(stored);
  EXPECT_EQ(stored.Left, 90);
  EXPECT_EQ(stored.Top, 60);
  EXPECT_EQ(stored.Width, r.right - r.left + 30);
  EXPECT_EQ(stored.WinGridColWidths[2], after);

  // Minimised, the restored geometry is what counts.
  ::ShowWindow(Form->Handle(), SW_MINIMIZE);
  Settings minimised;
  Form->StoreGeometry(minimised);
  EXPECT_EQ(minimised.Left, 90);
  EXPECT_EQ(minimised.Width, stored.Width);
}

TEST_F(MainForm, TheCallerSeesMessagesFirst) {
  std::vector<UINT> seen;
  Form->OnMessage = [&](UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message == WM_CLOSE || message == WM_USER + 1 || message == WM_DISPLAYCHANGE) seen.push_back(message);
    if (message != WM_CLOSE) return false;
    result = 0;
    return true;  // the program decides what closing means
  };
  ::SendMessageW(Form->Handle(), WM_USER + 1, 0, WM_LBUTTONDOWN);
  ::SendMessageW(Form->Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
  ::SendMessageW(Form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_DISPLAYCHANGE, WM_CLOSE}));
  EXPECT_TRUE(::IsWindow(Form->Handle()));

  // Nobody took the close: the window goes and the form lets go of it.
  Form->OnMessage = nullptr;
  HWND window = Form->Handle();
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(Form->Handle(), nullptr);
}

std::wstring GridCell(HWND grid, int item, int column) {
  wchar_t text[256] = {};
  LVITEMW lv{};
  lv.iSubItem = column;
  lv.pszText = text;
  lv.cchTextMax = 256;
  ::SendMessageW(grid, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
  return text;
}

TEST_F(MainForm, GridsShowTheirRows) {
  TCustomInputTable table(Inputs.CellPrefixLen());
  ASSERT_TRUE(table.AddRow(L"Volume Up", std::nullopt, L"Middle mouse button click", StateMouseChecked));
  ASSERT_TRUE(table.AddRow(L"Disable Pelorin", std::nullopt, L"Mouse button 4 click", StateMouse));
  Form->CommandsPage().ShowTable(table);
  HWND grid = C(IDC_MAIN_GRID);
  ASSERT_EQ(::SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(GridCell(grid, 0, 0), L"Volume Up");
  EXPECT_EQ(GridCell(grid, 0, 1), std::wstring(Inputs.CellPrefixLen(), L' ') + L"Middle mouse button click");
  EXPECT_EQ(GridCell(grid, 1, 0), L"Disable Pelorin");

  Form->CommandsPage().ShowTable(TCustomInputTable(Inputs.CellPrefixLen()));
  EXPECT_EQ(::SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 0) << "the unused row 1 of an empty table";

  std::vector<TTrackedWindowRow> rows{{L"Save as", L"[*].txt", L"Yes", 5, false, true},
                                      {L"Confirm", L"", L"120x40", 0, false, false}};
  Form->TrackedPage().ShowRows(rows);
  HWND winGrid = C(IDC_TRACK_WINS_GRID);
  ASSERT_EQ(::SendMessageW(winGrid, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(GridCell(winGrid, 0, 1), L"[*].txt");
  EXPECT_EQ(GridCell(winGrid, 1, 2), L"120x40");
  EXPECT_NE(GridCell(winGrid, 0, 0).find(L"Save as"), std::wstring::npos);
}

// Answers, from a thread of its own, the dialogs the GUI thread shows one after the other
// (the GUI thread is inside each dialog's own message loop meanwhile). Each step waits for a
// new top-level dialog with its title, hands it to its action and waits until it is gone.
class TDialogScript {
 public:
  struct TStep {
    std::wstring Title;
    std::function<void(HWND)> Act;
    // Until it holds the dialog is still being built.
    std::function<bool(HWND)> Ready = [](HWND d) { return ::IsWindowVisible(d) != FALSE; };
  };
  explicit TDialogScript(std::vector<TStep> steps)
      : Steps(std::move(steps)), GuiThread(::GetCurrentThreadId()), Thread([this] { Run(); }) {}
  ~TDialogScript() { Wait(); }
  // The number of steps done, once the script has ended.
  int Wait() {
    if (Thread.joinable()) Thread.join();
    return Finished.load();
  }

 private:
  void Run() {
    HWND previous = nullptr;
    for (TStep& step : Steps) {
      HWND dialog = nullptr;
      DWORD start = ::GetTickCount();
      while ((dialog = ::FindWindowW(L"#32770", step.Title.c_str())) == nullptr || dialog == previous ||
             !step.Ready(dialog)) {
        if (::GetTickCount() - start > Deadline) return CloseStrayDialogs();
        ::Sleep(20);
      }
      step.Act(dialog);
      start = ::GetTickCount();
      while (::IsWindow(dialog) && ::GetTickCount() - start < Deadline) ::Sleep(20);
      previous = dialog;
      ++Finished;
    }
  }
  // A dialog nobody expected must not keep the test waiting for ever: every dialog of the GUI
  // thread is dismissed, whatever its buttons.
  void CloseStrayDialogs() {
    ::EnumThreadWindows(
        GuiThread,
        [](HWND window, LPARAM) -> BOOL {
          wchar_t cls[16] = {};
          ::GetClassNameW(window, cls, 16);
          if (std::wstring(cls) == L"#32770") {
            ::PostMessageW(window, WM_COMMAND, IDNO, 0);
            ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
          }
          return TRUE;
        },
        0);
  }

  std::vector<TStep> Steps;
  DWORD GuiThread;
  std::atomic<int> Finished{0};
  std::thread Thread;
};

std::wstring DialogItemText(HWND dialog, int id) {
  wchar_t text[2048] = {};
  ::GetDlgItemTextW(dialog, id, text, 2048);
  return text;
}

// The file name field of the common file dialogs: a combo box (cmb13) in newer layouts, an
// edit (edt1) in older ones.
HWND FileNameField(HWND dialog) {
  for (int id : {0x47C, 0x480})
    if (HWND field = ::GetDlgItem(dialog, id); field != nullptr && ::IsWindowVisible(field)) return field;
  return nullptr;
}

bool FileDialogReady(HWND dialog) { return ::IsWindowVisible(dialog) && FileNameField(dialog) != nullptr; }

TEST_F(MainForm, ExportAndImportGoThroughTheFileDialogsAndMessageBoxes) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"PelorinExport" + std::to_wstring(::GetCurrentProcessId()) + L".ini";
  ::DeleteFileW(path.c_str());
  ShowAndSettle();
  Form->ActivatePage(TMainPage::Settings);

  constexpr int MessageText = 0xFFFF;  // the text of a message box
  std::wstring proposed, exported, question, loaded;
  {
    TDialogScript script({
        {L"Export Settings",
         [&](HWND d) {
           proposed = TextOf(FileNameField(d));
           ::SendMessageW(FileNameField(d), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
           ::PostMessageW(d, WM_COMMAND, IDOK, 0);
         },
         FileDialogReady},
        {L"Export Settings",
         [&](HWND d) {
           exported = DialogItemText(d, MessageText);
           ::PostMessageW(d, WM_COMMAND, IDOK, 0);
         }},
    });
    UserPresses(IDC_SAVE_CFG);
    EXPECT_EQ(script.Wait(), 2);
  }
  EXPECT_EQ(proposed, L"Pelorin.ini");
  EXPECT_EQ(exported, L"Settings have been saved");
  EXPECT_TRUE(State.ExportMark);
  EXPECT_EQ(State.CfgChanged.load(), CfgNothingToSave) << "Pelorin.ini itself is not written";
  std::string file = Files.ReadWholeFile(path).Bytes;
  EXPECT_NE(file.find("a distance  which mouse should overcome to do the input = 60"), std::string::npos) << file;
  RECT r{};
  ::GetWindowRect(Form->Handle(), &r);
  EXPECT_NE(file.find("Width = " + std::to_string(r.right - r.left)), std::string::npos) << file;
  EXPECT_EQ(RunKey.Value, L"\"C:\\Pelorin\\Pelorin.exe\" autorun") << "the Run value follows the export";

  // A change after the export: the import asks first.
  UserMovesTrack(IDC_DIST_TRACK, 20);
  ASSERT_EQ(Cfg.DistTrack, 20);
  int imported = 0;
  Form->SettingsPage().OnSettingsImported = [&] { ++imported; };
  {
    TDialogScript script({
        {L"Recommended to export current settings first",
         [&](HWND d) {
           question = DialogItemText(d, MessageText);
           ::PostMessageW(d, WM_COMMAND, IDYES, 0);
         }},
        {L"Import Settings",
         [&](HWND d) {
           ::SendMessageW(FileNameField(d), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
           ::PostMessageW(d, WM_COMMAND, IDOK, 0);
         },
         FileDialogReady},
        {L"Import Settings",
         [&](HWND d) {
           loaded = DialogItemText(d, MessageText);
           ::PostMessageW(d, WM_COMMAND, IDOK, 0);
         }},
    });
    UserPresses(IDC_LOAD_CFG);
    EXPECT_EQ(script.Wait(), 3);
  }
  EXPECT_EQ(question,
            L"After the import all current settings will be changed. At first, it`s recommended to save the current "
            L"settings by using an \"Export Settings...\" button.\rDo you want to continue the import?");
  EXPECT_EQ(loaded, L"Settings have been loaded");
  EXPECT_EQ(imported, 1);
  EXPECT_EQ(Cfg.DistTrack, 60);
  EXPECT_EQ(::SendMessageW(C(IDC_DIST_TRACK), TBM_GETPOS, 0, 0), 60);
  EXPECT_EQ(TextOf(C(IDC_DIST_LABEL)), L"60% of screen height");
  EXPECT_EQ(State.CfgChanged.load(), CfgSettingsChanged) << "Pelorin.ini is rewritten at exit";
  ::DeleteFileW(path.c_str());
}

// ---------------------------------------------------------------- the Commands editor

std::wstring ComboText(HWND combo, int index) {
  wchar_t text[512] = {};
  if (::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text)) == CB_ERR) return L"<none>";
  return text;
}

void SendKey(WORD vk, bool up = false) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &in, sizeof(INPUT));
}

void Settle() { PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000); }

class CommandsEditor : public MainForm {
 protected:
  void SetUp() override {
    MainForm::SetUp();
    Form->CommandsPage().Message = [this](std::wstring_view text, std::wstring_view caption, UINT flags) {
      Messages.push_back({std::wstring(text), std::wstring(caption), flags});
      return Answer;
    };
    Form->CommandsPage().CapturedChord = [this] { return Captured; };
    State.CfgChanged = CfgNothingToSave;
  }
  // What the list of a drop-down combo box sends when the user picks an item.
  void UserChooses(HWND combo, int index) {
    ::SendMessageW(combo, CB_SETCURSEL, index, 0);
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    Settle();
  }
  void Notify(HWND combo, WORD code) {
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), code),
                   reinterpret_cast<LPARAM>(combo));
  }
  // A real click at a point of the grid's client area, or a drag to `to`.
  void ClickGrid(POINT client, bool drag = false, POINT to = {}, int* markedBeforeDrop = nullptr) {
    HWND grid = C(IDC_MAIN_GRID);
    ::ClientToScreen(grid, &client);
    ::ClientToScreen(grid, &to);
    ClickOrDrag(client, drag, to, [&] {
      // The row shown as the drop target while the button is still down.
      if (markedBeforeDrop != nullptr)
        *markedBeforeDrop =
            static_cast<int>(::SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED));
    });
    Settle();
  }
  RECT ItemRect(int item, int column) {
    RECT r{};
    r.top = column;
    r.left = LVIR_LABEL;
    ::SendMessageW(C(IDC_MAIN_GRID), LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  std::vector<std::wstring> Commands() {
    std::vector<std::wstring> commands;
    for (int row = 1; row <= Inputs.UsedRowCount(); ++row) commands.emplace_back(Inputs.GetCell(0, row));
    return commands;
  }

  struct TShown {
    std::wstring Text, Caption;
    UINT Flags;
  };
  std::vector<TShown> Messages;
  int Answer = IDOK;
  std::optional<TKeyChordRecord> Captured;
};

TEST_F(CommandsEditor, CombosCycleTheirPromptsAndItemFifteenTurnsEditable) {
  ShowAndSettle();
  HWND command = Form->CommandsPage().CommandCombo(), input = Form->CommandsPage().InputCombo();
  Notify(command, CBN_DROPDOWN);
  EXPECT_EQ(ComboText(command, 0), L"Pressing the keyboard keys...");
  UserChooses(command, 0);
  EXPECT_EQ(ComboText(command, 0), L"Now press the keyboard keys...");
  EXPECT_EQ(::SendMessageW(command, CB_GETCURSEL, 0, 0), 0);
  Notify(command, CBN_KILLFOCUS);
  EXPECT_EQ(ComboText(command, 0), L"Pressing the keyboard keys...");
  EXPECT_EQ(::SendMessageW(command, CB_GETCURSEL, 0, 0), 0) << "the prompt stays chosen";

  UserChooses(input, 0);
  EXPECT_EQ(ComboText(input, 0), L"Now press the keyboard keys...");

  ::SetFocus(command);
  UserChooses(command, 15);
  ASSERT_TRUE(Form->CommandsPage().CommandComboEditable());
  HWND editable = Form->CommandsPage().CommandCombo();
  EXPECT_EQ(::GetDlgCtrlID(editable), IDC_COMMAND_EDIT_COMBO);
  EXPECT_TRUE(::IsWindowVisible(editable));
  EXPECT_FALSE(::IsWindowVisible(command));
  EXPECT_EQ(TextOf(editable), L"");
  EXPECT_EQ(ComboText(editable, 15), L"");
  HWND focus = ::GetFocus();
  EXPECT_TRUE(focus == editable || ::GetParent(focus) == editable) << "the user types at once";

  // Typed keys reach the line; Up and Down never move away from it.
  for (WORD vk : {'N', 'O', 'T', 'E'}) {
    SendKey(vk);
    SendKey(vk, true);
  }
  Settle();
  EXPECT_EQ(TextOf(editable), L"note");
  SendKey(VK_DOWN);
  SendKey(VK_DOWN, true);
  Settle();
  EXPECT_EQ(TextOf(editable), L"note");

  // Opening the list offers the custom command again; another item returns to the list kind.
  Notify(editable, CBN_DROPDOWN);
  EXPECT_EQ(ComboText(editable, 15), L"Exec a custom command...");
  EXPECT_EQ(TextOf(editable), L"note") << "opening the list keeps the typed line";
  UserChooses(editable, 6);
  EXPECT_FALSE(Form->CommandsPage().CommandComboEditable());
  EXPECT_EQ(Form->CommandsPage().CommandCombo(), command);
  EXPECT_TRUE(::IsWindowVisible(command));
  EXPECT_EQ(TextOf(command), L"Volume Up");
  EXPECT_EQ(ComboText(command, 15), L"Exec a custom command...");
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave) << "choosing is no change of the settings";
}

TEST_F(CommandsEditor, KeysInTheListComboNeverChangeTheChoice) {
  ShowAndSettle();
  HWND command = Form->CommandsPage().CommandCombo();
  UserChooses(command, 6);
  ::SetFocus(command);
  for (WORD vk : {static_cast<WORD>(VK_DOWN), static_cast<WORD>(VK_UP), static_cast<WORD>('S'),
                  static_cast<WORD>(VK_END)}) {
    SendKey(vk);
    SendKey(vk, true);
  }
  Settle();
  EXPECT_EQ(::SendMessageW(command, CB_GETCURSEL, 0, 0), 6);
  EXPECT_EQ(::GetFocus(), command);
}

TEST_F(CommandsEditor, AddRefusesWithItsMessagesThenAddsTheRow) {
  ShowAndSettle();
  HWND command = Form->CommandsPage().CommandCombo(), input = Form->CommandsPage().InputCombo();
  UserPresses(IDC_ADD_INPUT);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Caption, L"Firstly you must:");
  EXPECT_EQ(Messages[0].Text,
            L"- choose a command which you want to execute;\r- choose an input to do the chosen command.");
  EXPECT_EQ(Messages[0].Flags, 64u);
  EXPECT_EQ(Inputs.UsedRowCount(), 0);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);

  // A chord command: the captured keys go into the row.
  const uint8_t vk[] = {VK_LCONTROL, 'C'}, scan[] = {29, 46};
  Captured = TKeyChordRecord::FromKeys(vk, scan);
  UserChooses(command, 0);
  ::SendMessageW(command, CB_DELETESTRING, 0, 0);  // what the keyboard hook shows
  ::SendMessageW(command, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"Left Ctrl + C"));
  ::SendMessageW(command, CB_SETCURSEL, 0, 0);
  UserChooses(input, 2);
  UserPresses(IDC_ADD_INPUT);
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Messages[1].Caption, L"Custom input assigned");
  EXPECT_EQ(Messages[1].Text, L"New input was successfully added");
  ASSERT_EQ(Inputs.UsedRowCount(), 1);
  EXPECT_EQ(Inputs.GetCell(0, 1), L"Left Ctrl + C");
  EXPECT_EQ(Inputs.GetCell(1, 1), L"Mouse button 4 click");
  ASSERT_TRUE(Inputs.Keys(1).has_value());
  EXPECT_EQ(*Inputs.Keys(1), *Captured);
  EXPECT_EQ(Inputs.InputState(1), StateMouse);
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged);
  EXPECT_EQ(::SendMessageW(command, CB_GETCURSEL, 0, 0), -1);
  EXPECT_EQ(::SendMessageW(input, CB_GETCURSEL, 0, 0), -1);
  EXPECT_EQ(Form->CommandsPage().SelectedInputRow(), 1);
  EXPECT_EQ(::GetFocus(), C(IDC_MAIN_GRID));
  HWND grid = C(IDC_MAIN_GRID);
  EXPECT_EQ(GridCell(grid, 0, 0), L"Left Ctrl + C");

  // The same input again.
  UserChooses(command, 7);
  UserChooses(input, 2);
  UserPresses(IDC_ADD_INPUT);
  ASSERT_EQ(Messages.size(), 3u);
  EXPECT_EQ(Messages[2].Caption, L"Input already assigned");
  EXPECT_EQ(Messages[2].Flags, 48u);
  EXPECT_EQ(Inputs.UsedRowCount(), 1);
}

TEST_F(CommandsEditor, RemoveAsksAndTheDeleteKeyRemovesToo) {
  Inputs.AddRow(L"Volume Up", std::nullopt, L"Middle mouse button click", StateMouse);
  Inputs.AddRow(L"Sleep", std::nullopt, L"Mouse button 4 click", StateMouse);
  Form->CommandsPage().ShowTable(Inputs);
  ShowAndSettle();
  Form->CommandsPage().SelectInputRow(1);
  Answer = IDNO;
  UserPresses(IDC_REMOVE_INPUT);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, L"Do you want to remove the selected input?");
  EXPECT_EQ(Messages[0].Caption, L"Remove a custom input");
  EXPECT_EQ(Messages[0].Flags, 36u);
  EXPECT_EQ(Inputs.UsedRowCount(), 2);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);

  Answer = IDYES;
  UserPresses(IDC_REMOVE_INPUT);
  EXPECT_EQ(Commands(), (std::vector<std::wstring>{L"Sleep"}));
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged);

  // Delete in the grid: the only row goes, and the empty table keeps its unused row 1.
  HWND grid = C(IDC_MAIN_GRID);
  ::SetFocus(grid);
  Form->CommandsPage().SelectInputRow(1);
  SendKey(VK_DELETE);
  SendKey(VK_DELETE, true);
  Settle();
  EXPECT_EQ(Messages.size(), 3u);
  EXPECT_EQ(Inputs.UsedRowCount(), 0);
  EXPECT_EQ(Inputs.RowCount(), 2);
  EXPECT_EQ(::SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 0);
  UserPresses(IDC_REMOVE_INPUT);
  EXPECT_EQ(Messages.size(), 3u) << "nothing to remove, nothing asked";
}

TEST_F(CommandsEditor, CheckBoxesDraggingAndFittingTheColumns) {
  Inputs.AddRow(L"Volume Up", std::nullopt, L"Middle mouse button click", StateMouse);
  Inputs.AddRow(L"Disable Pelorin", std::nullopt, L"Mouse button 4 click", StateMouse);
  Inputs.AddRow(L"Sleep", std::nullopt, L"Mouse button 5 click", StateMouse);
  Inputs.AddRow(L"Reboot", std::nullopt, L"Quickly move mouse vertically up-down", StateMouse);
  Form->CommandsPage().ShowTable(Inputs);
  ShowAndSettle();

  // The check box square toggles; the switch row has none; the rest of the cell only selects.
  RECT cell = ItemRect(0, 1);
  int side = cell.bottom - cell.top;
  ClickGrid({cell.left + side / 2, (cell.top + cell.bottom) / 2});
  EXPECT_EQ(Inputs.InputState(1), StateMouseChecked);
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged);
  RECT switchCell = ItemRect(1, 1);
  ClickGrid({switchCell.left + side / 2, (switchCell.top + switchCell.bottom) / 2});
  EXPECT_EQ(Inputs.InputState(2), StateMouse);
  RECT third = ItemRect(2, 1);
  ClickGrid({third.left + 3 * side, (third.top + third.bottom) / 2});
  EXPECT_EQ(Inputs.InputState(3), StateMouse);
  EXPECT_EQ(Form->CommandsPage().SelectedInputRow(), 3);
  ClickGrid({cell.left + side / 2, (cell.top + cell.bottom) / 2});
  EXPECT_EQ(Inputs.InputState(1), StateMouse);
  // Space ticks the selected row too, but never a switch row.
  HWND listView = C(IDC_MAIN_GRID);
  ::SetFocus(listView);
  for (int row : {3, 2}) {
    Form->CommandsPage().SelectInputRow(row);
    SendKey(VK_SPACE);
    SendKey(VK_SPACE, true);
    Settle();
  }
  EXPECT_EQ(Inputs.InputState(3), StateMouseChecked);
  EXPECT_EQ(Inputs.InputState(2), StateMouse) << "the Disable Pelorin row";
  Form->CommandsPage().SelectInputRow(3);
  SendKey(VK_SPACE);
  SendKey(VK_SPACE, true);
  Settle();
  EXPECT_EQ(Inputs.InputState(3), StateMouse);

  // Row 4 dragged onto row 2.
  State.CfgChanged = CfgNothingToSave;
  RECT from = ItemRect(3, 0), to = ItemRect(1, 0);
  int marked = -2;
  ClickGrid({from.left + 20, (from.top + from.bottom) / 2}, true, {to.left + 20, (to.top + to.bottom) / 2}, &marked);
  EXPECT_EQ(marked, 1) << "row 2 is shown as the drop target while the button is down";
  EXPECT_EQ(::SendMessageW(C(IDC_MAIN_GRID), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED), -1)
      << "and no more once it is dropped";
  EXPECT_EQ(Commands(), (std::vector<std::wstring>{L"Volume Up", L"Reboot", L"Disable Pelorin", L"Sleep"}));
  EXPECT_EQ(State.CfgChanged, CfgSettingsChanged);
  EXPECT_EQ(GridCell(C(IDC_MAIN_GRID), 1, 0), L"Reboot");
  EXPECT_EQ(Form->CommandsPage().SelectedInputRow(), 2);

  // A click on a column header fits both columns to their texts.
  HWND grid = C(IDC_MAIN_GRID);
  ::SendMessageW(grid, LVM_SETCOLUMNWIDTH, 0, 40);
  ::SendMessageW(grid, LVM_SETCOLUMNWIDTH, 1, 40);
  State.CfgChanged = CfgNothingToSave;
  HWND header = reinterpret_cast<HWND>(::SendMessageW(grid, LVM_GETHEADER, 0, 0));
  RECT headerRect{};
  ::GetWindowRect(header, &headerRect);
  ::MapWindowPoints(nullptr, grid, reinterpret_cast<POINT*>(&headerRect), 2);
  ClickGrid({headerRect.left + 15, (headerRect.top + headerRect.bottom) / 2});
  RECT client{};
  ::GetClientRect(grid, &client);
  std::vector<int> expected = FitColumnWidths(Inputs, client.right);
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(::SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0), expected[0]);
  EXPECT_EQ(::SendMessageW(grid, LVM_GETCOLUMNWIDTH, 1, 0), expected[1]);
  EXPECT_GT(expected[1], expected[0]) << "the inputs are the longer texts";
  EXPECT_EQ(State.CfgChanged, CfgSystemChanged) << "widths are window values only";
}


// What the hooks ask of the window: which choice combo box has the focus (the editable one
// through its edit field), its selection, a captured chord shown without counting as a
// change, where the window is, and whether "Custom Inputs" is in front.
TEST_F(CommandsEditor, TheHooksPortReadsTheChoiceCombosAndTheWindow) {
  ShowAndSettle();
  TCommandsPage& page = Form->CommandsPage();
  THooksWindowPort port(page, State, [this] { return Form->ActivePage() == TMainPage::CustomInputs; });
  struct TFocusCase {
    const char* Name;
    HWND Focus;
    ChoiceCombo Expected;
  };
  const TFocusCase cases[] = {
      {"command combo", page.CommandCombo(), ChoiceCombo::Command},
      {"input combo", page.InputCombo(), ChoiceCombo::Input},
      {"grid", page.Grid(), ChoiceCombo::None},
      {"switch", C(IDC_INPUTS_ENABLED), ChoiceCombo::None},
  };
  for (const TFocusCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ::SetFocus(c.Focus);
    EXPECT_EQ(port.FocusedChoiceCombo(), c.Expected);
    EXPECT_EQ(port.ChoiceComboFocused(), c.Expected != ChoiceCombo::None);
  }
  UserChooses(page.CommandCombo(), 15);
  ASSERT_TRUE(page.CommandComboEditable());
  HWND focus = ::GetFocus();
  ASSERT_NE(focus, page.CommandCombo()) << "the editable combo box gives the focus to its edit field";
  EXPECT_EQ(::GetParent(focus), page.CommandCombo());
  EXPECT_EQ(port.FocusedChoiceCombo(), ChoiceCombo::Command);

  UserChooses(page.InputCombo(), 0);
  port.ShowCapturedChord(ChoiceCombo::Input, L"Left Ctrl + Left Shift + F");
  EXPECT_EQ(ComboText(page.InputCombo(), 0), L"Left Ctrl + Left Shift + F");
  EXPECT_EQ(port.ChoiceComboSelection(ChoiceCombo::Input), 0);
  EXPECT_EQ(port.ChoiceComboSelection(ChoiceCombo::Command), 15);
  EXPECT_FALSE(State.ProgrammaticChange);
  EXPECT_EQ(State.CfgChanged, CfgNothingToSave);

  RECT r{};
  ::GetWindowRect(Form->Handle(), &r);
  TRect rect = port.MainWindowRect();
  EXPECT_EQ(rect.Left, r.left);
  EXPECT_EQ(rect.Top, r.top);
  EXPECT_EQ(rect.Width, r.right - r.left);
  EXPECT_EQ(rect.Height, r.bottom - r.top);
  EXPECT_TRUE(port.MainFormIsActive());
  EXPECT_TRUE(port.CustomInputsPageActive());
  Form->ActivatePage(TMainPage::Settings);
  EXPECT_FALSE(port.CustomInputsPageActive());
  HWND other = CreatePlainWindow(L"Another program", 700, 500, 300, 200);
  ASSERT_TRUE(BringToFront(other));
  EXPECT_FALSE(port.MainFormIsActive());
  ::DestroyWindow(other);
}

TEST_F(MainForm, Screenshots) {
  wchar_t folder[MAX_PATH];
  DWORD len = ::GetEnvironmentVariableW(L"PELORIN_TEST_SHOTS", folder, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) GTEST_SKIP() << "PELORIN_TEST_SHOTS names no folder";
  ::CreateDirectoryW(folder, nullptr);

  // A table and a tracked window as a user would have them.
  TCustomInputTable table(Inputs.CellPrefixLen());
  table.AddRow(L"Volume Up", std::nullopt, L"Quickly move mouse horizontally forth-back", StateMouseChecked);
  table.AddRow(L"Clipboard manager", std::nullopt, L"Middle mouse button click", StateMouse);
  table.AddRow(L"Checked inputs enable/disable", std::nullopt, L"Mouse button 5 click", StateMouse);
  Form->CommandsPage().ShowTable(table);
  Form->TrackedPage().ShowRows({{L"Confirm File Delete", L"", L"Yes", 5, false, true},
                            {L"Save as", L"[*].txt", L"120x40", 0, false, false}});
  auto scaled = [&](int pixels) { return static_cast<int>(std::lround(pixels * Form->PixelsScale())); };
  Settings shown = Cfg;
  const Settings design;
  shown.Width = std::max(scaled(design.Width), static_cast<int>(Form->MinimumSize().cx));
  shown.Height = std::max(scaled(design.Height), static_cast<int>(Form->MinimumSize().cy));
  shown.MainGridColWidths = {scaled(200), scaled(250)};
  shown.WinGridColWidths = {scaled(170), scaled(170), scaled(100)};
  Form->LoadControls(shown);
  ShowAndSettle();

  struct TShot {
    const wchar_t* Name;
    TMainPage Page;
    int Sub;
  };
  const TShot shots[] = {
      {L"commands", TMainPage::CustomInputs, 0}, {L"mouse", TMainPage::CustomInputs, 1},
      {L"keyboard-layout", TMainPage::CustomInputs, 2}, {L"desktop", TMainPage::Desktop, -1},
      {L"tracked-windows", TMainPage::TrackedWindows, -1}, {L"settings", TMainPage::Settings, -1},
  };
  auto take = [&](const std::wstring& name) {
    ShowAndSettle();
    std::wstring path = std::wstring(folder) + L"\\main-" + name + L".bmp";
    EXPECT_TRUE(SaveWindow(Form->Handle(), path)) << "could not write " << Narrow(path);
  };
  for (const TShot& s : shots) {
    UserSelectsTab(Form->PageControl(), static_cast<int>(s.Page));
    if (s.Sub >= 0) UserSelectsTab(Form->CustomInputsPage().Tabs(), s.Sub);
    take(s.Name);
  }
  UserSelectsTab(Form->PageControl(), 0);
  UserSelectsTab(Form->CustomInputsPage().Tabs(), 0);
  Form->CustomInputsPage().ShowHookError();
  take(L"commands-hook-error");
  UserSelectsTab(Form->CustomInputsPage().Tabs(), 1);
  take(L"mouse-hook-error");
  // The smallest the window may be.
  ::SetWindowPos(Form->Handle(), nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
  UserSelectsTab(Form->PageControl(), static_cast<int>(TMainPage::TrackedWindows));
  take(L"tracked-windows-minimum");
}

}  // namespace
}  // namespace pelorin::test
