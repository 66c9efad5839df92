// F1 in the main window: the help window of the page in front, over a disabled main window,
// closed again with Enter or Esc.
#include "E2eSupport.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "help/HelpTexts.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

constexpr TKey F1{VK_F1, 0x3B, "F1"};
constexpr TKey Enter{VK_RETURN, 0x1C, "Enter"};

// The whole text of another process's edit control.
std::wstring MemoText(HWND memo) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(memo, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &length)) return L"<no answer>";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(memo, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 3000,
                        &copied);
  text.resize(copied);
  return text;
}

// Where a text differs from the expected one, for a failure message.
std::string FirstDifference(const std::wstring& seen, const std::wstring& expected) {
  size_t at = 0;
  while (at < seen.size() && at < expected.size() && seen[at] == expected[at]) ++at;
  return "lengths " + std::to_string(seen.size()) + " and " + std::to_string(expected.size()) +
         ", first difference at " + std::to_string(at) + ": \"" + Narrow(seen.substr(at, 40)) + "\"";
}

struct TPage {
  const char* Name;
  int Tab;
  int Inner;  // on "Custom Inputs"
};

class HelpWindow : public TScenario {
 protected:
  void SetUp() override {
    TScenario::SetUp();
    ASSERT_NE(Pelorin = StartPelorin(L""), nullptr);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs))
        << "a start by hand shows the window in front";
    // Pelorin learns that its window is in front from its worker's ticks.
    ASSERT_TRUE(WaitForWorkerTicks(3));
  }

  // The tab control moves its selection, and tells its window, on TCM_SETCURFOCUS: the same
  // notification a click sends, without a pointer across the processes.
  bool ShowPage(const TPage& page) {
    HWND tabs = FindControl(Pelorin->Window(), IDC_PAGE_CONTROL);
    HWND inner = FindControl(Pelorin->Window(), IDC_INPUTS_TABS);
    if (tabs == nullptr || inner == nullptr) {
      ADD_FAILURE() << "the tab controls of the main window were not found";
      return false;
    }
    ::SendMessageW(tabs, TCM_SETCURFOCUS, page.Tab, 0);
    if (page.Tab == 0) ::SendMessageW(inner, TCM_SETCURFOCUS, page.Inner, 0);
    bool shown = ::SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == page.Tab &&
                 (page.Tab != 0 || ::SendMessageW(inner, TCM_GETCURSEL, 0, 0) == page.Inner);
    EXPECT_TRUE(shown) << "the page did not come to the front";
    return shown;
  }

  // F1 in the main window brings the help window; null, with failures recorded, when not.
  HWND PressF1() {
    Input.Keys({{F1, false, Input.After(300)}, {F1, true, Input.After(30)}});
    HWND help = nullptr;
    if (!WaitFor([&] { return (help = FindShownWindow(Pelorin->Pid(), L"PelorinHelpForm")) != nullptr; },
                 EffectDeadlineMs)) {
      ADD_FAILURE() << "F1 showed no help window";
      return nullptr;
    }
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == help; }, EffectDeadlineMs)) << "the help is in front";
    EXPECT_FALSE(::IsWindowEnabled(Pelorin->Window())) << "the main window is disabled while the help shows";
    return help;
  }

  void Press(const TKey& key) { Input.Keys({{key, false, Input.After(300)}, {key, true, Input.After(30)}}); }

  // The help went and the main window is enabled and active again.
  bool Closed(HWND help) {
    HWND main = Pelorin->Window();
    bool closed = WaitFor(
        [&] { return !::IsWindowVisible(help) && ::IsWindowEnabled(main) && ::GetForegroundWindow() == main; },
        EffectDeadlineMs);
    EXPECT_TRUE(closed) << "help shown " << ::IsWindowVisible(help) << ", main window enabled "
                        << ::IsWindowEnabled(main) << ", in front " << (::GetForegroundWindow() == main);
    return closed;
  }

  TPelorin* Pelorin = nullptr;
};

TEST_F(HelpWindow, F1OnEachPageShowsItsTextAndEnterClosesIt) {
  const std::vector<TPage> pages = {
      {"Commands", 0, 0}, {"Mouse", 0, 1},           {"Keyboard layout", 0, 2},
      {"Desktop", 1, 0},  {"Tracked windows", 2, 0}, {"Settings", 3, 0},
  };
  for (const TPage& page : pages) {
    SCOPED_TRACE(page.Name);
    ASSERT_TRUE(ShowPage(page));
    HWND help = PressF1();
    ASSERT_NE(help, nullptr);
    HWND memo = ::FindWindowExW(help, nullptr, L"Edit", nullptr);
    ASSERT_NE(memo, nullptr);
    const std::wstring& expected = HelpTexts()[HelpTextIndex(page.Tab, page.Inner)];
    std::wstring seen = MemoText(memo);
    EXPECT_TRUE(seen == expected) << FirstDifference(seen, expected);
    std::wstring_view note = HelpClosingNote();
    EXPECT_TRUE(seen.size() >= note.size() && seen.compare(seen.size() - note.size(), note.size(), note) == 0)
        << "the text ends with the closing note";
    Press(Enter);
    ASSERT_TRUE(Closed(help));
  }
  EXPECT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(HelpWindow, EscClosesItAndLeavesTheMainWindowShown) {
  ASSERT_TRUE(ShowPage({"Tracked windows", 2, 0}));
  HWND help = PressF1();
  ASSERT_NE(help, nullptr);
  Press(keys::Escape);
  ASSERT_TRUE(Closed(help));
  // That Esc was the help's: the main window's own Esc would hide it to the tray.
  EXPECT_TRUE(HoldsFor([&] { return Pelorin->Visible(); }, QuietMs));
  EXPECT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
