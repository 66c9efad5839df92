#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "config/AnsiCodePage.h"
#include "config/AutoRun.h"
#include "base/ConfigState.h"
#include "config/FilePort.h"
#include "config/SettingsFile.h"

namespace pelorin {

// What reading and writing a settings file goes through.
struct TSettingsIo {
  FilePort& Files;
  const AnsiCodePagePort& Ansi;
  AutoRunPort& Registry;
  std::wstring AutoRunData;  // what the Run value must hold: AutoRunData(ExePath)
};

// NotRead: Pelorin.ini exists but was never read, so it was not written over.
enum class TSaveResult { Saved, WriteFailed, NotRead };

struct TLoadResult {
  TFileBytes::TState File = TFileBytes::TState::Missing;
  bool KnownSections = false;  // one of "Custom Inputs", "Desktop", "Tracked windows", "Settings"
  bool Loaded() const { return File != TFileBytes::TState::Unreadable; }
};

// Reads the file at path into the model, with ProgrammaticChange set: a missing file reads as
// empty (every setting its default for an absent key); an unreadable one leaves the model as
// it was. Leaves CfgChanged and the export mark alone.
TLoadResult LoadSettingsFile(const std::wstring& path, const TSettingsModel& model, TScreenSize screen,
                             const TSettingsIo& io, TConfigState& state);

// Pelorin.ini at start-up. A file held by another program at log-on is usually let go within
// a second or two, so an unreadable one is read again, IniReadAttempts reads in all with
// wait(IniRetryMs) between them. When it stays unreadable the model takes the defaults and
// IniUnread is set: the file is not written until RetryIniRead has read it. Sets the export
// mark when the settings read hold none of the known sections.
inline constexpr int IniReadAttempts = 10;
inline constexpr int IniRetryMs = 200;
TLoadResult LoadIniAtStart(const std::wstring& iniPath, const TSettingsModel& model, TScreenSize screen,
                           const TSettingsIo& io, TConfigState& state, const std::function<void(int ms)>& wait);
// While IniUnread: one more read. When the file can be read now (or is gone), the model takes
// what it holds, in place of the defaults and of anything changed on them, the block is lifted
// and nothing is left to save; true then, and whatever follows the settings must be brought
// up to date.
bool RetryIniRead(const std::wstring& iniPath, const TSettingsModel& model, TScreenSize screen,
                  const TSettingsIo& io, TConfigState& state);

// Told once, when Pelorin starts on its defaults (error icon, caption SaveFailedCaption).
std::wstring IniUnreadableText(std::wstring_view path);

// Writes every setting to the file at path, replacing it, and brings the Run value in line
// with AutoRunCheck. On WriteFailed the file at path is unchanged.
TSaveResult SaveSettingsFile(const std::wstring& path, const TSettingsModel& model, const TSettingsIo& io);

// Writes Pelorin.ini (at exit, on suspend or session end when NeedsSave(), and after the
// desktop icon positions were saved). CfgChanged becomes "nothing to save" only when the file
// was written, so a failed write is tried again at the next occasion. While IniUnread nothing
// is written (NotRead): the file may hold the user's settings, which the model does not.
TSaveResult WriteIniFile(const std::wstring& iniPath, const TSettingsModel& model, const TSettingsIo& io,
                         TConfigState& state);

// The message (error icon) for a write that failed. A failure never ends Pelorin; where nobody
// can answer a message box (session end, suspend) the caller may leave it out.
inline constexpr std::wstring_view SaveFailedCaption = L"Pelorin";
std::wstring SaveFailedText(std::wstring_view path);

}  // namespace pelorin
