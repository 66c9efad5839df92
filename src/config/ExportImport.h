#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/SettingsFollowers.h"
#include "config/SettingsStore.h"

namespace pelorin {

// Message-box icons, the platform's flag values.
enum class TMsgIcon : int { Error = 16, Question = 32, Warning = 48, Information = 64 };

// The dialogs of the Export and Import buttons. Messages go through the program's MsgBox.
struct SettingsDialogPort {
  virtual ~SettingsDialogPort() = default;
  // A Yes/No question with the question icon (MsgBox flags 36); true for Yes.
  virtual bool AskYesNo(std::wstring_view text, std::wstring_view caption) = 0;
  // The save dialog, proposing fileName, with filter "Name|pattern|Name|pattern", not asking
  // before overwriting; nothing when cancelled.
  virtual std::optional<std::wstring> ChooseSaveFile(std::wstring_view title, std::wstring_view fileName,
                                                     std::wstring_view filter) = 0;
  // The open dialog, likewise; the file must exist.
  virtual std::optional<std::wstring> ChooseOpenFile(std::wstring_view title, std::wstring_view fileName,
                                                     std::wstring_view filter) = 0;
  virtual void ShowMessage(std::wstring_view text, std::wstring_view caption, TMsgIcon icon) = 0;
};

// Texts. The dialog titles are the buttons' design captions ("Export ", "Import ") + "Settings",
// and the buttons then show the titles + "...".
inline constexpr std::wstring_view SettingsFileName = L"Pelorin.ini";
inline constexpr std::wstring_view SettingsFileFilter = L"Ini files (*.ini)|*.ini|All files (*.*)|*.*";
inline constexpr std::wstring_view ExportTitle = L"Export Settings";
inline constexpr std::wstring_view ImportTitle = L"Import Settings";
inline constexpr std::wstring_view ExportButtonCaption = L"Export Settings...";
inline constexpr std::wstring_view ImportButtonCaption = L"Import Settings...";
inline constexpr std::wstring_view ImportQuestionCaption = L"Recommended to export current settings first";
// A lone carriage return between the two sentences, as the message box shows it.
inline constexpr std::wstring_view ImportQuestionText =
    L"After the import all current settings will be changed. At first, it`s recommended to save the current "
    L"settings by using an \"Export Settings...\" button.\rDo you want to continue the import?";
inline constexpr std::wstring_view ExportedText = L"Settings have been saved";
inline constexpr std::wstring_view ImportedText = L"Settings have been loaded";
// An Import whose file is there but cannot be read changes nothing (error icon).
std::wstring ImportUnreadableText(std::wstring_view path);

// What the two buttons work on.
struct TSettingsCommands {
  TSettingsModel Model;
  const TSettingsIo& Io;
  TConfigState& State;
  SettingsDialogPort& Dialogs;
  // What follows the settings; an Import brings it up to date. None in tests of the dialogs.
  const TSettingsFollowers* Followers = nullptr;
};

// Export (SaveCfgClick): saves to the chosen file, Run value included, and marks the settings
// as exported. Pelorin.ini is not written, so CfgChanged stays. A failed write shows the error
// and leaves the mark.
void SaveCfgClick(const TSettingsCommands& commands);

// Import (LoadCfgClick): asks first while the settings are not exported or have unsaved
// changes, then loads the chosen file, recomputes what follows the settings and marks them
// changed, so Pelorin.ini is rewritten at exit. `showLoaded` brings the controls up to date;
// it runs with ProgrammaticChange set, before the final message. A file that cannot be read
// changes nothing and is reported as an error.
void LoadCfgClick(const TSettingsCommands& commands, TScreenSize screen, const std::function<void()>& showLoaded);

}  // namespace pelorin
