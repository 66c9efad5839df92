#include "config/ProfileFile.h"

#include <cstdint>
#include <limits>

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

std::wstring Folded(std::wstring_view s) {
  std::wstring folded(s);
  for (wchar_t& c : folded)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return folded;
}

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

TProfileFile::TProfileFile(std::wstring_view text) {
  Sections.emplace_back();
  FirstSection.emplace(std::wstring(), 0);
  TSection* section = &Sections.back();
  bool previousNameEmpty = false;  // the section's last key has an empty name

  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring_view line = TrimBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;

    if (line.front() == L'[') {
      size_t close = line.rfind(L']');
      if (close != std::wstring_view::npos) {
        std::wstring name(UpToZero(TrimBlanks(line.substr(1, close - 1))));
        // A "[]" section never shadows the nameless one, which comes first.
        FirstSection.try_emplace(Folded(name), Sections.size());
        Sections.push_back(TSection{std::move(name), {}, {}, {}, std::wstring::npos});
        section = &Sections.back();
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
    TKey key{std::wstring(UpToZero(rawName)), std::nullopt};
    if (value) key.Value = std::wstring(UpToZero(*value));
    previousNameEmpty = key.Name.empty();
    AddKey(*section, std::move(key));
  }
}

void TProfileFile::AddKey(TSection& section, TKey key) {
  std::wstring folded = Folded(key.Name);
  size_t index = section.Keys.size();
  section.FirstKey.try_emplace(folded, index);
  if (key.Value.has_value() && !key.Name.starts_with(L';')) {
    section.FirstListed.try_emplace(folded, index);
    if (key.Name.empty() && section.ListEnd == std::wstring::npos) section.ListEnd = index;
  }
  section.Keys.push_back(std::move(key));
}

const TProfileFile::TSection* TProfileFile::FindSection(std::wstring_view name, bool trimmed) const {
  auto found = FirstSection.find(Folded(trimmed ? TrimBlanks(name) : name));
  return found == FirstSection.end() ? nullptr : &Sections[found->second];
}

std::optional<std::wstring> TProfileFile::ReadString(std::wstring_view section, std::wstring_view key) const {
  const TSection* s = FindSection(section, true);
  std::wstring_view name = TrimBlanks(key);
  if (s == nullptr || name.empty()) return std::nullopt;
  auto found = s->FirstKey.find(Folded(name));
  if (found == s->FirstKey.end()) return std::nullopt;
  const std::optional<std::wstring>& value = s->Keys[found->second].Value;
  if (!value) return std::nullopt;

  constexpr size_t Room = ValueBufferChars - 1;
  std::wstring_view v = *value;
  if (v.size() >= 2 && (v[0] == L'"' || v[0] == L'\'') && v.back() == v[0]) {
    std::wstring_view inner = v.substr(1);
    std::wstring result(inner.substr(0, Room));
    if (inner.size() <= ValueBufferChars) result.pop_back();
    return result;
  }
  return std::wstring(v.substr(0, Room));
}

std::optional<int32_t> TProfileFile::ReadInteger(std::wstring_view section, std::wstring_view key) const {
  std::optional<std::wstring> text = ReadString(section, key);
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
    if (!Sections[i].Name.empty()) names.push_back(Sections[i].Name);
  return names;
}

bool TProfileFile::SectionExists(std::wstring_view section) const {
  const TSection* s = FindSection(section, true);
  return s != nullptr && !s->Name.empty();
}

std::vector<std::wstring> TProfileFile::KeyNames(std::wstring_view section) const {
  std::vector<std::wstring> names;
  const TSection* s = FindSection(section, false);
  if (s == nullptr) return names;
  for (size_t i = 0; i < s->Keys.size() && i < s->ListEnd; ++i) {
    const TKey& k = s->Keys[i];
    if (k.Value && !k.Name.starts_with(L';')) names.push_back(k.Name);
  }
  return names;
}

bool TProfileFile::KeyExists(std::wstring_view section, std::wstring_view key) const {
  const TSection* s = FindSection(section, false);
  if (s == nullptr) return false;
  auto found = s->FirstListed.find(Folded(key));
  return found != s->FirstListed.end() && found->second < s->ListEnd;
}

}  // namespace pelorin
