// The VST 3 module's factory entry point: the one class is the effect on the VST 3
// adapter. Compiled into the module (and into in-process tests and fuzzers), like the LV2
// entry.
//
// Threading: any host thread; instances are constructed under the factory's lock.
#include <new>

#include "effect/quelora2.h"
#include "effect/vst3_identity.h"
#include "vst3/vst3_entry.h"
#include "vst3/vst3_factory.h"

namespace {

IPlugVST3* CreateEffect() {
  const Vst3HostLink link = {0};
  VSTCLASS* plug = new (std::nothrow) VSTCLASS(&link);
  if (!plug) return nullptr;
  plug->EnsureOnePreset();
  return plug;
}

const Vst3ClassDescription kDescription = {
    {kVst3ClassIdWords[0], kVst3ClassIdWords[1], kVst3ClassIdWords[2], kVst3ClassIdWords[3]},
    kVst3ClassName,
    kVst3Vendor,
    kVst3Version,
    kVst3SubCategories,
    kVst3Url,
    kVst3Email,
    kVst3SdkVersion,
    CreateEffect};

}  // namespace

extern "C" v3::Factory* V3_CALL GetPluginFactory() { return Vst3Factory(kDescription); }
