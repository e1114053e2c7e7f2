// The format adapter of the CLAP build of the effect (library quelora_effect_clap); see
// effect/adapter_vst.h.
#pragma once

#include "clap/IPlugCLAP.h"

using EffectAdapter = IPlugCLAP;
using EffectHostLink = const ClapHostLink*;
