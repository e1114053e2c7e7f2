// Loading a VST 3 module's binary: the system's loader, the module entry and exit calls
// Linux modules export, and where a bundle keeps its binary on this system. One file per
// platform (vst3_library_posix.cpp, vst3_library_win.cpp).
//
// Threading: the tool's thread.
#pragma once

#include <string>

namespace vst3_library {

// "x86_64-linux" or "x86_64-win": the bundle's folder for this system's binary.
const char* ArchitectureFolder();
// ".so" or ".vst3".
const char* BinarySuffix();
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);

// The loaded module, or null with *reason.
void* Open(const std::string& path, std::string* reason);
// Linux: ModuleEntry(handle) when exported (*entered tells); false when it answered
// false. Windows: true (nothing to call).
bool Enter(void* library, bool* entered);
// Linux: ModuleExit().
void Exit(void* library);
void* Symbol(void* library, const char* name);
// Unloads (sanitizer builds keep the module mapped, see tools/CMakeLists.txt).
void Close(void* library);

}  // namespace vst3_library
