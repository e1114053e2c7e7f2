// Internal helpers shared by the pixel operations: row addressing that honours bottom-up
// bitmaps, and the source/destination clipping of blits. Not part of the public interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/bitmap.h"

namespace raster {

// Logical row y (0 = top) of a bitmap, whatever its memory order.
struct BitmapRows {
  RasterPixel* base = nullptr;
  ptrdiff_t step = 0;
  int width = 0;
  int height = 0;
  RasterPixel* Row(int y) const { return base + static_cast<ptrdiff_t>(y) * step; }
};

// False for null bitmaps, bitmaps without pixels, empty sizes or a stride below the width;
// every operation then draws nothing.
inline bool GetBitmapRows(LICE_IBitmap* bitmap, BitmapRows* rows) {
  if (!bitmap) return false;
  RasterPixel* data = bitmap->PixelData();
  const int w = bitmap->Width();
  const int h = bitmap->Height();
  const int stride = bitmap->PixelsPerRow();
  if (!data || w < 1 || h < 1 || stride < w) return false;
  rows->width = w;
  rows->height = h;
  if (bitmap->IsBottomUp()) {
    rows->base = data + static_cast<ptrdiff_t>(h - 1) * stride;
    rows->step = -static_cast<ptrdiff_t>(stride);
  } else {
    rows->base = data;
    rows->step = stride;
  }
  return true;
}

// A clipped blit: w x h pixels from (srcx, srcy) to (dstx, dsty), all inside both bitmaps.
struct BlitArea {
  int dstx, dsty, srcx, srcy, w, h;
};

// Clips the source rectangle [L, R) x [T, B) to the source and its placement at (dstx, dsty)
// to the destination. 64-bit so that extreme coordinates cannot overflow.
inline bool ClipBlitArea(int64_t dstx, int64_t dsty, int64_t L, int64_t T, int64_t R, int64_t B,
                         int srcW, int srcH, int dstW, int dstH, BlitArea* out) {
  if (R > srcW) R = srcW;
  if (B > srcH) B = srcH;
  if (L < 0) {
    dstx -= L;
    L = 0;
  }
  if (T < 0) {
    dsty -= T;
    T = 0;
  }
  if (dstx < 0) {
    L -= dstx;
    dstx = 0;
  }
  if (dsty < 0) {
    T -= dsty;
    dsty = 0;
  }
  if (L >= R || T >= B) return false;
  if (dstx >= dstW || dsty >= dstH) return false;
  if (R > L + dstW - dstx) R = L + dstW - dstx;
  if (B > T + dstH - dsty) B = T + dstH - dsty;
  if (L >= R || T >= B) return false;
  out->dstx = static_cast<int>(dstx);
  out->dsty = static_cast<int>(dsty);
  out->srcx = static_cast<int>(L);
  out->srcy = static_cast<int>(T);
  out->w = static_cast<int>(R - L);
  out->h = static_cast<int>(B - T);
  return true;
}

}  // namespace raster
