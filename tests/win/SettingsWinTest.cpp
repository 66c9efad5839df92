// The settings file's Win32 side: the portable reader against the real GetPrivateProfileStringW
// on a corpus of awkward files, the ANSI conversion, the write that keeps the old file, and the
// Run value in the registry of the test's own prefix.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "config/ProfileFile.h"
#include "config/SettingsStore.h"
#include "config/win/AnsiCodePageWin.h"
#include "config/win/AutoRunWin.h"
#include "config/win/FilePortWin.h"
#include "common/win/Owned.h"

namespace pelorin::test {
namespace {

std::string Narrow(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[12];
      std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  TOwnedFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  DWORD written = 0;
  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  file.Reset();
  ASSERT_EQ(written, bytes.size());
}

std::string ReadBytes(const std::wstring& path) {
  TWinFilePort files;
  return files.ReadWholeFile(path).Bytes;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The entries of a zero-separated list up to its first empty one, as any reader of the list
// takes them.
std::vector<std::wstring> SplitList(const wchar_t* buffer, int length) {
  std::vector<std::wstring> items;
  for (int i = 0; i < length && buffer[i] != L'\0';) {
    std::wstring item(buffer + i);
    i += static_cast<int>(item.size()) + 1;
    items.push_back(item);
  }
  return items;
}

constexpr wchar_t AbsentMark[] = L"\x01-absent-\x01";

std::optional<std::wstring> RealRead(const std::wstring& path, const std::wstring& section, const std::wstring& key) {
  std::vector<wchar_t> buffer(TProfileFile::ValueBufferChars);
  int length = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), AbsentMark, buffer.data(),
                                          static_cast<DWORD>(buffer.size()), path.c_str());
  std::wstring value(buffer.data(), length);
  if (value == AbsentMark) return std::nullopt;
  return value;
}

std::vector<std::wstring> RealSectionNames(const std::wstring& path) {
  std::vector<wchar_t> buffer(1 << 16);
  int length = ::GetPrivateProfileStringW(nullptr, nullptr, L"", buffer.data(), static_cast<DWORD>(buffer.size()),
                                          path.c_str());
  return SplitList(buffer.data(), length);
}

std::vector<std::wstring> RealKeyNames(const std::wstring& path, const std::wstring& section) {
  std::vector<wchar_t> buffer(1 << 16);
  int length = ::GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer.data(),
                                          static_cast<DWORD>(buffer.size()), path.c_str());
  return SplitList(buffer.data(), length);
}

std::wstring AsciiCase(std::wstring text, bool upper) {
  for (wchar_t& c : text) {
    if (upper && c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    if (!upper && c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  }
  return text;
}

// The other case of the accented Latin-1 letters only.
std::wstring LatinCaseSwapped(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
      c = static_cast<wchar_t>(c + 32);
    else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
      c = static_cast<wchar_t>(c - 32);
  }
  return text;
}

bool AsciiEqualNoCase(const std::wstring& a, const std::wstring& b) {
  return AsciiCase(a, false) == AsciiCase(b, false);
}

// Names to ask for: every name standing in the file as the real call reports it, or as a line
// shows it before its "=", in three letter cases, padded, and some that are not there.
std::set<std::wstring> ProbeNames(std::vector<std::wstring> names) {
  std::set<std::wstring> probes{L"Missing", L"Command1", L"Window1"};
  for (const std::wstring& n : names) {
    std::wstring name(n.c_str());  // the call takes names up to their character 0
    if (name.empty()) continue;
    probes.insert({name, AsciiCase(name, true), AsciiCase(name, false), LatinCaseSwapped(name), L" " + name + L"\t"});
  }
  return probes;
}

std::vector<std::wstring> LineNames(std::wstring_view text) {
  std::vector<std::wstring> names;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring_view line = text.substr(pos, end - pos);
    line = line.substr(0, line.find(L'='));
    while (!line.empty() && IsProfileBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsProfileBlank(line.back())) line.remove_suffix(1);
    names.emplace_back(line);
    pos = end + 1;
  }
  return names;
}

struct TCorpusFile {
  const char* Name;
  std::string Bytes;
};

std::string Ansi(std::wstring_view text) { return TSystemAnsiCodePage().ToAnsi(text); }

