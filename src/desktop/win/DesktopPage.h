#pragma once
#include <array>
#include <functional>
#include <string_view>

#include "common/win/FormPage.h"
#include "common/win/Owned.h"
#include "common/win/SettingBindings.h"

namespace pelorin {

// The "Desktop" page: the pictures of the four power shortcuts, saving and restoring the
// desktop icon positions, their automatic restore, and the red label shown when the shell
// refuses access. GUI thread only.
class TDesktopPage final : public TFormPage {
 public:
  TDesktopPage(Settings& cfg, TConfigState& state, const TSettingChanged& changed);

  int HelpIndex() const override { return 3; }

  // The shell refused access: shows the red label and disables the save, the restore and
  // the automatic restore.
  void ShowDesktopError();

  std::function<void()> OnSaveClick;
  std::function<void()> OnRestoreClick;
  // A power picture: 1 Sleep, 2 Hibernate, 3 Shutdown, 4 Reboot, and its word.
  std::function<void(int tag, std::wstring_view word)> OnShortcutClick;

 protected:
  std::span<const TAnchor> Anchors() const override;
  void Init() override;
  bool Command(int id, int code, HWND control) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
  bool HandCursorOver(int id) const override;
  void PageGone() override;

 private:
  TSettingBindings Bindings;
  std::array<TOwnedIcon, 4> ShortcutIcons;
};

}  // namespace pelorin
