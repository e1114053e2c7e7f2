// The Linux editor: an X11 child window (XEmbed parent), driven by the host's timer and
// the X connection's descriptor when the host offers both.
#include <cstdint>

#include "clap/clap_platform.h"

const char* ClapEmbeddedWindowApi() { return clapabi::kWindowApiX11; }

void* ClapParentWindowHandle(const clapabi::Window& window) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window.x11));
}

bool ClapEditorCanRunOnHostLoop() { return true; }
