#pragma once
#include <string>
#include <string_view>

namespace pelorin {

struct TCustomCommand {
  std::wstring File;
  std::wstring Parameters;
  friend bool operator==(const TCustomCommand&, const TCustomCommand&) = default;
};

// Splits a command line into the file to start and its parameters. The first of the
// separators ".EXE", ".COM", ".BAT", ".CMD", a double quote, "/", "-" and a blank that occurs
// anywhere decides, at its first occurrence; users' existing command lines rely on exactly
// this split, quirks included.
TCustomCommand SplitCustomCommand(std::wstring_view text);

// The folder a custom command starts in: the file up to its last path delimiter, without a
// trailing backslash except for a drive root; empty for a bare file name.
std::wstring CommandFolder(std::wstring_view file);

}  // namespace pelorin
