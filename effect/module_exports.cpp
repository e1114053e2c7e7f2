// Compiled into the plug-in module only: the entry point under its older name "main",
// which some hosts still look up. It is kept out of the effect library because test
// programs and fuzzers have a main of their own.
#include "vst/entry.h"

extern "C" QUELORA_EXPORT AEffect* QueloraLegacyMain(audioMasterCallback hostCallback) __asm__(
    "main");

extern "C" AEffect* QueloraLegacyMain(audioMasterCallback hostCallback) {
  return VSTPluginMain(hostCallback);
}
