#include "task_service.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "scheduling_test_support.h"

namespace logic {
namespace {

using scheduling_test::CapturingTrace;
using scheduling_test::Throw;
using scheduling_test::ThrowSite;
using scheduling_test::TraceLine;
using scheduling_test::waitUntil;

// Counts what happened to one task.  The tasks live in the test; release
// only records.
struct CountingTask : ITask {
  void run() override {
    ++runs;
    onRun();
  }
  void release() override {
    runsWhenReleased = runs.load();
    ++releases;
  }
  virtual void onRun() {}

  std::atomic<int> runs{0};
  std::atomic<int> releases{0};
  std::atomic<int> runsWhenReleased{-1};
};

// A manual-reset event the test opens to let a blocked task go on.
class Gate {
 public:
  Gate() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Gate() { CloseHandle(handle_); }
  void open() { SetEvent(handle_); }
  bool waitOpen() { return WaitForSingleObject(handle_, scheduling_test::kGenerousDeadlineMs) == WAIT_OBJECT_0; }

 private:
  HANDLE handle_;
};

// Blocks in run until its gate opens; keeps a handle on the worker thread.
struct BlockingTask : CountingTask {
  explicit BlockingTask(Gate* gate) : gate(gate) {}
  ~BlockingTask() {
    if (workerThread != nullptr) CloseHandle(workerThread);
  }
  void onRun() override {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &workerThread, SYNCHRONIZE,
                    FALSE, 0);
    started = true;
    gate->waitOpen();
  }

  Gate* gate;
  HANDLE workerThread = nullptr;
  std::atomic<bool> started{false};
};

// Opens a gate when released.
struct GateOpeningTask : CountingTask {
  explicit GateOpeningTask(Gate* gate) : gate(gate) {}
  void release() override {
    CountingTask::release();
    gate->open();
  }
  Gate* gate;
};

bool allReleased(const std::vector<std::unique_ptr<CountingTask>>& tasks) {
  for (const auto& task : tasks) {
    if (task->releases.load() == 0) return false;
  }
  return true;
}

class TaskServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(service.start(), 0); }
  void TearDown() override { service.stop(); }

  LogicTaskService service;
};

// Records the order of runs and whether two ever overlapped.
struct RunJournal {
  std::mutex mutex;
  std::vector<std::pair<int, int>> runs;  // (poster, sequence number)
  std::atomic<int> active{0};
  std::atomic<int> overlaps{0};
};

struct JournalTask : CountingTask {
  JournalTask(RunJournal* journal, int poster, int sequence) : journal(journal), poster(poster), sequence(sequence) {}
  void onRun() override {
    if (++journal->active > 1) ++journal->overlaps;
    {
      std::lock_guard<std::mutex> hold(journal->mutex);
      journal->runs.emplace_back(poster, sequence);
    }
    SwitchToThread();  // widen the window in which an overlap would show
    --journal->active;
  }
  RunJournal* journal;
  int poster;
  int sequence;
};

TEST_F(TaskServiceTest, TasksFromSeveralPostersRunOneAtATimeInPostingOrderThenAreReleased) {
  const int kPosters = 3;
  const int kTasksPerPoster = 40;
  RunJournal journal;
  std::vector<std::unique_ptr<CountingTask>> tasks;
  for (int poster = 0; poster < kPosters; ++poster) {
    for (int sequence = 0; sequence < kTasksPerPoster; ++sequence) {
      tasks.emplace_back(new JournalTask(&journal, poster, sequence));
    }
  }

  std::vector<int> postResults(tasks.size(), -1);
  std::vector<std::thread> posters;
  for (int poster = 0; poster < kPosters; ++poster) {
    posters.emplace_back([&, poster] {
      for (int sequence = 0; sequence < kTasksPerPoster; ++sequence) {
        int index = poster * kTasksPerPoster + sequence;
        postResults[index] = service.post(tasks[index].get());
      }
    });
  }
  for (std::thread& poster : posters) poster.join();
  ASSERT_TRUE(waitUntil([&] { return allReleased(tasks); }));

  for (size_t i = 0; i < tasks.size(); ++i) {
    EXPECT_EQ(postResults[i], 0);
    EXPECT_EQ(tasks[i]->runs.load(), 1);
    EXPECT_EQ(tasks[i]->releases.load(), 1);
    EXPECT_EQ(tasks[i]->runsWhenReleased.load(), 1) << "released before its run";
  }
  EXPECT_EQ(journal.overlaps.load(), 0);
  std::vector<int> nextExpected(kPosters, 0);
  for (const auto& run : journal.runs) {
    EXPECT_EQ(run.second, nextExpected[run.first]) << "poster " << run.first;
    nextExpected[run.first] = run.second + 1;
  }
}

