// The plug-in's editor as a host sees it: its rectangle (effEditGetRect) and, through the
// private off-screen call of vst/private_calls.h, a picture of it.
//
// Threading: tool's only thread (the plug-in's user-interface thread).
#pragma once

#include <vector>

#include "tools/host/plugin_module.h"
#include "tools/host/status.h"

// The editor size; kUnsupported when the plug-in has no editor or reports an empty
// rectangle.
Status EditorSize(const PluginModule& plugin, int* width, int* height);

// The whole editor drawn off-screen, as width x height R, G, B, A pixels, top row first.
// kUnsupported when the plug-in has no editor or does not answer the call.
Status CaptureEditor(const PluginModule& plugin, int* width, int* height,
                     std::vector<unsigned char>* rgba);
