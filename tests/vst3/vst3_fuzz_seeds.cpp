// Writes the seed corpus of fuzz_vst3 (tests/fuzz/corpus/fuzz_vst3): scripts that take an
// instance through a host's whole call order, process with queues and contexts of every
// kind, restore real and broken states, and touch the views, units and texts. The states
// come from a real instance.
//
//   vst3_fuzz_seeds OUTDIR    (writes OUTDIR/fuzz_vst3/<seed>)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/vst/fuzz_script.h"
#include "tests/vst3/vst3_fuzz_ops.h"
#include "tools/host/vst3_host.h"
#include "vst3/vst3_entry.h"

namespace {

std::filesystem::path gOut;
int gWritten = 0;

void Write(const std::string& name, const ScriptWriter& script) {
  const std::filesystem::path dir = gOut / "fuzz_vst3";
  std::filesystem::create_directories(dir);
  FILE* f = std::fopen((dir / name).c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
    std::exit(1);
  }
  const std::vector<uint8_t>& bytes = script.Data();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  ++gWritten;
}

// The host's usual start: initialize with a context, stereo buses, setup, activation.
void Start(ScriptWriter& s, int block, bool wide) {
  s.U8(kOpInitialize).U8(1);
  s.U8(kOpHandler).U8(1).U8(0);
  s.U8(kOpArrangement).I64(3).I64(3).U8(2 | 16).I32(0).I32(0).U8(0);
  s.U8(kOpBus).I32(0).I32(0).I32(0).U8(1).U8(0);
  s.U8(kOpSetup).I32(0).U8(wide ? 1 : 0).I32(block).U8(0).U8(0).U16(36).U8(0);
  s.U8(kOpActive).U8(1);
  s.U8(kOpProcessing).U8(1);
}

// A process call: flags, frames, channels, nulls, queues, context, data fields.
struct ProcessSeed {
  uint8_t flags = 0;
  int16_t frames = 512;
  uint8_t inChannels = 2, outChannels = 2, nulls = 0;
  std::vector<std::pair<uint8_t, std::vector<std::pair<int32_t, double>>>> queues;
  uint32_t state = (1u << 1) | (1u << 10);
  double tempo = 120.0;
  uint8_t inputs = 1, outputs = 1, noOutputChanges = 0, noContext = 0;
};

void Process(ScriptWriter& s, const ProcessSeed& p) {
  s.U8(kOpProcess).U8(p.flags).U16(static_cast<uint16_t>(p.frames)).U8(p.inChannels).U8(p.outChannels).U8(p.nulls);
  s.U8(static_cast<uint8_t>(p.queues.size()));
  for (const auto& queue : p.queues) {
    s.U8(queue.first);
    if (queue.first >= 20) s.I32(queue.first);  // an ID given whole
    s.U8(static_cast<uint8_t>(queue.second.size()));
    for (const auto& point : queue.second) s.I32(point.first).U8(255).F64(point.second);
  }
  s.I32(static_cast<int32_t>(p.state)).U8(1).U8(255).F64(p.tempo);
  s.I64(0).I32(4).I32(4).I32(0).U8(p.inputs).U8(p.outputs).U8(p.noOutputChanges).U8(p.noContext);
}

std::vector<unsigned char> RealState(int program, double feedback) {
  Vst3Module module;
  Vst3Plugin plugin;
  std::string error;
  if (!module.Attach(GetPluginFactory, &error) || !plugin.Create(module, &error)) std::exit(1);
  plugin.Controller()->setParamNormalized(0x50524F47, program / 23.0);
  plugin.Controller()->setParamNormalized(3, feedback);
  std::vector<unsigned char> bytes;
  if (!plugin.SaveState(&bytes)) std::exit(1);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vst3_fuzz_seeds OUTDIR\n");
    return 2;
  }
  gOut = argv[1];

