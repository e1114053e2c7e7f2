// Desktop services of the Linux editor: opening a web address in the user's browser,
// finding the plug-in module's and the host program's folders, and the desktop's scale
// factor.
//
// Threading: any thread, no lock needed (the editor calls them on its editor thread with
// the plug-in lock held, and the scale on the opening thread with the plug-in lock held).
#pragma once

#include <X11/Xlib.h>

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

// The Xft.dpi value in X resource text (the RESOURCE_MANAGER property: lines such as
// "Xft.dpi:\t192"); 0 when there is none or it is no positive number.
double XftDpiFromResources(const char* resources);
// The desktop's scale factor for a display: its Xft.dpi resource / 96 (the setting desktops
// write for their scaling, read from the resources the connection received when it
// opened), else the GDK_SCALE environment variable; 0 when neither says anything. The
// display may be null (GDK_SCALE only).
double DesktopScale(Display* display);
// DesktopScale of the default display, through a connection of its own opened and closed
// here (a missing display gives GDK_SCALE only).
double DetectDesktopScale();

}  // namespace x11
