// Where a VST 3 bundle keeps its binary on this system, and the module entry and exit
// calls Linux modules export. One file per platform (vst3_library_posix.cpp,
// vst3_library_win.cpp); the binary itself is loaded by SharedLibrary.
//
// Threading: the tool's thread.
#pragma once

#include <string>

#include "tools/host/shared_library.h"

namespace vst3_library {

// "x86_64-linux" or "x86_64-win": the bundle's folder for this system's binary.
const char* ArchitectureFolder();
// ".so" or ".vst3".
const char* BinarySuffix();
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);

// Linux: ModuleEntry(handle) when exported (*entered tells); false when it answered
// false. Windows: true (nothing to call).
bool Enter(const SharedLibrary& library, bool* entered);
// Linux: ModuleExit().
void Exit(const SharedLibrary& library);

}  // namespace vst3_library
