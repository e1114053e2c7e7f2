#include "tests/clap/clap_scenarios.h"

#include <algorithm>
#include <cstring>

#include "tests/support/test_host.h"

namespace {

constexpr int kParams = 6;
// Highest plain value of each parameter (Delay Rate, Position, Pan Width, Feedback, Dry
// Mix, Wet Mix): what a VST 2.4 host divides by to send a normalized value.
constexpr double kHighest[kParams] = {24, 3, 100, 99, 100, 100};

struct FactoryProgram {
  int index;
  double values[kParams];
};
// The effect's factory programs used below (effect/quelora2.cpp); the VST 2.4 side selects
// them by index, so a table that disagreed would show as different samples.
const FactoryProgram kPrograms[] = {
    {0, {12, 0, 90, 60, 100, 50}},  {1, {9, 2, 90, 60, 70, 60}},   {4, {1, 3, 100, 90, 90, 50}},
    {6, {21, 0, 100, 60, 60, 50}},  {10, {9, 3, 90, 90, 70, 50}},  {13, {12, 2, 90, 60, 0, 90}},
};

const double* ProgramValues(int program) {
  for (const FactoryProgram& p : kPrograms) {
    if (p.index == program) return p.values;
  }
  return nullptr;
}

// Noise made with integer arithmetic only: a burst every 4096 frames on the left, quieter
// steady noise on the right, silence in the last third so the echoes ring out alone.
struct InputSignal {
  uint32_t state = 12345u;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<int32_t>(state)) / 2147483648.0;
  }
  void Make(int frames, std::vector<double>* left, std::vector<double>* right) {
    left->resize(static_cast<size_t>(frames));
    right->resize(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
      const double a = Next();
      const double b = Next();
      const bool quiet = i >= frames * 2 / 3;
      (*left)[static_cast<size_t>(i)] = quiet ? 0.0 : ((i % 4096) < 300 ? a * 0.8 : 0.0);
      (*right)[static_cast<size_t>(i)] = quiet ? 0.0 : b * 0.05;
    }
  }
};

void PutWord(std::vector<uint8_t>* bytes, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

template <class Sample>
void Widen(const std::vector<Sample>& from, int start, int n, std::vector<double>* to) {
  for (int i = 0; i < n; ++i) (*to)[static_cast<size_t>(start + i)] = static_cast<double>(from[static_cast<size_t>(i)]);
}

// The changes that fall into the block [start, start + n), in order. (A program change
// and a parameter change never share a block here: the CLAP side loads programs before
// the block and applies parameter events inside it.)
template <class Apply>
void ChangesInBlock(const Scenario& s, int start, int n, Apply apply) {
  for (const ScenarioChange& c : s.changes) {
    if (c.frame >= start && c.frame < start + n) apply(c);
  }
}

}  // namespace

const std::vector<Scenario>& IdentityScenarios() {
  using C = ScenarioChange;
  static const std::vector<Scenario> scenarios = {
      {"classic delay 120 BPM", 44100.0, 120.0, 1, 48000,
       {{12000, C::kParam, 0, 12}, {12100, C::kParam, 3, 80}, {30000, C::kParam, 1, 3}}},
      {"etheric room 97.5 BPM at 48 kHz, program and tempo changes", 48000.0, 97.5, 4, 48000,
       {{16000, C::kProgram, 10, 0}, {21000, C::kParam, 2, 30}, {27000, C::kTempo, 0, 140.0}}},
      {"distant echoes without a tempo, with one, without, with another", 44100.0, 0.0, 6, 40000,
       {{9000, C::kTempo, 0, 150.0}, {15000, C::kTempo, 0, 0.0}, {19000, C::kTempo, 0, 110.0},
        {22000, C::kParam, 0, 9}, {22000, C::kParam, 3, 95}, {22000, C::kParam, 5, 90}}},
      {"only delay 133.3 BPM at 96 kHz, two values in one block", 96000.0, 133.3, 13, 48000,
       {{5000, C::kParam, 0, 3}, {5001, C::kParam, 0, 7}, {14000, C::kParam, 1, 1},
        {20000, C::kProgram, 0, 0}}},
  };
  return scenarios;
}

