// SoftenRect: filter terms, in-place equals out-of-place (stack and heap ring), clipping.
#include <gtest/gtest.h>

#include <climits>

#include "raster/blit.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

RasterPixel Grey(int v) { return Px(v, v, v, v); }

void Scramble(LICE_IBitmap& bm, unsigned seed) {
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      At(bm, x, y) = seed;
    }
}

void ExpectSame(LICE_IBitmap& a, LICE_IBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(At(a, x, y), At(b, x, y)) << x << "," << y;
}

}  // namespace

TEST(BlitSoften, CornerEdgeAndInteriorTerms) {
  LICE_MemBitmap src(3, 3), dst(3, 3);
  const int v[3][3] = {{200, 100, 40}, {40, 80, 160}, {255, 0, 16}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) At(src, x, y) = Grey(v[y][x]);
  SoftenRect(&dst, &src, 0, 0, 0, 0, 3, 3);
  // Corner: 200/2 + 100/4 + 40/4.
  EXPECT_EQ(At(dst, 0, 0), Grey(100 + 25 + 10));
  // Top edge: 100/2 + (200 + 40)/8 each + 80/4 = 50 + 25 + 5 + 20.
  EXPECT_EQ(At(dst, 1, 0), Grey(50 + 25 + 5 + 20));
  // Interior: 80/2 + (40 + 160 + 100 + 0)/8 each = 40 + 5 + 20 + 12 + 0.
  EXPECT_EQ(At(dst, 1, 1), Grey(40 + 5 + 20 + 12 + 0));
  // Bottom-right corner: 16/2 + 0/4 + 160/4.
  EXPECT_EQ(At(dst, 2, 2), Grey(8 + 0 + 40));
}

TEST(BlitSoften, InPlaceEqualsOutOfPlace) {
  for (int width : {7, 1100}) {  // stack ring and heap ring
    LICE_MemBitmap a(width, 5), copy(width, 5), expected(width, 5);
    Scramble(a, 42u + width);
    BlendBlit(&copy, &a, 0, 0, nullptr, 1.0f, kBlendCopy);
    BlendBlit(&expected, &a, 0, 0, nullptr, 1.0f, kBlendCopy);
    SoftenRect(&expected, &copy, 1, 1, 1, 1, width - 2, 3);
    SoftenRect(&a, &a, 1, 1, 1, 1, width - 2, 3);
    ExpectSame(a, expected);
  }
}

TEST(BlitSoften, OverlappingSameBitmapReadsUnfilteredInput) {
  LICE_MemBitmap a(6, 6), copy(6, 6), expected(6, 6);
  Scramble(a, 7u);
  BlendBlit(&copy, &a, 0, 0, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&expected, &a, 0, 0, nullptr, 1.0f, kBlendCopy);
  SoftenRect(&expected, &copy, 1, 1, 0, 0, 4, 4);
  SoftenRect(&a, &a, 1, 1, 0, 0, 4, 4);
  ExpectSame(a, expected);
}

TEST(BlitSoften, TooSmallOrOutsideDoesNothing) {
  LICE_MemBitmap a(4, 4);
  Scramble(a, 3u);
  LICE_MemBitmap before(4, 4);
  BlendBlit(&before, &a, 0, 0, nullptr, 1.0f, kBlendCopy);
  SoftenRect(&a, &a, 0, 0, 0, 0, 1, 4);
  SoftenRect(&a, &a, 3, 0, 0, 0, 4, 4);  // clipped to one column
  SoftenRect(&a, &a, INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX);
  SoftenRect(&a, nullptr, 0, 0, 0, 0, 4, 4);
  ExpectSame(a, before);
}
