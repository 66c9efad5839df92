// Tracked windows: rows in Pelorin.ini answer the driver's message boxes with a button, click
// the driver's window at an offset, stop repeating on Esc, and click nothing once the window
// has lost the front or Pelorin is off.
#include <atomic>
#include <cmath>
#include <thread>

#include "E2eSupport.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

// One tracked row as the settings code writes it.
TIni& TrackedRow(TIni& ini, int n, const std::string& title, const std::string& inner, const std::string& clickAt,
                 int state, bool isButton) {
  const std::string i = std::to_string(n);
  return ini.Value("Window" + i, title + "&&" + inner + "&&" + clickAt + "&&")
      .Value("State" + i, std::to_string(state))
      .Value("WinSize" + i, "0")
      .Value("IsButton" + i, isButton ? "1" : "0");
}

// A Yes/No message box of the driver, shown by a thread of its own; its answer.
class TQuestion {
 public:
  TQuestion(std::wstring title, std::wstring text) : Title(std::move(title)) {
    Thread = std::thread([this, text] {
      Answer = ::MessageBoxW(nullptr, text.c_str(), Title.c_str(), MB_YESNO | MB_SETFOREGROUND);
    });
  }
  ~TQuestion() {
    // Answered by the driver when Pelorin did not.
    while (Answer.load() == 0) {
      if (HWND box = Box()) ::PostMessageW(box, WM_COMMAND, IDYES, 0);
      ::Sleep(20);
    }
    Thread.join();
  }
  HWND Box() const { return ::FindWindowW(L"#32770", Title.c_str()); }
  int Result() const { return Answer.load(); }
  bool Shown() const { return WaitFor([&] { return Box() != nullptr && ::IsWindowVisible(Box()); }, EffectDeadlineMs); }

 private:
  std::wstring Title;
  std::atomic<int> Answer{0};
  std::thread Thread;
};

class TrackedQuestions : public TScenario {};

TEST_F(TrackedQuestions, TitleAndButtonRowAnswersNoEachTimeTheBoxComesBack) {
  TIni ini;
  TrackedRow(ini.Section("Tracked windows"), 1, "Pelorin e2e question", "Replace the file?", "No", 5, true);
  WriteIni(ini);
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  for (int round = 1; round <= 2; ++round) {
    TQuestion question(L"Pelorin e2e question", L"Replace the file?");
    ASSERT_TRUE(question.Shown());
    EXPECT_TRUE(WaitFor([&] { return question.Result() != 0; }, EffectDeadlineMs)) << "round " << round;
    EXPECT_EQ(question.Result(), IDNO) << "round " << round;
  }
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

TEST_F(TrackedQuestions, WildcardTitleMatchesItsBoxesOnly) {
  TIni ini;
  TrackedRow(ini.Section("Tracked windows"), 1, "Pelorin e2e [*] question", "", "No", 5, true);
  WriteIni(ini);
  ASSERT_NE(StartPelorin(L"autorun"), nullptr);
  {
    TQuestion other(L"Another e2e question", L"Replace the file?");
    ASSERT_TRUE(other.Shown());
    EXPECT_TRUE(HoldsFor([&] { return other.Result() == 0; }, 1500)) << "a box of another title was answered";
  }  // the driver answers it Yes
  TQuestion question(L"Pelorin e2e wildcard question", L"Delete the file?");
  ASSERT_TRUE(question.Shown());
  EXPECT_TRUE(WaitFor([&] { return question.Result() != 0; }, EffectDeadlineMs));
  EXPECT_EQ(question.Result(), IDNO);
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

// A plain window that records where left-button presses and releases reach it, in screen
// pixels.
class TClickTarget {
 public:
  static constexpr const wchar_t* Title = L"Pelorin e2e offset target";
  explicit TClickTarget(const wchar_t* title = Title, RECT place = {300, 200, 700, 500}) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelorinE2eClickTarget";
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassW(&wc);  // fails harmlessly from the second window on
    Window = ::CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, nullptr, nullptr, wc.hInstance,
                               this);
  }
  ~TClickTarget() { ::DestroyWindow(Window); }
  HWND Handle() const { return Window; }
  RECT Rect() const {
    RECT r{};
    ::GetWindowRect(Window, &r);
    return r;
  }
  struct TClick {
    UINT Message;
    POINT At;
    ULONGLONG Tick;  // when it arrived, for failure messages
  };
  // Arrival times of the presses relative to `since`, for failure messages.
  std::string DownTimes(ULONGLONG since) const {
    std::string text;
    for (const TClick& c : Clicks)
      if (c.Message == WM_LBUTTONDOWN) text += std::to_string(static_cast<long long>(c.Tick - since)) + " ms ";
    return text;
  }
  std::vector<TClick> Clicks;
  size_t Downs() const {
    size_t n = 0;
    for (const TClick& c : Clicks) n += c.Message == WM_LBUTTONDOWN;
    return n;
  }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE)
      ::SetWindowLongPtrW(w, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<TClickTarget*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    if (self != nullptr && (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP)) {
      POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ::ClientToScreen(w, &p);
      self->Clicks.push_back({m, p, ::GetTickCount64()});
    }
    return ::DefWindowProcW(w, m, wp, lp);
  }
  HWND Window = nullptr;
};

