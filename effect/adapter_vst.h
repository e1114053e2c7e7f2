// The format adapter of the VST 2.4 build of the effect (library quelora_effect): the
// effect class derives from EffectAdapter and its constructor takes EffectHostLink from
// the entry point. The module target chooses this header or effect/adapter_lv2.h through
// QUELORA_EFFECT_ADAPTER; the effect's code is the same for both.
#pragma once

#include "vst/IPlugVST.h"

using EffectAdapter = IPlugVST;
using EffectHostLink = audioMasterCallback;
