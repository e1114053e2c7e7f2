// Desktop services of the Linux editor: opening a web address in the user's browser and
// finding the plug-in module's and the host program's folders.
//
// Threading: any thread, no lock needed (the editor calls them on its editor thread with
// the plug-in lock held).
#pragma once

#include <string>

namespace x11 {

// True for "http://..." and "https://..." addresses (case-blind scheme) without control
// characters; nothing else is handed to the opener.
bool IsOpenableWebAddress(const char* address);

// Starts the desktop's opener (xdg-open, found on PATH) with the address as its only
// argument, without a shell. The opener runs as a grandchild that is reaped by the
// system, so no zombie remains; only the short-lived intermediate child is waited for.
// True when the opener program was started (exec succeeded).
bool LaunchWebAddress(const char* address);

// The opener program; tests point it elsewhere. Empty restores "xdg-open".
void SetWebOpenerForTesting(const char* program);

// Folder of the module containing this code (trailing '/'), or "" when unknown.
std::string ModuleFolder();
// Folder of the running program (/proc/self/exe, trailing '/'), or "" when unknown.
std::string ExecutableFolder();

}  // namespace x11
