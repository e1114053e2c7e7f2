#include <dlfcn.h>
#include <poll.h>

#include <vector>

#include "tools/host/shared_library.h"

bool SharedLibrary::Open(const std::string& path, std::string* error) {
  Close();
  // dlopen searches the library path for names without a slash; a file name given on the
  // command line means that file.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* reason = dlerror();
    if (error) *error = reason ? reason : "cannot load";
    return false;
  }
  return true;
}

void* SharedLibrary::Symbol(const char* name) const {
  return handle_ && name ? dlsym(handle_, name) : nullptr;
}

void SharedLibrary::Close() {
  if (!handle_) return;
#ifndef QUELORA_HOST_KEEP_MODULES_MAPPED
  dlclose(handle_);
#endif
  handle_ = nullptr;
}

bool WaitForReadableFds(const int* fds, int count, int timeoutMs, int* ready, int* readyCount) {
  if (readyCount) *readyCount = 0;
  if (!fds || count <= 0 || !ready || !readyCount) return false;
  std::vector<pollfd> polled(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) polled[static_cast<size_t>(i)] = {fds[i], POLLIN, 0};
  const int n = poll(polled.data(), static_cast<nfds_t>(count), timeoutMs);
  if (n < 0) return false;
  for (int i = 0; i < count; ++i) {
    if (polled[static_cast<size_t>(i)].revents & (POLLIN | POLLHUP | POLLERR)) ready[(*readyCount)++] = i;
  }
  return true;
}
