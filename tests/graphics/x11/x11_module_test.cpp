// The editor of the real plug-in module, opened through the host interface the way a
// Linux host does it: effEditOpen with the parent window's id in ptr, effEditClose. Input
// comes from XTest, the window is read back, and the host callbacks are recorded.
#include <dlfcn.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "raster/bitmap.h"
#include "raster/png.h"
#include "resources/embedded_images.h"
#include "tests/support/x11_test_support.h"
#include "vst/aeffect.h"

namespace {

typedef std::chrono::steady_clock Clock;

struct HostEvent {
  AEffect* effect;
  VstInt32 opcode;
  VstInt32 index;
  Clock::time_point when;
};

std::mutex gEventsMutex;
std::vector<HostEvent> gEvents;

VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) {
  (void)value;
  (void)ptr;
  (void)opt;
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit) {
    std::lock_guard<std::mutex> guard(gEventsMutex);
    gEvents.push_back({effect, opcode, index, Clock::now()});
  }
  return 0;
}

std::vector<HostEvent> Events(AEffect* effect, VstInt32 opcode = -1) {
  std::lock_guard<std::mutex> guard(gEventsMutex);
  std::vector<HostEvent> out;
  for (const HostEvent& e : gEvents) {
    if (e.effect == effect && (opcode < 0 || e.opcode == opcode)) out.push_back(e);
  }
  return out;
}

// "b3" / "e3" for begin / end edit of parameter 3, in order.
std::vector<std::string> Gestures(AEffect* effect) {
  std::vector<std::string> out;
  for (const HostEvent& e : Events(effect)) {
    if (e.opcode == audioMasterBeginEdit) out.push_back("b" + std::to_string(e.index));
    if (e.opcode == audioMasterEndEdit) out.push_back("e" + std::to_string(e.index));
  }
  return out;
}

class X11ModuleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module = dlopen(QUELORA_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module) entry = reinterpret_cast<VstPluginMainProc>(dlsym(module, "VSTPluginMain"));
  }

  void SetUp() override {
    ASSERT_TRUE(host.Ok()) << "no X server: run under tests/support/run_with_xvfb.sh";
    ASSERT_NE(nullptr, entry) << QUELORA_MODULE_PATH << ": " << dlerror();
    {
      // A new instance may reuse the address of the previous test's one.
      std::lock_guard<std::mutex> guard(gEventsMutex);
      gEvents.clear();
    }
    effect = Create();
    ASSERT_NE(nullptr, effect);
    ASSERT_EQ(0x1019, effect->flags) << "the module reports no editor";
    window = Open(effect, host);
    ASSERT_NE(0u, window);
    SleepMs(150);  // the first frames
  }
  void TearDown() override {
    if (effect) {
      effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0);
      effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
    }
  }

  static AEffect* Create() {
    AEffect* e = entry(HostCallback);
    if (!e) return nullptr;
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
    e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    return e;
  }
  // effEditOpen; the editor window is the parent's newest child.
  static Window Open(AEffect* e, X11TestHost& h) {
    if (!e->dispatcher(e, effEditOpen, 0, 0, h.ParentHandle(), 0)) return 0;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window w = 0;
    if (XQueryTree(h.display(), h.Parent(), &root, &parent, &children, &count) && count > 0)
      w = children[count - 1];
    if (children) XFree(children);
    return w;
  }
  Window EntryWindow() {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window w = 0;
    if (XQueryTree(host.display(), window, &root, &parent, &children, &count) && count == 1)
      w = children[0];
    if (children) XFree(children);
    return w;
  }
  bool WaitForEntryWithFocus() {
    Window entry = 0;
    if (!WaitUntil([&] { return (entry = EntryWindow()) != 0; })) return false;
    return WaitUntil([&] {
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(host.display(), &focus, &revert);
      return focus == entry;
    });
  }
  float Param(int index) { return effect->getParameter(effect, index); }

  static void* module;
  static VstPluginMainProc entry;
  X11TestHost host;
  AEffect* effect = nullptr;
  Window window = 0;
};

void* X11ModuleTest::module = nullptr;
VstPluginMainProc X11ModuleTest::entry = nullptr;