const std::vector<int>& IdentityBlockSizes() {
  static const std::vector<int> sizes = {64, 333, 4096};
  return sizes;
}

std::vector<uint8_t> ClapStateForProgram(int program) {
  const double* values = ProgramValues(program);
  std::vector<uint8_t> chunk = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  for (int i = 0; i < kParams; ++i) {
    uint64_t bits = 0;
    const double v = values ? values[i] : 0.0;
    std::memcpy(&bits, &v, sizeof(bits));
    for (int b = 0; b < 8; ++b) chunk.push_back(static_cast<uint8_t>(bits >> (8 * b)));
  }
  std::vector<uint8_t> state;
  PutWord(&state, 0x73436C51);  // "QlCs"
  PutWord(&state, 1);
  PutWord(&state, static_cast<uint32_t>(program));
  PutWord(&state, static_cast<uint32_t>(chunk.size()));
  state.insert(state.end(), chunk.begin(), chunk.end());
  return state;
}

bool RenderVstScenario(VstPluginMainProc entry, const Scenario& s, int block, bool use64,
                       Rendered* out, std::string* error) {
  TestHost host;
  AEffect* e = host.Create(entry);
  if (!e) {
    *error = "no VST 2.4 instance";
    return false;
  }
  host.tempo = s.tempo;
  host.tempoValid = s.tempo > 0.0;
  host.Start(static_cast<float>(s.sampleRate), block);
  host.Dispatch(effSetProgram, 0, s.program);
  std::vector<double> inL, inR;
  InputSignal().Make(s.frames, &inL, &inR);
  out->left.assign(static_cast<size_t>(s.frames), 0.0);
  out->right.assign(static_cast<size_t>(s.frames), 0.0);
  std::vector<float> f0(block), f1(block), g0(block), g1(block);
  std::vector<double> d0(block), d1(block), h0(block), h1(block);
  for (int start = 0; start < s.frames; start += block) {
    const int n = std::min(block, s.frames - start);
    ChangesInBlock(s, start, n, [&](const ScenarioChange& c) {
      if (c.kind == ScenarioChange::kParam) {
        host.SetParameter(c.index, static_cast<float>(c.value / kHighest[c.index]));
      } else if (c.kind == ScenarioChange::kProgram) {
        host.Dispatch(effSetProgram, 0, c.index);
      } else {
        host.tempo = c.value;
        host.tempoValid = c.value > 0.0;
      }
    });
    if (use64) {
      for (int i = 0; i < n; ++i) {
        d0[i] = inL[static_cast<size_t>(start + i)];
        d1[i] = inR[static_cast<size_t>(start + i)];
      }
      double* ins[2] = {d0.data(), d1.data()};
      double* outs[2] = {h0.data(), h1.data()};
      e->processDoubleReplacing(e, ins, outs, n);
      Widen(h0, start, n, &out->left);
      Widen(h1, start, n, &out->right);
    } else {
      for (int i = 0; i < n; ++i) {
        f0[i] = static_cast<float>(inL[static_cast<size_t>(start + i)]);
        f1[i] = static_cast<float>(inR[static_cast<size_t>(start + i)]);
      }
      float* ins[2] = {f0.data(), f1.data()};
      float* outs[2] = {g0.data(), g1.data()};
      e->processReplacing(e, ins, outs, n);
      Widen(g0, start, n, &out->left);
      Widen(g1, start, n, &out->right);
    }
  }
  host.Dispatch(effMainsChanged, 0, 0);
  return true;
}

