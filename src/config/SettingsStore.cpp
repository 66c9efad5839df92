#include "config/SettingsStore.h"

namespace pelorin {

bool LoadSettingsFile(const std::wstring& path, const TSettingsModel& model, TScreenSize screen,
                      const TSettingsIo& io, TConfigState& state) {
  TProfileFile file(DecodeProfileText(io.Files.ReadWholeFile(path), io.Ansi));
  TProgrammaticChange guard(state);
  return LoadSettings(file, model, screen);
}

TSaveResult SaveSettingsFile(const std::wstring& path, const TSettingsModel& model, const TSettingsIo& io) {
  std::wstring text = SaveSettings(model);
  SyncAutoRun(io.Registry, model.Cfg.AutoRunCheck, io.AutoRunData);
  return io.Files.WriteReplace(path, io.Ansi.ToAnsi(text)) ? TSaveResult::Saved : TSaveResult::WriteFailed;
}

TSaveResult WriteIniFile(const std::wstring& iniPath, const TSettingsModel& model, const TSettingsIo& io,
                         TConfigState& state) {
  TSaveResult result = SaveSettingsFile(iniPath, model, io);
  if (result == TSaveResult::Saved) MarkSettingsSaved(state);
  return result;
}

std::wstring SaveFailedText(std::wstring_view path) {
  return L"The settings could not be saved to \"" + std::wstring(path) +
         L"\".\r\nAn earlier copy of that file, if any, has been kept unchanged.";
}

}  // namespace pelorin
