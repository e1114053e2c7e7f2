#include "base/mutex.h"

WDL_Mutex::WDL_Mutex() { InitializeCriticalSection(&m_mutex); }

WDL_Mutex::~WDL_Mutex() { DeleteCriticalSection(&m_mutex); }

void WDL_Mutex::Lock() { EnterCriticalSection(&m_mutex); }

void WDL_Mutex::Unlock() { LeaveCriticalSection(&m_mutex); }

bool WDL_Mutex::TryLock() { return TryEnterCriticalSection(&m_mutex) != 0; }
