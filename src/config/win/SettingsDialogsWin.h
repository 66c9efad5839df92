#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/ExportImport.h"

namespace pelorin {

// "Name|pattern|Name|pattern" as the common file dialogs take it: every part ended by a 0,
// and one more 0 after the last.
std::wstring FileDialogFilter(std::wstring_view filter);

// The Export and Import dialogs on Win32: the common save and open dialogs and message boxes
// owned by the main window. GUI thread only.
class TWinSettingsDialogs final : public SettingsDialogPort {
 public:
  // Shows a message box and returns the button pressed (IDYES, IDOK, ...).
  using MsgBoxFunction = std::function<int(std::wstring_view text, std::wstring_view caption, UINT flags)>;

  void SetOwner(HWND owner) { Owner = owner; }
  // The program's MsgBox, which marks a message box as open; a plain MessageBoxW when unset.
  void SetMsgBox(MsgBoxFunction msgBox) { MsgBox = std::move(msgBox); }

  bool AskYesNo(std::wstring_view text, std::wstring_view caption) override;
  std::optional<std::wstring> ChooseSaveFile(std::wstring_view title, std::wstring_view fileName,
                                             std::wstring_view filter) override;
  std::optional<std::wstring> ChooseOpenFile(std::wstring_view title, std::wstring_view fileName,
                                             std::wstring_view filter) override;
  void ShowMessage(std::wstring_view text, std::wstring_view caption, TMsgIcon icon) override;

 private:
  int Show(std::wstring_view text, std::wstring_view caption, UINT flags);
  std::optional<std::wstring> ChooseFile(bool save, std::wstring_view title, std::wstring_view fileName,
                                         std::wstring_view filter);

  HWND Owner = nullptr;
  MsgBoxFunction MsgBox;
};

}  // namespace pelorin
