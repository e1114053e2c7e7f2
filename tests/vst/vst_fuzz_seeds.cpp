// Writes the seed corpora of the in-process fuzz targets from a real instance: program and
// bank chunks of every factory program (with header, bare, of an older version and cut
// short), dispatcher scripts touching every opcode, hostile-host scripts, and typed
// values of every parameter.
//
//   vst_fuzz_seeds OUTDIR    (writes OUTDIR/<target>/<seed>)
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "effect/quelora2.h"
#include "tests/vst/fuzz_host.h"
#include "tests/vst/fuzz_script.h"
#include "tests/vst/hostile_ops.h"
#include "vst/entry.h"
#include "vst/private_calls.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::filesystem::path gOut;
int gWritten = 0;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  const std::filesystem::path dir = gOut / target;
  std::filesystem::create_directories(dir);
  FILE* f = fopen((dir / name).c_str(), "wb");
  if (!f) {
    fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
    exit(1);
  }
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  ++gWritten;
}

Bytes Prefixed(uint8_t first, const Bytes& rest) {
  Bytes out(1, first);
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

AEffect* NewInstance() {
  ResetFuzzHost();
  AEffect* e = VSTPluginMain(FuzzHostCallback);
  if (!e) exit(1);
  return e;
}

Bytes GetChunk(AEffect* e, bool bank) {
  void* block = nullptr;
  const VstIntPtr n = e->dispatcher(e, effGetChunk, bank ? 0 : 1, 0, &block, 0.f);
  if (n <= 0 || !block) exit(1);
  return Bytes(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + n);
}

Bytes Cut(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }
Bytes From(const Bytes& b, size_t n) { return Bytes(b.begin() + std::min(n, b.size()), b.end()); }
Bytes WithVersion(Bytes b, int32_t version) {
  memcpy(b.data() + 4, &version, 4);
  return b;
}

// A chunk seed for both chunk targets: the plug-in-level reader gets the default
// configuration byte, the round trip the host index (0 bank, 1 program).
void ChunkSeed(const std::string& name, const Bytes& chunk, bool bank) {
  Write("fuzz_chunks", name, Prefixed(0, chunk));
  Write("fuzz_chunk_roundtrip", name, Prefixed(bank ? 0 : 1, chunk));
}

void ChunkSeeds(Bytes* programChunk, Bytes* bankChunk) {
  for (int p = 0; p < kNumPresets; ++p) {
    AEffect* e = NewInstance();
    e->dispatcher(e, effSetProgram, 0, p, nullptr, 0.f);
    const Bytes program = GetChunk(e, false);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
    char name[64];
    snprintf(name, sizeof(name), "program-%02d", p);
    ChunkSeed(name, program, false);
    ChunkSeed(std::string(name) + "-bare", From(program, 8), false);
    if (p % 4 == 0) {
      ChunkSeed(std::string(name) + "-old", WithVersion(program, 0), true);
      ChunkSeed(std::string(name) + "-cut-value", Cut(program, 8 + 3 * 8 + 4), false);
      ChunkSeed(std::string(name) + "-cut-header", Cut(program, 6), false);
    }
    if (p == 1) *programChunk = program;
  }

  AEffect* e = NewInstance();
  const Bytes bank = GetChunk(e, true);
  *bankChunk = bank;
  ChunkSeed("bank-factory", bank, true);
  ChunkSeed("bank-bare", From(bank, 8), true);
  ChunkSeed("bank-old", WithVersion(bank, 0xFFFF), true);
  ChunkSeed("bank-newer", WithVersion(bank, 0x20000), true);
  // Cut inside the header, the first name's length, its text, before its flag, inside
  // its values, and one byte short of the end.
  int32_t firstName = 0;
  memcpy(&firstName, bank.data() + 8, 4);
  const size_t afterName = 12 + static_cast<size_t>(firstName);
  const size_t cuts[] = {6, 10, 14, afterName, afterName + 1 + 20, bank.size() - 1};
  for (size_t cut : cuts) ChunkSeed("bank-cut-" + std::to_string(cut), Cut(bank, cut), true);

  // Every program visited (the empty slots become user presets) and the first renamed
  // to the longest name a slot holds.
  for (int p = kNumPresets - 1; p >= 0; --p) {
    e->dispatcher(e, effSetProgram, 0, p, nullptr, 0.f);
  }
  std::string longName(PresetSlot::kMaxNameLength, 'n');
  e->dispatcher(e, effSetProgramName, 0, 0, &longName[0], 0.f);
  ChunkSeed("bank-visited", GetChunk(e, true), true);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);

  // Reader configurations beyond the default (see fuzz_chunks.cpp).
  const uint8_t configs[] = {0x08, 0x10, 0x41, 0x85, 0x02};
  for (uint8_t config : configs) {
    Write("fuzz_chunks", "bank-config-" + std::to_string(config), Prefixed(config, bank));
  }
  Bytes rawStart = Prefixed(0x20, Prefixed(12, bank));
  Write("fuzz_chunks", "bank-raw-start", rawStart);
}

