// BlendFillRect: word fast paths, the combiner path and clipping.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "raster/blit.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

RasterPixel Fill1(RasterPixel dst, RasterPixel color, float alpha, int mode) {
  LICE_MemBitmap d(1, 1);
  At(d, 0, 0) = dst;
  BlendFillRect(&d, 0, 0, 1, 1, color, alpha, mode);
  return At(d, 0, 0);
}

}  // namespace

TEST(BlitFill, CopyFastPathsWorkOnWholeWords) {
  const RasterPixel c = Px(255, 200, 100, 0), d = Px(0, 40, 80, 255);
  EXPECT_EQ(Fill1(d, c, 1.0f, kBlendCopy), c);
  // 128: c/2 + d/2 per byte.
  EXPECT_EQ(Fill1(d, c, 0.5f, kBlendCopy), Px(127, 120, 90, 127));
  // 64: d/2 + d/4 + c/4 per byte: A 0+0+63, R 20+10+50, G 40+20+25, B 127+63+0.
  EXPECT_EQ(Fill1(d, c, 0.25f, kBlendCopy), Px(63, 80, 85, 190));
  // 192: c/2 + c/4 + d/4: A 127+63+0, R 100+50+10, G 50+25+20, B 0+0+63.
  EXPECT_EQ(Fill1(d, c, 0.75f, kBlendCopy), Px(190, 160, 95, 63));
  EXPECT_EQ(Fill1(0xFFFFFFFFu, 0xFFFFFFFFu, 0.5f, kBlendCopy), 0xFEFEFEFEu);
}

TEST(BlitFill, OddWeightUsesTheWeightAsSourceAlpha) {
  // w = 76 for colour and alpha (a = 76): alpha 76 + (10 - 76) * 180 / 256 = 30.
  EXPECT_EQ(Fill1(Px(10, 100, 200, 50), Px(0, 200, 0, 255), 0.3f, kBlendCopy), Px(30, 130, 140, 111));
  // Add: alpha 10 + 76*76/256 = 32.
  EXPECT_EQ(Fill1(Px(10, 100, 200, 50), Px(0, 200, 0, 255), 0.3f, kBlendAdd), Px(32, 159, 200, 125));
}

TEST(BlitFill, SourceAlphaOnlyScalesTheWeight) {
  // 1.0 * 128/255 -> w = 128: the halving fast path with the colour word as it is.
  EXPECT_EQ(Fill1(0, Px(128, 255, 0, 0), 1.0f, kBlendCopy | kBlendSourceAlpha), Px(64, 127, 0, 0));
  EXPECT_EQ(Fill1(Px(1, 2, 3, 4), Px(0, 255, 255, 255), 1.0f, kBlendCopy | kBlendSourceAlpha), Px(1, 2, 3, 4));
}

TEST(BlitFill, ClipsAndRefusesNothingToDo) {
  LICE_MemBitmap bm(4, 3);
  Fill(bm, 0);
  BlendFillRect(&bm, -2, 1, 4, 100, 0xFFu, 1.0f, kBlendCopy);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(bm, x, y), (x < 2 && y >= 1) ? 0xFFu : 0u) << x << "," << y;

  Fill(bm, 5);
  BlendFillRect(&bm, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0xFFu, 1.0f, kBlendCopy);
  BlendFillRect(&bm, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0xFFu, 1.0f, kBlendCopy);
  BlendFillRect(&bm, 0, 0, 4, 3, 0xFFu, std::nanf(""), kBlendCopy);
  BlendFillRect(&bm, 0, 0, 4, 3, 0xFFu, 0.0f, kBlendCopy);
  BlendFillRect(&bm, 0, 0, 4, 3, 0xFFu, 1.0f, kBlendChannelCopy);
  BlendFillRect(&bm, 0, 0, 4, 3, 0xFFu, 1.0f, 9);
  BlendFillRect(nullptr, 0, 0, 4, 3, 0xFFu, 1.0f, kBlendCopy);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(bm, x, y), 5u);
}
