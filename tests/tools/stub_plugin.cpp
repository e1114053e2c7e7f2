// A minimal VST 2.4 plug-in for testing the host tool's side of the interface without the
// real effect: gain on two channels, a two-text "Mode" parameter, two programs, no text
// conversion, no double precision, and only the old "main" entry point. Built a second
// time with STUB_BAD_MAGIC, which hands out a record with a wrong magic number, and with
// STUB_WITH_EDITOR, which reports a 200 x 100 editor that it can neither open nor draw
// off-screen.
#include <cstdio>
#include <cstring>

#include "vst/aeffect.h"

namespace {

struct StubPlugin {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  float gain = 1.0f;  // parameter 0, normalized = gain
  float mode = 0.0f;  // parameter 1: "off" below 0.5, "on" from 0.5
  int program = 0;
};

const char* const kProgramNames[] = {"Unity", "Half"};

StubPlugin* Stub(AEffect* effect) { return static_cast<StubPlugin*>(effect->object); }

VstIntPtr Dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                     void* ptr, float) {
  StubPlugin* stub = Stub(effect);
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effClose:
      delete stub;
      return 0;
    case effSetProgram:
      if (value < 0 || value > 1) return 0;
      stub->program = static_cast<int>(value);
      stub->gain = value == 0 ? 1.0f : 0.5f;
      return 0;
    case effGetProgram:
      return stub->program;
    case effGetParamName:
      if (text) std::strcpy(text, index == 0 ? "Gain" : "Mode");
      return 0;
    case effGetParamLabel:
      if (text) std::strcpy(text, "");
      return 0;
    case effGetParamDisplay:
      if (!text) return 0;
      if (index == 0) std::snprintf(text, 8, "%.3f", stub->gain);
      if (index == 1) std::strcpy(text, stub->mode < 0.5f ? "off" : "on");
      return 0;
    case effGetProgramNameIndexed:
      if (!text || index < 0 || index > 1) return 0;
      std::strcpy(text, kProgramNames[index]);
      return 1;
    case effGetEffectName:
      if (text) std::strcpy(text, "Stub Gain");
      return 1;
    case effGetVendorString:
      if (text) std::strcpy(text, "Test Vendor");
      return 1;
    case effGetPlugCategory:
      return kPlugCategEffect;
    case effGetVstVersion:
      return 2400;
#ifdef STUB_WITH_EDITOR
    case effEditGetRect: {
      static ERect rect = {0, 0, 100, 200};
      if (!ptr) return 0;
      *static_cast<ERect**>(ptr) = &rect;
      return 1;
    }
#endif
    default:
      return 0;
  }
}

void SetParameter(AEffect* effect, VstInt32 index, float value) {
  if (index == 0) Stub(effect)->gain = value;
  if (index == 1) Stub(effect)->mode = value;
}

float GetParameter(AEffect* effect, VstInt32 index) {
  return index == 0 ? Stub(effect)->gain : index == 1 ? Stub(effect)->mode : 0.0f;
}

void ProcessReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  StubPlugin* stub = Stub(effect);
  // The host must answer the time request while processing, like every DAW.
  const VstTimeInfo* time = reinterpret_cast<const VstTimeInfo*>(
      stub->host(effect, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f));
  const float scale = (time && (time->flags & kVstTempoValid)) ? stub->gain : 0.0f;
  for (int c = 0; c < 2; ++c) {
    for (VstInt32 f = 0; f < frames; ++f) outputs[c][f] = inputs[c][f] * scale;
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* main_plugin(audioMasterCallback host)
    __asm__("main");

extern "C" AEffect* main_plugin(audioMasterCallback host) {
  if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) < 2400) return nullptr;
#ifdef STUB_BAD_MAGIC
  // The host never closes a record it rejects, so this one is not allocated.
  static StubPlugin rejected;
  StubPlugin* stub = &rejected;
#else
  StubPlugin* stub = new StubPlugin;
#endif
  stub->host = host;
  AEffect& e = stub->effect;
#ifdef STUB_BAD_MAGIC
  e.magic = FourCharCode('N', 'o', 'p', 'e');
#else
  e.magic = kEffectMagic;
#endif
  e.dispatcher = Dispatcher;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.processReplacing = ProcessReplacing;
  e.numPrograms = 2;
  e.numParams = 2;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing;
#ifdef STUB_WITH_EDITOR
  e.flags |= effFlagsHasEditor;
#endif
  e.ioRatio = 1.0f;
  e.object = stub;
  e.uniqueID = FourCharCode('s', 't', 'u', 'b');
  e.version = 1;
  return &e;
}
