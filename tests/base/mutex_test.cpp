#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/mutex.h"

TEST(Mutex, RecursiveOnOneThreadAndExclusiveAcrossThreads) {
  WDL_Mutex mutex;
  mutex.Lock();
  mutex.Lock();  // must not block
  std::atomic<bool> entered{false};
  std::thread other([&] {
    MutexGuard guard(&mutex);
    entered = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered.load());
  mutex.Unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered.load());  // still held once
  mutex.Unlock();
  other.join();
  EXPECT_TRUE(entered.load());

  MutexGuard nullGuard(nullptr);  // a null mutex is a no-op
}

TEST(Mutex, TryLockFailsOnlyWhileAnotherThreadHoldsIt) {
  WDL_Mutex mutex;
  ASSERT_TRUE(mutex.TryLock());
  EXPECT_TRUE(mutex.TryLock());  // recursive on the owning thread
  bool takenElsewhere = true;
  std::thread([&] { takenElsewhere = mutex.TryLock(); }).join();
  EXPECT_FALSE(takenElsewhere);
  mutex.Unlock();
  mutex.Unlock();
  std::thread([&] {
    takenElsewhere = mutex.TryLock();
    if (takenElsewhere) mutex.Unlock();
  }).join();
  EXPECT_TRUE(takenElsewhere);
}
