// The view on Linux: an X11 child window of the host's window id, driven by the host's
// run loop when it offers one.
#include "vst3/vst3_view.h"

namespace vst3_platform {

const char* ViewType() { return v3::kX11WindowType; }

bool UsesHostRunLoop() { return true; }

}  // namespace vst3_platform
