// The drawing primitives of the editor core and the cached images and fonts behind them,
// at scale 1 and at other scales (see IGraphics.h).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "graphics/IGraphics.h"
#include "graphics/editor_caches.h"
#include "raster/bitmap.h"
#include "raster/blit.h"
#include "raster/font.h"
#include "raster/platform_font.h"

namespace {

struct RasterBlend {
  int mode;
  float alpha;
};

// The raster mode and weight of a blend; null draws copy-with-source-alpha at 1.0.
RasterBlend TranslateBlend(const IChannelBlend* blend) {
  if (!blend) return {kBlendCopy | kBlendSourceAlpha, 1.0f};
  switch (blend->mMethod) {
    case kChannelMixReplace:
      return {kBlendCopy, blend->mWeight};
    case kChannelMixAdd:
      return {kBlendAdd | kBlendSourceAlpha, blend->mWeight};
    case kChannelMixDodge:
      return {kBlendDodge | kBlendSourceAlpha, blend->mWeight};
    default:
      // kChannelMixNormal, and every other value, copies with source alpha.
      return {kBlendCopy | kBlendSourceAlpha, blend->mWeight};
  }
}

// The scale as a cache key: thousandths.
int ScaleKey(double scale) { return static_cast<int>(std::floor(scale * 1000.0 + 0.5)); }

// A rectangle of an image scaled by k, each edge rounded to the nearest pixel.
IRECT ScaledRect(const IRECT& r, double k) {
  auto px = [k](int v) { return static_cast<int>(std::floor(v * k + 0.5)); };
  return IRECT(px(r.L), px(r.T), px(r.R), px(r.B));
}

// "img/bg.png" with "@2x" -> "img/bg@2x.png"; without an extension the suffix is appended.
void ArtworkSetName(const char* name, const char* suffix, char* out, size_t size) {
  if (!name) name = "";
  const char* dot = std::strrchr(name, '.');
  const char* slash = std::strrchr(name, '/');
  if (!dot || (slash && dot < slash)) {
    std::snprintf(out, size, "%s%s", name, suffix);
  } else {
    std::snprintf(out, size, "%.*s%s%s", static_cast<int>(dot - name), name, suffix, dot);
  }
}

}  // namespace

IBitmap IGraphics::FetchBitmap(int resourceId, const char* fileName, int frameCount) {
  BitmapCache& cache = BitmapCache::Instance();
  LICE_IBitmap* bitmap = nullptr;
  {
    MutexGuard guard(cache.Mutex());
    if (!cache.Find(resourceId, &bitmap)) {
      bitmap = LoadImageResource(resourceId, fileName);
      // A failed load is cached as null too, so a missing image is asked for only once.
      if (!cache.Add(resourceId, bitmap, fileName)) {
        delete bitmap;
        bitmap = nullptr;
      }
    }
  }
  if (!bitmap) return IBitmap(nullptr, 0, 0, frameCount);
  return IBitmap(bitmap, bitmap->Width(), bitmap->Height(), frameCount);
}

IBitmap IGraphics::CutOutBitmap(const IBitmap* bitmap, const IRECT* r) {
  if (!bitmap || !bitmap->mData || !r || r->W() <= 0 || r->H() <= 0) return IBitmap();
  const int w = r->W();
  const int h = r->H();
  BitmapCache& cache = BitmapCache::Instance();
  MutexGuard guard(cache.Mutex());
  // Every knob made from the same image asks for the same rectangle; one shared copy
  // keeps memory flat however many editors are created and destroyed.
  LICE_IBitmap* cut = cache.FindCutOut(bitmap->mData, *r);
  if (!cut) {
    LICE_MemBitmap* made = new LICE_MemBitmap(w, h, 4);
    BlendBlit(made, bitmap->mData, 0, 0, r->L, r->T, w, h, 1.0f, kBlendCopy);
    if (!cache.AddCutOut(bitmap->mData, *r, made)) {
      delete made;
      return IBitmap();
    }
    cut = made;
  }
  return IBitmap(cut, w, h, bitmap->N);
}

