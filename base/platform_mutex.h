// The platform's mutex object behind WDL_Mutex: a critical section on Windows, a
// recursive pthread mutex elsewhere. The matching implementation file is chosen by the
// build (mutex_win.cpp or mutex_posix.cpp).
#pragma once

#ifdef _WIN32
#include <windows.h>
typedef CRITICAL_SECTION PlatformMutex;
#else
#include <pthread.h>
typedef pthread_mutex_t PlatformMutex;
#endif
