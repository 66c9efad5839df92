#pragma once
#include <cwctype>
#include <string_view>

namespace pelorin {

// Equal but for letter case: command-line words, registered clipboard format names (an atom
// table, which ignores case).
inline bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

}  // namespace pelorin
