// The tracked-window check over the real windows and the real accessibility calls: a message
// box of this process answered through its button window, and an accessible object of our own,
// handed out by a window as any program does, pressed by its default action with every
// reference given back.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "CoreFakes.h"
#include "WinHookRig.h"
#include "WinTestSupport.h"
#include "common/win/Com.h"
#include "config/win/AnsiCodePageWin.h"
#include "tracked/TrackedCheck.h"
#include "tracked/win/AccessibilityWin.h"
#include "tracked/win/TrackedWindowsWin.h"

namespace pelorin::test {
namespace {

// A Yes/No message box shown by a thread of its own; its answer.
class TQuestion {
 public:
  explicit TQuestion(const wchar_t* title) : Title(title) {
    Thread = std::thread([this] { Answer = ::MessageBoxW(nullptr, L"Replace the file?", Title, MB_YESNO); });
  }
  ~TQuestion() {
    while (Answer.load() == 0) {
      if (HWND box = Box()) ::PostMessageW(box, WM_COMMAND, IDYES, 0);
      ::Sleep(20);
    }
    Thread.join();
  }
  HWND Box() const { return ::FindWindowW(L"#32770", Title); }
  const wchar_t* Title;
  std::atomic<int> Answer{0};
  std::thread Thread;
};

struct TCheckRig : TWinHookRig {
  TCheckRig() {
    Shared.ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    Shared.ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  }
  EventLog Log;
  FakeNotes Notes{Log};
  // This test's windows stand for another program's: no process is taken as Pelorin's.
  TTrackedWindowsWin Windows{0};
  TWinAccessibility Accessibility;
  TSystemAnsiCodePage Ansi;
  TTrackedCheck Check{{Shared, Windows, Accessibility, Ansi, Input, Mouse, Notes}};
};

TEST(TrackedWindowsWin, AMessageBoxIsAnsweredThroughItsButtonWindow) {
  TComApartment apartment(COINIT_APARTMENTTHREADED);
  TQuestion question(L"Pelorin win question");
  ASSERT_TRUE(PumpUntil([&] { return question.Box() != nullptr && ::IsWindowVisible(question.Box()); }, 5000));
  TCheckRig rig;
  const auto box = reinterpret_cast<TWindowHandle>(question.Box());
  EXPECT_EQ(rig.Windows.WindowText(box), "Pelorin win question");
  std::vector<std::string> texts, classes;
  rig.Windows.EnumChildren(box, [&](TWindowHandle child) {
    texts.push_back(rig.Windows.WindowText(child));
    classes.push_back(rig.Windows.ClassName(child));
    return true;
  });
  EXPECT_NE(std::find(texts.begin(), texts.end(), "&No"), texts.end());
  EXPECT_NE(std::find(classes.begin(), classes.end(), "Button"), classes.end());

  ASSERT_TRUE(BringToFront(question.Box()));
  rig.Shared.TrackCandidate = box;
  rig.Check.CheckTrackedWindows({{L"Pelorin win [*]", L"Replace the [*]", L"No", 5, false, true}});
  EXPECT_TRUE(rig.Shared.TrackedClicking);
  EXPECT_EQ(rig.Log.Lines, std::vector<std::string>{"note 'Pelorin win [*]' level -1"});
  EXPECT_TRUE(PumpUntil([&] { return question.Answer.load() != 0; }, 5000));
  EXPECT_EQ(question.Answer.load(), IDNO);
}

// An accessible object of our own: a name, a state, children by number (no enumerator, so the
// system's AccessibleChildren asks for each child), a default action. Counts its references.
class TOwnAccessible final : public IAccessible {
 public:
  TOwnAccessible(const wchar_t* name, std::vector<TOwnAccessible*> children, std::atomic<int>& live)
      : Name(name), Children(std::move(children)), Live(live) {
    ++Live;
  }
  int DefaultActions = 0;
  ULONG Refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --Refs;
    if (left == 0) {
      for (TOwnAccessible* c : Children) c->Release();
      --Live;
      delete this;
    }
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override {
    *n = static_cast<LONG>(Children.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** out) override {
    *out = nullptr;
    if (id.vt != VT_I4 || id.lVal < 1 || static_cast<size_t>(id.lVal) > Children.size()) return E_INVALIDARG;
    TOwnAccessible* c = Children[static_cast<size_t>(id.lVal - 1)];
    c->AddRef();
    *out = static_cast<IDispatch*>(c);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR* name) override {
    *name = ::SysAllocString(Name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT* role) override {
    role->vt = VT_I4;
    role->lVal = Children.empty() ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_DIALOG;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT* state) override {
    state->vt = VT_I4;
    state->lVal = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* l, LONG* t, LONG* w, LONG* h, VARIANT) override {
    *l = 100, *t = 100, *w = 300, *h = 120;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG, LONG, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override {
    ++DefaultActions;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~TOwnAccessible() = default;
  const wchar_t* Name;
  std::vector<TOwnAccessible*> Children;
  std::atomic<int>& Live;
};

// A window that draws its own buttons and answers WM_GETOBJECT with its accessible object.
TOwnAccessible* Served = nullptr;
LRESULT CALLBACK DrawnProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_WINDOW && Served != nullptr)
    return ::LresultFromObject(__uuidof(IAccessible), wp, static_cast<IAccessible*>(Served));
  return ::DefWindowProcW(w, m, wp, lp);
}

TEST(TrackedWindowsWin, ButtonsDrawnByAWindowArePressedThroughItsAccessibleObject) {
  TComApartment apartment(COINIT_APARTMENTTHREADED);
  ASSERT_TRUE(apartment.Entered());
  std::atomic<int> live{0};
  auto* no = new TOwnAccessible(L"&No", {}, live);
  auto* yes = new TOwnAccessible(L"Yes", {}, live);
  auto* text = new TOwnAccessible(L"Replace the file?", {}, live);
  Served = new TOwnAccessible(L"Drawn question", {text, yes, no}, live);

  WNDCLASSW wc{};
  wc.lpfnWndProc = DrawnProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PelorinTestDrawnButtons";
  ::RegisterClassW(&wc);
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 120, nullptr,
                                  nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  {
    TCheckRig rig;
    std::unique_ptr<AccessibleObject> object = rig.Accessibility.FromWindow(reinterpret_cast<TWindowHandle>(window));
    ASSERT_NE(object, nullptr) << "AccessibleObjectFromWindow did not reach the window's own object";
    EXPECT_EQ(object->Name(), std::optional<std::wstring>(L"Drawn question"));
    EXPECT_EQ(object->ChildCount(), std::optional<int32_t>(3));
    std::vector<std::wstring> names;
    VisitAccessibleChildren(*object, [&](AccessibleObject& child) {
      names.push_back(child.Name().value_or(L"?"));
      return true;
    });
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Replace the file?", L"Yes", L"&No"}));
    object.reset();

    // The window has no title: its accessible name stands for it.
    ASSERT_TRUE(BringToFront(window));
    rig.Shared.TrackCandidate = reinterpret_cast<TWindowHandle>(window);
    rig.Check.CheckTrackedWindows({{L"Drawn question", L"Replace[*]", L"No", 5, false, true}});
    EXPECT_EQ(rig.Log.Lines, std::vector<std::string>{"note 'Drawn question' level -1"});
    EXPECT_EQ(no->DefaultActions, 1);
    EXPECT_EQ(yes->DefaultActions, 0);
  }
  ::DestroyWindow(window);
  Served->Release();
  Served = nullptr;
  EXPECT_EQ(live.load(), 0) << "an accessible object was not given back";
}

// A top-level window of this test that counts the left-button presses reaching it.
class TPressCounter {
 public:
  TPressCounter(const wchar_t* title, RECT r, DWORD exStyle = 0, DWORD style = WS_OVERLAPPEDWINDOW) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelorinTestPressCounter";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassW(&wc);  // fails harmlessly from the second window on
    Window = ::CreateWindowExW(exStyle, wc.lpszClassName, title, style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, wc.hInstance, this);
  }
  ~TPressCounter() { ::DestroyWindow(Window); }
  HWND Window = nullptr;
  int Presses = 0;

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE)
      ::SetWindowLongPtrW(w, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<TPressCounter*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    if (self != nullptr && (m == WM_LBUTTONDOWN || m == WM_NCLBUTTONDOWN)) ++self->Presses;
    return ::DefWindowProcW(w, m, wp, lp);
  }
};

TEST(TrackedWindowsWin, TheWindowsOfPelorinsOwnProcessAreItsOwn) {
  TPressCounter window(L"Pelorin win own", {100, 100, 300, 200});
  ASSERT_TRUE(BringToFront(window.Window));
  const auto handle = reinterpret_cast<TWindowHandle>(window.Window);
  TTrackedWindowsWin own, other(0);
  EXPECT_TRUE(own.IsOwnWindow(handle));
  EXPECT_FALSE(other.IsOwnWindow(handle));
  EXPECT_FALSE(own.IsOwnWindow(0));
  EXPECT_EQ(own.ForegroundWindow(), handle);
  // A point over the caption and one over the client area both reach the window itself.
  EXPECT_EQ(own.TopLevelAt({150, 105}), handle);
  EXPECT_EQ(own.TopLevelAt({150, 150}), handle);
}

// The offset click of a row goes out only while it reaches the window in front: not into a
// topmost window over the point, not into a window that came to the front meanwhile.
TEST(TrackedWindowsWin, AnOffsetClickGoesOnlyWhereItReachesTheWindowInFront) {
  TCheckRig rig;
  TPressCounter target(L"Pelorin win offset target", {200, 200, 600, 500});
  ASSERT_TRUE(BringToFront(target.Window));
  // Over the offset 35x120, shown without taking the front.
  TPressCounter cover(L"Pelorin win cover", {220, 300, 300, 360}, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                      WS_POPUP);
  ::ShowWindow(cover.Window, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(cover.Window) != FALSE; }, 3000));
  ASSERT_EQ(::GetForegroundWindow(), target.Window);
  const std::vector<TTrackedWindowRow> rows{{L"Pelorin win offset target", L"", L"35x120", 5, false, false}};
  auto check = [&] {
    rig.Log.Lines.clear();
    rig.Shared.TrackCandidate = reinterpret_cast<TWindowHandle>(target.Window);
    rig.Check.CheckTrackedWindows(rows);
  };

  check();
  EXPECT_TRUE(rig.Log.Lines.empty());
  EXPECT_FALSE(PumpUntil([&] { return cover.Presses + target.Presses > 0; }, 500)) << "a click went out";

  ::ShowWindow(cover.Window, SW_HIDE);
  check();
  EXPECT_EQ(rig.Log.Lines, std::vector<std::string>{"note 'Pelorin win offset target' level -1"});
  EXPECT_TRUE(PumpUntil([&] { return target.Presses == 1; }, 3000)) << "the window in front was not clicked";

  // Another window came to the front over the point; the check still holds the old candidate.
  TPressCounter other(L"Pelorin win other", {150, 150, 700, 600});
  ASSERT_TRUE(BringToFront(other.Window));
  check();
  EXPECT_TRUE(rig.Log.Lines.empty());
  EXPECT_FALSE(PumpUntil([&] { return other.Presses + target.Presses > 1; }, 500)) << "a click went out";
}

}  // namespace
}  // namespace pelorin::test
