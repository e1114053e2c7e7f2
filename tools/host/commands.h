// The commands of quelora-host. Each loads the plug-in itself and unloads it (effClose,
// dlclose) before returning, whatever happened.
//
// Threading: tool's only thread.
#pragma once

#include <cstdio>
#include <string>

#include "tools/host/options.h"
#include "tools/host/status.h"

// Prints the plug-in's identity, channels, flags, parameters and programs to out.
Status RunInfo(const Options& options, std::FILE* out);

struct AudioData;
// The render's source: the input file (mono or stereo) or the demo phrase at options'
// sample rate and tempo.
Status LoadRenderSource(const Options& options, AudioData* source);

// The plug-in is a VST 2.4 module, or for info and render an LV2 bundle (a directory with
// manifest.ttl) or a VST 3 bundle (a directory NAME.vst3).
// Renders the input file (or the demo phrase) through the plug-in into options.output.
// Prints one summary line to out.
Status RunRender(const Options& options, std::FILE* out);

// Draws the plug-in's editor off-screen (the private call of vst/private_calls.h) and
// writes it to options.output as an 8-bit RGBA PNG. Prints one line to out.
Status RunScreenshot(const Options& options, std::FILE* out);

// Opens the plug-in's editor in a top-level window on the X display and keeps it open
// until the window is closed, SIGINT, or options.editSeconds (when > 0) have passed.
Status RunEdit(const Options& options, std::FILE* out);

// CLAP modules: true for a path ending in ".clap" (any case).
bool IsClapModule(const std::string& path);
// quelora-host info / render on a CLAP module (see RunInfo / RunRender); render takes
// --set (parsed by the plug-in) but no --program, and --double uses 64-bit buffers.
Status RunClapInfo(const Options& options, std::FILE* out);
Status RunClapRender(const Options& options, std::FILE* out);
