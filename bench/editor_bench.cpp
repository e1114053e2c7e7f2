// Rendering cost of an editor shaped like the effect's: 550 x 209 with a background, three
// rotating knobs with value text, a radio group and two sliders, built from synthetic
// images; at scale 1 and at other scales (the argument, in percent). The synthetic images
// have no artwork sets: the scaled ones are made once from the 1x images and cached, so a
// redraw costs what it costs with real sets.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "graphics/knob_controls.h"
#include "graphics/offscreen_graphics.h"
#include "graphics/radio_buttons.h"
#include "graphics/slider_controls.h"
#include "plug/IPlugBase.h"
#include "raster/bitmap.h"
#include "tests/support/mock_plug.h"

namespace {

void Put(LICE_MemBitmap* bm, int x, int y, RasterPixel p) {
  bm->PixelData()[y * bm->PixelsPerRow() + x] = p;
}

// Vertical grey gradient.
LICE_MemBitmap* Gradient(int w, int h) {
  LICE_MemBitmap* bm = new LICE_MemBitmap(w, h, 4);
  for (int y = 0; y < h; ++y) {
    const int v = 20 + y * 60 / h;
    for (int x = 0; x < w; ++x) Put(bm, x, y, MakeRasterPixel(255, v, v, v + 10));
  }
  return bm;
}

// Two frames side by side: an anti-aliased-looking disc (soft alpha edge) and a
// transparent overlay with a highlight ring.
LICE_MemBitmap* Knob(int w, int h) {
  LICE_MemBitmap* bm = new LICE_MemBitmap(w, h, 4);
  const int frame = w / 2;
  const double c = (frame - 1) * 0.5;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int fx = x % frame;
      const double d = std::hypot(fx - c, y - c);
      const double edge = frame * 0.45 - d;
      int a = edge >= 1 ? 255 : edge <= 0 ? 0 : static_cast<int>(edge * 255);
      RasterPixel p;
      if (x < frame) {
        p = MakeRasterPixel(a, 50 + (y * 100) / h, 60, 70);
      } else {
        a = (std::fabs(d - frame * 0.3) < 1.5) ? 120 : 0;
        p = MakeRasterPixel(a, 255, 255, 255);
      }
      Put(bm, x, y, p);
    }
  }
  return bm;
}

LICE_MemBitmap* Solid(int w, int h, RasterPixel p) {
  LICE_MemBitmap* bm = new LICE_MemBitmap(w, h, 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) Put(bm, x, y, p);
  }
  return bm;
}

LICE_IBitmap* LoadSynthetic(int id, const char*) {
  switch (id) {
    case 8100: return Gradient(550, 209);
    case 8101: return Knob(164, 82);
    case 8102: return Knob(120, 60);
    case 8103: return Solid(71, 76, MakeRasterPixel(200, 220, 180, 40));
    case 8104: return Solid(18, 18, MakeRasterPixel(255, 230, 230, 230));
    default: return nullptr;
  }
}

struct BenchEditor {
  TestPlug plug;
  IGraphicsOffscreen* editor;
  IKnobRotVal* rate;

  explicit BenchEditor(double scale = 1.0) {
    editor = new IGraphicsOffscreen(&plug, 550, 209, 0);
    editor->SetImageLoader(LoadSynthetic);
    editor->SetBackgroundImage(8100, "bg.png");
    IText text(16, IColor(230, 255, 255, 255), "Arial");
    IBitmap knob = editor->FetchBitmap(8101, "knob.png", 2);
    rate = new IKnobRotVal(&plug, 0, 93, 118, &knob, &text, 15, 300, 4.0);
    editor->AddControl(rate);
    IBitmap radio = editor->FetchBitmap(8103, "radio.png", 4);
    editor->AddControl(new IRadioButtons(&plug, 1, 155, 80, &radio, true, false, 0, 0, 0));
    IBitmap knob2 = editor->FetchBitmap(8102, "knob2.png", 2);
    editor->AddControl(new IKnobRotVal(&plug, 2, 287, 131, &knob2, &text, 13, 300, 4.0));
    editor->AddControl(new IKnobRotVal(&plug, 3, 386, 131, &knob2, &text, 13, 300, 4.0));
    const IColor fill(255, 130, 130, 130);
    const IRECT dry(442, 83, 478, 184), wet(486, 83, 522, 184);
    IBitmap handle = editor->FetchBitmap(8104, "slider.png", 1);
    editor->AddControl(new ISlider(&plug, 4, &dry, &handle, &text, 84, false, &fill, 10, 1, true));
    handle = editor->FetchBitmap(8104, "slider.png", 1);
    editor->AddControl(new ISlider(&plug, 5, &wet, &handle, &text, 84, false, &fill, 10, 1, true));
    plug.AttachEditor(editor);
    {
      MutexGuard guard(plug.PluginLock());
      editor->SetHostScale(scale);
    }
    editor->RenderAll();  // first paint: cut-outs, scaled images and glyphs made
    editor->RenderAll();
  }
};

void BM_EditorFullRender(benchmark::State& state) {
  BenchEditor b(state.range(0) / 100.0);
  double v = 0.0;
  for (auto _ : state) {
    v = v > 1.0 ? 0.0 : v + 0.013;
    b.rate->SetValue(v);
    benchmark::DoNotOptimize(b.editor->RenderAll());
  }
}
BENCHMARK(BM_EditorFullRender)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_EditorSingleKnobDirty(benchmark::State& state) {
  BenchEditor b(state.range(0) / 100.0);
  double v = 0.0;
  for (auto _ : state) {
    v = v > 1.0 ? 0.0 : v + 0.013;
    b.rate->SetValue(v);
    b.rate->MarkDirty(false);
    benchmark::DoNotOptimize(b.editor->RenderDirty());
  }
}
BENCHMARK(BM_EditorSingleKnobDirty)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
