// RotateScaleBlit: draws a source rectangle scaled and rotated, sampling the source
// backwards from each destination pixel in 16.16 fixed point.
#include <cmath>
#include <cstdint>

#include "raster/blit.h"
#include "raster/blit_rows.h"
#include "raster/combine.h"

using namespace raster;

namespace {

// Sampling window inside the source (window-relative coordinates are sampled).
struct SampleWindow {
  const BitmapRows* rows;
  int left, top, width, height;
  const RasterPixel* At(int64_t x, int64_t y) const {
    return rows->Row(top + static_cast<int>(y)) + left + static_cast<int>(x);
  }
};

struct Rgba {
  int r, g, b, a;
};

inline bool Inside(int64_t v, int extent) { return static_cast<uint64_t>(v) < static_cast<uint64_t>(extent); }

struct NearestSampler {
  static bool Sample(const SampleWindow& win, int64_t su, int64_t tu, Rgba* out) {
    const int64_t x = su >> 16, y = tu >> 16;
    if (!Inside(x, win.width) || !Inside(y, win.height)) return false;
    const RasterPixel p = *win.At(x, y);
    *out = {PixelR(p), PixelG(p), PixelB(p), PixelA(p)};
    return true;
  }
};

struct BilinearSampler {
  static int Mix2(RasterPixel p, RasterPixel q, uint32_t wp, uint32_t wq, int byteIndex) {
    return static_cast<int>((PixelChannel(p, byteIndex) * wp + PixelChannel(q, byteIndex) * wq) >> 16);
  }
  static bool Sample(const SampleWindow& win, int64_t su, int64_t tu, Rgba* out) {
    const int64_t x = su >> 16, y = tu >> 16;
    if (!Inside(x, win.width) || !Inside(y, win.height)) return false;
    const uint32_t fx = static_cast<uint32_t>(su & 0xFFFF);
    const uint32_t fy = static_cast<uint32_t>(tu & 0xFFFF);
    const int64_t lastX = win.width - 1, lastY = win.height - 1;
    const RasterPixel* p = win.At(x, y);
    if (x < lastX && y < lastY) {
      const RasterPixel* below = win.At(x, y + 1);
      const uint32_t w11 = (fx * fy) >> 16;
      const uint32_t w10 = fx - w11;
      const uint32_t w01 = fy - w11;
      const uint32_t w00 = 65536 - fx - fy + w11;
      const RasterPixel p00 = p[0], p10 = p[1], p01 = below[0], p11 = below[1];
      auto mix4 = [&](int byteIndex) {
        return static_cast<int>((PixelChannel(p00, byteIndex) * w00 + PixelChannel(p10, byteIndex) * w10 +
                                 PixelChannel(p01, byteIndex) * w01 + PixelChannel(p11, byteIndex) * w11) >>
                                16);
      };
      *out = {mix4(kPixelByteR), mix4(kPixelByteG), mix4(kPixelByteB), mix4(kPixelByteA)};
      return true;
    }
    if (x == lastX && y < lastY) {
      const RasterPixel q = *win.At(x, y + 1);
      const uint32_t wp = 65536 - fy;
      *out = {Mix2(*p, q, wp, fy, kPixelByteR), Mix2(*p, q, wp, fy, kPixelByteG),
              Mix2(*p, q, wp, fy, kPixelByteB), Mix2(*p, q, wp, fy, kPixelByteA)};
      return true;
    }
    if (y == lastY && x < lastX) {
      const RasterPixel q = p[1];
      const uint32_t wp = 65536 - fx;
      *out = {Mix2(*p, q, wp, fx, kPixelByteR), Mix2(*p, q, wp, fx, kPixelByteG),
              Mix2(*p, q, wp, fx, kPixelByteB), Mix2(*p, q, wp, fx, kPixelByteA)};
      return true;
    }
    // Only the last column and row remain.
    *out = {PixelR(*p), PixelG(*p), PixelB(*p), PixelA(*p)};
    return true;
  }
};

// Full-weight plain copy writes the sampled value as it is.
struct StoreCombiner {
  static void Apply(RasterPixel* dest, int r, int g, int b, int a, int /*w*/) {
    *dest = PackPixel(r, g, b, a);
  }
};

struct FixedSteps {
  int64_t s0, t0, dsdx, dtdx, dsdy, dtdy;
};

template <typename Sampler, typename Combiner>
void RunRows(const BitmapRows& d, const SampleWindow& win, int x, int y, int width, int rows,
             const FixedSteps& f, int w) {
  for (int row = 0; row < rows; ++row) {
    int64_t su = f.s0 + row * f.dsdy;
    int64_t tu = f.t0 + row * f.dtdy;
    RasterPixel* dp = d.Row(y + row) + x;
    for (int i = 0; i < width; ++i, su += f.dsdx, tu += f.dtdx) {
      Rgba c;
      if (Sampler::Sample(win, su, tu, &c)) Combiner::Apply(dp + i, c.r, c.g, c.b, c.a, w);
    }
  }
}

// truncate(value x 65536), limited so that a row of steps can never overflow 64 bits;
// such extreme values sample outside any window anyway.
int64_t ToFixed(double v, double limit) {
  double f = v * 65536.0;
  if (f > limit) f = limit;
  if (f < -limit) f = -limit;
  return static_cast<int64_t>(f);
}

// Truncates a sampling-window bound into the int range.
int64_t TruncateBound(double v) {
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return -2147483648LL;
  return static_cast<int64_t>(v);
}

}  // namespace

void RotateScaleBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float angle,
                     bool clipToSourceRect, float alpha, int mode, float rotCentreX,
                     float rotCentreY) {
  if (!dest || !src || dstw == 0 || dsth == 0) return;
  // Non-finite geometry would make the fixed-point conversion meaningless: draw nothing.
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) || !std::isfinite(srch) ||
      !std::isfinite(angle) || !std::isfinite(rotCentreX) || !std::isfinite(rotCentreY)) {
    return;
  }
  BitmapRows d, s;
  if (!GetBitmapRows(dest, &d) || !GetBitmapRows(src, &s)) return;

  int64_t winL = 0, winT = 0, winR = s.width, winB = s.height;
  if (clipToSourceRect) {
    winL = TruncateBound(srcx > 0 ? srcx : 0.0);
    winT = TruncateBound(srcy > 0 ? srcy : 0.0);
    const double r = static_cast<double>(srcx) + srcw, b = static_cast<double>(srcy) + srch;
    winR = TruncateBound(r < s.width ? r : s.width);
    winB = TruncateBound(b < s.height ? b : s.height);
  }
  if (winR - winL < 1 || winB - winT < 1) return;

  int64_t x = dstx, y = dsty, dw = dstw, dh = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  // A negative destination size mirrors that axis. Sampling points sit on pixel corners,
  // so the mirrored start is one sample step inside the far edge: destination pixel i then
  // samples exactly what pixel (size - 1 - i) samples unmirrored, and no column is lost.
  if (dw < 0) {
    x += dw;
    dw = -dw;
    sx += sw - sw / static_cast<double>(dw);
    sw = -sw;
  }
  if (dh < 0) {
    y += dh;
    dh = -dh;
    sy += sh - sh / static_cast<double>(dh);
    sh = -sh;
  }

  const double c = std::cos(static_cast<double>(angle));
  const double n = std::sin(static_cast<double>(angle));
  const double X = sw / static_cast<double>(dw);
  const double Y = sh / static_cast<double>(dh);
  const double dsdx = X * c, dtdx = -Y * n;
  const double dsdy = X * n, dtdy = Y * c;
  double s0 = sx - ((dh * X * n + dw * X * c - sw) / 2 - rotCentreX);
  double t0 = sy - ((dw * (-Y * n) + dh * Y * c - sh) / 2 - rotCentreY);

  if (x < 0) {
    s0 -= x * dsdx;
    t0 -= x * dtdx;
    dw += x;
    x = 0;
  }
  if (y < 0) {
    s0 -= y * dsdy;
    t0 -= y * dtdy;
    dh += y;
    y = 0;
  }
  const int64_t width = d.width - x < dw ? d.width - x : dw;
  const int64_t rows = d.height - y < dh ? d.height - y : dh;
  if (width <= 0 || rows <= 0) return;
  const int w = WeightFromAlpha(alpha);
  if (w == 0) return;

  const double kStepLimit = 1073741824.0;        // 16384 source pixels per destination pixel
  const double kStartLimit = 1152921504606846976.0;  // 2^60
  FixedSteps f;
  f.s0 = ToFixed(s0 - static_cast<double>(winL), kStartLimit);
  f.t0 = ToFixed(t0 - static_cast<double>(winT), kStartLimit);
  f.dsdx = ToFixed(dsdx, kStepLimit);
  f.dtdx = ToFixed(dtdx, kStepLimit);
  f.dsdy = ToFixed(dsdy, kStepLimit);
  f.dtdy = ToFixed(dtdy, kStepLimit);

  const SampleWindow win{&s, static_cast<int>(winL), static_cast<int>(winT), static_cast<int>(winR - winL),
                         static_cast<int>(winB - winT)};
  const bool bilinear = (mode & kBlendFilterMask) == kBlendBilinear;
  const int ix = static_cast<int>(x), iy = static_cast<int>(y);
  const int iw = static_cast<int>(width), ih = static_cast<int>(rows);
  auto run = [&](auto combiner) {
    using C = decltype(combiner);
    if (bilinear) RunRows<BilinearSampler, C>(d, win, ix, iy, iw, ih, f, w);
    else RunRows<NearestSampler, C>(d, win, ix, iy, iw, ih, f, w);
  };
  if ((mode & kBlendOpMask) == kBlendCopy && !(mode & kBlendSourceAlpha) && w == 256) {
    run(StoreCombiner{});
    return;
  }
  WithCombiner(mode, w, run);
}
