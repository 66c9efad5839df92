#include "common/win/MsgBox.h"

#include <atomic>
#include <string>

#include "base/SharedState.h"

namespace pelorin {

namespace {
std::atomic<HWND> Owner{nullptr};
}  // namespace

void SetMsgBoxOwner(HWND owner) { Owner = owner; }

int MsgBox(std::wstring_view text, std::wstring_view caption, UINT flags) {
  TSharedState& shared = Shared();
  bool was = shared.MsgBoxBusy.exchange(true);
  int result = ::MessageBoxW(Owner.load(), std::wstring(text).c_str(), std::wstring(caption).c_str(),
                             flags | MB_APPLMODAL);
  shared.MsgBoxBusy = was;  // a box opened from inside another keeps the flag
  return result;
}

}  // namespace pelorin
