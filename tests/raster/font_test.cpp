// Cached fonts over the Linux platform fonts ("Arial" resolves to a metric-compatible
// face): measuring, drawing, alignment, UTF-8 handling, caching and the mask flags.
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "raster/font.h"

namespace {

const RasterPixel kWhite = 0xFFFFFFFFu;
const RasterPixel kRed = MakeRasterPixel(255, 255, 0, 0);
const RasterPixel kBlack = MakeRasterPixel(255, 0, 0, 0);

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override { Attach(0); }
  void Attach(int extraFlags, int height = 14, int quality = 0) {
    PlatformFontHandle h = PlatformFontCreate("Arial", height, 400, false, 0, quality);
    ASSERT_NE(h, nullptr);
    font_.AttachPlatformFont(h, kFontOwnsPlatformFont | kFontPreferNative | extraFlags);
  }
  static void Fill(LICE_IBitmap* bm, RasterPixel c) {
    for (int y = 0; y < bm->Height(); ++y) {
      for (int x = 0; x < bm->Width(); ++x) bm->PixelData()[y * bm->PixelsPerRow() + x] = c;
    }
  }
  static RasterPixel At(LICE_IBitmap* bm, int x, int y) {
    return bm->PixelData()[y * bm->PixelsPerRow() + x];
  }
  static std::vector<RasterPixel> Pixels(LICE_IBitmap* bm) {
    std::vector<RasterPixel> v;
    for (int y = 0; y < bm->Height(); ++y) {
      for (int x = 0; x < bm->Width(); ++x) v.push_back(At(bm, x, y));
    }
    return v;
  }
  // Inked bounding box (pixels differing from bg); false when nothing was drawn.
  static bool InkBox(LICE_IBitmap* bm, RasterPixel bg, RasterRect* box) {
    *box = {bm->Width(), bm->Height(), -1, -1};
    for (int y = 0; y < bm->Height(); ++y) {
      for (int x = 0; x < bm->Width(); ++x) {
        if (At(bm, x, y) == bg) continue;
        box->L = std::min(box->L, x);
        box->T = std::min(box->T, y);
        box->R = std::max(box->R, x + 1);
        box->B = std::max(box->B, y + 1);
      }
    }
    return box->R > 0;
  }
  RasterRect Measure(const char* text, int flags = 0) {
    RasterRect r = {0, 0, 0, 0};
    font_.DrawString(nullptr, text, -1, &r, flags | kTextMeasureOnly);
    return r;
  }
  std::vector<RasterPixel> Draw(const char* text, RasterRect r, int flags) {
    LICE_SysBitmap bm(80, 30);
    Fill(&bm, kWhite);
    font_.DrawString(&bm, text, -1, &r, flags);
    return Pixels(&bm);
  }

  LICE_CachedFont font_;
};

TEST_F(FontTest, MeasuresAndDrawsAsciiInTheInkColour) {
  EXPECT_EQ(font_.LineHeight(), 14);
  RasterRect r = {5, 7, 0, 0};
  EXPECT_EQ(font_.DrawString(nullptr, "Hello", -1, &r, kTextMeasureOnly), 14);
  EXPECT_EQ(r.L, 5);
  EXPECT_GT(r.R - r.L, 20);
  EXPECT_LT(r.R - r.L, 50);
  EXPECT_EQ(r.B - r.T, 14);

  LICE_SysBitmap bm(100, 40);
  Fill(&bm, kWhite);
  font_.SetInkColor(kRed);
  RasterRect where = {10, 10, 100, 40};
  EXPECT_EQ(font_.DrawString(&bm, "Hello", -1, &where, 0), 14);
  RasterRect box;
  ASSERT_TRUE(InkBox(&bm, kWhite, &box));
  EXPECT_GE(box.L, 10);
  EXPECT_GE(box.T, 10);
  EXPECT_LE(box.B, 24);
  int fullInk = 0;
  for (RasterPixel p : Pixels(&bm)) {
    if (p == kWhite) continue;
    // Coverage blends white toward red: red stays 255, green and blue fall together.
    EXPECT_EQ(PixelR(p), 255);
    EXPECT_EQ(PixelG(p), PixelB(p));
    EXPECT_EQ(PixelA(p), 255);
    if (p == kRed) ++fullInk;
  }
  EXPECT_GT(fullInk, 10);
}

