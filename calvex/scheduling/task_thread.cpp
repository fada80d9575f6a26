#include "task_thread.h"

#include <stdexcept>
#include <string>

#include "convert.h"
#include "scheduling_results.h"

namespace logic {

namespace {

const LONG kMaxQueuedSignals = 0x7FFFFFFF;

// what() texts are usually UTF-8; anything else is widened byte by byte so
// that the line still shows something.
CString widen(const char* text) {
  std::string bytes = text != nullptr ? text : "";
  CString wide;
  if (common::utf8_to_CString(bytes, wide, 0)) return wide;
  std::wstring chars;
  for (unsigned char byte : bytes) chars += static_cast<wchar_t>(byte);
  return CString(chars.c_str());
}

void traceTaskException(Exception* e) { traceAndDelete(L"LogicTaskThread: task run exception:%s", e); }

// Inside a catch block: writes the line for the exception in flight and ends
// a logic::Exception.
void traceCurrentException() {
  try {
    throw;
  } catch (Exception* e) {
    traceTaskException(e);
  } catch (const std::runtime_error& e) {
    traceFailure(L"LogicTaskThread: task run error:%s", widen(e.what()).GetString());
  } catch (...) {
    traceFailure(L"LogicTaskThread: task run exception,unknown reason");
  }
}


}  // namespace

TaskThread::TaskThread()
    : running(1),
      semaphore(CreateSemaphoreW(nullptr, 0, kMaxQueuedSignals, nullptr)),
      ownership(kOwnedByOwner) {}

TaskThread::~TaskThread() {
  if (semaphore != nullptr) CloseHandle(semaphore);
}

int TaskThread::enqueue(ITask* task) {
  CSingleLock guard(&lock, TRUE);
  queue.push_back(task);
  return ReleaseSemaphore(semaphore, 1, nullptr) ? kSchedulingOk : kTaskSignalFailed;
}

void TaskThread::clearQueue() {
  CSingleLock guard(&lock, TRUE);
  while (!queue.empty()) {
    ITask* task = queue.front();
    queue.pop_front();
    try {
      task->release();
    } catch (Exception* e) {
      if (e != nullptr) e->Delete();
    } catch (...) {
    }
  }
}

void TaskThread::requestStop() {
  running.store(0);
  ReleaseSemaphore(semaphore, 1, nullptr);
}

bool TaskThread::handOverToThread() {
  int expected = kOwnedByOwner;
  return ownership.compare_exchange_strong(expected, kOwnedByThread);
}

int TaskThread::Run() {
  serveQueue();
  // The last touch of this object by the worker.  If the owner has already
  // handed the object over, nobody else will free it.
  int expected = kOwnedByOwner;
  if (!ownership.compare_exchange_strong(expected, kRunEnded)) delete this;
  return 0;
}

void TaskThread::serveQueue() {
  while (running.load()) {
    if (WaitForSingleObject(semaphore, INFINITE) != WAIT_OBJECT_0) {
      traceFailure(L"CoreTaskThread: Wait for tasks failed\n");
      return;
    }
    if (!running.load()) return;
    ITask* task = popOldest();
    if (task != nullptr) runAndRelease(task);
  }
}

ITask* TaskThread::popOldest() {
  CSingleLock guard(&lock, TRUE);
  if (queue.empty()) return nullptr;
  ITask* task = queue.front();
  queue.pop_front();
  return task;
}

void TaskThread::runAndRelease(ITask* task) {
  // Set just before release is called, so that a release that throws is not
  // followed by a second one from the handler.
  bool releaseAttempted = false;
  try {
    // A task popped in the instant after the stop request is released unrun.
    if (running.load()) task->run();
    releaseAttempted = true;
    task->release();
  } catch (Exception* e) {
    callReporting([&] { task->onException(e); }, traceCurrentException);
    if (!releaseAttempted) {
      releaseAttempted = true;
      callReporting([&] { task->release(); }, traceCurrentException);
    }
    traceTaskException(e);
  } catch (const std::runtime_error& e) {
    traceFailure(L"LogicTaskThread: task run error:%s", widen(e.what()).GetString());
  } catch (...) {
    traceFailure(L"LogicTaskThread: task run exception,unknown reason");
  }
}

}  // namespace logic
