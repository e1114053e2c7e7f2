// Drawing a knob read-out with warm glyph caches: a 12-character string into an editor
// sized bitmap, with and without ink alpha.
#include <benchmark/benchmark.h>

#include "raster/font.h"

namespace {

struct TextFixture {
  LICE_SysBitmap bitmap{550, 209};
  LICE_CachedFont font;
  TextFixture(int height, int flags) {
    font.AttachPlatformFont(PlatformFontCreate("Arial", height, 400, false, 0, 0),
                            kFontOwnsPlatformFont | kFontPreferNative | flags);
    font.SetInkColor(MakeRasterPixel(200, 20, 20, 20));
    RasterRect warm = {0, 0, 550, 209};
    font.DrawString(&bitmap, "Delay 1/16 D", -1, &warm, kTextNoClip);
  }
};

void BM_DrawString(benchmark::State& state) {
  TextFixture f(static_cast<int>(state.range(0)), 0);
  const int flags = kTextNoClip | kTextCenter | (state.range(1) ? static_cast<int>(kTextUseInkAlpha) : 0);
  for (auto _ : state) {
    RasterRect r = {200, 90, 350, 120};
    benchmark::DoNotOptimize(f.font.DrawString(&f.bitmap, "Delay 1/16 D", -1, &r, flags));
  }
  state.SetItemsProcessed(state.iterations() * 12);
}
BENCHMARK(BM_DrawString)->ArgsProduct({{12, 14, 24}, {0, 1}});

void BM_MeasureString(benchmark::State& state) {
  TextFixture f(14, 0);
  for (auto _ : state) {
    RasterRect r = {0, 0, 0, 0};
    benchmark::DoNotOptimize(f.font.DrawString(nullptr, "Delay 1/16 D", -1, &r, kTextMeasureOnly));
  }
}
BENCHMARK(BM_MeasureString);

// Cold path: attach (clears the cache) and rasterise the twelve characters again.
void BM_RenderGlyphsCold(benchmark::State& state) {
  LICE_SysBitmap bitmap(550, 209);
  LICE_CachedFont font;
  PlatformFontHandle h = PlatformFontCreate("Arial", 14, 400, false, 0, 0);
  for (auto _ : state) {
    font.AttachPlatformFont(h, 0);
    RasterRect r = {0, 0, 550, 209};
    benchmark::DoNotOptimize(font.DrawString(&bitmap, "Delay 1/16 D", -1, &r, 0));
  }
  font.AttachPlatformFont(nullptr, 0);
  PlatformFontDestroy(h);
}
BENCHMARK(BM_RenderGlyphsCold);

}  // namespace

BENCHMARK_MAIN();
