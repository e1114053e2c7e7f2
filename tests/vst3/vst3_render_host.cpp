// Renders every identity scenario (tests/vst3/vst3_scenarios.h) at block sizes 64, 333 and
// 4096 in 32-bit and 64-bit processing through one module, and writes the samples as raw
// little-endian doubles, so that builds and formats can be compared byte for byte: the
// Windows VST 3 bundle under wine against the Linux VST 2.4 module, and on Linux the
// VST 3 bundle against the VST 2.4 module.
//
//   quelora_vst3_render_host vst2 MODULE OUT.raw
//   quelora_vst3_render_host vst3 BUNDLE OUT.raw
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/vst3/vst3_scenarios.h"

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "vst2") != 0 && std::strcmp(argv[1], "vst3") != 0)) {
    std::fprintf(stderr, "usage: %s vst2|vst3 MODULE OUT.raw\n", argv[0]);
    return 2;
  }
  const bool vst3 = std::strcmp(argv[1], "vst3") == 0;
  std::vector<double> samples;
  int renders = 0;
  for (const Scenario& scenario : IdentityScenarios()) {
    for (int block : {64, 333, 4096}) {
      for (bool wide : {false, true}) {
        std::string error;
        const bool ok = vst3 ? RenderVst3Scenario(argv[2], scenario, block, wide, &samples, &error)
                             : RenderVst2Scenario(argv[2], scenario, block, wide, &samples, &error);
        if (!ok) {
          std::fprintf(stderr, "%s, block %d, %s: %s\n", scenario.name, block,
                       wide ? "64-bit" : "32-bit", error.c_str());
          return 1;
        }
        ++renders;
      }
    }
  }
  double peak = 0;
  for (double s : samples) peak = s > peak ? s : (-s > peak ? -s : peak);
  FILE* f = std::fopen(argv[3], "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  const size_t n = std::fwrite(samples.data(), sizeof(double), samples.size(), f);
  if (std::fclose(f) != 0 || n != samples.size()) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  std::printf("%s: %d renders, %zu samples, peak %.6f\n", argv[1], renders, samples.size(), peak);
  // Silence would compare equal too.
  return peak > 0.05 ? 0 : 1;
}
