#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

// What the command line asks of this start.
struct TStartMode {
  // 1 sleep, 2 hibernate, 3 shut down, 4 reboot: carry it out and exit.
  int PowerCommand = 0;
  // Started at log-on or by a restart: stay hidden in the tray.
  bool AutoRun = false;
  // Set by a restart: the enabled state to keep, and how many restarts came before.
  std::optional<bool> AppEnabled;
  std::optional<int> RestartCount;
};

// The parameters after the executable: "autorun", or one of "Sleep", "Hibernate",
// "Shutdown", "Reboot" in any letter case; a restart adds "restart<N>" and 1 or 0.
TStartMode ParseStartMode(const std::vector<std::wstring>& parameters);

// The command line of a successor process. The path is quoted so that a folder with blanks
// survives; the parameters read back through ParseStartMode.
std::wstring RestartCommandLine(std::wstring_view exePath, int restartCount, bool appEnabled);

// Splits a command line the way the C runtime does for argv (quotes group, backslashes
// before a quote escape it); element 0 is the program.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

}  // namespace pelorin
