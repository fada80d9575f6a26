// LogicEventService: runs events and whole-second timer events on the
// thread that created its window (the host's user-interface thread).
//
// The carrier is a message-only window: a posted event travels as a message
// of the process-wide registered dispatcher message with the IEvent* in
// lParam, and one 1000 ms timer (id 8888) drives every timer event.  The
// window procedure runs the event with the engine singleton g_logic as its
// argument and releases it; each WM_TIMER is one tick (onTick), and an entry
// with interval N fires on every N-th tick after it was armed.
//
// Ownership: a posted event belongs to the dispatcher until it has run and
// been released (or been released unrun at stop).  A timer event belongs to
// it from addTimer until removeTimer or stop releases it; firing never
// releases it.  Refused calls (3, 0x20002, 0x20004) leave the event with the
// caller.  Every owned event is released exactly once, also when release
// throws.
//
// Invariants: at most one live entry per event pointer.  An entry whose
// event is running when it is removed stays in the list, marked, until that
// run returns; only then is it erased (and its event released), so a timer
// event may remove itself or any other entry, or add entries, during a pass.
//
// Threads and locks:
//  - postEvent, addTimer, removeTimer: any thread.
//  - createWindow, stop, onTick, the window procedure, the destructor: the
//    window's thread only (message queues and windows belong to a thread).
//  - `windowGuard` (slim reader/writer lock) guards `window`: posters hold
//    it shared across their PostMessageW, createWindow and stop take it
//    exclusively, so no event is posted to a window that stop has drained.
//  - `lock` (recursive) guards `timers`, `runningEntry` and `passActive`.
//    A tick pass holds it while timer events run, so a timer event may call
//    addTimer, removeTimer and postEvent; another thread's call waits for the
//    pass to end.  Lock order: `lock`, then `windowGuard`, never the reverse.
#ifndef CALVEX_SCHEDULING_EVENT_SERVICE_H_
#define CALVEX_SCHEDULING_EVENT_SERVICE_H_

#include <windows.h>

#include <list>

#include "afxmt.h"
#include "event.h"

namespace logic {

// One registered timer event.
struct TimerEntry {
  // What happens to an entry unregistered while its own event runs.
  enum AfterRun { kKeep, kDropAndRelease, kDropOnly };

  unsigned long long ticks;  // ticks since the entry was armed or last fired
  unsigned interval;         // firing period in ticks (seconds), never 0
  int timerFlag;             // addTimer's third argument, kept as given
  ITimerEvent* event;        // the entry's key
  AfterRun afterRun;
};

class LogicEventService {
 public:
  // Registers the dispatcher message; makes no window yet.
  LogicEventService();
  // Stops as stop does, then releases timer events registered while no
  // window ever existed (they are owned too).  A failure there is traced.
  ~LogicEventService();

  // Registers the window class and makes the message-only window with its
  // timer; stores and returns it, or null.  The class stays registered for
  // the life of the process, so a second window after a stop cannot be made
  // (the facade reports that as a failed start).  With a window already
  // there, returns it.
  HWND createWindow();
  HWND getWindow() const;

  // 0 posted; 3 when `event` is null or there is no window; 0x20002 when
  // PostMessageW fails.
  int postEvent(IEvent* event);

  // 3 when `event` is null.  With `interval` > 0: registers the event, or
  // re-arms its entry (ticks 0, new interval and flag, same place in the
  // list); 0.  Works before the window exists; ticking starts with it.
  // With `interval` 0: posts the event once, as postEvent does and with its
  // results; when that succeeds an existing entry for the event is dropped
  // without release (the posted event is released after its run), and on
  // failure nothing changes.  timerFlag is stored and has no other effect.
  int addTimer(ITimerEvent* event, unsigned interval, int timerFlag);

  // 0 when the entry was removed and its event released (after its run, if
  // it is running now); 0x20004 when no entry holds `event`.
  int removeTimer(ITimerEvent* event);

  // Releases the posted events not yet run and every timer event, kills the
  // timer and destroys the window.  Does nothing without a window.
  void stop();

  // One timer tick: every entry counts it and those that are due run, under
  // `lock`.  A tick that arrives while a pass is running (a timer event that
  // pumps messages) is skipped.  Called by the window procedure; public so
  // that ticks can be driven directly.
  void onTick();

 private:
  typedef std::list<TimerEntry> TimerList;

  LogicEventService(const LogicEventService&) = delete;
  LogicEventService& operator=(const LogicEventService&) = delete;

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Runs `event` with g_logic, then releases it when asked; failures are
  // traced and, for a logic::Exception, reported to the event.
  static void runEvent(IEvent* event, bool releaseAfter);

  // Sets `window` to null under windowGuard and returns what it held.
  HWND detachWindow();
  // `lock` held: releases the posted events still queued for `oldWindow` and
  // every timer event.
  void drain(HWND oldWindow);
  // `lock` held: releases every entry's event and empties the list, except
  // an entry whose event is running, which is marked to go after its run.
  void releaseAllTimers();
  // `lock` held: counts one tick for `entry`, runs it if due, and returns the
  // entry to visit next.
  TimerList::iterator tickEntry(TimerList::iterator entry);
  // `lock` held: unregisters `entry`, now or after its running event returns.
  void dropEntry(TimerList::iterator entry, TimerEntry::AfterRun fate);
  TimerList::iterator findEntry(ITimerEvent* event);

  static UINT dispatcherMessage;  // process-wide; set by every constructor

  HWND window;                    // guarded by windowGuard
  mutable SRWLOCK windowGuard;
  CCriticalSection lock;
  TimerList timers;               // guarded by lock
  TimerEntry* runningEntry;       // guarded by lock; the entry firing now
  bool passActive;                // guarded by lock
};

}  // namespace logic

#endif  // CALVEX_SCHEDULING_EVENT_SERVICE_H_
