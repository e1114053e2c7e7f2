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

void* Open(const std::string& path, std::string* reason) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library) *reason = "LoadLibrary error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(library);
}

bool Enter(void* library, bool* entered) {
  (void)library;
  *entered = false;
  return true;
}

void Exit(void* library) { (void)library; }

void* Symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Close(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace vst3_library
