#include "config/ProfileFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace pelorin {
namespace {

constexpr char32_t Replacement = 0xFFFD;

void AppendCodePoint(std::wstring& text, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      text += static_cast<wchar_t>(0xD800 + (c >> 10));
      text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
      return;
    }
  }
  text += static_cast<wchar_t>(c);
}

// One replacement character for each maximal ill-formed part, as the system's decoder does.
std::wstring DecodeUtf8(std::string_view bytes) {
  std::wstring text;
  size_t i = 0;
  while (i < bytes.size()) {
    auto b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
      text += static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t c = 0;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2, c = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3, c = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      AppendCodePoint(text, Replacement);
      ++i;
      continue;
    }
    size_t j = i + 1;
    int taken = 0;
    for (; taken < extra && j < bytes.size(); ++taken, ++j) {
      auto next = static_cast<uint8_t>(bytes[j]);
      uint8_t min = taken == 0 ? lo : 0x80, max = taken == 0 ? hi : 0xBF;
      if (next < min || next > max) break;
      c = (c << 6) | (next & 0x3F);
    }
    AppendCodePoint(text, taken == extra ? c : Replacement);
    i = j;
  }
  return text;
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto b0 = static_cast<uint8_t>(bytes[i]), b1 = static_cast<uint8_t>(bytes[i + 1]);
    char32_t unit = bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    if constexpr (sizeof(wchar_t) == 2) {
      text += static_cast<wchar_t>(unit);
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      auto c0 = static_cast<uint8_t>(bytes[i + 2]), c1 = static_cast<uint8_t>(bytes[i + 3]);
      char32_t low = bigEndian ? (c0 << 8 | c1) : (c1 << 8 | c0);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
      } else {
        text += static_cast<wchar_t>(unit);
      }
    } else {
      text += static_cast<wchar_t>(unit);
    }
  }
  return text;
}

std::wstring_view TrimBlanks(std::wstring_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The system keeps names and values as zero-terminated strings.
std::wstring_view UpToZero(std::wstring_view s) { return s.substr(0, s.find(L'\0')); }

constexpr wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// FNV-1a over the folded characters, so names that differ in ASCII case only hash alike.
size_t FoldedHash(std::wstring_view s) {
  uint64_t h = 0xCBF29CE484222325u;
  for (wchar_t c : s) {
    h ^= static_cast<uint32_t>(FoldAscii(c));
    h *= 0x100000001B3u;
  }
  return static_cast<size_t>(h);
}

bool FoldedEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the usual case: the file holds the name as Pelorin writes it
  return std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

// The slot a name of that hash starts its probe at, in a table of a power-of-two size.
size_t FirstSlot(size_t hash, size_t group, size_t mask) { return (hash ^ (group * 0x9E3779B97F4A7C15u)) & mask; }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::wstring DecodeProfileText(std::string_view bytes, const AnsiCodePagePort& ansi) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return DecodeUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
  return ansi.FromAnsi(bytes);
}