LICE_IBitmap* IGraphics::ScaledImage(const IBitmap* bitmap, const IRECT& part, bool* temporary) {
  *temporary = false;
  if (!bitmap || !bitmap->mData || part.W() <= 0 || part.H() <= 0) return nullptr;
  BitmapCache& cache = BitmapCache::Instance();
  MutexGuard guard(cache.Mutex());
  // A cut-out is a part of the image it was cut from: that image's sets serve it.
  LICE_IBitmap* root = bitmap->mData;
  IRECT region = part;
  LICE_IBitmap* cutFrom = nullptr;
  IRECT cut;
  if (cache.FindCutOutOrigin(root, &cutFrom, &cut) && cutFrom) {
    root = cutFrom;
    region = IRECT(part.L + cut.L, part.T + cut.T, part.R + cut.L, part.B + cut.T);
  }
  const int key = ScaleKey(mScale);
  if (LICE_IBitmap* found = cache.FindScaled(root, region, key)) return found;
  // Images are kept for a few scales only (a host might try many): beyond them an image
  // is made for the one draw and deleted after it.
  const bool keep = cache.HasScale(key) || cache.ScaleCount() < BitmapCache::kMaxScales;

  // The artwork set to work from: the smallest at least as large as the scale (the 2x set
  // above 2x); the 1x image itself when the image has no sets.
  LICE_IBitmap* set = root;
  double setScale = 1.0;
  int id = 0;
  const char* name = nullptr;
  if (mScale > 1.0 && cache.FindImageOf(root, &id, &name)) {
    const bool twice = mScale > 1.5;
    const int setId = id + (twice ? 2 : 1) * kArtworkSetIdStep;
    const double k = twice ? 2.0 : 1.5;
    LICE_IBitmap* candidate = nullptr;
    if (!cache.Find(setId, &candidate)) {
      char setName[96];
      ArtworkSetName(name, twice ? "@2x" : "@1.5x", setName, sizeof(setName));
      candidate = LoadImageResource(setId, setName);
      if (!cache.Add(setId, candidate, setName)) {
        delete candidate;
        candidate = nullptr;
      }
    }
    // A set image of another size than the set's is not used (it was not drawn for it).
    if (candidate &&
        candidate->Width() == static_cast<int>(std::floor(root->Width() * k + 0.5)) &&
        candidate->Height() == static_cast<int>(std::floor(root->Height() * k + 0.5))) {
      set = candidate;
      setScale = k;
    }
  }
  const IRECT from = ScaledRect(region, setScale);
  const int w = static_cast<int>(std::floor(part.W() * mScale + 0.5));
  const int h = static_cast<int>(std::floor(part.H() * mScale + 0.5));
  LICE_IBitmap* made = set;
  bool owned = false;
  if (from.W() != w || from.H() != h) {
    made = new LICE_MemBitmap(w, h, 4);
    ResampleBlit(made, set, from.L, from.T, from.W(), from.H());
    owned = true;
  } else if (from.L != 0 || from.T != 0 || w != set->Width() || h != set->Height()) {
    // The set has the part at this size already: a frame of a strip is copied out.
    made = new LICE_MemBitmap(w, h, 4);
    BlendBlit(made, set, 0, 0, from.L, from.T, w, h, 1.0f, kBlendCopy);
    owned = true;
  }
  if (!owned) return made;
  if (!keep || !cache.AddScaled(root, region, key, made, true)) *temporary = true;
  return made;
}

bool IGraphics::BlitScaledPart(const IBitmap* bitmap, const IRECT& part, const IRECT& dest,
                               int originX, int originY, const IChannelBlend* blend) {
  bool temporary = false;
  LICE_IBitmap* image = ScaledImage(bitmap, part, &temporary);
  if (!image) return true;
  const IRECT r = ToPixels(dest).Intersect(mDrawRECT);
  if (!r.Empty()) {
    const int x0 = ToPixels(originX), y0 = ToPixels(originY);
    const RasterBlend rb = TranslateBlend(blend);
    BlendBlit(mDrawBitmap, image, r.L, r.T, r.L - x0, r.T - y0, r.W(), r.H(), rb.alpha, rb.mode);
  }
  if (temporary) delete image;
  return true;
}

bool IGraphics::BlitBitmap(const IBitmap* bitmap, const IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  if (!bitmap || !bitmap->mData || !dest) return true;
  if (mScale != 1.0) {
    // The whole image is placed with its top-left at (dest - src) in units.
    return BlitScaledPart(bitmap, IRECT(0, 0, bitmap->W, bitmap->H), *dest, dest->L - srcX,
                          dest->T - srcY, blend);
  }
  const IRECT r = dest->Intersect(mDrawRECT);
  if (r.Empty()) return true;
  const RasterBlend rb = TranslateBlend(blend);
  BlendBlit(mDrawBitmap, bitmap->mData, r.L, r.T, srcX + r.L - dest->L, srcY + r.T - dest->T,
            r.W(), r.H(), rb.alpha, rb.mode);
  return true;
}

