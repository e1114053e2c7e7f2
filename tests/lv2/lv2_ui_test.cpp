// The LV2 UI on an X server, driven as a host drives it: embedded in the host's parent
// window, host port values shown through port_event, edits leaving as port writes of plain
// values with touch gestures, and every write and touch made on the host's UI thread (this
// test's main thread, which alone calls the UI's functions), at its idle calls.
//
// The fake host records its calls without any synchronisation, as a host whose UI thread
// owns its structures does: a call from another thread fails the thread check below, and
// under ThreadSanitizer it is also reported as a data race.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "effect/lv2_identity.h"
#include "effect/quelora2.h"
#include "graphics/IGraphics.h"
#include "lv2/lv2_ports.h"
#include "tests/support/x11_test_support.h"

extern "C" const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index);

namespace {

struct Written {
  uint32_t port;
  float value;
};
struct Touched {
  uint32_t port;
  bool grabbed;
};

struct FakeUiHost {
  std::thread::id uiThread = std::this_thread::get_id();
  int callsFromOtherThreads = 0;
  std::vector<Written> writes;
  std::vector<Touched> touches;
  // Every call in order: 'w' write, 'g' touch grabbed, 'r' touch released.
  std::string sequence;

  void NoteThread() {
    if (std::this_thread::get_id() != uiThread) ++callsFromOtherThreads;
  }
  static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                    const void* buffer) {
    auto* host = static_cast<FakeUiHost*>(const_cast<void*>(controller));
    host->NoteThread();
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    float v = 0.f;
    std::memcpy(&v, buffer, sizeof(v));
    host->writes.push_back({port, v});
    host->sequence += 'w';
  }
  static void Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    auto* host = static_cast<FakeUiHost*>(handle);
    host->NoteThread();
    host->touches.push_back({port, grabbed});
    host->sequence += grabbed ? 'g' : 'r';
  }
};

class Lv2Ui : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Ok());
    d = lv2ui_descriptor(0);
    ASSERT_NE(d, nullptr);
    idle = static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    touch = {&host, FakeUiHost::Touch};
    parentFeature = {LV2_UI__parent, window.ParentHandle()};
    touchFeature = {LV2_UI__touch, &touch};
    idleFeature = {LV2_UI__idleInterface, nullptr};
  }
  void TearDown() override {
    if (ui) d->cleanup(ui);
    EXPECT_EQ(host.callsFromOtherThreads, 0);
  }
  LV2UI_Handle Open(bool withTouch) {
    const LV2_Feature* features[] = {&parentFeature, &idleFeature,
                                     withTouch ? &touchFeature : nullptr, nullptr};
    ui = d->instantiate(d, kLv2PluginUri, "/", FakeUiHost::Write, &host, &widget, features);
    return ui;
  }
  VSTCLASS* Plug() { return static_cast<VSTCLASS*>(static_cast<IPlugLV2*>(ui)); }
  // Polls pred, calling the UI's idle before each look, as a host's UI timer does.
  bool IdleUntil(const std::function<bool()>& pred) {
    return WaitUntil([&] {
      EXPECT_EQ(idle->idle(ui), 0);
      return pred();
    });
  }

  X11TestHost window;
  FakeUiHost host;
  const LV2UI_Descriptor* d = nullptr;
  const LV2UI_Idle_Interface* idle = nullptr;
  LV2UI_Touch touch{};
  LV2_Feature parentFeature{}, touchFeature{}, idleFeature{};
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle ui = nullptr;
};

TEST_F(Lv2Ui, RefusesWithoutParentIdleOrForAnotherPlugin) {
  EXPECT_EQ(lv2ui_descriptor(1), nullptr);
  EXPECT_STREQ(d->URI, kLv2UiUri);
  const LV2_Feature* none[] = {nullptr};
  EXPECT_EQ(d->instantiate(d, kLv2PluginUri, "/", FakeUiHost::Write, &host, &widget, none), nullptr);
  // A host that does not call the idle interface gets no UI: its edits would have no
  // thread to reach the host on.
  const LV2_Feature* parentOnly[] = {&parentFeature, nullptr};
  EXPECT_EQ(d->instantiate(d, kLv2PluginUri, "/", FakeUiHost::Write, &host, &widget, parentOnly),
            nullptr);
  const LV2_Feature* complete[] = {&parentFeature, &idleFeature, nullptr};
  EXPECT_EQ(d->instantiate(d, "urn:other", "/", FakeUiHost::Write, &host, &widget, complete),
            nullptr);
  EXPECT_EQ(d->instantiate(d, kLv2PluginUri, "/", nullptr, &host, &widget, complete), nullptr);
  // A parent the X server does not know: the editor cannot open, and the half-made UI is
  // torn down cleanly (under AddressSanitizer this would catch a lock released after its
  // plug-in was freed).
  LV2_Feature badParent = {LV2_UI__parent, reinterpret_cast<void*>(uintptr_t{0x7ffffff0})};
  const LV2_Feature* unknownParent[] = {&badParent, &idleFeature, nullptr};
  EXPECT_EQ(d->instantiate(d, kLv2PluginUri, "/", FakeUiHost::Write, &host, &widget, unknownParent),
            nullptr);
  d->cleanup(nullptr);
  d->port_event(nullptr, kPortFirstParam, sizeof(float), 0, nullptr);
  EXPECT_NE(idle->idle(nullptr), 0);
}

