#include "config/AutoRun.h"

namespace pelorin {

std::wstring AutoRunData(std::wstring_view exePath) {
  return L"\"" + std::wstring(exePath) + L"\" autorun";
}

bool AutoRunMatches(AutoRunPort& registry, std::wstring_view expected) {
  TRunValue value = registry.ReadRunValue();
  if (!value.KeyOpened) return false;
  bool matches = value.Data == expected;  // an absent value reads as empty
  if (!matches && value.Exists) registry.DeleteRunValue();
  return matches;
}

void SetAutoRun(AutoRunPort& registry, bool enable, std::wstring_view expected) {
  if (enable)
    registry.WriteRunValue(expected);
  else
    registry.DeleteRunValue();
}

void SyncAutoRun(AutoRunPort& registry, bool autoRunCheck, std::wstring_view expected) {
  if (AutoRunMatches(registry, expected) != autoRunCheck) SetAutoRun(registry, autoRunCheck, expected);
}

}  // namespace pelorin
