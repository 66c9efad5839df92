#include "commands/CustomCommand.h"

#include <array>

namespace pelorin {

namespace {

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

enum class SeparatorKind { Extension, Cut, Switch };
struct Separator {
  std::wstring_view Text;
  SeparatorKind Kind;
};
constexpr std::array<Separator, 8> Separators = {{
    {L".EXE", SeparatorKind::Extension},
    {L".COM", SeparatorKind::Extension},
    {L".BAT", SeparatorKind::Extension},
    {L".CMD", SeparatorKind::Extension},
    {L"\"", SeparatorKind::Cut},
    {L"/", SeparatorKind::Switch},
    {L"-", SeparatorKind::Switch},
    {L" ", SeparatorKind::Cut},
}};

std::wstring_view From(std::wstring_view text, size_t pos) { return pos < text.size() ? text.substr(pos) : L""; }

}  // namespace

TCustomCommand SplitCustomCommand(std::wstring_view text) {
  if (text.empty()) return {};
  if (text.front() == L'"') text.remove_prefix(1);
  std::wstring upper(text);
  for (wchar_t& c : upper) c = UpperAscii(c);

  for (const Separator& sep : Separators) {
    size_t at = upper.find(sep.Text);
    if (at == std::wstring::npos) continue;
    TCustomCommand cmd;
    switch (sep.Kind) {
      case SeparatorKind::Extension:  // the character after the extension (quote or blank) goes
        cmd.File = text.substr(0, at + sep.Text.size());
        cmd.Parameters = From(text, at + sep.Text.size() + 1);
        break;
      case SeparatorKind::Cut:
        cmd.File = text.substr(0, at);
        cmd.Parameters = From(text, at + 1);
        break;
      case SeparatorKind::Switch:  // the switch keeps its "/" or "-"; the character in front goes
        cmd.File = text.substr(0, at == 0 ? 0 : at - 1);
        cmd.Parameters = text.substr(at);
        break;
    }
    size_t quote = cmd.Parameters.find(L'"');
    if (quote != std::wstring::npos) cmd.Parameters.erase(quote, 1);
    return cmd;
  }
  return {std::wstring(text), L""};
}

std::wstring CommandFolder(std::wstring_view file) {
  size_t last = file.find_last_of(L"\\/:");
  if (last == std::wstring_view::npos) return L"";
  std::wstring folder(file.substr(0, last + 1));
  // "C:\Tools\" becomes "C:\Tools"; a root such as "C:\" or "\" keeps its backslash.
  if (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) {
    wchar_t before = folder[folder.size() - 2];
    if (before != L':' && before != L'\\' && before != L'/') folder.pop_back();
  }
  return folder;
}

}  // namespace pelorin