const char* const kCanDo[] = {"receiveVstTimeInfo", "sendVstEvents", "sendVstMidiEvent",
                              "receiveVstEvents", "receiveVstMidiEvent", "hasCockosExtensions",
                              "hasCockosViewAsConfig", "unknownCapability"};

// The arguments a well-behaved host would give each opcode.
void AddCall(ScriptWriter& w, int opcode, const Bytes& programChunk) {
  const std::string chunkText(programChunk.begin(), programChunk.end());
  switch (opcode) {
    case effSetProgram: WriteDispatch(w, opcode, 0, 3, 0.f, ""); break;
    case effSetProgramName: WriteDispatch(w, opcode, 0, 0, 0.f, "renamed"); break;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName: WriteDispatch(w, opcode, 2, 0, 0.f, ""); break;
    case effSetSampleRate: WriteDispatch(w, opcode, 0, 0, 48000.f, ""); break;
    case effSetBlockSize: WriteDispatch(w, opcode, 0, 512, 0.f, ""); break;
    case effMainsChanged: WriteDispatch(w, opcode, 0, 1, 0.f, ""); break;
    case effGetChunk: WriteDispatch(w, opcode, 1, 0, 0.f, ""); break;
    case effSetChunk:
      WriteDispatch(w, opcode, 1, static_cast<int64_t>(chunkText.size()), 0.f, chunkText);
      break;
    case effProcessEvents: WriteDispatch(w, opcode, 1, 0, 0.f, "\x90\x40\x7f"); break;
    case effString2Parameter: WriteDispatch(w, opcode, 0, 0, 0.f, "1/8"); break;
    case effGetProgramNameIndexed: WriteDispatch(w, opcode, 5, 0, 0.f, ""); break;
    case effGetInputProperties:
    case effGetOutputProperties: WriteDispatch(w, opcode, 1, 0, 0.f, ""); break;
    case effSetSpeakerArrangement: WriteDispatch(w, opcode, 2, 2, 0.f, ""); break;
    case effVendorSpecific: WriteDispatch(w, opcode, effString2Parameter, 0, 0.f, "1/4"); break;
    case effCanDo: WriteDispatch(w, opcode, 0, 0, 0.f, kCanDo[0]); break;
    case effGetMidiKeyName: WriteDispatch(w, opcode, 0, 0, 0.f, ""); break;
    default: WriteDispatch(w, opcode, 0, 0, 0.f, ""); break;
  }
}

void DispatcherSeeds(const Bytes& programChunk) {
  ScriptWriter all;
  for (int opcode = -2; opcode <= 80; ++opcode) {
    if (opcode == effClose) continue;
    ScriptWriter one;
    WriteDispatch(one, effOpen, 0, 0, 0.f, "");
    AddCall(one, opcode, programChunk);
    AddCall(all, opcode, programChunk);
    char name[32];
    snprintf(name, sizeof(name), "opcode-%02d", opcode < 0 ? 100 - opcode : opcode);
    Write("fuzz_dispatcher", name, one.Data());
  }
  Write("fuzz_dispatcher", "every-opcode", all.Data());
  for (size_t i = 0; i < sizeof(kCanDo) / sizeof(kCanDo[0]); ++i) {
    ScriptWriter w;
    WriteDispatch(w, effCanDo, 0, 0, 0.f, kCanDo[i]);
    Write("fuzz_dispatcher", "cando-" + std::to_string(i), w.Data());
  }
  struct Vendor {
    const char* name;
    int32_t index;
    int64_t value;
    float opt;
  };
  const Vendor vendor[] = {
      {"display", effGetParamDisplay, 2, 0.5f},
      {"stepped", 8, 1, 0.f},
      {"render", kRenderEditorCall, int64_t{kEditorWidth} * kEditorHeight * 4, 0.f},
      {"wheel", FourCharCode('s', 't', 'C', 'A'), FourCharCode('W', 'h', 'e', 'e'), 1.f},
  };
  for (const Vendor& v : vendor) {
    ScriptWriter w;
    WriteDispatch(w, effVendorSpecific, v.index, v.value, v.opt, "");
    Write("fuzz_dispatcher", std::string("vendor-") + v.name, w.Data());
  }
}

