// The brightness slider over a monitor that records every write: where it shows up, what its
// bar and labels say, what the user's keys, wheel and drags write, and how it goes away. The
// monitor is called by the slider's writer thread; each step waits until the slider is idle
// (nothing on its way to or from the monitor, every result shown and reported).
// With PELORIN_TEST_SHOTS naming a folder, the slider is saved there as brightness-slider.bmp.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "commands/win/BrightnessUnit.h"
#include "common/Rounding.h"

namespace pelorin::test {
namespace {

constexpr DWORD Deadline = 3000;

// Called from the writer thread, looked at from the test's.
class FakeMonitor : public BrightnessPort {
 public:
  bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) override {
    std::lock_guard guard(Lock);
    min = Min;
    cur = Cur;
    max = Max;
    return true;
  }
  bool Write(uint32_t cur) override {
    std::lock_guard guard(Lock);
    Writes.push_back(cur);
    Cur = cur;
    return true;
  }
  void Set(uint32_t min, uint32_t cur, uint32_t max) {
    std::lock_guard guard(Lock);
    Min = min;
    Cur = cur;
    Max = max;
  }
  std::vector<uint32_t> Written() {
    std::lock_guard guard(Lock);
    return Writes;
  }
  void Forget() {
    std::lock_guard guard(Lock);
    Writes.clear();
  }

 private:
  std::mutex Lock;
  uint32_t Min = 0, Cur = 70, Max = 100;
  std::vector<uint32_t> Writes;
};

std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }


void SendKey(WORD key) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, in, sizeof(INPUT));
}

void SendButton(DWORD flag) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  ::SendInput(1, &in, sizeof(INPUT));
}

class BrightnessForm : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    ASSERT_TRUE(Form.Create(instance));
    Form.OnChanged = [this] { Changes.push_back({Brightness.Cur(), TextOf(Form.Handle())}); };
    Form.OnRefreshed = [this] { ++Refreshes; };
    // As at start-up: the values are read once before the slider is first shown.
    Form.ReadMonitor();
    ASSERT_TRUE(Settle());
    ASSERT_EQ(Refreshes, 1);
    ASSERT_EQ(Brightness.Cur(), 70u);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
    HDC screen = ::GetDC(nullptr);
    Scale = ::GetDeviceCaps(screen, LOGPIXELSX) / 96.0;
    ::ReleaseDC(nullptr, screen);

    Other = CreatePlainWindow(L"Another application", 100, 100, 500, 400);
    ASSERT_NE(Other, nullptr);
    ASSERT_TRUE(BringToFront(Other));
  }

  void TearDown() override {
    Form.Destroy();
    ::DestroyWindow(Other);
  }

  // Until nothing is on its way to or from the monitor and every result is shown.
  bool Settle() {
    return PumpUntil([&] { return Form.Idle(); }, Deadline);
  }
  // Shown, in front, the keyboard on the bar, and the show's reading arrived.
  void Show(int x) {
    Form.ShowAt(x);
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Form.Handle(); }, Deadline));
    ASSERT_EQ(::GetFocus(), Form.TrackBar());
    ASSERT_TRUE(Settle());
    Monitor.Forget();
    Changes.clear();
  }
  // A message to the bar as the user's input sends it, and what it wrote.
  void BarSettled(UINT message, WPARAM wParam, LPARAM lParam) {
    Bar(message, wParam, lParam);
    EXPECT_TRUE(Settle());
  }

  int Scaled(int pixels) const { return static_cast<int>(RoundHalfEven(pixels * Scale)); }
  LRESULT Bar(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(Form.TrackBar(), message, wParam, lParam);
  }
  RECT WindowRect() const {
    RECT r{};
    ::GetWindowRect(Form.Handle(), &r);
    return r;
  }
  // The thumb's middle as a share of the bar's height: 0 at the top, 1 at the bottom.
  double ThumbAt() {
    RECT thumb{}, bar{};
    Bar(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    ::GetClientRect(Form.TrackBar(), &bar);
    return (thumb.top + thumb.bottom) / 2.0 / bar.bottom;
  }
  // The values OnChanged saw, and whether the caption matched each one.
  std::vector<uint32_t> ChangedValues() const {
    std::vector<uint32_t> values;
    for (const auto& [value, caption] : Changes) {
      EXPECT_EQ(caption, SliderCaption(value));
      values.push_back(value);
    }
    return values;
  }

  void Shot(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    DWORD len = ::GetEnvironmentVariableW(L"PELORIN_TEST_SHOTS", folder, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return;
    PumpUntil([] { return false; }, 300);  // let the window system draw the slider
    // The slider with a margin of the desktop around it.
    RECT r = WindowRect();
    HDC screen = ::GetDC(nullptr);
    std::wstring path = std::wstring(folder) + L"\\" + name;
    EXPECT_TRUE(SaveDcArea(screen, r.left - 40, r.top - 40, r.right - r.left + 80, r.bottom - r.top + 45, SRCCOPY,
                           path))
        << "could not write " << Narrow(path);
    ::ReleaseDC(nullptr, screen);
  }

  FakeMonitor Monitor;
  TBrightness Brightness{&Monitor};
  TBrightnessForm Form{Brightness};
  std::vector<std::pair<uint32_t, std::wstring>> Changes;
  int Refreshes = 0;
  RECT Work{};
  double Scale = 1.0;
  HWND Other = nullptr;
};

TEST_F(BrightnessForm, ShowsTheMonitorsRangeAboveTheWorkAreaAsAToolWindow) {
  Form.ShowAt(600);
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Form.Handle(); }, Deadline));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(Form.Visible());
  EXPECT_EQ(::GetFocus(), Form.TrackBar()) << "arrows, Esc and the wheel reach the bar";

  RECT r = WindowRect();
  EXPECT_EQ(r.left, 580);
  EXPECT_EQ(r.bottom, Work.bottom - 5);
  RECT client{};
  ::GetClientRect(Form.Handle(), &client);
  EXPECT_EQ(client.right, Scaled(39));
  EXPECT_EQ(client.bottom, Scaled(185));

  LONG_PTR style = ::GetWindowLongPtrW(Form.Handle(), GWL_STYLE);
  LONG_PTR ex = ::GetWindowLongPtrW(Form.Handle(), GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU) << "no border icons";
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "no taskbar button";
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_EQ(::GetWindow(Form.Handle(), GW_OWNER), nullptr);

  EXPECT_EQ(Bar(TBM_GETRANGEMIN), 0);
  EXPECT_EQ(Bar(TBM_GETRANGEMAX), 100);
  EXPECT_EQ(Bar(TBM_GETPOS), 30) << "30 steps below the top";
  EXPECT_LT(ThumbAt(), 0.5) << "the maximum is at the top";
  EXPECT_EQ(TextOf(Form.MaxLab()), L"100");
  EXPECT_EQ(TextOf(Form.MinLab()), L"0");
  EXPECT_EQ(TextOf(Form.Handle()), L" 70");
  RECT maxLab{}, minLab{};
  ::GetWindowRect(Form.MaxLab(), &maxLab);
  ::GetWindowRect(Form.MinLab(), &minLab);
  EXPECT_LT(maxLab.bottom, minLab.top);

  EXPECT_TRUE(Monitor.Written().empty()) << "showing writes nothing back";
  EXPECT_EQ(ChangedValues(), std::vector<uint32_t>{70}) << "the tray tip learns the value read";
  EXPECT_EQ(Refreshes, 1) << "the show's reading is a change, not a start-up refresh";
  Shot(L"brightness-slider.bmp");
}

