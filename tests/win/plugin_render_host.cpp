// A small VST 2.4 host program that loads the built plug-in module (LoadLibrary on Windows,
// dlopen elsewhere), checks its identity, parameters, programs and state chunks through
// the plug-in interface, and renders a fixed stereo input through a fixed sequence of
// parameter, program and chunk changes. The output samples go to a raw file of
// little-endian doubles (single-precision blocks widened), so the Windows DLL's audio can
// be compared with the Linux module's sample for sample.
//
//   quelora_render_host <module> <output.raw>
// Exit code 0 when every check passed (the file is written either way when rendering ran).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_host.h"
#include "vst/aeffect.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

int g_failures = 0;

#define CHECK(cond)                                                            \
  do {                                                                         \
    if (!(cond)) {                                                             \
      ++g_failures;                                                            \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                          \
  } while (0)

constexpr double kSampleRate = 44100.0;
constexpr int kBlock = 512;

// Deterministic input made with integer arithmetic only, so both platforms feed exactly
// the same samples: a noise burst every 4096 frames on the left, quieter steady noise on
// the right.
struct InputSignal {
  uint32_t state = 12345u;
  long long frame = 0;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<int32_t>(state)) / 2147483648.0;
  }
  void Fill(double* left, double* right, int n) {
    for (int i = 0; i < n; ++i, ++frame) {
      const double a = Next(), b = Next();
      left[i] = (frame % 4096) < 300 ? a * 0.8 : 0.0;
      right[i] = b * 0.05;
    }
  }
};

class Module {
 public:
  explicit Module(const char* path) {
#ifdef _WIN32
    m_handle = LoadLibraryA(path);
    if (m_handle) {
      m_main = reinterpret_cast<VstPluginMainProc>(
          reinterpret_cast<void*>(GetProcAddress(m_handle, "VSTPluginMain")));
      m_legacy = reinterpret_cast<VstPluginMainProc>(
          reinterpret_cast<void*>(GetProcAddress(m_handle, "main")));
    }
#else
    m_handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (m_handle) {
      m_main = reinterpret_cast<VstPluginMainProc>(dlsym(m_handle, "VSTPluginMain"));
      m_legacy = reinterpret_cast<VstPluginMainProc>(dlsym(m_handle, "main"));
    }
#endif
  }
  ~Module() {
#ifdef _WIN32
    if (m_handle) FreeLibrary(m_handle);
#else
    if (m_handle) dlclose(m_handle);
#endif
  }
  bool Loaded() const { return m_handle != nullptr; }
  VstPluginMainProc Main() const { return m_main; }
  VstPluginMainProc Legacy() const { return m_legacy; }

 private:
#ifdef _WIN32
  HMODULE m_handle = nullptr;
#else
  void* m_handle = nullptr;
#endif
  VstPluginMainProc m_main = nullptr;
  VstPluginMainProc m_legacy = nullptr;
};

std::vector<unsigned char> Chunk(AEffect* e, int isProgram) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(e, effGetChunk, isProgram, 0, &data);
  if (size <= 0 || !data) return {};
  const unsigned char* p = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(p, p + size);
}

void CheckIdentity(TestHost& host) {
  AEffect* e = host.effect();
  CHECK(e->magic == kEffectMagic);
  CHECK(e->uniqueID == FourCharCode('k', '2', 'q', 'z'));
  CHECK(e->version == 10200);
  CHECK(e->numParams == 6);
  CHECK(e->numPrograms == 24);
  CHECK(e->numInputs == 2 && e->numOutputs == 2);
  // Replacing, double replacing and mono; the editor flag depends on the build's editor.
  CHECK((e->flags | effFlagsHasEditor) == 0x1019);
  CHECK(e->processReplacing && e->processDoubleReplacing && e->getParameter && e->setParameter);
  CHECK(host.Text(effGetEffectName) == "Quelora 2");
  CHECK(host.Text(effGetVendorString) == "Obvik");
  CHECK(Dispatch(e, effGetVendorVersion) == 10200);
  CHECK(Dispatch(e, effGetVstVersion) == 2400);
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    CHECK(v >= 0.f && v <= 1.f);
    CHECK(!host.Text(effGetParamName, i).empty());
  }
  CHECK(host.Text(effGetParamName, 0) == "Delay Rate");
  CHECK(host.Text(effGetParamDisplay, 0) == "1/4");
  // Hostile indices answer nothing and change nothing.
  CHECK(e->getParameter(e, -1) == 0.f && e->getParameter(e, 6) == 0.f);
  e->setParameter(e, 99, 0.5f);
  for (int i = 0; i < 24; ++i) {
    char name[256] = {0};
    CHECK(Dispatch(e, effGetProgramNameIndexed, i, 0, name) == 1);
  }
  const std::vector<unsigned char> program = Chunk(e, 1), bank = Chunk(e, 0);
  CHECK(program.size() == 56u);
  CHECK(bank.size() == 1187u);
  const unsigned char header[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  CHECK(program.size() >= 8 && memcmp(program.data(), header, 8) == 0);
}

