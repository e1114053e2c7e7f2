// The editor thread against the other threads of a host: an audio thread processing
// blocks and a user-interface thread setting parameters and opening / closing the editor,
// all at once. Run in the ThreadSanitizer build (label tsan).
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/x11_test_support.h"

namespace {

Window AsWindow(void* handle) { return static_cast<Window>(reinterpret_cast<uintptr_t>(handle)); }

TEST(X11EditorThreads, EditorAudioAndHostCallsRunTogether) {
  X11TestHost host;
  ASSERT_TRUE(host.Ok()) << "no X server: run under tests/support/run_with_xvfb.sh";
  TestPlug plug;
  IGraphicsX11* editor = AttachQueloraLayout(&plug);
  {
    MutexGuard guard(plug.PluginLock());
    plug.ChangeBlockSize(256);
  }
  std::atomic<bool> stop(false);
  std::atomic<long> blocks(0);
  std::thread audio([&] {
    std::vector<double> in0(256, 0.25), in1(256, -0.25), out0(256), out1(256);
    double* ins[2] = {in0.data(), in1.data()};
    double* outs[2] = {out0.data(), out1.data()};
    while (!stop) {
      plug.ProcessDouble(ins, outs, 256);  // takes the plug-in lock
      ++blocks;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  std::thread automation([&] {
    int i = 0;
    while (!stop) {
      {
        MutexGuard guard(plug.PluginLock());  // the host's set-parameter call
        const double v = (i++ % 100) / 100.0;
        plug.ParamAt(2)->SetFromNormalized(v);
        if (plug.Editor()) plug.Editor()->PushParamValueToControls(2, v, true);
        editor->Idle();
      }
      SleepMs(3);
    }
  });

  for (int round = 0; round < 6; ++round) {
    const Window window = AsWindow(LockedOpen(&plug, host.ParentHandle()));
    ASSERT_NE(0u, window);
    host.Drag(window, 93, 118, 93, 90, 6);
    host.MoveTo(window, 386, 131);
    host.Button(4, true);
    host.Button(4, false);
    host.Click(window, 190, 93 + 19 * (round % 4));
    host.Click(window, 386, 131, 3);
    WaitUntil([&] {
      MutexGuard guard(plug.PluginLock());
      MutexGuard editorGuard(editor->EditorMutex());
      return editor->HasValueEntry();
    }, 1000);
    host.Type("4");
    SleepMs(80);
    LockedClose(&plug);  // with the entry open, a wheel edit pending and the audio running
  }
  stop = true;
  audio.join();
  automation.join();
  EXPECT_GT(blocks.load(), 0);
  // Every host edit that began has ended.
  const std::vector<std::string> gestures = LockedGestures(&plug);
  int open = 0;
  for (const std::string& g : gestures) open += g.compare(0, 5, "begin") == 0 ? 1 : -1;
  EXPECT_EQ(0, open);
  EXPECT_EQ(0, host.ChildCount(host.Parent()));
}

// A control whose painting takes long once armed: a stand-in for a slow frame.
class SlowPaintControl : public IControl {
 public:
  SlowPaintControl(IPlugBase* owner, int param) : IControl(owner, IRECT(0, 0, 20, 20), param) {}
  bool Paint(IGraphics*) override {
    if (armed.load()) {
      started = true;
      SleepMs(600);
      finished = true;
    }
    return true;
  }
  std::atomic<bool> armed{false}, started{false}, finished{false};
};

long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
}

TEST(X11EditorThreads, AudioAndHostCallsNeverWaitForARepaint) {
  X11TestHost host;
  ASSERT_TRUE(host.Ok()) << "no X server: run under xvfb-run";
  TestPlug plug;
  IGraphicsX11* editor = AttachQueloraLayout(&plug);
  SlowPaintControl* slow = new SlowPaintControl(&plug, 3);
  editor->AddControl(slow);
  {
    MutexGuard guard(plug.PluginLock());
    plug.ChangeBlockSize(64);
  }
  ASSERT_NE(nullptr, LockedOpen(&plug, host.ParentHandle()));
  ASSERT_TRUE(WaitUntil([&] { return LockedClean(editor); }));
  slow->armed = true;
  {
    // The host's set-parameter call: the control repaints at the next tick.
    MutexGuard guard(plug.PluginLock());
    plug.ParamAt(3)->SetFromNormalized(0.9);
    editor->PushParamValueToControls(3, 0.9, true);
  }
  ASSERT_TRUE(WaitUntil([&] { return slow->started.load(); }));
  // While the frame is being drawn, a block and a parameter change go through at once.
  const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::vector<double> in(64, 0.5), out0(64), out1(64);
  double* ins[2] = {in.data(), in.data()};
  double* outs[2] = {out0.data(), out1.data()};
  plug.ProcessDouble(ins, outs, 64);
  {
    MutexGuard guard(plug.PluginLock());
    plug.ParamAt(2)->SetFromNormalized(0.3);
    editor->PushParamValueToControls(2, 0.3, true);
  }
  EXPECT_LT(MillisecondsSince(start), 300);
  EXPECT_FALSE(slow->finished.load());
  ASSERT_TRUE(WaitUntil([&] { return slow->finished.load(); }));
  slow->armed = false;
  LockedClose(&plug);
}

TEST(X11EditorThreads, DrawsWhileAnotherThreadHoldsThePluginLock) {
  X11TestHost host;
  ASSERT_TRUE(host.Ok()) << "no X server: run under xvfb-run";
  TestPlug plug;
  IGraphicsX11* editor = AttachQueloraLayout(&plug);
  const Window window = AsWindow(LockedOpen(&plug, host.ParentHandle()));
  ASSERT_NE(0u, window);
  ASSERT_TRUE(WaitUntil([&] { return LockedClean(editor); }));
  SleepMs(100);

  std::atomic<bool> holding(false), release(false);
  std::thread holder([&] {
    MutexGuard guard(plug.PluginLock());  // a long host call
    holding = true;
    while (!release.load()) SleepMs(1);
  });
  ASSERT_TRUE(WaitUntil([&] { return holding.load(); }));
  const long presents = editor->PresentCount();
  host.Drag(window, 93, 118, 93, 80, 6);  // the delay-rate knob
  // The drag is drawn and shown while the lock is still held...
  EXPECT_TRUE(WaitUntil([&] { return editor->PresentCount() > presents; }, 2000));
  release = true;
  holder.join();
  // ...and reaches the host as one edit once the lock is free.
  EXPECT_TRUE(WaitUntil([&] { return LockedGestures(&plug).size() == 2; }));
  EXPECT_EQ(LockedGestures(&plug), (std::vector<std::string>{"begin 0", "end 0"}));
  EXPECT_GT(LockedCount(&plug, "automate"), 0);
  {
    MutexGuard guard(plug.PluginLock());
    EXPECT_EQ(plug.calls.front().what, "begin");
    EXPECT_EQ(plug.calls.back().what, "end");
  }
  LockedClose(&plug);
}

}  // namespace
