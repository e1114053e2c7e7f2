// The Windows platform files of the raster library: the DIB-section bitmap, images from
// module resources, UTF-8 file names, and GDI text (glyph coverage and the native
// renderer).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>

#include "graphics/win/plugin_module_win.h"
#include "raster/bitmap.h"
#include "raster/font.h"
#include "raster/platform_font_win.h"
#include "raster/png_win.h"

namespace {

RasterPixel& At(LICE_IBitmap* bm, int x, int y) { return bm->PixelData()[y * bm->PixelsPerRow() + x]; }

void Fill(LICE_IBitmap* bm, RasterPixel color) {
  for (int y = 0; y < bm->Height(); ++y)
    for (int x = 0; x < bm->Width(); ++x) At(bm, x, y) = color;
}

// Bounding box of pixels whose red channel exceeds 64; false when there are none.
bool InkBox(LICE_IBitmap* bm, RECT* box) {
  bool any = false;
  *box = {bm->Width(), bm->Height(), -1, -1};
  for (int y = 0; y < bm->Height(); ++y) {
    for (int x = 0; x < bm->Width(); ++x) {
      if (PixelR(At(bm, x, y)) > 64) {
        any = true;
        if (x < box->left) box->left = x;
        if (y < box->top) box->top = y;
        if (x > box->right) box->right = x;
        if (y > box->bottom) box->bottom = y;
      }
    }
  }
  return any;
}

TEST(SysBitmapWin, IsATopDownDibSectionInAMemoryContext) {
  LICE_SysBitmap bm(10, 5);
  HDC dc = static_cast<HDC>(bm.DeviceContext());
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(bm.PixelData(), nullptr);
  EXPECT_EQ(bm.PixelsPerRow(), 12);
  Fill(&bm, MakeRasterPixel(255, 0, 0, 0));
  // GDI paints row 0 at the top: the first row in memory.
  RECT top = {0, 0, 10, 1};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &top, red);
  DeleteObject(red);
  GdiFlush();
  EXPECT_EQ(PixelR(At(&bm, 3, 0)), 255);
  EXPECT_EQ(PixelB(At(&bm, 3, 0)), 0);
  EXPECT_EQ(PixelR(At(&bm, 3, 4)), 0);
  // And what the CPU writes, GDI reads with the same channel order.
  At(&bm, 2, 2) = MakeRasterPixel(255, 10, 20, 30);
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(10, 20, 30));
}

TEST(SysBitmapWin, KeepsTheSurfaceWhenSmallerAndRefusesBadSizes) {
  LICE_SysBitmap bm(10, 5);
  RasterPixel* p = bm.PixelData();
  EXPECT_FALSE(bm.SetSize(10, 5));
  EXPECT_TRUE(bm.SetSize(6, 3));
  EXPECT_EQ(bm.PixelData(), p);
  EXPECT_EQ(bm.PixelsPerRow(), 12);
  EXPECT_TRUE(bm.SetSize(13, 5));
  EXPECT_EQ(bm.PixelsPerRow(), 16);
  EXPECT_NE(bm.PixelData(), nullptr);
  bm.SetSize(-7, 4);
  EXPECT_EQ(bm.Width(), 0);
  EXPECT_EQ(bm.Height(), 0);
  EXPECT_EQ(bm.PixelData(), nullptr);
  bm.SetSize(INT_MAX, INT_MAX);
  EXPECT_EQ(bm.PixelData(), nullptr);
  EXPECT_EQ(bm.Width(), 0);
  EXPECT_TRUE(bm.SetSize(4, 4));
  EXPECT_NE(bm.PixelData(), nullptr);
}

TEST(PngResourceWin, DecodesTheImagesOfThisModule) {
  HINSTANCE self = PluginModuleInstance();
  LICE_IBitmap* bg = ReadPngResource(self, 100);
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->Width(), 550);
  EXPECT_EQ(bg->Height(), 209);
  // Only the low 16 bits name the resource.
  LICE_IBitmap* same = ReadPngResource(self, 100 | 0x30000);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(memcmp(bg->PixelData(), same->PixelData(), 4 * 550), 0);
  // Into the caller's bitmap.
  LICE_MemBitmap dest;
  EXPECT_EQ(ReadPngResource(self, 104, &dest), &dest);
  EXPECT_EQ(dest.Width(), 18);
  delete bg;
  delete same;
}

TEST(PngResourceWin, MissingShortAndForeignResourcesGiveNull) {
  HINSTANCE self = PluginModuleInstance();
  EXPECT_EQ(ReadPngResource(self, 999), nullptr);
  EXPECT_EQ(ReadPngResource(self, 900), nullptr);  // 7 bytes
  EXPECT_EQ(ReadPngResource(self, 901), nullptr);  // text, not a PNG
  EXPECT_EQ(ReadPngResource(GetModuleHandleA("kernel32.dll"), 100), nullptr);  // another module
  LICE_MemBitmap dest(3, 3);
  EXPECT_EQ(ReadPngResource(self, 901, &dest), nullptr);
  EXPECT_EQ(dest.Width(), 3);  // never deleted, untouched without a decode
}

