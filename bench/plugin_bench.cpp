// processReplacing cost per stereo frame: the delay in each position mode, at steady state
// and while crossfading, against a plug-in that keeps the framework's pass-through render
// (same adapter, same channel configuration). 512-frame blocks, 44.1 kHz, 120 BPM.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "effect/quelora2.h"
#include "vst/entry.h"

namespace {

constexpr int kBlock = 512;

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
  Buffers() : in0(kBlock), in1(kBlock), out0(kBlock), out1(kBlock) {
    for (int i = 0; i < kBlock; ++i) {
      in0[i] = std::sin(0.01f * static_cast<float>(i));
      in1[i] = std::cos(0.013f * static_cast<float>(i));
    }
  }
  void Process(AEffect* e) {
    float* ins[2] = {in0.data(), in1.data()};
    float* outs[2] = {out0.data(), out1.data()};
    e->processReplacing(e, ins, outs, kBlock);
  }
};

void Start(AEffect* e) {
  memset(&gTime, 0, sizeof(gTime));
  gTime.tempo = 120.0;
  gTime.flags = kVstTempoValid;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
  e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
}

void BM_PassThrough(benchmark::State& state) {
  PassThroughPlug* plug = new PassThroughPlug(BenchHost);
  AEffect* e = plug->GetAEffect();
  Start(e);
  Buffers buffers;
  for (auto _ : state) {
    buffers.Process(e);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
BENCHMARK(BM_PassThrough);

// Steady state: the line established, no fade.
void BM_DelaySteady(benchmark::State& state) {
  AEffect* e = VSTPluginMain(BenchHost);
  Start(e);
  e->setParameter(e, kPosition, static_cast<float>(state.range(0)) / 3.f);
  Buffers buffers;
  for (int i = 0; i < 200; ++i) buffers.Process(e);  // past the first fade and pan glide
  for (auto _ : state) {
    buffers.Process(e);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
BENCHMARK(BM_DelaySteady)->ArgName("mode")->DenseRange(0, 3);

// Crossfading: the rate toggles between "1/4" and "1/8" every 9 blocks (4608 frames), so
// 4410 of every 4608 frames are inside a fade.
void BM_DelayCrossfade(benchmark::State& state) {
  AEffect* e = VSTPluginMain(BenchHost);
  Start(e);
  e->setParameter(e, kPosition, static_cast<float>(state.range(0)) / 3.f);
  Buffers buffers;
  for (int i = 0; i < 200; ++i) buffers.Process(e);
  int block = 0;
  bool eighth = false;
  for (auto _ : state) {
    if (block++ % 9 == 0) {
      eighth = !eighth;
      e->setParameter(e, kDelayRate, (eighth ? 9.f : 12.f) / 24.f);
    }
    buffers.Process(e);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
BENCHMARK(BM_DelayCrossfade)->ArgName("mode")->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
