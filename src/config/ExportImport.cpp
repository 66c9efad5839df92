#include "config/ExportImport.h"

namespace pelorin {

std::wstring ImportUnreadableText(std::wstring_view path) {
  return L"The settings could not be read from \"" + std::wstring(path) + L"\".\r\nNothing has been changed.";
}

void SaveCfgClick(const TSettingsCommands& c) {
  std::optional<std::wstring> path = c.Dialogs.ChooseSaveFile(ExportTitle, SettingsFileName, SettingsFileFilter);
  if (!path) return;
  if (SaveSettingsFile(*path, c.Model, c.Io) == TSaveResult::WriteFailed) {
    c.Dialogs.ShowMessage(SaveFailedText(*path), ExportTitle, TMsgIcon::Error);
    return;
  }
  c.Dialogs.ShowMessage(ExportedText, ExportTitle, TMsgIcon::Information);
  c.State.ExportMark = true;
}

void LoadCfgClick(const TSettingsCommands& c, TScreenSize screen, const std::function<void()>& showLoaded) {
  bool unsaved = c.State.CfgChanged.load(std::memory_order_relaxed) == CfgSettingsChanged;
  if ((!c.State.ExportMark || unsaved) && !c.Dialogs.AskYesNo(ImportQuestionText, ImportQuestionCaption)) return;
  std::optional<std::wstring> path = c.Dialogs.ChooseOpenFile(ImportTitle, SettingsFileName, SettingsFileFilter);
  if (!path) return;
  if (!LoadSettingsFile(*path, c.Model, screen, c.Io, c.State).Loaded()) {
    c.Dialogs.ShowMessage(ImportUnreadableText(*path), ImportTitle, TMsgIcon::Error);
    return;
  }
  if (c.Followers) c.Followers->Recompute(c.Model);
  if (showLoaded) {
    TProgrammaticChange guard(c.State);
    showLoaded();
  }
  MarkSettingsChanged(c.State);
  c.Dialogs.ShowMessage(ImportedText, ImportTitle, TMsgIcon::Information);
}

}  // namespace pelorin
