// The VST 2.4 host of the tests, benchmarks and helper programs: creates an instance
// through an entry point (loaded from the module or linked in), answers the host callbacks
// the plug-in uses with a fixed transport (44.1 kHz, 120 BPM unless changed, playing) and
// records what the plug-in tells it.
//
// Threading: the thread that created the instance (the recorded lists have no lock).
#pragma once

#include <string>
#include <vector>

#include "vst/aeffect.h"

class TestHost {
 public:
  struct Call {
    VstInt32 opcode;
    VstInt32 index;
    float opt;
  };

  TestHost();
  ~TestHost();  // closes the instance if still open
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // Creates an instance; null on failure. The host keeps at most one instance.
  AEffect* Create(VstPluginMainProc entry);
  void Close();
  AEffect* effect() const { return mEffect; }

  // effOpen, sample rate and block size as a host starting the plug-in would send them.
  void Start(float sampleRate = 44100.f, int blockSize = 512);

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f);
  std::string Text(VstInt32 opcode, VstInt32 index = 0);
  void SetParameter(int index, float value);
  float GetParameter(int index);
  std::string ParamDisplay(int index);

  // Stereo processing helpers over vectors of equal length.
  void ProcessFloat(std::vector<float>& in0, std::vector<float>& in1, std::vector<float>& out0,
                    std::vector<float>& out1);
  void ProcessDouble(std::vector<double>& in0, std::vector<double>& in1, std::vector<double>& out0,
                     std::vector<double>& out1);

  // The transport the host reports: a tempo of 0 or tempoValid false means no tempo.
  double tempo = 120.0;
  bool tempoValid = true;
  double samplePos = 0.0;
  std::string productString = "Test Host";
  // Whether the host says it can resize the editor's window (canDo "sizeWindow"); the sizes
  // asked for with audioMasterSizeWindow are recorded either way.
  bool canSizeWindow = false;
  struct WindowSize {
    int width, height;
  };
  std::vector<WindowSize> sizeRequests;
  VstIntPtr vendorVersion = 10203;
  int timeRequests = 0;
  std::vector<Call> calls;  // every callback except audioMasterGetTime
  // Whether calls holds that call at position from or later; how often it holds opcode.
  bool Called(VstInt32 opcode, VstInt32 index, size_t from = 0) const;
  int Count(VstInt32 opcode) const;
  struct SentEvent {
    VstInt32 type, byteSize, deltaFrames;
  };
  std::vector<SentEvent> sentEvents;  // audioMasterProcessEvents

 private:
  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  AEffect* mEffect = nullptr;
  VstTimeInfo mTime;
};

// A dispatcher call on an instance that no TestHost holds (a second instance of a module).
inline VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.f) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}
