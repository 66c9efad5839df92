#include "common/win/ForeignWindow.h"

#include <algorithm>

namespace pelorin {

namespace {

// SMTO_BLOCK: nothing else of this thread runs while it waits, so no hook or other message
// comes in between. SMTO_ABORTIFHUNG: a thread that has not read its queue for a while gets
// no wait at all.
bool AskWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD deadline, DWORD_PTR& result) {
  LONG left = static_cast<LONG>(deadline - ::GetTickCount());
  if (left <= 0) return false;
  return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               static_cast<UINT>(left), &result) != 0;
}

}  // namespace

TForeignWindow ReadForeignWindow(HWND window, UINT timeoutMs) {
  TForeignWindow read;
  if (window == nullptr || !::IsWindow(window)) return read;
  read.Exists = true;
  // A class name is at most 256 characters.
  wchar_t className[257] = {};
  int classLength = ::GetClassNameW(window, className, static_cast<int>(std::size(className)));
  read.ClassName.assign(className, static_cast<size_t>(std::max(classLength, 0)));
  ::GetWindowRect(window, &read.Rect);
  read.Visible = ::IsWindowVisible(window) != FALSE;

  const DWORD deadline = ::GetTickCount() + timeoutMs;
  DWORD_PTR length = 0;
  if (!AskWithin(window, WM_GETTEXTLENGTH, 0, 0, deadline, length)) return read;
  length = std::min<DWORD_PTR>(length, ForeignTextMaxLength);
  if (length > 0) {
    // WM_GETTEXTLENGTH may answer more than WM_GETTEXT then copies, and the text may change
    // in between.
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!AskWithin(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), deadline, copied))
      return read;
    text.resize(std::min<size_t>(copied, length));
    read.Text = std::move(text);
  }
  read.Answered = true;
  return read;
}

}  // namespace pelorin
