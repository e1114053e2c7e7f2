// BlendBlit: copies a rectangle of one bitmap onto another through a blend operation.
#include <cmath>
#include <cstring>

#include "raster/blit.h"
#include "raster/blit_rows.h"
#include "raster/combine.h"

using namespace raster;

namespace {

void CopyChannel(const BitmapRows& d, const BitmapRows& s, const BlitArea& a, int mode) {
  const int from = mode & 3;
  const int to = (mode >> 2) & 3;
  for (int y = 0; y < a.h; ++y) {
    unsigned char* dp = PixelBytes(d.Row(a.dsty + y) + a.dstx);
    const unsigned char* sp = PixelBytes(s.Row(a.srcy + y) + a.srcx);
    for (int x = 0; x < a.w; ++x) dp[x * 4 + to] = sp[x * 4 + from];
  }
}

// memmove: source and destination may be the same bitmap.
void CopyRows(const BitmapRows& d, const BitmapRows& s, const BlitArea& a) {
  const size_t bytes = static_cast<size_t>(a.w) * sizeof(RasterPixel);
  for (int y = 0; y < a.h; ++y) memmove(d.Row(a.dsty + y) + a.dstx, s.Row(a.srcy + y) + a.srcx, bytes);
}

void AverageRows(const BitmapRows& d, const BitmapRows& s, const BlitArea& a) {
  for (int y = 0; y < a.h; ++y) {
    RasterPixel* dp = d.Row(a.dsty + y) + a.dstx;
    const RasterPixel* sp = s.Row(a.srcy + y) + a.srcx;
    for (int x = 0; x < a.w; ++x) dp[x] = HalfWord(sp[x]) + HalfWord(dp[x]);
  }
}

template <typename Combiner>
void CombineRows(const BitmapRows& d, const BitmapRows& s, const BlitArea& a, int w) {
  for (int y = 0; y < a.h; ++y) {
    RasterPixel* dp = d.Row(a.dsty + y) + a.dstx;
    const RasterPixel* sp = s.Row(a.srcy + y) + a.srcx;
    for (int x = 0; x < a.w; ++x) {
      const RasterPixel p = sp[x];
      Combiner::Apply(dp + x, PixelR(p), PixelG(p), PixelB(p), PixelA(p), w);
    }
  }
}

void BlendBlitRect(LICE_IBitmap* dest, LICE_IBitmap* src, int64_t dstx, int64_t dsty, int64_t L,
                   int64_t T, int64_t R, int64_t B, float alpha, int mode) {
  if (alpha == 0.0f || std::isnan(alpha)) return;
  BitmapRows d, s;
  if (!GetBitmapRows(dest, &d) || !GetBitmapRows(src, &s)) return;
  BlitArea a;
  if (!ClipBlitArea(dstx, dsty, L, T, R, B, s.width, s.height, d.width, d.height, &a)) return;

  const int op = mode & kBlendOpMask;
  const bool sourceAlpha = (mode & kBlendSourceAlpha) != 0;
  if (op >= kBlendChannelCopy) {
    CopyChannel(d, s, a, mode);
    return;
  }
  if (op == kBlendCopy && !sourceAlpha) {
    if (alpha == 1.0f) {
      CopyRows(d, s, a);
      return;
    }
    if (alpha == 0.5f) {
      AverageRows(d, s, a);
      return;
    }
  }
  const int w = WeightFromAlpha(alpha);
  if (w == 0) return;
  if (op == kBlendCopy && !sourceAlpha && w == 256) {
    CopyRows(d, s, a);
    return;
  }
  WithCombiner(mode, w, [&](auto combiner) { CombineRows<decltype(combiner)>(d, s, a, w); });
}

}  // namespace

void BlendBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, const RasterRect* srcRect,
               float alpha, int mode) {
  if (!src) return;
  if (srcRect) {
    BlendBlitRect(dest, src, dstx, dsty, srcRect->L, srcRect->T, srcRect->R, srcRect->B, alpha, mode);
  } else {
    BlendBlitRect(dest, src, dstx, dsty, 0, 0, src->Width(), src->Height(), alpha, mode);
  }
}

void BlendBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float alpha, int mode) {
  BlendBlitRect(dest, src, dstx, dsty, srcx, srcy, static_cast<int64_t>(srcx) + srcw,
                static_cast<int64_t>(srcy) + srch, alpha, mode);
}
