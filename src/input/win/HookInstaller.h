#pragma once
#include <windows.h>

#include "input/KeyboardHook.h"
#include "input/MouseHook.h"

namespace pelorin {

// The recognisers the low-level callbacks hand their events to (GUI thread only).
void SetHookTargets(TKeyboardHook* keyboard, TMouseHook* mouse);

// Installs the system-wide keyboard hook, then the mouse hook; a handle stays 0 when its
// installation failed. True when both are in place.
bool InstallHooks(HINSTANCE instance);
// Removes each installed hook and forgets its handle.
void RemoveHooks();
HHOOK KeyboardHookHandle();
HHOOK MouseHookHandle();

// The core's view of the low-level records.
MouseEvent MouseEventFromHook(WPARAM message, const MSLLHOOKSTRUCT& record);
KeyEvent KeyEventFromHook(const KBDLLHOOKSTRUCT& record);

}  // namespace pelorin
