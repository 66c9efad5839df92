// The window base and the dialog page base on real windows: one class for many forms, each
// form's messages to its own object, handles that go away in any order, and exceptions that
// end in the fatal path instead of unwinding into the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "common/win/DialogPage.h"
#include "common/win/WindowBase.h"

namespace pelorin::test {
namespace {

// Messages of these test windows only.
constexpr UINT PingMessage = WM_APP + 100;   // answers 1000 + wParam
constexpr UINT ThrowMessage = WM_APP + 101;  // the handler throws

bool Saw(const std::vector<UINT>& seen, UINT message) {
  return std::find(seen.begin(), seen.end(), message) != seen.end();
}

// A form that writes down what reaches it.
class TProbeForm : public TWindowBase {
 public:
  static constexpr wchar_t ClassName[] = L"PelorinTestProbeForm";
  ~TProbeForm() override { Destroy(); }

  bool Create(HMODULE icons, HWND parent = nullptr) {
    return CreateHandle(::GetModuleHandleW(nullptr),
                        {.Name = ClassName,
                         .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                         .IconModule = icons,
                         .IconName = L"MAINICON"},
                        {.Style = static_cast<DWORD>(parent != nullptr ? WS_CHILD : WS_OVERLAPPEDWINDOW),
                         .Text = L"Probe",
                         .Width = 200,
                         .Height = 100,
                         .Parent = parent});
  }

  std::vector<UINT> Seen;
  HWND HandleAtCreate = nullptr;
  int Gone = 0;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    Seen.push_back(message);
    if (message == WM_CREATE) HandleAtCreate = Handle();
    if (message == PingMessage) return 1000 + static_cast<LRESULT>(wParam);
    if (message == ThrowMessage) throw std::runtime_error("a handler failed");
    return DefaultMessage(message, wParam, lParam);
  }
  void WindowGone() override { ++Gone; }
};

class WindowBase : public ::testing::Test {
 protected:
  void SetUp() override {
    Icons = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Icons, nullptr) << "Pelorin.exe beside the tests";
  }
  void TearDown() override { ::FreeLibrary(Icons); }

  HMODULE Icons = nullptr;
};

TEST_F(WindowBase, TwoFormsShareOneClassAndEachGetsItsOwnMessages) {
  TProbeForm first, second;
  ASSERT_TRUE(first.Create(Icons));
  ASSERT_TRUE(second.Create(Icons));
  EXPECT_EQ(first.HandleAtCreate, first.Handle()) << "the handle is known before CreateWindowExW returns";
  EXPECT_EQ(::GetClassLongPtrW(first.Handle(), GCW_ATOM), ::GetClassLongPtrW(second.Handle(), GCW_ATOM));
  const ULONG_PTR icon = ::GetClassLongPtrW(first.Handle(), GCLP_HICON);
  EXPECT_NE(icon, 0u) << "the class has the icon it was given";
  EXPECT_NE(::GetClassLongPtrW(first.Handle(), GCLP_HICONSM), 0u);

  EXPECT_EQ(::SendMessageW(first.Handle(), PingMessage, 1, 0), 1001);
  EXPECT_EQ(::SendMessageW(second.Handle(), PingMessage, 2, 0), 1002);
  EXPECT_EQ(std::count(first.Seen.begin(), first.Seen.end(), PingMessage), 1);
  EXPECT_EQ(std::count(second.Seen.begin(), second.Seen.end(), PingMessage), 1);

  // One form going takes neither the class nor the other form with it.
  first.Destroy();
  EXPECT_EQ(::SendMessageW(second.Handle(), PingMessage, 3, 0), 1003);
  TProbeForm third;
  ASSERT_TRUE(third.Create(Icons));
  EXPECT_EQ(::GetClassLongPtrW(third.Handle(), GCLP_HICON), icon) << "registered once, icons loaded once";

  // The fonts are made once per form, at the screen's DPI.
  HFONT font = third.DialogFont();
  EXPECT_EQ(third.DialogFont(), font);
  LOGFONTW logFont{};
  ASSERT_EQ(::GetObjectW(font, sizeof(logFont), &logFont), static_cast<int>(sizeof(logFont)));
  EXPECT_STREQ(logFont.lfFaceName, L"MS Shell Dlg");
  TWindowDc screen;
  EXPECT_EQ(logFont.lfHeight, -::MulDiv(8, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72));
  EXPECT_EQ(third.Scale(96), ::GetDeviceCaps(screen.Get(), LOGPIXELSX));
  EXPECT_NE(third.MenuFont(), nullptr);
}