TEST_F(BrightnessForm, ShowingAgainRereadsTheMonitorAndStaysInsideTheWorkArea) {
  Show(600);
  Form.Hide();
  EXPECT_FALSE(Form.Visible());
  Monitor.Set(0, 30, 100);  // changed by its own buttons meanwhile
  Form.ShowAt(Work.right - 3);
  EXPECT_EQ(TextOf(Form.Handle()), L" 70") << "at once, the value known";
  EXPECT_EQ(Bar(TBM_GETPOS), 30);
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Form.Handle(); }, Deadline));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(ChangedValues(), std::vector<uint32_t>{30}) << "then the value read";

  RECT r = WindowRect();
  EXPECT_EQ(r.right, Work.right) << "pulled back from the screen edge";
  EXPECT_EQ(r.bottom, Work.bottom - 5);
  EXPECT_EQ(Bar(TBM_GETPOS), 70);
  EXPECT_GT(ThumbAt(), 0.5);
  EXPECT_EQ(TextOf(Form.Handle()), L" 30");

  Form.Hide();
  Show(Work.left + 2);
  EXPECT_EQ(WindowRect().left, Work.left);
}

struct KeyStep {
  const char* What;
  WPARAM Key;
  uint32_t Value;
  bool Writes;
};

TEST_F(BrightnessForm, EveryKeyThatMovesTheThumbWritesTheMonitorAtOnce) {
  Show(600);
  const std::vector<KeyStep> steps = {
      {"Down: one darker", VK_DOWN, 69, true},
      {"Down again", VK_DOWN, 68, true},
      {"Up: one brighter", VK_UP, 69, true},
      {"Page Down: a tenth of the range", VK_NEXT, 59, true},
      {"Page Up", VK_PRIOR, 69, true},
      {"Home: the top, the maximum", VK_HOME, 100, true},
      {"Up at the top: nothing moves, nothing written", VK_UP, 100, false},
      {"End: the bottom, the minimum", VK_END, 0, true},
      {"Down at the bottom", VK_DOWN, 0, false},
  };
  std::vector<uint32_t> expected;
  for (const KeyStep& step : steps) {
    Bar(WM_KEYDOWN, step.Key, 1);
    Bar(WM_KEYUP, step.Key, 0xC0000001);
    EXPECT_EQ(TextOf(Form.Handle()), SliderCaption(step.Value)) << step.What << ": the caption follows at once";
    EXPECT_TRUE(Settle()) << step.What;
    if (step.Writes) expected.push_back(step.Value);
    EXPECT_EQ(Brightness.Cur(), step.Value) << step.What;
    EXPECT_EQ(Monitor.Written(), expected) << step.What;
  }
  EXPECT_EQ(ChangedValues(), expected) << "the tray tip follows every write";

  // And through the real keyboard, to the bar that has the focus.
  SendKey(VK_UP);
  EXPECT_TRUE(PumpUntil([&] { return Monitor.Written().size() == expected.size() + 1; }, Deadline));
  EXPECT_EQ(Brightness.Cur(), 1u);
  EXPECT_TRUE(Form.Visible());
}

