// Renders every identity scenario (tests/clap/clap_scenarios.h) through one module and
// writes the samples as a raw file of doubles in the machine's byte order, so that the
// Windows CLAP DLL's audio (under wine) can be compared with the Linux VST 2.4 module's
// byte for byte:
//
//   quelora_clap_render_host clap <Quelora2.clap> <out.raw>
//   quelora_clap_render_host vst <VST 2.4 module> <out.raw>
//
// Exit code 0 when the render ran (for CLAP: without a breach of the thread rules) and the
// file was written.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/clap/clap_scenarios.h"
#include "tools/host/clap_host.h"
#include "tools/host/shared_library.h"

namespace {

bool WriteRaw(const char* path, const std::vector<double>& samples) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const size_t n = std::fwrite(samples.data(), sizeof(double), samples.size(), f);
  return std::fclose(f) == 0 && n == samples.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "clap") != 0 && std::strcmp(argv[1], "vst") != 0)) {
    std::fprintf(stderr, "usage: %s clap|vst <module> <output.raw>\n", argv[0]);
    return 2;
  }
  std::vector<double> samples;
  std::string error;
  if (std::strcmp(argv[1], "clap") == 0) {
    ClapModuleFile module;
    if (!module.Open(argv[2], &error) || !RenderAllClap(module, &samples, &error)) {
      std::fprintf(stderr, "CLAP render of %s failed: %s\n", argv[2], error.c_str());
      return 1;
    }
  } else {
    SharedLibrary library;
    if (!library.Open(argv[2], &error)) {
      std::fprintf(stderr, "cannot load %s: %s\n", argv[2], error.c_str());
      return 1;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(library.Symbol("VSTPluginMain"));
    if (!entry || !RenderAllVst(entry, &samples, &error)) {
      std::fprintf(stderr, "VST 2.4 render of %s failed: %s\n", argv[2], error.c_str());
      return 1;
    }
  }
  double peak = 0.0;
  for (double s : samples) peak = s > peak ? s : (-s > peak ? -s : peak);
  if (!WriteRaw(argv[3], samples)) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  std::printf("%zu samples, peak %.6f\n", samples.size(), peak);
  return 0;
}
