// The VST 3 view on a real X server (a private Xvfb per run): a frame offering a run loop
// drives the editor without a thread of its own, and the edits made with the mouse reach
// the component handler from the run loop's callbacks on this (the UI) thread; without a
// run loop the editor keeps its thread. Unregistration happens in removed(), and when the
// host removes the view from inside one of its callbacks, once that callback's work is
// done; a size change of the editor is asked of the frame on the UI thread without the
// plug-in lock; every reference returns.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "effect/quelora2.h"
#include "graphics/x11/graphics_x11.h"
#include "tests/support/x11_test_support.h"
#include "tools/host/vst3_host.h"
#include "vst3/vst3_entry.h"

namespace {

// The host's frame, with or without a run loop. The run loop only records: the test
// calls the handlers itself, as the host's loop would.
class FakeFrame final : public v3::PlugFrame, public v3::RunLoop {
 public:
  explicit FakeFrame(bool offersRunLoop) : mOffersRunLoop(offersRunLoop) {}

  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override {
    if (!obj) return v3::kInvalidArgument;
    *obj = nullptr;
    if (v3::SameId(iid, v3::Unknown::kId) || v3::SameId(iid, v3::PlugFrame::kId)) {
      *obj = static_cast<v3::PlugFrame*>(this);
    } else if (mOffersRunLoop && v3::SameId(iid, v3::RunLoop::kId)) {
      *obj = static_cast<v3::RunLoop*>(this);
    } else {
      return v3::kNoInterface;
    }
    addRef();
    return v3::kResultOk;
  }
  uint32_t V3_CALL addRef() override { return ++refs; }
  uint32_t V3_CALL release() override { return --refs; }

  v3::Result V3_CALL resizeView(v3::PlugView* view, v3::Rect* rect) override {
    (void)view;
    resizes.push_back(*rect);
    // Whether another thread could take the plug-in lock now (it must be free here).
    if (plug) {
      bool free = false;
      std::thread probe([&] {
        free = plug->PluginLock()->TryLock();
        if (free) plug->PluginLock()->Unlock();
      });
      probe.join();
      lockFreeInResize = lockFreeInResize && free;
    }
    return v3::kResultOk;
  }

  v3::Result V3_CALL registerEventHandler(v3::EventHandler* handler, int fd) override {
    fdHandler = handler;
    this->fd = fd;
    return v3::kResultOk;
  }
  v3::Result V3_CALL unregisterEventHandler(v3::EventHandler* handler) override {
    if (handler == fdHandler) fdHandler = nullptr;
    return v3::kResultOk;
  }
  v3::Result V3_CALL registerTimer(v3::TimerHandler* handler, uint64_t ms) override {
    timer = handler;
    periodMs = ms;
    return v3::kResultOk;
  }
  v3::Result V3_CALL unregisterTimer(v3::TimerHandler* handler) override {
    if (handler == timer) timer = nullptr;
    return v3::kResultOk;
  }

  // One turn of the host's loop: the descriptor's handler and the timer.
  void Turn() {
    if (fdHandler) fdHandler->onFDIsSet(fd);
    if (timer) timer->onTimer();
  }

  uint32_t refs = 1;
  v3::EventHandler* fdHandler = nullptr;
  v3::TimerHandler* timer = nullptr;
  int fd = -1;
  uint64_t periodMs = 0;
  std::vector<v3::Rect> resizes;
  IPlugBase* plug = nullptr;
  bool lockFreeInResize = true;

 private:
  bool mOffersRunLoop;
};

// Closes the view from inside the host's handler call, as a host reacting to an edit may.
class ClosingHandler final : public v3::ComponentHandler {
 public:
  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override {
    if (obj) *obj = nullptr;
    (void)iid;
    return v3::kNoInterface;
  }
  uint32_t V3_CALL addRef() override { return ++refs; }
  uint32_t V3_CALL release() override { return --refs; }
  v3::Result V3_CALL beginEdit(v3::ParamId) override { return Close(); }
  v3::Result V3_CALL performEdit(v3::ParamId, v3::ParamValue) override { return Close(); }
  v3::Result V3_CALL endEdit(v3::ParamId) override { return Close(); }
  v3::Result V3_CALL restartComponent(int32_t) override { return v3::kResultOk; }

