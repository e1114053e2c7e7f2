// The CLAP editor on an X server (run under tests/support/run_with_xvfb.sh): embedded in
// the host's window; on a host offering timer-support and posix-fd-support it runs on
// the host's timer and the X connection's descriptor (no editor thread), otherwise on a
// thread of its own. A real drag reaches the host as GESTURE_BEGIN, PARAM_VALUE...,
// GESTURE_END through params.flush, which the plug-in asks for from the main thread.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "clap/IPlugCLAP.h"
#include "clap/clap_entry.h"
#include "graphics/IGraphics.h"
#include "graphics/x11/graphics_x11.h"
#include "tests/support/x11_test_support.h"
#include "tools/host/clap_host.h"

namespace {

constexpr clapabi::Id kDryMix = 4;

class ClapGui : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(module.Adopt(&clap_entry, "in-process", &error)) << error;
  }
  void TearDown() override { host.Destroy(); }

  bool Open() {
    if (!host.Create(module, nullptr, &error)) return false;
    gui = host.Gui();
    if (!gui || !gui->create(host.Plugin(), clapabi::kWindowApiX11, false)) return false;
    clapabi::Window parent;
    parent.api = clapabi::kWindowApiX11;
    parent.x11 = window.Parent();
    return gui->setParent(host.Plugin(), &parent) && gui->show(host.Plugin());
  }
  IGraphicsX11* Editor() {
    return static_cast<IGraphicsX11*>(EditorOf(IPlugCLAP::FromClap(host.Plugin())));
  }
  Window EditorWindow() {
    return static_cast<Window>(reinterpret_cast<uintptr_t>(Editor()->GetNativeWindow()));
  }
  // Runs the host's loop (and the flushes the plug-in asks for) until pred holds.
  bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      host.Pump(10);
      if (host.calls.requestFlush.load() > flushes) {
        flushes = host.calls.requestFlush.load();
        host.Flush();
      }
      if (pred()) return true;
      SleepMs(2);
    }
    return false;
  }
  bool GestureEnded() {
    return !host.outputEvents.empty() &&
           host.outputEvents.back().type == clapabi::kEventParamGestureEnd;
  }
  void ExpectOneGestureOnDryMix() {
    ASSERT_GE(host.outputEvents.size(), 3u);
    EXPECT_EQ(host.outputEvents.front().type, clapabi::kEventParamGestureBegin);
    double last = -1.0;
    for (size_t i = 1; i + 1 < host.outputEvents.size(); ++i) {
      EXPECT_EQ(host.outputEvents[i].type, clapabi::kEventParamValue);
      last = host.outputEvents[i].value;
    }
    for (const auto& e : host.outputEvents) EXPECT_EQ(e.paramId, kDryMix);
    double now = -2.0;
    ASSERT_TRUE(host.ParamValue(kDryMix, &now));
    EXPECT_EQ(now, last);
    EXPECT_LT(now, 100.0);  // dragged down from the default
  }

  X11TestHost window;
  ClapModuleFile module;
  ClapPluginHost host;
  const clapabi::PluginGui* gui = nullptr;
  std::string error;
  int flushes = 0;
};

TEST_F(ClapGui, OnTheHostsTimerAndDescriptor) {
  ASSERT_TRUE(Open()) << error;
  EXPECT_TRUE(IPlugCLAP::FromClap(host.Plugin())->EditorDrivenByHost());
  EXPECT_FALSE(Editor()->EditorThreadRunning());
  ASSERT_EQ(host.Timers().size(), 1u);
  EXPECT_GT(host.Timers()[0].periodMs, 0u);
  ASSERT_EQ(host.Fds().size(), 1u);
  ASSERT_TRUE(PumpUntil([&] { return window.ChildCount(window.Parent()) == 1; }));
  // The editor draws only when the host's loop runs it.
  const long ticks = Editor()->TickCount();
  ASSERT_TRUE(PumpUntil([&] { return Editor()->TickCount() > ticks + 2; }));

  window.Drag(EditorWindow(), 460, 90, 460, 170);
  ASSERT_TRUE(PumpUntil([&] { return GestureEnded(); }));
  ExpectOneGestureOnDryMix();
  EXPECT_GT(host.calls.markDirty.load(), 0);

  gui->destroy(host.Plugin());
  EXPECT_TRUE(host.Timers().empty());
  EXPECT_TRUE(host.Fds().empty());
  EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
}

TEST_F(ClapGui, OnAThreadOfItsOwnWithoutTheHostsLoop) {
  host.offer.timerSupport = false;
  ASSERT_TRUE(Open()) << error;
  EXPECT_FALSE(IPlugCLAP::FromClap(host.Plugin())->EditorDrivenByHost());
  EXPECT_TRUE(Editor()->EditorThreadRunning());
  EXPECT_TRUE(host.Timers().empty());
  EXPECT_TRUE(host.Fds().empty());
  ASSERT_TRUE(WaitUntil([&] { return window.ChildCount(window.Parent()) == 1; }));

  window.Drag(EditorWindow(), 460, 90, 460, 170);
  // Edits made on the editor's thread: on_main_thread is requested, which asks for flushes.
  ASSERT_TRUE(PumpUntil([&] { return GestureEnded(); }));
  EXPECT_GT(host.calls.requestCallback.load(), 0);
  ExpectOneGestureOnDryMix();
  EXPECT_TRUE(host.Violations().empty()) << host.Violations().front();
}

TEST_F(ClapGui, AParentThatDoesNotExistOpensNothing) {
  ASSERT_TRUE(host.Create(module, nullptr, &error));
  gui = host.Gui();
  ASSERT_TRUE(gui->create(host.Plugin(), clapabi::kWindowApiX11, false));
  clapabi::Window bogus;
  bogus.api = clapabi::kWindowApiX11;
  bogus.x11 = 0x7ffffff0;
  EXPECT_FALSE(gui->setParent(host.Plugin(), &bogus));
  EXPECT_FALSE(gui->show(host.Plugin()));
  EXPECT_TRUE(host.Timers().empty());
  gui->destroy(host.Plugin());
  EXPECT_TRUE(host.Violations().empty());
}

}  // namespace
