// A hostile host: one instance driven through its whole host interface by a script that
// interleaves dispatcher calls, automation, program changes, chunk loads and saves, sample
// rate, block size, tempo and transport changes, suspends and the three processing calls
// with arbitrary frame counts and pointer lists. With finite input every output sample must
// stay finite and every parameter within its range; the sanitizers catch accesses out of
// bounds, libFuzzer's leak check whatever the instance leaves behind when it is closed.
//
// Script: a sequence of steps, each an operation byte (HostileOp) and its fields (see the
// cases below). Processing buffers hold kMaxFrames samples; the host never claims more.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/vst/fuzz_host.h"
#include "tests/vst/fuzz_script.h"
#include "tests/vst/hostile_ops.h"
#include "vst/entry.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

struct Buffers {
  float fin[2][kHostileMaxFrames];
  float fout[2][kHostileMaxFrames];
  double din[2][kHostileMaxFrames];
  double dout[2][kHostileMaxFrames];
};
Buffers gBuf;

void FillInputs(uint8_t mode) {
  static const double kLevels[] = {0.0, 1.0, 1e-30, 1e6, 0.5};
  const double level = kLevels[mode % 5];
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kHostileMaxFrames; ++i) {
      // mode 4 is an impulse; the others a square wave of the level.
      double v = (mode % 5 == 4) ? (i == 0 ? 1.0 : 0.0) : ((i / 37) % 2 ? level : -level);
      if (c == 1) v = -v;
      gBuf.din[c][i] = v;
      gBuf.fin[c][i] = static_cast<float>(v);
    }
  }
}

template <class Sample>
void CheckFinite(Sample out[2][kHostileMaxFrames], int frames, bool channel0, bool channel1) {
  for (int i = 0; i < frames; ++i) {
    if (channel0) Check(std::isfinite(out[0][i]));
    if (channel1) Check(std::isfinite(out[1][i]));
  }
}

void CheckParameters(AEffect* e) {
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    Check(v >= 0.f && v <= 1.f);
  }
  const VstIntPtr program = e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.f);
  Check(program >= 0 && program < e->numPrograms);
}

// Processing with the pointer lists a hostile host may pass: flags bit 0 gives no input
// list, bit 1 no output list, bit 2 a null first input, bit 3 a null second output.
template <class Sample, class Call>
void Process(AEffect* e, Sample in[2][kHostileMaxFrames], Sample out[2][kHostileMaxFrames],
             int frames, uint8_t flags, Call call) {
  Sample* ins[2] = {flags & 4 ? nullptr : in[0], in[1]};
  Sample* outs[2] = {out[0], flags & 8 ? nullptr : out[1]};
  for (int c = 0; c < 2; ++c) memset(out[c], 0, sizeof(out[c][0]) * kHostileMaxFrames);
  call(e, flags & 1 ? nullptr : ins, flags & 2 ? nullptr : outs, frames);
  if (!(flags & 2)) CheckFinite(out, frames, true, !(flags & 8));
}

double TempoFrom(ScriptReader& s) {
  static const double kTempos[] = {120.0, 60.0, 20.0, 19.99, 300.0, 999.0, 0.0, -5.0,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(), 1e-9, 87.3};
  const uint8_t pick = s.U8();
  const double raw = s.F64();
  return pick < sizeof(kTempos) / sizeof(kTempos[0]) ? kTempos[pick] : raw;
}

float RateFrom(ScriptReader& s) {
  static const float kRates[] = {44100.f, 48000.f, 88200.f, 96000.f, 192000.f, 8000.f, 22050.f,
                                 0.f, -1.f, std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity(), 1e9f, 1.f, 384000.f};
  const uint8_t pick = s.U8();
  const float raw = s.F32();
  return pick < sizeof(kRates) / sizeof(kRates[0]) ? kRates[pick] : raw;
}

