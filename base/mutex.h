// Recursive mutex and its scope guard. A thread that holds the mutex may lock it again
// and must unlock as often; the plug-in relies on that.
//
// Threading: callable from any thread.
#pragma once

#include "base/platform_mutex.h"

class WDL_Mutex {
 public:
  WDL_Mutex();
  ~WDL_Mutex();
  WDL_Mutex(const WDL_Mutex&) = delete;
  WDL_Mutex& operator=(const WDL_Mutex&) = delete;

  void Lock();
  void Unlock();
  // Takes the mutex only when that needs no wait; true when taken. Lets a helper thread
  // give up instead of blocking on a lock whose holder is waiting for that thread.
  bool TryLock();

 private:
  PlatformMutex m_mutex;
};

// Locks at construction, unlocks at destruction; a null mutex makes both no-ops.
class MutexGuard {
 public:
  explicit MutexGuard(WDL_Mutex* mutex) : m_mutex(mutex) {
    if (m_mutex) m_mutex->Lock();
  }
  ~MutexGuard() {
    if (m_mutex) m_mutex->Unlock();
  }
  MutexGuard(const MutexGuard&) = delete;
  MutexGuard& operator=(const MutexGuard&) = delete;

 private:
  WDL_Mutex* m_mutex;
};