TEST_F(Lv2Ui, EmbedsTheEditorInTheParentWindow) {
  ASSERT_NE(Open(true), nullptr);
  ASSERT_NE(widget, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return window.ChildCount(window.Parent()) == 1; }));
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(window.display(), static_cast<Window>(reinterpret_cast<uintptr_t>(widget)),
                         &root, &parent, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parent, window.Parent());
  EXPECT_EQ(idle->idle(ui), 0);
  EXPECT_EQ(d->extension_data("urn:nothing"), nullptr);
}

TEST_F(Lv2Ui, PortEventsShowValuesWithoutWritingBack) {
  ASSERT_NE(Open(true), nullptr);
  const float feedback = 77.f;
  d->port_event(ui, kPortFirstParam + kFeedback, sizeof(float), 0, &feedback);
  EXPECT_EQ(Plug()->ParamAt(kFeedback)->current, 77.0);
  IGraphics* editor = EditorOf(Plug());
  ASSERT_NE(editor, nullptr);
  // The open editor takes host values at its next exchange, on its own thread.
  EXPECT_TRUE(WaitUntil([&] {
    MutexGuard guard(editor->EditorMutex());
    return std::fabs(editor->ControlAt(4)->Value() - 77.0 / 99.0) < 1e-9;  // the Feedback knob
  }));
  // Other formats, sizes and ports are ignored.
  const double wide = 5.0;
  d->port_event(ui, kPortFirstParam + kFeedback, sizeof(double), 0, &wide);
  d->port_event(ui, kPortFirstParam + kFeedback, sizeof(float), 7, &feedback);
  d->port_event(ui, 2, sizeof(float), 0, &feedback);
  d->port_event(ui, kPortFirstParam + 40, sizeof(float), 0, &feedback);
  EXPECT_EQ(Plug()->ParamAt(kFeedback)->current, 77.0);
  EXPECT_TRUE(host.writes.empty());
  EXPECT_TRUE(host.touches.empty());
}

TEST_F(Lv2Ui, EditsWaitForIdleAndLeaveAsPortWritesInsideTouchGestures) {
  ASSERT_NE(Open(true), nullptr);
  {
    MutexGuard guard(Plug()->PluginLock());
    Plug()->HostBeginParamEdit(kWetMix);
    Plug()->SetParamFromEditor(kWetMix, 0.25);
    Plug()->HostEndParamEdit(kWetMix);
  }
  // Nothing reaches the host until its idle call.
  EXPECT_TRUE(host.sequence.empty());
  EXPECT_EQ(idle->idle(ui), 0);
  EXPECT_EQ(host.sequence, "gwr");
  ASSERT_EQ(host.writes.size(), 1u);
  EXPECT_EQ(host.writes[0].port, kPortFirstParam + kWetMix);
  EXPECT_EQ(host.writes[0].value, 25.f);  // the plain value
  EXPECT_EQ(host.touches[0].port, kPortFirstParam + kWetMix);
  EXPECT_EQ(idle->idle(ui), 0);
  EXPECT_EQ(host.sequence, "gwr");
}

TEST_F(Lv2Ui, ADragReachesTheHostOnlyOnItsUiThreadInOrder) {
  ASSERT_NE(Open(true), nullptr);
  const Window editorWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
  ASSERT_TRUE(IdleUntil([&] { return window.ChildCount(window.Parent()) == 1; }));
  // The drag is made by the X server and handled on the editor's own thread; this thread
  // only calls idle, as a host's UI loop does.
  window.Drag(editorWindow, 460, 90, 460, 170);
  ASSERT_TRUE(IdleUntil([&] { return !host.touches.empty() && !host.touches.back().grabbed; }));
  ASSERT_FALSE(host.writes.empty());
  for (const Written& w : host.writes) EXPECT_EQ(w.port, kPortFirstParam + kDryMix);
  // One gesture: a grab, the values, a release.
  ASSERT_GE(host.sequence.size(), 3u);
  EXPECT_EQ(host.sequence.front(), 'g');
  EXPECT_EQ(host.sequence.back(), 'r');
  EXPECT_EQ(host.sequence.find_first_not_of('w', 1), host.sequence.size() - 1);
  EXPECT_EQ(host.writes.back().value, static_cast<float>(Plug()->ParamAt(kDryMix)->current));

  // A second drag while the host keeps calling idle: the gestures stay in order.
  window.Drag(editorWindow, 504, 170, 504, 100);
  ASSERT_TRUE(IdleUntil([&] { return host.touches.size() == 4 && !host.touches.back().grabbed; }));
  EXPECT_EQ(host.touches[2].port, kPortFirstParam + kWetMix);
  EXPECT_TRUE(host.touches[2].grabbed);
  EXPECT_EQ(host.writes.back().port, kPortFirstParam + kWetMix);
}

