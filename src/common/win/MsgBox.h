#pragma once
#include <windows.h>

#include <string_view>

namespace pelorin {

// The main window that owns every message box of Pelorin.
void SetMsgBoxOwner(HWND owner);

// Every message of Pelorin goes through here: an application-modal message box with the
// system's icon flags (16 error, 32/36 question, 48 warning, 64 information). While it is
// open, MsgBoxBusy tells foreground tracking that the box is no window change. Returns the
// button pressed (IDYES 6, IDNO 7, ...).
int MsgBox(std::wstring_view text, std::wstring_view caption, UINT flags);
// The same, closed by itself after closeAfterMs when nobody answered (its default button then;
// 0 for a box of OK only): for a report that must not hold up what follows it.
int MsgBox(std::wstring_view text, std::wstring_view caption, UINT flags, UINT closeAfterMs);

}  // namespace pelorin
