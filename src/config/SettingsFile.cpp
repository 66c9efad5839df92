#include "config/SettingsFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace pelorin {
namespace {

// "Command12" and the like without a heap allocation: a load asks for hundreds of them.
class Numbered {
 public:
  template <size_t N>
  Numbered(const wchar_t (&key)[N], int n) : Length(N - 1) {
    static_assert(N - 1 + 10 <= sizeof(Text) / sizeof(wchar_t), "room for the key and any int");
    std::copy_n(key, N - 1, Text);
    wchar_t digits[10];
    size_t count = 0;
    auto u = static_cast<unsigned>(n);  // the rows and columns count from 0 up
    do {
      digits[count++] = static_cast<wchar_t>(L'0' + u % 10);
      u /= 10;
    } while (u != 0);
    while (count > 0) Text[Length++] = digits[--count];
  }
  operator std::wstring_view() const { return {Text, Length}; }

 private:
  wchar_t Text[32];
  size_t Length;
};

// (a - b) div 2 without overflow for any stored width.
int HalfDifference(int a, int b) { return static_cast<int>((static_cast<int64_t>(a) - b) / 2); }

// Collects the text one section at a time.
class TIniText {
 public:
  TIniText() { Text.reserve(4096); }  // a file with no tables is about 900 characters
  void Section(std::wstring_view name) {
    Text += L'[';
    Text += name;
    Text += L"]\r\n";
  }
  // " = " after the key only: a "=" inside the value stays as it is.
  void Value(std::wstring_view key, std::wstring_view value) {
    Text += key;
    Text += L" = ";
    Text += ProtectSettingValue(value);
    Text += L"\r\n";
  }
  void Value(std::wstring_view key, int value) { Value(key, std::to_wstring(value)); }
  void Value(std::wstring_view key, bool value) { Value(key, std::wstring_view(value ? L"1" : L"0")); }
  void Value(std::wstring_view key, const wchar_t* value) = delete;  // would pick the bool
  void EndSection() { Text += L"\r\n"; }

  std::wstring Text;
};

}  // namespace

std::wstring EscapeSettingKey(std::wstring_view caption) {
  std::wstring key;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'\r' && i + 1 < caption.size() && caption[i + 1] == L'\n') {
      key += L' ';
      ++i;
    } else if (caption[i] != L':') {
      key += caption[i];
    }
  }
  for (wchar_t& c : key) {
    uint32_t low = static_cast<uint32_t>(c) & 0xFF;
    if (low == 10 || low == 13 || low == 61) c = L' ';
  }
  return key;
}

std::wstring ChordRecordToHex(const TKeyChordRecord& record) {
  static constexpr wchar_t Digits[] = L"0123456789ABCDEF";
  std::wstring hex;
  for (uint8_t b : record.Bytes()) {
    hex += Digits[b >> 4];
    hex += Digits[b & 0x0F];
  }
  return hex;
}

std::optional<TKeyChordRecord> ChordRecordFromHex(std::wstring_view hex) {
  auto digit = [](wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
  };
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) break;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  if (bytes.empty()) return std::nullopt;
  size_t length = 2 * size_t{bytes[0]} + 1;
  if (bytes[0] == 0 || bytes[0] > TKeyChordRecord::MaxKeys || bytes.size() < length) return std::nullopt;
  return TKeyChordRecord::FromBytes(std::span<const uint8_t>(bytes.data(), length));
}

std::wstring JoinWindowValue(const TTrackedWindowRow& row) {
  return row.Title + L"&&" + row.InnerText + L"&&" + row.ClickAt + L"&&";
}

void SplitWindowValue(std::wstring_view value, TTrackedWindowRow& row) {
  std::wstring* cells[] = {&row.Title, &row.InnerText, &row.ClickAt};
  for (std::wstring* cell : cells) {
    size_t separator = value.find(L"&&");
    if (separator != std::wstring_view::npos) {
      *cell = value.substr(0, separator);
      value.remove_prefix(separator + 2);
    } else {
      if (value.ends_with(L'&')) value.remove_suffix(1);
      *cell = value;
      value = {};
    }
  }
}

std::wstring ProtectSettingValue(std::wstring_view value) {
  std::wstring text(value);
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n' || c == L'\0') c = L' ';
  if (text.empty()) return text;
  bool quoted = text.size() >= 2 && (text.front() == L'"' || text.front() == L'\'') && text.back() == text.front();
  if (!quoted && !IsProfileBlank(text.front()) && !IsProfileBlank(text.back())) return text;
  bool exactlyFull = text.size() == TProfileFile::ValueBufferChars - 1;
  return L"\"" + text + (exactlyFull ? L"\"\"" : L"\"");
}