// Posts a follow-up task from inside its own run: no lock is held by then.
struct ChainTask : CountingTask {
  ChainTask(LogicTaskService* service, ChainTask* next) : service(service), next(next) {}
  void onRun() override {
    if (next != nullptr) postResult = service->post(next);
  }
  LogicTaskService* service;
  ChainTask* next;
  std::atomic<int> postResult{-1};
};

TEST_F(TaskServiceTest, ARunningTaskCanPostFurtherTasks) {
  ChainTask last(&service, nullptr);
  ChainTask first(&service, &last);
  ASSERT_EQ(service.post(&first), 0);
  ASSERT_TRUE(waitUntil([&] { return last.releases.load() == 1; }));
  EXPECT_EQ(first.postResult.load(), 0);
  EXPECT_EQ(last.runs.load(), 1);
}

// Throws from run, onException and release as its case says.
struct FailingTask : CountingTask {
  void onRun() override { inRun.fire(); }
  void onException(Exception* e) override {
    notified.push_back(e != nullptr ? std::wstring(e->message.GetString()) : std::wstring(L"(null)"));
    inOnException.fire();
  }
  void release() override {
    CountingTask::release();
    inRelease.fire();
  }

  ThrowSite inRun;
  ThrowSite inOnException;
  ThrowSite inRelease;
  std::vector<std::wstring> notified;  // the message of each exception passed in
};

struct FailureCase {
  const char* name;
  Throw inRun;
  Throw inOnException;
  Throw inRelease;
  int notifications;
  int releases;
  std::vector<std::wstring> lines;
};

const wchar_t kUnknownLine[] = L"LogicTaskThread: task run exception,unknown reason";

TEST_F(TaskServiceTest, FailuresAreReportedAndNeverEndTheWorkerOrReleaseTwice) {
  const FailureCase cases[] = {
      {"run throws logic::Exception", Throw::kLogicException, Throw::kNothing, Throw::kNothing, 1, 1,
       {L"LogicTaskThread: task run exception:run failed"}},
      {"run throws runtime_error", Throw::kRuntimeError, Throw::kNothing, Throw::kNothing, 0, 0,
       {L"LogicTaskThread: task run error:run failed"}},
      {"run throws another standard exception", Throw::kLogicError, Throw::kNothing, Throw::kNothing, 0, 0,
       {kUnknownLine}},
      {"run throws an int", Throw::kInt, Throw::kNothing, Throw::kNothing, 0, 0, {kUnknownLine}},
      {"release throws logic::Exception after a clean run", Throw::kNothing, Throw::kNothing,
       Throw::kLogicException, 1, 1, {L"LogicTaskThread: task run exception:release failed"}},
      {"release throws runtime_error after a clean run", Throw::kNothing, Throw::kNothing, Throw::kRuntimeError,
       0, 1, {L"LogicTaskThread: task run error:release failed"}},
      {"run and then release throw logic::Exception", Throw::kLogicException, Throw::kNothing,
       Throw::kLogicException, 1, 1,
       {L"LogicTaskThread: task run exception:release failed", L"LogicTaskThread: task run exception:run failed"}},
      {"onException throws while a run failure is handled", Throw::kLogicException, Throw::kInt, Throw::kNothing,
       1, 1, {kUnknownLine, L"LogicTaskThread: task run exception:run failed"}},
  };

  for (const FailureCase& failure : cases) {
    SCOPED_TRACE(failure.name);
    CapturingTrace trace;
    FailingTask task;
    task.inRun = ThrowSite{failure.inRun, "run failed"};
    task.inOnException = ThrowSite{failure.inOnException, "handler failed"};
    task.inRelease = ThrowSite{failure.inRelease, "release failed"};
    CountingTask next;

    ASSERT_EQ(service.post(&task), 0);
    ASSERT_EQ(service.post(&next), 0);
    ASSERT_TRUE(waitUntil([&] { return next.releases.load() == 1; })) << "the worker stopped";

    EXPECT_EQ(static_cast<int>(task.notified.size()), failure.notifications);
    EXPECT_EQ(task.releases.load(), failure.releases);
    EXPECT_EQ(trace.texts(), failure.lines);
    for (const TraceLine& line : trace.lines()) {
      EXPECT_EQ(line.level, 4);
      EXPECT_EQ(line.flag, 1);
    }
    if (failure.inRun == Throw::kLogicException) {
      EXPECT_TRUE(task.inRun.exceptionDeleted);
      ASSERT_FALSE(task.notified.empty());
      EXPECT_EQ(task.notified.front(), L"run failed");
    }
    if (failure.inRelease == Throw::kLogicException) {
      EXPECT_TRUE(task.inRelease.exceptionDeleted);
    }
  }
}