TEST_F(X11ModuleTest, ShowsTheArtworkAtTheEditorSize) {
  ERect* rect = nullptr;
  ASSERT_EQ(1, effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0));
  ASSERT_NE(nullptr, rect);
  EXPECT_EQ(209, rect->bottom);
  EXPECT_EQ(550, rect->right);
  EXPECT_EQ(1, host.ChildCount(host.Parent()));

  // Outside the controls the window shows the background image exactly.
  const EmbeddedImage* bg = FindEmbeddedImage(100);
  ASSERT_NE(nullptr, bg);
  std::unique_ptr<LICE_IBitmap> image(ReadPngMemory(bg->data, static_cast<size_t>(bg->size)));
  ASSERT_NE(nullptr, image);
  // The first frame may take a while on a slow or busy machine: wait until the corner
  // shows the artwork.
  std::vector<uint32_t> shown;
  WaitUntil([&] {
    shown = host.Grab(window, 550, 209);
    return shown.size() == 550u * 209u &&
           shown[3 * 550 + 3] == (PixelAt(image.get(), 3, 3) & 0xFFFFFF);
  });
  ASSERT_EQ(550u * 209u, shown.size());
  const IRECT controls[] = {IRECT(52, 77, 134, 190),   IRECT(155, 80, 226, 156),
                            IRECT(257, 101, 317, 190), IRECT(356, 101, 416, 190),
                            IRECT(442, 83, 478, 184),  IRECT(486, 83, 522, 184)};
  int compared = 0, differing = 0, insideDiffering = 0;
  for (int y = 0; y < 209; ++y) {
    for (int x = 0; x < 550; ++x) {
      bool inside = false;
      for (const IRECT& r : controls) inside |= IRECT(r.L - 4, r.T - 4, r.R + 4, r.B + 4).Contains(x, y);
      const uint32_t want = PixelAt(image.get(), x, y) & 0xFFFFFF;
      const uint32_t got = shown[static_cast<size_t>(y) * 550 + x];
      if (inside) {
        insideDiffering += got != want;
      } else {
        ++compared;
        differing += got != want;
      }
    }
  }
  EXPECT_GT(compared, 70000);
  EXPECT_EQ(0, differing);
  EXPECT_GT(insideDiffering, 1000);  // the knobs, buttons and sliders are drawn on top
}

TEST_F(X11ModuleTest, DragUpOnDelayRateRaisesItInOneHostEdit) {
  const float before = Param(0);
  host.Drag(window, 93, 118, 93, 60);
  ASSERT_TRUE(WaitUntil([&] { return Gestures(effect).size() >= 2; }));
  EXPECT_GT(Param(0), before);
  EXPECT_EQ((std::vector<std::string>{"b0", "e0"}), Gestures(effect));
  const std::vector<HostEvent> automations = Events(effect, audioMasterAutomate);
  ASSERT_FALSE(automations.empty());
  for (const HostEvent& e : automations) EXPECT_EQ(0, e.index);
}

TEST_F(X11ModuleTest, ClickSelectsInvPong) {
  host.Click(window, 190, 150);
  EXPECT_TRUE(WaitUntil([&] { return Param(1) == 1.0f; }));
}

TEST_F(X11ModuleTest, WheelRunIsOneHostEditEndingAfterTwelveTicks) {
  host.MoveTo(window, 386, 131);
  for (int i = 0; i < 4; ++i) {
    host.Button(4, true);
    host.Button(4, false);
  }
  ASSERT_TRUE(WaitUntil([&] { return Events(effect, audioMasterEndEdit).size() == 1; }));
  EXPECT_EQ((std::vector<std::string>{"b3", "e3"}), Gestures(effect));
  const std::vector<HostEvent> automations = Events(effect, audioMasterAutomate);
  ASSERT_EQ(4u, automations.size());
  const double ms = std::chrono::duration<double, std::milli>(
                        Events(effect, audioMasterEndEdit)[0].when - automations.back().when)
                        .count();
  EXPECT_GT(ms, 11 * 1000.0 / 24);  // 12 ticks of 1/24 s, give or take a tick
  EXPECT_LT(ms, 14 * 1000.0 / 24 + 100);
}