bool LoadSettings(const TProfileFile& file, const TSettingsModel& model, TScreenSize screen) {
  bool known = file.SectionExists(SectionCustomInputs) || file.SectionExists(SectionDesktop) ||
               file.SectionExists(SectionTrackedWindows) || file.SectionExists(SectionSettings);
  Settings& s = model.Cfg;
  constexpr std::wstring_view Inputs = SectionCustomInputs, System = SectionSystemSettings;
  auto readString = [&](std::wstring_view section, std::wstring_view key) {
    return file.ReadString(section, key).value_or(std::wstring());
  };

  // The custom input table.
  model.Inputs.Clear();
  for (int c = 0; c < MainGridColumns; ++c)
    s.MainGridColWidths[c] = file.ReadInteger(System, Numbered(L"MainGridColWidth", c), s.MainGridColWidths[c]);
  for (int i = 1; i <= LoadedInputRowLimit; ++i) {
    std::wstring command = readString(Inputs, Numbered(L"Command", i));
    if (command.empty()) break;
    std::optional<TKeyChordRecord> keys = ChordRecordFromHex(readString(Inputs, Numbered(L"Keys", i)));
    std::wstring input = readString(Inputs, Numbered(L"Input", i));
    int state = file.ReadInteger(Inputs, Numbered(L"InputState", i), AbsentInputState);
    model.Inputs.AddRow(command, keys, input, state);
  }

  s.DistTrack = DistRange.Clamp(file.ReadInteger(Inputs, KeyDistance, s.DistTrack));
  s.SpeedTrack = SpeedRange.Clamp(file.ReadInteger(Inputs, KeySpeed, s.SpeedTrack));
  s.FixWheelCheck = file.ReadBool(Inputs, KeyFixWheel, s.FixWheelCheck);
  s.FixDblClicksCheck = file.ReadBool(Inputs, KeyFixDblClicks, s.FixDblClicksCheck);
  s.AutoLayoutCheck = file.ReadBool(Inputs, KeyAutoLayout, s.AutoLayoutCheck);
  s.AutoLayoutTrack = AutoLayoutRange.Clamp(file.ReadInteger(Inputs, KeyAutoLayoutSensitivity, AbsentAutoLayoutTrack));

  s.AutoRestoreDesktopCheck = file.ReadBool(SectionDesktop, KeyAutoRestoreDesktop, s.AutoRestoreDesktopCheck);
  s.IconPositions = readString(SectionDesktop, KeyShortcuts);

  // The tracked windows: a present but empty "Window" value still makes a row.
  model.TrackedWindows.clear();
  for (int c = 0; c < WinGridColumns; ++c)
    s.WinGridColWidths[c] = file.ReadInteger(System, Numbered(L"WinGridColWidth", c), s.WinGridColWidths[c]);
  for (int j = 1; file.KeyExists(SectionTrackedWindows, Numbered(L"Window", j)); ++j) {
    TTrackedWindowRow row;
    SplitWindowValue(readString(SectionTrackedWindows, Numbered(L"Window", j)), row);
    row.State = file.ReadInteger(SectionTrackedWindows, Numbered(L"State", j), AbsentTrackedState);
    row.WinSize = file.ReadBool(SectionTrackedWindows, Numbered(L"WinSize", j), false);
    row.IsButton = file.ReadBool(SectionTrackedWindows, Numbered(L"IsButton", j), true);
    model.TrackedWindows.push_back(std::move(row));
  }

  s.AutoRunCheck = file.ReadBool(SectionSettings, KeyAutoRun, true);
  s.NoteCheck = file.ReadBool(SectionSettings, KeyNotes, true);
  s.DisableInGame = file.ReadBool(SectionSettings, KeyDisableInGame, true);
  s.MaxUncheckedEdit = MaxUncheckedRange.Clamp(file.ReadInteger(SectionSettings, KeyMaxUnchecked, AbsentMaxUnchecked));
  s.MaxMemoryEdit = MaxMemoryRange.Clamp(file.ReadInteger(SectionSettings, KeyMaxMemory, AbsentMaxMemory));
  s.SaveClipboardCheck = file.ReadBool(SectionSettings, KeySaveClipboard, false);
  s.HooksCheck = file.ReadBool(System, KeyCheckHooks, true);

  // Left and Top centre the window at its size before Width and Height are read.
  s.Left = file.ReadInteger(System, L"Left", HalfDifference(screen.Width, s.Width));
  s.Top = file.ReadInteger(System, L"Top", HalfDifference(screen.Height, s.Height));
  s.Width = file.ReadInteger(System, L"Width", s.Width);
  s.Height = file.ReadInteger(System, L"Height", s.Height);

  s.ClpWinLeft = file.ReadInteger(System, L"ClpWinLeft", HalfDifference(screen.Width, ClpWinDefaultWidth));
  s.ClpWinTop = file.ReadInteger(System, L"ClpWinTop", HalfDifference(screen.Height, ClpWinDefaultHeight));
  s.ClpWinWidth = file.ReadInteger(System, L"ClpWinWidth", ClpWinDefaultWidth);
  s.ClpWinHeight = file.ReadInteger(System, L"ClpWinHeight", ClpWinDefaultHeight);
  s.ClpZoomWinLeft = file.ReadInteger(System, L"ClpZoomWinLeft", s.ClpWinLeft);
  s.ClpZoomWinTop = file.ReadInteger(System, L"ClpZoomWinTop", s.ClpWinTop);
  s.ClpZoomWinWidth = file.ReadInteger(System, L"ClpZoomWinWidth", s.ClpWinWidth);
  s.ClpZoomWinHeight = file.ReadInteger(System, L"ClpZoomWinHeight", s.ClpWinHeight);
  return known;
}

