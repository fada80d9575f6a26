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
#include "message_pump.h"
#include "trace_recorder.h"

namespace scheduling_test {

using CapturingTrace = testsupport::TraceRecorder;
using testsupport::TraceLine;

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

using testsupport::kGenerousDeadlineMs;

template <typename Condition>
bool waitUntil(Condition condition) {
  return testsupport::WaitUntil(condition);
}

template <typename Condition>
bool pumpUntil(Condition condition) {
  return testsupport::PumpMessagesUntil(condition);
}

}  // namespace scheduling_test

#endif  // CALVEX_SCHEDULING_SCHEDULING_TEST_SUPPORT_H_