TEST_F(FontTest, EmptyTextAndNullHandleMeasureNothing) {
  RasterRect r = Measure("");
  EXPECT_EQ(r.R, 0);
  EXPECT_EQ(r.B, 0);
  RasterRect r2 = {3, 4, 99, 99};
  EXPECT_EQ(font_.DrawString(nullptr, "", -1, &r2, kTextMeasureOnly), 0);
  EXPECT_EQ(r2.R, 3);
  EXPECT_EQ(r2.B, 4);

  LICE_CachedFont empty;
  RasterRect r3 = {0, 0, 0, 0};
  EXPECT_EQ(empty.DrawString(nullptr, "abc", -1, &r3, kTextMeasureOnly), 0);
  EXPECT_EQ(r3.R, 0);
  LICE_SysBitmap bm(20, 20);
  Fill(&bm, kWhite);
  RasterRect r4 = {0, 0, 20, 20};
  EXPECT_EQ(empty.DrawString(&bm, "abc", -1, &r4, 0), 0);
  for (RasterPixel p : Pixels(&bm)) EXPECT_EQ(p, kWhite);
}

TEST_F(FontTest, LineBreaksCarriageReturnsAndWideCharacters) {
  const RasterRect space = Measure("A B");
  const RasterRect singleLf = Measure("A\nB", kTextSingleLine);
  EXPECT_EQ(singleLf.R, space.R);
  EXPECT_EQ(singleLf.B, 14);
  const RasterRect multi = Measure("A\nB");
  EXPECT_EQ(multi.B, 28);
  EXPECT_LT(multi.R, space.R);
  EXPECT_EQ(Measure("A\rB").R, Measure("AB").R);
  // A character beyond 16 bits measures and draws as one space.
  EXPECT_EQ(Measure("A\xF0\x9F\x98\x80" "B").R, space.R);

  const RasterRect at = {2, 2, 80, 30};
  EXPECT_EQ(Draw("A\nB", at, kTextSingleLine), Draw("A B", at, 0));
  EXPECT_EQ(Draw("A\rB", at, 0), Draw("AB", at, 0));
  EXPECT_EQ(Draw("A\xF0\x9F\x98\x80" "B", at, 0), Draw("A B", at, 0));
}

TEST_F(FontTest, ExplicitLengthStopsMidText) {
  RasterRect r = {0, 0, 0, 0};
  font_.DrawString(nullptr, "ABCD", 2, &r, kTextMeasureOnly);
  EXPECT_EQ(r.R, Measure("AB").R);
  // A length that cuts a two-byte character leaves its lead byte alone.
  RasterRect cut = {0, 0, 0, 0};
  font_.DrawString(nullptr, "A\xC3\xA9", 2, &cut, kTextMeasureOnly);
  RasterRect whole = {0, 0, 0, 0};
  font_.DrawString(nullptr, "A\xC3\xA9", 3, &whole, kTextMeasureOnly);
  EXPECT_GT(whole.R, Measure("A").R);
}

TEST_F(FontTest, AlignmentRoundsTowardTheLeft) {
  const RasterRect m = Measure("Hi");
  const int w = m.R;
  // Choose a box whose free space is odd, so halving has a remainder.
  const int boxW = w + 11;
  const RasterRect centred = {3, 1, 3 + boxW, 29};
  const int expectLeft = 3 + 5;  // (3 + 3 + boxW - w) / 2 = 3 + 11 / 2
  EXPECT_EQ(Draw("Hi", centred, kTextCenter),
            Draw("Hi", RasterRect{expectLeft, 1, 80, 29}, 0));
  EXPECT_EQ(Draw("Hi", RasterRect{0, 1, 60, 29}, kTextRight | kTextNoClip),
            Draw("Hi", RasterRect{60 - w, 1, 80, 29}, kTextNoClip));
  EXPECT_EQ(Draw("Hi", RasterRect{0, 0, 80, 25}, kTextVCenter),
            Draw("Hi", RasterRect{0, (25 - 14) / 2, 80, 30}, 0));
  EXPECT_EQ(Draw("Hi", RasterRect{0, 0, 80, 25}, kTextBottom),
            Draw("Hi", RasterRect{0, 11, 80, 30}, 0));
  // A negative odd sum still rounds toward the left, not toward zero.
  const RasterRect negative = {-w - 9, 0, 0, 30};  // sum = -2w - 9: left = -w - 5
  EXPECT_EQ(Draw("Hi", negative, kTextCenter | kTextNoClip),
            Draw("Hi", RasterRect{-w - 5, 0, 80, 30}, kTextNoClip));
}

