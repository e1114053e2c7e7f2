#include "tools/host/plugin_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "tools/host/host_context.h"

namespace {

// Plug-ins write names without knowing the buffer size; this leaves room for the worst
// of them (the interface's nominal limits are 8 to 64 characters).
constexpr size_t kTextBufferSize = 1024;

// Plausibility limits on the channel counts a real effect or instrument reports: a record
// beyond them is not a plug-in we can drive.
constexpr VstInt32 kMaxChannels = 64;

}  // namespace

PluginModule::~PluginModule() { Unload(); }

Status PluginModule::Load(const std::string& path, HostContext* context) {
  Unload();
  path_ = path;
  context_ = context;

  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return Status::Fail(ExitCode::kMissingFile, "plug-in not found: " + path);
  }
  if (!S_ISREG(info.st_mode)) {
    return Status::Fail(ExitCode::kNotAPlugin, "not a plug-in (not a regular file): " + path);
  }

  // dlopen searches the library path for names without a slash; a file name given on the
  // command line means that file.
  std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  library_ = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    const char* reason = dlerror();
    return Status::Fail(ExitCode::kNotAPlugin,
                        "not a plug-in (cannot load: " + std::string(reason ? reason : "?") +
                            ")");
  }

  void* entry = dlsym(library_, "VSTPluginMain");
  if (!entry) entry = dlsym(library_, "main");
  if (!entry) {
    Unload();
    return Status::Fail(ExitCode::kNotAPlugin,
                        "not a plug-in (no VSTPluginMain or main entry point): " + path);
  }

  SetActiveHostContext(context_);
  VstPluginMainProc mainProc = reinterpret_cast<VstPluginMainProc>(entry);
  effect_ = mainProc(HostCallback);
  if (!effect_) {
    Unload();
    return Status::Fail(ExitCode::kNotAPlugin, "plug-in created no instance: " + path);
  }
  if (effect_->magic != kEffectMagic) {
    // Not an instance we may call into: drop it without effClose.
    effect_ = nullptr;
    Unload();
    return Status::Fail(ExitCode::kNotAPlugin, "not a VST 2.4 plug-in (bad magic): " + path);
  }
  if (!effect_->dispatcher || effect_->numInputs < 0 || effect_->numOutputs < 0 ||
      effect_->numInputs > kMaxChannels || effect_->numOutputs > kMaxChannels ||
      effect_->numParams < 0 || effect_->numPrograms < 0) {
    effect_ = nullptr;
    Unload();
    return Status::Fail(ExitCode::kNotAPlugin, "plug-in reports an unusable instance: " + path);
  }
  return Status::Ok();
}

void PluginModule::Open(double sampleRate, int blockSize) {
  if (!effect_ || opened_) return;
  if (context_) {
    context_->SetSampleRate(sampleRate);
    context_->SetBlockSize(blockSize);
  }
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  opened_ = true;
}

void PluginModule::Resume() {
  if (!effect_ || resumed_) return;
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  resumed_ = true;
}

void PluginModule::Suspend() {
  if (!effect_ || !resumed_) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  resumed_ = false;
}

void PluginModule::Unload() {
  if (effect_) {
    Suspend();
    Dispatch(effClose);  // the plug-in deletes itself; the record is gone after this
    effect_ = nullptr;
  }
  opened_ = false;
  if (library_) {
#ifndef QUELORA_HOST_KEEP_MODULES_MAPPED
    dlclose(library_);
#endif
    library_ = nullptr;
  }
  if (context_ && ActiveHostContext() == context_) SetActiveHostContext(nullptr);
}

VstIntPtr PluginModule::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) const {
  if (!effect_) return 0;
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginModule::DispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr value) const {
  std::vector<char> buffer(kTextBufferSize, '\0');
  Dispatch(opcode, index, value, buffer.data());
  buffer.back() = '\0';
  return std::string(buffer.data());
}

float PluginModule::GetParameter(int index) const {
  if (!effect_ || !effect_->getParameter || index < 0 || index >= effect_->numParams) return 0;
  return effect_->getParameter(effect_, index);
}

void PluginModule::SetParameter(int index, float normalized) const {
  if (!effect_ || !effect_->setParameter || index < 0 || index >= effect_->numParams) return;
  effect_->setParameter(effect_, index, normalized);
}

std::string PluginModule::ProgramName(int index) const {
  return DispatchText(effGetProgramNameIndexed, index, -1);
}
