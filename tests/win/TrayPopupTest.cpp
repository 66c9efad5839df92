// The tray's pop-up menu under real mouse and keyboard input: where it shows up, its items,
// the highlight under the mouse and the keyboard, what each item does and how it goes away.
// The tray icon against the shell of the test desktop: adding, changing and removing it, its
// return when the shell announces itself again, and, where the shell draws icons in a window
// of its own (Wine's taskbar), the image it shows and the clicks it passes on. With
// PELORIN_TEST_SHOTS naming a folder, the pop-up is saved there as popup.bmp and the icon as
// tray-icon.bmp and tray-icon-gray.bmp.
#include <gtest/gtest.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ScreenPixels.h"
#include "WinTestSupport.h"
#include "app/Tray.h"
#include "app/win/PopupFormUnit.h"
#include "app/win/TrayIcon.h"
#include "common/win/Owned.h"

namespace pelorin::test {
namespace {

constexpr DWORD Deadline = 3000;

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::wstring TextOf(HWND window) {
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  return text;
}


void SendKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, in, sizeof(INPUT));
}

// Lets the input and the repaints it causes reach the screen.
void Settle() {
  PumpUntil([] { return false; }, 150);
  PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000);
}

// Pixels of a screen area, row by row from the top.
std::vector<COLORREF> Grab(const RECT& area) { return GrabScreen(area); }

COLORREF PixelAt(POINT screen) { return Grab({screen.x, screen.y, screen.x + 1, screen.y + 1}).at(0); }

std::string Hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof(text), "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// Saves a screen area as `name` in the PELORIN_TEST_SHOTS folder, when one is named.
void Shot(const wchar_t* name, const RECT& area) {
  wchar_t folder[MAX_PATH];
  DWORD len = ::GetEnvironmentVariableW(L"PELORIN_TEST_SHOTS", folder, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) return;
  std::wstring path = std::wstring(folder) + L"\\" + name;
  TWindowDc screen;
  EXPECT_TRUE(SaveDcArea(screen.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top, SRCCOPY,
                         path))
      << "could not write " << Narrow(path);
}

