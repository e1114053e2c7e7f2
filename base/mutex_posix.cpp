#include "base/mutex.h"

WDL_Mutex::WDL_Mutex() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&m_mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

WDL_Mutex::~WDL_Mutex() { pthread_mutex_destroy(&m_mutex); }

void WDL_Mutex::Lock() { pthread_mutex_lock(&m_mutex); }

void WDL_Mutex::Unlock() { pthread_mutex_unlock(&m_mutex); }

bool WDL_Mutex::TryLock() { return pthread_mutex_trylock(&m_mutex) == 0; }
