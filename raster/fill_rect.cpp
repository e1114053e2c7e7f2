// BlendFillRect: fills a rectangle with one colour through a blend operation.
#include <cmath>

#include "raster/blit.h"
#include "raster/blit_rows.h"
#include "raster/combine.h"

using namespace raster;

namespace {

template <typename WordOp>
void FillWords(const BitmapRows& d, int x, int y, int w, int h, WordOp op) {
  for (int row = 0; row < h; ++row) {
    RasterPixel* p = d.Row(y + row) + x;
    for (int i = 0; i < w; ++i) p[i] = op(p[i]);
  }
}

template <typename Combiner>
void FillCombined(const BitmapRows& d, int x, int y, int w, int h, RasterPixel color, int weight) {
  const int r = PixelR(color), g = PixelG(color), b = PixelB(color);
  // The weight stands in for the source alpha (the colour's own alpha byte is not used).
  const int a = weight > 255 ? 255 : weight;
  for (int row = 0; row < h; ++row) {
    RasterPixel* p = d.Row(y + row) + x;
    for (int i = 0; i < w; ++i) Combiner::Apply(p + i, r, g, b, a, weight);
  }
}

}  // namespace

void BlendFillRect(LICE_IBitmap* dest, int x, int y, int w, int h, RasterPixel color, float alpha,
                   int mode) {
  if (mode & kBlendSourceAlpha) alpha *= static_cast<float>(PixelA(color)) * 0.003921569f;
  if (alpha == 0.0f || std::isnan(alpha)) return;
  BitmapRows d;
  if (!GetBitmapRows(dest, &d)) return;

  int64_t L = x, T = y, R = static_cast<int64_t>(x) + w, B = static_cast<int64_t>(y) + h;
  if (L < 0) L = 0;
  if (T < 0) T = 0;
  if (R > d.width) R = d.width;
  if (B > d.height) B = d.height;
  if (L >= R || T >= B) return;
  const int fx = static_cast<int>(L), fy = static_cast<int>(T);
  const int fw = static_cast<int>(R - L), fh = static_cast<int>(B - T);

  const int weight = WeightFromAlpha(alpha);
  if (weight == 0) return;
  const RasterPixel c = color;
  if ((mode & kBlendOpMask) == kBlendCopy) {
    switch (weight) {
      case 256:
        FillWords(d, fx, fy, fw, fh, [c](RasterPixel) { return c; });
        return;
      case 128:
        FillWords(d, fx, fy, fw, fh, [c](RasterPixel p) { return HalfWord(c) + HalfWord(p); });
        return;
      case 64:
        FillWords(d, fx, fy, fw, fh,
                  [c](RasterPixel p) { return HalfWord(p) + QuarterWord(p) + QuarterWord(c); });
        return;
      case 192:
        FillWords(d, fx, fy, fw, fh,
                  [c](RasterPixel p) { return HalfWord(c) + QuarterWord(c) + QuarterWord(p); });
        return;
      default:
        break;
    }
  }
  // Source alpha only scaled the weight above; it is not applied per pixel.
  WithCombiner(mode & ~kBlendSourceAlpha, weight, [&](auto combiner) {
    FillCombined<decltype(combiner)>(d, fx, fy, fw, fh, color, weight);
  });
}
