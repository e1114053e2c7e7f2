// The VST 3 build next to the VST 2.4 build, both loaded from their built modules the way a
// host loads them (dlopen, entry point, instance), and the two ways of applying a block's
// parameter changes:
// - per-frame cost at steady state, 64- and 512-frame blocks, 44.1 kHz, 120 BPM, ping pong,
//   single and double precision: VST 2.4 processReplacing / processDoubleReplacing against
//   VST 3 process (with a process context and an empty change list, as hosts call it);
// - load time: module loaded, instance created and set up, one block, everything torn down
//   and unloaded again; and the instance alone with the module already loaded;
// - the adapter's block-level changes (the last point of each queue before the block, what
//   the module does) against splitting the block at every point, for 0, 1, 4 and 16
//   changes per 512-frame block (in-process, the same effect; the split variant is built
//   here only, to be measured).
// The "ns/frame" counter is the time per stereo frame.
#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "effect/quelora2.h"
#include "tools/host/vst3_host.h"
#include "vst/aeffect.h"

namespace {

VstTimeInfo gTime;

VstIntPtr BenchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&gTime);
  if (opcode == audioMasterVersion) return 2400;
  return 0;
}

void ReportPerFrame(benchmark::State& state, int block) {
  state.SetItemsProcessed(state.iterations() * block);
  state.counters["ns/frame"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * block,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

struct Buffers {
  std::vector<float> in0, in1, out0, out1;
  std::vector<double> din0, din1, dout0, dout1;
  explicit Buffers(int block)
      : in0(block), in1(block), out0(block), out1(block), din0(block), din1(block), dout0(block),
        dout1(block) {
    for (int i = 0; i < block; ++i) {
      in0[i] = std::sin(0.01f * static_cast<float>(i));
      in1[i] = std::cos(0.013f * static_cast<float>(i));
      din0[i] = in0[i];
      din1[i] = in1[i];
    }
  }
};

// The warm-up that takes the effect past its first fade and pan glide and once through
// its whole line.
int WarmupBlocks(int block) { return 2 * 8 * 88200 / block + 200; }

// --- VST 2.4 module ----------------------------------------------------------------------

struct Vst2Instance {
  void* library = nullptr;
  AEffect* effect = nullptr;
  bool Open(int block) {
    library = dlopen(QUELORA_VST2_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
    auto entry = reinterpret_cast<VstPluginMainProc>(dlsym(library, "VSTPluginMain"));
    effect = entry ? entry(BenchHost) : nullptr;
    if (!effect) return false;
    std::memset(&gTime, 0, sizeof(gTime));
    gTime.tempo = 120.0;
    gTime.flags = kVstTempoValid;
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.f);
    effect->dispatcher(effect, effSetBlockSize, 0, block, nullptr, 0.f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.f);
    effect->setParameter(effect, kPosition, 2.f / 3.f);
    return true;
  }
  void Process(Buffers& b, int block, bool wide) {
    if (wide) {
      double* ins[2] = {b.din0.data(), b.din1.data()};
      double* outs[2] = {b.dout0.data(), b.dout1.data()};
      effect->processDoubleReplacing(effect, ins, outs, block);
    } else {
      float* ins[2] = {b.in0.data(), b.in1.data()};
      float* outs[2] = {b.out0.data(), b.out1.data()};
      effect->processReplacing(effect, ins, outs, block);
    }
  }
  void Close() {
    if (effect) {
      effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.f);
      effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
    }
    effect = nullptr;
    if (library) dlclose(library);
    library = nullptr;
  }
};

// --- VST 3 module ------------------------------------------------------------------------

struct Vst3Instance {
  Vst3Module module;
  Vst3Plugin plugin;
  bool Open(int block, bool wide) {
    std::string error;
    if (!module.Load(QUELORA_VST3_BUNDLE, &error) || !plugin.Create(module, &error) ||
        !plugin.Setup(44100.0, block, wide, &error)) {
      return false;
    }
    plugin.SetTempo(120.0, true);
    plugin.Controller()->setParamNormalized(kPosition, 2.0 / 3.0);
    plugin.Activate();
    return true;
  }
  void Process(Buffers& b, int block, bool wide) {
    if (wide) {
      double* ins[2] = {b.din0.data(), b.din1.data()};
      double* outs[2] = {b.dout0.data(), b.dout1.data()};
      plugin.ProcessDouble(ins, outs, block);
    } else {
      float* ins[2] = {b.in0.data(), b.in1.data()};
      float* outs[2] = {b.out0.data(), b.out1.data()};
      plugin.Process(ins, outs, block);
    }
  }
  void Close() {
    plugin.Destroy();
    module.Unload();
  }
};

template <class Instance>
void Steady(benchmark::State& state, Instance& instance, bool opened) {
  const int block = static_cast<int>(state.range(0));
  const bool wide = state.range(1) != 0;
  if (!opened) {
    state.SkipWithError("the module could not be opened");
    return;
  }
  Buffers buffers(block);
  for (int i = 0; i < WarmupBlocks(block); ++i) instance.Process(buffers, block, wide);
  for (auto _ : state) {
    instance.Process(buffers, block, wide);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
}

void BM_Vst2Steady(benchmark::State& state) {
  Vst2Instance instance;
  const bool opened = instance.Open(static_cast<int>(state.range(0)));
  Steady(state, instance, opened);
  instance.Close();
}
BENCHMARK(BM_Vst2Steady)->ArgNames({"block", "double"})->ArgsProduct({{64, 512}, {0, 1}});

void BM_Vst3Steady(benchmark::State& state) {
  Vst3Instance instance;
  const bool opened = instance.Open(static_cast<int>(state.range(0)), state.range(1) != 0);
  Steady(state, instance, opened);
  instance.Close();
}
BENCHMARK(BM_Vst3Steady)->ArgNames({"block", "double"})->ArgsProduct({{64, 512}, {0, 1}});

// Load, set up, one block, tear down, unload.
void BM_Vst2LoadCycle(benchmark::State& state) {
  Buffers buffers(512);
  for (auto _ : state) {
    Vst2Instance instance;
    if (!instance.Open(512)) {
      state.SkipWithError("the module could not be opened");
      break;
    }
    instance.Process(buffers, 512, false);
    instance.Close();
  }
}
BENCHMARK(BM_Vst2LoadCycle)->Unit(benchmark::kMicrosecond);

void BM_Vst3LoadCycle(benchmark::State& state) {
  Buffers buffers(512);
  for (auto _ : state) {
    Vst3Instance instance;
    if (!instance.Open(512, false)) {
      state.SkipWithError("the module could not be opened");
      break;
    }
    instance.Process(buffers, 512, false);
    instance.Close();
  }
}
BENCHMARK(BM_Vst3LoadCycle)->Unit(benchmark::kMicrosecond);

// The instance alone: the module stays loaded.
void BM_Vst2Instance(benchmark::State& state) {
  void* library = dlopen(QUELORA_VST2_MODULE, RTLD_NOW | RTLD_LOCAL);
  auto entry = library ? reinterpret_cast<VstPluginMainProc>(dlsym(library, "VSTPluginMain")) : nullptr;
  for (auto _ : state) {
    AEffect* e = entry ? entry(BenchHost) : nullptr;
    if (!e) {
      state.SkipWithError("no instance");
      break;
    }
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
  }
  if (library) dlclose(library);
}
BENCHMARK(BM_Vst2Instance)->Unit(benchmark::kMicrosecond);

void BM_Vst3Instance(benchmark::State& state) {
  Vst3Module module;
  std::string error;
  const bool loaded = module.Load(QUELORA_VST3_BUNDLE, &error);
  for (auto _ : state) {
    Vst3Plugin plugin;
    if (!loaded || !plugin.Create(module, &error)) {
      state.SkipWithError("no instance");
      break;
    }
    plugin.Destroy();
  }
}
BENCHMARK(BM_Vst3Instance)->Unit(benchmark::kMicrosecond);

// --- Block-level changes against splitting the block at the points ----------------------

// The effect on the VST 3 adapter, processing each block in pieces that end at the points
// of its queues, every point applied where it lies.
class SplitAtPoints : public VSTCLASS {
 public:
  explicit SplitAtPoints(const Vst3HostLink* link) : VSTCLASS(link) {}

  v3::Result V3_CALL process(v3::ProcessData* data) override {
    if (!data) return v3::kInvalidArgument;
    MutexGuard guard(PluginLock());
    ReadProcessContext(data->processContext);
    struct Point {
      int32_t offset;
      int index;
      double value;
    };
    Point points[64];
    int count = 0;
    v3::ParamChanges* changes = data->inputParameterChanges;
    const int32_t queues = changes ? changes->getParameterCount() : 0;
    for (int32_t q = 0; q < queues && count < 64; ++q) {
      v3::ParamValueQueue* queue = changes->getParameterData(q);
      const v3::ParamId id = queue ? queue->getParameterId() : 0xFFFFFFFFu;
      if (id >= static_cast<v3::ParamId>(ParamCount())) continue;
      for (int32_t p = 0; p < queue->getPointCount() && count < 64; ++p) {
        Point& point = points[count];
        if (queue->getPoint(p, &point.offset, &point.value) != v3::kResultOk) continue;
        point.index = static_cast<int>(id);
        point.offset = std::max(0, std::min(point.offset, data->numSamples));
        ++count;
      }
    }
    std::sort(points, points + count, [](const Point& a, const Point& b) { return a.offset < b.offset; });
    int done = 0;
    int next = 0;
    while (done < data->numSamples) {
      while (next < count && points[next].offset <= done) {
        SetParamFromHost(points[next].index, points[next].value);
        ++next;
      }
      const int end = next < count ? points[next].offset : data->numSamples;
      RenderBuses(*data, done, end - done);
      done = end;
    }
    ReportOutputChanges(data->outputParameterChanges);
    return v3::kResultOk;
  }
};

// Drives one in-process instance's processor directly: setup, activation, blocks with the
// changes of that block.
struct Driver {
  IPlugVST3* plug;
  v3::ProcessContext context = {};
  Vst3ParamChangeList changes;
  Driver(IPlugVST3* instance, int block) : plug(instance) {
    v3::ProcessSetup setup = {v3::kRealtime, v3::kSample32, block, 44100.0};
    plug->setupProcessing(&setup);
    plug->setParamNormalized(kPosition, 2.0 / 3.0);
    plug->setActive(1);
    plug->setProcessing(1);
    context.state = v3::kTempoValid;
    context.tempo = 120.0;
    context.sampleRate = 44100.0;
  }
  void Process(Buffers& b, int block) {
    v3::AudioBuffers in = {};
    v3::AudioBuffers out = {};
    float* ins[2] = {b.in0.data(), b.in1.data()};
    float* outs[2] = {b.out0.data(), b.out1.data()};
    in.numChannels = out.numChannels = 2;
    in.channels32 = ins;
    out.channels32 = outs;
    v3::ProcessData data = {};
    data.symbolicSampleSize = v3::kSample32;
    data.numSamples = block;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = &changes;
    data.processContext = &context;
    plug->process(&data);
    changes.Clear();
  }
};

void ChangesPerBlock(benchmark::State& state, IPlugVST3* plug) {
  const int block = 512;
  const int points = static_cast<int>(state.range(0));
  Driver driver(plug, block);
  Buffers buffers(block);
  for (int i = 0; i < WarmupBlocks(block); ++i) driver.Process(buffers, block);
  int turn = 0;
  for (auto _ : state) {
    // Feedback and wet level move at evenly spaced points (no delay change, so no fade
    // makes the variants differ in their work).
    for (int p = 0; p < points; ++p) {
      const int32_t offset = (p + 1) * block / (points + 1);
      const double value = ((turn + p) % 2) ? 0.4 : 0.6;
      driver.changes.Add(p % 2 ? kWetMix : kFeedback, offset, value);
    }
    ++turn;
    driver.Process(buffers, block);
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state, block);
  plug->setActive(0);
}

void BM_Vst3ChangesAtBlockLevel(benchmark::State& state) {
  const Vst3HostLink link = {0};
  VSTCLASS* plug = new VSTCLASS(&link);
  ChangesPerBlock(state, plug);
  plug->release();
}
BENCHMARK(BM_Vst3ChangesAtBlockLevel)->ArgName("points")->Arg(0)->Arg(1)->Arg(4)->Arg(16);

void BM_Vst3ChangesSplitAtPoints(benchmark::State& state) {
  const Vst3HostLink link = {0};
  SplitAtPoints* plug = new SplitAtPoints(&link);
  ChangesPerBlock(state, plug);
  plug->release();
}
BENCHMARK(BM_Vst3ChangesSplitAtPoints)->ArgName("points")->Arg(0)->Arg(1)->Arg(4)->Arg(16);

}  // namespace

BENCHMARK_MAIN();
