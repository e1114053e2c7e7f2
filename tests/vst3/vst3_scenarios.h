// The audio scenarios the VST 3 module must render exactly as the VST 2.4 module does:
// settings, programs, tempi (and none), sample rates, and changes while audio runs. The
// identity tests (Linux) and the render host (both builds, the Windows one under wine)
// render them through both formats.
//
// Changes reach the VST 2.4 module as setParameter / effSetProgram / effSetChunk between
// blocks, and the VST 3 module in the block's queues (an earlier point first, which the
// last point must override), as the program parameter in the queue, and as setState.
//
// Threading: the calling thread.
#pragma once

#include <string>
#include <vector>

struct ScenarioChange {
  int atBlock;
  int param;    // 0..5, or kProgramChange, or kStateRestore
  float value;  // normalized (a parameter) or a program index
};

constexpr int kProgramChange = -1;
// Restores the scenario payload: the VST 2.4 module gets its program chunk, the VST 3
// module a state (written here byte by byte in its documented layout) holding it and
// program 14.
constexpr int kStateRestore = -2;

struct Scenario {
  const char* name;
  double rate;
  double bpm;  // 0: no tempo
  int program;
  std::vector<ScenarioChange> changes;
  int noTempoUntilBlock;  // blocks before this one get no tempo
  double seconds;
};

const std::vector<Scenario>& IdentityScenarios();
int ScenarioBlocks(const Scenario& scenario, int block);

// Both channels of every block appended to *out (single precision widened). False with
// *error when the module could not be driven.
bool RenderVst2Scenario(const std::string& modulePath, const Scenario& scenario, int block,
                        bool wide, std::vector<double>* out, std::string* error);
bool RenderVst3Scenario(const std::string& bundlePath, const Scenario& scenario, int block,
                        bool wide, std::vector<double>* out, std::string* error);