  for (bool wide : {false, true}) {
    // A session: blocks with changes at the last point, a program change, state saved and
    // read back, then stopped and terminated.
    ScriptWriter s;
    Start(s, 512, wide);
    ProcessSeed p;
    p.flags = wide ? 1 : 0;
    Process(s, p);
    p.queues = {{0, {{0, 0.25}, {300, 0.5}}}, {3, {{511, 0.9}}}, {10, {{17, 5.0 / 23}}}};
    Process(s, p);
    s.U8(kOpGetState);
    s.U8(kOpSetParam).U8(12).U8(255).F64(9.0 / 23);
    p.queues.clear();
    p.state = 0;  // no valid tempo: dry only
    Process(s, p);
    s.U8(kOpProcessing).U8(0).U8(kOpActive).U8(0).U8(kOpTerminate);
    Write(wide ? "session-64" : "session-32", s);
  }

  {
    // Processing corners: a flush, in place, missing and short buses, bad offsets, NaN.
    ScriptWriter s;
    Start(s, 256, false);
    ProcessSeed flush;
    flush.frames = 0;
    flush.inputs = flush.outputs = 0;
    flush.queues = {{1, {{0, 1.0}}}};
    Process(s, flush);
    ProcessSeed inPlace;
    inPlace.flags = 2;
    inPlace.frames = 256;
    Process(s, inPlace);
    ProcessSeed broken;
    broken.frames = 300;  // beyond the block size announced
    broken.inChannels = 1;
    broken.outChannels = 3;
    broken.nulls = 0x21;
    broken.queues = {{4, {{-5, 0.5}, {100000, 0.7}}}, {200, {{0, 0.1}}}, {2, {{3, 1e300}}}};
    broken.tempo = -1.0;
    Process(s, broken);
    s.U8(kOpInput).U8(3);
    Process(s, inPlace);
    Write("process-corners", s);
  }

  {
    // Setup out of range, arrangements refused, activation without setup.
    ScriptWriter s;
    s.U8(kOpActive).U8(1).U8(kOpProcessing).U8(1);
    s.U8(kOpSetup).I32(7).U8(2).I32(-1).U8(1).U8(1).U8(8).U8(0);
    s.U8(kOpArrangement).I64(1 << 19).I64(3).U8(2 | 16).I32(2).I32(1).U8(1);
    ProcessSeed p;
    p.frames = 2048;
    Process(s, p);
    s.U8(kOpActive).U8(1).U8(kOpActive).U8(1).U8(kOpActive).U8(0);
    Write("lifecycle-abuse", s);
  }

  {
    // Real states restored whole, edited, cut, read in pieces, and through the controller.
    const std::vector<unsigned char> state = RealState(11, 0.3);
    ScriptWriter whole;
    Start(whole, 512, false);
    whole.U8(kOpSetState).U8(0).U16(static_cast<uint16_t>(state.size())).Bytes(state.data(), state.size());
    whole.U8(kOpSetState).U8(4 | 8).U16(static_cast<uint16_t>(state.size())).Bytes(state.data(), state.size()).U8(2);
    whole.U8(kOpGetState);
    Write("state-whole", whole);
    ScriptWriter edited;
    edited.U8(kOpSetState).U8(1 | 2).U8(3).U16(30).U8(0x7F).U16(8).U8(0xFF).U16(14).U8(0x01).U16(60);
    edited.U8(kOpSetState).U8(1).U8(1).U16(20).U8(0x40);
    Write("state-edited", edited);
  }

  {
    // Views, units, texts, interfaces, handler.
    ScriptWriter s;
    s.U8(kOpInitialize).U8(1);
    s.U8(kOpView).U8(0).U8(0).U8(0).U8(1).U8(255).F64(2.0).U8(255).F64(1.5);
    s.U8(kOpUnits).I32(1).I32(23).U8(0).I32(0).U8(0).I32(0).U8(0).I32(0).I32(0).I32(0).I32(0).U8(0);
    s.U8(kOpParamText).U8(0).U8(255).F64(0.5).U8(0);
    for (char16_t c : std::u16string(u"1/8D")) s.U16(c);
    for (int i = 4; i < 128; ++i) s.U16(0);
    s.U8(255).F64(0.5).U8(255).F64(12).I32(3).U8(0);
    const v3::Id controller = v3::EditController::kId;
    s.U8(kOpQuery).Bytes(controller.bytes, 16);
    s.U8(kOpHandler).U8(0).U8(3);
    Write("views-units-texts", s);
  }

  std::printf("vst3_fuzz_seeds: %d seeds\n", gWritten);
  return 0;
}
