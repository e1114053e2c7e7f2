// The plug-in module's editor on a desktop at 2x: run on an X server whose resources say
// Xft.dpi: 192 (tests/graphics/x11/with_xft_dpi.sh loads them with xrdb before this
// program starts). The VST 2.4 editor must report and open at 1100 x 418, show the 2x
// artwork, follow a drag in its own pixels, and follow the host's content-scale call with
// a resize of its window and a size request to a host that can resize.
#include <dlfcn.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "raster/png.h"
#include "resources/embedded_images.h"
#include "tests/support/x11_test_support.h"
#include "vst/aeffect.h"

namespace {

// What the host heard: edit gestures and window size requests.
std::mutex gMutex;
std::vector<std::string> gEvents;
std::atomic<int> gCanDoSizeWindow(0);

VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) {
  (void)effect;
  (void)opt;
  if (opcode == audioMasterVersion) return 2400;
  std::lock_guard<std::mutex> guard(gMutex);
  switch (opcode) {
    case audioMasterBeginEdit:
      gEvents.push_back("b" + std::to_string(index));
      return 0;
    case audioMasterEndEdit:
      gEvents.push_back("e" + std::to_string(index));
      return 0;
    case audioMasterCanDo:
      if (ptr && std::string(static_cast<const char*>(ptr)) == "sizeWindow") {
        ++gCanDoSizeWindow;
        return 1;
      }
      return 0;
    case audioMasterSizeWindow:
      gEvents.push_back("size " + std::to_string(index) + "x" + std::to_string(value));
      return 1;
    default:
      return 0;
  }
}

std::vector<std::string> Events() {
  std::lock_guard<std::mutex> guard(gMutex);
  return gEvents;
}

class X11HiDpiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module = dlopen(QUELORA_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module) entry = reinterpret_cast<VstPluginMainProc>(dlsym(module, "VSTPluginMain"));
  }
  void SetUp() override {
    ASSERT_TRUE(host.Ok()) << "no X server: run under tests/support/run_with_xvfb.sh";
    ASSERT_NE(nullptr, entry) << QUELORA_MODULE_PATH << ": " << dlerror();
    {
      std::lock_guard<std::mutex> guard(gMutex);
      gEvents.clear();
    }
    effect = entry(HostCallback);
    ASSERT_NE(nullptr, effect);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
    Dispatch(effSetBlockSize, 0, 512);
    Dispatch(effMainsChanged, 0, 1);
  }
  void TearDown() override {
    if (!effect) return;
    Dispatch(effEditClose);
    Dispatch(effClose);
  }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  ERect Rect() {
    ERect* r = nullptr;
    Dispatch(effEditGetRect, 0, 0, &r);
    return r ? *r : ERect{};
  }
  // effEditOpen; the editor window is the parent's newest child.
  Window Open() {
    if (!Dispatch(effEditOpen, 0, 0, host.ParentHandle())) return 0;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window w = 0;
    if (XQueryTree(host.display(), host.Parent(), &root, &parent, &children, &count) && count > 0)
      w = children[count - 1];
    if (children) XFree(children);
    return w;
  }
  bool WindowIs(Window w, int width, int height) {
    XWindowAttributes a;
    return XGetWindowAttributes(host.display(), w, &a) && a.width == width && a.height == height;
  }

  static void* module;
  static VstPluginMainProc entry;
  X11TestHost host{1200, 500, 0, 0};
  AEffect* effect = nullptr;
};

void* X11HiDpiTest::module = nullptr;
VstPluginMainProc X11HiDpiTest::entry = nullptr;

TEST_F(X11HiDpiTest, OpensAtTwiceTheSizeAndShowsTheTwoTimesArtwork) {
  const ERect r = Rect();
  EXPECT_EQ(1100, r.right);
  EXPECT_EQ(418, r.bottom);
  const Window window = Open();
  ASSERT_NE(0u, window);
  EXPECT_TRUE(WindowIs(window, 1100, 418));
  // The size the host asked for before opening held: no resize was requested.
  EXPECT_EQ(0, gCanDoSizeWindow.load());

  const EmbeddedImage* bg = FindEmbeddedImage(200);
  ASSERT_NE(nullptr, bg);
  std::unique_ptr<LICE_IBitmap> image(ReadPngMemory(bg->data, static_cast<size_t>(bg->size)));
  ASSERT_NE(nullptr, image);
  ASSERT_EQ(1100, image->Width());
  std::vector<uint32_t> shown;
  WaitUntil([&] {
    shown = host.Grab(window, 1100, 418);
    return shown.size() == 1100u * 418u && shown[6 * 1100 + 6] == (PixelAt(image.get(), 6, 6) & 0xFFFFFF);
  });
  ASSERT_EQ(1100u * 418u, shown.size());
  // Outside the controls (their 1x rectangles, doubled, with a margin) the window shows
  // the 2x background exactly; the controls draw over it.
  const IRECT controls[] = {IRECT(52, 77, 134, 190),   IRECT(155, 80, 226, 156),
                            IRECT(257, 101, 317, 190), IRECT(356, 101, 416, 190),
                            IRECT(442, 83, 478, 184),  IRECT(486, 83, 522, 184)};
  int compared = 0, differing = 0, insideDiffering = 0;
  for (int y = 0; y < 418; ++y) {
    for (int x = 0; x < 1100; ++x) {
      bool inside = false;
      for (const IRECT& c : controls) {
        inside |= IRECT(2 * c.L - 8, 2 * c.T - 8, 2 * c.R + 8, 2 * c.B + 8).Contains(x, y);
      }
      const uint32_t want = PixelAt(image.get(), x, y) & 0xFFFFFF;
      const uint32_t got = shown[static_cast<size_t>(y) * 1100 + x];
      if (inside) {
        insideDiffering += got != want;
      } else {
        ++compared;
        differing += got != want;
      }
    }
  }
  EXPECT_GT(compared, 280000);
  EXPECT_EQ(0, differing);
  EXPECT_GT(insideDiffering, 4000);
}

