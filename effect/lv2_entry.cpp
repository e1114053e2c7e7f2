// The LV2 module's entry point: the host asks for descriptor 0, then instantiates it once
// per instance it creates.
//
// Threading: lv2_descriptor from any thread; instantiate from the host's instantiation
// thread. Instances are constructed one at a time under a process-wide lock, as the VST 2.4
// entry point does, so two hosts' threads never share half-built state.
#include <cstdint>
#include <new>

#include "base/mutex.h"
#include "effect/lv2_identity.h"
#include "effect/quelora2.h"
#include "lv2/lv2_descriptor.h"

namespace {

WDL_Mutex& ConstructionLock() {
  static WDL_Mutex lock;
  return lock;
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char* bundlePath,
                       const LV2_Feature* const* features) {
  (void)descriptor;
  (void)bundlePath;
  MutexGuard guard(&ConstructionLock());
  const Lv2HostLink link = {sampleRate, features, kLv2PluginUri};
  VSTCLASS* plug = new (std::nothrow) VSTCLASS(&link);
  if (!plug) return nullptr;
  // urid:map is the one feature the plug-in requires.
  if (!plug->Ready()) {
    delete plug;
    return nullptr;
  }
  plug->EnsureOnePreset();
  return static_cast<IPlugLV2*>(plug);
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  static const LV2_Descriptor descriptor = MakeLv2Descriptor(kLv2PluginUri, Instantiate);
  return index == 0 ? &descriptor : nullptr;
}
