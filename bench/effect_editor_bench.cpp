// Rendering cost of the effect's own editor (550 x 209), created through the entry point
// as a host does.
#include <benchmark/benchmark.h>

#include <vector>

#include "effect/quelora2.h"
#include "graphics/IGraphics.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"
#include "vst/private_calls.h"

namespace {

struct Instance {
  TestHost host;
  AEffect* effect = host.Create(VSTPluginMain);
  IGraphics* Editor() const {
    IPlugVST* plug = IPlugVST::FromAEffect(effect);
    return EditorOf(plug);
  }
};

// The whole panel through the private call: every control repainted, then copied out as
// B, G, R, A bytes.
void BM_FullFrameThroughRenderCall(benchmark::State& state) {
  Instance plug;
  std::vector<unsigned char> pixels(static_cast<size_t>(kEditorWidth) * kEditorHeight * 4);
  for (auto _ : state) {
    const VstIntPtr done =
        plug.effect->dispatcher(plug.effect, effVendorSpecific, kRenderEditorCall,
                                static_cast<VstIntPtr>(pixels.size()), pixels.data(), 0.f);
    if (done != kRenderEditorDone) state.SkipWithError("render call refused");
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FullFrameThroughRenderCall)->Unit(benchmark::kMicrosecond);

// The full repaint alone, as a window's first frame does it.
void BM_FullRepaint(benchmark::State& state) {
  Instance plug;
  IGraphics* editor = plug.Editor();
  const IRECT all(0, 0, kEditorWidth, kEditorHeight);
  for (auto _ : state) {
    editor->MarkAllControlsDirty();
    editor->RenderArea(&all);
  }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

// A host automates Delay Rate: the knob and its text become dirty, and the redraw timer's
// tick paints the dirty area (the background and knob under it, then the knob).
void BM_RateKnobDirtyRepaint(benchmark::State& state) {
  Instance plug;
  IGraphics* editor = plug.Editor();
  const IRECT all(0, 0, kEditorWidth, kEditorHeight);
  editor->MarkAllControlsDirty();
  editor->RenderArea(&all);
  int step = 0;
  for (auto _ : state) {
    plug.effect->setParameter(plug.effect, kDelayRate, static_cast<float>(step % 25) / 24.f);
    step += 7;
    IRECT dirty;
    if (editor->CollectDirtyArea(&dirty)) editor->RenderArea(&dirty);
  }
}
BENCHMARK(BM_RateKnobDirtyRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
