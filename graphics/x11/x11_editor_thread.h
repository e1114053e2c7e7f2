// The thread that runs one open editor: it waits on the editor's X connection (and a wake
// pipe) until input arrives or the next frame is due, then calls the editor's work, which
// takes the locks it needs for each of its steps through Acquire.
//
// Acquire tries a lock in a loop that re-checks the stop flag, never with a blocking Lock:
// the host closes the editor (effEditClose) while holding the plug-in lock and waits in
// Stop() for this thread to end, so this thread must be able to give up instead of
// waiting for that lock. The process-wide editor-work lock serialises the drawing of the
// editors of all plug-in instances in the process, because they share the image and font
// caches (glyph caches are filled while drawing); it is likewise only tried, so that a
// thread holding another instance's lock can never wait on this one.
//
// Threading: Start / Stop are called by the thread that opens and closes the editor (the
// host's user-interface thread, normally with the plug-in lock held). The work callback
// runs on the editor thread without locks.
#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

namespace x11 {

// The process-wide editor-work lock (see above): the editor core's drawing lock
// (EditorDrawingMutex, graphics/editor_caches.h), which anyone who draws with the shared
// caches outside an editor thread takes too (the off-screen picture call does).
std::mutex& EditorWorkMutex();

class X11EditorThread {
 public:
  // tickDue: a frame period has elapsed since the last tick. The thread calls it whenever
  // input is readable or queued, a tick is due or someone woke it. Returns false once the
  // connection is unusable: the thread then stops watching it (ticks go on).
  typedef std::function<bool(bool tickDue)> Work;
  // Number of events already read from the socket and queued in Xlib (they do not make the
  // socket readable again). Called on the editor thread without locks.
  typedef std::function<int()> QueuedInput;

  X11EditorThread();
  ~X11EditorThread();
  X11EditorThread(const X11EditorThread&) = delete;
  X11EditorThread& operator=(const X11EditorThread&) = delete;

  // Starts the thread; false when it could not be started (nothing running then).
  bool Start(int connectionFd, int framesPerSecond, Work work, QueuedInput queued);
  // Asks the thread to end, wakes it and joins it. Safe without a running thread. Must not
  // be called from the editor thread itself (it then only asks it to end).
  void Stop();
  // Opening / closing thread.
  bool Running() const { return mStarted; }
  // True on the editor thread itself (any thread may ask).
  bool IsEditorThread() const;
  // Wakes the thread so that it looks for work at once (any thread).
  void Wake();
  // Calls tryLock until it succeeds (true) or, on the editor thread, until a stop was
  // requested (false). Between tries the thread waits a millisecond (or for a wake-up).
  bool Acquire(const std::function<bool()>& tryLock);
  // Calls tryLock every 200 microseconds until it succeeds (true), maxMs have passed or, on
  // the editor thread, a stop was requested (false).
  bool TryFor(const std::function<bool()>& tryLock, int maxMs);
  // Editor thread: the next pass comes within a couple of milliseconds even without input
  // or a due tick (work that could not be done yet).
  void RetrySoon() { mRetrySoon = true; }
  // True once a stop was requested (any thread).
  bool Stopping() const { return mStop.load(); }

 private:
  static void* Entry(void* self);
  void Run();
  void WaitForWake(int timeoutMs);

  // Written only by the opening / closing thread, before the start and after the join.
  pthread_t mThread;
  bool mStarted;
  std::atomic<bool> mStop;
  // Editor thread only.
  bool mRetrySoon;
  int mConnectionFd;
  int mWakeRead, mWakeWrite;
  std::chrono::steady_clock::duration mPeriod;
  Work mWork;
  QueuedInput mQueued;
};

}  // namespace x11
