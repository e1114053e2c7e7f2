// The view on Windows: a child window of the host's HWND. The editor's own timer runs on
// the host's UI thread, so there is no run loop to join.
#include "vst3/vst3_view.h"

namespace vst3_platform {

const char* ViewType() { return v3::kHwndType; }

bool UsesHostRunLoop() { return false; }

}  // namespace vst3_platform
