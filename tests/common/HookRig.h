// The hooks as the tests drive them: the custom input table, the settings, the shared state,
// a fake editor, the typed characters, both hooks, and synthetic input through a recording
// sink (which can loop back into the hooks). A fixture derives from it, or a case makes one.
#pragma once
#include "CoreFakes.h"
#include "NoEditor.h"
#include "base/Settings.h"
#include "base/SharedState.h"
#include "input/CustomInputTable.h"

namespace pelorin {

// TSink is where synthetic input goes (a recording fake, or the real SendInput in the
// Windows-side tests), TTyped the typed-character log.
template <class TSink, class TTyped>
struct THookRigOf {
  explicit THookRigOf(TPoint pointer = {0, 0}) : Mouse(Table, Cfg, Shared, Editor, Typed, pointer) {}
  THookRigOf(const THookRigOf&) = delete;
  THookRigOf& operator=(const THookRigOf&) = delete;

  // Feeds the sink's records back into both hooks (the recording sink only).
  void LoopBack() {
    Sink.Mouse = &Mouse;
    Sink.Keyboard = &Keyboard;
  }

  TCustomInputTable Table;
  Settings Cfg;
  TSharedState Shared;
  FakeEditor Editor;
  TTyped Typed;
  TMouseHook Mouse;
  TKeyboardHook Keyboard{Table, Shared, Editor, Typed};
  TSink Sink;
  TSyntheticInput Input{Shared, Mouse, Sink};
};

using THookRig = THookRigOf<RecordingSink, CountingTypedChars>;

}  // namespace pelorin