bool IGraphics::BlitBitmapFrame(const IBitmap* bitmap, const IRECT* dest, int frame,
                                const IChannelBlend* blend, bool framesVertical) {
  if (!bitmap) return true;
  if (mScale != 1.0 && bitmap->mData && dest) {
    // The frame is an image of its own at this scale, placed at dest's top-left.
    IRECT part(0, 0, bitmap->W, bitmap->H);
    if (bitmap->N >= 2) {
      const double n = bitmap->N;
      const int length = framesVertical ? bitmap->H : bitmap->W;
      const int from = static_cast<int>(length * (frame - 1) / n + 0.5);
      const int to = static_cast<int>(length * frame / n + 0.5);
      if (frame < 1 || from >= length) return true;
      part = framesVertical ? IRECT(0, from, bitmap->W, to) : IRECT(from, 0, to, bitmap->H);
    }
    return BlitScaledPart(bitmap, part, *dest, dest->L, dest->T, blend);
  }
  int srcX = 0;
  int srcY = 0;
  if (bitmap->N >= 2 && frame >= 2) {
    const double n = bitmap->N;
    if (framesVertical) {
      srcY = static_cast<int>(bitmap->H * (frame - 1) / n + 0.5);
    } else {
      srcX = static_cast<int>(bitmap->W * (frame - 1) / n + 0.5);
    }
  }
  return BlitBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::BlitRotatedBitmap(const IBitmap* bitmap, int cx, int cy, double angle,
                                  const IChannelBlend* blend, float srcX, float srcY) {
  if (!bitmap || !bitmap->mData) return true;
  const RasterBlend rb = TranslateBlend(blend);
  const int w = bitmap->W;
  const int h = bitmap->H;
  const int x = cx - w / 2;
  const int y = cy - h / 2;
  if (mScale != 1.0) {
    // The image of this scale turns in the square the 1x image's place maps to; the source
    // offset grows with the image.
    bool temporary = false;
    LICE_IBitmap* image = ScaledImage(bitmap, IRECT(0, 0, w, h), &temporary);
    if (!image) return true;
    const int sw = image->Width(), sh = image->Height();
    const float k = static_cast<float>(sw) / static_cast<float>(w);
    RotateScaleBlit(mDrawBitmap, image, ToPixels(x), ToPixels(y), sw, sh, srcX * k, srcY * k,
                    static_cast<float>(sw), static_cast<float>(sh), static_cast<float>(angle),
                    false, rb.alpha, rb.mode | kBlendBilinear, 0.0f, 0.0f);
    if (temporary) delete image;
    return true;
  }
  RotateScaleBlit(mDrawBitmap, bitmap->mData, x, y, w, h, srcX, srcY, static_cast<float>(w),
                  static_cast<float>(h), static_cast<float>(angle), false, rb.alpha,
                  rb.mode | kBlendBilinear, 0.0f, 0.0f);
  return true;
}

bool IGraphics::PaintRect(const IColor* color, const IRECT* r, const IChannelBlend* blend) {
  if (!color || !r) return true;
  const RasterBlend rb = TranslateBlend(blend);
  const IRECT p = ToPixels(*r);
  BlendFillRect(mDrawBitmap, p.L, p.T, p.W(), p.H(), ColorWord(*color), rb.alpha, rb.mode);
  return true;
}

bool IGraphics::PaintText(IText* text, const char* str, const IRECT* r) {
  if (!str || !str[0]) return true;
  if (!text || !r) return false;
  LICE_IFont* font = nullptr;
  if (mScale != 1.0) {
    // The font engine renders the text at the scaled size; the style keeps its 1x font.
    IText scaled = *text;
    scaled.mSize = static_cast<int>(std::floor(text->mSize * mScale + 0.5));
    scaled.mCached = nullptr;
    font = FontForText(&scaled);
  } else {
    font = text->mCached ? text->mCached : FontForText(text);
  }
  if (!font) return false;
  font->SetInkColor(ColorWord(text->mColor));
  int flags = kTextNoClip;
  if (text->mColor.A != 255) flags |= static_cast<int>(kTextUseInkAlpha);
  if (text->mAlign == kTextAlignCenter) {
    flags |= kTextCenter;
  } else if (text->mAlign != kTextAlignLeft) {
    flags |= kTextRight;
  }
  const IRECT p = ToPixels(*r);
  RasterRect rect = {p.L, p.T, p.R, p.B};
  font->DrawString(mDrawBitmap, str, -1, &rect, flags);
  return true;
}

LICE_IFont* IGraphics::FontForText(IText* text) {
  if (!text) return nullptr;
  FontCache& cache = FontCache::Instance();
  MutexGuard guard(cache.Mutex());
  LICE_IFont* font = cache.Find(*text);
  if (!font) {
    LICE_CachedFont* made = new LICE_CachedFont();
    const int weight =
        (text->mStyle & kTextStyleBold) ? kPlatformFontWeightBold : kPlatformFontWeightNormal;
    const bool italic = (text->mStyle & kTextStyleItalic) != 0;
    PlatformFontHandle handle = PlatformFontCreate(text->mFont, text->mSize, weight, italic,
                                                   text->mOrientation * 10, text->mQuality);
    if (!handle) {
      delete made;
      return nullptr;
    }
    made->AttachPlatformFont(handle, kFontOwnsPlatformFont | kFontPreferNative);
    if (!cache.Add(*text, made)) {
      delete made;
      return nullptr;
    }
    font = made;
  }
  text->mCached = font;
  return font;
}

int BitmapCacheEntryCount() { return BitmapCache::Instance().EntryCount(); }

int FontCacheEntryCount() { return FontCache::Instance().EntryCount(); }
