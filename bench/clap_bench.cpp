// Cost per stereo frame of the built modules as hosts drive them, at steady state (120 BPM,
// 44.1 kHz, "ping pong", the line established): the CLAP module with 64-bit buffers (the
// render writes straight into the host's doubles) and with 32-bit buffers, next to the VST
// 2.4 module's processReplacing (the float path: widen, render, narrow) and
// processDoubleReplacing. Both modules are loaded as hosts load them (dlopen), the CLAP one
// through the project's CLAP host, which builds the transport and the process record for
// each block as a host does. The "ns/frame" counter is the time per stereo frame; compare
// the rows of one block size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_host.h"
#include "tools/host/clap_host.h"
#include "tools/host/shared_library.h"

namespace {

constexpr int kWarmupFrames = 2 * 8 * 88200;  // twice through the longest line at 120 BPM

template <class Sample>
struct Block {
  std::vector<Sample> in0, in1, out0, out1;
  explicit Block(int frames) : in0(frames), in1(frames), out0(frames), out1(frames) {
    for (int i = 0; i < frames; ++i) {
      in0[i] = static_cast<Sample>(std::sin(0.01 * i));
      in1[i] = static_cast<Sample>(std::cos(0.013 * i));
    }
  }
};

void ReportPerFrame(benchmark::State& state, int block) {
  state.SetItemsProcessed(state.iterations() * block);
  state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * block,
                                                  benchmark::Counter::kIsRate |
                                                      benchmark::Counter::kInvert);
}

VstPluginMainProc VstEntry() {
  static SharedLibrary library;
  static VstPluginMainProc entry = nullptr;
  if (!entry) {
    std::string error;
    if (!library.Open(QUELORA_VST_MODULE_PATH, &error)) {
      std::fprintf(stderr, "%s: %s\n", QUELORA_VST_MODULE_PATH, error.c_str());
      std::exit(1);
    }
    entry = reinterpret_cast<VstPluginMainProc>(library.Symbol("VSTPluginMain"));
  }
  return entry;
}

const ClapModuleFile& ClapModule() {
  static ClapModuleFile module;
  if (!module.Factory()) {
    std::string error;
    if (!module.Open(QUELORA_CLAP_MODULE_PATH, &error)) {
      std::fprintf(stderr, "%s: %s\n", QUELORA_CLAP_MODULE_PATH, error.c_str());
      std::exit(1);
    }
  }
  return module;
}

template <class Sample>
void Vst(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  TestHost host;
  AEffect* e = host.Create(VstEntry());
  host.Start(44100.f, block);
  host.SetParameter(1, 2.f / 3.f);  // ping pong
  Block<Sample> b(block);
  auto process = [&] {
    Sample* ins[2] = {b.in0.data(), b.in1.data()};
    Sample* outs[2] = {b.out0.data(), b.out1.data()};
    if constexpr (sizeof(Sample) == sizeof(double)) {
      e->processDoubleReplacing(e, ins, outs, block);
    } else {
      e->processReplacing(e, ins, outs, block);
    }
  };
  for (int f = 0; f < kWarmupFrames; f += block) process();
  for (auto _ : state) {
    process();
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
}

template <class Sample>
void Clap(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  ClapPluginHost host;
  // This thread plays the audio thread as well, as an offline render on the main thread.
  host.SetAudioThread(std::this_thread::get_id());
  std::string error;
  if (!host.Create(ClapModule(), nullptr, &error) ||
      !host.Activate(44100.0, 1, static_cast<uint32_t>(block)) || !host.StartProcessing()) {
    state.SkipWithError(error.c_str());
    return;
  }
  host.QueueParamValue(1, 2.0);  // ping pong
  Block<Sample> b(block);
  auto process = [&] {
    const Sample* ins[2] = {b.in0.data(), b.in1.data()};
    Sample* outs[2] = {b.out0.data(), b.out1.data()};
    host.Process(ins, outs, static_cast<uint32_t>(block));
  };
  for (int f = 0; f < kWarmupFrames; f += block) process();
  for (auto _ : state) {
    process();
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
  host.StopProcessing();
}

void BM_Vst24Float(benchmark::State& state) { Vst<float>(state); }
void BM_Vst24Double(benchmark::State& state) { Vst<double>(state); }
void BM_Clap32(benchmark::State& state) { Clap<float>(state); }
void BM_Clap64(benchmark::State& state) { Clap<double>(state); }

BENCHMARK(BM_Vst24Float)->ArgName("block")->Arg(64)->Arg(512);
BENCHMARK(BM_Clap32)->ArgName("block")->Arg(64)->Arg(512);
BENCHMARK(BM_Vst24Double)->ArgName("block")->Arg(64)->Arg(512);
BENCHMARK(BM_Clap64)->ArgName("block")->Arg(64)->Arg(512);

}  // namespace
