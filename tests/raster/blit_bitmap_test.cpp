// LICE_MemBitmap and LICE_SysBitmap sizing rules.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "raster/bitmap.h"

namespace {

bool Aligned64(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 63) == 0; }

}  // namespace

TEST(BlitMemBitmap, RowAlignmentAndPixelAlignment) {
  LICE_MemBitmap four(5, 2, 4), none(5, 2, 1), six(5, 2, 6), big(5, 2, 64);
  EXPECT_EQ(four.PixelsPerRow(), 8);
  EXPECT_EQ(none.PixelsPerRow(), 5);
  EXPECT_EQ(six.PixelsPerRow(), 6);  // lowest set bit 2 -> mask 1
  EXPECT_EQ(big.PixelsPerRow(), 16);
  EXPECT_TRUE(Aligned64(four.PixelData()));
  EXPECT_TRUE(Aligned64(none.PixelData()));
}

TEST(BlitMemBitmap, GrowsByFiveQuartersShrinksInPlaceAndFreesAtZero) {
  LICE_MemBitmap bm(4, 4);
  EXPECT_EQ(bm.AllocatedBytes(), 64);
  EXPECT_FALSE(bm.SetSize(4, 4));
  EXPECT_TRUE(bm.SetSize(8, 8));  // 256 bytes needed -> 320 recorded
  EXPECT_EQ(bm.AllocatedBytes(), 320);
  EXPECT_TRUE(bm.SetSize(9, 8));  // 12 * 8 * 4 = 384 > 320 -> 480
  EXPECT_EQ(bm.AllocatedBytes(), 480);
  RasterPixel* p = bm.PixelData();
  EXPECT_TRUE(bm.SetSize(2, 2));
  EXPECT_EQ(bm.AllocatedBytes(), 480);
  EXPECT_EQ(bm.PixelData(), p);
  EXPECT_TRUE(bm.SetSize(0, 0));
  EXPECT_EQ(bm.AllocatedBytes(), 0);
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_EQ(bm.Width(), 0);
}

TEST(BlitMemBitmap, ImpossibleSizesFailCleanly) {
  LICE_MemBitmap bm(4, 4);
  EXPECT_TRUE(bm.SetSize(100000, 100000));
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_EQ(bm.Width(), 0);
  EXPECT_EQ(bm.Height(), 0);
  EXPECT_TRUE(bm.SetSize(INT_MAX, 1));
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_EQ(bm.PixelsPerRow(), 0);
  EXPECT_TRUE(bm.SetSize(INT_MAX, INT_MAX));
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_TRUE(bm.SetSize(-3, 5));
  EXPECT_EQ(bm.Width(), 0);
  LICE_MemBitmap negative(-1, -1);
  EXPECT_EQ(negative.PixelData(), nullptr);
}

#ifndef _WIN32
// The Linux surface is plain memory without a drawing context; the Windows one (a DIB
// section) has its own test.
TEST(BlitSysBitmap, KeepsTheSurfaceWhenSmaller) {
  LICE_SysBitmap bm(10, 5);
  EXPECT_EQ(bm.DeviceContext(), nullptr);
  EXPECT_EQ(bm.PixelsPerRow(), 12);
  ASSERT_NE(bm.PixelData(), nullptr);
  EXPECT_TRUE(Aligned64(bm.PixelData()));
  for (int i = 0; i < 12 * 5; ++i) ASSERT_EQ(bm.PixelData()[i], 0u);
  RasterPixel* p = bm.PixelData();
  EXPECT_FALSE(bm.SetSize(10, 5));
  EXPECT_TRUE(bm.SetSize(6, 3));
  EXPECT_EQ(bm.PixelData(), p);
  EXPECT_EQ(bm.PixelsPerRow(), 12);
  EXPECT_EQ(bm.Width(), 6);
  EXPECT_TRUE(bm.SetSize(13, 5));
  EXPECT_EQ(bm.PixelsPerRow(), 16);
  EXPECT_EQ(bm.Width(), 13);
  EXPECT_TRUE(bm.SetSize(0, 0));
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_TRUE(bm.SetSize(INT_MAX, INT_MAX));
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_EQ(bm.Width(), 0);
}
#endif