TEST_F(X11ModuleTest, TypedFeedbackCommitsAndEscapeDiscards) {
  host.Click(window, 386, 131, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  host.Type("75");
  host.Key(XK_Return);
  ASSERT_TRUE(WaitUntil([&] { return std::fabs(Param(3) - 75.0f / 99.0f) < 1e-6f; }));
  char display[64] = {0};
  effect->dispatcher(effect, effGetParamDisplay, 3, 0, display, 0);
  EXPECT_STREQ("75", display);
  EXPECT_TRUE(WaitUntil([&] { return EntryWindow() == 0; }));

  host.Click(window, 386, 131, 3);
  ASSERT_TRUE(WaitForEntryWithFocus());
  host.Type("12");
  host.Key(XK_Escape);
  ASSERT_TRUE(WaitUntil([&] { return EntryWindow() == 0; }));
  SleepMs(100);
  EXPECT_FLOAT_EQ(75.0f / 99.0f, Param(3));
}

TEST_F(X11ModuleTest, HostSetParameterRepaintsWithinTwoFrames) {
  SleepMs(100);
  // The Feedback knob only: a small read-back keeps the measurement close to the present.
  const std::vector<uint32_t> before = host.Grab(window, 356, 101, 60, 89);
  const Clock::time_point start = Clock::now();
  effect->setParameter(effect, 3, 0.0f);
  ASSERT_TRUE(WaitUntil([&] { return PixelDifferences(before, host.Grab(window, 356, 101, 60, 89)) > 50; }));
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  // Two frames; the margin covers reading back and a loaded (or instrumented) machine.
  // The in-process test counts the ticks exactly.
  EXPECT_LT(ms, 2 * 1000.0 / 24 + 100);
}

TEST_F(X11ModuleTest, KeepsUpdatingWithAndWithoutIdleCallsWhileAudioRuns) {
  host.Click(window, 190, 93);  // no effEditIdle at all
  EXPECT_TRUE(WaitUntil([&] { return Param(1) == 0.0f; }));
  std::atomic<bool> stop(false);
  std::thread audio([&] {
    std::vector<float> in0(512, 0.1f), in1(512, -0.1f), out0(512), out1(512);
    float* ins[2] = {in0.data(), in1.data()};
    float* outs[2] = {out0.data(), out1.data()};
    while (!stop) {
      effect->processReplacing(effect, ins, outs, 512);
      SleepMs(2);
    }
  });
  std::thread idle([&] {
    while (!stop) {
      effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0);
      SleepMs(15);
    }
  });
  host.Click(window, 190, 131);
  EXPECT_TRUE(WaitUntil([&] { return std::fabs(Param(1) - 2.0f / 3.0f) < 1e-6f; }));
  const std::vector<uint32_t> before = host.Grab(window, 550, 209);
  effect->setParameter(effect, 2, 0.0f);
  EXPECT_TRUE(WaitUntil([&] { return PixelDifferences(before, host.Grab(window, 550, 209)) > 50; }));
  stop = true;
  idle.join();
  audio.join();
}

TEST_F(X11ModuleTest, HundredOpenCloseCyclesAndTwoInstancesLeaveNothing) {
  effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0);
  const int fds = OpenFdCount();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(1, effect->dispatcher(effect, effEditOpen, 0, 0, host.ParentHandle(), 0));
    ASSERT_EQ(1, effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0));
  }
  EXPECT_EQ(fds, OpenFdCount());
  EXPECT_EQ(0, host.ChildCount(host.Parent()));

  X11TestHost hostB(600, 260, 10, 300);
  AEffect* second = Create();
  ASSERT_NE(nullptr, second);
  window = Open(effect, host);
  const Window windowB = Open(second, hostB);
  ASSERT_NE(0u, window);
  ASSERT_NE(0u, windowB);
  host.Click(window, 190, 150);
  hostB.Click(windowB, 190, 112);
  EXPECT_TRUE(WaitUntil([&] {
    return Param(1) == 1.0f && std::fabs(second->getParameter(second, 1) - 1.0f / 3.0f) < 1e-6f;
  }));
  second->dispatcher(second, effEditClose, 0, 0, nullptr, 0);
  second->dispatcher(second, effClose, 0, 0, nullptr, 0);
  effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0);
  EXPECT_EQ(0, hostB.ChildCount(hostB.Parent()));
  EXPECT_EQ(0, host.ChildCount(host.Parent()));
  window = Open(effect, host);  // TearDown closes it
}

TEST_F(X11ModuleTest, ClosingThePluginWithTheEditorOpenIsClean) {
  // Hosts that skip effEditClose: effClose alone must take the window down.
  const int children = host.ChildCount(host.Parent());
  EXPECT_EQ(1, children);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
  effect = nullptr;
  EXPECT_EQ(0, host.ChildCount(host.Parent()));
}

}  // namespace