// Hostile-host script helpers.
void Op(ScriptWriter& w, HostileOp op) { w.U8(static_cast<uint8_t>(op)); }
void Process(ScriptWriter& w, HostileOp op, int frames, uint8_t pointers = 0) {
  Op(w, op);
  w.U16(static_cast<uint16_t>(static_cast<int16_t>(frames))).U8(pointers);
}
void Tempo(ScriptWriter& w, uint8_t pick, double raw = 0.0, uint8_t flags = 3) {
  Op(w, kOpTempo);
  w.U8(pick).F64(raw).U8(flags);
}
void LoadChunk(ScriptWriter& w, bool bank, const Bytes& chunk) {
  Op(w, kOpLoadChunk);
  w.U8(bank ? 0 : 1).U16(static_cast<uint16_t>(chunk.size())).Bytes(chunk.data(), chunk.size());
}

void HostileSeeds(const Bytes& programChunk, const Bytes& bankChunk) {
  {
    ScriptWriter w;
    Op(w, kOpInput);
    w.U8(4);
    for (int p = 0; p < kNumPresets; ++p) {
      Op(w, kOpProgram);
      w.U8(static_cast<uint8_t>(p));
      Process(w, kOpProcessReplacing, 512);
    }
    Write("fuzz_hostile_host", "every-program", w.Data());
  }
  {
    ScriptWriter w;
    LoadChunk(w, true, bankChunk);
    Process(w, kOpProcessDouble, 1024);
    LoadChunk(w, false, programChunk);
    Process(w, kOpProcessReplacing, 1024);
    Op(w, kOpSaveChunk);
    w.U8(0).U16(20).U8(0x40);
    Op(w, kOpSaveChunk);
    w.U8(2 | 4 | 8).U16(3).U8(0);
    Process(w, kOpProcessAdding, 700);
    Write("fuzz_hostile_host", "chunks", w.Data());
  }
  {
    ScriptWriter w;
    const int blocks[] = {64, 4096, 1, 0, -5, 100000};
    for (uint8_t rate = 0; rate < 14; ++rate) {
      Op(w, kOpSampleRate);
      w.U8(rate).F32(0.f);
      Op(w, kOpBlockSize);
      w.I32(blocks[rate % 6]);
      Process(w, rate % 2 ? kOpProcessDouble : kOpProcessReplacing, rate % 3 ? 8192 : 1);
    }
    Write("fuzz_hostile_host", "rates-and-blocks", w.Data());
  }
  {
    ScriptWriter w;
    Op(w, kOpInput);
    w.U8(1);
    for (uint8_t pick = 0; pick < 12; ++pick) {
      Tempo(w, pick, 0.0, pick % 4 == 3 ? 4 : 3);
      Process(w, kOpProcessReplacing, 2048);
    }
    Tempo(w, 255, 133.3);
    Process(w, kOpProcessDouble, 4096);
    Write("fuzz_hostile_host", "tempo-sweep", w.Data());
  }
  {
    ScriptWriter w;
    const float values[] = {0.f, 0.5f, 1.f, -1.f, 2.f, std::numeric_limits<float>::quiet_NaN()};
    for (int index = -1; index <= 6; ++index) {
      for (float v : values) {
        Op(w, kOpSetParameter);
        w.U8(static_cast<uint8_t>(index)).F32(v);
        Process(w, kOpProcessReplacing, 300);
      }
      Op(w, kOpGetParameter);
      w.U8(static_cast<uint8_t>(index));
    }
    Write("fuzz_hostile_host", "automation", w.Data());
  }
  {
    ScriptWriter w;
    for (uint8_t pointers = 0; pointers < 16; ++pointers) {
      Process(w, static_cast<HostileOp>(kOpProcessReplacing + pointers % 3), 256, pointers);
    }
    Op(w, kOpSuspend);
    w.U8(0);
    Process(w, kOpProcessReplacing, 0);
    Op(w, kOpSuspend);
    w.U8(1);
    Op(w, kOpTransport);
    w.F64(1e12).U8(7).U8(8);
    Process(w, kOpProcessReplacing, -3);
    Write("fuzz_hostile_host", "pointers-suspend-transport", w.Data());
  }
  {
    ScriptWriter w;
    for (int op = 0; op < kHostileOpCount; ++op) {
      Op(w, static_cast<HostileOp>(op));
      switch (static_cast<HostileOp>(op)) {
        case kOpDispatch: WriteDispatch(w, effSetSampleRate, 0, 0, 96000.f, ""); break;
        case kOpSetParameter: w.U8(0).F32(0.75f); break;
        case kOpGetParameter: w.U8(0); break;
        case kOpProgram: w.U8(4); break;
        case kOpLoadChunk: w.U8(1).U16(static_cast<uint16_t>(programChunk.size()))
                               .Bytes(programChunk.data(), programChunk.size()); break;
        case kOpSaveChunk: w.U8(0).U16(0).U8(0); break;
        case kOpSampleRate: w.U8(1).F32(0.f); break;
        case kOpBlockSize: w.I32(256); break;
        case kOpTempo: w.U8(4).F64(0.0).U8(3); break;
        case kOpTransport: w.F64(44100.0).U8(3).U8(4); break;
        case kOpSuspend: w.U8(1); break;
        case kOpInput: w.U8(3); break;
        default: w.U16(777).U8(0); break;
      }
    }
    Write("fuzz_hostile_host", "every-operation", w.Data());
  }
}

