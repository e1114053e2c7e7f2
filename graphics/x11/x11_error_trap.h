// Keeps X protocol errors on the editors' own display connections from reaching the
// process's error handler, whose default prints and exits. An editor's window can vanish
// under it at any time (the host destroys its parent window before closing the editor),
// so a request that names a dead window must count as a recoverable failure, not end the
// host.
//
// While at least one editor display is registered, a handler is installed that counts
// errors on registered displays and passes errors on every other display to the handler
// that was installed before it. Likewise for I/O errors (a server that went away): on an
// editor display the handler returns, so that Xlib calls that display's exit handler
// (set by the editor: it marks the connection lost) instead of ending the process. When the last display leaves, the previous handler is
// put back (or, if a later handler replaced ours in the meantime, that later one is kept).
//
// Threading: Register / Unregister / ErrorCount are callable from any thread (install and
// removal are serialised by an internal mutex that the handler itself never takes). The
// handler runs inside Xlib on whichever thread made the failing request.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Adds display to the trapped set; false when the fixed table is full (the display then
// uses whatever handler is installed).
bool RegisterTrappedDisplay(Display* display);
// Removes it; call after XCloseDisplay so that errors flushed by the close are trapped.
void UnregisterTrappedDisplay(Display* display);
// Number of errors seen on that display since it was registered (0 when not registered).
int TrappedErrorCount(Display* display);
// True once the connection of a registered display broke. From then on no Xlib call may be
// made on it (not even XCloseDisplay: Xlib's display lock may be left taken); its owner
// only closes the socket and forgets it.
bool TrappedConnectionLost(Display* display);
// Makes Xlib return from a broken connection of this display instead of exiting (its
// per-display exit handler). Register the display as well.
void SurviveConnectionLoss(Display* display);

}  // namespace x11
