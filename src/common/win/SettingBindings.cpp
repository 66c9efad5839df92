#include "common/win/SettingBindings.h"

#include <commctrl.h>

#include <string>

namespace pelorin {

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[32] = {};
  int got = ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return std::wstring(text, static_cast<size_t>(got > 0 ? got : 0));
}

}  // namespace

int SpinValue(const std::wstring& text, const TRange& range) {
  if (text.empty() || text.size() > 9) return range.Clamp(text.empty() ? range.Min : range.Max);
  int value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return range.Min;
    value = value * 10 + (c - L'0');
  }
  return range.Clamp(value);
}

void TSettingBindings::Init(HWND page) const {
  for (const TTrackBinding& b : Tables.Tracks) {
    HWND track = ::GetDlgItem(page, b.Id);
    ::SendMessageW(track, TBM_SETRANGEMIN, FALSE, b.Range.Min);
    ::SendMessageW(track, TBM_SETRANGEMAX, TRUE, b.Range.Max);
    ::SendMessageW(track, TBM_SETTICFREQ, b.TickFrequency, 0);
    ::SendMessageW(track, TBM_SETPAGESIZE, 0, b.TickFrequency);
    ::SendMessageW(track, TBM_SETLINESIZE, 0, 1);
  }
  for (const TSpinBinding& b : Tables.Spins) {
    ::SendMessageW(::GetDlgItem(page, b.SpinId), UDM_SETRANGE32, b.Range.Min, b.Range.Max);
    ::SendMessageW(::GetDlgItem(page, b.EditId), EM_SETLIMITTEXT, std::to_wstring(b.Range.Max).size(), 0);
  }
}

void TSettingBindings::Show(HWND page, const Settings& settings) const {
  for (const TCheckBinding& b : Tables.Checks)
    ::SendMessageW(::GetDlgItem(page, b.Id), BM_SETCHECK, settings.*b.Field ? BST_CHECKED : BST_UNCHECKED, 0);
  for (const TTrackBinding& b : Tables.Tracks)
    ::SendMessageW(::GetDlgItem(page, b.Id), TBM_SETPOS, TRUE, b.Range.Clamp(settings.*b.Field));
  for (const TSpinBinding& b : Tables.Spins)
    ::SendMessageW(::GetDlgItem(page, b.SpinId), UDM_SETPOS32, 0, b.Range.Clamp(settings.*b.Field));
}

std::optional<TSettingControl> TSettingBindings::Report(TSettingControl control, void (*mark)(TConfigState&)) {
  mark(State);
  if (Changed) Changed(control);
  return control;
}

std::optional<TSettingControl> TSettingBindings::Clicked(HWND page, int id) {
  if (State.ProgrammaticChange) return std::nullopt;
  for (const TCheckBinding& b : Tables.Checks) {
    if (b.Id != id) continue;
    Cfg.*b.Field = ::SendMessageW(::GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return Report(b.Control, b.Mark);
  }
  return std::nullopt;
}

std::optional<TSettingControl> TSettingBindings::Moved(HWND track) {
  int id = ::GetDlgCtrlID(track);
  for (const TTrackBinding& b : Tables.Tracks) {
    if (b.Id != id) continue;
    int position = static_cast<int>(::SendMessageW(track, TBM_GETPOS, 0, 0));
    // The end of a drag reports the position it already had.
    if (State.ProgrammaticChange || Cfg.*b.Field == position) return std::nullopt;
    Cfg.*b.Field = position;
    return Report(b.Control, b.Mark);
  }
  return std::nullopt;
}

std::optional<TSettingControl> TSettingBindings::Edited(HWND page, int editId) {
  if (State.ProgrammaticChange) return std::nullopt;
  for (const TSpinBinding& b : Tables.Spins) {
    if (b.EditId != editId) continue;
    Cfg.*b.Field = SpinValue(TextOf(::GetDlgItem(page, editId)), b.Range);
    return Report(b.Control, b.Mark);
  }
  return std::nullopt;
}

void TSettingBindings::Left(HWND page, int editId) const {
  for (const TSpinBinding& b : Tables.Spins) {
    if (b.EditId != editId) continue;
    int value = Cfg.*b.Field;
    if (TextOf(::GetDlgItem(page, editId)) != std::to_wstring(value)) {
      TProgrammaticChange guard(State);
      ::SendMessageW(::GetDlgItem(page, b.SpinId), UDM_SETPOS32, 0, value);
    }
    return;
  }
}

}  // namespace pelorin
