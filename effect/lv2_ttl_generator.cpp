// Writes the Turtle of the LV2 bundle from the effect's own definitions: manifest.ttl,
// quelora2.ttl (identity, ports with ranges, defaults, units and scale points) and one
// preset file per filled factory program. Run by the build after the effect is compiled,
// so that no name, range, text or preset value is kept twice.
//
//   quelora-lv2-ttl OUTPUT_DIRECTORY
#include <cmath>
#include <cstdio>
#include <string>

#include "effect/lv2_identity.h"
#include "effect/quelora2.h"

namespace {

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A Turtle string literal.
std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    if (*p == '"' || *p == '\\') out += '\\';
    out += *p;
  }
  return out + "\"";
}

// A decimal literal (the values here are whole numbers or short decimals).
std::string Number(double v) {
  char buffer[64];
  if (v == std::floor(v) && std::fabs(v) < 1e15) {
    std::snprintf(buffer, sizeof(buffer), "%.1f", v);
  } else {
    std::snprintf(buffer, sizeof(buffer), "%.17g", v);
  }
  return buffer;
}

// The port symbol of a parameter: its name in lower case, other characters as '_'.
std::string Symbol(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) {
    const char c = *p;
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += c;
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    } else {
      out += '_';
    }
  }
  return out;
}

std::string PresetFile(int n) { return "preset-" + std::to_string(n) + ".ttl"; }
std::string PresetUri(int n) {
  return std::string(kLv2PluginUri) + kLv2PresetPath + std::to_string(n);
}

