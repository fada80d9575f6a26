// PumpMessagesUntil: for tests whose objects notify through the calling
// thread's message queue.  Runs the thread's message loop until `done` holds
// or a generous deadline passes; returns whether `done` held.  Called on the
// thread that owns the windows concerned.
#ifndef PLATFORM_NETWORK_MESSAGE_PUMP_H_
#define PLATFORM_NETWORK_MESSAGE_PUMP_H_

#include <windows.h>

namespace network {

template <typename Condition>
bool PumpMessagesUntil(Condition done, DWORD deadlineMs = 20000) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) {
      return true;
    }
    if (GetTickCount() - start > deadlineMs) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace network

#endif  // PLATFORM_NETWORK_MESSAGE_PUMP_H_