// Runs one block in double precision (or single, widened) and appends both channels.
void RenderBlock(AEffect* e, InputSignal* input, bool doublePrecision, std::vector<double>* out) {
  double in0[kBlock], in1[kBlock], o0[kBlock], o1[kBlock];
  input->Fill(in0, in1, kBlock);
  if (doublePrecision) {
    double* ins[2] = {in0, in1};
    double* outs[2] = {o0, o1};
    e->processDoubleReplacing(e, ins, outs, kBlock);
  } else {
    float f0[kBlock], f1[kBlock], g0[kBlock], g1[kBlock];
    for (int i = 0; i < kBlock; ++i) {
      f0[i] = static_cast<float>(in0[i]);
      f1[i] = static_cast<float>(in1[i]);
    }
    float* ins[2] = {f0, f1};
    float* outs[2] = {g0, g1};
    e->processReplacing(e, ins, outs, kBlock);
    for (int i = 0; i < kBlock; ++i) {
      o0[i] = g0[i];
      o1[i] = g1[i];
    }
  }
  out->insert(out->end(), o0, o0 + kBlock);
  out->insert(out->end(), o1, o1 + kBlock);
}

void Render(AEffect* e, std::vector<double>* out) {
  InputSignal input;
  Dispatch(e, effOpen);
  Dispatch(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
  Dispatch(e, effSetBlockSize, 0, kBlock);
  Dispatch(e, effMainsChanged, 0, 1);
  for (int b = 0; b < 16; ++b) RenderBlock(e, &input, true, out);
  // Automation: a shorter note, inv pong, wider, more feedback, a crossfade running.
  e->setParameter(e, 0, 0.35f);
  e->setParameter(e, 1, 1.0f);
  e->setParameter(e, 2, 0.8f);
  e->setParameter(e, 3, 0.7f);
  for (int b = 0; b < 24; ++b) RenderBlock(e, &input, true, out);
  Dispatch(e, effSetProgram, 0, 5);
  for (int b = 0; b < 16; ++b) RenderBlock(e, &input, true, out);
  // A bank saved now and restored after another program change.
  const std::vector<unsigned char> bank = Chunk(e, 0);
  Dispatch(e, effSetProgram, 0, 11);
  for (int b = 0; b < 8; ++b) RenderBlock(e, &input, false, out);
  std::vector<unsigned char> copy = bank;
  CHECK(!copy.empty() &&
        Dispatch(e, effSetChunk, 0, static_cast<VstIntPtr>(copy.size()), copy.data()) == 1);
  CHECK(Chunk(e, 0) == bank);
  for (int b = 0; b < 16; ++b) RenderBlock(e, &input, true, out);
  Dispatch(e, effMainsChanged, 0, 0);
}

bool WriteRaw(const char* path, const std::vector<double>& samples) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const size_t n = std::fwrite(samples.data(), sizeof(double), samples.size(), f);
  return std::fclose(f) == 0 && n == samples.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <module> <output.raw>\n", argv[0]);
    return 2;
  }
  Module module(argv[1]);
  if (!module.Loaded() || !module.Main()) {
    std::fprintf(stderr, "cannot load %s or find VSTPluginMain\n", argv[1]);
    return 1;
  }
  CHECK(module.Legacy() != nullptr);

  TestHost host;
  AEffect* e = host.Create(module.Main());
  CHECK(e != nullptr);
  if (!e) return 1;
  CheckIdentity(host);

  // The older entry name makes an independent instance.
  if (module.Legacy()) {
    TestHost otherHost;
    AEffect* other = otherHost.Create(module.Legacy());
    CHECK(other != nullptr && other != e);
    if (other) CHECK(other->uniqueID == e->uniqueID);
  }

  std::vector<double> samples;
  Render(e, &samples);
  double peak = 0;
  for (double s : samples) peak = s > peak ? s : (-s > peak ? -s : peak);
  // The echoes must be there: silence would compare equal on both platforms too.
  CHECK(peak > 0.01);
  host.Close();

  if (!WriteRaw(argv[2], samples)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu samples, peak %.6f, %d failed checks\n", samples.size(), peak, g_failures);
  return g_failures == 0 ? 0 : 1;
}