bool WriteFile(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

std::string AudioPort(int index, const char* direction, const char* symbol, const char* name) {
  return "  [\n    a lv2:AudioPort , lv2:" + std::string(direction) + " ;\n    lv2:index " +
         std::to_string(index) + " ;\n    lv2:symbol \"" + symbol + "\" ;\n    lv2:name \"" +
         name + "\"\n  ]";
}

std::string ControlPort(const IParam& param, int index) {
  std::string s = "  [\n    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index " +
                  std::to_string(kPortFirstParam + index) + " ;\n    lv2:symbol \"" +
                  Symbol(param.ParamName()) + "\" ;\n    lv2:name " + Quoted(param.ParamName()) +
                  " ;\n    lv2:default " + Number(param.DefaultValue()) +
                  " ;\n    lv2:minimum " + Number(param.Lowest()) + " ;\n    lv2:maximum " +
                  Number(param.Highest());
  const bool whole = param.Kind() == KindInt || param.Kind() == KindEnum || param.Kind() == KindBool;
  if (param.Kind() == KindEnum && param.DisplayTextCount() > 0) {
    s += " ;\n    lv2:portProperty lv2:integer , lv2:enumeration";
    for (int i = 0; i < param.DisplayTextCount(); ++i) {
      int value = 0;
      const char* text = param.DisplayTextAt(i, &value);
      s += std::string(i == 0 ? " ;\n    lv2:scalePoint " : " ,\n      ") + "[ rdfs:label " +
           Quoted(text) + " ; rdf:value " + Number(value) + " ]";
    }
  } else if (whole) {
    s += " ;\n    lv2:portProperty lv2:integer";
  }
  if (std::string(param.UnitLabel()) == "%") s += " ;\n    units:unit units:pc";
  return s + "\n  ]";
}

std::string PluginTtl(VSTCLASS& plug) {
  const int version = plug.VersionCode();
  std::string s = kPrefixes;
  s += "<" + std::string(kLv2PluginUri) + ">\n";
  s += "  a lv2:Plugin , lv2:DelayPlugin , doap:Project ;\n";
  s += "  doap:name " + Quoted(plug.EffectName()) + " ;\n";
  s += "  doap:maintainer [\n    foaf:name " + Quoted(plug.VendorName()) +
       " ;\n    foaf:homepage <" + kHomePageUrl + ">\n  ] ;\n";
  s += "  rdfs:comment \"A tempo-synchronised stereo delay.\" ;\n";
  s += "  lv2:minorVersion " + std::to_string((version >> 8) & 0xFF) + " ;\n";
  s += "  lv2:microVersion " + std::to_string(version & 0xFF) + " ;\n";
  s += "  lv2:requiredFeature urid:map ;\n";
  s += "  lv2:extensionData state:interface ;\n";
  s += "  ui:ui <" + std::string(kLv2UiUri) + "> ;\n";
  s += "  lv2:port\n";
  s += AudioPort(kPortAudioInLeft, "InputPort", "in_left", "In Left") + " ,\n";
  s += AudioPort(kPortAudioInRight, "InputPort", "in_right", "In Right") + " ,\n";
  s += AudioPort(kPortAudioOutLeft, "OutputPort", "out_left", "Out Left") + " ,\n";
  s += AudioPort(kPortAudioOutRight, "OutputPort", "out_right", "Out Right") + " ,\n";
  s += "  [\n    a lv2:InputPort , atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    atom:supports time:Position ;\n    lv2:designation lv2:control ;\n"
       "    lv2:index " + std::to_string(kPortControlIn) +
       " ;\n    lv2:symbol \"control\" ;\n    lv2:name \"Control\"\n  ]";
  for (int i = 0; i < plug.ParamCount(); ++i) s += " ,\n" + ControlPort(*plug.ParamAt(i), i);
  s += " .\n\n";
  // The editor, embedded in the host's window; it needs nothing else from the host. It
  // takes the host's scale factor from its options and reports its size through ui:resize.
  s += "<" + std::string(kLv2UiUri) + ">\n  a ui:X11UI ;\n  ui:binary <" + kLv2BinaryName +
       "> ;\n  lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
       "  lv2:optionalFeature ui:touch , ui:resize , opts:options , urid:map ;\n"
       "  opts:supportedOption ui:scaleFactor ;\n"
       "  lv2:extensionData ui:idleInterface .\n";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quelora-lv2-ttl OUTPUT_DIRECTORY\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  // A description-only instance: no host link, so nothing is mapped or processed.
  VSTCLASS plug(nullptr);
  plug.EnsureOnePreset();
  if (plug.ParamCount() > kMaxLv2Params) {
    std::fprintf(stderr, "quelora-lv2-ttl: too many parameters\n");
    return 1;
  }

  std::string manifest = kPrefixes;
  manifest += "<" + std::string(kLv2PluginUri) + ">\n  a lv2:Plugin ;\n  lv2:binary <" +
              kLv2BinaryName + "> ;\n  rdfs:seeAlso <quelora2.ttl> .\n";

  int written = 0;
  for (int slot = 0; slot < plug.PresetCount(); ++slot) {
    const PresetSlot* preset = plug.PresetAt(slot);
    if (!preset || !preset->filled || !plug.RecallPreset(slot)) continue;
    std::string s = kPrefixes;
    s += "<" + PresetUri(slot) + ">\n  a pset:Preset ;\n  lv2:appliesTo <" + kLv2PluginUri +
         "> ;\n  rdfs:label " + Quoted(preset->presetName) + " ;\n  lv2:port";
    for (int i = 0; i < plug.ParamCount(); ++i) {
      const IParam* param = plug.ParamAt(i);
      s += std::string(i == 0 ? "\n" : " ,\n") + "  [\n    lv2:symbol \"" +
           Symbol(param->ParamName()) + "\" ;\n    pset:value " + Number(param->current) +
           "\n  ]";
    }
    s += " .\n";
    if (!WriteFile(dir + PresetFile(slot), s)) {
      std::fprintf(stderr, "quelora-lv2-ttl: cannot write %s\n", PresetFile(slot).c_str());
      return 1;
    }
    manifest += "\n<" + PresetUri(slot) + ">\n  a pset:Preset ;\n  lv2:appliesTo <" +
                kLv2PluginUri + "> ;\n  rdfs:seeAlso <" + PresetFile(slot) + "> .\n";
    ++written;
  }

  if (!WriteFile(dir + "manifest.ttl", manifest) || !WriteFile(dir + "quelora2.ttl", PluginTtl(plug))) {
    std::fprintf(stderr, "quelora-lv2-ttl: cannot write into %s\n", dir.c_str());
    return 1;
  }
  std::printf("quelora-lv2-ttl: %d parameters, %d presets\n", plug.ParamCount(), written);
  return 0;
}
