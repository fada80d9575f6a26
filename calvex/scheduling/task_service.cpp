#include "task_service.h"

#include <new>

#include "scheduling_results.h"
#include "task_thread.h"

namespace logic {

namespace {

const unsigned long kStopWaitMs = 2000;

}  // namespace

LogicTaskService::LogicTaskService() : worker(nullptr) {}

LogicTaskService::~LogicTaskService() {
  try {
    stop();
  } catch (...) {
    traceFailure(L"LogicTaskService: shutdown throw unknown exception");
  }
}

int LogicTaskService::start() {
  CSingleLock guard(&workerLock, TRUE);
  if (worker != nullptr) return 1;
  TaskThread* thread = new (std::nothrow) TaskThread();
  if (thread == nullptr) return 1;
  // A worker whose thread never ran would queue tasks that nobody runs while
  // start reported success.
  if (!thread->Create() || !thread->Execute()) {
    thread->Destory();
    delete thread;
    return 1;
  }
  worker = thread;
  return 0;
}

int LogicTaskService::post(ITask* task) {
  if (task == nullptr) return kSchedulingNotStarted;
  CSingleLock guard(&workerLock, TRUE);
  if (worker == nullptr) return kSchedulingNotStarted;
  return worker->enqueue(task);
}

TaskThread* LogicTaskService::detachWorker() {
  CSingleLock guard(&workerLock, TRUE);
  TaskThread* thread = worker;
  worker = nullptr;
  return thread;
}

void LogicTaskService::stop() {
  TaskThread* thread = detachWorker();
  if (thread == nullptr) return;
  thread->requestStop();
  thread->clearQueue();
  bool ended = thread->Wait(kStopWaitMs) != 0;
  thread->Destory();
  // A worker still busy takes its object along and frees it when done.
  if (!ended && thread->handOverToThread()) return;
  delete thread;
}

}  // namespace logic
