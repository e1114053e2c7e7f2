// DrawLineSegment: clipping, end points, fast paths, slopes and anti-aliasing bounds.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "raster/blit.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

constexpr RasterPixel kInk = 0xFFFFFFFFu;

int CountInk(LICE_IBitmap& bm) {
  int n = 0;
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) n += At(bm, x, y) != 0;
  return n;
}

}  // namespace

TEST(BlitLine, HorizontalAndVerticalIncludeBothEnds) {
  LICE_MemBitmap bm(8, 8);
  Fill(bm, 0);
  DrawLineSegment(&bm, 5, 2, 1, 2, kInk, 1.0f, kBlendCopy, false);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(At(bm, x, 2), (x >= 1 && x <= 5) ? kInk : 0u) << x;
  DrawLineSegment(&bm, 7, 3, 7, 6, kInk, 1.0f, kBlendAdd, false);
  EXPECT_EQ(CountInk(bm), 5 + 4);
  EXPECT_EQ(At(bm, 7, 6), kInk);
}

TEST(BlitLine, OutsideDrawsNothingAndCrossingLinesAreClipped) {
  LICE_MemBitmap bm(8, 8);
  Fill(bm, 0);
  DrawLineSegment(&bm, -10, -10, -1, -5, kInk, 1.0f, kBlendCopy, false);
  DrawLineSegment(&bm, 20, 0, 30, 7, kInk, 1.0f, kBlendCopy, true);
  DrawLineSegment(&bm, -5, 9, 3, 20, kInk, 1.0f, kBlendCopy, false);
  DrawLineSegment(&bm, INT_MIN, INT_MIN, INT_MIN, INT_MAX, kInk, 1.0f, kBlendCopy, false);
  EXPECT_EQ(CountInk(bm), 0);
  DrawLineSegment(&bm, -5, 3, 20, 3, kInk, 1.0f, kBlendCopy, false);
  EXPECT_EQ(CountInk(bm), 8);
  Fill(bm, 0);
  DrawLineSegment(&bm, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kInk, 1.0f, kBlendCopy, true);
  DrawLineSegment(&bm, -3, -3, 10, 10, kInk, 1.0f, kBlendCopy, false);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(At(bm, i, i), kInk) << i;
}

TEST(BlitLine, PlainCopyFastPathsAndCombinerWeights) {
  auto one = [](RasterPixel d, float alpha, int mode) {
    LICE_MemBitmap bm(1, 1);
    At(bm, 0, 0) = d;
    DrawLineSegment(&bm, 0, 0, 0, 0, kInk, alpha, mode, false);
    return At(bm, 0, 0);
  };
  EXPECT_EQ(one(0xFFFFFFFFu, 0.5f, kBlendCopy), 0xFEFEFEFEu);
  EXPECT_EQ(one(0, 0.25f, kBlendCopy), 0x3F3F3F3Fu);
  EXPECT_EQ(one(0, 0.75f, kBlendCopy), 0xBEBEBEBEu);
  // 0.3 -> w = 76: 255 + (0 - 255) * 180 / 256 = 76.
  EXPECT_EQ(one(0, 0.3f, kBlendCopy), 0x4C4C4C4Cu);
  EXPECT_EQ(one(0x01010101u, 0.3f, kBlendAdd), 0x4C4C4C4Cu);  // 1 + 255*76/256 = 76
  EXPECT_EQ(one(7, std::nanf(""), kBlendCopy), 7u);
}

TEST(BlitLine, DiagonalsAndShallowSlopesHaveOnePixelPerMajorStep) {
  LICE_MemBitmap bm(8, 8);
  Fill(bm, 0);
  DrawLineSegment(&bm, 0, 7, 7, 0, kInk, 1.0f, kBlendCopy, false);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(At(bm, i, 7 - i), kInk);
  EXPECT_EQ(CountInk(bm), 8);

  Fill(bm, 0);
  DrawLineSegment(&bm, 0, 0, 7, 3, kInk, 1.0f, kBlendCopy, false);
  EXPECT_EQ(At(bm, 0, 0), kInk);
  EXPECT_EQ(At(bm, 7, 3), kInk);
  int lastY = 0;
  for (int x = 0; x < 8; ++x) {
    int hits = 0, y = -1;
    for (int r = 0; r < 8; ++r)
      if (At(bm, x, r)) ++hits, y = r;
    EXPECT_EQ(hits, 1) << x;
    EXPECT_GE(y, lastY);
    lastY = y;
  }
  EXPECT_EQ(CountInk(bm), 8);
}

TEST(BlitLine, AntiAliasedLinesStayInsideTheBitmap) {
  GuardedBitmap bm(13, 7);
  const int w = bm.Width() - 1, h = bm.Height() - 1;
  const int ends[][4] = {{0, 0, w, h}, {w, 0, 0, h}, {0, h, w, 0}, {0, 0, 3, h}, {w, h, 1, 0},
                         {-20, 3, 40, 5}, {5, -9, 7, 30}, {0, 0, w, 1}, {w, h, 0, h - 1}};
  for (const auto& e : ends) {
    DrawLineSegment(&bm, e[0], e[1], e[2], e[3], kInk, 1.0f, kBlendCopy, true);
    DrawLineSegment(&bm, e[0], e[1], e[2], e[3], kInk, 0.7f, kBlendAdd | kBlendSourceAlpha, true);
    DrawLineSegment(&bm, e[0], e[1], e[2], e[3], kInk, 1.0f, kBlendCopy | kBlendSourceAlpha, false);
  }
  EXPECT_TRUE(bm.GuardsIntact());
}

TEST(BlitLine, AntiAliasingSplitsTheWeightBetweenTwoPixels) {
  LICE_MemBitmap bm(5, 2);
  Fill(bm, 0);
  // Slope 1/4: the column in the middle sits half way between rows 0 and 1.
  DrawLineSegment(&bm, 0, 0, 4, 1, 0x00FF0000u, 1.0f, kBlendAdd, true);
  // Weights 256 | 192/64 | 128/128 | 64/192 | 256; add gives 255 * weight / 256.
  const int top[5] = {255, 191, 127, 63, 0};
  const int bottom[5] = {0, 63, 127, 191, 255};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(PixelR(At(bm, x, 0)), top[x]) << x;
    EXPECT_EQ(PixelR(At(bm, x, 1)), bottom[x]) << x;
  }
}

TEST(BlitLine, BottomUpBitmapDrawsInLogicalRows) {
  BottomUpBitmap bm(4, 3);
  DrawLineSegment(&bm, 0, 0, 3, 0, kInk, 1.0f, kBlendCopy, false);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(bm.MemoryRow(2, x), kInk);
    EXPECT_EQ(bm.MemoryRow(0, x), 0u);
  }
}
