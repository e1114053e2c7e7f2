// The two commands of quelora-host. Each loads the plug-in itself and unloads it (effClose,
// dlclose) before returning, whatever happened.
//
// Threading: tool's only thread.
#pragma once

#include <cstdio>

#include "tools/host/options.h"
#include "tools/host/status.h"

// Prints the plug-in's identity, channels, flags, parameters and programs to out.
Status RunInfo(const Options& options, std::FILE* out);

// Renders the input file (or the demo phrase) through the plug-in into options.output.
// Prints one summary line to out.
Status RunRender(const Options& options, std::FILE* out);
