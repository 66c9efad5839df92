#include "config/ProfileFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pelorin {
namespace {

const std::optional<std::wstring> Absent;

// Each rule of the reader, as the real GetPrivateProfileStringW showed it under Wine.
TEST(ProfileFile, ReadsValuesAsTheSystemReaderDoes) {
  struct Case {
    const char* Why;
    std::wstring Text, Section, Key;
    std::optional<std::wstring> Expected;
  };
  const std::vector<Case> cases = {
      {"blanks around key and value", L"[S]\r\n  Key \t=\t value  \r\n", L"S", L"Key", L"value"},
      {"names ignore ASCII case", L"[Custom Inputs]\r\nCOMMAND1=x\r\n", L"custom INPUTS", L"command1", L"x"},
      {"other letters keep their case", L"[S]\r\n\u00C9t\u00E9=1\r\n", L"S", L"\u00E9t\u00E9", Absent},
      {"ASCII letters fold around them", L"[S]\r\n\u00C9t\u00E9=1\r\n", L"S", L"\u00C9T\u00E9", L"1"},
      {"blanks inside a key count", L"[S]\r\nCommand 1=x\r\n", L"S", L"Command1", Absent},
      {"two blanks are not one", L"[S]\r\na  b=2\r\n", L"S", L"a b", Absent},
      {"value keeps inner blanks and =", L"[S]\r\nk = a = b  c\r\n", L"S", L"k", L"a = b  c"},
      {"first of two keys", L"[S]\r\nk=1\r\nk=2\r\n", L"S", L"k", L"1"},
      {"a line without = shadows a later key", L"[S]\r\nk\r\nk=2\r\n", L"S", L"k", Absent},
      {"first of two sections only", L"[S]\r\na=1\r\n[s]\r\nb=2\r\n", L"S", L"b", Absent},
      {"CR-only lines", L"[S]\ra=1\rb=2\r", L"S", L"b", L"2"},
      {"LF-only lines", L"[S]\na=1\nb=2\n", L"S", L"b", L"2"},
      {"empty and blank lines", L"\r\n\r\n[S]\r\n\r\n   \r\n\tb=2\r\n\r\n", L"S", L"b", L"2"},
      {"blanks inside brackets", L"[ \tS  ]\r\nb=2\r\n", L"S", L"b", L"2"},
      {"text after the last ] ignored", L"[S] ; note\r\nb=2\r\n", L"S", L"b", L"2"},
      {"[S]=x is a section", L"[S]=x\r\nb=2\r\n", L"S", L"b", L"2"},
      {"name runs to the last ]", L"[a]b]\r\nc=3\r\n", L"a]b", L"c", L"3"},
      {"[ without ] stays in its section", L"[S]\r\n[T\r\nb=2\r\n", L"S", L"b", L"2"},
      {"... and opens none", L"[S]\r\n[T\r\nb=2\r\n", L"T", L"b", Absent},
      {"a comment is a key of its own", L"[S]\r\n;b=1\r\nb=2\r\n", L"S", L"b", L"2"},
      {"# is no comment", L"[S]\r\n#b=1\r\n", L"S", L"#b", L"1"},
      {"double quotes come off", L"[S]\r\nk=\"a b\"\r\n", L"S", L"k", L"a b"},
      {"single quotes come off", L"[S]\r\nk='a b'\r\n", L"S", L"k", L"a b"},
      {"quotes protect blanks", L"[S]\r\nk= \"  a  \" \r\n", L"S", L"k", L"  a  "},
      {"only one pair comes off", L"[S]\r\nk=\"\"a\"\"\r\n", L"S", L"k", L"\"a\""},
      {"unmatched quotes stay", L"[S]\r\nk=\"a'\r\n", L"S", L"k", L"\"a'"},
      {"a lone quote stays", L"[S]\r\nk=\"\r\n", L"S", L"k", L"\""},
      {"two quotes are empty", L"[S]\r\nk=\"\"\r\n", L"S", L"k", L""},
      {"quote only at the start", L"[S]\r\nk=\"C:\\a b\\x.exe\" -q\r\n", L"S", L"k", L"\"C:\\a b\\x.exe\" -q"},
      {"^Z and vertical tab are blanks", L"[S]\r\nk=\x1A\x0B" L"a\x0C\x1A\r\n", L"S", L"k", L"a"},
      {"no-break space is not", L"[S]\r\nk=\u00A0a\u00A0\r\n", L"S", L"k", L"\u00A0a\u00A0"},
      {"character 0 ends a value", std::wstring(L"[S]\r\nk=ab\0cd\r\n", 14), L"S", L"k", L"ab"},
      {"character 0 ends a key", std::wstring(L"[S]\r\nk\0x=1\r\n", 12), L"S", L"k", L"1"},
      {"empty value", L"[S]\r\nk=\r\n", L"S", L"k", L""},
      {"keys before any section", L"k=1\r\n[S]\r\n", L"", L"k", L"1"},
      {"missing section", L"[S]\r\nk=1\r\n", L"T", L"k", Absent},
      {"request trimmed", L"[S]\r\nk=1\r\n", L" S ", L" k ", L"1"},
  };
  for (const Case& c : cases) {
    TProfileFile file(c.Text);
    EXPECT_EQ(file.ReadString(c.Section, c.Key), c.Expected) << c.Why;
  }
}

TEST(ProfileFile, ValuesArriveThroughA2048CharacterBuffer) {
  struct Case {
    const char* Why;
    std::wstring Value;
    std::wstring Expected;
  };
  const std::wstring a2046(2046, L'a');
  const std::vector<Case> cases = {
      {"3000 characters", std::wstring(3000, L'x'), std::wstring(2047, L'x')},
      {"2047 fit", a2046 + L"b", a2046 + L"b"},
      {"2048 lose the last", a2046 + L"bc", a2046 + L"b"},
      {"quoted, 2047 after the mark", L"\"" + a2046 + L"\"", a2046},
      {"quoted, 2048 after the mark: the mark takes the last that arrived", L"\"" + a2046 + L"b\"", a2046},
      {"quoted, 2049 after the mark: cut, mark never arrives", L"\"" + a2046 + L"bc\"", a2046 + L"b"},
  };
  for (const Case& c : cases) {
    TProfileFile file(L"[S]\r\nk=" + c.Value + L"\r\n");
    EXPECT_EQ(file.ReadString(L"S", L"k"), c.Expected) << c.Why;
  }
}

TEST(ProfileFile, ListsSectionsAndKeysAsTheSystemCallDoes) {
  TProfileFile file(
      L"x=0\r\n[S]\r\na=1\r\nb\r\n;c=3\r\nD=4\r\n[]\r\ne=5\r\n[T]\r\n[s]\r\nf=6\r\n[U]\r\ng=7\r\n=8\r\nh=9\r\n");
  EXPECT_EQ(file.SectionNames(), (std::vector<std::wstring>{L"S", L"T", L"s", L"U"}));
  EXPECT_EQ(file.KeyNames(L"s"), (std::vector<std::wstring>{L"a", L"D"})) << "no line without =, no comment";
  EXPECT_TRUE(file.KeyExists(L"S", L"d"));
  EXPECT_FALSE(file.KeyExists(L"S", L"b")) << "a key without = is not listed";
  EXPECT_FALSE(file.KeyExists(L"S", L"f")) << "only the first S is seen";
  EXPECT_TRUE(file.SectionExists(L"T")) << "a section without keys exists";
  EXPECT_FALSE(file.SectionExists(L"")) << "the nameless lines and [] are no section";
  EXPECT_FALSE(file.SectionExists(L"V"));
  // An empty name ends the list of names the call gives, so h is not listed though it reads.
  EXPECT_EQ(file.KeyNames(L"U"), (std::vector<std::wstring>{L"g"}));
  EXPECT_FALSE(file.KeyExists(L"U", L"h"));
  EXPECT_EQ(file.ReadString(L"U", L"h"), L"9");
  // Reads drop blanks around the section asked for, the listing does not.
  EXPECT_EQ(file.ReadString(L" U\t", L"g"), L"7");
  EXPECT_TRUE(file.KeyNames(L" U\t").empty());
  EXPECT_FALSE(file.KeyExists(L" U", L"g"));
}

TEST(ProfileFile, AnEmptyNameRightAfterAnotherIsDropped) {
  // The first line's name is empty up to its character 0, so the line "=x" after it is
  // dropped and "k" stays listed.
  TProfileFile file(std::wstring(L"[S]\r\n\0z\r\n=x\r\nk=1\r\n", 19));
  EXPECT_EQ(file.KeyNames(L"S"), (std::vector<std::wstring>{L"k"}));
  TProfileFile plain(L"[S]\r\n=x\r\nk=1\r\n");
  EXPECT_TRUE(plain.KeyNames(L"S").empty());
}

// Thousands of names in one table: every one is found, names that differ in ASCII case only
// still give the first line, and a copy or a moved file answers alike.
TEST(ProfileFile, AFileOfThousandsOfKeysReadsEveryOne) {
  std::wstring text;
  for (int s = 0; s < 40; ++s) {
    text += L"[Sec" + std::to_wstring(s) + L"]\r\n";
    for (int k = 0; k < 150; ++k) {
      text += L"Key" + std::to_wstring(k) + L"=" + std::to_wstring(s) + L"." + std::to_wstring(k) + L"\r\n";
      if (k % 50 == 7) text += L"KEY" + std::to_wstring(k) + L"=shadowed\r\n";
    }
  }
  text += L"[SEC7]\r\nKey1=never read\r\nOnly=here\r\n";
  TProfileFile file(text);

  for (int s = 0; s < 40; ++s)
    for (int k = 0; k < 150; ++k)
      ASSERT_EQ(file.ReadString(L"sec" + std::to_wstring(s), L"key" + std::to_wstring(k)),
                std::to_wstring(s) + L"." + std::to_wstring(k))
          << s << " " << k;
  EXPECT_EQ(file.ReadString(L"Sec7", L"Only"), Absent) << "the second [SEC7] is never seen";
  EXPECT_EQ(file.KeyNames(L"Sec3").size(), 153u) << "the listing keeps lines whose names repeat";
  EXPECT_TRUE(file.KeyExists(L"Sec3", L"kEY57"));
  EXPECT_FALSE(file.KeyExists(L"Sec3", L"Key150"));
  EXPECT_EQ(file.SectionNames().size(), 41u);

  TProfileFile copy = file;
  TProfileFile moved = std::move(file);
  for (const TProfileFile* f : {&copy, &moved}) {
    EXPECT_EQ(f->ReadString(L"Sec39", L"Key149"), L"39.149");
    EXPECT_TRUE(f->KeyExists(L"Sec0", L"Key0"));
  }
  // A text this short is held inside the string object itself, which a move does not carry over.
  TProfileFile small(L"k=1");
  TProfileFile smallMoved(std::move(small));
  small = TProfileFile(L"k=2");
  EXPECT_EQ(smallMoved.ReadString(L"", L"k"), L"1");
  EXPECT_EQ(small.ReadString(L"", L"k"), L"2");
}

TEST(ProfileInteger, DecimalOrHexadecimalElseNotANumber) {
  struct Case {
    std::wstring Text;
    std::optional<int32_t> Expected;
  };
  const std::vector<Case> cases = {
      {L"12", 12},          {L"-5", -5},          {L"+7", 7},           {L"007", 7},
      {L"0x1F", 31},        {L"0X1f", 31},        {L"$ff", 255},        {L"-$10", -16},
      {L"0xFFFFFFFF", -1},  {L"0x7FFFFFFF", INT32_MAX},               {L"2147483647", INT32_MAX},
      {L"-2147483648", INT32_MIN},                {L"2147483648", std::nullopt},
      {L"-2147483649", std::nullopt},             {L"0x100000000", std::nullopt},
      {L"99999999999999999999", std::nullopt},    {L"12abc", std::nullopt},
      {L"", std::nullopt},  {L"-", std::nullopt}, {L"0x", std::nullopt}, {L"$", std::nullopt},
      {L"1 2", std::nullopt},                     {L" 12", std::nullopt}, {L"1e3", std::nullopt},
      {L"0x-1", std::nullopt},                    {L"--1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseProfileInteger(c.Text), c.Expected) << "\"" << std::string(c.Text.begin(), c.Text.end()) << "\"";
}

TEST(ProfileInteger, BlanksAndQuotesGoBeforeTheNumberIsRead) {
  TProfileFile file(L"[S]\r\na = 0x1F \r\nb=\"12\"\r\nc=12abc\r\nd=yes\r\ne=0\r\nf=-3\r\n");
  EXPECT_EQ(file.ReadInteger(L"S", L"a", 0), 31);
  EXPECT_EQ(file.ReadInteger(L"S", L"b", 0), 12);
  EXPECT_EQ(file.ReadInteger(L"S", L"c", 99), 99);
  EXPECT_EQ(file.ReadInteger(L"S", L"missing", 99), 99);
  EXPECT_TRUE(file.ReadBool(L"S", L"d", true)) << "not a number: the default";
  EXPECT_FALSE(file.ReadBool(L"S", L"d", false));
  EXPECT_FALSE(file.ReadBool(L"S", L"e", true));
  EXPECT_TRUE(file.ReadBool(L"S", L"f", false)) << "any value but 0 is true";
}

TEST(ProfileText, ByteOrderMarksChooseTheDecoding) {
  TWindows1252 ansi;
  struct Case {
    const char* Why;
    std::string Bytes;
    std::wstring Expected;
  };
  const std::vector<Case> cases = {
      {"ANSI", "k=\xE9\x80", L"k=\u00E9\u20AC"},
      {"UTF-8", "\xEF\xBB\xBFk=\xC3\xA9\xE2\x82\xAC", L"k=\u00E9\u20AC"},
      {"UTF-8, broken parts each become one U+FFFD", "\xEF\xBB\xBF" "x\xC3y\xE9\x80z\xFF", L"x\uFFFDy\uFFFDz\uFFFD"},
      {"UTF-16 LE", std::string("\xFF\xFEk\0=\0\xE9\0", 8), L"k=\u00E9"},
      {"UTF-16 BE", std::string("\xFE\xFF\0k\0=\0\xE9", 8), L"k=\u00E9"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeProfileText(c.Bytes, ansi), c.Expected) << c.Why;
}

TEST(Windows1252, EveryByteSurvivesARoundTripAndOtherCharactersBecomeQuestionMarks) {
  TWindows1252 ansi;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::wstring text = ansi.FromAnsi(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x80], L'\u20AC');
  EXPECT_EQ(text[0x81], L'\u0081') << "undefined bytes map to the control character of that number";
  EXPECT_EQ(text[0x9F], L'\u0178');
  EXPECT_EQ(text[0xE9], L'\u00E9');
  EXPECT_EQ(ansi.ToAnsi(text), all);
  EXPECT_EQ(ansi.ToAnsi(L"A\u0100\u4E00\u20AC"), "A??\x80");
}

}  // namespace
}  // namespace pelorin
