// Per-pixel combiner arithmetic, driven through 1x1 blits so the weight conversion and the
// once-per-call combiner selection are exercised too. Expected values are worked by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "raster/blit.h"
#include "raster/combine.h"
#include "tests/raster/blit_test_util.h"

using namespace blit_test;

namespace {

// One source pixel blitted onto one destination pixel.
RasterPixel Blend1(RasterPixel dst, RasterPixel src, float alpha, int mode) {
  LICE_MemBitmap d(1, 1), s(1, 1);
  At(d, 0, 0) = dst;
  At(s, 0, 0) = src;
  BlendBlit(&d, &s, 0, 0, nullptr, alpha, mode);
  return At(d, 0, 0);
}

const RasterPixel kDest = Px(10, 100, 200, 50);
const RasterPixel kSrc = Px(255, 200, 0, 255);

}  // namespace

TEST(BlitCombiner, CopyAtOddWeightTruncatesTowardZero) {
  // 0.3 -> w = 76; R: 200 + (-100 * 180) / 256 = 200 - 70 (not -71).
  EXPECT_EQ(Blend1(kDest, kSrc, 0.3f, kBlendCopy), Px(83, 130, 140, 111));
  // 0.25 -> w = 64: R 200 + (-100*192)/256 = 125, G 200*192/256 = 150, B 255 - 205*192/256 = 102,
  // A 255 - 245*192/256 = 72.
  EXPECT_EQ(Blend1(kDest, kSrc, 0.25f, kBlendCopy), Px(72, 125, 150, 102));
  EXPECT_EQ(Blend1(kDest, kSrc, 1.0f, kBlendCopy), kSrc);
}

TEST(BlitCombiner, HalfWeightPlainCopyAveragesWords) {
  EXPECT_EQ(Blend1(0xFFFFFFFFu, 0xFFFFFFFFu, 0.5f, kBlendCopy), 0xFEFEFEFEu);
  EXPECT_EQ(Blend1(Px(0, 101, 1, 255), Px(255, 200, 1, 0), 0.5f, kBlendCopy), Px(127, 150, 0, 127));
}

TEST(BlitCombiner, AddClampsAndScales) {
  // w = 76: R 100 + 200*76/256 = 159; B 50 + 75 = 125; A 10 + 75 = 85.
  EXPECT_EQ(Blend1(kDest, kSrc, 0.3f, kBlendAdd), Px(85, 159, 200, 125));
  EXPECT_EQ(Blend1(kDest, kSrc, 1.0f, kBlendAdd), Px(255, 255, 200, 255));
}

TEST(BlitCombiner, DodgeWhiteAtFullWeightSaturatesNonZeroChannels) {
  EXPECT_EQ(Blend1(Px(0, 1, 128, 0), 0xFFFFFFFFu, 1.0f, kBlendDodge), Px(0, 255, 255, 0));
  // s = 128, w = 128: k = 64, 100 * 256 / 192 = 133.
  EXPECT_EQ(Blend1(Px(100, 100, 100, 100), Px(128, 128, 128, 128), 0.5f, kBlendDodge),
            Px(133, 133, 133, 133));
}

TEST(BlitCombiner, Multiply) {
  EXPECT_EQ(Blend1(Px(200, 200, 200, 200), Px(128, 128, 128, 128), 1.0f, kBlendMultiply),
            Px(100, 100, 100, 100));
  // Black at half weight halves: 200 * (128*256) >> 16 = 100.
  EXPECT_EQ(Blend1(Px(200, 200, 200, 200), Px(0, 0, 0, 0), 0.5f, kBlendMultiply), Px(100, 100, 100, 100));
  // w = 76, s = 100: 200 * (7600 + 46080) >> 16 = 163.
  EXPECT_EQ(Blend1(Px(200, 200, 200, 200), Px(100, 100, 100, 100), 0.3f, kBlendMultiply),
            Px(163, 163, 163, 163));
}

TEST(BlitCombiner, Overlay) {
  // t = 65280, d = 128: (65280 - 16256) * 128 >> 15 = 191; black source: 16384 * 128 >> 15 = 64.
  EXPECT_EQ(Blend1(Px(128, 128, 128, 128), Px(255, 255, 255, 255), 1.0f, kBlendOverlay),
            Px(191, 191, 191, 191));
  EXPECT_EQ(Blend1(Px(128, 128, 128, 128), Px(0, 0, 0, 0), 1.0f, kBlendOverlay), Px(64, 64, 64, 64));
}