TEST_F(BrightnessForm, DraggingTheThumbTopToBottomWritesTheValuesOnTheWay) {
  Monitor.Set(0, 100, 100);
  Show(600);
  RECT thumb{}, bar{};
  Bar(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  ::GetClientRect(Form.TrackBar(), &bar);
  POINT p{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  ::ClientToScreen(Form.TrackBar(), &p);
  int bottom = p.y + bar.bottom;  // past the end of the bar

  ::SetCursorPos(p.x, p.y);
  PumpUntil([] { return false; }, 50);
  SendButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() == Form.TrackBar(); }, Deadline)) << "the thumb was not grabbed";
  for (int y = p.y + 1; y <= bottom; ++y) {
    ::SetCursorPos(p.x, y);
    PumpUntil([] { return false; }, 5);
  }
  SendButton(MOUSEEVENTF_LEFTUP);
  PumpUntil([&] { return ::GetCapture() == nullptr; }, Deadline);
  ASSERT_TRUE(Settle());

  // Wine's pointer follows the X pointer, which lags behind the moves now and then: the thumb
  // may step back or skip a position on the way. What matters is that the way down is written
  // as it goes, and not only where the drag ends. This monitor answers at once, so the writer
  // keeps up with most positions; a position that came while it was writing is replaced by
  // the next one (SlowMonitor shows that with a slow monitor).
  std::vector<uint32_t> written = Monitor.Written();
  ASSERT_FALSE(written.empty());
  std::set<uint32_t> seen(written.begin(), written.end());
  EXPECT_GE(seen.size(), 20u) << "values written on the way down";
  for (size_t i = 1; i < written.size(); ++i)
    EXPECT_NE(written[i], written[i - 1]) << "write " << i << ": the same value twice in a row";
  EXPECT_EQ(written.back(), 0u);
  std::vector<uint32_t> changed = ChangedValues();
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(changed.back(), 0u) << "the last write is reported";
  EXPECT_EQ(TextOf(Form.Handle()), L" 0");
  EXPECT_EQ(Bar(TBM_GETPOS), 100);
}

TEST_F(BrightnessForm, ThumbTrackingMessagesWriteEachPosition) {
  Show(600);
  // What the bar sends its parent while the thumb is dragged: the new position, then the end.
  auto bar = reinterpret_cast<LPARAM>(Form.TrackBar());
  // Each one lands before the next, as with a monitor that keeps up.
  for (int position : {31, 33, 36, 36}) {
    Bar(TBM_SETPOS, TRUE, position);
    ::SendMessageW(Form.Handle(), WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), bar);
    EXPECT_TRUE(Settle());
  }
  ::SendMessageW(Form.Handle(), WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 36), bar);
  ::SendMessageW(Form.Handle(), WM_VSCROLL, TB_ENDTRACK, bar);
  EXPECT_TRUE(Settle());
  EXPECT_EQ(Monitor.Written(), (std::vector<uint32_t>{69, 67, 64})) << "a position that did not move writes nothing";
  EXPECT_EQ(ChangedValues(), (std::vector<uint32_t>{69, 67, 64}));
}

