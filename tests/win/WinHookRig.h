// The hooks as the Windows-side tests drive them: the shared rig with the real SendInput and
// the real typed-character log.
#pragma once
#include "HookRig.h"
#include "input/TypedChars.h"
#include "tracked/win/SyntheticInputWin.h"

namespace pelorin {

using TWinHookRig = THookRigOf<TSyntheticInputWin, TTypedChars>;

}  // namespace pelorin
