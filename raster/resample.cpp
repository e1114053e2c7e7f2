// ResampleBlit: a rectangle of one bitmap drawn at another size, filtered in two separable
// passes over premultiplied colour.
#include <cmath>
#include <cstdint>
#include <vector>

#include "raster/blit.h"
#include "raster/blit_rows.h"

using namespace raster;

namespace {

// Catmull-Rom cubic: sharp, interpolating, with a small overshoot that is clamped.
float CubicWeight(float x) {
  x = std::fabs(x);
  if (x < 1.0f) return (1.5f * x - 2.5f) * x * x + 1.0f;
  if (x < 2.0f) return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
  return 0.0f;
}

// The taps of one output position along an axis: source indices (0 ... count - 1 of the
// rectangle) and their normalised weights.
struct Taps {
  std::vector<int> first;     // per output position: index into index / weight
  std::vector<int> count;     // per output position
  std::vector<int> index;
  std::vector<float> weight;
};

Taps MakeTaps(int sourceCount, int outputCount) {
  Taps taps;
  const float step = static_cast<float>(sourceCount) / outputCount;
  // Reducing, the kernel is widened by the reduction so that every source pixel the
  // output pixel covers counts; enlarging, it interpolates.
  const float widen = step > 1.0f ? step : 1.0f;
  const float reach = 2.0f * widen;
  for (int o = 0; o < outputCount; ++o) {
    const float centre = (o + 0.5f) * step - 0.5f;
    const int lo = static_cast<int>(std::ceil(centre - reach));
    const int hi = static_cast<int>(std::floor(centre + reach));
    taps.first.push_back(static_cast<int>(taps.index.size()));
    float sum = 0.0f;
    const int start = static_cast<int>(taps.index.size());
    for (int s = lo; s <= hi; ++s) {
      const float w = CubicWeight((s - centre) / widen);
      if (w == 0.0f) continue;
      // Outside the rectangle the edge pixel stands in: nothing beyond it is read.
      taps.index.push_back(s < 0 ? 0 : (s >= sourceCount ? sourceCount - 1 : s));
      taps.weight.push_back(w);
      sum += w;
    }
    const int n = static_cast<int>(taps.index.size()) - start;
    if (n == 0 || sum == 0.0f) {
      taps.index.push_back(static_cast<int>(centre < 0 ? 0 : (centre >= sourceCount ? sourceCount - 1 : centre)));
      taps.weight.push_back(1.0f);
      taps.count.push_back(1);
      continue;
    }
    for (int i = start; i < start + n; ++i) taps.weight[static_cast<size_t>(i)] /= sum;
    taps.count.push_back(n);
  }
  return taps;
}

inline int ClampByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<int>(v + 0.5f);
}

}  // namespace

void ResampleBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int srcx, int srcy, int srcw, int srch) {
  BitmapRows d, s;
  if (!GetBitmapRows(dest, &d) || !GetBitmapRows(src, &s)) return;
  // The rectangle is limited to the source.
  if (srcx < 0) {
    srcw += srcx;
    srcx = 0;
  }
  if (srcy < 0) {
    srch += srcy;
    srcy = 0;
  }
  if (srcw > s.width - srcx) srcw = s.width - srcx;
  if (srch > s.height - srcy) srch = s.height - srcy;
  if (srcw < 1 || srch < 1) return;

  const Taps across = MakeTaps(srcw, d.width);
  const Taps down = MakeTaps(srch, d.height);

  // Pass 1: every source row of the rectangle to the output width (premultiplied).
  std::vector<float> rows(static_cast<size_t>(srch) * d.width * 4);
  std::vector<float> line(static_cast<size_t>(srcw) * 4);
  for (int y = 0; y < srch; ++y) {
    const RasterPixel* in = s.Row(srcy + y) + srcx;
    for (int x = 0; x < srcw; ++x) {
      const float a = PixelA(in[x]) / 255.0f;
      float* p = &line[static_cast<size_t>(x) * 4];
      p[0] = PixelR(in[x]) * a;
      p[1] = PixelG(in[x]) * a;
      p[2] = PixelB(in[x]) * a;
      p[3] = a * 255.0f;
    }
    float* out = &rows[static_cast<size_t>(y) * d.width * 4];
    for (int o = 0; o < d.width; ++o) {
      float acc[4] = {0, 0, 0, 0};
      const int first = across.first[static_cast<size_t>(o)];
      for (int t = first; t < first + across.count[static_cast<size_t>(o)]; ++t) {
        const float* p = &line[static_cast<size_t>(across.index[static_cast<size_t>(t)]) * 4];
        const float w = across.weight[static_cast<size_t>(t)];
        for (int c = 0; c < 4; ++c) acc[c] += p[c] * w;
      }
      for (int c = 0; c < 4; ++c) out[o * 4 + c] = acc[c];
    }
  }

  // Pass 2: down the columns to the output height, back to straight colour.
  for (int o = 0; o < d.height; ++o) {
    RasterPixel* out = d.Row(o);
    const int first = down.first[static_cast<size_t>(o)];
    const int n = down.count[static_cast<size_t>(o)];
    for (int x = 0; x < d.width; ++x) {
      float acc[4] = {0, 0, 0, 0};
      for (int t = first; t < first + n; ++t) {
        const float* p =
            &rows[(static_cast<size_t>(down.index[static_cast<size_t>(t)]) * d.width + x) * 4];
        const float w = down.weight[static_cast<size_t>(t)];
        for (int c = 0; c < 4; ++c) acc[c] += p[c] * w;
      }
      const int a = ClampByte(acc[3]);
      if (a == 0) {
        out[x] = 0;
        continue;
      }
      const float unpremultiply = 255.0f / acc[3];
      out[x] = MakeRasterPixel(a, ClampByte(acc[0] * unpremultiply), ClampByte(acc[1] * unpremultiply),
                               ClampByte(acc[2] * unpremultiply));
    }
  }
}
