#pragma once
#include <windows.h>

#include "common/win/WindowBase.h"
#include "commands/ShowingThread.h"

namespace pelorin {

// The notification window: a translucent strip in the upper right corner that never takes
// the focus and ignores the mouse. GUI thread only.
//
// Start-up, in the GUI thread, once the dispatcher exists:
//   noteForm.Create(instance);
//   noteFocus.SetMainWindow(mainWindow);
//   TShowingThread notes(dispatcher, noteForm, noteFocus, Shared());
//   notes.SetNoteCheck(settings.NoteCheck);  // again whenever the setting changes
// Shutdown: dispatcher.Close(), then notes.Stop(), then noteForm.Destroy().
class TNoteForm : public TWindowBase, public NoteViewPort {
 public:
  TNoteForm() = default;
  ~TNoteForm() override { Destroy(); }

  bool Create(HINSTANCE instance);

  int32_t TextWidth(std::wstring_view text) override;
  bool Showing() override;
  void Show(const TNoteLayout& layout, std::optional<TPoint> moveTo) override;
  void KeepOnTop() override;
  void Hide() override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override { BoldFont.Reset(); }

 private:
  void Paint(HDC dc, const RECT& client) const;
  void PaintLevel(HDC dc) const;

  TOwnedFont BoldFont;
  TNoteLayout Layout;
};

// Pelorin's windows as the note's focus rules see them: every window of this process is one
// (the main window, the Clipboard Manager, help, a message box, ...), so none has to be
// registered; only the main window is named, since a note may disable it.
class TNoteFocus : public NoteFocusPort {
 public:
  void SetMainWindow(HWND window) { Main = window; }

  TWindowHandle OwnFrontWindow() override;
  bool WindowShowing(TWindowHandle window) override;
  bool MainWindowShowing() override;
  bool MainWindowEnabled() override;
  void EnableMainWindow(bool enable) override;
  void GiveFocusBack(TWindowHandle window) override;

 private:
  HWND Main = nullptr;
};

}  // namespace pelorin
