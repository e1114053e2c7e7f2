// Raster operations at the editor's sizes: a full-window source-alpha blit, a knob
// rotation and a full-window fill.
#include <benchmark/benchmark.h>

#include "raster/bitmap.h"
#include "raster/blit.h"

namespace {

void FillGradient(LICE_IBitmap& bm) {
  RasterPixel* p = bm.PixelData();
  for (int y = 0; y < bm.Height(); ++y)
    for (int x = 0; x < bm.Width(); ++x)
      p[y * bm.PixelsPerRow() + x] = MakeRasterPixel((x * 7 + y) & 255, x & 255, y & 255, (x ^ y) & 255);
}

void BM_SourceAlphaBlit(benchmark::State& state) {
  const float alpha = static_cast<float>(state.range(0)) / 100.0f;
  LICE_MemBitmap src(550, 209), dst(550, 209);
  FillGradient(src);
  FillGradient(dst);
  for (auto _ : state) {
    BlendBlit(&dst, &src, 0, 0, nullptr, alpha, kBlendCopy | kBlendSourceAlpha);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 550 * 209);
}
BENCHMARK(BM_SourceAlphaBlit)->Arg(100)->Arg(70);

void BM_RotateKnobBilinear(benchmark::State& state) {
  LICE_MemBitmap src(82, 82), dst(82, 82);
  FillGradient(src);
  for (auto _ : state) {
    RotateScaleBlit(&dst, &src, 0, 0, 82, 82, 0.0f, 0.0f, 82.0f, 82.0f, 0.5235988f, false, 1.0f,
                    kBlendCopy | kBlendSourceAlpha | kBlendBilinear, 0.0f, 0.0f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 82 * 82);
}
BENCHMARK(BM_RotateKnobBilinear);

void BM_FillRect(benchmark::State& state) {
  const float alpha = static_cast<float>(state.range(0)) / 100.0f;
  LICE_MemBitmap dst(550, 209);
  FillGradient(dst);
  for (auto _ : state) {
    BlendFillRect(&dst, 0, 0, 550, 209, MakeRasterPixel(255, 30, 60, 90), alpha, kBlendCopy);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 550 * 209);
}
BENCHMARK(BM_FillRect)->Arg(100)->Arg(30);

}  // namespace
