#include "layout/win/KeyboardLayoutPage.h"

#include "common/win/Hints.h"
#include "res/resource.h"

namespace pelorin {

namespace {

constexpr TCheckBinding LayoutChecks[] = {
    {IDC_AUTO_LAYOUT_CHECK, &Settings::AutoLayoutCheck, TSettingControl::AutoLayoutCheck, AutoLayoutCheckClick},
};
constexpr TTrackBinding LayoutTracks[] = {
    {IDC_AUTO_LAYOUT_TRACK, &Settings::AutoLayoutTrack, AutoLayoutRange, 1, TSettingControl::AutoLayoutTrack},
};

}  // namespace

TKeyboardLayoutPage::TKeyboardLayoutPage(Settings& cfg, TConfigState& state, const TSettingChanged& changed)
    : TFormPage(IDD_LAYOUT_PAGE),
      Cfg(cfg),
      State(state),
      Bindings(cfg, state, changed, {LayoutChecks, LayoutTracks, {}}) {
  Bind(Bindings);
}

void TKeyboardLayoutPage::Init() {
  Host().Hints->Add(Control(IDC_AUTO_LAYOUT_TRACK),
                    L"At higher sensitivity required less typed chars for auto-switcher change the layout, but more "
                    L"probability that it switches the layout mistakenly");
}

void TKeyboardLayoutPage::DisableAutoLayout() {
  TProgrammaticChange guard(State);
  ::SendMessageW(Control(IDC_AUTO_LAYOUT_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
  Cfg.AutoLayoutCheck = false;
  ::EnableWindow(Control(IDC_AUTO_LAYOUT_CHECK), FALSE);
  ::EnableWindow(Control(IDC_AUTO_LAYOUT_TRACK), FALSE);
}

}  // namespace pelorin
