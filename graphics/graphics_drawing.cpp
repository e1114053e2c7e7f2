// The drawing primitives of the editor core and the cached images and fonts behind them.
#include <cmath>
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

}  // namespace

IBitmap IGraphics::FetchBitmap(int resourceId, const char* fileName, int frameCount) {
  BitmapCache& cache = BitmapCache::Instance();
  LICE_IBitmap* bitmap = nullptr;
  {
    MutexGuard guard(cache.Mutex());
    if (!cache.Find(resourceId, &bitmap)) {
      bitmap = LoadImageResource(resourceId, fileName);
      // A failed load is cached as null too, so a missing image is asked for only once.
      if (!cache.Add(resourceId, bitmap)) {
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

bool IGraphics::BlitBitmap(const IBitmap* bitmap, const IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  if (!bitmap || !bitmap->mData || !dest) return true;
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
  RotateScaleBlit(mDrawBitmap, bitmap->mData, x, y, w, h, srcX, srcY, static_cast<float>(w),
                  static_cast<float>(h), static_cast<float>(angle), false, rb.alpha,
                  rb.mode | kBlendBilinear, 0.0f, 0.0f);
  return true;
}

bool IGraphics::PaintRect(const IColor* color, const IRECT* r, const IChannelBlend* blend) {
  if (!color || !r) return true;
  const RasterBlend rb = TranslateBlend(blend);
  BlendFillRect(mDrawBitmap, r->L, r->T, r->W(), r->H(), ColorWord(*color), rb.alpha, rb.mode);
  return true;
}

bool IGraphics::PaintText(IText* text, const char* str, const IRECT* r) {
  if (!str || !str[0]) return true;
  if (!text || !r) return false;
  LICE_IFont* font = text->mCached ? text->mCached : FontForText(text);
  if (!font) return false;
  font->SetInkColor(ColorWord(text->mColor));
  int flags = kTextNoClip;
  if (text->mColor.A != 255) flags |= static_cast<int>(kTextUseInkAlpha);
  if (text->mAlign == kTextAlignCenter) {
    flags |= kTextCenter;
  } else if (text->mAlign != kTextAlignLeft) {
    flags |= kTextRight;
  }
  RasterRect rect = {r->L, r->T, r->R, r->B};
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
