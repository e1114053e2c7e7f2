// The effect's VST 3 identity: what the factory reports and moduleinfo.json lists. The
// class ID must never change once released (hosts' saved sessions refer to it); the name,
// vendor and version are the effect's own (a unit test holds them equal to the instance's).
#pragma once

#include <cstdint>

constexpr uint32_t kVst3ClassIdWords[4] = {0x5133D0A7, 0x2B6E4C19, 0x9F0C7E52, 0x6A4B1D38};
constexpr const char* kVst3ClassName = "Quelora 2";
constexpr const char* kVst3Vendor = "Obvik";
constexpr const char* kVst3Version = "1.2.0";
constexpr const char* kVst3SubCategories = "Fx|Delay";
constexpr const char* kVst3Url = "https://obvik.com/";
constexpr const char* kVst3Email = "";
// The interface version the module is written against.
constexpr const char* kVst3SdkVersion = "VST 3.7.14";
// The bundle's stem (Quelora2.vst3) and the module's name in moduleinfo.json.
constexpr const char* kVst3ModuleName = "Quelora2";
