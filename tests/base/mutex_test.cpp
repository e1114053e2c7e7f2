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
