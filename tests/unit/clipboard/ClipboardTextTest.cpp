#include "clipboard/ClipboardText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clipboard/ClipboardFakes.h"

namespace pelorin {
namespace {

using test::Ansi;
using test::Other;
using test::Snapshot;
using test::Unicode;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

// A DROPFILES block: a 20-byte header whose first field is the offset of the name list.
TClipboardDataItem Drop(std::vector<std::u16string> names, uint32_t offset = 20, bool closeList = true) {
  TClipboardDataItem item{CfHDrop, std::vector<uint8_t>(20, 0)};
  for (int i = 0; i < 4; ++i) item.Data[i] = static_cast<uint8_t>(offset >> (8 * i));
  item.Data[16] = 1;  // fWide
  for (const std::u16string& name : names) {
    for (char16_t c : name) {
      item.Data.push_back(static_cast<uint8_t>(c));
      item.Data.push_back(static_cast<uint8_t>(c >> 8));
    }
    item.Data.insert(item.Data.end(), {0, 0});
  }
  if (closeList) item.Data.insert(item.Data.end(), {0, 0});
  return item;
}

TEST(ClipboardItemText, EachTextFormat) {
  struct Case {
    const char* Name;
    TClipboardDataItem Item;
    std::wstring Text;
  };
  TClipboardDataItem truncatedUnicode = Unicode(u"ab");
  truncatedUnicode.Data.resize(3);  // "a" and half a unit
  TClipboardDataItem paddedUnicode = Unicode(u"ab");
  paddedUnicode.Data.insert(paddedUnicode.Data.end(), {'x', 0, 'y', 0});
  const Case cases[] = {
      {"CF_TEXT through the code page", Ansi("caf\xE9 \x80"), L"caf\u00E9 \u20AC"},
      {"CF_TEXT stops at the first zero", {CfText, Bytes({'a', 0, 'b', 0})}, L"a"},
      {"CF_TEXT without a terminator", {CfText, Bytes({'a', 'b'})}, L"ab"},
      {"CF_TEXT tab", Ansi("a\tb"), L"a    b"},
      {"CF_UNICODETEXT", Unicode(u"\u0416x\r\ny"), L"\u0416x\r\ny"},
      {"CF_UNICODETEXT padding after the terminator", paddedUnicode, L"ab"},
      {"CF_UNICODETEXT odd length", truncatedUnicode, L"a"},
      {"CF_UNICODETEXT tabs", Unicode(u"\t\t"), L"        "},
      {"CF_HDROP two files", Drop({u"C:\\a.txt", u"D:\\dir\\b c.doc"}), L"C:\\a.txt\rD:\\dir\\b c.doc"},
      {"CF_HDROP one file", Drop({u"C:\\a.txt"}), L"C:\\a.txt"},
      {"CF_HDROP no files", Drop({}), L""},
      {"CF_HDROP list not closed", Drop({u"C:\\a", u"C:\\b"}, 20, false), L"C:\\a\rC:\\b"},
      {"CF_HDROP offset past the end", Drop({u"C:\\a"}, 4000), L""},
      {"CF_HDROP offset at the last byte", Drop({u"C:\\a"}, 29), L""},
      {"CF_HDROP huge offset", Drop({u"C:\\a"}, 0xFFFFFFFF), L""},
      {"CF_HDROP shorter than its offset field", {CfHDrop, Bytes({20, 0, 0})}, L""},
      {"empty data", {CfUnicodeText, {}}, L""},
      {"other format", Other(0xC001, "text"), L""},
      {"CF_DIB", Other(CfDib, "text"), L""},
  };
  TWindows1252 cp;
  for (const Case& c : cases) EXPECT_EQ(ClipboardItemText(c.Item, cp), c.Text) << c.Name;
}

TEST(ClipboardItemText, TruncatedDropNameStopsAtTheEndOfTheData) {
  TClipboardDataItem drop = Drop({u"C:\\a", u"C:\\bcd"});
  drop.Data.resize(drop.Data.size() - 5);  // cut inside "C:\bcd"
  TWindows1252 cp;
  EXPECT_EQ(ClipboardItemText(drop, cp), L"C:\\a\rC:\\bc") << "the half unit left is not read";
}

TEST(TrimKeyText, RemovesBlanksTabsCrLfAtBothEnds) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"abc", L"abc"},           {L" \t\r\nabc\n\r\t ", L"abc"}, {L"a b\tc", L"a b\tc"},
      {L"", L""},                 {L" \r\n", L" \r\n"},            {L"\x00A0x", L"\x00A0x"},
      {L"\vx\f", L"\vx\f"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(TrimKeyText(in), out);
}

TEST(TimeParityFlip, MovesTheNinthDecimalToItsPartner) {
  const std::pair<double, double> cases[] = {
      {45000.5, 45000.500000001},       {45000.25, 45000.250000001},  {0.0, 0.000000001},
      {1.0, 1.000000001},               {45000.75, 45000.750000001}, {0.000000003, 0.000000002},
      {0.000000008, 0.000000009},       {0.000000009, 0.000000008},  {-1.5, -1.500000001},
  };
  for (const auto& [in, out] : cases) {
    double time = in;
    TimeParityFlip(time);
    EXPECT_EQ(time, out) << in;
  }
}

// The digits are those of the stored binary value: 45000.500000001 is held as
// 45000.50000000099..., whose 9th decimal is 0, so a second flip moves it on rather than back.
TEST(TimeParityFlip, ReadsTheDigitsOfTheStoredValue) {
  double time = 45000.5;
  TimeParityFlip(time);
  TimeParityFlip(time);
  EXPECT_NE(time, 45000.5);
  EXPECT_NEAR(time, 45000.500000002, 1e-10);
}

TEST(TimeParityFlip, ChangesEveryOrdinaryTimeByAbout86Microseconds) {
  for (double time : {36526.0, 45291.123456789, 45291.999999999, 73050.25}) {
    double flipped = time;
    TimeParityFlip(flipped);
    EXPECT_NE(flipped, time);
    EXPECT_NEAR(flipped, time, 1.5e-9);
  }
}

TEST(TextFixUp, RepairsTheAnsiTextThatLostCharacters) {
  test::FakeCyrillicAnsi cp;
  TClipboardData s = Snapshot({Ansi("x?y"), Unicode(u"x\u0416y")});
  EXPECT_TRUE(TextFixUp(s, cp));
  EXPECT_EQ(s.Items[0].Data, Bytes({'x', 0xC6, 'y', 0}));
  EXPECT_EQ(s.Items[1], Unicode(u"x\u0416y"));
}

TEST(TextFixUp, RepairsUnicodeMadeWithTheWrongCodePage) {
  test::FakeCyrillicAnsi cp;
  // The Unicode text holds U+00C6 where the ANSI byte 0xC6 means U+0416; 0xC0 is the first
  // byte of the Cyrillic letters, 0xFF the last.
  struct Case {
    const char* Ansi;
    std::u16string Widened;
    std::u16string Repaired;
  };
  const Case cases[] = {
      {"\xC0" "a", u"\u00C0a", u"\u0410a"},
      {"\xC6" "a", u"\u00C6a", u"\u0416a"},
      {"a\xFF", u"a\u00FF", u"a\u044F"},
  };
  for (const Case& c : cases) {
    TClipboardData s = Snapshot({Unicode(c.Widened), Ansi(c.Ansi)});
    EXPECT_TRUE(TextFixUp(s, cp)) << c.Ansi;
    EXPECT_EQ(s.Items[0], Unicode(c.Repaired)) << c.Ansi;
    EXPECT_EQ(s.Items[1], Ansi(c.Ansi)) << c.Ansi;
  }
}

TEST(TextFixUp, LeavesEverythingElseAlone) {
  struct Case {
    const char* Name;
    std::vector<TClipboardDataItem> Items;
  };
  TClipboardDataItem longerAnsi = Ansi("?a");
  longerAnsi.Data.push_back(0);
  const Case cases[] = {
      {"texts agree", {Ansi("abc"), Unicode(u"abc")}},
      {"a real question mark", {Ansi("a?"), Unicode(u"a?")}},
      {"lengths do not pair", {longerAnsi, Unicode(u"\u0416a")}},
      {"no Unicode text", {Ansi("?a"), Other(0xC001, "\x16\x04")}},
      {"no ANSI text", {Unicode(u"\u0416a")}},
      {"upper byte below 0xC0", {Ansi("\xBF"), Unicode(u"\u00BF")}},
  };
  test::FakeCyrillicAnsi cp;
  for (const Case& c : cases) {
    TClipboardData s = Snapshot(c.Items);
    EXPECT_FALSE(TextFixUp(s, cp)) << c.Name;
    EXPECT_EQ(s.Items, c.Items) << c.Name;
  }
}

TEST(TextFixUp, AnEmptyConvertedTextCopiesNothingAndRepairsNothing) {
  // The ANSI text ends at its first byte, so the text converted from it is empty.
  test::FakeCyrillicAnsi cp;
  TClipboardData s = Snapshot({{CfText, Bytes({0, 0xC6})}, {CfUnicodeText, Bytes({'x', 0, 0xC6, 0})}});
  EXPECT_FALSE(TextFixUp(s, cp));
  EXPECT_EQ(s.Items[1].Data, Bytes({'x', 0, 0xC6, 0}));
}

// What a Western system synthesises from a Unicode text: every such pair is already right, and
// a "repair" would rewrite the clipboard for nothing (or, worse, with the text damaged).
TEST(TextFixUp, TextsTheSystemConvertedCorrectlyAreNoRepair) {
  struct Case {
    const char* Name;
    std::vector<TClipboardDataItem> Items;
  };
  const Case cases[] = {
      {"a character the code page lacks is '?' both times", {Ansi("x?y"), Unicode(u"x\u0416y")}},
      {"a letter the code page holds at its own number", {Ansi("caf\xE9"), Unicode(u"caf\u00E9")}},
      {"a letter it holds, then one it lacks", {Ansi("\xE9 ?"), Unicode(u"\u00E9 \u0416")}},
      {"a letter it lacks, then one it holds", {Ansi("? \xE9"), Unicode(u"\u0416 \u00E9")}},
      {"the Unicode text first", {Unicode(u"\u00E9 \u0436\u0443\u043A"), Ansi("\xE9 ???")}},
  };
  test::FakeWesternAnsi cp;
  for (const Case& c : cases) {
    TClipboardData s = Snapshot(c.Items);
    EXPECT_FALSE(TextFixUp(s, cp)) << c.Name;
    EXPECT_EQ(s.Items, c.Items) << c.Name;
  }
}

TEST(TextFixUp, AUnicodeTextBeyondLatin1WasNotWidenedFromTheAnsiOne) {
  // 0xC6 is U+0416 in the Cyrillic code page and also the low byte of U+00C6; the U+0436 after
  // it shows that the Unicode text is no widened ANSI text, so it is left alone.
  test::FakeCyrillicAnsi cp;
  TClipboardData s = Snapshot({Ansi("\xC6\xD6"), Unicode(u"\u00C6\u0436")});
  EXPECT_FALSE(TextFixUp(s, cp));
  EXPECT_EQ(s.Items[1], Unicode(u"\u00C6\u0436"));
}

TEST(TextFixUp, NeverWritesPastTheTarget) {
  // The converted text is longer than the ANSI block can hold: only LA - 1 bytes are written.
  struct LongAnsi : test::FakeCyrillicAnsi {
    std::string ToAnsi(std::wstring_view) const override { return "0123456789"; }
  } cp;
  TClipboardData s = Snapshot({Ansi("?a"), Unicode(u"\u0416a")});
  EXPECT_TRUE(TextFixUp(s, cp));
  EXPECT_EQ(s.Items[0].Data, Bytes({'0', '1', 0}));
}

}  // namespace
}  // namespace pelorin
