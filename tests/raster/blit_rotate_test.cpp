// RotateScaleBlit: exact reproduction at angle 0, window rules, filters, mirroring, clipping.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "raster/blit.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

constexpr RasterPixel kMarker = 0x12345678u;

void Draw(LICE_IBitmap* dst, LICE_IBitmap* src, int x, int y, int w, int h, float angle, int mode,
          float alpha = 1.0f) {
  RotateScaleBlit(dst, src, x, y, w, h, 0.0f, 0.0f, static_cast<float>(src->Width()),
                  static_cast<float>(src->Height()), angle, false, alpha, mode, 0.0f, 0.0f);
}

}  // namespace

TEST(BlitRotate, AngleZeroSameSizeReproducesTheSourceExactly) {
  for (int mode : {kBlendCopy | kBlendBilinear, int{kBlendCopy}}) {
    LICE_MemBitmap src(8, 6), dst(8, 6);
    FillPattern(src);
    Fill(dst, kMarker);
    Draw(&dst, &src, 0, 0, 8, 6, 0.0f, mode);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(At(dst, x, y), At(src, x, y)) << mode << ":" << x << "," << y;
  }
}

TEST(BlitRotate, RotatedSquareLeavesTheCornersAlone) {
  LICE_MemBitmap src(20, 20), dst(20, 20);
  Fill(src, 0xFFFFFFFFu);
  for (int mode : {int{kBlendCopy}, kBlendCopy | kBlendBilinear, kBlendCopy | kBlendSourceAlpha | kBlendBilinear}) {
    Fill(dst, kMarker);
    Draw(&dst, &src, 0, 0, 20, 20, static_cast<float>(M_PI / 4), mode);
    EXPECT_EQ(At(dst, 0, 0), kMarker);
    EXPECT_EQ(At(dst, 19, 0), kMarker);
    EXPECT_EQ(At(dst, 0, 19), kMarker);
    EXPECT_EQ(At(dst, 19, 19), kMarker);
    EXPECT_EQ(At(dst, 10, 10), 0xFFFFFFFFu);
  }
}

TEST(BlitRotate, NearestAndBilinearUpscale) {
  LICE_MemBitmap src(2, 1), dst(4, 1);
  At(src, 0, 0) = 0;
  At(src, 1, 0) = 0xFFFFFFFFu;
  // Sample points 0, 0.5, 1.0, 1.5 of the source row.
  Draw(&dst, &src, 0, 0, 4, 1, 0.0f, kBlendCopy);
  EXPECT_EQ(At(dst, 0, 0), 0u);
  EXPECT_EQ(At(dst, 1, 0), 0u);
  EXPECT_EQ(At(dst, 2, 0), 0xFFFFFFFFu);
  EXPECT_EQ(At(dst, 3, 0), 0xFFFFFFFFu);
  Draw(&dst, &src, 0, 0, 4, 1, 0.0f, kBlendCopy | kBlendBilinear);
  EXPECT_EQ(At(dst, 0, 0), 0u);
  EXPECT_EQ(At(dst, 1, 0), 0x7F7F7F7Fu);  // 255 * 32768 >> 16 = 127 (last row: horizontal)
  EXPECT_EQ(At(dst, 2, 0), 0xFFFFFFFFu);  // last column and row: the pixel itself
  EXPECT_EQ(At(dst, 3, 0), 0xFFFFFFFFu);
}

TEST(BlitRotate, BilinearFourNeighbourWeights) {
  LICE_MemBitmap src(2, 2), dst(4, 4);
  At(src, 0, 0) = Px(0, 0, 0, 0);
  At(src, 1, 0) = Px(0, 100, 0, 0);
  At(src, 0, 1) = Px(0, 0, 200, 0);
  At(src, 1, 1) = Px(0, 0, 0, 255);
  Fill(dst, 0);
  Draw(&dst, &src, 0, 0, 4, 4, 0.0f, kBlendCopy | kBlendBilinear);
  // (0.5, 0.5): every weight 16384: R 100/4, G 200/4, B 255*16384 >> 16 = 63.
  EXPECT_EQ(At(dst, 1, 1), Px(0, 25, 50, 63));
  // (1, 0.5): last column, vertical mix of (1,0) and (1,1).
  EXPECT_EQ(At(dst, 2, 1), Px(0, 50, 0, 127));
}

