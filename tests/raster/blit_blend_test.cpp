// BlendBlit placement: clipping, bottom-up rows, channel copy, same-bitmap copies.
#include <gtest/gtest.h>

#include <climits>

#include "raster/blit.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

RasterPixel PatternAt(int w, int x, int y) {
  const int i = y * w + x;
  return Px(255 - i, i, 2 * i, 3 * i);
}

}  // namespace

TEST(BlitBlend, NegativeDestinationShowsTheMatchingSourcePixels) {
  LICE_MemBitmap src(4, 4), dst(4, 4);
  FillPattern(src);
  Fill(dst, 0);
  BlendBlit(&dst, &src, -1, -2, nullptr, 1.0f, kBlendCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(At(dst, x, y), (x < 3 && y < 2) ? PatternAt(4, x + 1, y + 2) : 0u) << x << "," << y;
}

TEST(BlitBlend, SourceRectangleIsClippedToTheSource) {
  LICE_MemBitmap src(4, 4), dst(6, 6);
  FillPattern(src);
  Fill(dst, 0);
  // L = -1 moves the destination point right by one; R and B beyond the source are limited.
  const RasterRect r{-1, 2, 10, 10};
  BlendBlit(&dst, &src, 0, 0, &r, 1.0f, kBlendCopy);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 5 && y < 2;
      EXPECT_EQ(At(dst, x, y), inside ? PatternAt(4, x - 1, y + 2) : 0u) << x << "," << y;
    }
}

TEST(BlitBlend, ExplicitFormAndWeightedCopyUseTheSameClipping) {
  LICE_MemBitmap src(4, 4), dst(3, 3);
  FillPattern(src);
  Fill(dst, 0);
  BlendBlit(&dst, &src, 1, 1, 2, 1, 5, 5, 1.0f, kBlendCopy);
  EXPECT_EQ(At(dst, 0, 0), 0u);
  EXPECT_EQ(At(dst, 1, 1), PatternAt(4, 2, 1));
  EXPECT_EQ(At(dst, 2, 2), PatternAt(4, 3, 2));
}

TEST(BlitBlend, BottomUpBitmapsAreAddressedByLogicalRows) {
  BottomUpBitmap src(3, 2);
  FillPattern(src);  // logical rows; memory row 0 holds logical row 1
  EXPECT_EQ(src.MemoryRow(0, 0), PatternAt(3, 0, 1));
  LICE_MemBitmap dst(3, 2);
  Fill(dst, 0);
  BlendBlit(&dst, &src, 0, 0, nullptr, 1.0f, kBlendCopy);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(At(dst, x, y), PatternAt(3, x, y));

  BottomUpBitmap back(3, 2);
  BlendBlit(&back, &dst, 0, 1, nullptr, 1.0f, kBlendCopy | kBlendSourceAlpha);
  EXPECT_EQ(back.MemoryRow(0, 2), PatternAt(3, 2, 0));  // logical row 1 = memory row 0
  EXPECT_EQ(back.MemoryRow(1, 2), 0u);
}

TEST(BlitBlend, ChannelCopyMovesOneChannelOnly) {
  LICE_MemBitmap src(1, 1), dst(1, 1);
  At(src, 0, 0) = Px(1, 2, 3, 4);
  At(dst, 0, 0) = Px(10, 20, 30, 40);
  // Red of the source into alpha of the destination, at any weight.
  BlendBlit(&dst, &src, 0, 0, nullptr, 0.1f, kBlendChannelCopy | kPixelByteR | (kPixelByteA << 2));
  EXPECT_EQ(At(dst, 0, 0), Px(2, 20, 30, 40));
}

TEST(BlitBlend, SameBitmapCopiesTopToBottomWithoutCorruption) {
  LICE_MemBitmap bm(4, 1);
  for (int x = 0; x < 4; ++x) At(bm, x, 0) = static_cast<RasterPixel>(x + 1);
  BlendBlit(&bm, &bm, 1, 0, 0, 0, 3, 1, 1.0f, kBlendCopy);
  EXPECT_EQ(At(bm, 0, 0), 1u);
  EXPECT_EQ(At(bm, 1, 0), 1u);
  EXPECT_EQ(At(bm, 2, 0), 2u);
  EXPECT_EQ(At(bm, 3, 0), 3u);
}

TEST(BlitBlend, HostileArgumentsDrawNothingAndDoNotCrash) {
  LICE_MemBitmap src(4, 4), dst(4, 4), empty;
  FillPattern(src);
  Fill(dst, 7);
  BlendBlit(nullptr, &src, 0, 0, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&dst, nullptr, 0, 0, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&dst, &empty, 0, 0, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&empty, &src, 0, 0, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&dst, &src, INT_MAX, INT_MAX, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&dst, &src, INT_MIN, INT_MIN, nullptr, 1.0f, kBlendCopy);
  BlendBlit(&dst, &src, 0, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1.0f, kBlendCopy);
  BlendBlit(&dst, &src, 0, 0, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1.0f, kBlendAdd);
  BlendBlit(&dst, &src, 0, 0, 0, 0, -3, -3, 1.0f, kBlendCopy);
  const RasterRect inverted{3, 3, 1, 1};
  BlendBlit(&dst, &src, 0, 0, &inverted, 1.0f, kBlendCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dst, x, y), 7u);
  // A source rectangle far outside the source draws nothing.
  BlendBlit(&dst, &src, INT_MIN, 0, INT_MAX, 0, 4, 4, 1.0f, kBlendCopy);
  EXPECT_EQ(At(dst, 0, 0), 7u);
}