bool RenderClapScenario(const ClapModuleFile& module, const Scenario& s, int block, bool use64,
                        Rendered* out, std::string* error) {
  ClapAudioThread audio;
  ClapPluginHost host;
  host.SetAudioThread(audio.Id());
  if (!host.Create(module, nullptr, error)) return false;
  if (!host.Activate(s.sampleRate, 1, static_cast<uint32_t>(block))) {
    *error = "activate failed";
    return false;
  }
  host.transport.hasTempo = s.tempo > 0.0;
  host.transport.tempo = s.tempo;
  if (!host.LoadState(ClapStateForProgram(s.program))) {
    *error = "the program's state was refused";
    return false;
  }
  std::vector<double> inL, inR;
  InputSignal().Make(s.frames, &inL, &inR);
  out->left.assign(static_cast<size_t>(s.frames), 0.0);
  out->right.assign(static_cast<size_t>(s.frames), 0.0);
  std::vector<float> f0(block), f1(block), g0(block), g1(block);
  std::vector<double> d0(block), d1(block), h0(block), h1(block);
  bool ok = true;
  audio.Run([&] { ok = host.StartProcessing(); });
  for (int start = 0; start < s.frames && ok; start += block) {
    const int n = std::min(block, s.frames - start);
    ChangesInBlock(s, start, n, [&](const ScenarioChange& c) {
      if (c.kind == ScenarioChange::kParam) {
        host.QueueParamValue(static_cast<clapabi::Id>(c.index), c.value,
                             static_cast<uint32_t>(c.frame - start));
      } else if (c.kind == ScenarioChange::kProgram) {
        ok = ok && host.LoadState(ClapStateForProgram(c.index));
      } else {
        host.transport.hasTempo = c.value > 0.0;
        host.transport.tempo = c.value;
      }
    });
    audio.Run([&] {
      if (use64) {
        for (int i = 0; i < n; ++i) {
          d0[i] = inL[static_cast<size_t>(start + i)];
          d1[i] = inR[static_cast<size_t>(start + i)];
        }
        const double* ins[2] = {d0.data(), d1.data()};
        double* outs[2] = {h0.data(), h1.data()};
        ok = ok && host.Process(ins, outs, static_cast<uint32_t>(n)) == clapabi::kProcessContinue;
        Widen(h0, start, n, &out->left);
        Widen(h1, start, n, &out->right);
      } else {
        for (int i = 0; i < n; ++i) {
          f0[i] = static_cast<float>(inL[static_cast<size_t>(start + i)]);
          f1[i] = static_cast<float>(inR[static_cast<size_t>(start + i)]);
        }
        const float* ins[2] = {f0.data(), f1.data()};
        float* outs[2] = {g0.data(), g1.data()};
        ok = ok && host.Process(ins, outs, static_cast<uint32_t>(n)) == clapabi::kProcessContinue;
        Widen(g0, start, n, &out->left);
        Widen(g1, start, n, &out->right);
      }
    });
  }
  audio.Run([&] { host.StopProcessing(); });
  host.Destroy();
  if (!ok) {
    *error = "processing failed";
    return false;
  }
  const std::vector<std::string> violations = host.Violations();
  if (!violations.empty()) {
    *error = "thread rule: " + violations.front();
    return false;
  }
  return true;
}

namespace {

template <class RenderOne>
bool RenderAll(std::vector<double>* samples, RenderOne render) {
  samples->clear();
  for (int precision = 0; precision < 2; ++precision) {
    for (const Scenario& s : IdentityScenarios()) {
      for (int block : IdentityBlockSizes()) {
        Rendered r;
        if (!render(s, block, precision == 1, &r)) return false;
        samples->insert(samples->end(), r.left.begin(), r.left.end());
        samples->insert(samples->end(), r.right.begin(), r.right.end());
      }
    }
  }
  return true;
}

}  // namespace

bool RenderAllVst(VstPluginMainProc entry, std::vector<double>* samples, std::string* error) {
  return RenderAll(samples, [&](const Scenario& s, int block, bool use64, Rendered* r) {
    return RenderVstScenario(entry, s, block, use64, r, error);
  });
}

bool RenderAllClap(const ClapModuleFile& module, std::vector<double>* samples, std::string* error) {
  return RenderAll(samples, [&](const Scenario& s, int block, bool use64, Rendered* r) {
    return RenderClapScenario(module, s, block, use64, r, error);
  });
}
