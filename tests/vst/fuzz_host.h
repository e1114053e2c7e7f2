// The host side of the in-process fuzz targets: a host callback whose time record the
// script controls, and dispatcher calls decoded from a script the way a careless but not
// malicious host would make them (every pointer points at memory of the layout the opcode
// documents, every number and text is arbitrary).
//
// Threading: the fuzz targets are single-threaded; the host state is process-wide.
#pragma once

#include <cstdint>
#include <string>

#include "tests/vst/fuzz_script.h"
#include "vst/aeffect.h"

struct FuzzHostState {
  VstTimeInfo time;
  // False: audioMasterGetTime answers null, as a host that is not playing may.
  bool giveTime;
};

FuzzHostState& FuzzHost();
// 120 BPM in 4/4 at position 0, tempo and signature flagged valid, time given.
void ResetFuzzHost();
VstIntPtr FuzzHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                           void* ptr, float opt);

// Reads one dispatcher call from the script (opcode byte, index word, value word, opt
// float, text) and makes it. effClose is never made (the caller closes). Returns the
// dispatcher's answer.
VstIntPtr DispatchScripted(AEffect* effect, ScriptReader& script);
// Writes the call DispatchScripted reads back as exactly these arguments (for opcode
// -2 ... 80, index -64 ... 39 and a value within the 32-bit range).
void WriteDispatch(ScriptWriter& script, int opcode, int32_t index, int64_t value, float opt,
                   const std::string& text);

// One instance for a whole run, for targets whose inputs need no fresh instance: building
// one (the editor decodes its images) costs more than most inputs. Created on first use
// (call it from LLVMFuzzerInitialize), never closed. The factory bank is captured then;
// RestoreFactoryState selects program 0 and loads that bank, so every input starts from
// the state of a new instance (as far as chunks, programs and parameters go).
AEffect* SharedInstance();
void RestoreFactoryState(AEffect* effect);
