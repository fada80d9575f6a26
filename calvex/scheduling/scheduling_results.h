// Result codes of the scheduling operations, as the facade returns them to
// the host, and the one trace call both services use for failures.
#ifndef CALVEX_SCHEDULING_SCHEDULING_RESULTS_H_
#define CALVEX_SCHEDULING_SCHEDULING_RESULTS_H_

#include "exception.h"
#include "trace.h"

namespace logic {

const int kSchedulingOk = 0;
// A null argument, or the part (worker, window) does not exist.
const int kSchedulingNotStarted = 3;
// PostMessageW refused the event; the caller keeps it.
const int kEventPostFailed = 0x20002;
// The task was queued but the worker could not be signalled.
const int kTaskSignalFailed = 0x20003;
// removeTimer found no entry for the event.
const int kTimerNotRegistered = 0x20004;

// Failure lines go out at level 4 with flag 1.
template <typename... Args>
void traceFailure(const wchar_t* format, Args... args) {
  if (g_IAppTrace != nullptr) g_IAppTrace->Trace(4, 1, format, args...);
}

// Writes `format` with the exception's message, then ends the exception.
inline void traceAndDelete(const wchar_t* format, Exception* e) {
  if (e == nullptr) return;
  traceFailure(format, e->message.GetString());
  e->Delete();
}

// Calls `step` (a host's onException or release) so that what it throws is
// reported by `reportInFlight`, called inside the catch block, instead of
// leaving the worker loop or the window procedure.
template <typename Step, typename Report>
void callReporting(Step step, Report reportInFlight) {
  try {
    step();
  } catch (...) {
    reportInFlight();
  }
}

}  // namespace logic

#endif  // CALVEX_SCHEDULING_SCHEDULING_RESULTS_H_