TEST(BlitRotate, NegativeSizeMirrorsWithoutLosingAColumn) {
  LICE_MemBitmap src(4, 1), dst(4, 1);
  FillPattern(src);
  Fill(dst, kMarker);
  Draw(&dst, &src, 4, 0, -4, 1, 0.0f, kBlendCopy);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dst, x, 0), At(src, 3 - x, 0)) << x;
  LICE_MemBitmap col(1, 3), out(1, 3);
  FillPattern(col);
  Draw(&out, &col, 0, 3, 1, -3, 0.0f, kBlendCopy | kBlendBilinear);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(At(out, 0, y), At(col, 0, 2 - y)) << y;
}

TEST(BlitRotate, DestinationClippingAndSourceWindow) {
  LICE_MemBitmap src(4, 1), dst(4, 1);
  FillPattern(src);
  Fill(dst, kMarker);
  Draw(&dst, &src, -2, 0, 4, 1, 0.0f, kBlendCopy);
  EXPECT_EQ(At(dst, 0, 0), At(src, 2, 0));
  EXPECT_EQ(At(dst, 1, 0), At(src, 3, 0));
  EXPECT_EQ(At(dst, 2, 0), kMarker);

  // Window [1, 3) shifted by a centre offset of one pixel: samples at source columns 2 and 3,
  // and column 3 lies outside the window.
  Fill(dst, kMarker);
  RotateScaleBlit(&dst, &src, 0, 0, 2, 1, 1.0f, 0.0f, 2.0f, 1.0f, 0.0f, true, 1.0f, kBlendCopy, 1.0f, 0.0f);
  EXPECT_EQ(At(dst, 0, 0), At(src, 2, 0));
  EXPECT_EQ(At(dst, 1, 0), kMarker);
  RotateScaleBlit(&dst, &src, 0, 0, 2, 1, 1.0f, 0.0f, 2.0f, 1.0f, 0.0f, false, 1.0f, kBlendCopy, 1.0f, 0.0f);
  EXPECT_EQ(At(dst, 1, 0), At(src, 3, 0));
}

TEST(BlitRotate, HostileArgumentsDrawNothing) {
  LICE_MemBitmap src(4, 4), dst(4, 4), empty;
  FillPattern(src);
  Fill(dst, kMarker);
  const float nan = std::nanf("");
  RotateScaleBlit(&dst, &src, 0, 0, 4, 4, 0, 0, 4, 4, nan, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, 0, 0, 4, 4, nan, 0, 4, 4, 0, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, 0, 0, 4, 4, 0, 0, 4, 4, 0, false, nan, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, 0, 0, 4, 4, 0, 0, INFINITY, 4, 0, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, 0, 0, 4, 4, 0, 0, 4, 4, 0, false, 1.0f, kBlendChannelCopy, 0, 0);
  RotateScaleBlit(&dst, &src, 0, 0, 0, 4, 0, 0, 4, 4, 0, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0, 0, 4, 4, 0, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0, 0, 4, 4, 1, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &src, 0, 0, 4, 4, 1e30f, -1e30f, 4, 4, 0, true, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(&dst, &empty, 0, 0, 4, 4, 0, 0, 4, 4, 0, false, 1.0f, kBlendCopy, 0, 0);
  RotateScaleBlit(nullptr, &src, 0, 0, 4, 4, 0, 0, 4, 4, 0, false, 1.0f, kBlendCopy, 0, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dst, x, y), kMarker);
  // Enormous scales and offsets sample outside the window: still nothing drawn, no UB.
  RotateScaleBlit(&dst, &src, -5, -5, 9, 9, 1e30f, 1e30f, 1e30f, 1e30f, 0.3f, false, 1.0f,
                  kBlendCopy | kBlendBilinear, 1e30f, -1e30f);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dst, x, y), kMarker);
}
