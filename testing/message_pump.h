// Waiting helpers for tests: they wait on a condition with a generous
// deadline, never for a fixed time.
//
// PumpMessagesUntil runs the calling thread's message loop meanwhile, for
// objects that deliver through that thread's windows (the dispatcher, the
// client socket); call it on the thread that owns them.  WaitUntil only polls.
#ifndef TESTING_MESSAGE_PUMP_H_
#define TESTING_MESSAGE_PUMP_H_

#include <windows.h>

namespace testsupport {

const DWORD kGenerousDeadlineMs = 30000;

template <typename Condition>
bool PumpMessagesUntil(Condition done, DWORD deadlineMs = kGenerousDeadlineMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (GetTickCount() - start > deadlineMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

template <typename Condition>
bool WaitUntil(Condition done, DWORD deadlineMs = kGenerousDeadlineMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > deadlineMs) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace testsupport

#endif  // TESTING_MESSAGE_PUMP_H_
