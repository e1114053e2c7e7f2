// What the plug-in sees of its host: the audioMasterCallback and the transport it reports.
// quelora-host runs one plug-in instance in one thread, so the callback finds its context
// through a process-wide pointer (the plug-in may call back before VSTPluginMain returns,
// when no AEffect exists yet to carry a pointer).
//
// Threading: everything here runs on the tool's only thread; the plug-in calls
// HostCallback from inside dispatcher and processing calls made on that thread.
#pragma once

#include <cstdint>
#include <functional>

#include "vst/aeffect.h"

class HostContext {
 public:
  static constexpr VstInt32 kHostVstVersion = 2400;
  static constexpr VstInt32 kHostVendorVersion = 10200;  // decimal form, 1.2.0
  static constexpr const char* kProductString = "quelora-host";
  static constexpr const char* kVendorString = "Obvik";

  HostContext() = default;

  void SetSampleRate(double rate) { sampleRate_ = rate; }
  void SetBlockSize(int frames) { blockSize_ = frames; }
  void SetTempo(double bpm) { tempo_ = bpm; }
  double SampleRate() const { return sampleRate_; }
  int BlockSize() const { return blockSize_; }
  double Tempo() const { return tempo_; }

  // The transport starts rolling at sample 0 with the first processed block.
  void StartTransport();
  // Called after each processed block: the next block starts frames samples later.
  void AdvanceTransport(int frames);
  double SamplePosition() const { return samplePos_; }

  // The record answered to audioMasterGetTime; stays valid until the next call.
  const VstTimeInfo* UpdateTimeInfo();

  // Edit notifications the plug-in sent, counted so tests can see that they arrive.
  int automateCount = 0;
  int beginEditCount = 0;
  int endEditCount = 0;

  // While set, the host can resize the editor's window: canDo "sizeWindow" answers yes and
  // audioMasterSizeWindow (width, height) is handed to it (its answer is the call's).
  std::function<bool(int width, int height)> onSizeWindow;

  // Dispatches one host opcode; unknown opcodes answer 0.
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

 private:
  double sampleRate_ = 44100.0;
  int blockSize_ = 512;
  double tempo_ = 120.0;
  double samplePos_ = 0.0;
  bool playing_ = false;
  bool transportChanged_ = false;
  VstTimeInfo timeInfo_{};
};

// The context HostCallback answers for; null answers every opcode with 0.
void SetActiveHostContext(HostContext* context);
HostContext* ActiveHostContext();

// The audioMasterCallback handed to the plug-in's entry point.
VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                       void* ptr, float opt);

// Host opcodes beyond those the shared interface header declares, answered by the tool.
enum {
  audioMasterGetVendorString = 32,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterGetLanguage = 38,
};
