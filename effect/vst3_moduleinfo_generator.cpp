// Writes the VST 3 bundle's Contents/Resources/moduleinfo.json from the effect's own
// definitions: the module and class names, vendor and version come from an instance of
// the effect, the class ID and categories from effect/vst3_identity.h (the factory reports
// the same). Run by the Linux build; its output is also committed
// (effect/vst3_moduleinfo.json) for the Windows bundle, and a test keeps the two equal.
//
//   quelora-vst3-moduleinfo OUTPUT_FILE
#include <cstdio>
#include <string>

#include "effect/quelora2.h"
#include "effect/vst3_identity.h"
#include "vst3/vst3_factory.h"

namespace {

// A JSON string literal.
std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string VersionText(int code) {
  return std::to_string((code >> 16) & 0xFFFF) + "." + std::to_string((code >> 8) & 0xFF) + "." +
         std::to_string(code & 0xFF);
}

// The "|"-separated sub-categories as a JSON array.
std::string SubCategories(const std::string& list) {
  std::string out = "[";
  size_t start = 0;
  while (start <= list.size()) {
    const size_t bar = list.find('|', start);
    const std::string piece = list.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    out += (out.size() > 1 ? ", " : "") + Quoted(piece.c_str());
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return out + "]";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quelora-vst3-moduleinfo OUTPUT_FILE\n");
    return 2;
  }
  // A description-only instance: nothing is processed.
  VSTCLASS plug(nullptr);
  char classId[33];
  ClassIdText(kVst3ClassIdWords, classId);
  const std::string version = VersionText(plug.VersionCode());

  std::string json = "{\n";
  json += "  \"Name\": " + Quoted(kVst3ModuleName) + ",\n";
  json += "  \"Version\": " + Quoted(version.c_str()) + ",\n";
  json += "  \"Factory Info\": {\n";
  json += "    \"Vendor\": " + Quoted(plug.VendorName()) + ",\n";
  json += "    \"URL\": " + Quoted(kVst3Url) + ",\n";
  json += "    \"E-Mail\": " + Quoted(kVst3Email) + ",\n";
  json += "    \"Flags\": {\n";
  json += "      \"Unicode\": true,\n";
  json += "      \"Classes Discardable\": false,\n";
  json += "      \"Component Non Discardable\": false\n";
  json += "    }\n";
  json += "  },\n";
  json += "  \"Classes\": [\n";
  json += "    {\n";
  json += "      \"CID\": " + Quoted(classId) + ",\n";
  json += "      \"Category\": \"Audio Module Class\",\n";
  json += "      \"Name\": " + Quoted(plug.EffectName()) + ",\n";
  json += "      \"Vendor\": " + Quoted(plug.VendorName()) + ",\n";
  json += "      \"Version\": " + Quoted(version.c_str()) + ",\n";
  json += "      \"SDKVersion\": " + Quoted(kVst3SdkVersion) + ",\n";
  json += "      \"Sub Categories\": " + SubCategories(kVst3SubCategories) + ",\n";
  json += "      \"Class Flags\": 0,\n";
  json += "      \"Cardinality\": 2147483647\n";
  json += "    }\n";
  json += "  ]\n";
  json += "}\n";

  FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::fprintf(stderr, "quelora-vst3-moduleinfo: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(json.data(), 1, json.size(), f) == json.size();
  if (std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "quelora-vst3-moduleinfo: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
