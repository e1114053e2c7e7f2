// The small platform text interface under the cached text renderer and the editor: a
// font made from face name, height, weight, italic, escapement and quality; its line
// height; measuring; and drawing one character as white-on-black coverage into a
// 32-bit bitmap (the glyph scratch of the cached renderer).
//
// Linux: FreeType rasterises, fontconfig resolves face names ("Arial" resolves to a
// metric-compatible face). Windows will supply the same functions over its own text API.
//
// Threading: PlatformFontCreate and PlatformFontDestroy may be called from any thread
// (the shared rasteriser state behind them is guarded internally). All other calls on
// one font come from one thread at a time (the user-interface thread); no lock is held.
#pragma once

#include "raster/bitmap.h"
#include "raster/blit.h"

// Opaque platform font; the handle a LICE_IFont attaches.
struct PlatformFont;
typedef PlatformFont* PlatformFontHandle;

enum {
  kPlatformFontWeightNormal = 400,
  kPlatformFontWeightBold = 700,
};

// Quality values (the editor's IText quality).
enum {
  kPlatformFontQualityDefault = 0,
  kPlatformFontQualityNonAntialiased = 1,
  kPlatformFontQualityAntialiased = 2,
  kPlatformFontQualityClearType = 3,
};

// Creates a font. height > 0: cell height (the line height the font then reports);
// height < 0: character (em) height; 0: a default size. weight >= 600 selects a bold face;
// escapement in tenths of a degree (accepted but not applied on Linux: text is always
// horizontal there). quality 1 gives two-level (non-anti-aliased) coverage, every other
// value grey-level coverage. Returns null when no face can be found or loaded.
PlatformFontHandle PlatformFontCreate(const char* face, int height, int weight, bool italic,
                                      int escapement, int quality);
void PlatformFontDestroy(PlatformFontHandle font);

// Line height in pixels (ascent + descent); 0 for a null font.
int PlatformFontLineHeight(PlatformFontHandle font);

// Extent of one character: advance width and line height. False (and 0, 0) for a null font.
bool PlatformFontMeasureChar(PlatformFontHandle font, int code, int* width, int* height);

// Extent of UTF-8 text (length -1: up to the terminating zero). Carriage returns are
// ignored; a line feed starts a new line unless singleLine, where it measures as a space.
// Width: the widest line's advance sum; height: lines × line height (0 for empty text).
bool PlatformFontMeasureString(PlatformFontHandle font, const char* text, int length,
                               bool singleLine, int* width, int* height);

// Draws one character with its cell's top-left at (x, y) into dest as white coverage
// over whatever is there (each of R, G, B becomes max(existing, coverage); alpha 255),
// clipped to dest. False for a null font, bitmap or an unrenderable character.
bool PlatformFontDrawCharCoverage(PlatformFontHandle font, int code, LICE_IBitmap* dest, int x,
                                  int y);

// Test support: number of PlatformFontDrawCharCoverage calls made in this process, and
// number of platform fonts currently alive.
int PlatformFontDrawCallCount();
int PlatformFontLiveCount();

// The platform's own string renderer (drawing whole strings straight into a bitmap's
// drawing context or through the text scratch), used by LICE_CachedFont when its flags
// allow it. Linux has none: PlatformNativeTextAvailable returns false there, and
// PlatformNativeDrawString draws nothing and returns 0.
struct PlatformNativeTextRequest {
  PlatformFontHandle font;
  LICE_IBitmap* dest;      // may be null when only measuring
  const char* text;
  int length;              // -1: up to the terminating zero
  RasterRect* rect;        // in/out when measuring
  int flags;               // text flags (font.h), never with the nested-call bit
  RasterPixel inkColor;
  RasterPixel fillColor;
  int fillMode;            // 1 transparent, 2 opaque
  float alpha;
  int lineHeight;
};

// True when the platform renderer exists and may be used in this process (Windows also
// avoids it under a compatibility layer). Called on the user-interface thread.
bool PlatformNativeTextAvailable();
int PlatformNativeDrawString(const PlatformNativeTextRequest& request);
