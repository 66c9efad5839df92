#include "config/SettingsStore.h"

namespace pelorin {

namespace {

void LoadText(std::string_view bytes, const TSettingsModel& model, TScreenSize screen, const TSettingsIo& io,
              TConfigState& state, TLoadResult& result) {
  TProfileFile file(DecodeProfileText(bytes, io.Ansi));
  TProgrammaticChange guard(state);
  result.KnownSections = LoadSettings(file, model, screen);
}

}  // namespace

TLoadResult LoadSettingsFile(const std::wstring& path, const TSettingsModel& model, TScreenSize screen,
                             const TSettingsIo& io, TConfigState& state) {
  TFileBytes read = io.Files.ReadWholeFile(path);
  TLoadResult result{read.State, false};
  if (result.Loaded()) LoadText(read.Bytes, model, screen, io, state, result);
  return result;
}

TLoadResult LoadIniAtStart(const std::wstring& iniPath, const TSettingsModel& model, TScreenSize screen,
                           const TSettingsIo& io, TConfigState& state, const std::function<void(int ms)>& wait) {
  TLoadResult result = LoadSettingsFile(iniPath, model, screen, io, state);
  for (int attempt = 1; !result.Loaded() && attempt < IniReadAttempts; ++attempt) {
    if (wait) wait(IniRetryMs);
    result = LoadSettingsFile(iniPath, model, screen, io, state);
  }
  state.IniUnread = !result.Loaded();
  // Defaults as for a missing file, but the file stays untouched.
  if (state.IniUnread) LoadText({}, model, screen, io, state, result);
  if (!result.KnownSections) state.ExportMark = true;
  return result;
}

bool RetryIniRead(const std::wstring& iniPath, const TSettingsModel& model, TScreenSize screen,
                  const TSettingsIo& io, TConfigState& state) {
  if (!state.IniUnread) return false;
  TLoadResult result = LoadSettingsFile(iniPath, model, screen, io, state);
  if (!result.Loaded()) return false;
  state.IniUnread = false;
  state.ExportMark = !result.KnownSections;
  MarkSettingsSaved(state);  // the model is what the file holds
  return true;
}

std::wstring IniUnreadableText(std::wstring_view path) {
  return L"The settings could not be read from \"" + std::wstring(path) +
         L"\".\r\nPelorin runs on its default settings and leaves that file unchanged until it can read it.";
}

TSaveResult SaveSettingsFile(const std::wstring& path, const TSettingsModel& model, const TSettingsIo& io) {
  std::wstring text = SaveSettings(model);
  SyncAutoRun(io.Registry, model.Cfg.AutoRunCheck, io.AutoRunData);
  return io.Files.WriteReplace(path, io.Ansi.ToAnsi(text)) ? TSaveResult::Saved : TSaveResult::WriteFailed;
}

TSaveResult WriteIniFile(const std::wstring& iniPath, const TSettingsModel& model, const TSettingsIo& io,
                         TConfigState& state) {
  if (state.IniUnread) return TSaveResult::NotRead;
  TSaveResult result = SaveSettingsFile(iniPath, model, io);
  if (result == TSaveResult::Saved) MarkSettingsSaved(state);
  return result;
}

std::wstring SaveFailedText(std::wstring_view path) {
  return L"The settings could not be saved to \"" + std::wstring(path) +
         L"\".\r\nAn earlier copy of that file, if any, has been kept unchanged.";
}

}  // namespace pelorin
