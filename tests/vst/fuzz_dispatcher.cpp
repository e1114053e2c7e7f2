// Fuzzes a fresh in-process instance through its dispatcher: a script of up to
// kMaxCalls calls (see DispatchScripted for the fields of one call and the records given
// to the opcodes whose pointers need them), then effClose. Every call must return without
// touching memory it was not given; the close must leave nothing allocated.
#include <cstdint>

#include "tests/vst/fuzz_host.h"
#include "tests/vst/fuzz_script.h"
#include "vst/entry.h"

namespace {

constexpr int kMaxCalls = 200;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetFuzzHost();
  AEffect* e = VSTPluginMain(FuzzHostCallback);
  if (!e) return 0;
  ScriptReader script(data, size);
  for (int call = 0; call < kMaxCalls && !script.Done(); ++call) DispatchScripted(e, script);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
  return 0;
}
