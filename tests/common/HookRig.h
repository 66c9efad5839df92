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

struct THookRig {
  explicit THookRig(TPoint pointer = {0, 0}) : Mouse(Table, Cfg, Shared, Editor, Typed, pointer) {}
  THookRig(const THookRig&) = delete;
  THookRig& operator=(const THookRig&) = delete;

  // Feeds the sink's records back into both hooks.
  void LoopBack() {
    Sink.Mouse = &Mouse;
    Sink.Keyboard = &Keyboard;
  }

  TCustomInputTable Table;
  Settings Cfg;
  TSharedState Shared;
  FakeEditor Editor;
  CountingTypedChars Typed;
  TMouseHook Mouse;
  TKeyboardHook Keyboard{Table, Shared, Editor, Typed};
  RecordingSink Sink;
  TSyntheticInput Input{Shared, Mouse, Sink};
};

}  // namespace pelorin