  v3::Result Close() {
    if (view && view->removed() == v3::kResultOk) closed = true;
    return v3::kResultOk;
  }
  uint32_t refs = 1;
  v3::PlugView* view = nullptr;
  bool closed = false;
};

class Vst3ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Ok());
    std::string error;
    ASSERT_TRUE(module.Attach(GetPluginFactory, &error)) << error;
    ASSERT_TRUE(plugin.Create(module, &error)) << error;
    plug = dynamic_cast<VSTCLASS*>(plugin.Component());
    ASSERT_NE(plug, nullptr);
    editor = dynamic_cast<IGraphicsX11*>(plug->Editor());
    ASSERT_NE(editor, nullptr);
    view = plugin.Controller()->createView(v3::kEditorViewType);
    ASSERT_NE(view, nullptr);
  }
  void TearDown() override {
    if (view) {
      EXPECT_EQ(view->release(), 0u);
    }
  }

  Window EditorWindow() {
    MutexGuard guard(plug->PluginLock());
    return static_cast<Window>(reinterpret_cast<uintptr_t>(editor->GetNativeWindow()));
  }

  X11TestHost host;
  Vst3Module module;
  Vst3Plugin plugin;
  VSTCLASS* plug = nullptr;
  IGraphicsX11* editor = nullptr;
  v3::PlugView* view = nullptr;
};

TEST_F(Vst3ViewTest, TheHostsRunLoopDrivesTheEditorAndCarriesItsEdits) {
  FakeFrame frame(true);
  ASSERT_EQ(view->setFrame(&frame), v3::kResultOk);
  ASSERT_EQ(view->attached(host.ParentHandle(), v3::kX11WindowType), v3::kResultOk);
  // No thread of its own: the X connection and a timer of the editor's period are the
  // run loop's.
  EXPECT_FALSE(editor->EditorThreadRunning());
  EXPECT_GE(frame.fd, 0);
  EXPECT_NE(frame.fdHandler, nullptr);
  EXPECT_NE(frame.timer, nullptr);
  EXPECT_EQ(frame.periodMs, static_cast<uint64_t>(editor->HostDrivenPeriodMs()));
  const Window window = EditorWindow();
  ASSERT_NE(window, 0u);
  EXPECT_EQ(view->attached(host.ParentHandle(), v3::kX11WindowType), v3::kResultFalse);

  const long ticks = editor->TickCount();
  host.Click(window, 190, 150);  // the last position button: "inv pong"
  ASSERT_TRUE(WaitUntil([&] {
    frame.Turn();
    return plugin.Handler().edits.size() >= 3;
  }));
  EXPECT_GT(editor->TickCount(), ticks);
  const std::vector<Vst3HostEdit>& edits = plugin.Handler().edits;
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[0].kind, Vst3HostEdit::kBegin);
  EXPECT_EQ(edits[1].kind, Vst3HostEdit::kPerform);
  EXPECT_EQ(edits[1].value, 1.0);
  EXPECT_EQ(edits[2].kind, Vst3HostEdit::kEnd);
  for (const Vst3HostEdit& edit : edits) EXPECT_EQ(edit.id, 1u);
  EXPECT_EQ(plugin.ParamNormalized(1), 1.0);

  ASSERT_EQ(view->removed(), v3::kResultOk);
  EXPECT_EQ(frame.fdHandler, nullptr);
  EXPECT_EQ(frame.timer, nullptr);
  EXPECT_EQ(frame.refs, 2u);  // the view holds the frame until setFrame(null)
  view->setFrame(nullptr);
  EXPECT_EQ(frame.refs, 1u);
  // Open again after the editor was closed.
  ASSERT_EQ(view->attached(host.ParentHandle(), v3::kX11WindowType), v3::kResultOk);
  EXPECT_TRUE(editor->EditorThreadRunning());  // no frame now: no run loop
  ASSERT_EQ(view->removed(), v3::kResultOk);
}