// A file Pelorin itself writes, with values the reader would change unless protected.
std::string WrittenByPelorin() {
  Settings cfg;
  cfg.IconPositions = L"|Caf\u00E9 = menu|10|20|  padded  |1|2";
  TCustomInputTable inputs;
  const uint8_t vk[] = {0xA2, 0x43}, scan[] = {0x1D, 0x2E};
  inputs.AddRow(L"\"C:\\Program Files\\Ed\\ed.exe\" /a=1 \"C:\\Zo\u00EB\\n.txt\"", std::nullopt, L"Left Alt + Q", 6);
  inputs.AddRow(L"Left Ctrl + C", TKeyChordRecord::FromKeys(vk, scan), L"Mouse button 4 click", 0);
  inputs.AddRow(L"  spaced  ", std::nullopt, L"'quoted'", 5);
  inputs.AddRow(L"\"" + std::wstring(2045, L'q') + L"\"", std::nullopt, L" " + std::wstring(2046, L'w'), 5);
  std::vector<TTrackedWindowRow> tracked{{L"Save as", L"[*].txt", L"Yes"}, {L" Confirm = ", L"", L"1x2", 0, false, false}};
  return Ansi(SaveSettings({cfg, inputs, tracked}));
}

std::vector<TCorpusFile> Corpus() {
  const std::wstring a2046(2046, L'a');
  return {
      {"odd spacing",
       Ansi(L"  [ Custom Inputs ]  \r\n  Command1   =   Sleep   \r\n\tInput1\t=\tMiddle mouse button click\t\r\n"
            L"InputState1=6\r\n a distance  which mouse should overcome to do the input =60\r\nx = \x0B\x0C\x1A"
            L"v\x1A\r\n")},
      {"duplicate keys and sections",
       Ansi(L"[Settings]\r\nDisableInGame=0\r\nDisableInGame=1\r\n[settings]\r\nNoteCheck=1\r\n[Desktop]\r\n"
            L"Shortcuts=|a|1|2\r\n[SETTINGS]\r\nAuto-runs at Windows start=0\r\nk\r\nk=2\r\n")},
      {"case", Ansi(L"[cUSTOM iNPUTS]\r\ncommand1=Sleep\r\nKEYS1=02a2431d2e\r\n[\u00C4rger]\r\n\u00E9t\u00E9=1\r\n")},
      {"long values",
       Ansi(L"[S]\r\nlong=" + std::wstring(3000, L'x') + L"\r\nfit=" + a2046 + L"b\r\nover=" + a2046 + L"bc\r\n" +
            L"q2047=\"" + a2046 + L"\"\r\nq2048=\"" + a2046 + L"b\"\r\nq2049=\"" + a2046 + L"bc\"\r\nq2047x=\"" +
            a2046 + L"b\"\"\r\n" + std::wstring(3000, L'K') + L"=long key\r\n")},
      {"equals inside values",
       Ansi(L"[Custom Inputs]\r\nCommand1 = cmd /c set a=b && echo c==d\r\n==\r\nk==v=\r\n[Tracked windows]\r\n"
            L"Window1=Title = x&&y=z&&&&\r\n")},
      {"missing sections", Ansi(L"Command1=x\r\n[Other]\r\nk=v\r\n[]\r\nCommand1=y\r\n")},
      {"numbers", Ansi(L"[System Settings]\r\nLeft=0x1F\r\nTop=$ff\r\nWidth=-5\r\nHeight= 12abc\r\nClpWinLeft= 0x1F \r\n")},
      {"quotes",
       Ansi(L"[S]\r\na=\"abc\"\r\nb='abc'\r\nc=\"abc'\r\nd=\"\r\ne=\"\"\r\nf=\"a\"b\"\r\ng= \" x \" \r\nh=\"abc\r\n"
            L"i=abc\"\r\nj=\"\"\"\r\nk= '' \r\nl='\r\nm=\"C:\\a b\\x.exe\" -q \"y\"\r\n")},
      {"comments", Ansi(L";top\r\n[S]\r\n;Command1=x\r\nCommand1=y\r\n# c=d\r\n ; e=f\r\n")},
      {"brackets", Ansi(L"[S\r\nk=1\r\n[T] junk\r\nk=2\r\n[a]b]\r\nk=3\r\n[U]=x\r\nk=4\r\n[ Q  ] tail ] end\r\nk=5\r\n")},
      {"CR only", Ansi(L"[S]\rA=1\rB = two \r\r[T]\rC=3\r")},
      {"LF only", Ansi(L"[S]\nA=1\nB = two \n\n[T]\nC=3\n")},
      {"no line end at the end", Ansi(L"[S]\r\nA=1\r\nB=last")},
      {"blank lines inside sections", Ansi(L"[S]\r\n\r\n   \r\nA=1\r\n\t\r\n\r\nB=2\r\n\r\n")},
      {"empty names", Ansi(L"[S]\r\n=x\r\nk=1\r\n[T]\r\nk=1\r\n  =  y \r\nm=2\r\n")},
      {"characters 0", std::string("[S]\r\nA=ab\0cd\r\nB\0x=1\r\n\0z\r\n=x\r\nk=1\r\n[T\0U]\r\nk=2\r\n[V \0]\r\nk=3\r\n", 64)},
      {"blank-like characters", "[S]\r\nA=x\xA0\r\nB=\xA0y\r\nC=\x1Cv\x1F\r\n\xA0K=1\r\n"},
      {"Windows-1252 letters", "[S]\r\nk=\x80\x81\x8D\x9F\xE9\xFF\r\n\xC9t\xE9=\xDC\r\n"},
      {"UTF-8 mark", "\xEF\xBB\xBF[S]\r\nA=\xC3\xA9\xE2\x82\xAC\r\nB=x\xC3y\xE9\x80z\r\n"},
      // Ends with a line end: without one, Wine 8 reads past the end of a UTF-16 file.
      {"UTF-16 LE mark", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0A\0=\0\xE9\0\xAC\x20\r\0\n\0", 24)},
      {"empty file", ""},
      {"sections without keys", Ansi(L"[S]\r\n[T]\r\n[S]\r\nk=1\r\n")},
      {"written by Pelorin", WrittenByPelorin()},
  };
}

TEST(SettingsReader, AnswersLikeGetPrivateProfileStringOnAwkwardFiles) {
  TTempFolder folder(L"PelorinSettings");
  TSystemAnsiCodePage ansi;
  int compared = 0, n = 0;
  for (const TCorpusFile& c : Corpus()) {
    std::wstring path = folder.Path + L"corpus" + std::to_wstring(++n) + L".ini";
    WriteBytes(path, c.Bytes);
    std::wstring text = DecodeProfileText(c.Bytes, ansi);
    TProfileFile ours(text);

    std::vector<std::wstring> sections = RealSectionNames(path);
    EXPECT_EQ(ours.SectionNames(), sections) << c.Name;
    sections.push_back(L"");
    std::vector<std::wstring> lineNames = LineNames(text);
    for (const std::wstring& section : ProbeNames(sections)) {
      std::vector<std::wstring> realKeys = RealKeyNames(path, section);
      EXPECT_EQ(ours.KeyNames(section), realKeys) << c.Name << " [" << Narrow(section) << "]";
      std::vector<std::wstring> keys = lineNames;
      keys.insert(keys.end(), realKeys.begin(), realKeys.end());
      for (const std::wstring& key : ProbeNames(keys)) {
        std::optional<std::wstring> real = RealRead(path, section, key);
        std::optional<std::wstring> mine = ours.ReadString(section, key);
        ++compared;
        bool listed = false;
        for (const std::wstring& k : realKeys) listed = listed || AsciiEqualNoCase(k, key);
        EXPECT_EQ(ours.KeyExists(section, key), listed) << c.Name << " [" << Narrow(section) << "] " << Narrow(key);
        EXPECT_EQ(mine, real) << c.Name << " [" << Narrow(section) << "] " << Narrow(key.substr(0, 40)) << ": ours "
                              << (mine ? Narrow(mine->substr(0, 60)) : "absent") << ", real "
                              << (real ? Narrow(real->substr(0, 60)) : "absent");
      }
    }
  }
  RecordProperty("ValuesCompared", compared);
  EXPECT_GT(compared, 1000);
}

TEST(SettingsReader, PelorinsOwnFileReadsBackTheSameThroughTheRealCall) {
  TTempFolder folder(L"PelorinSettings");
  std::wstring path = folder.Path + L"Pelorin.ini";
  WriteBytes(path, WrittenByPelorin());
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"Command1"),
            L"\"C:\\Program Files\\Ed\\ed.exe\" /a=1 \"C:\\Zo\u00EB\\n.txt\"");
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"Command3"), L"  spaced  ");
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"Input3"), L"'quoted'");
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"Command4"), L"\"" + std::wstring(2045, L'q') + L"\"");
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"Input4"), L" " + std::wstring(2046, L'w'));
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"Keys2"), L"02A2431D2E");
  EXPECT_EQ(RealRead(path, L"Desktop", L"Shortcuts"), L"|Caf\u00E9 = menu|10|20|  padded  |1|2");
  EXPECT_EQ(RealRead(path, L"Tracked windows", L"Window2"), L" Confirm = &&&&1x2&&");
  EXPECT_EQ(RealRead(path, L"Custom Inputs", L"a distance  which mouse should overcome to do the input"), L"45");
}