TEST(PngFileWin, OpensUtf8NamesThroughTheWideApi) {
  // "bild_\u00e4\u4e2d.png" in UTF-8: not representable in the narrow code page.
  const char* utf8Name = "bild_\xC3\xA4\xE4\xB8\xAD.png";
  wchar_t wide[64];
  ASSERT_GT(MultiByteToWideChar(CP_UTF8, 0, utf8Name, -1, wide, 64), 0);
  FILE* out = _wfopen(wide, L"wb");
  ASSERT_NE(out, nullptr);
  fputs("content", out);
  fclose(out);
  FILE* in = OpenPngFileForReading(utf8Name);
  ASSERT_NE(in, nullptr);
  char buf[16] = {0};
  EXPECT_EQ(fread(buf, 1, 7, in), 7u);
  EXPECT_STREQ(buf, "content");
  fclose(in);
  _wremove(wide);
  EXPECT_EQ(OpenPngFileForReading(utf8Name), nullptr);
  EXPECT_EQ(OpenPngFileForReading(nullptr), nullptr);
  // Invalid UTF-8 still reaches the narrow open (and fails for a missing file).
  EXPECT_EQ(OpenPngFileForReading("missing_\xFF.png"), nullptr);
}

TEST(PlatformFontWin, QualityDecidesTheCoverageLevels) {
  auto levels = [](int quality) {
    PlatformFontHandle f = PlatformFontCreate("Arial", 30, 400, false, 0, quality);
    EXPECT_NE(f, nullptr);
    LICE_MemBitmap bm(60, 40);  // no device context: drawn through a private surface
    Fill(&bm, MakeRasterPixel(255, 0, 0, 0));
    EXPECT_TRUE(PlatformFontDrawCharCoverage(f, 'O', &bm, 2, 0));
    std::set<int> seen;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) {
        seen.insert(PixelR(At(&bm, x, y)));
        EXPECT_EQ(PixelA(At(&bm, x, y)), 255);
      }
    PlatformFontDestroy(f);
    return seen.size();
  };
  EXPECT_EQ(levels(1), 2u);
  EXPECT_GT(levels(2), 2u);
  EXPECT_EQ(PlatformFontCreate("Arial", 20000, 400, false, 0, 0), nullptr);
}

TEST(PlatformFontWin, TheNativeRendererIsAvoidedOnTheCompatibilityLayer) {
  PlatformNativeTextOverride(-1);
  EXPECT_EQ(PlatformNativeTextAvailable(), !PlatformRunsOnWine());
  PlatformNativeTextOverride(1);
  EXPECT_TRUE(PlatformNativeTextAvailable());
  PlatformNativeTextOverride(0);
  EXPECT_FALSE(PlatformNativeTextAvailable());
  PlatformNativeTextOverride(-1);
}

TEST(PlatformFontWin, NativeTextLandsWhereTheCachedRendererPutsIt) {
  // The same centred string through both renderers, into a bitmap with a device context
  // and into a plain memory bitmap: the ink boxes agree within a few pixels.
  RECT boxes[3];
  for (int variant = 0; variant < 3; ++variant) {
    PlatformNativeTextOverride(variant == 0 ? 0 : 1);
    LICE_CachedFont font;
    font.AttachPlatformFont(PlatformFontCreate("Arial", 20, 400, false, 0, 2),
                            kFontOwnsPlatformFont | kFontPreferNative);
    font.SetInkColor(MakeRasterPixel(255, 255, 255, 255));
    LICE_SysBitmap sys(200, 60);
    LICE_MemBitmap mem(200, 60);
    LICE_IBitmap* dest = variant == 2 ? static_cast<LICE_IBitmap*>(&mem) : &sys;
    Fill(dest, MakeRasterPixel(255, 0, 0, 0));
    RasterRect r = {0, 0, 200, 60};
    EXPECT_GT(font.DrawString(dest, "Delay", -1, &r, kTextCenter | kTextVCenter | kTextSingleLine), 0);
    ASSERT_TRUE(InkBox(dest, &boxes[variant])) << "variant " << variant;
    // Measuring writes the extent.
    RasterRect m = {10, 10, 10, 10};
    font.DrawString(nullptr, "Delay", -1, &m, kTextMeasureOnly | kTextSingleLine);
    EXPECT_GT(m.R - m.L, 20);
    EXPECT_EQ(m.B - m.T, font.LineHeight());
  }
  PlatformNativeTextOverride(-1);
  for (int variant = 1; variant < 3; ++variant) {
    EXPECT_NEAR(boxes[variant].left, boxes[0].left, 3);
    EXPECT_NEAR(boxes[variant].right, boxes[0].right, 3);
    EXPECT_NEAR(boxes[variant].top, boxes[0].top, 3);
    EXPECT_NEAR(boxes[variant].bottom, boxes[0].bottom, 3);
  }
}

}  // namespace
