#include "app/win/TrayIcon.h"

#include <algorithm>

#include "app/Tray.h"

namespace pelorin {

// The record's full size since Windows Vista, with the balloon icon: the shell reads every
// field by this size.
#ifdef _WIN64
static_assert(sizeof(NOTIFYICONDATAW) == 976, "the Vista and later tray record");
#endif
static_assert(sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t) == TrayTipMaxLength + 1);

namespace {

HICON LoadSmallIcon(HMODULE resources, const wchar_t* name) {
  return static_cast<HICON>(::LoadImageW(resources, name, IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                         ::GetSystemMetrics(SM_CYSMICON), 0));
}

}  // namespace

bool TTrayIcon::Add(HWND owner, HMODULE resources) {
  if (Added()) Delete();
  Owner = owner;
  TaskbarCreated = ::RegisterWindowMessageW(TaskbarCreatedMessageName);
  // An elevated Pelorin would not hear Explorer's announcement otherwise.
  ::ChangeWindowMessageFilterEx(owner, TaskbarCreated, MSGFLT_ALLOW, nullptr);
  EnabledIcon.Reset(LoadSmallIcon(resources, L"TRAY_ICON"));
  DisabledIcon.Reset(LoadSmallIcon(resources, L"TRAY_ICON_GRAY"));

  Data = NOTIFYICONDATAW{};
  Data.cbSize = sizeof(Data);
  Data.hWnd = owner;
  Data.uID = 0;
  Data.uFlags = NIF_MESSAGE | NIF_TIP;
  Data.uCallbackMessage = TrayCallbackMessage;
  return Notify(NIM_ADD);
}

bool TTrayIcon::Refresh(const std::wstring& tip, bool enabled) {
  if (!Added()) return false;
  Data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  Data.hIcon = Image(enabled);
  size_t length = std::min(tip.size(), TrayTipMaxLength);
  std::copy_n(tip.begin(), length, Data.szTip);
  Data.szTip[length] = L'\0';
  return Notify(NIM_MODIFY);
}

bool TTrayIcon::Delete() {
  bool deleted = Added() && Notify(NIM_DELETE);
  Owner = nullptr;
  EnabledIcon.Reset();
  DisabledIcon.Reset();
  Data.hIcon = nullptr;
  return deleted;
}

bool TTrayIcon::HandleMessage(UINT message) {
  if (TaskbarCreated == 0 || message != TaskbarCreated) return false;
  if (Added()) Notify(NIM_ADD);  // a new shell knows no icons; the record has the last image and tip
  return true;
}

bool TTrayIcon::Notify(DWORD operation) { return ::Shell_NotifyIconW(operation, &Data) != FALSE; }

}  // namespace pelorin
