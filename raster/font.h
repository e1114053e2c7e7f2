// Fonts of the raster library: the abstract font and the glyph-caching font that
// rasterises each character once into an 8-bit coverage mask and composites the cached
// masks with the blend operations of the raster library.
//
// Threading: fonts, their glyph caches and the process-wide scratch bitmaps and live-font
// count are used from the user-interface thread only; nothing here takes a lock. (The
// editor's font cache guards creation and lookup with its own mutex.)
#pragma once

#include <cstdint>

#include "base/heap_buf.h"
#include "raster/bitmap.h"
#include "raster/blit.h"
#include "raster/platform_font.h"

// Font flags (AttachPlatformFont).
enum {
  kFontVertical = 0x1,           // text runs top to bottom; masks stored rotated
  kFontBottomUp = 0x2,           // with kFontVertical: bottom to top, rotated the other way
  kFontPrecache = 0x4,           // render codes 0-127 at attach; never extend the table
  kFontBlur = 0x10,              // smooth each rendered mask
  kFontInvert = 0x20,            // store 255 - coverage
  kFontMono = 0x40,              // coverage > 130 becomes 255, else 0
  kFontShadow = 0x80,            // mono plus a shadow of value 128 toward the lower right
  kFontOutline = 0x100,          // mono plus an outline of value 128 around the ink
  kFontOwnsPlatformFont = 0x200, // delete the platform font when replaced or destroyed
  kFontPreferNative = 0x400,     // allow drawing through the platform text renderer
};

// Text flags of DrawString: the platform's own text-format bits.
enum {
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextVCenter = 0x4,
  kTextBottom = 0x8,
  kTextSingleLine = 0x20,
  kTextNoClip = 0x100,
  kTextMeasureOnly = 0x400,
  kTextNoPrefix = 0x800,
};
enum : unsigned int {
  kTextUseInkAlpha = 0x40000000u,  // multiply the font alpha by ink alpha / 255
  kTextNestedCall = 0x80000000u,   // reserved for the font's own nested measuring calls
};

// Fill modes (SetFillMode).
enum {
  kFillTransparent = 1,
  kFillOpaque = 2,
};

// Code 0x59555678 asked through LICE_IBitmap::ExtensionQuery: a non-zero answer makes
// text into that bitmap always use the cached renderer.
enum { kBitmapQueryRefuseNativeText = 0x59555678 };

class LICE_IFont {
 public:
  virtual ~LICE_IFont() {}
  virtual void AttachPlatformFont(PlatformFontHandle font, int flags) = 0;
  virtual RasterPixel SetInkColor(RasterPixel color) = 0;     // returns the previous value
  virtual RasterPixel SetFillColor(RasterPixel color) = 0;    // returns the previous value
  virtual RasterPixel SetEffectColor(RasterPixel color) = 0;  // returns the previous value
  virtual int SetFillMode(int mode) = 0;                      // returns the previous value
  virtual void SetBlend(int blendMode, float alpha) = 0;
  // length -1: up to the terminating zero. rect is in/out (measuring writes R, B).
  // Returns the text height drawn or measured (vertical text: the width); 0 when dest is
  // null unless measuring.
  virtual int DrawString(LICE_IBitmap* dest, const char* text, int length, RasterRect* rect,
                         int flags) = 0;
  virtual RasterPixel InkColor() = 0;
  virtual PlatformFontHandle PlatformFont() = 0;
  virtual int LineHeight() = 0;
};

struct GlyphEntry {
  int maskOffsetPlusOne;  // 0 = not yet rendered, -1 = renders as nothing
  int width;              // mask width
  int height;             // mask height
  int advance;            // horizontal distance to the next character
  uint16_t code;
  int leftShift;          // how far the mask starts left of the pen position
};

class LICE_CachedFont : public LICE_IFont {
 public:
  LICE_CachedFont();
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void AttachPlatformFont(PlatformFontHandle font, int flags) override;
  RasterPixel SetInkColor(RasterPixel color) override;
  RasterPixel SetFillColor(RasterPixel color) override;
  RasterPixel SetEffectColor(RasterPixel color) override;
  int SetFillMode(int mode) override;
  void SetBlend(int blendMode, float alpha) override;
  int DrawString(LICE_IBitmap* dest, const char* text, int length, RasterRect* rect,
                 int flags) override;
  RasterPixel InkColor() override { return m_inkColor; }
  PlatformFontHandle PlatformFont() override { return m_font; }
  int LineHeight() override { return m_lineHeight; }

  // Draws the cached mask of one character with its pen position at (x, y), clipped to
  // clip. False when the character has no entry or nothing is left after clipping.
  virtual bool DrawCachedGlyph(LICE_IBitmap* dest, int code, int x, int y, const RasterRect* clip);

  // Extra pixels added to the line height at each line break (0 unless set).
  void SetExtraLineSpacing(int pixels) { m_extraLineSpacing = pixels; }

  // Inspection (tests): the entry of a code or null; bytes held by the mask cache;
  // number of entries for codes >= 128.
  const GlyphEntry* FindGlyph(int code) const;
  int GlyphCacheBytes() const { return m_glyphPixels.ByteSize(); }
  int ExtendedGlyphCount() const { return m_extendedGlyphs.Count(); }

 private:
  GlyphEntry* FindEntry(int code);
  bool RenderGlyph(int code);
  bool UseNativeRenderer(LICE_IBitmap* dest, int flags) const;
  int DrawStringCached(LICE_IBitmap* dest, const char* text, int length, RasterRect* rect,
                       int flags);
  int WalkText(LICE_IBitmap* dest, const char* text, int length, int flags, int x0, int y0,
               const RasterRect* clip, int* runExtent, int* crossExtent);
  void ClearGlyphs();

  RasterPixel m_inkColor;
  RasterPixel m_fillColor;
  RasterPixel m_effectColor;
  int m_fillMode;
  int m_blendMode;
  float m_alpha;
  int m_flags;
  int m_lineHeight;
  int m_extraLineSpacing;
  GlyphEntry m_lowGlyphs[128];
  WDL_TypedBuf<GlyphEntry> m_extendedGlyphs;  // codes >= 128, sorted by code
  WDL_HeapBuf m_glyphPixels;                  // all masks end to end
  PlatformFontHandle m_font;
};

// Reads one character of UTF-8 text and returns the bytes consumed (at least 1 for
// non-empty input). available limits how many bytes may be read (-1: the text is
// zero-terminated). Malformed input yields the first byte's value; characters beyond
// 16 bits yield a space.
int DecodeUtf8Unit(const char* text, int* out, int available = -1);

// True when the zero-terminated text contains a plausible UTF-8 sequence.
bool IsLikelyUtf8(const char* text);

// Inspection (tests): number of live LICE_CachedFont objects and whether the shared
// glyph scratch bitmap currently exists.
int CachedFontLiveCount();
bool CachedFontScratchExists();
