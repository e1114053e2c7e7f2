// processReplacing cost per stereo frame, for 64- and 512-frame blocks at 44.1 kHz and
// 120 BPM: the delay in each position mode at steady state and while crossfading, a plug-in
// that keeps the framework's pass-through render (same adapter, same channel
// configuration), and floors measured on the same buffers in the same run: a float memcpy,
// a scalar float -> double -> float loop, the same round trip at vector width, and that
// round trip with a copy of the doubles between (what any render in double precision that
// only moves its input to its output costs from a single-precision host). The "ns/frame"
// counter is the time per stereo frame; compare the rows of one block size with each other.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/vector_unit.h"
#include "effect/quelora2.h"
#include "plug/sample_convert.h"
#include "vst/entry.h"

namespace {

constexpr int kMaxBlock = 512;

VstTimeInfo gTime;

VstIntPtr BenchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&gTime);
  return 0;
}

// The adapter with the base's pass-through RenderAudio.
class PassThroughPlug : public IPlugVST {
 public:
  explicit PassThroughPlug(audioMasterCallback host)
      : IPlugVST(host, 0, "1-1 2-2", 1, "pass", "", "bench", 0x10000, 1, 1, 0, 0, false, false) {}
};

struct Buffers {
  std::vector<float> in0, in1, out0, out1;
  std::vector<double> wide0, wide1;
  int frames;
  explicit Buffers(int block)
      : in0(block), in1(block), out0(block), out1(block), wide0(block), wide1(block),
        frames(block) {
    for (int i = 0; i < block; ++i) {
      in0[i] = std::sin(0.01f * static_cast<float>(i));
      in1[i] = std::cos(0.013f * static_cast<float>(i));
    }
  }
  void Process(AEffect* e) {
    float* ins[2] = {in0.data(), in1.data()};
    float* outs[2] = {out0.data(), out1.data()};
    e->processReplacing(e, ins, outs, frames);
  }
};