const char* const kNoteTexts[] = {"1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D", "1/16",
                                  "1/8T", "1/16D", "1/8",   "1/4T",  "1/8D",  "1/4",   "1/2T",
                                  "1/4D", "1/2",  "1/1T",  "1/2D",  "1/1",   "2/1T",  "1/1D",
                                  "2/1",  "4/1T", "2/1D",  "4/1"};
const char* const kPositionTexts[] = {"left", "right", "ping pong", "inv pong"};
const char* const kNumbers[] = {"50",   "-3",   "150",   "1e9",  "nan",  "inf",  " 42 %",
                                "0x1A", "",     "4.7e-3", "-0",  "99.999", "1e-320", "+7"};

void ParamTextSeeds() {
  auto seed = [](const std::string& name, int index, const char* text) {
    Bytes b = {static_cast<uint8_t>(static_cast<int8_t>(index)), 0};
    b.insert(b.end(), text, text + strlen(text));
    Write("fuzz_param_text", name, b);
  };
  for (size_t i = 0; i < sizeof(kNoteTexts) / sizeof(kNoteTexts[0]); ++i) {
    seed("rate-" + std::to_string(i), kDelayRate, kNoteTexts[i]);
  }
  for (size_t i = 0; i < 4; ++i) seed("position-" + std::to_string(i), kPosition, kPositionTexts[i]);
  for (size_t i = 0; i < sizeof(kNumbers) / sizeof(kNumbers[0]); ++i) {
    seed("number-" + std::to_string(i), static_cast<int>(2 + i % 4), kNumbers[i]);
  }
  seed("enum-number", kDelayRate, "7");
  seed("bad-index-low", -1, "1");
  seed("bad-index-high", kNumParams, "1");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  gOut = argv[1];
  Bytes programChunk, bankChunk;
  ChunkSeeds(&programChunk, &bankChunk);
  DispatcherSeeds(programChunk);
  HostileSeeds(programChunk, bankChunk);
  ParamTextSeeds();
  printf("%d seeds written to %s\n", gWritten, argv[1]);
  return 0;
}
