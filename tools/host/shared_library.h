// A shared library loaded at run time (dlopen on Linux, LoadLibrary on Windows): the one
// place the VST 3 and CLAP hosts open module files. shared_library_posix.cpp and
// shared_library_win.cpp implement it.
//
// Threading: one owner thread (the host's main thread).
#pragma once

#include <string>

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary() { Close(); }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads the file (a path without a folder means the current folder, never a search).
  // False with a reason in *error.
  bool Open(const std::string& path, std::string* error);
  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  // Unloads (sanitizer builds keep modules mapped, so that the leak report at exit can
  // still name what they left); safe to call more than once.
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  // The system's handle (what a VST 3 module's ModuleEntry is given), or null.
  void* Handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

// Waits up to timeoutMs for any of fds to become readable; their indices into *ready.
// Returns false when waiting failed. Windows has no descriptors to wait for: false.
bool WaitForReadableFds(const int* fds, int count, int timeoutMs, int* ready, int* readyCount);
