#pragma once
#include <windows.h>

#include <string>

namespace pelorin {

// What Pelorin reads of another program's window. Its text needs the window's own thread to
// answer; the GUI thread runs the hooks for the whole desktop and never waits on a hung
// program, so the text request has a time limit.
struct TForeignWindow {
  bool Exists = false;    // a window at the time of reading; everything else is empty if not
  bool Answered = false;  // its thread answered the text request in time
  std::wstring Text;      // empty when not answered
  std::wstring ClassName;
  RECT Rect{};  // screen coordinates
  bool Visible = false;
};

// Text longer than this is cut: an edit control may hold megabytes, and a caption never does.
inline constexpr size_t ForeignTextMaxLength = 4096;

// Reads the window; WM_GETTEXTLENGTH and WM_GETTEXT together wait at most timeoutMs, and not
// at all for a window whose thread the system already takes for hung.
TForeignWindow ReadForeignWindow(HWND window, UINT timeoutMs);

}  // namespace pelorin