// Time per stereo frame, shown in seconds with an SI prefix.
void ReportPerFrame(benchmark::State& state, int block) {
  state.SetItemsProcessed(state.iterations() * block);
  state.counters["ns/frame"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * block,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Start(AEffect* e, int block) {
  memset(&gTime, 0, sizeof(gTime));
  gTime.tempo = 120.0;
  gTime.flags = kVstTempoValid;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
  e->dispatcher(e, effSetBlockSize, 0, block, nullptr, 0.f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
}

// Floor: the two channels copied as floats, what a host pays to move the block at all.
void BM_FloorMemcpy(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  Buffers buffers(block);
  for (auto _ : state) {
    memcpy(buffers.out0.data(), buffers.in0.data(), static_cast<size_t>(block) * sizeof(float));
    memcpy(buffers.out1.data(), buffers.in1.data(), static_cast<size_t>(block) * sizeof(float));
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
}
BENCHMARK(BM_FloorMemcpy)->ArgName("block")->Arg(64)->Arg(kMaxBlock);

// Floor: a scalar widening and narrowing pass over both channels, one sample at a time (the
// compiler must not vectorize it, or it is no longer the scalar floor).
__attribute__((noinline, optimize("no-tree-vectorize"))) void ScalarRoundTrip(
    const float* in, double* wide, float* out, int frames) {
  for (int i = 0; i < frames; ++i) wide[i] = in[i];
  for (int i = 0; i < frames; ++i) out[i] = static_cast<float>(wide[i]);
}

void BM_FloorScalarConvert(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  Buffers buffers(block);
  for (auto _ : state) {
    ScalarRoundTrip(buffers.in0.data(), buffers.wide0.data(), buffers.out0.data(), block);
    ScalarRoundTrip(buffers.in1.data(), buffers.wide1.data(), buffers.out1.data(), block);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
}
BENCHMARK(BM_FloorScalarConvert)->ArgName("block")->Arg(64)->Arg(kMaxBlock);

// Floor: the framework's own conversions (the active vector unit), widening both channels
// and narrowing them back, with or without a copy of the doubles in between.
void VectorRoundTrip(benchmark::State& state, bool copyDoubles) {
  const int block = static_cast<int>(state.range(0));
  Buffers buffers(block);
  std::vector<double> moved0(block), moved1(block);
  const size_t bytes = static_cast<size_t>(block) * sizeof(double);
  for (auto _ : state) {
    WidenSamples(buffers.in0.data(), buffers.wide0.data(), block);
    WidenSamples(buffers.in1.data(), buffers.wide1.data(), block);
    const double* from0 = buffers.wide0.data();
    const double* from1 = buffers.wide1.data();
    if (copyDoubles) {
      memmove(moved0.data(), from0, bytes);
      memmove(moved1.data(), from1, bytes);
      from0 = moved0.data();
      from1 = moved1.data();
    }
    NarrowSamples(from0, buffers.out0.data(), block);
    NarrowSamples(from1, buffers.out1.data(), block);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
}

void BM_FloorVectorConvert(benchmark::State& state) { VectorRoundTrip(state, false); }
BENCHMARK(BM_FloorVectorConvert)->ArgName("block")->Arg(64)->Arg(kMaxBlock);

void BM_FloorVectorConvertCopy(benchmark::State& state) { VectorRoundTrip(state, true); }
BENCHMARK(BM_FloorVectorConvertCopy)->ArgName("block")->Arg(64)->Arg(kMaxBlock);

void BM_PassThrough(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  PassThroughPlug* plug = new PassThroughPlug(BenchHost);
  AEffect* e = plug->GetAEffect();
  Start(e, block);
  Buffers buffers(block);
  for (auto _ : state) {
    buffers.Process(e);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
BENCHMARK(BM_PassThrough)->ArgName("block")->Arg(64)->Arg(kMaxBlock);

// Steady state: the line established, no fade.
void BM_DelaySteady(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  AEffect* e = VSTPluginMain(BenchHost);
  Start(e, block);
  e->setParameter(e, kPosition, static_cast<float>(state.range(1)) / 3.f);
  Buffers buffers(block);
  // Past the first fade and the pan glide, and once through the whole line, so that the
  // loop is timed on written storage.
  const int warmup = 2 * 8 * 88200 / block + 200;
  for (int i = 0; i < warmup; ++i) buffers.Process(e);
  for (auto _ : state) {
    buffers.Process(e);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
BENCHMARK(BM_DelaySteady)->ArgNames({"block", "mode"})->ArgsProduct({{64, kMaxBlock}, {0, 1, 2, 3}});

// Crossfading: the rate toggles between "1/4" and "1/8" every 4608 frames, so 4410 of every
// 4608 frames are inside a fade.
void BM_DelayCrossfade(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  AEffect* e = VSTPluginMain(BenchHost);
  Start(e, block);
  e->setParameter(e, kPosition, static_cast<float>(state.range(1)) / 3.f);
  Buffers buffers(block);
  const int warmup = 2 * 8 * 88200 / block + 200;
  for (int i = 0; i < warmup; ++i) buffers.Process(e);
  const int blocksPerToggle = 4608 / block;
  int count = 0;
  bool eighth = false;
  for (auto _ : state) {
    if (count++ % blocksPerToggle == 0) {
      eighth = !eighth;
      e->setParameter(e, kDelayRate, (eighth ? 9.f : 12.f) / 24.f);
    }
    buffers.Process(e);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
BENCHMARK(BM_DelayCrossfade)
    ->ArgNames({"block", "mode"})
    ->ArgsProduct({{64, kMaxBlock}, {0, 1, 2, 3}});

}  // namespace

// --unit=SSE2|AVX2|AVX-512 caps the vector unit of the loops (default: the widest there is).
int main(int argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--unit=", 7) == 0) {
      for (int u = 0; u < kVectorUnitCount; ++u) {
        if (strcmp(argv[i] + 7, VectorUnitName(static_cast<VectorUnit>(u))) == 0) {
          LimitVectorUnit(static_cast<VectorUnit>(u));
        }
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  printf("vector unit: %s\n", VectorUnitName(ActiveVectorUnit()));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
