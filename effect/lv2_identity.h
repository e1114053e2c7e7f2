// The effect's LV2 identity: the URIs hosts, saved sessions and presets refer to. They
// must never change once released.
#pragma once

constexpr const char* kLv2PluginUri = "https://obvik.com/plugins/quelora-2";
// Preset n (0-based factory program) is kLv2PluginUri + kLv2PresetPath + n.
constexpr const char* kLv2PresetPath = "/presets/";
// The binary inside the bundle.
constexpr const char* kLv2BinaryName = "Quelora2.so";
// The X11 UI (the effect's editor), in the same binary.
constexpr const char* kLv2UiUri = "https://obvik.com/plugins/quelora-2#ui";
