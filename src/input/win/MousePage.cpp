#include "input/win/MousePage.h"

#include "res/resource.h"

namespace pelorin {

namespace {

constexpr TCheckBinding MouseChecks[] = {
    {IDC_FIX_WHEEL_CHECK, &Settings::FixWheelCheck, TSettingControl::FixWheelCheck},
    {IDC_FIX_DBLCLICKS_CHECK, &Settings::FixDblClicksCheck, TSettingControl::FixDblClicksCheck},
};
constexpr TTrackBinding MouseTracks[] = {
    {IDC_DIST_TRACK, &Settings::DistTrack, DistRange, 5, TSettingControl::DistTrack},
    {IDC_SPEED_TRACK, &Settings::SpeedTrack, SpeedRange, 25, TSettingControl::SpeedTrack},
};
constexpr TAnchor MouseAnchors[] = {
    {IDC_DIST_CAPTION, 0, 1, 0, 0}, {IDC_DIST_TRACK, 0, 1, 0, 0},  {IDC_DIST_LABEL, 0, 1, 0, 0},
    {IDC_SPEED_CAPTION, 0, 1, 0, 0}, {IDC_SPEED_TRACK, 0, 1, 0, 0},
};

}  // namespace

TMousePage::TMousePage(Settings& cfg, TConfigState& state, const TSettingChanged& changed)
    : TFormPage(IDD_MOUSE_PAGE), Cfg(cfg), State(state), Bindings(cfg, state, changed, {MouseChecks, MouseTracks, {}}) {
  Bind(Bindings);
}

std::span<const TAnchor> TMousePage::Anchors() const { return MouseAnchors; }

void TMousePage::ShowSettings(const Settings& settings) {
  TFormPage::ShowSettings(settings);
  ShowDistance(DistRange.Clamp(settings.DistTrack));
}

// The label under the distance track follows it, even while Pelorin moves it itself.
void TMousePage::ShowDistance(int position) {
  HWND label = Control(IDC_DIST_LABEL);
  ::SetWindowTextW(label, DistTrackChange(State, position, WindowText(label)).c_str());
}

void TMousePage::SettingChanged(TSettingControl control) {
  if (control == TSettingControl::DistTrack) ShowDistance(Cfg.DistTrack);
}

}  // namespace pelorin
