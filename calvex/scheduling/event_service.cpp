#include "event_service.h"

#include <iterator>

#include "afxwin.h"
#include "logic.h"
#include "scheduling_results.h"

namespace logic {

namespace {

const wchar_t kWindowClassName[] = L"___LogicEventDisptacherWndClass";
const wchar_t kDispatcherMessageName[] = L"___LogicEventDisptacherMessage";
const UINT_PTR kTimerId = 8888;
const UINT kTimerPeriodMs = 1000;

class SharedGuard {
 public:
  explicit SharedGuard(SRWLOCK* guard) : guard_(guard) { AcquireSRWLockShared(guard_); }
  ~SharedGuard() { ReleaseSRWLockShared(guard_); }
  SharedGuard(const SharedGuard&) = delete;
  SharedGuard& operator=(const SharedGuard&) = delete;

 private:
  SRWLOCK* guard_;
};

class ExclusiveGuard {
 public:
  explicit ExclusiveGuard(SRWLOCK* guard) : guard_(guard) { AcquireSRWLockExclusive(guard_); }
  ~ExclusiveGuard() { ReleaseSRWLockExclusive(guard_); }
  ExclusiveGuard(const ExclusiveGuard&) = delete;
  ExclusiveGuard& operator=(const ExclusiveGuard&) = delete;

