// The real sink under a real input stack: what low-level hooks of this thread see of each
// operation, and where the pointer ends up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "WinTestSupport.h"
#include "input/TypedChars.h"
#include "tracked/win/SyntheticInputWin.h"

namespace pelorin::test {
namespace {

struct NoEditor : MouseHookPort {
  bool ChoiceComboFocused() override { return false; }
  TRect MainWindowRect() override { return {}; }
};

// Injected events only: nothing else may be counted, whatever the display does.
std::vector<KBDLLHOOKSTRUCT> SeenKeys;
std::vector<std::pair<WPARAM, MSLLHOOKSTRUCT>> SeenMouse;
// Where the last move that was not injected went: Wine reports each ::SetCursorPos as one.
POINT LastRealMove{-1, -1};
HHOOK KeyHook = nullptr;
HHOOK MouseHook = nullptr;
int PrimaryDowns = 0;
int DoubleClicks = 0;

LRESULT CALLBACK KeyProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto& k = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && (k.flags & LLKHF_INJECTED) != 0) SeenKeys.push_back(k);
  return ::CallNextHookEx(KeyHook, code, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto& m = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && (m.flags & LLMHF_INJECTED) != 0) SeenMouse.push_back({wParam, m});
  if (code == HC_ACTION && (m.flags & LLMHF_INJECTED) == 0 && wParam == WM_MOUSEMOVE) LastRealMove = m.pt;
  return ::CallNextHookEx(MouseHook, code, wParam, lParam);
}

LRESULT CALLBACK TargetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_LBUTTONDOWN) ++PrimaryDowns;
  if (m == WM_LBUTTONDBLCLK) ++DoubleClicks;
  return ::DefWindowProcW(w, m, wp, lp);
}

// The button messages the mouse hook saw, in order.
std::vector<std::pair<WPARAM, MSLLHOOKSTRUCT>> SeenButtons() {
  std::vector<std::pair<WPARAM, MSLLHOOKSTRUCT>> out;
  for (const auto& e : SeenMouse)
    if (e.first != WM_MOUSEMOVE) out.push_back(e);
  return out;
}

bool CursorAt(POINT want) {
  POINT p{};
  return ::GetCursorPos(&p) && p.x == want.x && p.y == want.y;
}

class SyntheticInputWin : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelorinSyntheticTarget";
    ::RegisterClassW(&wc);
    Target = ::CreateWindowExW(WS_EX_TOPMOST, L"PelorinSyntheticTarget", L"target", WS_POPUP | WS_VISIBLE, 100, 100,
                               300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(Target, nullptr);
    ::SetForegroundWindow(Target);
    Shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    Shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    SeenKeys.clear();
    SeenMouse.clear();
    PrimaryDowns = DoubleClicks = 0;
    KeyHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyProc, wc.hInstance, 0);
    MouseHook = ::SetWindowsHookExW(WH_MOUSE_LL, MouseProc, wc.hInstance, 0);
    ASSERT_NE(KeyHook, nullptr);
    ASSERT_NE(MouseHook, nullptr);
    ASSERT_TRUE(MoveCursorHome());
  }
  void TearDown() override {
    MoveCursorHome();
    if (KeyHook != nullptr) ::UnhookWindowsHookEx(KeyHook);
    if (MouseHook != nullptr) ::UnhookWindowsHookEx(MouseHook);
    KeyHook = MouseHook = nullptr;
    ::DestroyWindow(Target);
  }

  // Under Wine a warp of the X pointer can come back late and move the cursor again: wait until
  // the warp has been reported to the hooks, not only until the cursor is there. Where a warp
  // is never reported, the deadline passes and the cursor alone decides.
  static bool MoveCursorHome() {
    LastRealMove = {-1, -1};
    ::SetCursorPos(250, 200);
    PumpUntil([] { return LastRealMove.x == 250 && LastRealMove.y == 200 && CursorAt({250, 200}); }, 1000);
    return CursorAt({250, 200});
  }

  HWND Target = nullptr;
  TCustomInputTable Table;
  Settings Cfg;
  TSharedState Shared;
  NoEditor Editor;
  TTypedChars Typed;
  // The hook last saw the pointer away from where it is (250, 200): only putting it back can
  // bring it there. Wine resets the cursor to the X pointer after injected moves, so a click
  // that simply stayed would look put back otherwise.
  TMouseHook Hook{Table, Cfg, Shared, Editor, Typed, {300, 250}};
  TSyntheticInputWin Sink;
  TSyntheticInput Input{Shared, Hook, Sink};
};

TEST_F(SyntheticInputWin, KeysArriveWithTheirFlagsMarkAndExtraInfo) {
  struct Case { bool Down; uint8_t Vk; uint8_t Scan; bool Marked; bool Extended; };
  const std::vector<Case> cases = {
      {true, 160, 42, true, true},     // Left Shift
      {false, 160, 42, true, true},
      {true, 65, 30, false, false},    // A
      {false, 65, 30, false, false},
      {false, 255, 255, false, false}, // the keyboard probe
  };
  LPARAM extra = 0x5EED;
  for (const Case& c : cases) {
    size_t before = SeenKeys.size();
    // Pumping replaces the thread's extra info, so it is set just before the event is built.
    ::SetMessageExtraInfo(++extra);
    Input.SendKey(c.Down, c.Vk, c.Scan, c.Marked);
    ASSERT_TRUE(PumpUntil([&] { return SeenKeys.size() > before; }, 3000)) << "vk " << int{c.Vk};
    const KBDLLHOOKSTRUCT& k = SeenKeys[before];
    EXPECT_EQ(k.vkCode, c.Vk);
    EXPECT_EQ(k.scanCode, c.Scan) << "vk " << int{c.Vk};
    EXPECT_EQ((k.flags & LLKHF_EXTENDED) != 0, c.Extended) << "vk " << int{c.Vk};
    EXPECT_EQ((k.flags & LLKHF_UP) != 0, !c.Down) << "vk " << int{c.Vk};
    if (c.Marked)
      EXPECT_EQ(k.time, OwnInputMark) << "vk " << int{c.Vk};
    else
      EXPECT_NE(k.time, OwnInputMark) << "vk " << int{c.Vk};
    EXPECT_EQ(k.dwExtraInfo, static_cast<ULONG_PTR>(extra)) << "vk " << int{c.Vk};
  }
}

