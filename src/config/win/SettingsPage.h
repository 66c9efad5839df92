#pragma once
#include <functional>

#include "common/win/FormPage.h"
#include "base/SharedState.h"
#include "config/SettingsFollowers.h"
#include "config/SettingsStore.h"
#include "common/win/SettingBindings.h"
#include "config/win/SettingsDialogsWin.h"

namespace pelorin {

// The "Settings" page: start at log-on, the notes, pausing in games, the working-state
// check, the Clipboard Manager's limits with Apply, its picture and its auto-save, and the
// Export and Import buttons. GUI thread only.
class TSettingsPage final : public TFormPage {
 public:
  TSettingsPage(const TSettingsModel& model, TConfigState& state, TSharedState& shared, const TSettingsIo& io,
                const TSettingChanged& changed);

  int HelpIndex() const override { return 5; }

  // The Export and Import dialogs (owner, MsgBox).
  TWinSettingsDialogs& Dialogs() { return SettingsDialogs; }

  // What Export and Import need of the whole window: its geometry written into the settings,
  // and every page showing the model again after an Import.
  std::function<void(Settings&)> StoreWindowGeometry;
  std::function<void()> ShowModel;
  // What follows the settings, recomputed by an Import.
  const TSettingsFollowers* Followers = nullptr;

  // The clipboard "Apply" button; it is disabled again after the callback.
  std::function<void()> OnApplyClick;
  // After an Import has shown the loaded settings.
  std::function<void()> OnSettingsImported;

 protected:
  std::span<const TAnchor> Anchors() const override;
  void Init() override;
  bool Command(int id, int code, HWND control) override;
  void SettingChanged(TSettingControl control) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
  bool HandCursorOver(int id) const override;

 private:
  void SaveCfgClick();
  void LoadCfgClick();

  TSettingsModel Model;
  TConfigState& State;
  TSharedState& SharedState;
  const TSettingsIo& Io;
  TSettingBindings Bindings;
  TWinSettingsDialogs SettingsDialogs;
};

}  // namespace pelorin