TEST(SettingsAnsi, SystemConversionAgreesWithThePortableOneAndNeverGuesses) {
  TSystemAnsiCodePage system;
  ASSERT_EQ(::GetACP(), 1252u) << "the test prefix runs with the Western code page";
  TWindows1252 portable;
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(system.FromAnsi(all), portable.FromAnsi(all));
  EXPECT_EQ(system.ToAnsi(system.FromAnsi(all)), all);
  // Without best fit: A-macron does not turn into A.
  EXPECT_EQ(system.ToAnsi(L"x\u0100\u4E00\u20AC"), "x??\x80");
  EXPECT_EQ(system.ToAnsi(L"x\u0100\u4E00\u20AC"), portable.ToAnsi(L"x\u0100\u4E00\u20AC"));
  EXPECT_EQ(system.ToAnsi(L""), "");
  EXPECT_EQ(system.FromAnsi(""), L"");
}

TEST(SettingsFileWrite, ReplacesTheFileAndLeavesNoTemporary) {
  TTempFolder folder(L"PelorinSettings");
  TWinFilePort files;
  std::wstring path = folder.Path + L"Pelorin.ini";
  EXPECT_EQ(files.ReadWholeFile(path).State, TFileBytes::TState::Missing);
  ASSERT_TRUE(files.WriteReplace(path, "first"));
  EXPECT_EQ(ReadBytes(path), "first");
  ASSERT_TRUE(files.WriteReplace(path, std::string(100000, 'z')));
  EXPECT_EQ(ReadBytes(path), std::string(100000, 'z'));
  EXPECT_FALSE(Exists(path + L".tmp"));
  EXPECT_EQ(files.ReadWholeFile(folder.Path).State, TFileBytes::TState::Unreadable) << "a folder is no file";
}

