// Helpers of the demo host: its transcript and its message pump.
#ifndef TOOLS_TAVIK_DEMO_UTIL_H_
#define TOOLS_TAVIK_DEMO_UTIL_H_

#include <functional>

// Marks the calling thread as the user-interface thread.
void SetUiThread();
// Prints "[ui    ] text" or "[worker] text" and a line end.
// One transcript line per call, safe from any thread: each line is written
// whole.
void Say(const char* format, ...);
// Pumps the calling thread's messages until `done` holds or `timeout_ms`
// passes; false on time-out.
bool PumpUntil(const std::function<bool()>& done, unsigned long timeout_ms);

#endif  // TOOLS_TAVIK_DEMO_UTIL_H_