class TrayPopup : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    Form.OnShowPelorin = [this] { Calls.push_back("show"); };
    Form.OnTogglePelorin = [this] {
      Calls.push_back("toggle");
      AppEnabled = !AppEnabled;
      Form.SetAppEnabled(AppEnabled);
    };
    Form.OnClipboardManager = [this] { Calls.push_back("clipboard"); };
    Form.OnBrightness = [this](int x) { Calls.push_back("brightness " + std::to_string(x)); };
    Form.OnClose = [this] { Calls.push_back("close"); };
    ASSERT_TRUE(Form.Create(instance));
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);

    Other = CreatePlainWindow(L"Another application", 100, 100, 500, 400);
    ASSERT_NE(Other, nullptr);
    ASSERT_TRUE(BringToFront(Other));
    // The mouse rests on the other window, away from where the pop-up appears.
    SendMouse(0, {300, 300});
    Settle();
  }

  void TearDown() override {
    Form.Destroy();
    ::DestroyWindow(Other);
  }

  void Show(int cursorX) {
    Form.ShowAt(cursorX);
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Form.Handle(); }, Deadline));
    Settle();
  }

  RECT WindowRect() const {
    RECT r{};
    ::GetWindowRect(Form.Handle(), &r);
    return r;
  }
  // An item's rectangle on the screen.
  RECT ItemOnScreen(int item) const {
    RECT r = Form.ItemRect(item);
    ::MapWindowPoints(Form.Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  POINT ItemCentre(int item) const {
    RECT r = ItemOnScreen(item);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // A point of the item's background: right of every caption.
  COLORREF ItemBackground(int item) const {
    RECT r = ItemOnScreen(item);
    return PixelAt({r.right - 4, (r.top + r.bottom) / 2});
  }

  static void MoveTo(POINT p) {
    SendMouse(0, p);
    Settle();
  }
  // The test desktop's cursor may still visit the point it came from before it stays (Wine
  // replays the previous move), so the highlight is given time to settle.
  ::testing::AssertionResult HotBecomes(int item) {
    bool settled = PumpUntil([&] { return Form.HotItem() == item; }, Deadline);
    Settle();
    if (settled) return ::testing::AssertionSuccess();
    POINT at{};
    ::GetCursorPos(&at);
    return ::testing::AssertionFailure() << "the highlighted item is " << Form.HotItem() << ", not " << item
                                         << "; the cursor is at " << at.x << "," << at.y;
  }
  // Every button event carries its point: the cursor of the test desktop may still be on
  // its way from an earlier move.
  void ClickAt(POINT p) {
    SendMouse(0, p);
    SendMouse(MOUSEEVENTF_LEFTDOWN, p);
    SendMouse(MOUSEEVENTF_LEFTUP, p);
    Settle();
  }

  TPopupForm Form;
  std::vector<std::string> Calls;
  bool AppEnabled = true;
  RECT Work{};
  HWND Other = nullptr;
  const COLORREF Face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF Highlight = ::GetSysColor(COLOR_HIGHLIGHT);
};

TEST_F(TrayPopup, AppearsLeftOfTheCursorAboveTheWorkAreaInFrontWithoutATaskbarButton) {
  const int width = PopupScaled(PopupWidth, Form.PixelsScale()), height = PopupScaled(PopupHeight, Form.PixelsScale());
  Show(600);
  RECT r = WindowRect();
  EXPECT_EQ(r.left, 580);
  EXPECT_EQ(r.bottom, Work.bottom - 5);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
  if (Form.PixelsScale() == 1.0) {
    EXPECT_EQ(width, 154);
    EXPECT_EQ(height, 131);
  }
  RECT client{};
  ::GetClientRect(Form.Handle(), &client);
  EXPECT_EQ(client.right, width) << "borderless: the window is all client";
  EXPECT_EQ(client.bottom, height);
  LONG_PTR style = ::GetWindowLongPtrW(Form.Handle(), GWL_STYLE);
  LONG_PTR ex = ::GetWindowLongPtrW(Form.Handle(), GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "no taskbar button";
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetForegroundWindow(), Form.Handle());
  EXPECT_EQ(Form.HotItem(), NoPopupItem);

  // An icon at the screen's right edge: the menu stays whole.
  Form.ShowAt(Work.right - 3);
  Settle();
  r = WindowRect();
  EXPECT_EQ(r.right, Work.right);
  EXPECT_EQ(r.bottom, Work.bottom - 5);
}

TEST_F(TrayPopup, ItemsAreLabelsWithTheirCaptionsInTheirRows) {
  const wchar_t* captions[] = {L"   Show Pelorin", L"   Disable Pelorin", L"   Clipboard Manager...",
                               L"   Brightness...", L"   Close"};
  for (int item = 0; item < PopupItemCount; ++item) {
    HWND label = Form.Item(item);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(TextOf(label), captions[item]);
    RECT r{};
    ::GetWindowRect(label, &r);
    ::MapWindowPoints(nullptr, Form.Handle(), reinterpret_cast<POINT*>(&r), 2);
    RECT expected = Form.ItemRect(item);
    EXPECT_TRUE(::EqualRect(&r, &expected)) << "item " << item;
  }
  if (Form.PixelsScale() == 1.0) {
    RECT brightness = Form.ItemRect(piBrightness);
    EXPECT_EQ(brightness.left, 1);
    EXPECT_EQ(brightness.top, 79);
    EXPECT_EQ(brightness.right, 153);
    EXPECT_EQ(brightness.bottom, 103);
  }
  Form.SetAppEnabled(false);
  EXPECT_EQ(TextOf(Form.Item(piDisablePelorin)), L"   Enable Pelorin");
  Form.SetAppEnabled(true);
  EXPECT_EQ(TextOf(Form.Item(piDisablePelorin)), L"   Disable Pelorin");
}

TEST_F(TrayPopup, ItemUnderTheMouseTakesTheHighlightColourAndLosesItWhenTheMouseLeaves) {
  Show(600);
  ASSERT_NE(Face, Highlight);
  for (int item = 0; item < PopupItemCount; ++item) EXPECT_EQ(ItemBackground(item), Face) << item;

  MoveTo(ItemCentre(piShowPelorin));
  EXPECT_TRUE(HotBecomes(piShowPelorin));
  EXPECT_EQ(Hex(ItemBackground(piShowPelorin)), Hex(Highlight));

  MoveTo(ItemCentre(piClipboardManager));
  EXPECT_TRUE(HotBecomes(piClipboardManager));
  EXPECT_EQ(Hex(ItemBackground(piClipboardManager)), Hex(Highlight));
  EXPECT_EQ(Hex(ItemBackground(piShowPelorin)), Hex(Face)) << "the item left behind";
  Shot(L"popup.bmp", WindowRect());

  // Onto a separator: inside the pop-up, on no item.
  RECT separator = ItemOnScreen(piBrightness);
  MoveTo({(separator.left + separator.right) / 2, separator.bottom + 1});
  EXPECT_TRUE(HotBecomes(NoPopupItem));
  EXPECT_EQ(Hex(ItemBackground(piClipboardManager)), Hex(Face));

  MoveTo(ItemCentre(piClose));
  EXPECT_TRUE(HotBecomes(piClose));
  EXPECT_EQ(Hex(ItemBackground(piClose)), Hex(Highlight));
  // Out of the pop-up altogether.
  RECT r = WindowRect();
  MoveTo({r.left - 30, r.top - 30});
  EXPECT_TRUE(HotBecomes(NoPopupItem));
  EXPECT_EQ(Hex(ItemBackground(piClose)), Hex(Face));
  EXPECT_TRUE(Form.Visible()) << "moving away is no click elsewhere";
}

TEST_F(TrayPopup, DisabledBrightnessItemIsGrayedTakesNoHighlightAndDoesNothing) {
  Form.SetBrightnessAvailable(false);
  Show(600);
  EXPECT_FALSE(::IsWindowEnabled(Form.Item(piBrightness)));
  // Its caption is drawn in the gray text colour, an enabled item's in the text colour.
  auto hasColour = [&](int item, COLORREF colour) {
    std::vector<COLORREF> pixels = Grab(ItemOnScreen(item));
    return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
  };
  EXPECT_TRUE(hasColour(piBrightness, ::GetSysColor(COLOR_GRAYTEXT)));
  EXPECT_FALSE(hasColour(piBrightness, ::GetSysColor(COLOR_BTNTEXT)));
  EXPECT_TRUE(hasColour(piClipboardManager, ::GetSysColor(COLOR_BTNTEXT)));

  MoveTo(ItemCentre(piClipboardManager));
  ASSERT_TRUE(HotBecomes(piClipboardManager));
  MoveTo(ItemCentre(piBrightness));
  EXPECT_TRUE(HotBecomes(NoPopupItem)) << "the highlight does not stay on the item above either";
  EXPECT_EQ(Hex(ItemBackground(piBrightness)), Hex(Face));
  EXPECT_EQ(Hex(ItemBackground(piClipboardManager)), Hex(Face));

  ClickAt(ItemCentre(piBrightness));
  EXPECT_TRUE(Calls.empty());
  EXPECT_TRUE(Form.Visible());

  // Available again: highlighted and clickable.
  Form.SetBrightnessAvailable(true);
  MoveTo(ItemCentre(piClose));
  MoveTo(ItemCentre(piBrightness));
  EXPECT_TRUE(HotBecomes(piBrightness));
  ClickAt(ItemCentre(piBrightness));
  ASSERT_EQ(Calls.size(), 1u);
  EXPECT_EQ(Calls[0], "brightness " + std::to_string(WindowRect().left + 20));
}

TEST_F(TrayPopup, AClickOnEachItemRunsItsAction) {
  struct Case {
    int Item;
    std::string Call;
    bool Hides;
  };
  const std::vector<Case> cases = {
      {piShowPelorin, "show", false},
      {piDisablePelorin, "toggle", true},
      {piClipboardManager, "clipboard", false},
      {piBrightness, "brightness 600", false},  // the pop-up's left edge (580) + 20
      {piClose, "close", false},
  };
  for (const Case& c : cases) {
    Calls.clear();
    Show(600);
    ClickAt(ItemCentre(c.Item));
    ASSERT_EQ(Calls.size(), 1u) << "item " << c.Item;
    EXPECT_EQ(Calls[0], c.Call);
    // The other actions bring up another window, whose activation hides the pop-up.
    EXPECT_EQ(Form.Visible(), !c.Hides) << "item " << c.Item;
    Form.Hide();
  }
}

TEST_F(TrayPopup, DisableItemHidesTheMenuAndReadsEnableAfterwards) {
  Show(600);
  ClickAt(ItemCentre(piDisablePelorin));
  EXPECT_EQ(Calls, std::vector<std::string>{"toggle"});
  EXPECT_FALSE(Form.Visible());
  EXPECT_NE(::GetForegroundWindow(), Form.Handle());

  Show(600);
  EXPECT_EQ(TextOf(Form.Item(piDisablePelorin)), L"   Enable Pelorin");
  ClickAt(ItemCentre(piDisablePelorin));
  EXPECT_EQ(Calls, (std::vector<std::string>{"toggle", "toggle"}));
  EXPECT_EQ(TextOf(Form.Item(piDisablePelorin)), L"   Disable Pelorin");
}

TEST_F(TrayPopup, ReleasingTheButtonChoosesTheItemUnderIt) {
  Show(600);
  // Pressed on one item and released on another, as in a menu.
  MoveTo(ItemCentre(piShowPelorin));
  SendMouse(MOUSEEVENTF_LEFTDOWN, ItemCentre(piShowPelorin));
  Settle();
  MoveTo(ItemCentre(piClipboardManager));
  EXPECT_TRUE(HotBecomes(piClipboardManager)) << "the highlight follows the held button";
  SendMouse(MOUSEEVENTF_LEFTUP, ItemCentre(piClipboardManager));
  Settle();
  EXPECT_EQ(Calls, std::vector<std::string>{"clipboard"});

  // Pressed on an item and released off the menu: nothing.
  Calls.clear();
  MoveTo(ItemCentre(piClose));
  SendMouse(MOUSEEVENTF_LEFTDOWN, ItemCentre(piClose));
  Settle();
  RECT r = WindowRect();
  const POINT outside{r.right + 20, r.top - 20};
  MoveTo(outside);
  EXPECT_TRUE(HotBecomes(NoPopupItem)) << "no highlight off the menu";
  SendMouse(MOUSEEVENTF_LEFTUP, outside);
  Settle();
  EXPECT_TRUE(Calls.empty());
}

TEST_F(TrayPopup, UpDownMoveTheHighlightAndEnterRunsTheItem) {
  Form.SetBrightnessAvailable(false);
  Show(600);
  SendKey(VK_DOWN);
  Settle();
  EXPECT_EQ(Form.HotItem(), piShowPelorin);
  EXPECT_EQ(Hex(ItemBackground(piShowPelorin)), Hex(Highlight));
  SendKey(VK_DOWN);
  SendKey(VK_DOWN);
  SendKey(VK_DOWN);
  Settle();
  EXPECT_EQ(Form.HotItem(), piClose) << "past the disabled Brightness item";
  SendKey(VK_DOWN);
  Settle();
  EXPECT_EQ(Form.HotItem(), piShowPelorin) << "around to the top";
  SendKey(VK_UP);
  SendKey(VK_UP);
  Settle();
  EXPECT_EQ(Form.HotItem(), piClipboardManager);
  EXPECT_EQ(Hex(ItemBackground(piClipboardManager)), Hex(Highlight));
  EXPECT_EQ(Hex(ItemBackground(piShowPelorin)), Hex(Face));
  EXPECT_TRUE(Calls.empty());
  SendKey(VK_RETURN);
  Settle();
  EXPECT_EQ(Calls, std::vector<std::string>{"clipboard"});
}

TEST_F(TrayPopup, EscHidesWithoutAnAction) {
  Show(600);
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return !Form.Visible(); }, Deadline));
  EXPECT_TRUE(Calls.empty());
  EXPECT_TRUE(::IsWindow(Form.Handle())) << "hidden, not destroyed";

  // And it comes back as before, with nothing highlighted.
  Show(600);
  EXPECT_TRUE(Form.Visible());
  EXPECT_EQ(Form.HotItem(), NoPopupItem);
}

