// The exported event types: work that runs on the user-interface thread.
// The order of the virtual operations is part of the exported interface.
//
// An IEvent accepted by postEvent is run once and released once by the
// engine; an ITimerEvent accepted by addTimer is run at each interval and
// released by removeTimer or at stop.
#ifndef CALVEX_CORE_EVENT_H_
#define CALVEX_CORE_EVENT_H_

#include "afxtypes.h"
#include "calvex_api.h"
#include "doc_delegate.h"
#include "exception.h"

namespace logic {

struct ILogic;

struct CALVEX_API IEvent {
  IEvent();
  IEvent(const IEvent& other);
  IEvent& operator=(const IEvent& other);

  virtual void execute(ILogic* logic) = 0;  // 0: on the user-interface thread
  virtual void onException(Exception* e);   // 1: default: nothing
  virtual void release() = 0;               // 2
};

// Marks an event registered with addTimer.
struct CALVEX_API ITimerEvent : public IEvent {
  ITimerEvent();
  ITimerEvent(const ITimerEvent& other);
  ITimerEvent& operator=(const ITimerEvent& other);
};

// A document change on its way to the subscribed callbacks.
struct CALVEX_API IDocEvent : public IEvent {
  IDocEvent();
  IDocEvent(const IDocEvent& other);
  IDocEvent& operator=(const IDocEvent& other);

  // 3: TRUE while some subscription of the document has this callback.
  virtual BOOL isSubscribed(const DocDelegate& callback) = 0;
};

}  // namespace logic

#endif  // CALVEX_CORE_EVENT_H_
