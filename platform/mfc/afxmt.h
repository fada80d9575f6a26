// CCriticalSection and CSingleLock: MFC's recursive lock and its scoped guard.
//
// CCriticalSection is re-entrant for the thread that holds it.  CSingleLock
// taken with initial_lock TRUE waits without limit on construction and
// unlocks on destruction, so the lock is released also when an exception
// leaves the guarded block.
#ifndef PLATFORM_MFC_AFXMT_H_
#define PLATFORM_MFC_AFXMT_H_

#include "afxtypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

class CCriticalSection {
 public:
  CCriticalSection();
  ~CCriticalSection();
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  BOOL Lock();
  BOOL Unlock();

 private:
#ifdef _WIN32
  CRITICAL_SECTION section_;
#else
  std::recursive_mutex mutex_;
#endif
};

class CSingleLock {
 public:
  explicit CSingleLock(CCriticalSection* section, BOOL initial_lock = FALSE);
  ~CSingleLock();
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;

  BOOL Lock();
  BOOL Unlock();
  BOOL IsLocked() const { return locked_; }

 private:
  CCriticalSection* section_;
  BOOL locked_ = FALSE;
};

inline CCriticalSection::CCriticalSection() {
#ifdef _WIN32
  InitializeCriticalSection(&section_);
#endif
}

inline CCriticalSection::~CCriticalSection() {
#ifdef _WIN32
  DeleteCriticalSection(&section_);
#endif
}

inline BOOL CCriticalSection::Lock() {
#ifdef _WIN32
  EnterCriticalSection(&section_);
#else
  mutex_.lock();
#endif
  return TRUE;
}

inline BOOL CCriticalSection::Unlock() {
#ifdef _WIN32
  LeaveCriticalSection(&section_);
#else
  mutex_.unlock();
#endif
  return TRUE;
}

inline CSingleLock::CSingleLock(CCriticalSection* section, BOOL initial_lock) : section_(section) {
  if (initial_lock) Lock();
}

inline CSingleLock::~CSingleLock() { Unlock(); }

inline BOOL CSingleLock::Lock() {
  if (!locked_ && section_) locked_ = section_->Lock();
  return locked_;
}

inline BOOL CSingleLock::Unlock() {
  if (locked_) {
    section_->Unlock();
    locked_ = FALSE;
  }
  return TRUE;
}

#endif  // PLATFORM_MFC_AFXMT_H_
