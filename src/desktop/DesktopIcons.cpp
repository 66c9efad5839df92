#include "desktop/DesktopIcons.h"

namespace pelorin {

namespace {
constexpr int IdYes = 6;
constexpr uint32_t MbYesNoQuestion = 36, MbError = 16, MbInformation = 64;
}  // namespace

DesktopShellPort::TState TDesktopIcons::Start() {
  std::lock_guard guard(Lock);
  SavedText = L.Cfg.IconPositions;
  AutoRestore = L.Cfg.AutoRestoreDesktopCheck;
  Current = L.Shell.Open();
  if (Current == DesktopShellPort::Usable && AutoRestore && !SavedText.empty())
    AutoRestoreIconPositions(L.Shell, SavedText);
  return Current;
}

void TDesktopIcons::Stop() {
  std::lock_guard guard(Lock);
  if (Current == DesktopShellPort::Usable) L.Shell.Close();
  Current = DesktopShellPort::Failed;
}

DesktopShellPort::TState TDesktopIcons::State() const {
  std::lock_guard guard(Lock);
  return Current;
}

void TDesktopIcons::SettingsChanged() {
  std::lock_guard guard(Lock);
  SavedText = L.Cfg.IconPositions;
  AutoRestore = L.Cfg.AutoRestoreDesktopCheck;
}

bool TDesktopIcons::ListReady() {
  if (Current == DesktopShellPort::Refused) return false;
  if (Current == DesktopShellPort::Usable && L.Shell.ListAlive()) return true;
  if (Current == DesktopShellPort::Usable) L.Shell.Close();
  Current = L.Shell.Open();
  return Current == DesktopShellPort::Usable;
}

void TDesktopIcons::SaveClick(bool fromButton) {
  if (fromButton && L.Ui.MsgBox(SaveQuestion, SaveCaption, MbYesNoQuestion) != IdYes) return;
  std::optional<std::wstring> text;
  {
    std::lock_guard guard(Lock);
    if (ListReady()) text = SaveIconPositions(L.Shell);
  }
  if (!text) {
    // What was saved before stays: a desktop read halfway is worth less than it.
    L.Ui.MsgBox(ReadError, ErrorCaption, MbError);
    return;
  }
  if (text->empty()) return;
  L.Cfg.IconPositions = *text;
  SettingsChanged();
  // A change to write at the next chance should this write fail; a write clears it.
  MarkSettingsChanged(L.Config);
  // The write's own error box is the last word.
  if (!L.Ui.SaveSettings()) return;
  L.Ui.MsgBox(Saved, SavedCaption, MbInformation);
}

void TDesktopIcons::RestoreClick() {
  if (L.Cfg.IconPositions.empty()) return;
  bool failed = true;
  {
    std::lock_guard guard(Lock);
    if (ListReady()) {
      failed = RestoreIconPositions(L.Shell, L.Cfg.IconPositions).Failed ||
               RestoreIconPositions(L.Shell, L.Cfg.IconPositions).Failed;
    }
  }
  if (failed)
    L.Ui.MsgBox(RestoreError, ErrorCaption, MbError);
  else
    L.Ui.MsgBox(Restored, RestoredCaption, MbInformation);
}

void TDesktopIcons::AutoRestoreClick() {
  if (L.Config.ProgrammaticChange) return;
  SetCfgChanged(L.Config);
  SettingsChanged();
  if (L.Cfg.AutoRestoreDesktopCheck && L.Cfg.IconPositions.empty()) SaveClick(false);
}

void TDesktopIcons::ShellRestarted() {
  std::lock_guard guard(Lock);
  if (Current == DesktopShellPort::Usable) L.Shell.Close();
  Current = L.Shell.Open();
}

void TDesktopIcons::ForegroundChanged(TWindowHandle foreground) {
  if (!L.Shared.AppEnabled.load(std::memory_order_relaxed)) return;
  std::lock_guard guard(Lock);
  if (!AutoRestore || SavedText.empty() || Current != DesktopShellPort::Usable) return;
  if (!L.Shell.IsShellWindow(foreground)) return;
  // A failing restore leaves the icons where they are; it never ends the worker.
  try {
    if (ListReady()) AutoRestoreIconPositions(L.Shell, SavedText);
  } catch (...) {
  }
}

}  // namespace pelorin
