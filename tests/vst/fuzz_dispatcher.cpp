// Fuzzes an in-process instance through its host interface: arbitrary program and bank
// chunks, then arbitrary sequences of dispatcher calls, parameter changes, tempo changes
// and processing calls.
//
// Opcodes whose pointers must reach host-owned records of a particular layout
// (effProcessEvents, effSetSpeakerArrangement's value, effGetSpeakerArrangement's value)
// get such records; effSetChunk is given sizes within its buffer; effClose ends the run.
// Every other opcode gets a 1 KiB buffer (zeroed, a fuzzed text in front, always
// terminated) as ptr and fuzzed index, value and opt.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "vst/entry.h"

namespace {

VstTimeInfo gTime;

VstIntPtr FuzzHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterGetTime:
      return reinterpret_cast<VstIntPtr>(&gTime);
    case audioMasterGetProductString:
      if (ptr) strcpy(static_cast<char*>(ptr), "fuzz host");
      return 1;
    case audioMasterGetVendorVersion:
      return 1000;
    default:
      return 0;
  }
}

void SetChunkFrom(AEffect* e, FuzzedDataProvider& data, VstInt32 index) {
  std::vector<unsigned char> bytes =
      data.ConsumeBytes<unsigned char>(data.ConsumeIntegralInRange<size_t>(0, 4096));
  if (bytes.empty()) bytes.push_back(0);
  e->dispatcher(e, effSetChunk, index, static_cast<VstIntPtr>(bytes.size()), bytes.data(), 0.f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  memset(&gTime, 0, sizeof(gTime));
  gTime.tempo = 120.0;
  gTime.flags = kVstTempoValid | kVstTimeSigValid;

  AEffect* e = VSTPluginMain(FuzzHost);
  if (!e) return 0;

  SetChunkFrom(e, data, data.ConsumeBool() ? 0 : 1);

  std::vector<float> fin0(4096), fin1(4096), fout0(4096), fout1(4096);
  std::vector<double> din0(4096), din1(4096), dout0(4096), dout1(4096);
  for (size_t i = 0; i < 4096; ++i) fin0[i] = fin1[i] = static_cast<float>(i % 97) / 97.f - 0.5f;
  for (size_t i = 0; i < 4096; ++i) din0[i] = din1[i] = fin0[i];

  int steps = 0;
  while (data.remaining_bytes() > 0 && ++steps < 200) {
    switch (data.ConsumeIntegralInRange<int>(0, 9)) {
      case 0:
      case 1: {
        const VstInt32 opcode = data.ConsumeIntegralInRange<VstInt32>(-2, 80);
        const VstInt32 index = data.ConsumeIntegral<VstInt32>() % 40;
        const VstIntPtr value = data.ConsumeBool()
                                    ? data.ConsumeIntegralInRange<VstIntPtr>(-3, 70000)
                                    : data.ConsumeIntegral<VstIntPtr>();
        const float opt = data.ConsumeFloatingPoint<float>();
        alignas(16) char buffer[1024];
        memset(buffer, 0, sizeof(buffer));
        const std::string text = data.ConsumeRandomLengthString(300);
        memcpy(buffer, text.data(), text.size());
        buffer[sizeof(buffer) - 1] = '\0';
        if (opcode == effClose) break;
        if (opcode == effSetChunk) {
          const VstIntPtr n = value < 0 ? value : value % 1025;
          e->dispatcher(e, opcode, index, n, buffer, opt);
        } else if (opcode == effProcessEvents) {
          VstMidiEvent midi;
          memset(&midi, 0, sizeof(midi));
          midi.type = kVstMidiType;
          memcpy(midi.midiData, buffer, 3);
          VstEvents events;
          memset(&events, 0, sizeof(events));
          events.numEvents = 1;
          events.events[0] = reinterpret_cast<VstEvent*>(&midi);
          e->dispatcher(e, opcode, index, 0, &events, opt);
        } else if (opcode == effSetSpeakerArrangement) {
          VstSpeakerArrangement in;
          memset(&in, 0, sizeof(in));
          in.numChannels = static_cast<VstInt32>(value % 5);
          reinterpret_cast<VstSpeakerArrangement*>(buffer)->numChannels = index % 5;
          e->dispatcher(e, opcode, 0, reinterpret_cast<VstIntPtr>(&in), buffer, opt);
        } else if (opcode == effGetSpeakerArrangement) {
          void* in = nullptr;
          e->dispatcher(e, opcode, index, reinterpret_cast<VstIntPtr>(&in), buffer, opt);
        } else {
          e->dispatcher(e, opcode, index, value, buffer, opt);
        }
        break;
      }
      case 2:
        SetChunkFrom(e, data, data.ConsumeIntegralInRange<VstInt32>(0, 1));
        break;
      case 3:
        e->setParameter(e, data.ConsumeIntegralInRange<VstInt32>(-1, 6),
                        data.ConsumeFloatingPoint<float>());
        break;
      case 4:
        (void)e->getParameter(e, data.ConsumeIntegralInRange<VstInt32>(-1, 6));
        break;
      case 5:
        gTime.tempo = data.ConsumeBool() ? data.ConsumeFloatingPointInRange<double>(0.0, 400.0)
                                         : data.ConsumeFloatingPoint<double>();
        gTime.flags = data.ConsumeBool() ? kVstTempoValid : 0;
        break;
      case 6: {
        float* ins[2] = {fin0.data(), fin1.data()};
        float* outs[2] = {fout0.data(), fout1.data()};
        e->processReplacing(e, ins, outs, data.ConsumeIntegralInRange<VstInt32>(-5, 4096));
        break;
      }
      case 7: {
        float* ins[2] = {fin0.data(), fin1.data()};
        float* outs[2] = {fout0.data(), fout1.data()};
        e->process(e, ins, outs, data.ConsumeIntegralInRange<VstInt32>(-5, 4096));
        break;
      }
      case 8: {
        double* ins[2] = {din0.data(), din1.data()};
        double* outs[2] = {dout0.data(), dout1.data()};
        e->processDoubleReplacing(e, ins, outs, data.ConsumeIntegralInRange<VstInt32>(-5, 4096));
        break;
      }
      default: {
        void* chunk = nullptr;
        e->dispatcher(e, effGetChunk, data.ConsumeIntegralInRange<VstInt32>(0, 1), 0, &chunk, 0.f);
        break;
      }
    }
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
  return 0;
}
