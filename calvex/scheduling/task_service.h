// LogicTaskService: runs host tasks one at a time, in posting order, on the
// engine's single worker thread (a TaskThread).
//
// Ownership: a task accepted by post (result 0 or 0x20003) belongs to the
// service and is ended through its release exactly once (see TaskThread for
// the one exception: a run that throws something other than a
// logic::Exception).  A refused post (3) leaves the task with the caller.
//
// Stopping waits up to 2000 ms for the worker.  A worker still busy with a
// task after that is handed the TaskThread object: it finishes and releases
// that task, then ends and frees the object by itself, without touching the
// service or the queue again.
//
// Threads and locks:
//  - post: any thread.  start, stop and the destructor: the host's
//    user-interface thread (through the facade).
//  - `workerLock` guards `worker`.  post holds it across the enqueue so that
//    stop cannot free the worker under a post in progress; the lock order is
//    workerLock, then the worker's queue lock.  stop holds it only to take
//    the worker out, never while host code (a release) runs.
#ifndef CALVEX_SCHEDULING_TASK_SERVICE_H_
#define CALVEX_SCHEDULING_TASK_SERVICE_H_

#include "afxmt.h"
#include "task.h"

namespace logic {

class TaskThread;

class LogicTaskService {
 public:
  LogicTaskService();
  // Stops a worker that still exists; a failure there is traced, not thrown.
  ~LogicTaskService();

  // 0 when the worker was made and started; 1 when a worker already exists
  // (nothing changes) or the thread could not be made.
  int start();

  // 3 when `task` is null or there is no worker (the caller keeps the task);
  // 0 when queued and signalled; 0x20003 when queued but not signalled.
  int post(ITask* task);

  // Releases the queued tasks unrun, gives the worker up to 2000 ms to end
  // and frees it.  Does nothing when there is no worker, so a second stop is
  // harmless.  Afterwards post returns 3 and start would make a new worker.
  void stop();

 private:
  LogicTaskService(const LogicTaskService&) = delete;
  LogicTaskService& operator=(const LogicTaskService&) = delete;

  // Takes the worker out under workerLock; from then on no post reaches it.
  TaskThread* detachWorker();

  TaskThread* worker;          // guarded by workerLock; null when not started
  CCriticalSection workerLock;
};

}  // namespace logic

#endif  // CALVEX_SCHEDULING_TASK_SERVICE_H_
