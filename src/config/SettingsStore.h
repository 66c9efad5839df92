#pragma once
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

enum class TSaveResult { Saved, WriteFailed };

// Reads the file at path (missing or unreadable reads as empty) into the model, with
// ProgrammaticChange set. Leaves CfgChanged and the export mark alone. True when the file
// holds one of the four known sections.
bool LoadSettingsFile(const std::wstring& path, const TSettingsModel& model, TScreenSize screen,
                      const TSettingsIo& io, TConfigState& state);

// Writes every setting to the file at path, replacing it, and brings the Run value in line
// with AutoRunCheck. On WriteFailed the file at path is unchanged.
TSaveResult SaveSettingsFile(const std::wstring& path, const TSettingsModel& model, const TSettingsIo& io);

// Writes Pelorin.ini (at exit, on suspend or session end when NeedsSave(), and after the
// desktop icon positions were saved). CfgChanged becomes "nothing to save" only when the file
// was written, so a failed write is tried again at the next occasion.
TSaveResult WriteIniFile(const std::wstring& iniPath, const TSettingsModel& model, const TSettingsIo& io,
                         TConfigState& state);

// The message (error icon) for a write that failed. A failure never ends Pelorin; where nobody
// can answer a message box (session end, suspend) the caller may leave it out.
inline constexpr std::wstring_view SaveFailedCaption = L"Pelorin";
std::wstring SaveFailedText(std::wstring_view path);

}  // namespace pelorin
