// The low-level mouse callback under a real input stack: marked events pass untouched, a
// bound middle click is swallowed and posted, the probe move is answered and swallowed.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "input/TypedChars.h"
#include "input/win/HookInstaller.h"

namespace pelorin::test {
namespace {

struct NoEditor : MouseHookPort {
  bool ChoiceComboFocused() override { return false; }
  TRect MainWindowRect() override { return {}; }
};

int MiddleDowns = 0;

LRESULT CALLBACK TargetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_MBUTTONDOWN) ++MiddleDowns;
  return ::DefWindowProcW(w, m, wp, lp);
}

class MouseHookGlue : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelorinHookTarget";
    ::RegisterClassW(&wc);
    Target = ::CreateWindowExW(WS_EX_TOPMOST, L"PelorinHookTarget", L"target", WS_POPUP | WS_VISIBLE, 100, 100, 300,
                               200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(Target, nullptr);
    ::SetForegroundWindow(Target);
    ::SetCursorPos(250, 200);
    PumpUntil([] { return false; }, 200);  // let the window settle
    Shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    SetMouseHookTarget(&Hook);
    ASSERT_TRUE(InstallHooks(::GetModuleHandleW(nullptr)));
    MiddleDowns = 0;
  }
  void TearDown() override {
    RemoveHooks();
    SetMouseHookTarget(nullptr);
    ::DestroyWindow(Target);
  }

  static void SendMiddleClick(DWORD time) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
    in[0].mi.time = in[1].mi.time = time;
    ASSERT_EQ(::SendInput(2, in, sizeof(INPUT)), 2u);
  }

  HWND Target = nullptr;
  TCustomInputTable Table;
  Settings Cfg;
  TSharedState Shared;
  NoEditor Editor;
  TTypedChars Typed;
  TMouseHook Hook{Table, Cfg, Shared, Editor, Typed, {250, 200}};
};

TEST_F(MouseHookGlue, BoundMiddleClickIsSwallowedAndOwnInputPasses) {
  Table.AddRow(L"Sleep", std::nullopt, InputCatalogue[inpMiddleButton], StateMouse);

  SendMiddleClick(OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns == 1; }, 3000)) << "a marked click must reach the window";
  EXPECT_EQ(Shared.TakeAction(), NoAction);

  SendMiddleClick(::GetTickCount());
  EXPECT_TRUE(PumpUntil([&] { return Shared.PendingAction.load() != NoAction; }, 3000));
  EXPECT_EQ(Shared.TakeAction(), 1);

  // Input is delivered in order: once the next marked click has arrived, the bound one would
  // have arrived before it.
  SendMiddleClick(OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns >= 2; }, 3000));
  EXPECT_EQ(MiddleDowns, 2) << "the bound click reached the window";
}

TEST_F(MouseHookGlue, UnboundMiddleClickPasses) {
  SendMiddleClick(::GetTickCount());
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns == 1; }, 3000));
  EXPECT_EQ(Shared.TakeAction(), NoAction);
}

TEST_F(MouseHookGlue, ProbeMoveIsAnsweredAndNeverMovesTheCursor) {
  Shared.MouseProbe = -22;
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.dx = 0;
  in.mi.dy = 0;
  in.mi.time = ProbeMark;
  ASSERT_EQ(::SendInput(1, &in, sizeof(INPUT)), 1u);
  EXPECT_TRUE(PumpUntil([&] { return Shared.MouseProbe.load() == -1; }, 3000));
  PumpUntil([] { return false; }, 100);
  POINT p{};
  ::GetCursorPos(&p);
  EXPECT_EQ(p.x, 250);
  EXPECT_EQ(p.y, 200);
}

}  // namespace
}  // namespace pelorin::test
