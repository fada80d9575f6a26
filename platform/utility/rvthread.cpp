#include "rvthread.h"

namespace common {

CRvThread::CRvThread() : thread_(nullptr), thread_id_(0) {}

CRvThread::~CRvThread() { Destory(); }

void CRvThread::Release() { delete this; }

DWORD WINAPI CRvThread::ThreadMain(LPVOID self) {
  return static_cast<DWORD>(static_cast<CRvThread*>(self)->Run());
}

int CRvThread::Create() {
  if (thread_) return 0;
  thread_ = CreateThread(nullptr, 0, &CRvThread::ThreadMain, this, CREATE_SUSPENDED, &thread_id_);
  return thread_ != nullptr ? 1 : 0;
}

int CRvThread::Execute() {
  if (!thread_) return 0;
  return ResumeThread(thread_) != static_cast<DWORD>(-1) ? 1 : 0;
}

int CRvThread::Wait(unsigned long ms) {
  if (!thread_) return 1;
  return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0 ? 1 : 0;
}

void CRvThread::Destory() {
  if (thread_) {
    CloseHandle(thread_);
    thread_ = nullptr;
  }
}

bool CRvThread::IsRunning() const {
  return thread_ != nullptr && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT;
}

}  // namespace common
