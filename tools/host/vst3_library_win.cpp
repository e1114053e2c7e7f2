#include <windows.h>

#include "tools/host/vst3_library.h"

namespace vst3_library {

const char* ArchitectureFolder() { return "x86_64-win"; }
const char* BinarySuffix() { return ".vst3"; }

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Enter(const SharedLibrary& library, bool* entered) {
  (void)library;
  *entered = false;
  return true;
}

void Exit(const SharedLibrary& library) { (void)library; }

}  // namespace vst3_library
