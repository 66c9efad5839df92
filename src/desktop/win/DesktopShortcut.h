#pragma once
#include <windows.h>

#include <string>

namespace pelorin {

// A shell link named name.lnk in the user's desktop folder, replacing one of that name.
// False when any step failed; nothing is shown either way.
bool CreateDesktopShortcut(HWND owner, const std::wstring& target, const std::wstring& name,
                           const std::wstring& folder, const std::wstring& arguments, const std::wstring& iconFile,
                           int iconIndex);

}  // namespace pelorin