TEST_F(Lv2Ui, AGestureStillOpenAtCleanupEndsOnTheUiThread) {
  ASSERT_NE(Open(true), nullptr);
  const Window editorWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
  ASSERT_TRUE(IdleUntil([&] { return window.ChildCount(window.Parent()) == 1; }));
  // Press and move, no release: the host is inside an edit when the UI goes.
  window.MoveTo(editorWindow, 460, 90);
  window.Button(1, true);
  window.MoveTo(editorWindow, 460, 130);
  ASSERT_TRUE(IdleUntil([&] { return !host.writes.empty(); }));
  d->cleanup(ui);
  ui = nullptr;
  window.Button(1, false);
  ASSERT_FALSE(host.touches.empty());
  EXPECT_FALSE(host.touches.back().grabbed);
  EXPECT_EQ(host.sequence.front(), 'g');
}

// A host that gives the UI its scale factor (options) and takes its size (ui:resize).
struct ScalingUiHost {
  std::vector<std::string> uris;
  std::vector<std::pair<int, int>> sizes;
  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri) {
    auto* self = static_cast<ScalingUiHost*>(handle);
    for (size_t i = 0; i < self->uris.size(); ++i)
      if (self->uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    self->uris.push_back(uri);
    return static_cast<LV2_URID>(self->uris.size());
  }
  static int Resize(LV2UI_Feature_Handle handle, int width, int height) {
    static_cast<ScalingUiHost*>(handle)->sizes.push_back({width, height});
    return 0;
  }
};

TEST_F(Lv2Ui, HostScaleFactorSetsTheSizeItReports) {
  ScalingUiHost scaling;
  LV2_URID_Map map = {&scaling, ScalingUiHost::Map};
  LV2UI_Resize resize = {&scaling, ScalingUiHost::Resize};
  float factor = 2.0f;
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, ScalingUiHost::Map(&scaling, LV2_UI__scaleFactor), sizeof(float),
       ScalingUiHost::Map(&scaling, LV2_ATOM__Float), &factor},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  LV2_Feature mapFeature = {LV2_URID__map, &map};
  LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
  LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  const LV2_Feature* features[] = {&parentFeature, &idleFeature,   &mapFeature,
                                   &resizeFeature, &optionsFeature, nullptr};
  ui = d->instantiate(d, kLv2PluginUri, "/", FakeUiHost::Write, &host, &widget, features);
  ASSERT_NE(ui, nullptr);
  ASSERT_EQ(scaling.sizes.size(), 1u);
  EXPECT_EQ(scaling.sizes[0], std::make_pair(1100, 418));
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(window.display(),
                                   static_cast<Window>(reinterpret_cast<uintptr_t>(widget)), &a));
  EXPECT_EQ(a.width, 1100);
  EXPECT_EQ(a.height, 418);
  d->cleanup(ui);
  ui = nullptr;

  // A factor of another type is no factor: the UI opens at 1x and says so.
  const LV2_Options_Option wrongType[] = {
      {LV2_OPTIONS_INSTANCE, 0, ScalingUiHost::Map(&scaling, LV2_UI__scaleFactor), sizeof(float),
       ScalingUiHost::Map(&scaling, LV2_ATOM__Int), &factor},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  optionsFeature.data = const_cast<LV2_Options_Option*>(wrongType);
  ui = d->instantiate(d, kLv2PluginUri, "/", FakeUiHost::Write, &host, &widget, features);
  ASSERT_NE(ui, nullptr);
  ASSERT_EQ(scaling.sizes.size(), 2u);
  EXPECT_EQ(scaling.sizes[1], std::make_pair(550, 209));
}

TEST_F(Lv2Ui, WorksWithoutTouch) {
  ASSERT_NE(Open(false), nullptr);
  {
    MutexGuard guard(Plug()->PluginLock());
    Plug()->HostBeginParamEdit(kPanWidth);
    Plug()->SetParamFromEditor(kPanWidth, 0.5);
    Plug()->HostEndParamEdit(kPanWidth);
  }
  EXPECT_EQ(idle->idle(ui), 0);
  ASSERT_EQ(host.writes.size(), 1u);
  EXPECT_EQ(host.writes[0].value, 50.f);
  EXPECT_TRUE(host.touches.empty());
}

}  // namespace