TEST(TaskServiceLifecycleTest, ResultCodesFollowTheWorkerLife) {
  LogicTaskService service;
  CountingTask task;
  EXPECT_EQ(service.post(nullptr), 3);
  EXPECT_EQ(service.post(&task), 3) << "no worker yet";

  EXPECT_EQ(service.start(), 0);
  EXPECT_EQ(service.start(), 1);
  EXPECT_EQ(service.post(nullptr), 3);
  service.stop();
  EXPECT_EQ(service.post(&task), 3) << "worker gone";
  service.stop();  // a second stop is harmless
  EXPECT_EQ(task.runs.load(), 0);
  EXPECT_EQ(task.releases.load(), 0) << "a refused task stays with the caller";

  EXPECT_EQ(service.start(), 0) << "the service itself can make a new worker";
  EXPECT_EQ(service.post(&task), 0);
  ASSERT_TRUE(waitUntil([&] { return task.releases.load() == 1; }));
}

TEST_F(TaskServiceTest, StopReleasesQueuedTasksUnrunAndLeavesALongTaskToFinishByItself) {
  Gate gate;
  BlockingTask longTask(&gate);
  ASSERT_EQ(service.post(&longTask), 0);
  ASSERT_TRUE(waitUntil([&] { return longTask.started.load(); }));
  std::vector<std::unique_ptr<CountingTask>> queued;
  for (int i = 0; i < 10; ++i) {
    queued.emplace_back(new CountingTask);
    ASSERT_EQ(service.post(queued.back().get()), 0);
  }

  service.stop();  // gives up on the busy worker after its wait

  for (const auto& task : queued) {
    EXPECT_EQ(task->runs.load(), 0);
    EXPECT_EQ(task->releases.load(), 1);
  }
  CountingTask late;
  EXPECT_EQ(service.post(&late), 3);
  EXPECT_EQ(longTask.releases.load(), 0) << "released while still running";

  gate.open();
  ASSERT_TRUE(waitUntil([&] { return longTask.releases.load() == 1; }));
  EXPECT_EQ(longTask.runsWhenReleased.load(), 1);
  EXPECT_EQ(WaitForSingleObject(longTask.workerThread, scheduling_test::kGenerousDeadlineMs), WAIT_OBJECT_0)
      << "the abandoned worker did not end";
  EXPECT_EQ(late.releases.load(), 0);
}

TEST(TaskServiceLifecycleTest, DestroyingAServiceWithABusyWorkerReleasesEveryTaskOnce) {
  Gate gate;
  BlockingTask longTask(&gate);
  GateOpeningTask queued(&gate);  // its release at the stop lets the long task end
  {
    LogicTaskService service;
    ASSERT_EQ(service.start(), 0);
    ASSERT_EQ(service.post(&longTask), 0);
    ASSERT_TRUE(waitUntil([&] { return longTask.started.load(); }));
    ASSERT_EQ(service.post(&queued), 0);
  }
  EXPECT_EQ(queued.runs.load(), 0);
  EXPECT_EQ(queued.releases.load(), 1);
  EXPECT_EQ(longTask.runs.load(), 1);
  EXPECT_EQ(longTask.releases.load(), 1) << "the worker ended within the wait, after its task";
}

TEST(TaskServiceLifecycleTest, PostsRacingWithStopAreEitherRefusedOrReleasedOnce) {
  const int kPosters = 3;
  const int kTasksPerPoster = 300;
  LogicTaskService service;
  ASSERT_EQ(service.start(), 0);
  std::vector<std::unique_ptr<CountingTask>> tasks;
  for (int i = 0; i < kPosters * kTasksPerPoster; ++i) tasks.emplace_back(new CountingTask);
  std::vector<int> results(tasks.size(), -1);
  std::atomic<int> posted{0};

  std::vector<std::thread> posters;
  for (int poster = 0; poster < kPosters; ++poster) {
    posters.emplace_back([&, poster] {
      for (int i = 0; i < kTasksPerPoster; ++i) {
        int index = poster * kTasksPerPoster + i;
        results[index] = service.post(tasks[index].get());
        ++posted;
      }
    });
  }
  ASSERT_TRUE(waitUntil([&] { return posted.load() >= kTasksPerPoster; }));
  service.stop();
  for (std::thread& poster : posters) poster.join();

  for (size_t i = 0; i < tasks.size(); ++i) {
    if (results[i] == 0) {
      EXPECT_EQ(tasks[i]->releases.load(), 1) << "task " << i;
    } else {
      EXPECT_EQ(results[i], 3) << "task " << i;
      EXPECT_EQ(tasks[i]->releases.load(), 0) << "task " << i;
    }
  }
}

}  // namespace
}  // namespace logic
