#include "config/win/SettingsDialogsWin.h"

#include <commdlg.h>

#include "common/win/ProcAddress.h"

#include <algorithm>
#include <vector>

namespace pelorin {

std::wstring FileDialogFilter(std::wstring_view filter) {
  std::wstring result(filter);
  for (wchar_t& c : result)
    if (c == L'|') c = L'\0';
  // The string's own terminator is the second 0 after the last part.
  result += L'\0';
  return result;
}

bool TWinSettingsDialogs::AskYesNo(std::wstring_view text, std::wstring_view caption) {
  return Show(text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::optional<std::wstring> TWinSettingsDialogs::ChooseSaveFile(std::wstring_view title, std::wstring_view fileName,
                                                                std::wstring_view filter) {
  return ChooseFile(true, title, fileName, filter);
}

std::optional<std::wstring> TWinSettingsDialogs::ChooseOpenFile(std::wstring_view title, std::wstring_view fileName,
                                                                std::wstring_view filter) {
  return ChooseFile(false, title, fileName, filter);
}

void TWinSettingsDialogs::ShowMessage(std::wstring_view text, std::wstring_view caption, TMsgIcon icon) {
  Show(text, caption, MB_OK | static_cast<UINT>(icon));
}

int TWinSettingsDialogs::Show(std::wstring_view text, std::wstring_view caption, UINT flags) {
  if (MsgBox) return MsgBox(text, caption, flags);
  std::wstring t(text), c(caption);
  return ::MessageBoxW(Owner, t.c_str(), c.c_str(), flags | MB_APPLMODAL);
}

std::optional<std::wstring> TWinSettingsDialogs::ChooseFile(bool save, std::wstring_view title,
                                                            std::wstring_view fileName, std::wstring_view filter) {
  std::wstring filterText = FileDialogFilter(filter);
  std::wstring titleText(title);
  // Room for the longest path the system accepts.
  std::vector<wchar_t> path(32768, L'\0');
  fileName.copy(path.data(), std::min(fileName.size(), path.size() - 1));

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Owner;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = titleText.c_str();
  // No overwrite prompt on save. The current folder stays: Pelorin's own files are found by
  // full paths, but a changed current folder would keep the chosen folder locked.
  dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                 (save ? 0 : OFN_FILEMUSTEXIST);
  // The dialogs' library is loaded by the first dialog, not at start-up: it brings the
  // printing libraries along, a few megabytes that a resident program should not carry.
  using DialogFn = BOOL(WINAPI*)(OPENFILENAMEW*);
  static HMODULE library = ::LoadLibraryW(L"comdlg32.dll");
  DialogFn show = nullptr;
  LoadProc(library, save ? "GetSaveFileNameW" : "GetOpenFileNameW", show);
  if (show == nullptr) return std::nullopt;
  BOOL chosen = show(&dialog);
  if (!chosen) return std::nullopt;
  return std::wstring(path.data());
}

}  // namespace pelorin
