// The plug-in's editor as a host sees it: its rectangle (effEditGetRect) and, through the
// private off-screen call of vst/private_calls.h, a picture of it at a scale.
//
// Threading: tool's only thread (the plug-in's user-interface thread).
#pragma once

#include <vector>

#include "tools/host/plugin_module.h"
#include "tools/host/status.h"

// The editor size; kUnsupported when the plug-in has no editor or reports an empty
// rectangle.
Status EditorSize(const PluginModule& plugin, int* width, int* height);

// The whole editor drawn off-screen at a scale factor, as width x height R, G, B, A pixels,
// top row first. kUnsupported when the plug-in has no editor or does not answer the call
// (at scale 1 a plug-in that knows no scales is asked for its picture at its own size).
Status CaptureEditor(const PluginModule& plugin, double scale, int* width, int* height,
                     std::vector<unsigned char>* rgba);
