// Both low-level callbacks under a real input stack: own (marked) events pass untouched, a
// bound input is swallowed and posted, the probes are answered and swallowed.
#include <gtest/gtest.h>

#include <vector>

#include "WinHookRig.h"
#include "WinTestSupport.h"
#include "input/InputCatalogue.h"
#include "input/TypedChars.h"
#include "input/win/HookInstaller.h"
#include "NoEditor.h"

namespace pelorin::test {
namespace {

int MiddleDowns = 0;
std::vector<WPARAM> KeysDown;
std::vector<WPARAM> KeysUp;

LRESULT CALLBACK TargetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_MBUTTONDOWN) ++MiddleDowns;
  if (m == WM_KEYDOWN) KeysDown.push_back(wp);
  if (m == WM_KEYUP) KeysUp.push_back(wp);
  return ::DefWindowProcW(w, m, wp, lp);
}

int CountOf(const std::vector<WPARAM>& keys, WPARAM vk) {
  int n = 0;
  for (WPARAM k : keys) n += k == vk ? 1 : 0;
  return n;
}

class HookGlue : public ::testing::Test, protected TWinHookRig {
 protected:
  HookGlue() : TWinHookRig(TPoint{250, 200}) {}
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
    ::SetFocus(Target);
    ::SetCursorPos(250, 200);
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Target; }, 3000));
    Shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    SetHookTargets(&Keyboard, &Mouse);
    ASSERT_TRUE(InstallHooks(::GetModuleHandleW(nullptr)));
    ASSERT_NE(KeyboardHookHandle(), nullptr);
    ASSERT_NE(MouseHookHandle(), nullptr);
    MiddleDowns = 0;
    KeysDown.clear();
    KeysUp.clear();
  }
  void TearDown() override {
    RemoveHooks();
    EXPECT_EQ(KeyboardHookHandle(), nullptr);
    SetHookTargets(nullptr, nullptr);
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
  static void SendKeys(std::initializer_list<std::pair<WORD, WORD>> keys, bool up, DWORD time) {
    std::vector<INPUT> in;
    for (auto [vk, scan] : keys) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.wScan = scan;
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      i.ki.time = time;
      in.push_back(i);
    }
    ASSERT_EQ(::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)), in.size());
  }

  HWND Target = nullptr;
};

TEST_F(HookGlue, BoundMiddleClickIsSwallowedAndOwnInputPasses) {
  Table.AddRow(L"Sleep", std::nullopt, InputCatalogue[inpMiddleButton], StateMouse);

  SendMiddleClick(OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns == 1; }, 3000)) << "a marked click must reach the window";
  EXPECT_EQ(Shared.TakeAction(), NoAction);

  SendMiddleClick(::GetTickCount());
  EXPECT_TRUE(PumpUntil([&] { return !Shared.PendingAction.Empty(); }, 3000));
  EXPECT_EQ(Shared.TakeAction(), 1);

  // Input is delivered in order: once the next marked click has arrived, the bound one would
  // have arrived before it.
  SendMiddleClick(OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns >= 2; }, 3000));
  EXPECT_EQ(MiddleDowns, 2) << "the bound click reached the window";
}

TEST_F(HookGlue, UnboundMiddleClickPasses) {
  SendMiddleClick(::GetTickCount());
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns == 1; }, 3000));
  EXPECT_EQ(Shared.TakeAction(), NoAction);
}

TEST_F(HookGlue, ProbeMoveIsAnsweredAndNeverMovesTheCursor) {
  Shared.MouseProbe = ProbeSent;
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.time = ProbeMark;
  ASSERT_EQ(::SendInput(1, &in, sizeof(INPUT)), 1u);
  EXPECT_TRUE(PumpUntil([&] { return Shared.MouseProbe.load() == ProbeAnswered; }, 3000));
  SendMiddleClick(OwnInputMark);  // anything after the probe has been handled too
  EXPECT_TRUE(PumpUntil([] { return MiddleDowns == 1; }, 3000));
  POINT p{};
  ::GetCursorPos(&p);
  EXPECT_EQ(p.x, 250);
  EXPECT_EQ(p.y, 200);
}

TEST_F(HookGlue, BoundChordIsRecognisedAndSwallowedWhileOwnKeysPass) {
  Table.AddRow(L"Volume Up", std::nullopt, L"Left Ctrl + Q", StateChord);

  SendKeys({{'Q', 16}}, false, OwnInputMark);
  SendKeys({{'Q', 16}}, true, OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return CountOf(KeysUp, 'Q') == 1; }, 3000)) << "marked keys reach the window";
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 0) << "marked keys are not even listed";

  SendKeys({{VK_LCONTROL, 29}, {'Q', 16}}, false, 0);
  EXPECT_TRUE(PumpUntil([&] { return !Shared.PendingAction.Empty(); }, 3000));
  EXPECT_EQ(Shared.TakeAction(), 1);
  SendKeys({{'Q', 16}, {VK_LCONTROL, 29}}, true, 0);
  SendKeys({{'Z', 44}}, false, OwnInputMark);
  SendKeys({{'Z', 44}}, true, OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return CountOf(KeysUp, 'Z') == 1; }, 3000));
  EXPECT_EQ(CountOf(KeysDown, 'Q'), 1) << "the chord's Q down reached the window";
  EXPECT_EQ(CountOf(KeysUp, 'Q'), 1) << "the chord's Q up reached the window";
  EXPECT_EQ(CountOf(KeysDown, VK_CONTROL), 1) << "Ctrl itself passes";
  EXPECT_EQ(Keyboard.PressedKeys().Count(), 0);
}

TEST_F(HookGlue, ProbeKeyIsSwallowed) {
  Shared.KeyboardProbe = ProbeSent;
  SendKeys({{255, 255}}, true, 0);
  EXPECT_TRUE(PumpUntil([&] { return Shared.KeyboardProbe.load() == ProbeAnswered; }, 3000));
  SendKeys({{'Z', 44}}, true, OwnInputMark);
  EXPECT_TRUE(PumpUntil([] { return CountOf(KeysUp, 'Z') == 1; }, 3000));
  EXPECT_EQ(CountOf(KeysUp, 255), 0);
}

}  // namespace
}  // namespace pelorin::test