// The pixel a synthetic absolute event reaches: Pelorin scales v by 65535 / size (halves to
// even) and the system maps back by size / 65536, truncating, which can end one pixel short.
LONG Reached(LONG v, int metric) {
  const LONG size = ::GetSystemMetrics(metric);
  const auto scaled = static_cast<long long>(std::nearbyint(static_cast<double>(v) * 65535.0 / size));
  return static_cast<LONG>(scaled * size / 65536);
}

const TChord DisableChord{{keys::LeftCtrl, keys::W}};

class TrackedOffset : public TScenario {
 protected:
  void StartWith(int state) {
    TIni ini;
    ini.Section("Custom Inputs").Row(1, "Disable Pelorin", DisableChord.Text(), StateChord);
    TrackedRow(ini.Section("Tracked windows"), 1, Narrow(TClickTarget::Title), "", "35x120", state, false);
    WriteIni(ini);
    Pelorin = StartPelorin(L"autorun");
    ASSERT_NE(Pelorin, nullptr);
  }
  // Right after a click of the repetition, its release included, while Pelorin pauses before
  // the next one.
  void JustClicked(const TClickTarget& target) {
    auto released = [&](size_t downs) {
      return target.Downs() >= downs && target.Clicks.back().Message == static_cast<UINT>(WM_LBUTTONUP);
    };
    ASSERT_TRUE(WaitFor([&] { return released(1); }, EffectDeadlineMs)) << "never clicked";
    const size_t seen = target.Downs();
    ASSERT_TRUE(WaitFor([&] { return released(seen + 1); }, EffectDeadlineMs)) << "no quick repetition";
    // The worker's next turn (50 ms) begins the pause of 500 ms; what the scenario does next
    // must fall inside it, not before it, when the turn would see it at its start.
    WaitFor([] { return false; }, 150);
  }
  TPelorin* Pelorin = nullptr;
};

