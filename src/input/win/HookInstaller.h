#pragma once
#include <windows.h>

#include "input/MouseHook.h"

namespace pelorin {

// The recogniser the low-level mouse callback hands its events to (GUI thread only).
void SetMouseHookTarget(TMouseHook* hook);

// Installs the system-wide hooks; a handle stays 0 when its installation failed.
// True when every hook is in place.
bool InstallHooks(HINSTANCE instance);
// Removes each installed hook and forgets its handle.
void RemoveHooks();
HHOOK MouseHookHandle();

// The core's view of one low-level mouse record.
MouseEvent MouseEventFromHook(WPARAM message, const MSLLHOOKSTRUCT& record);

}  // namespace pelorin