TEST_F(FontTest, ClipsToTheRectangleUnlessAskedNotTo) {
  LICE_SysBitmap bm(80, 30);
  Fill(&bm, kWhite);
  RasterRect r = {4, 4, 12, 10};
  font_.DrawString(&bm, "WWWW", -1, &r, 0);
  RasterRect box;
  ASSERT_TRUE(InkBox(&bm, kWhite, &box));
  EXPECT_GE(box.L, 4);
  EXPECT_GE(box.T, 4);
  EXPECT_LE(box.R, 12);
  EXPECT_LE(box.B, 10);
  Fill(&bm, kWhite);
  font_.DrawString(&bm, "WWWW", -1, &r, kTextNoClip);
  ASSERT_TRUE(InkBox(&bm, kWhite, &box));
  EXPECT_GT(box.R, 12);
  EXPECT_GT(box.B, 10);
}

TEST_F(FontTest, InkAlphaScalesTheWeight) {
  LICE_SysBitmap bm(60, 20);
  Fill(&bm, kWhite);
  RasterRect r = {0, 0, 60, 20};
  font_.SetInkColor(MakeRasterPixel(0, 0, 0, 0));
  EXPECT_EQ(font_.DrawString(&bm, "Hi", -1, &r, kTextUseInkAlpha), 0);
  for (RasterPixel p : Pixels(&bm)) EXPECT_EQ(p, kWhite);
  // The font's own alpha is untouched afterwards: without the flag the text is drawn.
  EXPECT_EQ(font_.DrawString(&bm, "Hi", -1, &r, 0), 14);
  RasterRect box;
  EXPECT_TRUE(InkBox(&bm, kWhite, &box));

  // Half ink alpha never reaches full black.
  Fill(&bm, kWhite);
  font_.SetInkColor(MakeRasterPixel(128, 0, 0, 0));
  font_.DrawString(&bm, "Hi", -1, &r, kTextUseInkAlpha);
  int darkest = 255;
  for (RasterPixel p : Pixels(&bm)) darkest = std::min(darkest, PixelR(p));
  EXPECT_GT(darkest, 100);
  EXPECT_LT(darkest, 160);
}

// Only the ink-alpha product cuts a call short; a zero font alpha on its own still measures
// and reports the extent while every glyph draws at weight 0.
TEST_F(FontTest, ZeroFontAlphaStillMeasuresButDrawsNothing) {
  const RasterRect full = Measure("Hi");
  font_.SetBlend(kBlendCopy, 0.0f);
  RasterRect m = {2, 3, 2, 3};
  EXPECT_EQ(font_.DrawString(nullptr, "Hi", -1, &m, kTextMeasureOnly), full.B - full.T);
  EXPECT_EQ(m.R - m.L, full.R - full.L);
  EXPECT_EQ(m.B - m.T, full.B - full.T);

  LICE_SysBitmap bm(60, 20);
  Fill(&bm, kWhite);
  font_.SetFillMode(kFillOpaque);
  font_.SetFillColor(MakeRasterPixel(255, 0, 0, 255));
  RasterRect r = {0, 0, 60, 20};
  EXPECT_EQ(font_.DrawString(&bm, "Hi", -1, &r, 0), full.B - full.T);
  for (RasterPixel p : Pixels(&bm)) EXPECT_EQ(p, kWhite);
  font_.SetBlend(kBlendCopy, std::numeric_limits<float>::quiet_NaN());
  font_.DrawString(&bm, "Hi", -1, &r, 0);
  for (RasterPixel p : Pixels(&bm)) EXPECT_EQ(p, kWhite);
}

