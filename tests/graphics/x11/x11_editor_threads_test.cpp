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

}  // namespace
