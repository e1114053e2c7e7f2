#include "tests/vst3/vst3_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

Vst2Module::Vst2Module(const char* path) {
#ifdef _WIN32
  mLibrary = LoadLibraryA(path);
  if (mLibrary) {
    mEntry = reinterpret_cast<VstPluginMainProc>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(mLibrary), "VSTPluginMain")));
  }
#else
  mLibrary = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (mLibrary) mEntry = reinterpret_cast<VstPluginMainProc>(dlsym(mLibrary, "VSTPluginMain"));
#endif
}

Vst2Module::~Vst2Module() {
#ifdef _WIN32
  if (mLibrary) FreeLibrary(static_cast<HMODULE>(mLibrary));
#else
  if (mLibrary) dlclose(mLibrary);
#endif
}

double TestSignal::Next() {
  state = state * 1664525u + 1013904223u;
  return static_cast<double>(static_cast<int32_t>(state)) / 2147483648.0;
}

void TestSignal::Fill(double* left, double* right, int n) {
  for (int i = 0; i < n; ++i, ++frame) {
    const double a = Next();
    const double b = Next();
    left[i] = (frame % 2048) < 200 ? a * 0.8 : 0.0;
    right[i] = b * 0.05;
  }
}

std::vector<unsigned char> ProgramChunkOf(AEffect* effect) {
  void* data = nullptr;
  const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.f);
  if (size <= 0 || !data) return {};
  const unsigned char* p = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(p, p + size);
}

std::vector<unsigned char> IdBytes(const v3::Id& id) {
  return std::vector<unsigned char>(id.bytes, id.bytes + 16);
}
