// The effect's CLAP identity and constructor, served by the module's entry record
// (clap/clap_entry.cpp). The identifier must never change once released.
//
// Threading: create runs under the entry's construction lock, on the host's thread.
#include <new>

#include "clap/clap_entry.h"
#include "effect/quelora2.h"

namespace {

const char* const kFeatures[] = {"audio-effect", "delay", "stereo", nullptr};

IPlugCLAP* Create(const ClapHostLink* link) {
  VSTCLASS* plug = new (std::nothrow) VSTCLASS(link);
  if (!plug) return nullptr;
  plug->EnsureOnePreset();
  return plug;
}

const ClapModuleDefinition kModule = {
    "com.obvik.quelora-2",
    "Quelora 2",
    "Obvik",
    "https://obvik.com/plugins/quelora-2/",
    "https://obvik.com/plugins/quelora-2/",
    "https://obvik.com/",
    "1.2.0",
    "A tempo-synchronised stereo delay",
    kFeatures,
    Create,
};

}  // namespace

const ClapModuleDefinition& ClapThisModule() { return kModule; }
