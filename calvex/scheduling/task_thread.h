// TaskThread: the engine's one worker thread and its queue of tasks.
//
// Tasks are appended by any thread (enqueue) and run one at a time, oldest
// first, by Run on the worker thread.  Every task that reaches the queue is
// released exactly once: after its run, unrun when it is popped after the
// stop request or cleared from the queue at stop, or after a
// logic::Exception from its run.  A run that ends in any other exception
// leaves the task unreleased (the task is in an unknown state).  A release
// that throws is never followed by a second release.
//
// Ownership of the object itself: the owner (LogicTaskService) deletes it
// once Wait has seen the thread end.  An owner that gave up waiting calls
// handOverToThread instead; the thread then deletes the object itself when
// Run ends, so a task that outlives the stop can still finish and be released
// without the owner's memory going away under it.
//
// Threads and locks:
//  - enqueue: any thread.  clearQueue, requestStop, handOverToThread, Create,
//    Execute, Wait, Destory: the owner's thread.  Run: the worker thread.
//  - `lock` guards `queue` only.  It is held for queue manipulation and for
//    the whole of clearQueue (whose release calls run host code under it);
//    tasks run with no lock held, so a task may post further tasks.
//  - `running` and `ownership` are atomics, read and written without `lock`.
#ifndef CALVEX_SCHEDULING_TASK_THREAD_H_
#define CALVEX_SCHEDULING_TASK_THREAD_H_

#include <windows.h>

#include <atomic>
#include <list>

#include "afxmt.h"
#include "rvthread.h"
#include "task.h"

namespace logic {

class TaskThread : public common::CRvThread {
 public:
  // Starts with an empty queue, `running` set and a semaphore of count 0.
  TaskThread();
  // Frees the queue's nodes without touching their tasks (the queue is empty
  // after a stop) and closes the semaphore: nobody can be using it once the
  // object is being deleted.
  ~TaskThread() override;

  // Appends `task` and adds one count to the semaphore.  0 when signalled;
  // 0x20003 when the signal failed (the task stays queued and runs when a
  // later wake-up reaches it).
  int enqueue(ITask* task);

  // Releases every queued task unrun, oldest first; a release that throws is
  // ignored and clearing goes on.
  void clearQueue();

  // Clears `running` and wakes the worker so that it sees the flag.
  void requestStop();

  // For an owner that gave up waiting, after Destory.  true: the thread now
  // owns the object and deletes it when Run ends; the owner must not touch it
  // again.  false: Run has already ended and the owner deletes the object.
  bool handOverToThread();

 protected:
  int Run() override;

 private:
  enum Ownership { kOwnedByOwner, kRunEnded, kOwnedByThread };

  // The worker's loop; returns when stopped or when the wait fails.
  void serveQueue();
  // Unlinks and returns the oldest task, or null.
  ITask* popOldest();
  // Runs `task` (unless a stop came first) and releases it, handling what
  // either of them throws.
  void runAndRelease(ITask* task);

  std::list<ITask*> queue;            // guarded by `lock`
  std::atomic<int> running;           // 1 until the owner asks for a stop
  HANDLE semaphore;                   // one count per queued task
  CCriticalSection lock;              // guards `queue`
  std::atomic<int> ownership;         // an Ownership value
};

}  // namespace logic

#endif  // CALVEX_SCHEDULING_TASK_THREAD_H_
