// SoftenRect: a small smoothing filter (centre 1/2, neighbours 1/8, edges 1/4), computed
// with per-byte shifted words so no channel ever carries into the next.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "raster/blit.h"
#include "raster/blit_rows.h"
#include "raster/combine.h"

using namespace raster;

namespace {

// One output row from the unfiltered rows above (null on the top row), at and below (null on
// the bottom row). w >= 2.
void SoftenRow(RasterPixel* out, const RasterPixel* up, const RasterPixel* cur, const RasterPixel* down,
               int w) {
  for (int i = 0; i < w; ++i) {
    RasterPixel sum = HalfWord(cur[i]);
    if (i == 0) sum += QuarterWord(cur[1]);
    else if (i == w - 1) sum += QuarterWord(cur[w - 2]);
    else sum += EighthWord(cur[i - 1]) + EighthWord(cur[i + 1]);
    if (!up) sum += QuarterWord(down[i]);
    else if (!down) sum += QuarterWord(up[i]);
    else sum += EighthWord(up[i]) + EighthWord(down[i]);
    out[i] = sum;
  }
}

// Source rows and destination rows are distinct memory.
void SoftenApart(const BitmapRows& d, int dx, int dy, const BitmapRows& s, int sx, int sy, int w, int h) {
  for (int y = 0; y < h; ++y) {
    const RasterPixel* up = y > 0 ? s.Row(sy + y - 1) + sx : nullptr;
    const RasterPixel* down = y < h - 1 ? s.Row(sy + y + 1) + sx : nullptr;
    SoftenRow(d.Row(dy + y) + dx, up, s.Row(sy + y) + sx, down, w);
  }
}

// Same rectangle in and out: the current row and the one above are kept unfiltered in a
// two-row ring; the row below is still unfiltered in the bitmap.
void SoftenInPlace(const BitmapRows& d, int x, int y0, int w, int h, RasterPixel* ring) {
  const size_t bytes = static_cast<size_t>(w) * sizeof(RasterPixel);
  for (int y = 0; y < h; ++y) {
    RasterPixel* cur = ring + static_cast<size_t>(y & 1) * w;
    RasterPixel* row = d.Row(y0 + y) + x;
    memcpy(cur, row, bytes);
    const RasterPixel* up = y > 0 ? ring + static_cast<size_t>((y - 1) & 1) * w : nullptr;
    const RasterPixel* down = y < h - 1 ? d.Row(y0 + y + 1) + x : nullptr;
    SoftenRow(row, up, cur, down, w);
  }
}

}  // namespace

void SoftenRect(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
                int w, int h) {
  BitmapRows d, s;
  if (!GetBitmapRows(dest, &d) || !GetBitmapRows(src, &s)) return;
  BlitArea a;
  if (!ClipBlitArea(dstx, dsty, srcx, srcy, static_cast<int64_t>(srcx) + w, static_cast<int64_t>(srcy) + h,
                    s.width, s.height, d.width, d.height, &a)) {
    return;
  }
  if (a.w < 2 || a.h < 2) return;

  const bool sameMemory = d.base == s.base;
  if (!sameMemory) {
    SoftenApart(d, a.dstx, a.dsty, s, a.srcx, a.srcy, a.w, a.h);
    return;
  }
  if (a.dstx == a.srcx && a.dsty == a.srcy) {
    const int kStackWidth = 1024;
    if (a.w <= kStackWidth) {
      RasterPixel ring[2 * kStackWidth];
      SoftenInPlace(d, a.dstx, a.dsty, a.w, a.h, ring);
    } else {
      RasterPixel* ring = static_cast<RasterPixel*>(malloc(static_cast<size_t>(a.w) * 2 * sizeof(RasterPixel)));
      if (!ring) return;
      SoftenInPlace(d, a.dstx, a.dsty, a.w, a.h, ring);
      free(ring);
    }
    return;
  }
  // Same bitmap at another position: the rectangles may overlap, so filter from a copy.
  const size_t count = static_cast<size_t>(a.w) * static_cast<size_t>(a.h);
  RasterPixel* copy = static_cast<RasterPixel*>(malloc(count * sizeof(RasterPixel)));
  if (!copy) return;
  for (int y = 0; y < a.h; ++y) {
    memcpy(copy + static_cast<size_t>(y) * a.w, s.Row(a.srcy + y) + a.srcx, static_cast<size_t>(a.w) * sizeof(RasterPixel));
  }
  BitmapRows c;
  c.base = copy;
  c.step = a.w;
  c.width = a.w;
  c.height = a.h;
  SoftenApart(d, a.dstx, a.dsty, c, 0, 0, a.w, a.h);
  free(copy);
}