std::optional<int32_t> ParseProfileInteger(std::wstring_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == L'+' || text[0] == L'-')) {
    negative = text[0] == L'-';
    text.remove_prefix(1);
  }
  bool hex = false;
  if (text.starts_with(L"0x") || text.starts_with(L"0X")) {
    hex = true;
    text.remove_prefix(2);
  } else if (text.starts_with(L"$")) {
    hex = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  for (wchar_t c : text) {
    int digit = hex ? HexDigit(c) : (c >= L'0' && c <= L'9' ? c - L'0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  auto bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

TProfileFile::TProfileFile(std::wstring text) : Text(std::move(text)) {
  const std::wstring_view all = Text;
  auto placeOf = [&](std::wstring_view part) { return TPlace{static_cast<size_t>(part.data() - all.data()), part.size()}; };
  Sections.emplace_back();
  bool previousNameEmpty = false;  // the section's last key has an empty name

  // A line ends at the nearer of the next CR and the next LF; each is searched for again only
  // once the scan has passed it, so the text is read once.
  size_t nextCr = all.find(L'\r'), nextLf = all.find(L'\n');  // npos when there is none
  size_t pos = 0;
  while (pos < all.size()) {
    if (nextCr < pos) nextCr = all.find(L'\r', pos);
    if (nextLf < pos) nextLf = all.find(L'\n', pos);
    size_t end = std::min({nextCr, nextLf, all.size()});
    std::wstring_view line = TrimBlanks(all.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;

    if (line.front() == L'[') {
      size_t close = line.rfind(L']');
      if (close != std::wstring_view::npos) {
        Sections.back().EndKey = Keys.size();
        TSection section;
        section.Name = placeOf(UpToZero(TrimBlanks(line.substr(1, close - 1))));
        section.FirstKey = Keys.size();
        Sections.push_back(section);
        previousNameEmpty = false;
        continue;
      }
    }

    size_t equals = line.find(L'=');
    std::wstring_view rawName = line;
    std::optional<std::wstring_view> value;
    if (equals != std::wstring_view::npos) {
      rawName = TrimBlanks(line.substr(0, equals));
      value = TrimBlanks(line.substr(equals + 1));
    }
    if (rawName.empty() && previousNameEmpty) continue;
    std::wstring_view name = UpToZero(rawName);
    TKey key;
    key.Name = placeOf(name);
    if (value) key.Value = placeOf(UpToZero(*value));
    key.HasValue = value.has_value();
    key.Listed = key.HasValue && !name.starts_with(L';');
    key.Section = Sections.size() - 1;
    if (key.Listed && name.empty() && Sections.back().ListEnd == SIZE_MAX) Sections.back().ListEnd = Keys.size();
    previousNameEmpty = name.empty();
    Keys.push_back(key);
  }
  Sections.back().EndKey = Keys.size();
  BuildIndexes();
}

void TProfileFile::BuildIndexes() {
  auto sized = [](size_t count) {
    size_t size = 8;
    while (size < 2 * count) size *= 2;
    return TSlots(size, 0);
  };
  // Puts entry n in the table unless an earlier entry of the same group and folded name is there.
  auto insert = [](TSlots& slots, size_t n, size_t hash, size_t group, auto sameAs) {
    size_t mask = slots.size() - 1;
    for (size_t slot = FirstSlot(hash, group, mask);; slot = (slot + 1) & mask) {
      if (slots[slot] == 0) {
        slots[slot] = n + 1;
        return;
      }
      if (sameAs(slots[slot] - 1)) return;
    }
  };

  SectionSlots = sized(Sections.size());
  for (size_t i = 0; i < Sections.size(); ++i) {
    TSection& s = Sections[i];
    s.Hash = FoldedHash(View(s.Name));
    // The nameless section comes first, so a "[]" section never shadows it.
    insert(SectionSlots, i, s.Hash, 0, [&](size_t j) {
      return Sections[j].Hash == s.Hash && FoldedEqual(View(Sections[j].Name), View(s.Name));
    });
  }

  size_t listed = 0;
  for (TKey& k : Keys) {
    k.Hash = FoldedHash(View(k.Name));
    listed += k.Listed ? 1 : 0;
  }
  KeySlots = sized(Keys.size());
  ListedSlots = sized(listed);
  for (size_t i = 0; i < Keys.size(); ++i) {
    const TKey& k = Keys[i];
    auto same = [&](size_t j) {
      return Keys[j].Section == k.Section && Keys[j].Hash == k.Hash && FoldedEqual(View(Keys[j].Name), View(k.Name));
    };
    insert(KeySlots, i, k.Hash, k.Section, same);
    if (k.Listed) insert(ListedSlots, i, k.Hash, k.Section, same);
  }
}

const TProfileFile::TSection* TProfileFile::FindSection(std::wstring_view name, bool trimmed) const {
  if (SectionSlots.empty()) return nullptr;  // moved from
  if (trimmed) name = TrimBlanks(name);
  size_t hash = FoldedHash(name), mask = SectionSlots.size() - 1;
  for (size_t slot = FirstSlot(hash, 0, mask); SectionSlots[slot] != 0; slot = (slot + 1) & mask) {
    const TSection& s = Sections[SectionSlots[slot] - 1];
    if (s.Hash == hash && FoldedEqual(View(s.Name), name)) return &s;
  }
  return nullptr;
}

const TProfileFile::TKey* TProfileFile::FindKey(const TSlots& slots, const TSection& section,
                                                std::wstring_view name) const {
  size_t group = static_cast<size_t>(&section - Sections.data());
  size_t hash = FoldedHash(name), mask = slots.size() - 1;
  for (size_t slot = FirstSlot(hash, group, mask); slots[slot] != 0; slot = (slot + 1) & mask) {
    const TKey& k = Keys[slots[slot] - 1];
    if (k.Section == group && k.Hash == hash && FoldedEqual(View(k.Name), name)) return &k;
  }
  return nullptr;
}

std::optional<std::wstring_view> TProfileFile::ReadView(std::wstring_view section, std::wstring_view key) const {
  const TSection* s = FindSection(section, true);
  std::wstring_view name = TrimBlanks(key);
  if (s == nullptr || name.empty()) return std::nullopt;
  const TKey* found = FindKey(KeySlots, *s, name);
  if (found == nullptr || !found->HasValue) return std::nullopt;

  constexpr size_t Room = ValueBufferChars - 1;
  std::wstring_view v = View(found->Value);
  if (v.size() >= 2 && (v[0] == L'"' || v[0] == L'\'') && v.back() == v[0]) {
    std::wstring_view inner = v.substr(1, Room);
    // The closing mark takes the place of the last character that arrived.
    if (v.size() - 1 <= ValueBufferChars) inner.remove_suffix(1);
    return inner;
  }
  return v.substr(0, Room);
}

std::optional<std::wstring> TProfileFile::ReadString(std::wstring_view section, std::wstring_view key) const {
  std::optional<std::wstring_view> v = ReadView(section, key);
  return v ? std::optional<std::wstring>(std::in_place, *v) : std::nullopt;
}

std::optional<int32_t> TProfileFile::ReadInteger(std::wstring_view section, std::wstring_view key) const {
  std::optional<std::wstring_view> text = ReadView(section, key);
  return text ? ParseProfileInteger(*text) : std::nullopt;
}

int32_t TProfileFile::ReadInteger(std::wstring_view section, std::wstring_view key, int32_t def) const {
  return ReadInteger(section, key).value_or(def);
}

bool TProfileFile::ReadBool(std::wstring_view section, std::wstring_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::wstring> TProfileFile::SectionNames() const {
  std::vector<std::wstring> names;
  for (size_t i = 1; i < Sections.size(); ++i)
    if (Sections[i].Name.Length != 0) names.emplace_back(View(Sections[i].Name));
  return names;
}

bool TProfileFile::SectionExists(std::wstring_view section) const {
  const TSection* s = FindSection(section, true);
  return s != nullptr && s->Name.Length != 0;
}

std::vector<std::wstring> TProfileFile::KeyNames(std::wstring_view section) const {
  std::vector<std::wstring> names;
  const TSection* s = FindSection(section, false);
  if (s == nullptr) return names;
  for (size_t i = s->FirstKey; i < s->EndKey && i < s->ListEnd; ++i)
    if (Keys[i].Listed) names.emplace_back(View(Keys[i].Name));
  return names;
}

bool TProfileFile::KeyExists(std::wstring_view section, std::wstring_view key) const {
  const TSection* s = FindSection(section, false);
  if (s == nullptr) return false;
  const TKey* found = FindKey(ListedSlots, *s, key);
  return found != nullptr && static_cast<size_t>(found - Keys.data()) < s->ListEnd;
}

}  // namespace pelorin
