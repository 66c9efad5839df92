#include "common/win/Hints.h"

#include <commctrl.h>

#include <cmath>
#include <string>

namespace pelorin {

namespace {

constexpr UINT HintShowMs = 15000;
constexpr int HintWrapWidth = 400;  // pixels at 96 DPI; longer hints wrap

}  // namespace

bool THints::Create(HWND owner, HINSTANCE instance, double scale) {
  Owner = owner;
  Tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance,
                              nullptr);
  if (Tooltip == nullptr) return false;
  ::SendMessageW(Tooltip, TTM_SETMAXTIPWIDTH, 0, std::lround(HintWrapWidth * scale));
  ::SendMessageW(Tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, HintShowMs);
  return true;
}

void THints::Add(HWND control, std::wstring_view text) {
  if (control == nullptr || Tooltip == nullptr) return;
  std::wstring copy(text);
  TTTOOLINFOW tool{};
  // The shorter record is understood by every version of the common controls.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = copy.data();
  ::SendMessageW(Tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void THints::SetText(HWND control, std::wstring_view text) {
  if (control == nullptr || Tooltip == nullptr) return;
  std::wstring copy(text);
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = Owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = copy.data();
  ::SendMessageW(Tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(Tooltip, TTM_POP, 0, 0);
}

void THints::Remove(HWND control) {
  if (control == nullptr || Tooltip == nullptr) return;
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = Owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  ::SendMessageW(Tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace pelorin
