#include "tests/vst3/vst3_scenarios.h"

#include <cstring>

#include "tests/vst3/vst3_test_support.h"

namespace {

// The restore payload: one program's values (delay rate, position, width, feedback, dry,
// wet) as a VST 2.4 program chunk.
const double kRestoreValues[6] = {6, 1, 90, 69, 60, 40};
constexpr int kRestoreProgram = 14;

void PutWord(std::vector<unsigned char>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<unsigned char>(v >> (8 * i)));
}

std::vector<unsigned char> RestoreChunk() {
  std::vector<unsigned char> chunk = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  for (double v : kRestoreValues) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof(bits));
    for (int i = 0; i < 8; ++i) chunk.push_back(static_cast<unsigned char>(bits >> (8 * i)));
  }
  return chunk;
}

std::vector<unsigned char> RestoreState() {
  const std::vector<unsigned char> chunk = RestoreChunk();
  std::vector<unsigned char> state = {'Q', '2', 'V', '3'};
  PutWord(&state, 1);
  PutWord(&state, static_cast<uint32_t>(8 + chunk.size()));
  PutWord(&state, kRestoreProgram);
  PutWord(&state, static_cast<uint32_t>(chunk.size()));
  state.insert(state.end(), chunk.begin(), chunk.end());
  return state;
}

// One block's input from the signal, run by process, both output channels appended.
template <class ProcessFloat, class ProcessDouble>
void RunBlock(TestSignal& signal, int block, bool wide, std::vector<double>* out,
              ProcessFloat processFloat, ProcessDouble processDouble) {
  std::vector<double> l(block), r(block), ol(block), orr(block);
  signal.Fill(l.data(), r.data(), block);
  if (wide) {
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {ol.data(), orr.data()};
    processDouble(ins, outs);
  } else {
    std::vector<float> fl(l.begin(), l.end()), fr(r.begin(), r.end()), fol(block), forr(block);
    float* ins[2] = {fl.data(), fr.data()};
    float* outs[2] = {fol.data(), forr.data()};
    processFloat(ins, outs);
    ol.assign(fol.begin(), fol.end());
    orr.assign(forr.begin(), forr.end());
  }
  out->insert(out->end(), ol.begin(), ol.end());
  out->insert(out->end(), orr.begin(), orr.end());
}

}  // namespace

const std::vector<Scenario>& IdentityScenarios() {
  static const std::vector<Scenario> scenarios = {
      {"defaults-120", 44100.0, 120.0, 0,
       {{3, 0, 9.0f / 24}, {5, 1, 1.0f}, {9, 3, 0.8f}, {14, 2, 0.3f}}, 0, 3.0},
      {"etheric-97.5", 48000.0, 97.5, 4, {{6, 0, 6.0f / 24}, {7, 5, 0.25f}}, 0, 3.0},
      {"programs-150", 44100.0, 150.0, 1,
       {{4, kProgramChange, 7}, {8, kProgramChange, 12}, {8, 4, 0.3f}, {13, kProgramChange, 20}},
       0, 3.0},
      {"tempo-late", 44100.0, 133.0, 9, {{10, 1, 2.0f / 3}}, 7, 3.0},
      {"no-tempo", 44100.0, 0.0, 5, {{2, 3, 0.4f}}, 0, 1.0},
      {"state-restore", 44100.0, 90.0, 2, {{5, 3, 0.95f}, {9, kStateRestore, 0}, {12, 0, 3.0f / 24}},
       0, 3.0},
  };
  return scenarios;
}

int ScenarioBlocks(const Scenario& scenario, int block) {
  return static_cast<int>(scenario.seconds * scenario.rate / block) + 1;
}

bool RenderVst2Scenario(const std::string& modulePath, const Scenario& s, int block, bool wide,
                        std::vector<double>* out, std::string* error) {
  Vst2Module module(modulePath.c_str());
  if (!module.Entry()) {
    *error = "cannot load " + modulePath;
    return false;
  }
  TestHost host;
  AEffect* e = host.Create(module.Entry());
  if (!e) {
    *error = "no instance from " + modulePath;
    return false;
  }
  host.Start(static_cast<float>(s.rate), block);
  host.Dispatch(effSetProgram, 0, s.program);
  TestSignal signal;
  const std::vector<unsigned char> chunk = RestoreChunk();
  for (int b = 0; b < ScenarioBlocks(s, block); ++b) {
    for (const ScenarioChange& c : s.changes) {
      if (c.atBlock != b) continue;
      if (c.param >= 0) {
        host.SetParameter(c.param, c.value);
      } else if (c.param == kProgramChange) {
        host.Dispatch(effSetProgram, 0, static_cast<int>(c.value));
      } else {
        // A VST 2.4 host restores the values through the program chunk.
        std::vector<unsigned char> copy = chunk;
        if (host.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(copy.size()), copy.data()) != 1) {
          *error = "effSetChunk refused the payload";
          return false;
        }
      }
    }
    host.tempo = s.bpm;
    host.tempoValid = s.bpm > 0 && b >= s.noTempoUntilBlock;
    RunBlock(
        signal, block, wide, out,
        [&](float** ins, float** outs) { e->processReplacing(e, ins, outs, block); },
        [&](double** ins, double** outs) { e->processDoubleReplacing(e, ins, outs, block); });
  }
  return true;
}

bool RenderVst3Scenario(const std::string& bundlePath, const Scenario& s, int block, bool wide,
                        std::vector<double>* out, std::string* error) {
  Vst3Module module;
  Vst3Plugin plugin;
  if (!module.Load(bundlePath, error) || !plugin.Create(module, error) ||
      !plugin.Setup(s.rate, block, wide, error)) {
    return false;
  }
  v3::ParamId programId = 0;
  int32_t steps = 0;
  if (!plugin.ProgramParam(&programId, &steps) || steps <= 0) {
    *error = "no program parameter";
    return false;
  }
  plugin.QueueParam(programId, static_cast<double>(s.program) / steps);
  plugin.Activate();
  TestSignal signal;
  const std::vector<unsigned char> state = RestoreState();
  bool ok = true;
  for (int b = 0; b < ScenarioBlocks(s, block); ++b) {
    for (const ScenarioChange& c : s.changes) {
      if (c.atBlock != b) continue;
      if (c.param >= 0) {
        const auto id = static_cast<v3::ParamId>(c.param);
        plugin.QueueParam(id, 1.0 - c.value, 0, true);
        plugin.QueueParam(id, c.value, block / 2, true);
      } else if (c.param == kProgramChange) {
        plugin.QueueParam(programId, c.value / steps, block - 1, true);
      } else if (plugin.LoadState(state) != v3::kResultOk) {
        *error = "setState refused the payload";
        return false;
      }
    }
    plugin.SetTempo(s.bpm, s.bpm > 0 && b >= s.noTempoUntilBlock);
    RunBlock(
        signal, block, wide, out,
        [&](float** ins, float** outs) { ok = plugin.Process(ins, outs, block) && ok; },
        [&](double** ins, double** outs) { ok = plugin.ProcessDouble(ins, outs, block) && ok; });
  }
  if (!ok) *error = "process did not answer kResultOk";
  return ok;
}
