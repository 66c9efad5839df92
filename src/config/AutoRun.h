#pragma once
#include <string>
#include <string_view>

namespace pelorin {

// The log-on entry: value "Pelorin" under the current user's
// "SOFTWARE\Microsoft\Windows\CurrentVersion\Run".
inline constexpr std::wstring_view RunKeyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::wstring_view RunValueName = L"Pelorin";

struct TRunValue {
  bool KeyOpened = false;  // the Run key could be opened for reading
  bool Exists = false;     // the value exists (of any type)
  std::wstring Data;       // its text; empty for a value that is not a string
};

// The Run key of the current user. Failures to open the key are ignored.
struct AutoRunPort {
  virtual ~AutoRunPort() = default;
  // The value, the key opened read-only.
  virtual TRunValue ReadRunValue() = 0;
  // Opens the key for writing, creating it when needed, and writes the value as a string.
  virtual void WriteRunValue(std::wstring_view data) = 0;
  // Opens the key for writing and deletes the value when it exists.
  virtual void DeleteRunValue() = 0;
};

// What the value must hold: the executable's path in double quotation marks and " autorun".
std::wstring AutoRunData(std::wstring_view exePath);

// True when the value holds exactly `expected`. A value holding anything else is deleted on
// the way, so that an entry of an older copy of Pelorin does not survive.
bool AutoRunMatches(AutoRunPort& registry, std::wstring_view expected);
void SetAutoRun(AutoRunPort& registry, bool enable, std::wstring_view expected);
// Brings the value in line with the "Auto-runs at Windows start" check box.
void SyncAutoRun(AutoRunPort& registry, bool autoRunCheck, std::wstring_view expected);

}  // namespace pelorin
