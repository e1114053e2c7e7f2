#include <dlfcn.h>
#include <sys/stat.h>

#include "tools/host/vst3_library.h"

namespace vst3_library {

const char* ArchitectureFolder() { return "x86_64-linux"; }
const char* BinarySuffix() { return ".so"; }

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void* Open(const std::string& path, std::string* reason) {
  // dlopen searches the library path for names without a slash; a path given means that
  // file.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  void* library = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* text = dlerror();
    *reason = text ? text : "?";
  }
  return library;
}

bool Enter(void* library, bool* entered) {
  using EntryProc = bool (*)(void*);
  auto entry = reinterpret_cast<EntryProc>(dlsym(library, "ModuleEntry"));
  *entered = false;
  if (!entry) return true;
  *entered = entry(library);
  return *entered;
}

void Exit(void* library) {
  using ExitProc = bool (*)();
  auto exitProc = reinterpret_cast<ExitProc>(dlsym(library, "ModuleExit"));
  if (exitProc) exitProc();
}

void* Symbol(void* library, const char* name) { return dlsym(library, name); }

void Close(void* library) {
#ifndef QUELORA_HOST_KEEP_MODULES_MAPPED
  dlclose(library);
#else
  (void)library;
#endif
}

}  // namespace vst3_library
