// The VST 3 module's exported entry points. The effect defines them (effect/vst3_entry.cpp
// and, on Linux, effect/vst3_module_linux.cpp); in-process tests and fuzzers call
// GetPluginFactory directly after compiling the entry in.
//
// Threading: any host thread; see vst3/vst3_factory.h.
#pragma once

#include "vst3/vst3_abi.h"

#if defined(_WIN32)
#define V3_EXPORT __declspec(dllexport)
#else
#define V3_EXPORT __attribute__((visibility("default")))
#endif

// The factory, with one reference for the caller.
extern "C" V3_EXPORT v3::Factory* V3_CALL GetPluginFactory();

#if !defined(_WIN32)
// Linux hosts call these after loading the module and before unloading it.
extern "C" V3_EXPORT bool ModuleEntry(void* sharedLibraryHandle);
extern "C" V3_EXPORT bool ModuleExit();
#endif
