// What differs between the platforms for a CLAP editor: the embedded window API, the
// native parent handle taken from the host's window record, and whether the editor can
// run on the host's timers and file descriptors. clap_platform_linux.cpp and
// clap_platform_win.cpp implement it once each.
//
// Threading: pure functions, any thread.
#pragma once

#include "clap/clap_abi.h"

// "x11" on Linux, "win32" on Windows.
const char* ClapEmbeddedWindowApi();
// The parent as IPlugBase::OpenEditor takes it (an X11 Window id or an HWND, as a
// pointer); null when the record names no window.
void* ClapParentWindowHandle(const clapabi::Window& window);
// True where the editor can be driven by timer-support and posix-fd-support (Linux).
bool ClapEditorCanRunOnHostLoop();
