// ResampleBlit: what the editor's in-between scales rely on. Flat areas stay flat, a
// reduction averages what it covers, an enlargement interpolates without ringing past the
// source's range, transparent pixels pull no colour in, and nothing outside the source
// rectangle is read (a frame of a strip never takes its neighbour's pixels).
#include <gtest/gtest.h>

#include <cstdlib>

#include "raster/blit.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

TEST(ResampleBlit, FlatColourStaysFlatAtEverySize) {
  LICE_MemBitmap src(30, 20);
  Fill(src, Px(255, 40, 120, 200));
  for (int w : {7, 25, 30, 37, 61}) {
    LICE_MemBitmap dest(w, w / 2 + 3);
    ResampleBlit(&dest, &src, 0, 0, 30, 20);
    for (int y = 0; y < dest.Height(); ++y)
      for (int x = 0; x < dest.Width(); ++x) ASSERT_EQ(At(dest, x, y), Px(255, 40, 120, 200)) << w;
  }
}

TEST(ResampleBlit, HalvingAveragesAStripePattern) {
  // One-pixel stripes of black and white reduce to grey, not to one of the two.
  LICE_MemBitmap src(40, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 40; ++x) At(src, x, y) = x % 2 ? Px(255, 255, 255, 255) : Px(255, 0, 0, 0);
  LICE_MemBitmap dest(20, 2);
  ResampleBlit(&dest, &src, 0, 0, 40, 4);
  for (int x = 2; x < 18; ++x) EXPECT_NEAR(PixelR(At(dest, x, 1)), 128, 3) << x;
}

TEST(ResampleBlit, EnlargingAStepStaysInsideTheSourceRange) {
  LICE_MemBitmap src(8, 1);
  for (int x = 0; x < 8; ++x) At(src, x, 0) = x < 4 ? Px(255, 20, 20, 20) : Px(255, 220, 220, 220);
  LICE_MemBitmap dest(24, 3);
  ResampleBlit(&dest, &src, 0, 0, 8, 1);
  int previous = 0;
  for (int x = 0; x < 24; ++x) {
    const int v = PixelR(At(dest, x, 1));
    // The cubic overshoots a step by at most 7.4 % of it (15 of 200 here).
    EXPECT_GE(v, 20 - 15);
    EXPECT_LE(v, 220 + 15);
    if (x > 2 && x < 21) {
      EXPECT_GE(v, previous - 15) << x;
    }
    previous = v;
  }
  EXPECT_EQ(PixelR(At(dest, 0, 1)), 20);
  EXPECT_EQ(PixelR(At(dest, 23, 1)), 220);
}

TEST(ResampleBlit, TransparentPixelsLendNoColour) {
  // An opaque red square on fully transparent green: the reduced edge is red with partial
  // alpha, never tinted green.
  LICE_MemBitmap src(12, 12);
  Fill(src, Px(0, 0, 255, 0));
  for (int y = 3; y < 9; ++y)
    for (int x = 3; x < 9; ++x) At(src, x, y) = Px(255, 255, 0, 0);
  LICE_MemBitmap dest(9, 9);
  ResampleBlit(&dest, &src, 0, 0, 12, 12);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) {
      const RasterPixel p = At(dest, x, y);
      if (PixelA(p) > 8) {
        EXPECT_GT(PixelR(p), 240) << x << "," << y;
        EXPECT_LT(PixelG(p), 16) << x << "," << y;
      }
    }
}

TEST(ResampleBlit, ReadsOnlyTheSourceRectangle) {
  // A strip of two frames: the left one blue, the right one yellow. The left frame alone,
  // at any size, is all blue up to its edge.
  LICE_MemBitmap strip(20, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) At(strip, x, y) = x < 10 ? Px(255, 0, 0, 255) : Px(255, 255, 255, 0);
  for (int size : {7, 13, 15, 24}) {
    LICE_MemBitmap dest(size, size);
    ResampleBlit(&dest, &strip, 0, 0, 10, 10);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) ASSERT_EQ(At(dest, x, y), Px(255, 0, 0, 255)) << size;
  }
  // A rectangle reaching past the source is cut to it; an empty one draws nothing.
  LICE_MemBitmap dest(5, 5);
  Fill(dest, Px(1, 2, 3, 4));
  ResampleBlit(&dest, &strip, 25, 0, 10, 10);
  EXPECT_EQ(At(dest, 2, 2), Px(1, 2, 3, 4));
  ResampleBlit(&dest, &strip, 15, 0, 10, 10);
  EXPECT_EQ(At(dest, 2, 2), Px(255, 255, 255, 0));
  ResampleBlit(nullptr, &strip, 0, 0, 10, 10);
  ResampleBlit(&dest, nullptr, 0, 0, 10, 10);
}

}  // namespace