TEST_F(BrightnessForm, TheWheelTurnsTheBarForwardForBrighter) {
  UINT lines = 0;
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  ASSERT_TRUE(lines > 0 && lines < 30) << "a notch moves as many units as the system scrolls lines";
  Show(600);
  RECT r = WindowRect();
  LPARAM at = MAKELPARAM(r.left + 10, r.top + 30);
  auto wheel = [&](HWND to, int delta) {
    ::SendMessageW(to, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), at);
    EXPECT_TRUE(Settle());
  };

  wheel(Form.TrackBar(), WHEEL_DELTA);
  EXPECT_EQ(Brightness.Cur(), 70 + lines) << "forward: brighter";
  wheel(Form.TrackBar(), -WHEEL_DELTA / 2);
  EXPECT_EQ(Brightness.Cur(), 70 + lines) << "half a notch does nothing yet";
  wheel(Form.Handle(), -WHEEL_DELTA / 2);
  EXPECT_EQ(Brightness.Cur(), 70u) << "the other half, over the labels, completes it";
  for (int i = 0; i < 40; ++i) wheel(Form.TrackBar(), WHEEL_DELTA);
  EXPECT_EQ(Brightness.Cur(), 100u) << "stops at the top";

  std::vector<uint32_t> expected = {70 + lines, 70};
  for (uint32_t v = 70 + lines; v < 100; v += lines) expected.push_back(v);
  expected.push_back(100);
  EXPECT_EQ(Monitor.Written(), expected) << "written at each notch that moved the thumb, once at the top";
  EXPECT_EQ(ChangedValues(), expected);
  EXPECT_EQ(TextOf(Form.Handle()), L" 100");
}

TEST_F(BrightnessForm, EscAndActivatingAnotherWindowHideIt) {
  Show(600);
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return !Form.Visible(); }, Deadline)) << "Esc in the bar";
  EXPECT_TRUE(::IsWindow(Form.Handle()));

  Show(600);
  ASSERT_TRUE(BringToFront(Other));
  EXPECT_FALSE(Form.Visible()) << "a click elsewhere activates another window";

  Show(600);
  ::SendMessageW(Form.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_FALSE(Form.Visible()) << "Esc in the window itself";
  EXPECT_TRUE(Settle());
  EXPECT_TRUE(Monitor.Written().empty());
}

TEST_F(BrightnessForm, ClosingIsRefused) {
  Show(600);
  ::SendMessageW(Form.Handle(), WM_CLOSE, 0, 0);
  ::SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  INPUT altF4[4] = {};
  for (INPUT& in : altF4) in.type = INPUT_KEYBOARD;
  altF4[0].ki.wVk = altF4[3].ki.wVk = VK_MENU;
  altF4[1].ki.wVk = altF4[2].ki.wVk = VK_F4;
  altF4[2].ki.dwFlags = altF4[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(4, altF4, sizeof(INPUT));
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(::IsWindow(Form.Handle()));
  EXPECT_TRUE(Form.Visible());
  EXPECT_EQ(::GetForegroundWindow(), Form.Handle());
}

TEST_F(BrightnessForm, ARangeAboveZeroStaysInsideTheMonitorsUnits) {
  Monitor.Set(20, 30, 80);
  Show(600);
  EXPECT_EQ(Bar(TBM_GETRANGEMIN), 20);
  EXPECT_EQ(Bar(TBM_GETRANGEMAX), 80);
  EXPECT_EQ(Bar(TBM_GETPOS), 70);
  EXPECT_GT(ThumbAt(), 0.5) << "30 is low in 20..80";
  EXPECT_EQ(TextOf(Form.MaxLab()), L"80");
  EXPECT_EQ(TextOf(Form.MinLab()), L"20");

  for (WPARAM key : {VK_DOWN, VK_HOME, VK_END}) BarSettled(WM_KEYDOWN, key, 1);
  EXPECT_EQ(Monitor.Written(), (std::vector<uint32_t>{29, 80, 20}));
}

TEST_F(BrightnessForm, AOnePointRangeNeverWrites) {
  Monitor.Set(50, 50, 50);
  Show(600);
  for (WPARAM key : {VK_DOWN, VK_UP, VK_HOME, VK_END, VK_NEXT}) BarSettled(WM_KEYDOWN, key, 1);
  EXPECT_TRUE(Monitor.Written().empty());
  EXPECT_EQ(TextOf(Form.Handle()), L" 50");
}

TEST(BrightnessFormWithoutMonitor, ShowsNothing) {
  TBrightness none(nullptr);
  TBrightnessForm form(none);
  int changes = 0;
  form.OnChanged = [&] { ++changes; };
  ASSERT_TRUE(form.Create(::GetModuleHandleW(nullptr)));
  form.ShowAt(600);
  PumpUntil([] { return false; }, 100);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace pelorin::test
