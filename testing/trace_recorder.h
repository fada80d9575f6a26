// TraceRecorder: a logger for tests.  While it lives, g_IAppTrace points at
// it and every line is kept with its level and flag; the previous logger is
// restored when it goes.  Lines may come from any thread.
#ifndef TESTING_TRACE_RECORDER_H_
#define TESTING_TRACE_RECORDER_H_

#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

#include "afxstr.h"
#include "trace.h"

namespace testsupport {

struct TraceLine {
  int level;
  int flag;
  std::wstring text;
};

class TraceRecorder : public ITrace {
 public:
  TraceRecorder() : previous_(g_IAppTrace) { g_IAppTrace = this; }
  ~TraceRecorder() override { g_IAppTrace = previous_; }
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  int Trace(int level, int flag, const wchar_t* format, ...) override {
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.push_back(TraceLine{level, flag, text.GetString()});
    return text.GetLength();
  }

  std::vector<TraceLine> lines() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return lines_;
  }

  std::vector<std::wstring> texts() const {
    std::vector<std::wstring> result;
    for (const TraceLine& line : lines()) result.push_back(line.text);
    return result;
  }

  // How many lines read exactly `text`.
  int count(const std::wstring& text) const {
    int found = 0;
    for (const TraceLine& line : lines()) found += line.text == text ? 1 : 0;
    return found;
  }

 private:
  ITrace* previous_;
  mutable std::mutex mutex_;  // guards lines_
  std::vector<TraceLine> lines_;
};

}  // namespace testsupport

#endif  // TESTING_TRACE_RECORDER_H_
