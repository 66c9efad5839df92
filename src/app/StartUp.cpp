#include "app/StartUp.h"

#include "common/TextCompare.h"
#include "input/InputCatalogue.h"

namespace pelorin {

namespace {

std::optional<int> ParseInt(std::wstring_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  return value;
}

}  // namespace

TStartMode ParseStartMode(const std::vector<std::wstring>& parameters) {
  TStartMode mode;
  if (parameters.empty()) return mode;
  const std::wstring& first = parameters.front();
  for (int item = cmdSleep; item <= cmdReboot; ++item)
    if (EqualNoCase(first, CommandCatalogue[item])) mode.PowerCommand = item - 1;
  mode.AutoRun = first == L"autorun";
  if (parameters.size() >= 2) {
    std::wstring_view restart = parameters[parameters.size() - 2];
    if (restart.substr(0, 7) == L"restart") {
      auto enabled = ParseInt(parameters.back());
      if (enabled) mode.AppEnabled = *enabled != 0;
      mode.RestartCount = ParseInt(restart.substr(7));
    }
  }
  return mode;
}

std::wstring RestartCommandLine(std::wstring_view exePath, int restartCount, bool appEnabled) {
  return L"\"" + std::wstring(exePath) + L"\" autorun restart" + std::to_wstring(restartCount) + L" " +
         (appEnabled ? L"1" : L"0");
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> args;
  size_t i = 0;
  // The program name ends at the closing quote or the first blank; backslashes are literal.
  std::wstring program;
  if (i < line.size() && line[i] == L'"') {
    for (++i; i < line.size() && line[i] != L'"'; ++i) program += line[i];
    if (i < line.size()) ++i;
  } else {
    for (; i < line.size() && line[i] != L' ' && line[i] != L'\t'; ++i) program += line[i];
  }
  args.push_back(program);
  for (;;) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= line.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      size_t slashes = 0;
      while (i < line.size() && line[i] == L'\\') {
        ++slashes;
        ++i;
      }
      if (i < line.size() && line[i] == L'"') {
        arg.append(slashes / 2, L'\\');
        if (slashes % 2 == 1) {
          arg += L'"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
          arg += L'"';  // "" inside quotes is a literal quote
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(slashes, L'\\');
        if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) arg += line[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace pelorin
