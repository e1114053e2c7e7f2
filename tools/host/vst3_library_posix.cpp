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

bool Enter(const SharedLibrary& library, bool* entered) {
  using EntryProc = bool (*)(void*);
  auto entry = reinterpret_cast<EntryProc>(library.Symbol("ModuleEntry"));
  *entered = false;
  if (!entry) return true;
  *entered = entry(library.Handle());
  return *entered;
}

void Exit(const SharedLibrary& library) {
  using ExitProc = bool (*)();
  auto exitProc = reinterpret_cast<ExitProc>(library.Symbol("ModuleExit"));
  if (exitProc) exitProc();
}

}  // namespace vst3_library
