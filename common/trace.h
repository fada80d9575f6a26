// The trace logger of the Utility library.
//
// g_IAppTrace is valid while the library is loaded.  Trace writes one whole
// line per call: time, level, thread id, then the text formatted from a
// printf-style wide format (on Windows %s takes a wide string).  Calls from
// any number of threads at once never lose or interleave lines.
//
// Levels: 4 failures, 3 connection events, 2 per-packet detail.  The flag is
// carried into the line as given.
#ifndef COMMON_TRACE_H_
#define COMMON_TRACE_H_

#include "utility_api.h"

struct ITrace {
  // Writes one line; returns the number of characters of formatted text.
  virtual int Trace(int level, int flag, const wchar_t* format, ...) = 0;
  virtual ~ITrace() = default;
};

// The process-wide logger.  Tests may point it at their own ITrace and must
// restore it before they end.
extern UTILITY_API ITrace* g_IAppTrace;

namespace common {

// Where the default logger writes: "applog.txt" in the folder of the
// process's main program (where the crash reporter collects it).
UTILITY_API const wchar_t* TraceFilePath();

// A logger that appends lines to `path` in UTF-8.  The returned object is
// owned by the caller.
UTILITY_API ITrace* CreateFileTrace(const wchar_t* path);

}  // namespace common

#endif  // COMMON_TRACE_H_
