// quelora-host info and render on a VST 3 bundle (see RunInfo / RunRender).
//
// Threading: tool's only thread.
#pragma once

#include <cstdio>

#include "tools/host/options.h"
#include "tools/host/status.h"

Status RunVst3Info(const Options& options, std::FILE* out);
Status RunVst3Render(const Options& options, std::FILE* out);