TEST_F(WindowBase, AClassNameTakenByAnotherProcedureIsRefused) {
  WNDCLASSW other{};
  other.lpfnWndProc = ::DefWindowProcW;
  other.hInstance = ::GetModuleHandleW(nullptr);
  other.lpszClassName = L"PelorinTestTakenName";
  ASSERT_NE(::RegisterClassW(&other), 0);

  class TTaken : public TWindowBase {
   public:
    bool Create() {
      return CreateHandle(::GetModuleHandleW(nullptr), {.Name = L"PelorinTestTakenName"}, {.Style = WS_POPUP});
    }
  } form;
  EXPECT_FALSE(form.Create()) << "its messages would never reach the form";
  EXPECT_EQ(form.Handle(), nullptr);
  ::UnregisterClassW(other.lpszClassName, other.hInstance);
}

// However the window goes, the form forgets it, frees what went with it, and can make a new
// one; only a window destroyed from outside tells the form its WM_DESTROY.
TEST_F(WindowBase, AWindowGoneAnyWayLeavesTheFormUsable) {
  enum class How { Destroy, FromOutside, WithItsParent };
  struct Case {
    How Way;
    const char* Name;
    bool HandlerSeesDestroy;
  };
  const Case cases[] = {
      {How::Destroy, "Destroy()", false},
      {How::FromOutside, "DestroyWindow from outside", true},
      {How::WithItsParent, "its parent destroyed", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    HWND parent = c.Way == How::WithItsParent ? CreatePlainWindow(L"Parent", 0, 0, 300, 200) : nullptr;
    TProbeForm form;
    ASSERT_TRUE(form.Create(Icons, parent));
    HWND window = form.Handle();
    HFONT font = form.DialogFont();
    ASSERT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));

    switch (c.Way) {
      case How::Destroy: form.Destroy(); break;
      case How::FromOutside: ::DestroyWindow(window); break;
      case How::WithItsParent: ::DestroyWindow(parent); break;
    }
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(form.Handle(), nullptr);
    EXPECT_EQ(form.Gone, 1);
    EXPECT_EQ(Saw(form.Seen, WM_DESTROY), c.HandlerSeesDestroy);
    EXPECT_FALSE(Saw(form.Seen, WM_NCDESTROY)) << "the base's own business";
    EXPECT_EQ(::GetObjectType(font), 0u) << "the font went with the window";

    form.Destroy();
    EXPECT_EQ(form.Gone, 1) << "nothing left to destroy";
    ASSERT_TRUE(form.Create(Icons));
    EXPECT_EQ(::SendMessageW(form.Handle(), PingMessage, 7, 0), 1007);
  }
}

// A page of the main window: its controls from a template, its messages to its object.
constexpr int ButtonId = 1001;

// A child page template with one push button, laid out as the resource compiler does:
// header, no menu, default class, no title, the font; each item on a DWORD boundary.
std::vector<WORD> PageTemplate() {
  std::vector<WORD> t;
  auto dword = [&](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  auto text = [&](const wchar_t* s) {
    for (; *s != L'\0'; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
  };
  dword(WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT);
  dword(0);  // extended style
  t.push_back(1);  // one control
  for (WORD v : {0, 0, 150, 80}) t.push_back(v);
  t.push_back(0);  // menu
  t.push_back(0);  // class
  t.push_back(0);  // title
  t.push_back(8);
  text(L"MS Shell Dlg");
  if (t.size() % 2 != 0) t.push_back(0);
  dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON);
  dword(0);
  for (WORD v : {10, 10, 50, 14}) t.push_back(v);
  t.push_back(ButtonId);
  t.push_back(0xFFFF);
  t.push_back(0x0080);  // BUTTON
  text(L"Press");
  t.push_back(0);  // no creation data
  return t;
}

class TProbePage : public TDialogPage {
 public:
  ~TProbePage() override { Destroy(); }
  bool Create(HWND parent) {
    static const std::vector<WORD> dialog = PageTemplate();
    return TDialogPage::Create(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialog.data()),
                               parent);
  }

  std::vector<UINT> Seen;
  bool ControlsAtInit = false;
  int Clicks = 0;
  int Gone = 0;

 protected:
  bool InitPage() override {
    ControlsAtInit = Handle() != nullptr && Control(ButtonId) != nullptr;
    return false;
  }
  std::optional<LRESULT> PageMessage(UINT message, WPARAM wParam, LPARAM) override {
    Seen.push_back(message);
    switch (message) {
      case PingMessage:
        return 1000 + static_cast<LRESULT>(wParam);
      case ThrowMessage:
        throw std::runtime_error("a page handler failed");
      case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH));
      case WM_COMMAND:
        if (LOWORD(wParam) == ButtonId && HIWORD(wParam) == BN_CLICKED) {
          ++Clicks;
          return 0;
        }
        break;
      default:
        break;
    }
    return std::nullopt;
  }
  void PageGone() override { ++Gone; }
};

