// Several plug-in instances, built on different threads, share the process-wide image and
// font caches: every image and font is made once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "graphics/knob_controls.h"
#include "raster/bitmap.h"
#include "tests/support/editor_test_support.h"

namespace {

std::atomic<int> g_loads{0};

LICE_IBitmap* CountingLoader(int id, const char* name) {
  ++g_loads;
  return MakeTestImage(id, name);
}

TEST(EditorCacheThreadsTest, ConcurrentEditorsShareImagesFontsAndCutOuts) {
  const int before = BitmapCacheEntryCount();
  std::vector<std::thread> threads;
  std::vector<LICE_IBitmap*> seen(4, nullptr);
  std::vector<LICE_IBitmap*> cuts(4, nullptr);
  std::vector<LICE_IFont*> fonts(4, nullptr);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &seen, &cuts, &fonts] {
      for (int round = 0; round < 20; ++round) {
        TestPlug plug;
        IGraphicsOffscreen* editor = new IGraphicsOffscreen(&plug, 550, 209);
        editor->SetImageLoader(CountingLoader);
        IBitmap knob = editor->FetchBitmap(kImgKnob2, "knob2.png", 2);
        const IRECT left(0, 0, 60, 60);
        IText text(15, IColor(), "Arial");
        seen[t] = knob.mData;
        cuts[t] = editor->CutOutBitmap(&knob, &left).mData;
        fonts[t] = editor->FontForText(&text);
        plug.AttachEditor(editor);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 1; t < 4; ++t) {
    EXPECT_EQ(seen[t], seen[0]);
    EXPECT_EQ(cuts[t], cuts[0]);
    EXPECT_EQ(fonts[t], fonts[0]);
  }
  EXPECT_EQ(g_loads.load(), 1);
  EXPECT_EQ(BitmapCacheEntryCount(), before + 2);
}

}  // namespace