TEST(BlitCombiner, HsvShiftRoundTripAndHueTurns) {
  const RasterPixel neutral = Px(77, 128, 128, 128);
  // (200,100,50): v 200, s 191, h 21 -> back to (200, 99, 50); alpha := source alpha.
  EXPECT_EQ(Blend1(Px(255, 200, 100, 50), neutral, 1.0f, kBlendHsvShift), Px(77, 200, 99, 50));
  // Magenta side, base 383: h = 383 + trunc(-21.3) = 362 -> (200, 50, 102).
  EXPECT_EQ(Blend1(Px(255, 200, 50, 100), neutral, 1.0f, kBlendHsvShift), Px(77, 200, 50, 102));
  EXPECT_EQ(Blend1(Px(0, 255, 0, 0), neutral, 1.0f, kBlendHsvShift), Px(77, 255, 0, 0));
  // Hue +129 (r = 214): sextant 2, k = 1: (0, 255, 255*319/16384 = 4).
  EXPECT_EQ(Blend1(Px(0, 255, 0, 0), Px(9, 214, 128, 128), 1.0f, kBlendHsvShift), Px(9, 0, 255, 4));
  // Hue -192 wraps to 192 (cyan).
  EXPECT_EQ(Blend1(Px(0, 255, 0, 0), Px(9, 0, 128, 128), 1.0f, kBlendHsvShift), Px(9, 0, 255, 255));
  // Half weight, saturation -128 and value +127: red becomes s = 127, v = 255:
  // p = 129*255/256 = 128, rising at k = 0: 255*(16384 - 64*127)/16384 = 128.
  EXPECT_EQ(Blend1(Px(0, 255, 0, 0), Px(9, 128, 0, 255), 0.5f, kBlendHsvShift), Px(9, 255, 128, 128));
}

TEST(BlitCombiner, SourceAlphaCopy) {
  // Alpha 0 leaves the destination, alpha 255 at full weight replaces it with alpha 255.
  EXPECT_EQ(Blend1(kDest, Px(0, 1, 2, 3), 1.0f, kBlendCopy | kBlendSourceAlpha), kDest);
  EXPECT_EQ(Blend1(kDest, Px(0, 1, 2, 3), 0.3f, kBlendCopy | kBlendSourceAlpha), kDest);
  EXPECT_EQ(Blend1(kDest, Px(255, 1, 2, 3), 1.0f, kBlendCopy | kBlendSourceAlpha), Px(255, 1, 2, 3));
  // Full-weight form, a = 128: colour s + (d - s) * 127 / 256, alpha accumulates 10 + 128.
  EXPECT_EQ(Blend1(kDest, Px(128, 200, 0, 255), 1.0f, kBlendCopy | kBlendSourceAlpha),
            Px(138, 151, 99, 154));
  EXPECT_EQ(Blend1(Px(200, 0, 0, 0), Px(128, 0, 0, 0), 1.0f, kBlendCopy | kBlendSourceAlpha),
            Px(255, 0, 0, 0));
  // w = 76, a = 128: w' = 76*129/256 = 38; R 200 - 100*218/256 = 115; alpha 10 + 38.
  EXPECT_EQ(Blend1(kDest, Px(128, 200, 0, 255), 0.3f, kBlendCopy | kBlendSourceAlpha),
            Px(48, 115, 170, 81));
}

TEST(BlitCombiner, SourceAlphaAddAndMultiplySkipTransparent) {
  // Without the skip, w' = 256*1/256 = 1 would still add.
  EXPECT_EQ(Blend1(kDest, Px(0, 255, 255, 255), 1.0f, kBlendAdd | kBlendSourceAlpha), kDest);
  EXPECT_EQ(Blend1(kDest, Px(0, 0, 0, 0), 1.0f, kBlendMultiply | kBlendSourceAlpha), kDest);
  // a = 128, w' = 129: R 100 + 200*129/256 = 200; alpha 10 + 128*129/256 = 74.
  EXPECT_EQ(Blend1(kDest, Px(128, 200, 0, 255), 1.0f, kBlendAdd | kBlendSourceAlpha), Px(74, 200, 200, 178));
  // Dodge with a = 0 at full weight still runs with w' = 1 (k = 0): unchanged colour.
  EXPECT_EQ(Blend1(kDest, Px(0, 255, 255, 255), 1.0f, kBlendDodge | kBlendSourceAlpha), kDest);
}

TEST(BlitCombiner, ZeroNaNAndUnknownOperationsDrawNothing) {
  EXPECT_EQ(Blend1(kDest, kSrc, 0.0f, kBlendCopy), kDest);
  EXPECT_EQ(Blend1(kDest, kSrc, std::nanf(""), kBlendCopy), kDest);
  EXPECT_EQ(Blend1(kDest, kSrc, 0.001f, kBlendCopy), kDest);  // w = 0
  EXPECT_EQ(Blend1(kDest, kSrc, 1.0f, 7), kDest);
  EXPECT_EQ(Blend1(kDest, kSrc, -1.0f, kBlendAdd), kDest);
}

TEST(BlitCombiner, CombinePixelMatchesTheBlitLoops) {
  RasterPixel p = kDest;
  raster::CombinePixel(&p, 200, 0, 255, 255, 76, kBlendCopy);
  EXPECT_EQ(p, Px(83, 130, 140, 111));
  p = kDest;
  raster::CombinePixel(&p, 200, 0, 255, 128, 256, kBlendCopy | kBlendSourceAlpha);
  EXPECT_EQ(p, Px(138, 151, 99, 154));
  EXPECT_EQ(raster::WeightFromAlpha(0.3f), 76);
  EXPECT_EQ(raster::WeightFromAlpha(1e30f), 256);
  EXPECT_EQ(raster::WeightFromAlpha(std::nanf("")), 0);
}
