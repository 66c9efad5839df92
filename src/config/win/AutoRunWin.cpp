#include "config/win/AutoRunWin.h"

#include <windows.h>

#include <string>

#include "common/win/Owned.h"

namespace pelorin {
namespace {

const std::wstring KeyPath(RunKeyPath);
const std::wstring ValueName(RunValueName);

}  // namespace

TRunValue TWinRunKey::ReadRunValue() {
  TRunValue value;
  TOwnedKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
    return value;
  value.KeyOpened = true;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.Get(), ValueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return value;
  value.Exists = true;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return value;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.Get(), ValueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
      ERROR_SUCCESS)
    return value;
  // The stored data may or may not end with its terminating zero.
  data.resize(got / sizeof(wchar_t));
  while (!data.empty() && data.back() == L'\0') data.pop_back();
  value.Data = std::move(data);
  return value;
}

void TWinRunKey::WriteRunValue(std::wstring_view data) {
  TOwnedKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                        nullptr) != ERROR_SUCCESS)
    return;
  std::wstring text(data);
  ::RegSetValueExW(key.Get(), ValueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void TWinRunKey::DeleteRunValue() {
  TOwnedKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath.c_str(), 0, KEY_SET_VALUE, key.Out()) != ERROR_SUCCESS) return;
  ::RegDeleteValueW(key.Get(), ValueName.c_str());
}

}  // namespace pelorin
