// The LV2 descriptor of a plug-in built on IPlugLV2: every callback except instantiate,
// which the effect supplies (it alone knows the class to construct).
//
// Threading: as LV2 defines it (see IPlugLV2.h); each callback survives a null handle.
#pragma once

#include <lv2/core/lv2.h>

// A descriptor for uri whose callbacks drive an IPlugLV2 (the handle is the IPlugLV2*).
// extension_data answers the state interface.
LV2_Descriptor MakeLv2Descriptor(const char* uri,
                                 LV2_Handle (*instantiate)(const LV2_Descriptor*, double,
                                                           const char*,
                                                           const LV2_Feature* const*));