TEST_F(FontTest, OpaqueFillPaintsTheCellBackground) {
  LICE_SysBitmap bm(40, 20);
  Fill(&bm, kWhite);
  font_.SetFillMode(kFillOpaque);
  font_.SetFillColor(MakeRasterPixel(255, 0, 0, 255));
  RasterRect r = {0, 0, 40, 20};
  font_.DrawString(&bm, " ", -1, &r, 0);
  EXPECT_EQ(At(&bm, 1, 1), MakeRasterPixel(255, 0, 0, 255));
  EXPECT_EQ(At(&bm, 1, 15), kWhite);  // below the line height
}

TEST_F(FontTest, EachGlyphIsRasterisedOnceThenComposited) {
  const int calls = PlatformFontDrawCallCount();
  Measure("aaaa");
  EXPECT_EQ(PlatformFontDrawCallCount(), calls + 1);
  const int bytes = font_.GlyphCacheBytes();
  EXPECT_GT(bytes, 0);
  Draw("aaaa", RasterRect{0, 0, 80, 30}, 0);
  Measure("a");
  EXPECT_EQ(PlatformFontDrawCallCount(), calls + 1);
  EXPECT_EQ(font_.GlyphCacheBytes(), bytes);
  ASSERT_NE(font_.FindGlyph('a'), nullptr);
  EXPECT_GT(font_.FindGlyph('a')->maskOffsetPlusOne, 0);
  EXPECT_EQ(font_.FindGlyph('b')->maskOffsetPlusOne, 0);
}

TEST_F(FontTest, ExtendedCharactersGetSortedEntries) {
  Measure("\xC3\xA9\xC3\xA0\xE2\x82\xAC");  // é à €
  EXPECT_EQ(font_.ExtendedGlyphCount(), 3);
  EXPECT_NE(font_.FindGlyph(0xE0), nullptr);
  EXPECT_NE(font_.FindGlyph(0xE9), nullptr);
  EXPECT_NE(font_.FindGlyph(0x20AC), nullptr);
  EXPECT_EQ(font_.FindGlyph(0xE1), nullptr);
  EXPECT_GT(Measure("\xC3\xA9").R, 0);
  // Precaching renders the low codes at attach time and never extends the table.
  Attach(kFontPrecache);
  EXPECT_EQ(font_.ExtendedGlyphCount(), 0);
  EXPECT_GT(font_.FindGlyph('Z')->maskOffsetPlusOne, 0);
  EXPECT_EQ(Measure("\xC3\xA9").R, 0);
  EXPECT_EQ(font_.ExtendedGlyphCount(), 0);
}

TEST_F(FontTest, AttachingReplacesAnOwnedHandleOnlyWhenItDiffers) {
  const int live = PlatformFontLiveCount();
  PlatformFontHandle next = PlatformFontCreate("Arial", 20, 700, true, 0, 0);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(PlatformFontLiveCount(), live + 1);
  font_.AttachPlatformFont(next, kFontOwnsPlatformFont);
  EXPECT_EQ(PlatformFontLiveCount(), live);  // the previous handle was deleted
  EXPECT_EQ(font_.LineHeight(), 20);
  font_.AttachPlatformFont(next, kFontOwnsPlatformFont);
  EXPECT_EQ(PlatformFontLiveCount(), live);  // same handle: kept
  EXPECT_GT(Measure("x").R, 0);

  // A font that does not own its handle leaves it alive.
  PlatformFontHandle shared = PlatformFontCreate("Arial", 12, 400, false, 0, 0);
  {
    LICE_CachedFont borrower;
    borrower.AttachPlatformFont(shared, 0);
    borrower.AttachPlatformFont(nullptr, 0);
  }
  EXPECT_EQ(PlatformFontLiveCount(), live + 1);
  PlatformFontDestroy(shared);
}

