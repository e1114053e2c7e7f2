// The Windows editor: a Win32 child window of the host's HWND; it runs on the host's
// message loop (its own timer) whatever the host offers.
#include "clap/clap_platform.h"

const char* ClapEmbeddedWindowApi() { return clapabi::kWindowApiWin32; }

void* ClapParentWindowHandle(const clapabi::Window& window) { return window.win32; }

bool ClapEditorCanRunOnHostLoop() { return false; }
