// The effect's editor in a real X11 window (run under tests/support/run_with_xvfb.sh):
// opened into a host's top-level window, drawn off-screen through the private render call while its own
// editor thread keeps the window up to date, and closed again, several times over.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "effect/quelora2.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"
#include "vst/private_calls.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace {

TEST(EditorWindow, OffscreenPicturesWhileTheWindowIsOpen) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "no X display: run under tests/support/run_with_xvfb.sh";
  const int screen = DefaultScreen(display);
  const Window parent = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                            kEditorWidth, kEditorHeight, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);

  TestHost host;
  ASSERT_NE(host.Create(VSTPluginMain), nullptr);
  host.Start();
  std::vector<unsigned char> closed(static_cast<size_t>(kEditorWidth) * kEditorHeight * 4);
  std::vector<unsigned char> open(closed.size());
  auto render = [&](std::vector<unsigned char>* pixels) {
    return host.Dispatch(effVendorSpecific, kRenderEditorCall,
                         static_cast<VstIntPtr>(pixels->size()), pixels->data());
  };

  for (int round = 0; round < 3; ++round) {
    host.SetParameter(kDelayRate, static_cast<float>(round) / 24.f);
    ASSERT_EQ(render(&closed), kRenderEditorDone);
    void* window = reinterpret_cast<void*>(static_cast<uintptr_t>(parent));
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, window), 1) << round;
    // Host automation and pictures interleave with the editor's own redraws.
    for (int i = 0; i < 20; ++i) {
      host.SetParameter(kFeedback, static_cast<float>(i % 10) / 10.f);
      host.Dispatch(effEditIdle);
      ASSERT_EQ(render(&open), kRenderEditorDone);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(host.Dispatch(effEditClose), 1);
  }
  // With the same values the picture is the same, open or closed.
  host.SetParameter(kDelayRate, 5.f / 24.f);
  ASSERT_EQ(render(&closed), kRenderEditorDone);
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(parent))),
            1);
  ASSERT_EQ(render(&open), kRenderEditorDone);
  EXPECT_EQ(open, closed);
  host.Close();  // closing the plug-in with its window still open

  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}

TEST(EditorWindow, PicturesWhileAnotherInstancesEditorDraws) {
  // Two instances share the fonts (and the glyphs cached in them while drawing): one's
  // editor thread draws its window, kept busy by automation, while the other's editor is
  // drawn off-screen on this thread. In the ThreadSanitizer build any drawing outside the
  // shared drawing lock shows up as a race.
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "no X display: run under tests/support/run_with_xvfb.sh";
  const Window parent = XCreateSimpleWindow(display, RootWindow(display, DefaultScreen(display)),
                                            0, 0, kEditorWidth, kEditorHeight, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);

  TestHost shown, pictured;
  ASSERT_NE(shown.Create(VSTPluginMain), nullptr);
  ASSERT_NE(pictured.Create(VSTPluginMain), nullptr);
  shown.Start();
  pictured.Start();
  ASSERT_EQ(shown.Dispatch(effEditOpen, 0, 0,
                           reinterpret_cast<void*>(static_cast<uintptr_t>(parent))),
            1);
  AEffect* shownEffect = shown.effect();
  std::atomic<bool> stop(false);
  std::thread automation([&] {
    for (int i = 0; !stop.load(); ++i) {
      // The host's automation thread: every value shows new text in the open window.
      shownEffect->setParameter(shownEffect, kFeedback, static_cast<float>(i % 100) / 100.f);
      shownEffect->setParameter(shownEffect, kDelayRate, static_cast<float>(i % 25) / 24.f);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  std::vector<unsigned char> pixels(static_cast<size_t>(kEditorWidth) * kEditorHeight * 4);
  for (int i = 0; i < 40; ++i) {
    pictured.SetParameter(kWetMix, static_cast<float>(i % 100) / 100.f);
    pictured.SetParameter(kPanWidth, static_cast<float>((7 * i) % 100) / 100.f);
    ASSERT_EQ(pictured.Dispatch(effVendorSpecific, kRenderEditorCall,
                                static_cast<VstIntPtr>(pixels.size()), pixels.data()),
              kRenderEditorDone);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  stop = true;
  automation.join();
  EXPECT_EQ(shown.Dispatch(effEditClose), 1);
  shown.Close();
  pictured.Close();
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}

}  // namespace