TEST_F(FontTest, ScratchLivesWhileAnyFontDoes) {
  EXPECT_TRUE(CachedFontScratchExists());
  const int live = CachedFontLiveCount();
  {
    LICE_CachedFont other;
    EXPECT_EQ(CachedFontLiveCount(), live + 1);
  }
  EXPECT_EQ(CachedFontLiveCount(), live);
  EXPECT_TRUE(CachedFontScratchExists());
}

TEST(FontLifetime, LastFontDeletesTheScratch) {
  ASSERT_EQ(CachedFontLiveCount(), 0);
  {
    LICE_CachedFont font;
    font.AttachPlatformFont(PlatformFontCreate("Arial", 12, 400, false, 0, 0),
                            kFontOwnsPlatformFont);
    EXPECT_TRUE(CachedFontScratchExists());
  }
  EXPECT_FALSE(CachedFontScratchExists());
  EXPECT_EQ(PlatformFontLiveCount(), 0);
}

TEST_F(FontTest, MonoInvertAndEffectFlagsShapeTheMask) {
  auto maskValues = [&](int code) {
    const GlyphEntry* e = font_.FindGlyph(code);
    std::vector<int> seen(256, 0);
    // Draw with copy at full weight on black to read the mask back through the ink.
    LICE_SysBitmap bm(e->width + 10, e->height + 10);
    Fill(&bm, kBlack);
    font_.SetInkColor(kWhite);
    font_.DrawCachedGlyph(&bm, code, e->leftShift, 0, nullptr);
    for (int y = 0; y < e->height; ++y) {
      for (int x = 0; x < e->width; ++x) seen[PixelG(At(&bm, x, y))]++;
    }
    return seen;
  };
  auto distinct = [](const std::vector<int>& seen) {
    int d = 0;
    for (int c : seen) d += c ? 1 : 0;
    return d;
  };
  Measure("O");
#ifndef _WIN32
  // Windows fonts may switch smoothing off at small sizes (their own hinting tables), so
  // grey-level coverage is only guaranteed with FreeType.
  EXPECT_GT(distinct(maskValues('O')), 2);  // anti-aliased coverage
#endif

  Attach(kFontMono);
  Measure("O");
  std::vector<int> mono = maskValues('O');
  EXPECT_EQ(distinct(mono), 2);
  EXPECT_GT(mono[255], 0);

  Attach(kFontInvert);
  Measure(" ");
  std::vector<int> inv = maskValues(' ');
  EXPECT_EQ(distinct(inv), 1);
  EXPECT_GT(inv[255], 0);  // an empty cell inverted is solid ink

  Attach(kFontOutline);
  font_.SetEffectColor(MakeRasterPixel(255, 0, 77, 0));
  Measure("I");
  std::vector<int> outline = maskValues('I');
  EXPECT_GT(outline[255], 0);
  EXPECT_GT(outline[77], 0);  // the outline in the effect colour
}

TEST_F(FontTest, VerticalTextSwapsTheAxes) {
  const RasterRect flat = Measure("AB");
  Attach(kFontVertical);
  RasterRect r = {0, 0, 0, 0};
  EXPECT_EQ(font_.DrawString(nullptr, "AB", -1, &r, kTextMeasureOnly), 14);
  EXPECT_EQ(r.R, 14);
  EXPECT_EQ(r.B, flat.R);
  LICE_SysBitmap bm(30, 60);
  Fill(&bm, kWhite);
  RasterRect at = {0, 0, 30, 60};
  font_.DrawString(&bm, "AB", -1, &at, 0);
  RasterRect box;
  ASSERT_TRUE(InkBox(&bm, kWhite, &box));
  EXPECT_GT(box.B - box.T, box.R - box.L);
}

