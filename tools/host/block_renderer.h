// Streams audio through an opened plug-in in blocks, the way a DAW's offline export does:
// the transport starts at sample 0, every block advances it, the last block may be short,
// and after the input ends the plug-in keeps receiving silence for the tail.
//
// Threading: tool's only thread (it plays the audio thread's part).
#pragma once

#include <functional>

#include "tools/host/audio_file.h"
#include "tools/host/host_context.h"
#include "tools/host/plugin_module.h"
#include "tools/host/progress_bar.h"

struct RenderSettings {
  int blockSize = 512;
  bool useDouble = false;
  long long totalFrames = 0;  // input plus tail
};

// Receives each processed block: one float pointer per plug-in output. Returns false to
// stop the render (a write error).
using BlockSink = std::function<bool(const float* const* channels, int frames)>;

// input: 1 or 2 channels (checked by the caller). A mono input feeds every plug-in input;
// a stereo input feeds inputs 1 and 2 in order (averaged into a mono plug-in's single
// input), and further plug-in inputs get silence. The sink gets one channel per plug-in
// output. Uses processDoubleReplacing when asked, else processReplacing, else the
// accumulating process into cleared buffers. False when the sink stopped the render.
bool RenderThroughPlugin(const PluginModule& plugin, HostContext& context,
                         const AudioData& input, const RenderSettings& settings,
                         ProgressBar& progress, const BlockSink& sink);
