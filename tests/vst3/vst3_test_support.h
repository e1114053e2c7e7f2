// Shared pieces of the VST 3 tests: the VST 2.4 module loaded privately for comparisons,
// deterministic test signals, and small helpers around the one VST 3 host
// (tools/host/vst3_host.h).
//
// Threading: the test's thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_host.h"
#include "tools/host/vst3_host.h"
#include "vst/aeffect.h"

// A VST 2.4 module loaded with dlopen (RTLD_LOCAL): its symbols stay out of the program's.
class Vst2Module {
 public:
  explicit Vst2Module(const char* path);
  ~Vst2Module();
  Vst2Module(const Vst2Module&) = delete;
  Vst2Module& operator=(const Vst2Module&) = delete;
  VstPluginMainProc Entry() const { return mEntry; }

 private:
  void* mLibrary = nullptr;
  VstPluginMainProc mEntry = nullptr;
};

// Deterministic stereo input from integer arithmetic: bursts on the left every 2048
// frames, quieter steady noise on the right.
struct TestSignal {
  uint32_t state = 12345u;
  long long frame = 0;
  double Next();
  void Fill(double* left, double* right, int n);
};

// The effect's program chunk as the VST 2.4 build writes it (effGetChunk, one program).
std::vector<unsigned char> ProgramChunkOf(AEffect* effect);

// The 16 bytes of an identifier.
std::vector<unsigned char> IdBytes(const v3::Id& id);
