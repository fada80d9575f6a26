// The engine as the host sees it: through calvex.dll's exports.
//
// The dispatcher's window class stays registered for the life of a process,
// so an engine starts at most once per process: CTest runs every test case in
// a process of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "logic.h"
#include "message_pump.h"

using namespace logic;

namespace {

bool PumpUntil(const std::function<bool()>& done) { return testsupport::PumpMessagesUntil(done); }

std::string TempDocument(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + name;
  DeleteFileA(path.c_str());
  return path;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TempDocument("calvex_core_test.doc");
    ASSERT_EQ(CreateSingletonICalvex(path_), 0u);
    engine_ = GetLogic();
    ASSERT_NE(engine_, nullptr);
  }
  void TearDown() override {
    DestroySingletonICalvex();
    DeleteFileA(path_.c_str());
  }
  std::string path_;
  ILogic* engine_ = nullptr;
};

struct CountingEvent : IEvent {
  std::atomic<int> runs{0}, releases{0};
  std::atomic<DWORD> thread{0};
  std::atomic<ILogic*> argument{nullptr};
  void execute(ILogic* logic) override {
    thread = GetCurrentThreadId();
    argument = logic;
    ++runs;
  }
  void release() override { ++releases; }
};

struct CountingTimer : ITimerEvent {
  std::atomic<int> runs{0}, releases{0};
  void execute(ILogic*) override { ++runs; }
  void release() override { ++releases; }
};

TEST(Singleton, ExistsOnlyBetweenCreateAndDestroy) {
  EXPECT_EQ(GetLogic(), nullptr);
  std::string first = TempDocument("calvex_first.doc"), second = TempDocument("calvex_second.doc");
  ASSERT_EQ(CreateSingletonICalvex(first), 0u);
  ILogic* engine = GetLogic();
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(g_logic, engine);
  EXPECT_EQ(CreateSingletonICalvex(second), 0u) << "a second create is not an error";
  EXPECT_EQ(GetLogic(), engine) << "and keeps the first engine";
  DestroySingletonICalvex();
  EXPECT_EQ(GetLogic(), nullptr);
  DestroySingletonICalvex();  // nothing left to destroy: harmless
}

TEST_F(EngineTest, ContextNameStartsAsDefaultAndKeepsACopy) {
  EXPECT_EQ(engine_->getContextName(), "default");
  std::string name("room\0 7", 7);
  engine_->setContextName(name);
  name[0] = 'X';
  EXPECT_EQ(engine_->getContextName(), std::string("room\0 7", 7));
}

TEST_F(EngineTest, StartTwiceThenStopThenStartAgain) {
  EXPECT_EQ(engine_->start(), 0);
  EXPECT_EQ(engine_->start(), 1) << "the worker already runs";
  EXPECT_NE(engine_->getService(1), nullptr) << "the link service is registered as id 1";
  EXPECT_EQ(engine_->stop(), 0);
  EXPECT_EQ(engine_->start(), 2) << "a start after a stop cannot make the window again";
}

TEST_F(EngineTest, NotStartedOrStoppedEngineRefusesWorkAndKeepsItWithTheCaller) {
  CountingEvent event;
  EXPECT_EQ(engine_->postEvent(&event), 3);
  EXPECT_EQ(engine_->postEvent(nullptr), 3);
  EXPECT_EQ(engine_->postTask(nullptr), 3);
  EXPECT_EQ(engine_->addTimer(nullptr, 1, 0), 3);
  ASSERT_EQ(engine_->start(), 0);
  EXPECT_EQ(engine_->postTask(nullptr), 3);
  EXPECT_EQ(engine_->stop(), 0);
  EXPECT_EQ(engine_->postEvent(&event), 3);
  EXPECT_EQ(engine_->getService(1), nullptr) << "stop released the link service";
  EXPECT_EQ(event.releases.load(), 0);
  EXPECT_EQ(engine_->stop(), 0) << "a second stop is safe";
}

TEST_F(EngineTest, StopWithoutStartLeavesNothingRunning) {
  EXPECT_EQ(engine_->stop(), 0);
  CountingEvent event;
  EXPECT_EQ(engine_->postEvent(&event), 3);
}

TEST_F(EngineTest, EventsRunOnTheStartingThreadWithTheEngineAndAreReleased) {
  ASSERT_EQ(engine_->start(), 0);
  CountingEvent event;
  int poster_result = 99;
  std::thread poster([&] { poster_result = engine_->postEvent(&event); });
  poster.join();
  EXPECT_EQ(poster_result, 0);
  ASSERT_TRUE(PumpUntil([&] { return event.releases == 1; }));
  EXPECT_EQ(event.runs.load(), 1);
  EXPECT_EQ(event.thread.load(), GetCurrentThreadId());
  EXPECT_EQ(event.argument.load(), engine_);
  engine_->stop();
}

