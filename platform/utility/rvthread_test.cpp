#include "rvthread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class GateThread : public common::CRvThread {
 public:
  GateThread() : gate_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~GateThread() override { CloseHandle(gate_); }
  int Run() override {
    ran_thread = GetCurrentThreadId();
    WaitForSingleObject(gate_, INFINITE);
    return 0;
  }
  void Open() { SetEvent(gate_); }
  std::atomic<DWORD> ran_thread{0};

 private:
  HANDLE gate_;
};

TEST(CRvThread, RunsOnItsOwnThreadAfterExecuteAndWaitsForTheEnd) {
  GateThread* thread = new GateThread;
  ASSERT_NE(thread->Create(), 0);
  EXPECT_EQ(thread->ran_thread.load(), 0u) << "Create leaves the thread suspended";
  ASSERT_NE(thread->Execute(), 0);
  EXPECT_EQ(thread->Wait(50), 0) << "still blocked at the gate";
  EXPECT_TRUE(thread->IsRunning());
  thread->Open();
  EXPECT_NE(thread->Wait(30000), 0);
  EXPECT_FALSE(thread->IsRunning());
  EXPECT_NE(thread->ran_thread.load(), GetCurrentThreadId());
  EXPECT_EQ(thread->ran_thread.load(), thread->ThreadId());
  thread->Destory();
  thread->Release();
}

TEST(CRvThread, DestoryLeavesARunningThreadToFinishByItself) {
  GateThread* thread = new GateThread;
  ASSERT_NE(thread->Create(), 0);
  ASSERT_NE(thread->Execute(), 0);
  HANDLE copy = OpenThread(SYNCHRONIZE, FALSE, thread->ThreadId());
  ASSERT_NE(copy, nullptr);
  thread->Destory();
  EXPECT_EQ(WaitForSingleObject(copy, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  thread->Open();
  EXPECT_EQ(WaitForSingleObject(copy, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(copy);
  thread->Release();
}

}  // namespace
