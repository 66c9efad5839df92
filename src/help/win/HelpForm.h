#pragma once
#include <windows.h>

#include "common/win/Owned.h"
#include "common/win/WindowBase.h"

namespace pelorin {

// The help window (HelpForm): a small window without a title, owned by the main window, whose
// one control, HelpMemo, shows the help text of the main window's page read-only. While it is
// shown the main window is disabled; closing it (Enter, Esc, the system menu, Alt+F4) hides
// it and hands the keyboard back to the main window; the main window brought to the front
// meanwhile (a second start, the tray) passes the keyboard on to the help. It is created hidden at start-up and
// only shown and hidden until shutdown. GUI thread only.
//
//   THelpForm help;
//   help.Create(instance, resources, mainWindow);
//   help.Show(mainForm.HelpIndex());    // F1 in the main window
//   help.Destroy();                     // shutdown, before the main window goes
class THelpForm : public TWindowBase {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinHelpForm";

  THelpForm() = default;
  ~THelpForm() override { Destroy(); }

  // Creates the window hidden, with its client area at the design size scaled to the
  // screen's DPI. The icon comes from `resources`.
  bool Create(HINSTANCE instance, HMODULE resources, HWND mainWindow);
  // Hides the window first when it is shown, so the main window is enabled again.
  void Destroy();

  // Disables the main window, puts HelpTexts[textIndex] into the memo, centres the window
  // over the main window and shows it in front with the keyboard in the memo. Nothing for an
  // index out of range.
  void Show(int textIndex);
  // Hides the window, enables the main window and gives it the keyboard back.
  void Close();

  bool Visible() const { return Handle() != nullptr && ::IsWindowVisible(Handle()); }
  HWND HelpMemo() const { return Memo; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override;

 private:
  static LRESULT CALLBACK MainWindowProc(HWND main, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
  static LRESULT CALLBACK MemoProc(HWND memo, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self) noexcept;
  void MakeFont();
  void PlaceOverMainWindow();
  // True when the key closed the window.
  bool HelpMemoKeyPress(WPARAM key);
  void EnableMainWindow();

  HWND MainWindow = nullptr;
  bool MainSubclassed = false;
  HWND Memo = nullptr;
  // The control of the main window that had the keyboard when the help was asked for.
  HWND MainFocus = nullptr;
  // Set while this window keeps the main window disabled: whatever ends that, enables it.
  bool MainDisabled = false;
  TOwnedFont Font;
};

}  // namespace pelorin
