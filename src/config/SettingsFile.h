#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ProfileFile.h"
#include "base/Settings.h"
#include "input/CustomInputTable.h"
#include "tracked/TrackedWindowRow.h"

namespace pelorin {

// Sections of Pelorin.ini in the order they are written.
inline constexpr std::wstring_view SectionCustomInputs = L"Custom Inputs";
inline constexpr std::wstring_view SectionDesktop = L"Desktop";
inline constexpr std::wstring_view SectionTrackedWindows = L"Tracked windows";
inline constexpr std::wstring_view SectionSettings = L"Settings";
inline constexpr std::wstring_view SectionSystemSettings = L"System Settings";

// The key rule that turned the controls' captions into keys: every CR LF becomes one blank,
// every ":" goes, and every remaining character whose code modulo 256 is 10, 13 or 61 ("=")
// becomes a blank.
std::wstring EscapeSettingKey(std::wstring_view caption);

// Keys taken from captions. The captions are fixed, so these are literals; the two blanks in
// the distance key come from a line break in its caption.
inline constexpr std::wstring_view KeyDistance = L"a distance  which mouse should overcome to do the input";
inline constexpr std::wstring_view KeySpeed = L"a speed from which mouse should overcome this distance";
inline constexpr std::wstring_view KeyFixWheel = L"Fix mouse wheel malfunction";
inline constexpr std::wstring_view KeyFixDblClicks = L"Fix mouse wrong double clicks";
inline constexpr std::wstring_view KeyAutoLayout = L"Auto switch the keyboard layout";
inline constexpr std::wstring_view KeyAutoLayoutSensitivity = L"auto-switcher sensitivity";
inline constexpr std::wstring_view KeyAutoRestoreDesktop =
    L"Automatically restore the previously saved shortcuts positions on desktop";
inline constexpr std::wstring_view KeyShortcuts = L"Shortcuts";
inline constexpr std::wstring_view KeyAutoRun = L"Auto-runs at Windows start";
inline constexpr std::wstring_view KeyNotes = L"Show notifications on custom inputs";
inline constexpr std::wstring_view KeyDisableInGame = L"DisableInGame";  // the control's name
inline constexpr std::wstring_view KeyMaxUnchecked = L"Maximum count of unchecked items";
inline constexpr std::wstring_view KeyMaxMemory = L"Maximum memory for unchecked items, Mb";
inline constexpr std::wstring_view KeySaveClipboard = L"Save the data of Clipboard Manager";
inline constexpr std::wstring_view KeyCheckHooks = L"CheckHooks";

// Values a missing key gets where that is not the control's current value.
inline constexpr int AbsentAutoLayoutTrack = 6;
inline constexpr int AbsentMaxUnchecked = 100;
inline constexpr int AbsentMaxMemory = 1000;
inline constexpr int AbsentInputState = StateLoadedDefault;
inline constexpr int AbsentTrackedState = 5;
inline constexpr int ClpWinDefaultWidth = 430;
inline constexpr int ClpWinDefaultHeight = 590;

// The file allows "Command241", but row 241 would be an action code that means something
// else: the table holds row 240 at most, so the loader stops there.
inline constexpr int LoadedInputRowLimit = TCustomInputTable::MaxRowCount - 1;

struct TScreenSize {
  int Width = 0;
  int Height = 0;
};

// Everything Pelorin.ini holds, as the program keeps it.
struct TSettingsModel {
  Settings& Cfg;
  TCustomInputTable& Inputs;
  std::vector<TTrackedWindowRow>& TrackedWindows;
};

// "Keys" values: the record's bytes as upper-case hexadecimal, two digits per byte.
std::wstring ChordRecordToHex(const TKeyChordRecord& record);
// The record of a "Keys" value. Pairs of hexadecimal digits (either case) are read from the
// start up to the first pair that is not one, so an odd last digit or a stray character ends
// the bytes. The first byte n is the number of keys: a record needs n from 1 to 16 and at
// least 2n + 1 bytes, whose first 2n + 1 it takes. Anything else gives no record.
std::optional<TKeyChordRecord> ChordRecordFromHex(std::wstring_view hex);

// "Window" values: the three cell texts, each followed by "&&".
std::wstring JoinWindowValue(const TTrackedWindowRow& row);
// Cell k is the text before the first "&&" left, taken away with it. When no "&&" is left the
// cell is the rest, less a lone "&" at its end, which is half a separator cut off by the length
// limit; so no cell read ends with "&" and every row read is written back the same.
void SplitWindowValue(std::wstring_view value, TTrackedWindowRow& row);

// How a value is written so that the profile reader gives it back. Line breaks and
// character 0, which no line can hold, become blanks. A value the reader would change (blanks
// at either end, or the same quotation mark at both ends) is put in double quotation marks,
// which the reader takes off again; one of exactly 2047 characters gets a second closing mark,
// since the reader would otherwise drop its last character with the closing mark. Anything
// longer than 2047 characters reads back as its first 2047 in any case.
std::wstring ProtectSettingValue(std::wstring_view value);

// Reads the settings into the model: both tables are replaced, every other setting takes the
// file's value, clamped to its control's range, or its default when the key is missing. The
// screen size gives the defaults of the window positions. True when the file holds one of the
// sections "Custom Inputs", "Desktop", "Tracked windows", "Settings".
bool LoadSettings(const TProfileFile& file, const TSettingsModel& model, TScreenSize screen);

// The whole text of Pelorin.ini: every section and key in order, lines ended by CR LF, " = "
// between key and value, an empty line after each section.
std::wstring SaveSettings(const TSettingsModel& model);

}  // namespace pelorin
