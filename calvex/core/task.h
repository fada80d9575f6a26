// The exported task types: work the host hands to the engine's worker thread,
// and the objects that carry a task's result back to the user-interface
// thread.  The order of the virtual operations is part of the exported
// interface (the host overrides them by position).
//
// Life of the objects: an ITask accepted by postTask belongs to the engine,
// which ends it through release().  An IUICallbackParam handed to uiCallback
// belongs to the TaskEvent made for it, whose destructor releases it.
#ifndef CALVEX_CORE_TASK_H_
#define CALVEX_CORE_TASK_H_

#include "calvex_api.h"
#include "event.h"
#include "exception.h"
#include "fast_delegate.h"

namespace logic {

struct CALVEX_API ITask {
  ITask();
  ITask(const ITask& other);
  ITask& operator=(const ITask& other);

  virtual void run() = 0;                   // 0: on the worker thread, once
  virtual void onException(Exception* e);   // 1: a logic::Exception left run(); default: nothing
  virtual void release() = 0;               // 2: ends the task's life
};

// The host's result object for a user-interface callback.
class CALVEX_API IUICallbackParam {
 public:
  IUICallbackParam();
  IUICallbackParam(const IUICallbackParam& other);
  IUICallbackParam& operator=(const IUICallbackParam& other);
  virtual ~IUICallbackParam();   // 0
  virtual void release() = 0;    // 1

  unsigned char code;  // 255 after default construction; not used by the engine
};

typedef fastdelegate::FastDelegate1<IUICallbackParam*, void> UICallback;

// A task whose results go to `callback` on the user-interface thread.
class CALVEX_API IUITask : public ITask {
 public:
  explicit IUITask(UICallback& callback);
  IUITask(const IUITask& other);
  IUITask& operator=(const IUITask& other);
  virtual ~IUITask();  // 3

 protected:
  // Called on the worker thread with a heap result.  With an empty callback
  // nothing happens and `param` stays with the caller; otherwise `param`
  // belongs to the engine from here on: it is passed to the callback on the
  // user-interface thread and released afterwards, or released unused when
  // the engine is not running.
  void uiCallback(IUICallbackParam* param);

  UICallback callback;
};

// One result on its way to the user-interface thread.
class CALVEX_API TaskEvent : public IEvent {
 public:
  TaskEvent(UICallback& callback, IUICallbackParam* param);
  TaskEvent(const TaskEvent& other);
  TaskEvent& operator=(const TaskEvent& other);

  void execute(ILogic* logic) override;  // 0: callback(param)
  void release() override;               // 2: deletes this
  virtual ~TaskEvent();                  // 3: releases param

  UICallback callback;
  IUICallbackParam* param;
};

}  // namespace logic

#endif  // CALVEX_CORE_TASK_H_
