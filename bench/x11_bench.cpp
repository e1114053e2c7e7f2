// Cost of the Linux editor window: CPU time of an open editor with nothing to draw, and
// one full redraw of the effect-sized editor shown in a window (render + transfer), with
// the shared-memory transfer and with plain XPutImage.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "graphics/x11/x11_editor_thread.h"
#include "graphics/x11/x11_surface.h"
#include "raster/bitmap.h"
#include "tests/support/x11_test_support.h"

namespace {

double ProcessCpuSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// An open editor that has nothing to draw for 10 seconds, at a scale (percent).
void BM_IdleEditorCpu(benchmark::State& state) {
  X11TestHost host(1200, 500, 0, 0);
  if (!host.Ok()) {
    state.SkipWithError("no X server");
    return;
  }
  TestPlug plug;
  IGraphicsX11* editor = AttachQueloraLayout(&plug);
  {
    MutexGuard guard(plug.PluginLock());
    editor->SetHostScale(state.range(0) / 100.0);
  }
  LockedOpen(&plug, host.ParentHandle());
  WaitUntil([&] { return LockedClean(editor); });
  SleepMs(200);
  for (auto _ : state) {
    const double cpu0 = ProcessCpuSeconds();
    const long ticks0 = editor->TickCount();
    SleepMs(10000);
    state.counters["cpu_ms_per_10s"] = (ProcessCpuSeconds() - cpu0) * 1000.0;
    state.counters["ticks"] = static_cast<double>(editor->TickCount() - ticks0);
  }
  LockedClose(&plug);
}
BENCHMARK(BM_IdleEditorCpu)->Arg(100)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Renders every control of the layout into the draw bitmap and shows all of it, the way a
// tick with everything dirty does.
void FullRedraw(benchmark::State& state, bool sharedMemory) {
  X11TestHost host;
  if (!host.Ok()) {
    state.SkipWithError("no X server");
    return;
  }
  // The off-screen editor has the same layout and draws the same way; only the transfer
  // to the window is done here instead of on an editor thread.
  TestPlug plug;
  IGraphicsX11* layout = AttachQueloraLayout(&plug);
  Display* display = host.display();
  Visual* visual = nullptr;
  int depth = 0;
  x11::ChooseTrueColorVisual(display, DefaultScreen(display), &visual, &depth);
  x11::X11Surface surface;
  if (!surface.Create(display, host.Parent(), visual, depth, 550, 209, sharedMemory)) {
    state.SkipWithError("no surface");
    return;
  }
  if (surface.UsesSharedMemory() != sharedMemory) {
    state.SkipWithError("shared memory not available");
    return;
  }
  const IRECT all(0, 0, 550, 209);
  std::lock_guard<std::mutex> work(x11::EditorWorkMutex());
  MutexGuard lock(plug.PluginLock());
  for (auto _ : state) {
    layout->MarkAllControlsDirty();
    layout->RenderArea(&all);
    surface.Present(layout->DrawBitmap(), all);
    XSync(display, False);
  }
}

void BM_FullRedrawAndPresentShm(benchmark::State& state) { FullRedraw(state, true); }
void BM_FullRedrawAndPresentPlain(benchmark::State& state) { FullRedraw(state, false); }
BENCHMARK(BM_FullRedrawAndPresentShm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRedrawAndPresentPlain)->Unit(benchmark::kMicrosecond);

}  // namespace
