#include "common/win/SentMessages.h"

#include <windows.h>

namespace pelorin {

void AnswerSentMessagesUntil(const std::function<bool()>& done) {
  // A short wait rather than one on the thread's handle: std::thread does not give it, and
  // this runs only while a thread ends.
  constexpr DWORD StepMs = 10;
  while (!done()) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, StepMs, QS_SENDMESSAGE, 0);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace pelorin