TEST_F(SyntheticInputWin, WheelNotchArrivesWithItsDeltaMarkAndExtraInfo) {
  struct Case { bool Up; bool Marked; LPARAM Extra; };
  for (Case c : std::vector<Case>{{true, true, 0x7A11}, {false, false, 0x7A12}}) {
    size_t before = SeenMouse.size();
    ::SetMessageExtraInfo(c.Extra);
    Input.SendWheel(c.Up, c.Marked);
    ASSERT_TRUE(PumpUntil([&] { return SeenMouse.size() > before; }, 3000)) << "up " << c.Up;
    const auto& [message, m] = SeenMouse[before];
    EXPECT_EQ(message, static_cast<WPARAM>(WM_MOUSEWHEEL));
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(m.mouseData), c.Up ? 120 : -120);
    EXPECT_EQ(m.dwExtraInfo, static_cast<ULONG_PTR>(c.Extra));
    if (c.Marked)
      EXPECT_EQ(m.time, OwnInputMark);
    else
      EXPECT_NE(m.time, OwnInputMark);
  }
}

TEST_F(SyntheticInputWin, ClickAtAPointLandsThereAndPutsThePointerBack) {
  Input.SendMouseClick(0, 150, 160, true);
  ASSERT_TRUE(PumpUntil([] { return SeenButtons().size() >= 2; }, 3000));
  auto buttons = SeenButtons();
  ASSERT_EQ(buttons.size(), 2u);
  // The absolute scale loses up to a pixel on the way back to screen pixels.
  struct Want { WPARAM Message; POINT At; };
  const Want want[] = {{WM_LBUTTONDOWN, {151, 161}}, {WM_LBUTTONUP, {152, 162}}};
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(buttons[i].first, want[i].Message);
    EXPECT_LE(std::abs(buttons[i].second.pt.x - want[i].At.x), 1) << i;
    EXPECT_LE(std::abs(buttons[i].second.pt.y - want[i].At.y), 1) << i;
    EXPECT_EQ(buttons[i].second.time, OwnInputMark);
  }
  EXPECT_TRUE(PumpUntil([] { return PrimaryDowns == 1; }, 3000)) << "the click reaches the window under the point";
  EXPECT_TRUE(PumpUntil([] { return CursorAt({300, 250}); }, 3000)) << "the pointer is back at the hook's point";
}

TEST_F(SyntheticInputWin, DoubleClickWhereThePointerIsReachesTheWindowAsOne) {
  Input.SendMouseClick(1, -1, -1, true);
  ASSERT_TRUE(PumpUntil([] { return SeenButtons().size() >= 4; }, 3000));
  auto buttons = SeenButtons();
  const WPARAM want[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
  ASSERT_EQ(buttons.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(buttons[i].first, want[i]) << i;
    EXPECT_EQ(buttons[i].second.pt.x, 250) << i;
    EXPECT_EQ(buttons[i].second.pt.y, 200) << i;
  }
  EXPECT_TRUE(PumpUntil([] { return DoubleClicks == 1; }, 3000)) << "the window sees a double click";
  EXPECT_TRUE(CursorAt({250, 200})) << "not put back at the hook's point";
}

// The low-level hooks see the physical button. Wine 8 does not swap injected buttons on their
// way to the window, so what the window gets is not checked here.
TEST_F(SyntheticInputWin, SwappedButtonsClickWithTheRightButton) {
  ::SwapMouseButton(TRUE);
  ReadPrimaryButton(Shared);
  bool left = Shared.PrimaryButtonLeft;
  Input.SendMouseClick(0, -1, -1, true);
  bool arrived = PumpUntil([] { return SeenButtons().size() >= 2; }, 3000);
  ::SwapMouseButton(FALSE);
  ReadPrimaryButton(Shared);
  EXPECT_FALSE(left);
  EXPECT_TRUE(Shared.PrimaryButtonLeft.load());
  ASSERT_TRUE(arrived);
  auto buttons = SeenButtons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].first, static_cast<WPARAM>(WM_RBUTTONDOWN));
  EXPECT_EQ(buttons[1].first, static_cast<WPARAM>(WM_RBUTTONUP));
}

TEST_F(SyntheticInputWin, ProbeMoveTargetsTheHooksPointWithTheProbeMark) {
  Input.SendProbeMove();
  ASSERT_TRUE(PumpUntil([] { return !SeenMouse.empty(); }, 3000));
  const auto& [message, m] = SeenMouse[0];
  EXPECT_EQ(message, static_cast<WPARAM>(WM_MOUSEMOVE));
  EXPECT_EQ(m.time, ProbeMark);
  EXPECT_LE(std::abs(m.pt.x - 300), 1);
  EXPECT_LE(std::abs(m.pt.y - 250), 1);
}

}  // namespace
}  // namespace pelorin::test
