// FakeDesktop.exe plays the shell's desktop, which Wine lacks: its list view answers other
// processes the way the desktop's does, and Pelorin tells it from a full-screen game.
#include "E2eDesktop.h"
#include "E2eSupport.h"

#include <commctrl.h>

#include "FakeDesktopLayout.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

class DesktopStandIn : public TScenario {};

TEST_F(DesktopStandIn, HoldsItsItemsAtKnownPositionsBehindEveryWindow) {
  TDriverWindow driver;
  ASSERT_TRUE(StandIn().Restart());
  TStandInDesktop& desktop = StandIn();
  ASSERT_NE(desktop.Window(), nullptr) << "no \"Progman\" window titled \"Program Manager\"";
  ASSERT_NE(desktop.ListView(), nullptr) << "no list view in the shell view window";
  ASSERT_TRUE(driver.Activate());
  RECT r{};
  ::GetWindowRect(desktop.Window(), &r);
  EXPECT_EQ(r.right - r.left, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom - r.top, ::GetSystemMetrics(SM_CYSCREEN));
  // Behind the driver's window, as the desktop is behind every window.
  auto order = [&] {
    std::string top;
    for (HWND w = ::GetTopWindow(nullptr); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
      if (w == driver.Handle()) top += " driver";
      if (w == desktop.Window()) top += " stand-in";
    }
    return top;
  };
  EXPECT_TRUE(WaitFor([&] { return order() == " driver stand-in"; }, EffectDeadlineMs)) << "top to bottom:" << order();

  const int count = static_cast<int>(std::size(DesktopItems));
  ASSERT_EQ(::SendMessageW(desktop.ListView(), LVM_GETITEMCOUNT, 0, 0), count);
  for (int i = 0; i < count; ++i) {
    std::optional<TRemoteItem> item = ReadRemoteItem(i);
    ASSERT_TRUE(item.has_value()) << "item " << i << " could not be read";
    EXPECT_EQ(item->Text, DesktopItems[i].Name);
    EXPECT_EQ(item->Position.x, DesktopItems[i].X) << Narrow(item->Text);
    EXPECT_EQ(item->Position.y, DesktopItems[i].Y) << Narrow(item->Text);
  }
}

// With "DisableInGame" on (a file without the key), a full-screen window without caption
// buttons in front switches the checked rows off. The desktop covers the screen the same way
// but holds a list view: it is no game, and in front it switches them on again.
TEST_F(DesktopStandIn, AFullScreenGamePausesCheckedRowsTheDesktopDoesNot) {
  const TChord typeM{{keys::M}};
  WriteIni(TIni().Section("Custom Inputs").Row(1, typeM.Text(), inputs::Middle, StateMouseChecked, typeM.Hex()));
  TDriverWindow driver;
  ASSERT_TRUE(StandIn().Restart());
  TStandInDesktop& desktop = StandIn();
  ASSERT_NE(desktop.ListView(), nullptr);
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  auto switchCaption = [&] { return pelorin->ControlText(IDC_INPUTS_ENABLED); };
  ASSERT_TRUE(driver.Activate());
  ASSERT_EQ(switchCaption(), L"Checked Inputs enabled");

  TGameWindow game;
  ASSERT_TRUE(BringToFront(game.Handle()));
  EXPECT_TRUE(WaitFor([&] { return switchCaption() == L"Checked Inputs disabled"; }, EffectDeadlineMs))
      << "a game in front: " << Narrow(switchCaption());
  Input.MoveTo({640, 512}, Input.After(1000));
  Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(500));
  EXPECT_TRUE(WaitFor([&] { return game.MiddleDowns() == 1; }, EffectDeadlineMs))
      << "the checked row's click should reach the game";

  ASSERT_TRUE(BringToFront(desktop.Window()));
  EXPECT_TRUE(WaitFor([&] { return switchCaption() == L"Checked Inputs enabled"; }, EffectDeadlineMs))
      << "the desktop in front: " << Narrow(switchCaption());
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
