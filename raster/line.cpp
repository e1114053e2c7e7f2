// DrawLineSegment: clipped line drawing with optional anti-aliasing.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "raster/blit.h"
#include "raster/blit_rows.h"
#include "raster/combine.h"

using namespace raster;

namespace {

int OutCode(int64_t x, int64_t y, int w, int h) {
  int code = 0;
  if (x < 0) code |= 1;
  else if (x >= w) code |= 2;
  if (y < 0) code |= 4;
  else if (y >= h) code |= 8;
  return code;
}

// Cohen-Sutherland against [0, w) x [0, h); intersections in double, truncated. Gives up
// (draws nothing) when a segment is still not accepted after 33 rounds.
bool ClipSegment(int64_t* x1, int64_t* y1, int64_t* x2, int64_t* y2, int w, int h) {
  int c1 = OutCode(*x1, *y1, w, h);
  int c2 = OutCode(*x2, *y2, w, h);
  for (int round = 0; round <= 33; ++round) {
    if (!(c1 | c2)) return true;
    if (c1 & c2) return false;
    if (round == 33) return false;
    const int c = c1 ? c1 : c2;
    const double ax = static_cast<double>(*x1), ay = static_cast<double>(*y1);
    const double dx = static_cast<double>(*x2 - *x1), dy = static_cast<double>(*y2 - *y1);
    int64_t x, y;
    if (c & 8) {
      y = h - 1;
      x = static_cast<int64_t>(ax + dx * (static_cast<double>(y) - ay) / dy);
    } else if (c & 4) {
      y = 0;
      x = static_cast<int64_t>(ax + dx * (0.0 - ay) / dy);
    } else if (c & 2) {
      x = w - 1;
      y = static_cast<int64_t>(ay + dy * (static_cast<double>(x) - ax) / dx);
    } else {
      x = 0;
      y = static_cast<int64_t>(ay + dy * (0.0 - ax) / dx);
    }
    if (c == c1) {
      *x1 = x;
      *y1 = y;
      c1 = OutCode(x, y, w, h);
    } else {
      *x2 = x;
      *y2 = y;
      c2 = OutCode(x, y, w, h);
    }
  }
  return false;
}

// Exact-weight word operations of plain copy on horizontal and vertical segments.
template <typename WordOp>
void WordSegment(const BitmapRows& d, int x1, int y1, int x2, int y2, WordOp op) {
  if (y1 == y2) {
    RasterPixel* row = d.Row(y1);
    const int from = x1 < x2 ? x1 : x2, to = x1 < x2 ? x2 : x1;
    for (int x = from; x <= to; ++x) row[x] = op(row[x]);
  } else {
    const int from = y1 < y2 ? y1 : y2, to = y1 < y2 ? y2 : y1;
    for (int y = from; y <= to; ++y) {
      RasterPixel* p = d.Row(y) + x1;
      *p = op(*p);
    }
  }
}

bool PlainCopyFastPath(const BitmapRows& d, int x1, int y1, int x2, int y2, RasterPixel c, float alpha) {
  if (alpha == 1.0f) {
    WordSegment(d, x1, y1, x2, y2, [c](RasterPixel) { return c; });
  } else if (alpha == 0.5f) {
    WordSegment(d, x1, y1, x2, y2, [c](RasterPixel p) { return HalfWord(c) + HalfWord(p); });
  } else if (alpha == 0.25f) {
    WordSegment(d, x1, y1, x2, y2, [c](RasterPixel p) { return QuarterWord(c) + HalfWord(p) + QuarterWord(p); });
  } else if (alpha == 0.75f) {
    WordSegment(d, x1, y1, x2, y2, [c](RasterPixel p) { return HalfWord(c) + QuarterWord(c) + QuarterWord(p); });
  } else {
    return false;
  }
  return true;
}

// Plots one pixel of the colour at a given weight through the combiner C.
template <typename C>
struct Plotter {
  int r, g, b, a;
  void operator()(RasterPixel* p, int weight) const {
    if (weight > 0) C::Apply(p, r, g, b, a, weight);
  }
};

// Plain copy: full weight stores the word, half weight halves, others blend.
struct PlainCopyPlotter {
  RasterPixel color;
  void operator()(RasterPixel* p, int weight) const {
    if (weight == 256) *p = color;
    else if (weight == 128) *p = HalfWord(color) + HalfWord(*p);
    else if (weight > 0)
      CopyCombiner::Apply(p, PixelR(color), PixelG(color), PixelB(color), PixelA(color), weight);
  }
};

template <typename Plot>
void DrawClipped(const BitmapRows& d, int x1, int y1, int x2, int y2, int w, bool antiAlias,
                 const Plot& plot) {
  const int dx = x2 - x1, dy = y2 - y1;
  const int adx = std::abs(dx), ady = std::abs(dy);
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  if (ady == 0 || adx == 0 || adx == ady) {
    // Horizontal, vertical and exact diagonals hit pixel centres: both ends included.
    const int n = adx > ady ? adx : ady;
    const int stepX = adx ? sx : 0, stepY = ady ? sy : 0;
    for (int i = 0; i <= n; ++i) plot(d.Row(y1 + i * stepY) + x1 + i * stepX, w);
    return;
  }
  const bool xMajor = adx > ady;
  const int n = xMajor ? adx : ady;
  const int minor = xMajor ? ady : adx;
  const int64_t step = static_cast<int64_t>(static_cast<double>(minor) / n * 65536.0);
  auto pixel = [&](int major, int minorPos) {
    return xMajor ? d.Row(minorPos) + major : d.Row(major) + minorPos;
  };
  const int majorStart = xMajor ? x1 : y1, majorEnd = xMajor ? x2 : y2;
  const int minorStart = xMajor ? y1 : x1, minorEnd = xMajor ? y2 : x2;
  const int majorDir = xMajor ? sx : sy, minorDir = xMajor ? sy : sx;

  // Walk from both ends toward the middle; each end moves its minor coordinate toward the
  // other end, so no pixel can leave the clipped segment's box.
  auto plotAt = [&](int major, int minorFrom, int dir, int64_t offset) {
    if (antiAlias) {
      const int whole = static_cast<int>(offset >> 16);
      const int frac = static_cast<int>(offset & 0xFFFF);
      plot(pixel(major, minorFrom + dir * whole), static_cast<int>((static_cast<int64_t>(w) * (65536 - frac)) >> 16));
      if (frac) plot(pixel(major, minorFrom + dir * (whole + 1)), static_cast<int>((static_cast<int64_t>(w) * frac) >> 16));
    } else {
      plot(pixel(major, minorFrom + dir * static_cast<int>((offset + 0x8000) >> 16)), w);
    }
  };
  int64_t offset = 0;
  for (int i = 0; i <= n / 2; ++i, offset += step) {
    plotAt(majorStart + i * majorDir, minorStart, minorDir, offset);
    if (n - i != i) plotAt(majorEnd - i * majorDir, minorEnd, -minorDir, offset);
  }
}

}  // namespace

