// A VST 2.4 plug-in module loaded the way a DAW loads it: dlopen, the entry point
// VSTPluginMain (or the older "main") called with our host callback, the magic checked,
// then effOpen / sample rate / block size, effMainsChanged around processing, and
// effClose before dlclose.
//
// Threading: one instance, used from the tool's only thread.
#pragma once

#include <string>

#include "tools/host/status.h"
#include "vst/aeffect.h"

class HostContext;

// Dispatcher opcodes a DAW sends that the shared interface header does not declare.
enum {
  effStartProcess = 71,
  effStopProcess = 72,
};

class PluginModule {
 public:
  PluginModule() = default;
  ~PluginModule();  // Unload()
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Loads the module and creates the instance; context answers the plug-in's callbacks
  // and must outlive this object. Fails with kMissingFile or kNotAPlugin.
  Status Load(const std::string& path, HostContext* context);

  // effOpen, effSetSampleRate, effSetBlockSize, in this order, as hosts do.
  void Open(double sampleRate, int blockSize);
  // effMainsChanged 1 and effStartProcess; Suspend undoes both. Both are idempotent.
  void Resume();
  void Suspend();
  // Suspends, effClose, dlclose. Safe to call more than once.
  void Unload();

  AEffect* Effect() const { return effect_; }
  const std::string& Path() const { return path_; }
  bool HasFlag(VstInt32 flag) const { return effect_ && (effect_->flags & flag) != 0; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f) const;
  // Runs a text-returning opcode into a zeroed, generous buffer: plug-ins copy without
  // knowing its size, so it is far larger than the interface's nominal limits.
  std::string DispatchText(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) const;

  // Parameter access through the AEffect record (0 / nothing for a bad index).
  float GetParameter(int index) const;
  void SetParameter(int index, float normalized) const;
  std::string ParameterName(int index) const { return DispatchText(effGetParamName, index); }
  std::string ParameterLabel(int index) const { return DispatchText(effGetParamLabel, index); }
  std::string ParameterDisplay(int index) const {
    return DispatchText(effGetParamDisplay, index);
  }
  // effGetProgramNameIndexed; empty when the plug-in does not answer it.
  std::string ProgramName(int index) const;

 private:
  void* library_ = nullptr;
  AEffect* effect_ = nullptr;
  HostContext* context_ = nullptr;
  std::string path_;
  bool opened_ = false;
  bool resumed_ = false;
};
