#pragma once
#include <atomic>

namespace pelorin {

// What the main window hears of standby and the end of the session.
enum class TPowerEvent {
  Other,
  Suspend,              // the system goes to standby
  Resume,               // back from standby (automatic or by the user)
  SessionEnding,        // log-off or system shutdown asked; Pelorin never refuses
  SessionEndCancelled,  // another program refused, the session goes on
};

// What the GUI thread does about one such event.
struct TPowerReaction {
  bool ForgetHeldKeys = false;   // keys held across standby would stay pressed
  bool SaveNow = false;          // write what changed, without asking anyone anything
  bool CloseMainWindow = false;  // the system shuts down: the orderly exit
};

// Moves `suspending` (standby, log-off or shutdown under way) and says what to do. The save
// runs once, on the first event since the last resume. `systemShutdown` tells a shutdown from
// a log-off. Nothing happens while Pelorin changes its own controls.
TPowerReaction PowerEventReaction(TPowerEvent event, bool systemShutdown, bool programmaticChange,
                                  std::atomic<bool>& suspending);

}  // namespace pelorin