int FramesFrom(ScriptReader& s) {
  const int16_t raw = static_cast<int16_t>(s.U16());
  return raw < 0 ? raw % 6 : raw % (kHostileMaxFrames + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetFuzzHost();
  FillInputs(0);
  AEffect* e = VSTPluginMain(FuzzHostCallback);
  if (!e) return 0;
  ScriptReader s(data, size);
  std::vector<unsigned char> saved;

  for (int step = 0; step < kHostileMaxSteps && !s.Done(); ++step) {
    switch (static_cast<HostileOp>(s.U8() % kHostileOpCount)) {
      case kOpDispatch:
        DispatchScripted(e, s);
        break;
      case kOpSetParameter: {
        const int index = static_cast<int8_t>(s.U8());
        e->setParameter(e, index, s.F32());
        break;
      }
      case kOpGetParameter: {
        const int index = static_cast<int8_t>(s.U8());
        const float v = e->getParameter(e, index);
        Check(std::isfinite(v));
        break;
      }
      case kOpProgram:
        e->dispatcher(e, effSetProgram, 0, static_cast<int8_t>(s.U8()), nullptr, 0.f);
        break;
      case kOpLoadChunk: {
        const VstInt32 index = s.U8() & 1;
        // Exactly the bytes claimed, so a read past them is caught.
        std::vector<unsigned char> chunk = s.Bytes(s.U16() % (kHostileMaxChunk + 1));
        e->dispatcher(e, effSetChunk, index, static_cast<VstIntPtr>(chunk.size()),
                      chunk.empty() ? nullptr : chunk.data(), 0.f);
        break;
      }
      case kOpSaveChunk: {
        const uint8_t how = s.U8();
        const uint16_t at = s.U16();
        const uint8_t flip = s.U8();
        void* block = nullptr;
        const VstIntPtr n = e->dispatcher(e, effGetChunk, how & 1, 0, &block, 0.f);
        if (n <= 0 || !block) break;
        Check(n <= (1 << 24));
        if (how & 2) {
          // Handed straight back: the plug-in's own block, possibly cut short.
          const VstIntPtr back = (how & 4) ? n - (at % n) : n;
          e->dispatcher(e, effSetChunk, (how >> 3) & 1, back, block, 0.f);
        } else {
          saved.assign(static_cast<unsigned char*>(block), static_cast<unsigned char*>(block) + n);
          saved[at % saved.size()] ^= flip;
          e->dispatcher(e, effSetChunk, (how >> 3) & 1, static_cast<VstIntPtr>(saved.size()),
                        saved.data(), 0.f);
        }
        break;
      }
      case kOpSampleRate:
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, RateFrom(s));
        break;
      case kOpBlockSize:
        e->dispatcher(e, effSetBlockSize, 0, static_cast<VstIntPtr>(s.I32() % (1 << 18)), nullptr,
                      0.f);
        break;
      case kOpTempo: {
        FuzzHostState& host = FuzzHost();
        host.time.tempo = TempoFrom(s);
        const uint8_t flags = s.U8();
        host.time.flags = (flags & 1 ? kVstTempoValid : 0) | (flags & 2 ? kVstTimeSigValid : 0);
        host.giveTime = !(flags & 4);
        break;
      }
      case kOpTransport: {
        FuzzHostState& host = FuzzHost();
        host.time.samplePos = s.F64();
        host.time.timeSigNumerator = static_cast<int8_t>(s.U8());
        host.time.timeSigDenominator = static_cast<int8_t>(s.U8());
        break;
      }
      case kOpSuspend:
        e->dispatcher(e, effMainsChanged, 0, s.U8() & 1, nullptr, 0.f);
        break;
      case kOpInput:
        FillInputs(s.U8());
        break;
      case kOpProcessReplacing: {
        const int frames = FramesFrom(s);
        Process(e, gBuf.fin, gBuf.fout, frames, s.U8(), e->processReplacing);
        break;
      }
      case kOpProcessAdding: {
        const int frames = FramesFrom(s);
        Process(e, gBuf.fin, gBuf.fout, frames, s.U8(), e->process);
        break;
      }
      case kOpProcessDouble: {
        const int frames = FramesFrom(s);
        Process(e, gBuf.din, gBuf.dout, frames, s.U8(), e->processDoubleReplacing);
        break;
      }
      case kHostileOpCount:
        break;
    }
    CheckParameters(e);
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
  return 0;
}
