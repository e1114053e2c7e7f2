#include "graphics/x11/x11_editor_thread.h"

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include "graphics/editor_caches.h"


namespace x11 {

namespace {
// Pause before a pass that retries work that had to wait (RetrySoon).
const int kRetryMs = 2;
}  // namespace

std::mutex& EditorWorkMutex() { return EditorDrawingMutex(); }

X11EditorThread::X11EditorThread()
    : mThread(),
      mStarted(false),
      mStop(false),
      mRetrySoon(false),
      mConnectionFd(-1),
      mWakeRead(-1),
      mWakeWrite(-1),
      mPeriod(std::chrono::milliseconds(41)) {}

X11EditorThread::~X11EditorThread() { Stop(); }

bool X11EditorThread::Start(int connectionFd, int framesPerSecond, Work work,
                            QueuedInput queued) {
  if (Running() || connectionFd < 0 || !work) return false;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  mWakeRead = fds[0];
  mWakeWrite = fds[1];
  mConnectionFd = connectionFd;
  if (framesPerSecond <= 0) framesPerSecond = 24;
  mPeriod = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(1.0 / framesPerSecond));
  mWork = std::move(work);
  mQueued = std::move(queued);
  mStop.store(false);
  if (pthread_create(&mThread, nullptr, &X11EditorThread::Entry, this) != 0) {
    close(mWakeRead);
    close(mWakeWrite);
    mWakeRead = mWakeWrite = -1;
    mWork = nullptr;
    mQueued = nullptr;
    return false;
  }
  mStarted = true;
  return true;
}

namespace {
// The X11EditorThread whose thread is running this code, if any.
thread_local const X11EditorThread* tCurrentEditorThread = nullptr;
}  // namespace

bool X11EditorThread::IsEditorThread() const { return tCurrentEditorThread == this; }

void* X11EditorThread::Entry(void* self) {
  X11EditorThread* thread = static_cast<X11EditorThread*>(self);
  tCurrentEditorThread = thread;
  thread->Run();
  tCurrentEditorThread = nullptr;
  return nullptr;
}

void X11EditorThread::Stop() {
  if (!mStarted) return;
  mStop.store(true);
  Wake();
  if (IsEditorThread()) return;
  pthread_join(mThread, nullptr);
  mStarted = false;
  close(mWakeRead);
  close(mWakeWrite);
  mWakeRead = mWakeWrite = -1;
  mWork = nullptr;
  mQueued = nullptr;
}

void X11EditorThread::Wake() {
  if (mWakeWrite < 0) return;
  const char byte = 1;
  // A full pipe already holds a wake-up: nothing is lost when this write fails.
  ssize_t written = write(mWakeWrite, &byte, 1);
  (void)written;
}

void X11EditorThread::WaitForWake(int timeoutMs) {
  pollfd pfd = {mWakeRead, POLLIN, 0};
  if (poll(&pfd, 1, timeoutMs) > 0) {
    // Consumed here so that a wake-up cannot turn the wait into a spin; the work that
    // follows the locks looks at everything anyway.
    char buffer[64];
    while (read(mWakeRead, buffer, sizeof(buffer)) > 0) {
    }
  }
}

bool X11EditorThread::TryFor(const std::function<bool()>& tryLock, int maxMs) {
  const bool mayGiveUp = IsEditorThread();
  const std::chrono::steady_clock::time_point end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  for (;;) {
    if (mayGiveUp && mStop.load()) return false;
    if (tryLock()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    const timespec pause = {0, 200000};
    nanosleep(&pause, nullptr);
  }
}

bool X11EditorThread::Acquire(const std::function<bool()>& tryLock) {
  const bool mayGiveUp = IsEditorThread();
  for (;;) {
    if (mayGiveUp && mStop.load()) return false;
    if (tryLock()) return true;
    // The holder is usually the audio thread for a block or another editor for a frame.
    if (mWakeRead >= 0) {
      WaitForWake(1);
    } else {
      poll(nullptr, 0, 1);
    }
  }
}

void X11EditorThread::Run() {
  typedef std::chrono::steady_clock Clock;
  Clock::time_point nextTick = Clock::now() + mPeriod;
  bool watchConnection = true;
  while (!mStop.load()) {
    const Clock::time_point now = Clock::now();
    int timeoutMs = 0;
    if (nextTick > now) {
      timeoutMs = static_cast<int>(
          std::chrono::duration_cast<std::chrono::microseconds>(nextTick - now).count() / 1000 + 1);
    }
    if (watchConnection && mQueued && mQueued() > 0) timeoutMs = 0;
    if (mRetrySoon && timeoutMs > kRetryMs) timeoutMs = kRetryMs;
    pollfd fds[2] = {{watchConnection ? mConnectionFd : -1, POLLIN, 0}, {mWakeRead, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    if (mStop.load()) break;
    bool wake = false;
    if (ready > 0 && (fds[1].revents & POLLIN)) {
      char buffer[64];
      while (read(mWakeRead, buffer, sizeof(buffer)) > 0) {
      }
      wake = true;
    }
    const bool input = ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR));
    const bool tickDue = Clock::now() >= nextTick;
    const bool retry = mRetrySoon;
    mRetrySoon = false;
    if (!input && !tickDue && !wake && !retry && !(watchConnection && mQueued && mQueued() > 0)) {
      continue;
    }
    if (!mWork(tickDue)) watchConnection = false;
    if (mStop.load()) break;
    if (tickDue) {
      nextTick += mPeriod;
      // After a stall (a long host call holding the lock) the frames are not caught up.
      if (nextTick <= Clock::now()) nextTick = Clock::now() + mPeriod;
    }
  }
}

}  // namespace x11
