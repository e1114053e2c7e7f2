// The host callback of the programs that load the plug-in module themselves (the render,
// editor and snapshot hosts of the Windows side, benchmarks): a fixed transport of
// 44.1 kHz, 512-frame blocks, 120 BPM in 4/4, playing; begin / automate / end calls are
// recorded. Header-only, so those programs link nothing of the framework.
//
// Threading: one host thread (the recorded list has no lock).
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "vst/aeffect.h"

class FixedHost {
 public:
  static constexpr double kSampleRate = 44100.0;
  static constexpr int kBlockSize = 512;

  struct Call {
    VstInt32 opcode;
    VstInt32 index;
  };

  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt) {
    (void)effect;
    (void)value;
    (void)opt;
    switch (opcode) {
      case audioMasterVersion:
        return 2400;
      case audioMasterGetTime: {
        VstTimeInfo& time = Time();
        std::memset(&time, 0, sizeof time);
        time.sampleRate = kSampleRate;
        time.tempo = 120.0;
        time.timeSigNumerator = 4;
        time.timeSigDenominator = 4;
        time.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
        return reinterpret_cast<VstIntPtr>(&time);
      }
      case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(kSampleRate);
      case audioMasterGetBlockSize:
        return kBlockSize;
      case audioMasterGetProductString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "fixed host");
        return ptr ? 1 : 0;
      case audioMasterGetVendorVersion:
        return 10000;
      case audioMasterAutomate:
      case audioMasterBeginEdit:
      case audioMasterEndEdit:
        Calls().push_back({opcode, index});
        return 1;
      default:
        return 0;
    }
  }

  static std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
  }
  // Whether that call came at position from or later.
  static bool Called(VstInt32 opcode, VstInt32 index, size_t from = 0) {
    const std::vector<Call>& calls = Calls();
    for (size_t i = from; i < calls.size(); ++i) {
      if (calls[i].opcode == opcode && calls[i].index == index) return true;
    }
    return false;
  }
  static int Count(VstInt32 opcode) {
    int n = 0;
    for (const Call& call : Calls()) n += call.opcode == opcode;
    return n;
  }

 private:
  static VstTimeInfo& Time() {
    static VstTimeInfo time;
    return time;
  }
};

inline VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.f) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// A text the plug-in writes into a host buffer (names, labels, displays).
inline std::string DispatchText(AEffect* effect, VstInt32 opcode, VstInt32 index = 0) {
  char buffer[512];
  std::memset(buffer, 0, sizeof buffer);
  Dispatch(effect, opcode, index, 0, buffer);
  buffer[sizeof buffer - 1] = 0;
  return buffer;
}
