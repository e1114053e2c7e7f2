// LICE_CachedFont: each character is rasterised by the platform once, as white-on-black
// coverage in a shared scratch bitmap, kept as an 8-bit mask in one byte cache, and from
// then on drawn by compositing the mask with the raster library's combiners.
//
// The platform's own string renderer is used only where the platform layer offers one
// (PlatformNativeTextAvailable). Linux has none, so there every string goes through the
// cached renderer, whatever its line height; glyphs are refused from line height 1024 up.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "raster/combine.h"
#include "raster/font.h"

namespace {

// Process-wide, user-interface thread only (see font.h).
int g_liveFonts = 0;
LICE_SysBitmap* g_glyphScratch = nullptr;

const int kMinScratchSize = 256;
const int kMaxLineHeight = 1024;
const int kNativeLineHeight = 256;

const RasterPixel kOpaqueBlack = 0xFF000000u;

// The glyph scratch, grown to at least size × size; null when it cannot be made.
LICE_SysBitmap* GlyphScratch(int size) {
  if (size < kMinScratchSize) size = kMinScratchSize;
  if (!g_glyphScratch) {
    g_glyphScratch = new (std::nothrow) LICE_SysBitmap(0, 0);
    if (!g_glyphScratch) return nullptr;
  }
  LICE_SysBitmap* s = g_glyphScratch;
  if (s->Width() < size || s->Height() < size) {
    s->SetSize(std::max(s->Width(), size), std::max(s->Height(), size));
  }
  if (!s->PixelData() || s->Width() < size || s->Height() < size) return nullptr;
  return s;
}

RasterPixel* Row(LICE_IBitmap* bm, int y) {
  const int memRow = bm->IsBottomUp() ? bm->Height() - 1 - y : y;
  return bm->PixelData() + static_cast<ptrdiff_t>(memRow) * bm->PixelsPerRow();
}

// Integer halving that always rounds toward the left (also for negative sums).
int HalfFloor(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

enum MaskKind { kMaskPlain, kMaskMono, kMaskEffect };

struct MaskBlit {
  const unsigned char* mask;  // first mask byte of the clipped area
  int maskStride;
  LICE_IBitmap* dest;
  int x, y, w, h;             // clipped area in dest
  int weight;                 // 1..256
  int r, g, b;                // ink
  int er, eg, eb;             // effect colour
};

template <typename Combiner>
void CompositePlain(const MaskBlit& m) {
  for (int j = 0; j < m.h; ++j) {
    const unsigned char* src = m.mask + static_cast<ptrdiff_t>(j) * m.maskStride;
    RasterPixel* out = Row(m.dest, m.y + j) + m.x;
    for (int i = 0; i < m.w; ++i) {
      const int c = src[i];
      if (!c) continue;
      int weight = m.weight == 256 ? c + 1 : m.weight * c / 256;
      if (weight > 256) weight = 256;
      Combiner::Apply(out + i, m.r, m.g, m.b, 255, weight);
    }
  }
}

template <typename Combiner>
void CompositeMono(const MaskBlit& m) {
  for (int j = 0; j < m.h; ++j) {
    const unsigned char* src = m.mask + static_cast<ptrdiff_t>(j) * m.maskStride;
    RasterPixel* out = Row(m.dest, m.y + j) + m.x;
    for (int i = 0; i < m.w; ++i) {
      if (src[i]) Combiner::Apply(out + i, m.r, m.g, m.b, 255, m.weight);
    }
  }
}

template <typename Combiner>
void CompositeEffect(const MaskBlit& m) {
  for (int j = 0; j < m.h; ++j) {
    const unsigned char* src = m.mask + static_cast<ptrdiff_t>(j) * m.maskStride;
    RasterPixel* out = Row(m.dest, m.y + j) + m.x;
    for (int i = 0; i < m.w; ++i) {
      const int c = src[i];
      if (c == 255) {
        Combiner::Apply(out + i, m.r, m.g, m.b, 255, m.weight);
      } else if (c) {
        Combiner::Apply(out + i, m.er, m.eg, m.eb, 255, m.weight);
      }
    }
  }
}

// Full weight plain copy of mono and effect masks: the colour words are stored.
void StoreWords(const MaskBlit& m, MaskKind kind, RasterPixel ink, RasterPixel effect) {
  for (int j = 0; j < m.h; ++j) {
    const unsigned char* src = m.mask + static_cast<ptrdiff_t>(j) * m.maskStride;
    RasterPixel* out = Row(m.dest, m.y + j) + m.x;
    for (int i = 0; i < m.w; ++i) {
      const int c = src[i];
      if (!c) continue;
      out[i] = (kind == kMaskMono || c == 255) ? ink : effect;
    }
  }
}

}  // namespace

int DecodeUtf8Unit(const char* text, int* out, int available) {
  int dummy;
  if (!out) out = &dummy;
  if (!text || available == 0) {
    *out = 0;
    return 0;
  }
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  const unsigned char b = s[0];
  // Continuation bytes are never zero, so a zero-terminated text stops the checks in time.
  auto has = [&](int n) { return available < 0 || available >= n; };
  if (b >= 0xC2 && b <= 0xDF) {
    if (has(2) && IsContinuation(s[1])) {
      *out = ((b & 0x1F) << 6) | (s[1] & 0x3F);
      return 2;
    }
  } else if (b >= 0xE0 && b <= 0xEF) {
    if (has(3) && IsContinuation(s[1]) && IsContinuation(s[2])) {
      *out = ((b & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
      return 3;
    }
  } else if (b >= 0xF0 && b <= 0xF4) {
    if (has(4) && IsContinuation(s[1]) && IsContinuation(s[2]) && IsContinuation(s[3])) {
      *out = 0x20;  // characters beyond 16 bits are not drawn
      return 4;
    }
  }
  *out = b;
  return 1;
}

bool IsLikelyUtf8(const char* text) {
  if (!text) return false;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  for (; *s; ++s) {
    if (*s >= 0xC2 && *s <= 0xDF && IsContinuation(s[1])) return true;
    if (*s >= 0xC2 && *s <= 0xF4 && IsContinuation(s[1]) && IsContinuation(s[2])) return true;
  }
  return false;
}

int CachedFontLiveCount() { return g_liveFonts; }
bool CachedFontScratchExists() { return g_glyphScratch != nullptr; }

LICE_CachedFont::LICE_CachedFont()
    : m_inkColor(0),
      m_fillColor(0xFFFFFFFFu),
      m_effectColor(0xFFFFFFFFu),
      m_fillMode(kFillTransparent),
      m_blendMode(0),
      m_alpha(1.0f),
      m_flags(0),
      m_lineHeight(0),
      m_extraLineSpacing(0),
      m_extendedGlyphs(4096),
      m_glyphPixels(65536),
      m_font(nullptr) {
  memset(m_lowGlyphs, 0, sizeof(m_lowGlyphs));
  ++g_liveFonts;
}

LICE_CachedFont::~LICE_CachedFont() {
  if ((m_flags & kFontOwnsPlatformFont) && m_font) PlatformFontDestroy(m_font);
  m_font = nullptr;
  if (--g_liveFonts == 0) {
    delete g_glyphScratch;
    g_glyphScratch = nullptr;
  }
}

void LICE_CachedFont::ClearGlyphs() {
  memset(m_lowGlyphs, 0, sizeof(m_lowGlyphs));
  for (int i = 0; i < 128; ++i) m_lowGlyphs[i].code = static_cast<uint16_t>(i);
  m_extendedGlyphs.SetCount(0);
  m_glyphPixels.SetByteSize(0);
}

void LICE_CachedFont::AttachPlatformFont(PlatformFontHandle font, int flags) {
  if ((m_flags & kFontOwnsPlatformFont) && m_font && m_font != font) PlatformFontDestroy(m_font);
  m_flags = flags;
  m_font = font;
  if (font) {
    GlyphScratch(kMinScratchSize);
    m_lineHeight = PlatformFontLineHeight(font);
  }
  ClearGlyphs();
  if (m_flags & kFontPrecache) {
    for (int code = 0; code < 128; ++code) RenderGlyph(code);
  }
}

RasterPixel LICE_CachedFont::SetInkColor(RasterPixel color) {
  RasterPixel old = m_inkColor;
  m_inkColor = color;
  return old;
}

RasterPixel LICE_CachedFont::SetFillColor(RasterPixel color) {
  RasterPixel old = m_fillColor;
  m_fillColor = color;
  return old;
}

RasterPixel LICE_CachedFont::SetEffectColor(RasterPixel color) {
  RasterPixel old = m_effectColor;
  m_effectColor = color;
  return old;
}

int LICE_CachedFont::SetFillMode(int mode) {
  int old = m_fillMode;
  m_fillMode = mode;
  return old;
}

void LICE_CachedFont::SetBlend(int blendMode, float alpha) {
  m_blendMode = blendMode;
  m_alpha = alpha;
}

const GlyphEntry* LICE_CachedFont::FindGlyph(int code) const {
  if (code < 0 || code > 0xFFFF) return nullptr;
  if (code < 128) return &m_lowGlyphs[code];
  const GlyphEntry* items = m_extendedGlyphs.Items();
  int lo = 0, hi = m_extendedGlyphs.Count();
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (items[mid].code < code) {
      lo = mid + 1;
    } else if (items[mid].code > code) {
      hi = mid;
    } else {
      return &items[mid];
    }
  }
  return nullptr;
}

GlyphEntry* LICE_CachedFont::FindEntry(int code) {
  return const_cast<GlyphEntry*>(FindGlyph(code));
}

bool LICE_CachedFont::RenderGlyph(int code) {
  if (!m_font || m_lineHeight >= kMaxLineHeight) return false;
  if (code < 0 || code > 0xFFFF) return false;

  GlyphEntry* entry = FindEntry(code);
  if (!entry) {
    if (m_flags & kFontPrecache) return false;
    // Insert a zeroed entry where it keeps the table sorted by code.
    const int count = m_extendedGlyphs.Count();
    if (!m_extendedGlyphs.SetCount(count + 1) || m_extendedGlyphs.Count() != count + 1) {
      return false;
    }
    GlyphEntry* items = m_extendedGlyphs.Items();
    int pos = count;
    while (pos > 0 && items[pos - 1].code > code) --pos;
    memmove(items + pos + 1, items + pos, sizeof(GlyphEntry) * static_cast<size_t>(count - pos));
    memset(items + pos, 0, sizeof(GlyphEntry));
    items[pos].code = static_cast<uint16_t>(code);
    entry = items + pos;
  }

  // Until proven otherwise the glyph renders as nothing (also after a failure below).
  entry->maskOffsetPlusOne = -1;
  entry->width = entry->height = entry->advance = entry->leftShift = 0;

  const int size = std::max(m_lineHeight, 1) * 2 + 8;
  LICE_SysBitmap* scratch = GlyphScratch(size);
  if (!scratch) return false;

  const int pad = m_lineHeight < 16 ? 0 : m_lineHeight / 16;
  const int margin = pad + 2;

  int advance = 0, height = 0;
  PlatformFontMeasureChar(m_font, code, &advance, &height);
  const int scratchW = scratch->Width(), scratchH = scratch->Height();
  int width = advance + 2 * pad + 4;
  if (width > scratchW) width = scratchW;
  if (height > scratchH) height = scratchH;
  if (advance < 1 || height < 1) return true;

  for (int y = 0; y < height; ++y) {
    RasterPixel* row = Row(scratch, y);
    for (int x = 0; x < width; ++x) row[x] = kOpaqueBlack;
  }
  PlatformFontDrawCharCoverage(m_font, code, scratch, margin, 0);

  entry->advance = advance;
  if (m_flags & kFontBlur) SoftenRect(scratch, scratch, 0, 0, 0, 0, width, height);

  const int offset = m_glyphPixels.ByteSize();
  const int bytes = width * height;
  m_glyphPixels.SetByteSize(offset + bytes);
  if (m_glyphPixels.ByteSize() != offset + bytes) {
    entry->advance = 0;
    return false;
  }
  unsigned char* mask = static_cast<unsigned char*>(m_glyphPixels.Data()) + offset;
  const bool invert = (m_flags & kFontInvert) != 0;
  int leftInk = -1, rightInk = -1;
  for (int y = 0; y < height; ++y) {
    const unsigned char* src = reinterpret_cast<const unsigned char*>(Row(scratch, y));
    unsigned char* out = mask + y * width;
    for (int x = 0; x < width; ++x) {
      unsigned char v = src[x * 4 + kPixelByteR];
      if (invert) v = static_cast<unsigned char>(255 - v);
      out[x] = v;
      if (v) {
        if (x < margin && (leftInk < 0 || x < leftInk)) leftInk = x;
        if (x >= margin + advance && x > rightInk) rightInk = x;
      }
    }
  }

  // Crop to the ink that hangs outside the advance, and to the advance itself.
  const int left = leftInk >= 0 ? leftInk : margin;
  int right = std::max(margin + advance, rightInk + 1);
  if (right > width) right = width;
  int cropW = right - left;
  if (cropW < 1) cropW = 1;
  if (left != 0 || cropW != width) {
    for (int y = 0; y < height; ++y) memmove(mask + y * cropW, mask + y * width + left, static_cast<size_t>(cropW));
    m_glyphPixels.SetByteSize(offset + cropW * height);
    mask = static_cast<unsigned char*>(m_glyphPixels.Data()) + offset;
  }
  int maskW = cropW, maskH = height;

  if (m_flags & kFontVertical) {
    // Transpose through the scratch's memory (large enough: it held the uncropped area).
    unsigned char* temp = reinterpret_cast<unsigned char*>(scratch->PixelData());
    memcpy(temp, mask, static_cast<size_t>(maskW * maskH));
    const bool bottomUp = (m_flags & kFontBottomUp) != 0;
    const int newW = maskH, newH = maskW;
    for (int y = 0; y < newH; ++y) {
      for (int x = 0; x < newW; ++x) {
        // Clockwise: the left column becomes the top row; bottom-up turns the other way.
        const int sx = bottomUp ? maskW - 1 - y : y;
        const int sy = bottomUp ? x : maskH - 1 - x;
        mask[y * newW + x] = temp[sy * maskW + sx];
      }
    }
    maskW = newW;
    maskH = newH;
  }

  if (m_flags & (kFontMono | kFontShadow | kFontOutline)) {
    const int n = maskW * maskH;
    for (int i = 0; i < n; ++i) mask[i] = mask[i] > 130 ? 255 : 0;
  }
  if (m_flags & (kFontShadow | kFontOutline)) {
    const bool shadow = (m_flags & kFontShadow) != 0;
    for (int y = 0; y < maskH; ++y) {
      for (int x = 0; x < maskW; ++x) {
        unsigned char* p = mask + y * maskW + x;
        if (*p) continue;
        auto ink = [&](int dx, int dy) {
          const int nx = x + dx, ny = y + dy;
          return nx >= 0 && ny >= 0 && nx < maskW && ny < maskH && mask[ny * maskW + nx] == 255;
        };
        const bool mark = shadow ? (ink(-1, 0) || ink(-1, -1) || ink(0, -1))
                                 : (ink(0, -1) || ink(0, 1) || ink(-1, 0) || ink(1, 0));
        if (mark) *p = 128;
      }
    }
  }

  entry->maskOffsetPlusOne = offset + 1;
  entry->leftShift = margin - left;
  entry->width = maskW;
  entry->height = maskH;
  return true;
}

bool LICE_CachedFont::DrawCachedGlyph(LICE_IBitmap* dest, int code, int x, int y,
                                      const RasterRect* clip) {
  const GlyphEntry* e = FindGlyph(code);
  if (!e || e->maskOffsetPlusOne <= 0) return false;
  if (!dest || !dest->PixelData()) return false;

  if (m_flags & kFontVertical) {
    y += (m_flags & kFontBottomUp) ? -e->leftShift : e->leftShift;
  } else {
    x -= e->leftShift;
  }
  int l = std::max(x, 0), t = std::max(y, 0);
  int r = std::min(x + e->width, dest->Width()), b = std::min(y + e->height, dest->Height());
  if (clip) {
    l = std::max(l, clip->L);
    t = std::max(t, clip->T);
    r = std::min(r, clip->R);
    b = std::min(b, clip->B);
  }
  if (l >= r || t >= b) return false;

  if (m_fillMode == kFillOpaque) {
    BlendFillRect(dest, l, t, r - l, b - t, m_fillColor, m_alpha, m_blendMode & ~kBlendSourceAlpha);
  }

  const int w = raster::WeightFromAlpha(m_alpha);
  if (w == 0) return true;

  MaskBlit m;
  m.mask = static_cast<const unsigned char*>(m_glyphPixels.Data()) + (e->maskOffsetPlusOne - 1) +
           static_cast<ptrdiff_t>(t - y) * e->width + (l - x);
  m.maskStride = e->width;
  m.dest = dest;
  m.x = l;
  m.y = t;
  m.w = r - l;
  m.h = b - t;
  m.weight = w;
  m.r = PixelR(m_inkColor);
  m.g = PixelG(m_inkColor);
  m.b = PixelB(m_inkColor);
  m.er = PixelR(m_effectColor);
  m.eg = PixelG(m_effectColor);
  m.eb = PixelB(m_effectColor);

  const MaskKind kind = (m_flags & (kFontShadow | kFontOutline)) ? kMaskEffect
                        : (m_flags & kFontMono)                  ? kMaskMono
                                                                 : kMaskPlain;
  const bool copy = (m_blendMode & kBlendOpMask) == kBlendCopy;
  if (kind != kMaskPlain && copy && m_alpha == 1.0f) {
    StoreWords(m, kind, m_inkColor, m_effectColor);
    return true;
  }
  if (copy) {
    // Copy blends colour and alpha toward the ink at the coverage weight.
    if (kind == kMaskPlain) CompositePlain<raster::CopyCombiner>(m);
    else if (kind == kMaskMono) CompositeMono<raster::CopyCombiner>(m);
    else CompositeEffect<raster::CopyCombiner>(m);
    return true;
  }
  raster::WithCombiner(m_blendMode, w, [&](auto combiner) {
    using C = decltype(combiner);
    if (kind == kMaskPlain) CompositePlain<C>(m);
    else if (kind == kMaskMono) CompositeMono<C>(m);
    else CompositeEffect<C>(m);
  });
  return true;
}

bool LICE_CachedFont::UseNativeRenderer(LICE_IBitmap* dest, int flags) const {
  if (dest && dest->ExtensionQuery(kBitmapQueryRefuseNativeText, nullptr)) return false;
  if (!m_font || !PlatformNativeTextAvailable()) return false;
  const int effects = kFontPrecache | kFontVertical | kFontBottomUp | kFontBlur | kFontInvert |
                      kFontMono | kFontShadow | kFontOutline;
  const unsigned int uflags = static_cast<unsigned int>(flags);
  if ((m_flags & kFontPreferNative) && !(uflags & kTextNestedCall) &&
      !(uflags & kTextUseInkAlpha) && !(m_flags & effects) &&
      (m_extraLineSpacing == 0 || (flags & kTextSingleLine))) {
    return true;
  }
  return m_lineHeight >= kNativeLineHeight;
}

int LICE_CachedFont::DrawString(LICE_IBitmap* dest, const char* text, int length,
                                RasterRect* rect, int flags) {
  if (!text || !rect) return 0;
  if (!dest && !(flags & kTextMeasureOnly)) return 0;
  if (UseNativeRenderer(dest, flags)) {
    PlatformNativeTextRequest request;
    request.font = m_font;
    request.dest = dest;
    request.text = text;
    request.length = length;
    request.rect = rect;
    request.flags = flags;
    request.inkColor = m_inkColor;
    request.fillColor = m_fillColor;
    request.fillMode = m_fillMode;
    request.alpha = m_alpha;
    request.lineHeight = m_lineHeight;
    return PlatformNativeDrawString(request);
  }
  if (!(static_cast<unsigned int>(flags) & kTextUseInkAlpha)) {
    // A zero or invalid font alpha still measures and reports the extent; each glyph then
    // draws nothing because its weight is 0.
    return DrawStringCached(dest, text, length, rect, flags);
  }
  const float savedAlpha = m_alpha;
  m_alpha = m_alpha * static_cast<float>(PixelA(m_inkColor)) / 255.0f;
  int result = 0;
  if (m_alpha > 0.0f) result = DrawStringCached(dest, text, length, rect, flags);
  m_alpha = savedAlpha;
  return result;
}

// Walks the text once: renders missing glyphs, optionally draws them, and returns the
// extent along the run (runExtent) and across the lines (crossExtent).
int LICE_CachedFont::WalkText(LICE_IBitmap* dest, const char* text, int length, int flags,
                              int x0, int y0, const RasterRect* clip, int* runExtent,
                              int* crossExtent) {
  const bool vertical = (m_flags & kFontVertical) != 0;
  const bool bottomUp = vertical && (m_flags & kFontBottomUp);
  const bool singleLine = (flags & kTextSingleLine) != 0;
  int runPos = 0, linePos = 0, maxRun = 0, maxCross = 0;
  while (length != 0) {
    if (length < 0 && *text == 0) break;
    int code = 0;
    const int n = DecodeUtf8Unit(text, &code, length);
    if (n < 1) break;
    text += n;
    if (length > 0) length -= n;
    if (code == '\r') continue;
    if (code == '\n') {
      if (!singleLine) {
        runPos = 0;
        linePos += m_lineHeight + m_extraLineSpacing;
        continue;
      }
      code = ' ';
    }
    const GlyphEntry* e = FindGlyph(code);
    if (!e || e->maskOffsetPlusOne == 0) {
      RenderGlyph(code);
      e = FindGlyph(code);
    }
    if (!e || e->maskOffsetPlusOne <= 0) continue;
    const int runLen = vertical ? e->height : e->width;
    const int crossLen = vertical ? e->width : e->height;
    if (dest) {
      if (!vertical) {
        DrawCachedGlyph(dest, code, x0 + runPos, y0 + linePos, clip);
      } else if (!bottomUp) {
        DrawCachedGlyph(dest, code, x0 + linePos, y0 + runPos, clip);
      } else {
        DrawCachedGlyph(dest, code, x0 + linePos, y0 - runPos - runLen, clip);
      }
    }
    maxRun = std::max(maxRun, std::max(runPos + e->advance, runPos - e->leftShift + runLen));
    maxCross = std::max(maxCross, linePos + crossLen);
    runPos += e->advance;
  }
  *runExtent = maxRun;
  *crossExtent = maxCross;
  return maxCross;
}

int LICE_CachedFont::DrawStringCached(LICE_IBitmap* dest, const char* text, int length,
                                      RasterRect* rect, int flags) {
  const bool vertical = (m_flags & kFontVertical) != 0;
  int run = 0, cross = 0;
  if ((flags & kTextMeasureOnly) || !dest) {
    WalkText(nullptr, text, length, flags, 0, 0, nullptr, &run, &cross);
    const int width = vertical ? cross : run, height = vertical ? run : cross;
    rect->R = rect->L + width;
    rect->B = rect->T + height;
    return cross;
  }

  int left = rect->L, top = rect->T;
  int textW = 0, textH = 0;
  const bool bottomUp = vertical && (m_flags & kFontBottomUp);
  if ((flags & (kTextCenter | kTextRight | kTextVCenter | kTextBottom)) || bottomUp) {
    WalkText(nullptr, text, length, flags, 0, 0, nullptr, &run, &cross);
    textW = vertical ? cross : run;
    textH = vertical ? run : cross;
    if (flags & kTextCenter) {
      left = HalfFloor(rect->L + rect->R - textW);
    } else if (flags & kTextRight) {
      left = rect->R - textW;
    }
    if (flags & kTextVCenter) {
      top = HalfFloor(rect->T + rect->B - textH);
    } else if (flags & kTextBottom) {
      top = rect->B - textH;
    }
  }
  if (bottomUp) top += textH;

  RasterRect clip = {0, 0, dest->Width(), dest->Height()};
  if (!(flags & kTextNoClip)) {
    clip.L = std::max(rect->L, 0);
    clip.T = std::max(rect->T, 0);
    clip.R = std::min(rect->R, dest->Width());
    clip.B = std::min(rect->B, dest->Height());
  }
  if (clip.L >= clip.R || clip.T >= clip.B) return 0;

  return WalkText(dest, text, length, flags, left, top, &clip, &run, &cross);
}
