#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/AnsiCodePage.h"

namespace pelorin {

// The blanks a profile reader drops around lines, names and values: tab to CR, ^Z and space.
// A no-break space is kept.
constexpr bool IsProfileBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

// The text of a profile file's bytes: UTF-8 after its byte-order mark, UTF-16 after either of
// its marks, otherwise the ANSI code page, as the system's reader decides.
std::wstring DecodeProfileText(std::string_view bytes, const AnsiCodePagePort& ansi);

// An integer as Pelorin reads one: an optional sign, then decimal digits, or "0x", "0X" or "$"
// and hexadecimal digits. Hexadecimal gives the 32-bit pattern ("0xFFFFFFFF" is -1); a decimal
// outside 32 bits, an empty text or any other character is not a number.
std::optional<int32_t> ParseProfileInteger(std::wstring_view text);

// Reads profile-file text and answers as GetPrivateProfileStringW answers (as Wine 8 does) for
// the calls Pelorin makes. Section and key names compare ignoring the case of ASCII letters
// only. The reader's rules, each of which the Windows-side tests prove against the real call:
// - lines end at every CR or LF, so CR-only and LF-only files read like CR LF ones, and empty
//   or blank lines count for nothing;
// - a line whose first non-blank character is "[" and that holds a "]" starts a section named
//   by the text up to its last "]", without blanks around it; text after that "]" is ignored,
//   even "=" ("[S]=x" is section S);
// - a "[" line without "]" is an ordinary line of the section it stands in;
// - any other line is a key: the text up to its first "=" without blanks around it, and the
//   value after it without blanks around it. A line without "=" is a key without a value:
//   reading it gives the default, and it shadows a later line with the same key;
// - lines before the first section belong to a nameless section;
// - a character 0 ends a name or value where it stands, after the blanks around it went
//   ("[V \0]" is section "V ");
// - of two sections with the same name only the first is seen, both by reads and listings;
//   of two keys in a section only the first;
// - a value that starts and ends with the same quotation mark (' or ", at least two
//   characters) loses both marks;
// - a value arrives through a 2048-character buffer: at most its first 2047 characters. The
//   closing mark is dropped as the last character that arrived, so a quoted value that is
//   exactly 2048 characters long after its opening mark arrives as its first 2046;
// - lines starting with ";" are not listed as keys;
// - a read drops blanks around the section and key asked for; the key listing takes the
//   section name as given, so " S" lists nothing;
// - a key listing ends at the first key with an empty name ("=x"), since the call separates
//   names with character 0 and an empty name reads as the end of the list; a line with an
//   empty name right after another key whose name is empty is dropped.
class TProfileFile {
 public:
  static constexpr size_t ValueBufferChars = 2048;

  TProfileFile() : TProfileFile(std::wstring()) {}
  explicit TProfileFile(std::wstring text);

  // The value, or nothing where the call would give the default: no such section or key, or
  // a key line without "=". An empty key, which Pelorin never asks for, reads as nothing.
  std::optional<std::wstring> ReadString(std::wstring_view section, std::wstring_view key) const;
  // The value as an integer; nothing when it is absent or not a number.
  std::optional<int32_t> ReadInteger(std::wstring_view section, std::wstring_view key) const;
  int32_t ReadInteger(std::wstring_view section, std::wstring_view key, int32_t def) const;
  // An integer, not 0 meaning true.
  bool ReadBool(std::wstring_view section, std::wstring_view key, bool def) const;

  // Named sections in file order, duplicates included (the call with no section).
  std::vector<std::wstring> SectionNames() const;
  // The section is among SectionNames(), ignoring ASCII case and blanks around the name asked for.
  bool SectionExists(std::wstring_view section) const;
  // The keys of a section as listed by the call with no key, which takes the section name as
  // given, blanks and all.
  std::vector<std::wstring> KeyNames(std::wstring_view section) const;
  // The key is among KeyNames(section), ignoring ASCII case.
  bool KeyExists(std::wstring_view section, std::wstring_view key) const;

 private:
  // Names and values are kept as places in Text rather than copies: a big file then reads
  // with a handful of allocations instead of several per line.
  struct TPlace {
    size_t At = 0;
    size_t Length = 0;
  };
  struct TKey {
    TPlace Name;
    TPlace Value;
    bool HasValue = false;  // false for a line without "="
    bool Listed = false;    // has a value and is no comment
    size_t Section = 0;
    size_t Hash = 0;  // of the name, ASCII case folded
  };
  struct TSection {
    TPlace Name;
    size_t Hash = 0;
    size_t FirstKey = 0;  // its keys are Keys[FirstKey, EndKey)
    size_t EndKey = 0;
    size_t ListEnd = SIZE_MAX;  // keys from here on fall behind an empty listed name
  };
  // Open addressing over entry numbers plus one (0 is a free slot); the first entry of each
  // name wins, as the system's reader finds the first line.
  using TSlots = std::vector<size_t>;

  std::wstring_view View(TPlace p) const { return std::wstring_view(Text).substr(p.At, p.Length); }
  // Reads trim blanks off the section asked for; the listing of keys does not.
  const TSection* FindSection(std::wstring_view name, bool trimmed) const;
  const TKey* FindKey(const TSlots& slots, const TSection& section, std::wstring_view name) const;
  // The value as the 2048-character buffer of the call delivers it, quotes taken off.
  std::optional<std::wstring_view> ReadView(std::wstring_view section, std::wstring_view key) const;
  void BuildIndexes();

  std::wstring Text;
  std::vector<TSection> Sections;  // [0] is the nameless section of the lines before any header
  std::vector<TKey> Keys;          // in file order, so each section's keys are one run
  TSlots SectionSlots, KeySlots, ListedSlots;
};

}  // namespace pelorin
