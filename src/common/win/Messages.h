#pragma once
#include <windows.h>

namespace pelorin {

// Pelorin's own window messages, all of them here so that no two meet on one window.
//
// WM_USER to WM_APP - 1 belong to a window class, and the dialog manager takes the first of
// them on every dialog: DM_GETDEFID (WM_USER + 0), DM_SETDEFID (WM_USER + 1), DM_REPOSITION
// (WM_USER + 2). A message in that range sent to a dialog page would be taken for one of
// those, so only top-level windows that are no dialogs get one. Messages for the pages of
// the main window are in the WM_APP range.

// The tray icon's callback to the main window, a top-level window and never a dialog;
// lParam is the mouse message. Kept at 0x401, the value the test drivers post too.
inline constexpr UINT TrayCallbackMessage = WM_USER + 1;
static_assert(TrayCallbackMessage == 0x401);

// Posted to the Commands page: CommandCombo changes its kind once its own notification is
// over.
inline constexpr UINT SwitchCommandComboMessage = WM_APP + 1;

// A piece of work for the GUI thread, posted to the dispatcher's message-only window;
// lParam is the item.
inline constexpr UINT GuiWorkMessage = WM_APP + 2;

// Posted by the brightness slider's writer thread to the slider when a monitor call finished.
inline constexpr UINT BrightnessLandedMessage = WM_APP + 3;

// Posted to the help window when its disabled owner was brought to the front: the help takes
// the activation over once the owner's own activation is through.
inline constexpr UINT HelpTakeFrontMessage = WM_APP + 4;

// Registered by name: Explorer sends it to every top-level window when it (re)starts, and
// the tray icon must then be added again.
inline constexpr wchar_t TaskbarCreatedMessageName[] = L"TaskbarCreated";

static_assert(SwitchCommandComboMessage >= WM_APP, "a page's messages stay clear of the dialog manager's");

}  // namespace pelorin