TEST(PlatformFontLinux, SizesFollowTheCellHeight) {
  EXPECT_EQ(PlatformFontCreate("Arial", 100000, 400, false, 0, 0), nullptr);
  for (int h : {9, 12, 14, 30}) {
    PlatformFontHandle f = PlatformFontCreate("Arial", h, 400, false, 0, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(PlatformFontLineHeight(f), h);
    int w = 0, lh = 0;
    EXPECT_TRUE(PlatformFontMeasureString(f, "ab\ncd", -1, false, &w, &lh));
    EXPECT_EQ(lh, 2 * h);
    EXPECT_GT(w, 0);
    PlatformFontDestroy(f);
  }
  PlatformFontHandle em = PlatformFontCreate("Arial", -20, 400, false, 0, 0);
  ASSERT_NE(em, nullptr);
  EXPECT_GT(PlatformFontLineHeight(em), 20);  // a character height leaves room for the cell
  PlatformFontDestroy(em);
  EXPECT_EQ(PlatformFontLineHeight(nullptr), 0);
  EXPECT_FALSE(PlatformFontMeasureChar(nullptr, 'a', nullptr, nullptr));
}

TEST(PlatformFontLinux, BoldIsWiderThanRegular) {
  PlatformFontHandle regular = PlatformFontCreate("Arial", 20, 400, false, 0, 0);
  PlatformFontHandle bold = PlatformFontCreate("Arial", 20, 700, false, 0, 0);
  ASSERT_TRUE(regular && bold);
  int wr = 0, wb = 0;
  PlatformFontMeasureString(regular, "Delay Rate", -1, true, &wr, nullptr);
  PlatformFontMeasureString(bold, "Delay Rate", -1, true, &wb, nullptr);
  EXPECT_GT(wb, wr);
  PlatformFontDestroy(regular);
  PlatformFontDestroy(bold);
}

TEST(FontHugeLines, GlyphsAreRefusedFromLineHeight1024) {
  LICE_CachedFont font;
  font.AttachPlatformFont(PlatformFontCreate("Arial", 1100, 400, false, 0, 0),
                          kFontOwnsPlatformFont | kFontPreferNative);
  EXPECT_NEAR(font.LineHeight(), 1100, 1);  // GDI may round the cell height up by one
  RasterRect r = {0, 0, 0, 0};
  EXPECT_EQ(font.DrawString(nullptr, "A", -1, &r, kTextMeasureOnly), 0);
  EXPECT_EQ(font.GlyphCacheBytes(), 0);
}

TEST(Utf8, DecodeUnitFollowsTheSequenceRules) {
  struct Case {
    const char* text;
    int available;
    int code;
    int used;
  } cases[] = {
      {"A", -1, 'A', 1},
      {"\xC3\xA9", -1, 0xE9, 2},
      {"\xE2\x82\xAC", -1, 0x20AC, 3},
      {"\xED\xA0\x80", -1, 0xD800, 3},  // no further range checks
      {"\xF0\x9F\x98\x80", -1, 0x20, 4},
      {"\xC3\x41", -1, 0xC3, 1},        // missing continuation
      {"\xC1\x81", -1, 0xC1, 1},        // overlong lead
      {"\xE2\x82", -1, 0xE2, 1},        // cut by the terminator
      {"\xF5\x80\x80\x80", -1, 0xF5, 1},
      {"\xC3\xA9", 1, 0xC3, 1},         // cut by the length
      {"\x80", -1, 0x80, 1},
  };
  for (const Case& c : cases) {
    int code = -1;
    EXPECT_EQ(DecodeUtf8Unit(c.text, &code, c.available), c.used) << c.text;
    EXPECT_EQ(code, c.code) << c.text;
  }
}

TEST(Utf8, LikelyUtf8NeedsAWellFormedPair) {
  EXPECT_FALSE(IsLikelyUtf8(nullptr));
  EXPECT_FALSE(IsLikelyUtf8("plain ascii"));
  EXPECT_FALSE(IsLikelyUtf8("caf\xE9 na\xEFve"));  // Latin-1
  EXPECT_FALSE(IsLikelyUtf8("\xC3"));
  EXPECT_FALSE(IsLikelyUtf8("\xE2\x82"));
  EXPECT_TRUE(IsLikelyUtf8("caf\xC3\xA9"));
  EXPECT_TRUE(IsLikelyUtf8("x\xE2\x82\xAC"));
  EXPECT_TRUE(IsLikelyUtf8("\xF0\x9F\x98\x80"));
}

}  // namespace
