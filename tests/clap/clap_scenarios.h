// Fixed render scenarios played through the CLAP module and through the VST 2.4 module
// with the same settings, tempi, sample rates and block sizes, so that their samples can
// be compared: in-process on Linux (clap_vst_identity_test) and, through raw files, the
// Windows CLAP DLL under wine against the Linux VST 2.4 module (clap_render_host).
//
// Changes happen at the start of the block that contains their frame: the VST 2.4 side
// calls setParameter / effSetProgram before that block; the CLAP side sends a PARAM_VALUE
// event inside the block at the frame's offset (the adapter applies it before the block)
// and loads a program as state (the VST 2.4 program chunk of the factory program's values
// with its index) before the block. The input is integer-made noise, the same bits on
// every platform.
//
// Threading: the calling thread is the host's main thread; the CLAP side runs its audio
// calls on a ClapAudioThread.
#pragma once

#include <string>
#include <vector>

#include "tools/host/clap_host.h"
#include "vst/aeffect.h"

struct ScenarioChange {
  int frame;
  enum Kind { kParam, kProgram, kTempo } kind;
  int index;     // parameter or program
  double value;  // plain value, or the tempo (0: none)
};

struct Scenario {
  const char* name;
  double sampleRate;
  double tempo;  // 0: no tempo
  int program;   // factory program applied before the first block
  int frames;
  std::vector<ScenarioChange> changes;
};

// The scenarios every comparison plays, and the block sizes.
const std::vector<Scenario>& IdentityScenarios();
const std::vector<int>& IdentityBlockSizes();

// One render: left then right channel, as doubles (32-bit output widened).
struct Rendered {
  std::vector<double> left;
  std::vector<double> right;
};

// The program chunk (the VST 2.4 build's layout) of a factory program's six values, and
// the CLAP state of it.
std::vector<uint8_t> ClapStateForProgram(int program);

// Renders through the VST 2.4 instance the entry creates. False when it cannot.
bool RenderVstScenario(VstPluginMainProc entry, const Scenario& s, int block, bool use64,
                       Rendered* out, std::string* error);
// Renders through a new instance of the module's plug-in; the host's thread-rule
// violations fail it.
bool RenderClapScenario(const ClapModuleFile& module, const Scenario& s, int block, bool use64,
                        Rendered* out, std::string* error);

// Every scenario at every block size in 32 then 64 bits, appended into one sample list
// (the raw file's content), through one format.
bool RenderAllVst(VstPluginMainProc entry, std::vector<double>* samples, std::string* error);
bool RenderAllClap(const ClapModuleFile& module, std::vector<double>* samples, std::string* error);
