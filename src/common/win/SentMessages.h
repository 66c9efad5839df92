#pragma once
#include <functional>

namespace pelorin {

// Waits until `done` is true while answering the messages other threads send to this
// thread's windows, and the low-level hooks' calls, which arrive the same way. Posted
// messages stay queued. For the GUI thread waiting for a thread that may be sending to it:
// a plain join would wait for each other for ever.
void AnswerSentMessagesUntil(const std::function<bool()>& done);

}  // namespace pelorin
