#include "tests/vst/fuzz_host.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vst/entry.h"
#include "vst/private_calls.h"

namespace {

FuzzHostState gHost;
AEffect* gShared = nullptr;
std::vector<unsigned char> gFactoryBank;

// Opcodes are read from one byte: -2 ... 80 covers every opcode the adapter knows and a
// few it does not.
constexpr int kOpcodeSpan = 83;
// Index and value words mostly land near the interesting small numbers; a set marker bit
// keeps the raw word (extreme and negative values), and so does a value word within the
// 32-bit range (four-character codes).
constexpr uint32_t kRawIndexBit = 0x40000000u;
constexpr uint64_t kRawValueBit = 1ull << 62;
constexpr int kIndexSpan = 40;
constexpr int64_t kValueSpan = 1 << 20;

}  // namespace

FuzzHostState& FuzzHost() { return gHost; }

void ResetFuzzHost() {
  memset(&gHost.time, 0, sizeof(gHost.time));
  gHost.time.sampleRate = 44100.0;
  gHost.time.tempo = 120.0;
  gHost.time.timeSigNumerator = 4;
  gHost.time.timeSigDenominator = 4;
  gHost.time.flags = kVstTempoValid | kVstTimeSigValid;
  gHost.giveTime = true;
}

VstIntPtr FuzzHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterGetTime:
      return gHost.giveTime ? reinterpret_cast<VstIntPtr>(&gHost.time) : 0;
    case audioMasterGetProductString:
      if (ptr) strcpy(static_cast<char*>(ptr), "fuzz host");
      return 1;
    case audioMasterGetVendorVersion:
      return 1000;
    case audioMasterProcessEvents:
      return 1;
    default:
      return 0;
  }
}

VstIntPtr DispatchScripted(AEffect* e, ScriptReader& script) {
  const VstInt32 opcode = static_cast<VstInt32>(script.U8() % kOpcodeSpan) - 2;
  const int32_t rawIndex = script.I32();
  const VstInt32 index =
      (static_cast<uint32_t>(rawIndex) & kRawIndexBit) ? rawIndex : rawIndex % kIndexSpan;
  const int64_t rawValue = script.I64();
  const bool keepValue = (rawValue >= INT32_MIN && rawValue <= INT32_MAX) ||
                         (static_cast<uint64_t>(rawValue) & kRawValueBit);
  const VstIntPtr value = static_cast<VstIntPtr>(keepValue ? rawValue : rawValue % kValueSpan);
  const float opt = script.F32();
  const std::string text = script.Text();

  alignas(16) char buffer[1024];
  memset(buffer, 0, sizeof(buffer));
  memcpy(buffer, text.data(), text.size());

  switch (opcode) {
    case effClose:
      return 0;
    case effEditOpen:
      // No parent window exists here; a made-up handle would reach the window system.
      return e->dispatcher(e, opcode, index, value, nullptr, opt);
    case effSetChunk: {
      const VstIntPtr n = value < 0 ? value : value % (sizeof(buffer) + 1);
      return e->dispatcher(e, opcode, index, n, buffer, opt);
    }
    case effProcessEvents: {
      VstMidiEvent midi;
      memset(&midi, 0, sizeof(midi));
      midi.type = kVstMidiType;
      midi.byteSize = sizeof(midi);
      memcpy(midi.midiData, buffer, 3);
      VstMidiSysexEvent sysex;
      memset(&sysex, 0, sizeof(sysex));
      sysex.type = kVstSysExType;
      sysex.byteSize = sizeof(sysex);
      sysex.dumpBytes = static_cast<VstInt32>(text.size());
      sysex.sysexDump = buffer;
      VstEvents events;
      memset(&events, 0, sizeof(events));
      events.numEvents = index & 1 ? 2 : 1;
      events.events[0] = reinterpret_cast<VstEvent*>(&midi);
      events.events[1] = reinterpret_cast<VstEvent*>(&sysex);
      return e->dispatcher(e, opcode, index, 0, &events, opt);
    }
    case effSetSpeakerArrangement: {
      VstSpeakerArrangement in;
      memset(&in, 0, sizeof(in));
      in.numChannels = static_cast<VstInt32>(value % 5);
      VstSpeakerArrangement out;
      memset(&out, 0, sizeof(out));
      out.numChannels = index % 5;
      return e->dispatcher(e, opcode, 0, reinterpret_cast<VstIntPtr>(&in), &out, opt);
    }
    case effGetSpeakerArrangement: {
      void* in = nullptr;
      return e->dispatcher(e, opcode, index, reinterpret_cast<VstIntPtr>(&in), buffer, opt);
    }
    case effVendorSpecific:
      if (index == kRenderEditorCall && value > 0 && value <= kValueSpan) {
        // The host's buffer really has the size it claims.
        std::vector<unsigned char> pixels(static_cast<size_t>(value));
        return e->dispatcher(e, opcode, index, value, pixels.data(), opt);
      }
      return e->dispatcher(e, opcode, index, value, buffer, opt);
    default:
      return e->dispatcher(e, opcode, index, value, buffer, opt);
  }
}

void WriteDispatch(ScriptWriter& script, int opcode, int32_t index, int64_t value, float opt,
                   const std::string& text) {
  script.U8(static_cast<uint8_t>(opcode + 2)).I32(index).I64(value).F32(opt).Text(text);
}

AEffect* SharedInstance() {
  if (gShared) return gShared;
  ResetFuzzHost();
  gShared = VSTPluginMain(FuzzHostCallback);
  if (!gShared) abort();
  void* block = nullptr;
  const VstIntPtr n = gShared->dispatcher(gShared, effGetChunk, 0, 0, &block, 0.f);
  if (n <= 0 || !block) abort();
  gFactoryBank.assign(static_cast<unsigned char*>(block), static_cast<unsigned char*>(block) + n);
  return gShared;
}

void RestoreFactoryState(AEffect* e) {
  e->dispatcher(e, effSetProgram, 0, 0, nullptr, 0.f);
  if (e->dispatcher(e, effSetChunk, 0, static_cast<VstIntPtr>(gFactoryBank.size()),
                    gFactoryBank.data(), 0.f) != 1) {
    abort();
  }
}
