// The format adapter of the LV2 build of the effect (library quelora_effect_lv2); see
// effect/adapter_vst.h.
#pragma once

#include "lv2/IPlugLV2.h"

using EffectAdapter = IPlugLV2;
using EffectHostLink = const Lv2HostLink*;
