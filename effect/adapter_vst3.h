// The format adapter of the VST 3 build of the effect (library quelora_effect_vst3); see
// effect/adapter_vst.h.
#pragma once

#include "vst3/IPlugVST3.h"

using EffectAdapter = IPlugVST3;
using EffectHostLink = const Vst3HostLink*;