TEST_F(TrayPopup, ActivatingAnotherWindowHidesIt) {
  Show(600);
  // A click elsewhere.
  ClickAt({300, 300});
  EXPECT_TRUE(PumpUntil([&] { return !Form.Visible(); }, Deadline));
  EXPECT_EQ(::GetForegroundWindow(), Other);

  // Another program's window coming to the front.
  Show(600);
  ASSERT_TRUE(BringToFront(Other));
  EXPECT_TRUE(PumpUntil([&] { return !Form.Visible(); }, Deadline));
  EXPECT_TRUE(Calls.empty());
}

// The owner of the tray icon: passes every message to the icon first, as the main window does,
// and records the tray's callbacks.
class TrayIcon : public ::testing::Test {
 protected:
  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TrayIcon*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
      if (self->Tray.HandleMessage(message)) {
        ++self->Announcements;
        return 0;
      }
      if (message == TrayCallbackMessage) {
        self->Callbacks.push_back(lParam);
        return 0;
      }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  void SetUp() override {
    Resources.Reset(::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(Resources) << "Pelorin.exe beside the tests";
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"PelorinTrayTestOwner";
    ::RegisterClassW(&wc);
    Owner = ::CreateWindowExW(0, wc.lpszClassName, L"Tray owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, instance, nullptr);
    ASSERT_NE(Owner, nullptr);
    ::SetWindowLongPtrW(Owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  void TearDown() override {
    Tray.Delete();
    ::DestroyWindow(Owner);
  }

  // Asks the shell whether it knows the icon (hWnd, uID 0) without changing it.
  bool ShellKnowsIcon() const {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = Owner;
    probe.uID = 0;
    return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
  }

  // Wine's taskbar draws the icons into its own window; null on a shell that does not.
  static HWND TrayWindow() {
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    return tray != nullptr && ::IsWindowVisible(tray) ? tray : nullptr;
  }

  TOwnedModule Resources;
  HWND Owner = nullptr;
  TTrayIcon Tray;
  int Announcements = 0;
  std::vector<LPARAM> Callbacks;
};

TEST_F(TrayIcon, AddRefreshDeleteAsTheShellAnswers) {
  ASSERT_TRUE(Tray.Add(Owner, Resources.Get()));
  EXPECT_TRUE(Tray.Added());
  EXPECT_TRUE(ShellKnowsIcon());
  // Both images loaded once, at the small icon size.
  for (bool enabled : {true, false}) {
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(Tray.Image(enabled), &info)) << enabled;
    BITMAP colour{};
    TOwnedBitmap colourBits(info.hbmColor), maskBits(info.hbmMask);
    ::GetObjectW(colourBits.Get(), sizeof(colour), &colour);
    EXPECT_EQ(colour.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(colour.bmHeight, ::GetSystemMetrics(SM_CYSMICON));
  }
  EXPECT_NE(Tray.Image(true), Tray.Image(false));

  EXPECT_TRUE(Tray.Refresh(TrayTip(L"Pelorin enabled", 70u), true));
  EXPECT_TRUE(Tray.Refresh(TrayTip(L"Pelorin disabled", std::nullopt), false));
  EXPECT_TRUE(Tray.Delete());
  EXPECT_FALSE(ShellKnowsIcon());
  EXPECT_FALSE(Tray.Delete()) << "already gone";
  EXPECT_FALSE(Tray.Refresh(L"Pelorin enabled", true)) << "not added";
}

TEST_F(TrayIcon, ComesBackWhenTheShellAnnouncesItself) {
  ASSERT_TRUE(Tray.Add(Owner, Resources.Get()));
  ASSERT_TRUE(Tray.Refresh(L"Pelorin disabled", false));
  // A restarted shell knows no icons.
  NOTIFYICONDATAW gone{};
  gone.cbSize = sizeof(gone);
  gone.hWnd = Owner;
  ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &gone));
  ASSERT_FALSE(ShellKnowsIcon());

  EXPECT_EQ(::SendMessageW(Owner, WM_USER + 100, 0, 0), 0);
  EXPECT_EQ(Announcements, 0) << "any other message is not the announcement";
  ::SendMessageW(Owner, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(Announcements, 1);
  EXPECT_TRUE(ShellKnowsIcon());

  // With its last image, where Wine's taskbar draws it: what changes when it turns on was
  // gray before.
  if (HWND tray = TrayWindow()) {
    Settle();
    RECT r{};
    ::GetWindowRect(tray, &r);
    std::vector<COLORREF> readded = Grab(r);
    ASSERT_TRUE(Tray.Refresh(L"Pelorin enabled", true));
    Settle();
    std::vector<COLORREF> on = Grab(r);
    ASSERT_EQ(readded.size(), on.size());
    int changed = 0, colourfulBefore = 0;
    for (size_t i = 0; i < on.size(); ++i) {
      if (on[i] == readded[i]) continue;
      ++changed;
      colourfulBefore += Colourful(readded[i]);
    }
    const int side = ::GetSystemMetrics(SM_CXSMICON);
    EXPECT_GT(changed, side * side / 3) << "the image was there";
    EXPECT_EQ(colourfulBefore, 0) << "and it was the gray one";
  }

  // Gone for good after Delete: the announcement adds nothing.
  ASSERT_TRUE(Tray.Delete());
  ::SendMessageW(Owner, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(ShellKnowsIcon());
}

TEST_F(TrayIcon, WinesTaskbarShowsTheImageOfTheStateAndPassesClicksOn) {
  ASSERT_TRUE(Tray.Add(Owner, Resources.Get()));
  ASSERT_TRUE(Tray.Refresh(L"Pelorin enabled", true));
  Settle();
  HWND tray = TrayWindow();
  if (tray == nullptr) GTEST_SKIP() << "the shell draws no tray window of its own";
  RECT area{};
  ::GetWindowRect(tray, &area);
  std::vector<COLORREF> on = Grab(area);
  ASSERT_TRUE(Tray.Refresh(L"Pelorin disabled", false));
  Settle();
  std::vector<COLORREF> off = Grab(area);
  ASSERT_EQ(on.size(), off.size());

  // The icon is where the two pictures differ: coloured while on, gray while off.
  const int width = area.right - area.left;
  RECT icon{area.right, area.bottom, area.left, area.top};
  int changed = 0, colourfulOn = 0, colourfulOff = 0;
  for (size_t i = 0; i < on.size(); ++i) {
    if (on[i] == off[i]) continue;
    ++changed;
    colourfulOn += Colourful(on[i]);
    colourfulOff += Colourful(off[i]);
    int x = area.left + static_cast<int>(i) % width, y = area.top + static_cast<int>(i) / width;
    icon = {std::min<LONG>(icon.left, x), std::min<LONG>(icon.top, y), std::max<LONG>(icon.right, x + 1),
            std::max<LONG>(icon.bottom, y + 1)};
  }
  const int side = ::GetSystemMetrics(SM_CXSMICON);
  EXPECT_GT(changed, side * side / 3) << "the image changed";
  EXPECT_LE(icon.right - icon.left, side);
  EXPECT_LE(icon.bottom - icon.top, side);
  EXPECT_GT(colourfulOn, changed / 2) << "mostly blue while on";
  EXPECT_EQ(colourfulOff, 0) << "no colour at all while off";
  RECT around{std::max(area.left, icon.left - 100), area.top, area.right, area.bottom};
  Shot(L"tray-icon-gray.bmp", around);
  ASSERT_TRUE(Tray.Refresh(L"Pelorin enabled", true));
  Settle();
  Shot(L"tray-icon.bmp", around);

  // The shell passes the mouse on as the callback message with the mouse message.
  POINT centre{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
  SendMouse(0, centre);
  SendMouse(MOUSEEVENTF_LEFTDOWN, centre);
  SendMouse(MOUSEEVENTF_LEFTUP, centre);
  ASSERT_TRUE(PumpUntil([&] { return std::count(Callbacks.begin(), Callbacks.end(), WM_LBUTTONUP) > 0; }, Deadline));
  SendMouse(MOUSEEVENTF_RIGHTDOWN, centre);
  SendMouse(MOUSEEVENTF_RIGHTUP, centre);
  PumpUntil([&] { return std::count(Callbacks.begin(), Callbacks.end(), WM_RBUTTONUP) > 0; }, Deadline);
  std::vector<LPARAM> buttons;
  for (LPARAM message : Callbacks)
    if (message != WM_MOUSEMOVE) buttons.push_back(message);
  EXPECT_EQ(buttons, (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}));
  // What the main window makes of them.
  EXPECT_EQ(TrayCallbackReaction(buttons.at(0), true).PostAction, ActionTrayPopup);
  EXPECT_EQ(TrayCallbackReaction(buttons.at(2), true).PostAction, ActionBrightnessSlider);
  SendMouse(0, {300, 300});
  Settle();
}

}  // namespace
}  // namespace pelorin::test
