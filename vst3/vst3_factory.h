// The module's factory: it lists one audio-effect class and creates its instances (each
// one object that is component, processor and controller: IPlugVST3). The effect's entry
// point describes the class and exports the factory (effect/vst3_entry.cpp).
//
// Threading: the factory's calls come from the host's UI thread (scanners may use any
// one thread). Instances are constructed one at a time under a process-wide lock, so two
// hosts' threads creating instances at once never share half-built state. The reference
// count is atomic; the factory object lives as long as the module.
#pragma once

#include <cstdint>

#include "vst3/vst3_abi.h"

class IPlugVST3;

struct Vst3ClassDescription {
  // The class ID as four words (the same 32 hex digits on every system).
  uint32_t classIdWords[4];
  const char* name;
  const char* vendor;
  const char* version;
  // "|"-separated, e.g. "Fx|Delay".
  const char* subCategories;
  const char* url;
  const char* email;
  const char* sdkVersion;
  // A new instance with one reference, or null when it could not be created.
  IPlugVST3* (*create)();
};

// The factory with one more reference for the caller (the module's exported
// GetPluginFactory). The description must outlive the module; the first one given is kept.
v3::Factory* Vst3Factory(const Vst3ClassDescription& description);

// Module entry and exit (Linux ModuleEntry / ModuleExit): counted, so that a host that
// enters twice must exit twice. The last exit drops the host context the factory kept.
bool Vst3EnterModule();
bool Vst3ExitModule();

// The 32 upper-case hex digits of a class ID written as four words (moduleinfo.json).
void ClassIdText(const uint32_t words[4], char out[33]);
