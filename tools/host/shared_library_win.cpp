#include <windows.h>

#include "tools/host/shared_library.h"

bool SharedLibrary::Open(const std::string& path, std::string* error) {
  Close();
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) {
    if (error) *error = "cannot load (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  handle_ = module;
  return true;
}

void* SharedLibrary::Symbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void SharedLibrary::Close() {
  if (!handle_) return;
  FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

bool WaitForReadableFds(const int*, int, int, int*, int* readyCount) {
  if (readyCount) *readyCount = 0;
  return false;
}