std::wstring SaveSettings(const TSettingsModel& model) {
  const Settings& s = model.Cfg;
  const TCustomInputTable& table = model.Inputs;
  TIniText ini;

  ini.Section(SectionCustomInputs);
  if (!table.GetCell(0, 1).empty()) {
    for (int i = 1; i < table.RowCount(); ++i) {
      ini.Value(Numbered(L"Command", i), table.GetCell(0, i));
      if (table.Keys(i)) ini.Value(Numbered(L"Keys", i), ChordRecordToHex(*table.Keys(i)));
      ini.Value(Numbered(L"Input", i), table.GetCell(1, i));
      ini.Value(Numbered(L"InputState", i), table.InputState(i));
    }
  }
  ini.Value(KeyDistance, s.DistTrack);
  ini.Value(KeySpeed, s.SpeedTrack);
  ini.Value(KeyFixWheel, s.FixWheelCheck);
  ini.Value(KeyFixDblClicks, s.FixDblClicksCheck);
  ini.Value(KeyAutoLayout, s.AutoLayoutCheck);
  ini.Value(KeyAutoLayoutSensitivity, s.AutoLayoutTrack);
  ini.EndSection();

  if (s.AutoRestoreDesktopCheck || !s.IconPositions.empty()) {
    ini.Section(SectionDesktop);
    if (s.AutoRestoreDesktopCheck) ini.Value(KeyAutoRestoreDesktop, true);
    if (!s.IconPositions.empty()) ini.Value(KeyShortcuts, s.IconPositions);
    ini.EndSection();
  }

  // The grid marks an empty table by a first row without a title; the vector has no such row,
  // so any row is written and a first row whose title is empty is not lost.
  if (!model.TrackedWindows.empty()) {
    ini.Section(SectionTrackedWindows);
    int j = 0;
    for (const TTrackedWindowRow& row : model.TrackedWindows) {
      ++j;
      ini.Value(Numbered(L"Window", j), JoinWindowValue(row));
      ini.Value(Numbered(L"State", j), row.State);
      ini.Value(Numbered(L"WinSize", j), row.WinSize);
      ini.Value(Numbered(L"IsButton", j), row.IsButton);
    }
    ini.EndSection();
  }

  ini.Section(SectionSettings);
  ini.Value(KeyAutoRun, s.AutoRunCheck);
  ini.Value(KeyNotes, s.NoteCheck);
  ini.Value(KeyDisableInGame, s.DisableInGame);
  ini.Value(KeyMaxUnchecked, s.MaxUncheckedEdit);
  ini.Value(KeyMaxMemory, s.MaxMemoryEdit);
  ini.Value(KeySaveClipboard, s.SaveClipboardCheck);
  ini.EndSection();

  ini.Section(SectionSystemSettings);
  ini.Value(KeyCheckHooks, s.HooksCheck);
  ini.Value(L"Left", s.Left);
  ini.Value(L"Top", s.Top);
  ini.Value(L"Width", s.Width);
  ini.Value(L"Height", s.Height);
  for (int c = 0; c < MainGridColumns; ++c) ini.Value(Numbered(L"MainGridColWidth", c), s.MainGridColWidths[c]);
  for (int c = 0; c < WinGridColumns; ++c) ini.Value(Numbered(L"WinGridColWidth", c), s.WinGridColWidths[c]);
  ini.Value(L"ClpWinLeft", s.ClpWinLeft);
  ini.Value(L"ClpWinTop", s.ClpWinTop);
  ini.Value(L"ClpWinWidth", s.ClpWinWidth);
  ini.Value(L"ClpWinHeight", s.ClpWinHeight);
  ini.Value(L"ClpZoomWinLeft", s.ClpZoomWinLeft);
  ini.Value(L"ClpZoomWinTop", s.ClpZoomWinTop);
  ini.Value(L"ClpZoomWinWidth", s.ClpZoomWinWidth);
  ini.Value(L"ClpZoomWinHeight", s.ClpZoomWinHeight);
  ini.EndSection();
  return std::move(ini.Text);
}

}  // namespace pelorin