TEST_F(EngineTest, TimerFiresEveryWholeSecondUntilRemoved) {
  ASSERT_EQ(engine_->start(), 0);
  CountingTimer timer;
  ASSERT_EQ(engine_->addTimer(&timer, 1, 0), 0);
  ASSERT_TRUE(PumpUntil([&] { return timer.runs >= 2; }));
  EXPECT_EQ(timer.releases.load(), 0) << "firing never releases a timer event";
  EXPECT_EQ(engine_->removeTimer(&timer), 0);
  EXPECT_EQ(timer.releases.load(), 1);
  EXPECT_EQ(engine_->removeTimer(&timer), 0x20004);
  engine_->stop();
}

TEST_F(EngineTest, StopReleasesPendingEventsAndTimersWithoutRunningThem) {
  ASSERT_EQ(engine_->start(), 0);
  CountingEvent events[3];
  CountingTimer timers[2];
  for (auto& event : events) ASSERT_EQ(engine_->postEvent(&event), 0);
  for (auto& timer : timers) ASSERT_EQ(engine_->addTimer(&timer, 60, 0), 0);
  EXPECT_EQ(engine_->stop(), 0);
  for (auto& event : events) {
    EXPECT_EQ(event.runs.load(), 0);
    EXPECT_EQ(event.releases.load(), 1);
  }
  for (auto& timer : timers) EXPECT_EQ(timer.releases.load(), 1);
}

// ------------------------------------------------------------ document values

TEST_F(EngineTest, IntsAndTextAreStoredAsDecimalAndUtf8AndReadBack) {
  engine_->openDataSet(0, "values", 0);
  engine_->putInt("values", "k", 1, -2147483647 - 1, FALSE);
  std::string stored;
  ASSERT_TRUE(engine_->getString("values", "k", 1, stored));
  EXPECT_EQ(stored, "-2147483648");
  int number = 0;
  EXPECT_TRUE(engine_->getInt("values", "k", 1, number));
  EXPECT_EQ(number, -2147483647 - 1);

  const wchar_t text[] = L"h\u00e9llo \u2603 \U0001F600";
  engine_->putCString("values", "k", 2, text, FALSE);
  ASSERT_TRUE(engine_->getString("values", "k", 2, stored));
  EXPECT_EQ(stored, "h\xC3\xA9llo \xE2\x98\x83 \xF0\x9F\x98\x80");
  CString back;
  EXPECT_TRUE(engine_->getCString("values", "k", 2, back));
  EXPECT_EQ(back, CString(text));
}

TEST_F(EngineTest, UnreadableValuesLeaveTheCallersVariableAlone) {
  engine_->openDataSet(0, "values", 0);
  struct Case {
    const char* bytes;
  } cases[] = {{""}, {"12x"}, {"+5"}, {" 5"}, {"2147483648"}, {"\xC3"}};
  unsigned field = 10;
  for (const Case& c : cases) {
    engine_->putString("values", "k", field, c.bytes, FALSE);
    int number = 77;
    EXPECT_FALSE(engine_->getInt("values", "k", field, number)) << c.bytes;
    EXPECT_EQ(number, 77) << c.bytes;
    ++field;
  }
  CString text(L"kept");
  EXPECT_FALSE(engine_->getCString("values", "k", field - 1, text)) << "not UTF-8";
  EXPECT_EQ(text, CString(L"kept"));
  int number = 5;
  EXPECT_FALSE(engine_->getInt("values", "missing", 1, number));
  EXPECT_EQ(number, 5);

  // Text that has no UTF-8 form (a lone surrogate half) is not stored.
  const wchar_t lone[] = {0xD800, 0};
  engine_->putCString("values", "k", 99, lone, FALSE);
  std::string stored;
  EXPECT_FALSE(engine_->getString("values", "k", 99, stored));
}

// ------------------------------------------------------------ task results

struct Result : IUICallbackParam {
  explicit Result(std::atomic<int>* released) : released(released) {}
  void release() override {
    ++*released;
    delete this;
  }
  std::atomic<int>* released;
  int value = 0;
};

