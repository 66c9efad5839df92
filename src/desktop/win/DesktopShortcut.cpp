#include "desktop/win/DesktopShortcut.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "common/win/Com.h"

namespace pelorin {

bool CreateDesktopShortcut(HWND owner, const std::wstring& target, const std::wstring& name,
                           const std::wstring& folder, const std::wstring& arguments, const std::wstring& iconFile,
                           int iconIndex) {
  // The GUI thread may not be in an apartment yet; one for the moment of the call will do.
  TComApartment apartment(COINIT_APARTMENTTHREADED);
  TComPtr<IShellLinkW> link;
  {
    IShellLinkW* raw = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&raw))))
      return false;
    link.Attach(raw);
  }
  if (link->SetPath(target.c_str()) != S_OK) return false;
  if (!iconFile.empty() && link->SetIconLocation(iconFile.c_str(), iconIndex) != S_OK) return false;
  if (link->SetArguments(arguments.c_str()) != S_OK) return false;
  if (link->SetWorkingDirectory(folder.c_str()) != S_OK) return false;

  PIDLIST_ABSOLUTE list = nullptr;
  if (::SHGetSpecialFolderLocation(owner, CSIDL_DESKTOPDIRECTORY, &list) != S_OK || list == nullptr) return false;
  wchar_t path[MAX_PATH + 1] = {};
  const bool havePath = ::SHGetPathFromIDListW(list, path) != FALSE;
  ::CoTaskMemFree(list);
  if (!havePath) return false;

  TComPtr<IPersistFile> file;
  {
    IPersistFile* raw = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&raw)))) return false;
    file.Attach(raw);
  }
  const std::wstring linkFile = std::wstring(path) + L"\\" + name + L".lnk";
  return SUCCEEDED(file->Save(linkFile.c_str(), FALSE));
}

}  // namespace pelorin