TEST_F(TrackedOffset, ClicksTheWindowAtTheOffsetFromItsCorner) {
  StartWith(5);
  TClickTarget target;
  ASSERT_TRUE(BringToFront(target.Handle()));
  const RECT r = target.Rect();
  ASSERT_TRUE(WaitFor([&] { return target.Clicks.size() >= 2; }, EffectDeadlineMs));
  // The press one pixel in from the offset, the release two, as every synthetic click goes.
  EXPECT_EQ(target.Clicks[0].Message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(target.Clicks[0].At.x, Reached(r.left + 36, SM_CXSCREEN));
  EXPECT_EQ(target.Clicks[0].At.y, Reached(r.top + 121, SM_CYSCREEN));
  EXPECT_EQ(target.Clicks[1].Message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(target.Clicks[1].At.x, Reached(r.left + 37, SM_CXSCREEN));
  EXPECT_EQ(target.Clicks[1].At.y, Reached(r.top + 122, SM_CYSCREEN));
  // It goes on while the window stays in front.
  EXPECT_TRUE(WaitFor([&] { return target.Downs() >= 3; }, EffectDeadlineMs));
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

TEST_F(TrackedOffset, ADisabledRowDoesNothing) {
  StartWith(0);
  TClickTarget target;
  ASSERT_TRUE(BringToFront(target.Handle()));
  // Longer than the once-a-second check.
  EXPECT_TRUE(HoldsFor([&] { return target.Clicks.empty(); }, 2500)) << target.Clicks.size() << " clicks";
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

TEST_F(TrackedOffset, EscStopsTheQuickRepetitionAndTheOnceASecondCheckGoesOn) {
  StartWith(5);
  TClickTarget target;
  ASSERT_TRUE(BringToFront(target.Handle()));
  ASSERT_TRUE(WaitFor([&] { return target.Downs() >= 2; }, EffectDeadlineMs)) << "no quick repetition";
  // Right after a click, while Pelorin pauses before the next one.
  const size_t seen = target.Downs();
  ASSERT_TRUE(WaitFor([&] { return target.Downs() > seen; }, EffectDeadlineMs));
  const DWORD t = Input.After(10);
  const ULONGLONG esc = ::GetTickCount64();
  Input.Keys({{keys::Escape, false, t}, {keys::Escape, true, t + 20}});
  const size_t afterEsc = target.Downs();
  EXPECT_TRUE(HoldsFor([&] { return target.Downs() == afterEsc; }, QuietMs))
      << "clicked again within " << QuietMs << " ms of Esc; presses at " << target.DownTimes(esc) << "from Esc";
  EXPECT_TRUE(WaitFor([&] { return target.Downs() > afterEsc; }, EffectDeadlineMs)) << "the window was left alone";
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

// The repetition clicks screen coordinates after its pause: a window that came to the front
// meanwhile, over the very point, must get nothing, nor the tracked window behind it.
TEST_F(TrackedOffset, NoClickAnywhereOnceAnotherWindowCameToTheFrontDuringThePause) {
  StartWith(5);
  TClickTarget target;
  ASSERT_TRUE(BringToFront(target.Handle()));
  JustClicked(target);
  const size_t clicked = target.Downs();
  // Over the whole target, so that a click at the offset lands in it.
  TClickTarget other(L"Pelorin e2e other window", {250, 150, 800, 600});
  ASSERT_TRUE(BringToFront(other.Handle()));
  EXPECT_TRUE(HoldsFor([&] { return other.Clicks.empty() && target.Downs() == clicked; }, 2 * QuietMs))
      << other.Clicks.size() << " events reached the other window, " << target.Downs() - clicked
      << " presses the tracked one";
  // Back in front, the tracked window is clicked again.
  ASSERT_TRUE(BringToFront(target.Handle()));
  EXPECT_TRUE(WaitFor([&] { return target.Downs() > clicked; }, EffectDeadlineMs));
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

TEST_F(TrackedOffset, NoClickOncePelorinWasSwitchedOffDuringThePause) {
  StartWith(5);
  TClickTarget target;
  ASSERT_TRUE(BringToFront(target.Handle()));
  JustClicked(target);
  const size_t clicked = target.Downs();
  Input.Chord(DisableChord.Keys);
  const ULONGLONG off = ::GetTickCount64();
  ASSERT_TRUE(WaitFor([&] { return Pelorin->ControlText(IDC_PELORIN_ENABLED) == L"Pelorin disabled"; },
                      EffectDeadlineMs))
      << "the chord did not switch Pelorin off";
  EXPECT_TRUE(HoldsFor([&] { return target.Downs() == clicked; }, 2 * QuietMs))
      << "clicked after Pelorin was switched off; presses at " << target.DownTimes(off) << "from the chord";
  EXPECT_EQ(Started.back()->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