 private:
  SRWLOCK* guard_;
};

void traceEventException(Exception* e) { traceAndDelete(L"LogicEventService: event run exception:%s", e); }

// Inside a catch block: writes the line for the exception in flight and ends
// a logic::Exception.
void traceCurrentException() {
  try {
    throw;
  } catch (Exception* e) {
    traceEventException(e);
  } catch (...) {
    traceFailure(L"LogicTaskThread: task run exception,unknown reason");
  }
}

void releaseReporting(IEvent* event) {
  callReporting([event] { event->release(); }, traceCurrentException);
}

}  // namespace

UINT LogicEventService::dispatcherMessage = 0;

LogicEventService::LogicEventService() : window(nullptr), runningEntry(nullptr), passActive(false) {
  InitializeSRWLock(&windowGuard);
  dispatcherMessage = RegisterWindowMessageW(kDispatcherMessageName);
}

LogicEventService::~LogicEventService() {
  try {
    stop();
    CSingleLock guard(&lock, TRUE);
    releaseAllTimers();
  } catch (...) {
    traceFailure(L"LogicEventService: shutdown throw unknown exception");
  }
}

HWND LogicEventService::createWindow() {
  HWND existing = getWindow();
  if (existing != nullptr) return existing;

  HINSTANCE instance = AfxGetModuleState()->m_hCurrentInstanceHandle;
  WNDCLASSW windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &LogicEventService::windowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClassName;
  if (RegisterClassW(&windowClass) == 0) return nullptr;

  HWND created = CreateWindowExW(0, kWindowClassName, L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, instance, nullptr);
  if (created == nullptr) return nullptr;
  SetWindowLongPtrW(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetTimer(created, kTimerId, kTimerPeriodMs, nullptr);

  ExclusiveGuard guard(&windowGuard);
  window = created;
  return created;
}

HWND LogicEventService::getWindow() const {
  SharedGuard guard(&windowGuard);
  return window;
}

int LogicEventService::postEvent(IEvent* event) {
  if (event == nullptr) return kSchedulingNotStarted;
  SharedGuard guard(&windowGuard);
  if (window == nullptr) return kSchedulingNotStarted;
  if (dispatcherMessage == 0) return kEventPostFailed;  // the message could not be registered
  if (!PostMessageW(window, dispatcherMessage, 0, reinterpret_cast<LPARAM>(event))) return kEventPostFailed;
  return kSchedulingOk;
}

int LogicEventService::addTimer(ITimerEvent* event, unsigned interval, int timerFlag) {
  if (event == nullptr) return kSchedulingNotStarted;
  CSingleLock guard(&lock, TRUE);
  TimerList::iterator entry = findEntry(event);

  if (interval == 0) {
    // A one-off: the posted message takes the event over, so no entry may
    // keep it as well.
    int result = postEvent(event);
    if (result == kSchedulingOk && entry != timers.end()) dropEntry(entry, TimerEntry::kDropOnly);
    return result;
  }

  if (entry == timers.end()) {
    timers.push_back(TimerEntry{0, interval, timerFlag, event, TimerEntry::kKeep});
  } else {
    entry->ticks = 0;
    entry->interval = interval;
    entry->timerFlag = timerFlag;
    entry->afterRun = TimerEntry::kKeep;
  }
  return kSchedulingOk;
}

int LogicEventService::removeTimer(ITimerEvent* event) {
  CSingleLock guard(&lock, TRUE);
  TimerList::iterator entry = findEntry(event);
  if (entry == timers.end() || entry->afterRun != TimerEntry::kKeep) return kTimerNotRegistered;
  dropEntry(entry, TimerEntry::kDropAndRelease);
  return kSchedulingOk;
}

HWND LogicEventService::detachWindow() {
  ExclusiveGuard guard(&windowGuard);
  HWND oldWindow = window;
  window = nullptr;
  return oldWindow;
}

void LogicEventService::stop() {
  // Posters see no window from here on, so nothing lands after the drain.
  HWND oldWindow = detachWindow();
  if (oldWindow == nullptr) return;
  CSingleLock guard(&lock, TRUE);
  drain(oldWindow);
  KillTimer(oldWindow, kTimerId);
  DestroyWindow(oldWindow);
}

void LogicEventService::drain(HWND oldWindow) {
  MSG message;
  while (PeekMessageW(&message, oldWindow, dispatcherMessage, dispatcherMessage, PM_REMOVE)) {
    IEvent* event = reinterpret_cast<IEvent*>(message.lParam);
    if (event != nullptr) releaseReporting(event);
  }
  releaseAllTimers();
}

void LogicEventService::releaseAllTimers() {
  // Taken out of the list first, so that a release that adds or removes
  // timers cannot disturb the walk.
  TimerList doomed;
  for (TimerList::iterator entry = timers.begin(); entry != timers.end();) {
    TimerList::iterator next = std::next(entry);
    if (&*entry == runningEntry) {
      if (entry->afterRun == TimerEntry::kKeep) entry->afterRun = TimerEntry::kDropAndRelease;
    } else {
      doomed.splice(doomed.end(), timers, entry);
    }
    entry = next;
  }
  for (TimerEntry& entry : doomed) releaseReporting(entry.event);
}

void LogicEventService::onTick() {
  CSingleLock guard(&lock, TRUE);
  if (passActive) return;
  passActive = true;
  for (TimerList::iterator entry = timers.begin(); entry != timers.end();) entry = tickEntry(entry);
  passActive = false;
}

LogicEventService::TimerList::iterator LogicEventService::tickEntry(TimerList::iterator entry) {
  // Entries are armed with ticks 0 and reset on firing, so a due entry has
  // exactly `interval` ticks.
  if (++entry->ticks < entry->interval) return std::next(entry);

  runningEntry = &*entry;
  runEvent(entry->event, false);
  runningEntry = nullptr;
  entry->ticks = 0;

  // The event may have unregistered its own entry while it ran; entries it
  // added or removed elsewhere leave this iterator valid.
  if (entry->afterRun == TimerEntry::kKeep) return std::next(entry);
  ITimerEvent* event = entry->event;
  bool release = entry->afterRun == TimerEntry::kDropAndRelease;
  TimerList::iterator next = timers.erase(entry);
  if (release) releaseReporting(event);
  return next;
}

void LogicEventService::dropEntry(TimerList::iterator entry, TimerEntry::AfterRun fate) {
  if (&*entry == runningEntry) {
    entry->afterRun = fate;
    return;
  }
  ITimerEvent* event = entry->event;
  timers.erase(entry);
  if (fate == TimerEntry::kDropAndRelease) releaseReporting(event);
}

LogicEventService::TimerList::iterator LogicEventService::findEntry(ITimerEvent* event) {
  for (TimerList::iterator entry = timers.begin(); entry != timers.end(); ++entry) {
    if (entry->event == event) return entry;
  }
  return timers.end();
}

void LogicEventService::runEvent(IEvent* event, bool releaseAfter) {
  if (event == nullptr) return;
  // Set just before release is called, so that a release that throws is not
  // followed by a second one from the handler.
  bool releaseAttempted = false;
  try {
    event->execute(g_logic);
    if (releaseAfter) {
      releaseAttempted = true;
      event->release();
    }
  } catch (Exception* e) {
    callReporting([&] { event->onException(e); }, traceCurrentException);
    if (releaseAfter && !releaseAttempted) releaseReporting(event);
    traceEventException(e);
  } catch (...) {
    traceFailure(L"LogicTaskThread: task run exception,unknown reason");
  }
}

LRESULT CALLBACK LogicEventService::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == dispatcherMessage && dispatcherMessage != 0) {
    runEvent(reinterpret_cast<IEvent*>(lParam), true);
  } else if (message == WM_TIMER && wParam == kTimerId) {
    LogicEventService* service = reinterpret_cast<LogicEventService*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (service != nullptr) service->onTick();
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace logic
