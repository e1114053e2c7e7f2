// The entry point of a CLAP module: the exported data record "clap_entry", its init and
// deinit bookkeeping and the plug-in factory of the module's one plug-in (clap/
// clap_entry.cpp). clap_entry.cpp is compiled into each program that serves the plug-in
// (the module, and in-process tests, fuzzers and benchmarks), together with the module's
// ClapThisModule(), which describes the plug-in in plain types and constructs it.
//
// Threading: init and deinit on any thread, never concurrently with another call (counted
// under a mutex); get_factory and the factory's functions on any thread; create_plugin
// constructs under the module's construction lock.
#pragma once

#include "clap/IPlugCLAP.h"
#include "clap/clap_abi.h"

#if defined(_WIN32)
#define QUELORA_CLAP_EXPORT __declspec(dllexport)
#else
#define QUELORA_CLAP_EXPORT __attribute__((visibility("default")))
#endif

// The module's one plug-in.
struct ClapModuleDefinition {
  // Reverse-domain identifier; must never change once released.
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manualUrl;
  const char* supportUrl;
  const char* version;
  const char* description;
  // Null-terminated list of feature words.
  const char* const* features;
  // Constructs an instance for the host (any thread, under the construction lock); null
  // when it could not be made.
  IPlugCLAP* (*create)(const ClapHostLink* link);
};

// Defined by the module.
const ClapModuleDefinition& ClapThisModule();

// How often init succeeded without a matching deinit (tests).
int ClapModuleInitCount();

extern "C" QUELORA_CLAP_EXPORT const clapabi::PluginEntry clap_entry;