TEST_F(X11HiDpiTest, FollowsADragInItsOwnPixels) {
  const Window window = Open();
  ASSERT_NE(0u, window);
  SleepMs(150);
  const float before = effect->getParameter(effect, 0);
  // The Delay Rate knob, centred at (93, 118) units: (186, 236) pixels; 58 units up.
  host.Drag(window, 186, 236, 186, 120, 16);
  ASSERT_TRUE(WaitUntil([&] { return Events().size() >= 2; }));
  EXPECT_GT(effect->getParameter(effect, 0), before);
  EXPECT_EQ((std::vector<std::string>{"b0", "e0"}), Events());
  // A click on "inv pong", at (190, 150) units.
  host.Click(window, 380, 300);
  EXPECT_TRUE(WaitUntil([&] { return effect->getParameter(effect, 1) == 1.0f; }));
}

TEST_F(X11HiDpiTest, ValueEntryOpensOverTheScaledControl) {
  const Window window = Open();
  ASSERT_NE(0u, window);
  SleepMs(150);
  // Feedback: (356, 101, 416, 190) units, (712, 202, 832, 380) pixels, centre (772, 291).
  host.Click(window, 772, 262, 3);
  Window entry = 0;
  ASSERT_TRUE(WaitUntil([&] {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(host.display(), window, &root, &parent, &children, &count) && count == 1)
      entry = children[0];
    if (children) XFree(children);
    return entry != 0;
  }));
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(host.display(), entry, &a));
  // The 42 x 21 field at twice the size, centred on the control.
  EXPECT_EQ(84, a.width);
  EXPECT_EQ(42, a.height);
  EXPECT_EQ(772 - 42, a.x);
  EXPECT_EQ(291 - 21, a.y);
  ASSERT_TRUE(WaitUntil([&] {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(host.display(), &focus, &revert);
    return focus == entry;
  }));
  host.Type("42");
  host.Key(XK_Return);
  EXPECT_TRUE(WaitUntil([&] { return std::fabs(effect->getParameter(effect, 3) - 42.0f / 99.0f) < 1e-6f; }));
}

TEST_F(X11HiDpiTest, HostScaleResizesTheOpenWindowAndAsksTheHost) {
  const Window window = Open();
  ASSERT_NE(0u, window);
  SleepMs(100);
  // The host's own scale comes first: 1x.
  ASSERT_EQ(1, Dispatch(effVendorSpecific, FourCharCode('P', 'r', 'e', 'S'), FourCharCode('A', 'e', 'C', 's'), nullptr, 1.0f));
  EXPECT_EQ(550, Rect().right);
  EXPECT_EQ(209, Rect().bottom);
  EXPECT_GE(gCanDoSizeWindow.load(), 1);
  EXPECT_EQ((std::vector<std::string>{"size 550x209"}), Events());
  EXPECT_TRUE(WaitUntil([&] { return WindowIs(window, 550, 209); }));
  const EmbeddedImage* bg = FindEmbeddedImage(100);
  ASSERT_NE(nullptr, bg);
  std::unique_ptr<LICE_IBitmap> image(ReadPngMemory(bg->data, static_cast<size_t>(bg->size)));
  ASSERT_NE(nullptr, image);
  EXPECT_TRUE(WaitUntil([&] {
    const std::vector<uint32_t> shown = host.Grab(window, 300, 3, 1, 1);
    return shown.size() == 1 && shown[0] == (PixelAt(image.get(), 300, 3) & 0xFFFFFF);
  }));
  // And 1.5x.
  ASSERT_EQ(1, Dispatch(effVendorSpecific, FourCharCode('P', 'r', 'e', 'S'), FourCharCode('A', 'e', 'C', 's'), nullptr, 1.5f));
  EXPECT_TRUE(WaitUntil([&] { return WindowIs(window, 825, 314); }));
  EXPECT_EQ((std::vector<std::string>{"size 550x209", "size 825x314"}), Events());
  // The same scale again changes nothing.
  ASSERT_EQ(1, Dispatch(effVendorSpecific, FourCharCode('P', 'r', 'e', 'S'), FourCharCode('A', 'e', 'C', 's'), nullptr, 1.5f));
  EXPECT_EQ(2u, Events().size());
}

}  // namespace
