// The module's exported entry point. Hosts find it by name; in-process tests and fuzzers
// call it directly after linking the effect library.
//
// Threading: callable from any thread; construction is serialized process-wide.
#pragma once

#include "vst/aeffect.h"

#if defined(_WIN32)
#define QUELORA_EXPORT __declspec(dllexport)
#else
#define QUELORA_EXPORT __attribute__((visibility("default")))
#endif

// Creates an instance and returns its record, or null when it could not be allocated.
extern "C" QUELORA_EXPORT AEffect* VSTPluginMain(audioMasterCallback hostCallback);
