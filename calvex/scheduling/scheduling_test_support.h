// Helpers of the scheduling tests: a trace that keeps its lines, and waits
// on conditions with a generous deadline (never on fixed sleeps).
#ifndef CALVEX_SCHEDULING_SCHEDULING_TEST_SUPPORT_H_
#define CALVEX_SCHEDULING_SCHEDULING_TEST_SUPPORT_H_

#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "afxstr.h"
#include "exception.h"
#include "trace.h"

namespace scheduling_test {

struct TraceLine {
  int level;
  int flag;
  std::wstring text;
};

// Points g_IAppTrace at itself for its lifetime and keeps every line.
class CapturingTrace : public ITrace {
 public:
  CapturingTrace() : previous_(g_IAppTrace) { g_IAppTrace = this; }
  ~CapturingTrace() override { g_IAppTrace = previous_; }

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

 private:
  ITrace* previous_;
  mutable std::mutex mutex_;
  std::vector<TraceLine> lines_;
};

// A logic::Exception that says when it has been deleted.
struct TrackedException : logic::Exception {
  TrackedException(const wchar_t* text, bool* deleted) : logic::Exception(1, CString(text)), deleted_(deleted) {}
  ~TrackedException() override { *deleted_ = true; }
  bool* deleted_;
};

// What a test object throws from one of its operations.
enum class Throw { kNothing, kLogicException, kRuntimeError, kLogicError, kInt };

struct ThrowSite {
  Throw what = Throw::kNothing;
  const char* text = "";
  bool exceptionDeleted = false;  // set when a thrown logic::Exception is deleted

  void fire() {
    switch (what) {
      case Throw::kNothing:
        return;
      case Throw::kLogicException:
        throw static_cast<logic::Exception*>(
            new TrackedException(std::wstring(text, text + strlen(text)).c_str(), &exceptionDeleted));
      case Throw::kRuntimeError:
        throw std::runtime_error(text);
      case Throw::kLogicError:
        throw std::logic_error(text);
      case Throw::kInt:
        throw 42;
    }
  }
};

const DWORD kGenerousDeadlineMs = 30000;

// Polls `condition` until it holds or the deadline passes.
template <typename Condition>
bool waitUntil(Condition condition) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > kGenerousDeadlineMs) return false;
    Sleep(1);
  }
  return true;
}

// Runs this thread's messages until `condition` holds or the deadline passes.
template <typename Condition>
bool pumpUntil(Condition condition) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (condition()) return true;
    if (GetTickCount() - start > kGenerousDeadlineMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace scheduling_test

#endif  // CALVEX_SCHEDULING_SCHEDULING_TEST_SUPPORT_H_
