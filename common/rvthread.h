// CRvThread: the Utility library's thread object.
//
// A subclass overrides Run, the thread body.  The owner calls Create (makes a
// suspended thread), Execute (lets it run), Wait (up to a time limit) and
// Destory (frees the thread handle), then Release (deletes the object).
// These are called by one owning thread; Run runs on the new thread.
//
// Destory never kills a thread that is still running: forcing a thread off
// can leave a lock held for ever.  It closes the handle and the thread runs to
// the end of Run on its own; an owner that gave up waiting must keep what Run
// uses alive (see IsRunning).
#ifndef COMMON_RVTHREAD_H_
#define COMMON_RVTHREAD_H_

#include <windows.h>

#include "utility_api.h"

namespace common {

class UTILITY_API CRvThread {
 public:
  CRvThread();
  virtual ~CRvThread();
  virtual void Release();
  virtual int Run() = 0;

  // Non-zero when the thread was made (suspended).
  int Create();
  // Non-zero when the thread was resumed.
  int Execute();
  // Non-zero when the thread has ended within `ms` milliseconds.
  int Wait(unsigned long ms);
  // Frees the thread handle; a thread still running goes on by itself.
  void Destory();

  bool IsRunning() const;
  DWORD ThreadId() const { return thread_id_; }

 private:
  CRvThread(const CRvThread&) = delete;
  CRvThread& operator=(const CRvThread&) = delete;
  static DWORD WINAPI ThreadMain(LPVOID self);

  HANDLE thread_;
  DWORD thread_id_;
};

}  // namespace common

#endif  // COMMON_RVTHREAD_H_
