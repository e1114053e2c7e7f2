// The module's entry point: the host calls it once per instance it creates.
//
// Threading: any host thread. Instances are constructed one at a time under the
// process-wide recursive construction lock (IPlugVST::ConstructionLock), so two hosts'
// threads creating instances at once never share half-built state.
#include "vst/entry.h"

#include <new>

#include "effect/quelora2.h"

extern "C" QUELORA_EXPORT AEffect* VSTPluginMain(audioMasterCallback hostCallback) {
  MutexGuard guard(&IPlugVST::ConstructionLock());
  VSTCLASS* plug = new (std::nothrow) VSTCLASS(hostCallback);
  if (!plug) return nullptr;
  plug->EnsureOnePreset();
  AEffect* effect = plug->GetAEffect();
  // Hosts assume at least one program.
  if (effect->numPrograms <= 0) effect->numPrograms = 1;
  return effect;
}