void DrawLineSegment(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, RasterPixel color,
                     float alpha, int mode, bool antiAlias) {
  if (alpha == 0.0f || std::isnan(alpha)) return;
  BitmapRows d;
  // Row access already mirrors bottom-up bitmaps, so y stays a top-down coordinate here.
  if (!GetBitmapRows(dest, &d)) return;
  int64_t ax = x1, ay = y1, bx = x2, by = y2;
  if (!ClipSegment(&ax, &ay, &bx, &by, d.width, d.height)) return;
  const int cx1 = static_cast<int>(ax), cy1 = static_cast<int>(ay);
  const int cx2 = static_cast<int>(bx), cy2 = static_cast<int>(by);

  const int op = mode & kBlendOpMask;
  const bool sourceAlpha = (mode & kBlendSourceAlpha) != 0;
  const bool plainCopy = op == kBlendCopy && !sourceAlpha;
  if (plainCopy && !antiAlias && (cx1 == cx2 || cy1 == cy2) &&
      PlainCopyFastPath(d, cx1, cy1, cx2, cy2, color, alpha)) {
    return;
  }
  const int w = WeightFromAlpha(alpha);
  if (w == 0) return;
  if (plainCopy) {
    DrawClipped(d, cx1, cy1, cx2, cy2, w, antiAlias, PlainCopyPlotter{color});
    return;
  }
  // Anti-aliased pixels carry partial weights, so the full-weight source-alpha copy form
  // must not be chosen for them (it ignores the weight).
  const int selectWeight = antiAlias ? 0 : w;
  WithCombiner(mode, selectWeight, [&](auto combiner) {
    using C = decltype(combiner);
    DrawClipped(d, cx1, cy1, cx2, cy2, w, antiAlias,
                Plotter<C>{PixelR(color), PixelG(color), PixelB(color), PixelA(color)});
  });
}