// "Missing" and "present but unreadable" are different answers: a file held by another
// program with no sharing at all must never be taken for an empty one.
TEST(SettingsFileRead, AFileHeldWithNoSharingIsUnreadableNotMissing) {
  TTempFolder folder(L"PelorinSettings");
  TWinFilePort files;
  std::wstring path = folder.Path + L"Pelorin.ini";
  WriteBytes(path, "[Settings]\r\n");
  EXPECT_EQ(files.ReadWholeFile(folder.Path + L"Other.ini").State, TFileBytes::TState::Missing);
  EXPECT_EQ(files.ReadWholeFile(folder.Path + L"no such folder\\Pelorin.ini").State, TFileBytes::TState::Missing);
  {
    TOwnedFile held(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    TFileBytes read = files.ReadWholeFile(path);
    EXPECT_EQ(read.State, TFileBytes::TState::Unreadable);
    EXPECT_EQ(read.Bytes, "");
  }
  TFileBytes read = files.ReadWholeFile(path);
  EXPECT_EQ(read.State, TFileBytes::TState::Read);
  EXPECT_EQ(read.Bytes, "[Settings]\r\n");
}

TEST(SettingsFileWrite, FailedWriteKeepsTheOldFileByteForByte) {
  TTempFolder folder(L"PelorinSettings");
  TWinFilePort files;
  std::wstring path = folder.Path + L"Pelorin.ini";
  const std::string good = "[Settings]\r\nDisableInGame = 0\r\n\r\n";
  WriteBytes(path, good);

  // The temporary cannot be created: its name is taken by a folder, which stays.
  ASSERT_TRUE(::CreateDirectoryW((path + L".tmp").c_str(), nullptr));
  EXPECT_FALSE(files.WriteReplace(path, "new"));
  EXPECT_EQ(ReadBytes(path), good);
  EXPECT_TRUE(::GetFileAttributesW((path + L".tmp").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(::RemoveDirectoryW((path + L".tmp").c_str()));

  // The file cannot be replaced: another program holds it open without sharing deletion.
  TOwnedFile held(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  EXPECT_FALSE(files.WriteReplace(path, "new"));
  held.Reset();
  EXPECT_EQ(ReadBytes(path), good);
  EXPECT_FALSE(Exists(path + L".tmp")) << "the temporary is deleted";

  // The folder is gone.
  EXPECT_FALSE(files.WriteReplace(folder.Path + L"no such folder\\Pelorin.ini", "new"));
  EXPECT_TRUE(files.WriteReplace(path, "new")) << "and it works again once nothing is in the way";
  EXPECT_EQ(ReadBytes(path), "new");
}

TEST(SettingsFileWrite, SaveAndLoadThroughTheRealPortsGiveTheSameModel) {
  TTempFolder folder(L"PelorinSettings");
  TWinFilePort files;
  TSystemAnsiCodePage ansi;
  struct NoRegistry : AutoRunPort {
    TRunValue ReadRunValue() override { return {}; }
    void WriteRunValue(std::wstring_view) override {}
    void DeleteRunValue() override {}
  } registry;
  TSettingsIo io{files, ansi, registry, L"unused"};
  TConfigState state;

  Settings cfg;
  cfg.DistTrack = 33;
  cfg.IconPositions = L"|Caf\u00E9|1|2";
  TCustomInputTable inputs;
  inputs.AddRow(L"cmd /c echo a=b", std::nullopt, L"Mouse button 5 click", 6);
  std::vector<TTrackedWindowRow> tracked{{L"Save as", L"[*].txt", L"Yes"}};
  std::wstring path = folder.Path + L"Pelorin.ini";
  ASSERT_EQ(SaveSettingsFile(path, {cfg, inputs, tracked}, io), TSaveResult::Saved);

  Settings loadedCfg;
  TCustomInputTable loadedInputs;
  std::vector<TTrackedWindowRow> loadedTracked;
  EXPECT_TRUE(LoadSettingsFile(path, {loadedCfg, loadedInputs, loadedTracked}, {1920, 1080}, io, state).KnownSections);
  EXPECT_EQ(loadedCfg.DistTrack, 33);
  EXPECT_EQ(loadedCfg.IconPositions, cfg.IconPositions);
  EXPECT_EQ(loadedInputs.GetCell(0, 1), L"cmd /c echo a=b");
  EXPECT_EQ(loadedInputs.InputState(1), 6);
  EXPECT_EQ(loadedTracked, tracked);
}

// The value lives in the prefix's registry: wineboot would start it at the next boot, so every
// test leaves it removed.
class SettingsRunKey : public ::testing::Test {
 protected:
  void SetUp() override { Remove(); }
  void TearDown() override {
    Remove();
    EXPECT_FALSE(Read().has_value()) << "the Run value must not outlive the test";
  }
  static void Remove() {
    TOwnedKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, RunKeyPath.data(), 0, KEY_SET_VALUE, key.Out()) == ERROR_SUCCESS)
      ::RegDeleteValueW(key.Get(), RunValueName.data());
  }
  // The value's text straight from the registry; nothing when it is absent.
  static std::optional<std::wstring> Read() {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (::RegGetValueW(HKEY_CURRENT_USER, RunKeyPath.data(), RunValueName.data(), RRF_RT_ANY, nullptr, data, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    return std::wstring(data);
  }
  static void Put(DWORD type, const void* data, DWORD size) {
    TOwnedKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, RunKeyPath.data(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                key.Out(), nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key.Get(), RunValueName.data(), 0, type, static_cast<const BYTE*>(data), size);
  }

  TWinRunKey Registry;
  const std::wstring Expected = AutoRunData(PelorinExePath);
};

TEST_F(SettingsRunKey, WrittenReadBackAndRemoved) {
  EXPECT_FALSE(AutoRunMatches(Registry, Expected));
  SyncAutoRun(Registry, true, Expected);
  EXPECT_EQ(Read(), Expected);
  EXPECT_TRUE(AutoRunMatches(Registry, Expected));
  TRunValue value = Registry.ReadRunValue();
  EXPECT_TRUE(value.KeyOpened && value.Exists);
  EXPECT_EQ(value.Data, Expected);
  SyncAutoRun(Registry, false, Expected);
  EXPECT_FALSE(Read().has_value());
  EXPECT_FALSE(Registry.ReadRunValue().Exists);
}

TEST_F(SettingsRunKey, ValueOfAnOlderCopyIsReplacedOrDeleted) {
  const std::wstring old = L"\"C:\\Old Copy\\Pelorin.exe\" autorun";
  Put(REG_SZ, old.c_str(), static_cast<DWORD>((old.size() + 1) * sizeof(wchar_t)));
  SyncAutoRun(Registry, true, Expected);
  EXPECT_EQ(Read(), Expected);

  Put(REG_SZ, old.c_str(), static_cast<DWORD>((old.size() + 1) * sizeof(wchar_t)));
  SyncAutoRun(Registry, false, Expected);
  EXPECT_FALSE(Read().has_value());

  // A value of another type is no match either, and goes.
  DWORD number = 1;
  Put(REG_DWORD, &number, sizeof(number));
  EXPECT_FALSE(AutoRunMatches(Registry, Expected));
  EXPECT_FALSE(Read().has_value());

  // Data stored without its terminating zero still matches.
  Put(REG_SZ, Expected.c_str(), static_cast<DWORD>(Expected.size() * sizeof(wchar_t)));
  EXPECT_TRUE(AutoRunMatches(Registry, Expected));
}

}  // namespace
}  // namespace pelorin::test