TEST_F(Vst3ViewTest, WithoutARunLoopTheEditorKeepsItsThread) {
  FakeFrame frame(false);
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(host.ParentHandle(), v3::kX11WindowType), v3::kResultOk);
  EXPECT_TRUE(editor->EditorThreadRunning());
  // Its edits wait for the UI thread: the host's next frequent call hands them over.
  host.Click(EditorWindow(), 190, 150);
  ASSERT_TRUE(WaitUntil([&] {
    plugin.ParamNormalized(0);
    return plugin.Handler().edits.size() >= 3;
  }));
  EXPECT_EQ(plugin.Handler().edits[0].kind, Vst3HostEdit::kBegin);
  ASSERT_EQ(view->removed(), v3::kResultOk);
  view->setFrame(nullptr);
  EXPECT_EQ(frame.refs, 1u);
}

TEST_F(Vst3ViewTest, RemovedFromInsideACallbackUnregistersAfterIt) {
  FakeFrame frame(true);
  ClosingHandler closer;
  closer.view = view;
  plugin.Controller()->setComponentHandler(&closer);
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(host.ParentHandle(), v3::kX11WindowType), v3::kResultOk);
  host.Click(EditorWindow(), 190, 150);
  ASSERT_TRUE(WaitUntil([&] {
    frame.Turn();
    return closer.closed;
  }));
  // Put off until the view's own callback had finished its work, then done.
  EXPECT_EQ(frame.timer, nullptr);
  EXPECT_EQ(frame.fdHandler, nullptr);
  EXPECT_FALSE(view->removed() == v3::kResultOk);
  {
    MutexGuard guard(plug->PluginLock());
    EXPECT_EQ(editor->GetNativeWindow(), nullptr);
  }
  view->setFrame(nullptr);
  plugin.Controller()->setComponentHandler(nullptr);
  EXPECT_EQ(closer.refs, 1u);
  EXPECT_EQ(frame.refs, 1u);
}

TEST_F(Vst3ViewTest, AnEditorSizeChangeIsAskedOfTheFrameWithoutThePluginLock) {
  FakeFrame frame(true);
  frame.plug = plug;
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(host.ParentHandle(), v3::kX11WindowType), v3::kResultOk);
  void* face = nullptr;
  ASSERT_EQ(view->queryInterface(v3::AsRaw(v3::ContentScaleSupport::kId), &face), v3::kResultOk);
  // The scale reaches the editor and changes its size: the frame is asked to follow, from
  // its run loop, without the plug-in lock.
  auto* support = static_cast<v3::ContentScaleSupport*>(face);
  EXPECT_EQ(support->setContentScaleFactor(1.5f), v3::kResultOk);
  frame.Turn();
  ASSERT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(frame.resizes[0].right, 825);
  EXPECT_EQ(frame.resizes[0].bottom, 314);
  EXPECT_TRUE(frame.lockFreeInResize);
  v3::Rect size = {};
  ASSERT_EQ(view->getSize(&size), v3::kResultOk);
  EXPECT_EQ(size.right, 825);
  EXPECT_EQ(size.bottom, 314);
  // The same scale again changes nothing.
  EXPECT_EQ(support->setContentScaleFactor(1.5f), v3::kResultOk);
  frame.Turn();
  EXPECT_EQ(frame.resizes.size(), 1u);
  support->release();
  ASSERT_EQ(view->removed(), v3::kResultOk);
  view->setFrame(nullptr);
}

}  // namespace
