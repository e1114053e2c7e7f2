// Choosing a program and setting parameters by the names and texts a user sees.
//
// Threading: tool's only thread, between effOpen and processing.
#pragma once

#include <string>

#include "tools/host/options.h"
#include "tools/host/plugin_module.h"
#include "tools/host/status.h"

// Selects a program by exact name, else by its 1-based number. kUnknownName otherwise.
Status SelectProgram(const PluginModule& plugin, const std::string& nameOrNumber);

// Finds the parameter by exact name, else by a unique case-insensitive match; -1 if none.
int FindParameter(const PluginModule& plugin, const std::string& name);

// Sets a parameter from a display text or a number in its units. The plug-in converts
// the text when it offers a conversion (the vendor-specific text-to-normalized request,
// else effString2Parameter); without one a number is taken as the normalized value 0..1.
// A text must end up as the parameter's display text: when the conversion does not get
// there, the display texts are searched (exactly, then ignoring case). A number the
// plug-in shows differently (out of range, clamped) gets a warning on stderr. Fails with
// kUnknownName for an unknown parameter (listing the known ones) or a text that is no
// display text (listing them when there are few), leaving the parameter unchanged.
Status ApplySetting(const PluginModule& plugin, const ParameterSetting& setting);

// Program first (when options.program is not empty), then options.settings in the order
// given, so --set refines a program. Stops at the first failure.
Status ApplyProgramAndSettings(const PluginModule& plugin, const Options& options);