class DialogPage : public ::testing::Test {
 protected:
  void SetUp() override {
    Parent = CreatePlainWindow(L"Page parent", 0, 0, 300, 200);
    ASSERT_NE(Parent, nullptr);
  }
  void TearDown() override {
    if (::IsWindow(Parent)) ::DestroyWindow(Parent);
  }
  HWND Parent = nullptr;
};

TEST_F(DialogPage, KeepsItselfFromInitDialogAndAnswersTheWayTheDialogManagerWants) {
  TProbePage page;
  ASSERT_TRUE(page.Create(Parent));
  EXPECT_TRUE(page.ControlsAtInit);
  EXPECT_EQ(::GetParent(page.Handle()), Parent);

  struct Case {
    const char* Name;
    UINT Message;
    WPARAM WParam;
    LRESULT Expected;
  };
  const Case cases[] = {
      // Most results travel in DWLP_MSGRESULT; a colour message's brush is the return value.
      {"own message", PingMessage, 5, 1005},
      {"control colour", WM_CTLCOLORSTATIC, 0, reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH))},
  };
  for (const Case& c : cases)
    EXPECT_EQ(::SendMessageW(page.Handle(), c.Message, c.WParam, 0), c.Expected) << c.Name;

  ::SendMessageW(page.Control(ButtonId), BM_CLICK, 0, 0);
  EXPECT_EQ(page.Clicks, 1);
}

TEST_F(DialogPage, APageGoneAnyWayLeavesTheObjectUsable) {
  for (bool withParent : {false, true}) {
    SCOPED_TRACE(withParent ? "with its parent" : "Destroy()");
    HWND parent = CreatePlainWindow(L"Page parent", 0, 0, 300, 200);
    TProbePage page;
    ASSERT_TRUE(page.Create(parent));
    HWND handle = page.Handle();
    if (withParent)
      ::DestroyWindow(parent);
    else
      page.Destroy();
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ(page.Handle(), nullptr);
    EXPECT_EQ(page.Gone, 1);
    EXPECT_EQ(Saw(page.Seen, WM_DESTROY), withParent) << "Destroy() takes the object out first";
    page.Destroy();
    EXPECT_EQ(page.Gone, 1);
    ASSERT_TRUE(page.Create(Parent));
    EXPECT_EQ(::SendMessageW(page.Handle(), PingMessage, 9, 0), 1009);
    if (!withParent) ::DestroyWindow(parent);
  }
}

// Unwinding through the system's call of a procedure is undefined: the exception must stop
// in the procedure, reach the fatal path once, and leave the window working.
TEST_F(WindowBase, AnExceptionInAHandlerEndsInTheFatalPathNotInTheCaller) {
  TFatalCounter fatal;
  TProbeForm form;
  ASSERT_TRUE(form.Create(Icons));
  HWND parent = CreatePlainWindow(L"Page parent", 0, 0, 300, 200);
  TProbePage page;
  ASSERT_TRUE(page.Create(parent));

  const std::pair<const char*, HWND> targets[] = {{"window", form.Handle()}, {"dialog page", page.Handle()}};
  int expectedCalls = 0;
  for (const auto& [name, window] : targets) {
    SCOPED_TRACE(name);
    EXPECT_NO_THROW(::SendMessageW(window, ThrowMessage, 0, 0));
    EXPECT_EQ(fatal.Calls(), ++expectedCalls);
    EXPECT_EQ(::SendMessageW(window, PingMessage, 1, 0), 1001) << "still answering";
    // Through the message loop, as input and posted messages arrive.
    ASSERT_TRUE(::PostMessageW(window, ThrowMessage, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return fatal.Calls() == expectedCalls + 1; }, 5000));
    ++expectedCalls;
  }
  ::DestroyWindow(parent);
}

}  // namespace
}  // namespace pelorin::test