struct Receiver {
  void onResult(IUICallbackParam* param) {
    ++calls;
    thread = GetCurrentThreadId();
    received = param;
    value = static_cast<Result*>(param)->value;
    released_during_call = released->load();
  }
  std::atomic<int>* released = nullptr;
  std::atomic<int> calls{0};
  std::atomic<DWORD> thread{0};
  std::atomic<IUICallbackParam*> received{nullptr};
  int value = 0;
  int released_during_call = -1;
};

class ResultTask : public IUITask {
 public:
  ResultTask(UICallback& callback, Result* result) : IUITask(callback), result_(result) {}
  void run() override {
    worker = GetCurrentThreadId();
    uiCallback(result_);
  }
  void release() override {
    ++releases;
  }
  Result* result_;
  std::atomic<DWORD> worker{0};
  std::atomic<int> releases{0};
};

TEST_F(EngineTest, TaskResultReachesTheBoundCallbackOnTheUserInterfaceThread) {
  ASSERT_EQ(engine_->start(), 0);
  std::atomic<int> released{0};
  Receiver receiver;
  receiver.released = &released;
  UICallback callback = fastdelegate::MakeDelegate<&Receiver::onResult>(&receiver);
  Result* result = new Result(&released);
  result->value = 42;
  ResultTask task(callback, result);
  ASSERT_EQ(engine_->postTask(&task), 0);
  ASSERT_TRUE(PumpUntil([&] { return released == 1; }));
  EXPECT_EQ(receiver.calls.load(), 1);
  EXPECT_EQ(receiver.received.load(), result);
  EXPECT_EQ(receiver.value, 42);
  EXPECT_EQ(receiver.released_during_call, 0) << "the result is released after the call returns";
  EXPECT_EQ(receiver.thread.load(), GetCurrentThreadId());
  EXPECT_NE(task.worker.load(), GetCurrentThreadId());
  EXPECT_EQ(task.releases.load(), 1);
  engine_->stop();
}

TEST_F(EngineTest, EmptyCallbackLeavesTheResultWithTheTask) {
  ASSERT_EQ(engine_->start(), 0);
  std::atomic<int> released{0};
  UICallback empty;
  Result* result = new Result(&released);
  ResultTask task(empty, result);
  ASSERT_EQ(engine_->postTask(&task), 0);
  ASSERT_TRUE(PumpUntil([&] { return task.releases == 1; }));
  EXPECT_EQ(released.load(), 0);
  delete result;
  engine_->stop();
}

TEST_F(EngineTest, ResultRefusedByAStoppedEngineIsReleasedNotLeaked) {
  ASSERT_EQ(engine_->start(), 0);
  ASSERT_EQ(engine_->stop(), 0);
  std::atomic<int> released{0};
  Receiver receiver;
  receiver.released = &released;
  UICallback callback = fastdelegate::MakeDelegate<&Receiver::onResult>(&receiver);
  ResultTask task(callback, new Result(&released));
  task.run();  // as if the worker ran it after stop
  EXPECT_EQ(released.load(), 1);
  EXPECT_EQ(receiver.calls.load(), 0);
}

TEST(UICallbackParam, DefaultCodeIs255AndCopiesKeepIt) {
  struct Param : IUICallbackParam {
    void release() override {}
  } param;
  EXPECT_EQ(param.code, 255);
  param.code = 7;
  Param copy(param);
  EXPECT_EQ(copy.code, 7);
}

// ------------------------------------------------------------ teardown safety

// A task that is still running when the host destroys a started engine: the
// worker is stopped (and waited for) before the dispatcher goes, so the task
// can still post to the engine it holds.
struct LateTask : ITask {
  ILogic* engine = nullptr;
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CountingEvent event;
  std::atomic<int> post_result{-1}, releases{0};
  void run() override {
    SetEvent(started);
    Sleep(300);
    post_result = engine->postEvent(&event);
  }
  void release() override { ++releases; }
};

TEST(Teardown, DestroyingAStartedEngineStopsTheWorkerFirst) {
  std::string path = TempDocument("calvex_teardown.doc");
  ASSERT_EQ(CreateSingletonICalvex(path), 0u);
  ILogic* engine = GetLogic();
  ASSERT_EQ(engine->start(), 0);
  LateTask task;
  task.engine = engine;
  ASSERT_EQ(engine->postTask(&task), 0);
  ASSERT_EQ(WaitForSingleObject(task.started, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
  DestroySingletonICalvex();
  EXPECT_EQ(task.releases.load(), 1);
  EXPECT_EQ(task.post_result.load(), 0) << "the dispatcher was still there";
  EXPECT_EQ(task.event.releases.load(), 1) << "and released the event it had not run";
  CloseHandle(task.started);
  DeleteFileA(path.c_str());
}

}  // namespace
