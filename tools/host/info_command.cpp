#include <cctype>
#include <string>

#include "tools/host/commands.h"
#include "tools/host/host_context.h"
#include "tools/host/lv2_plugin.h"
#include "tools/host/plugin_module.h"
#include "tools/host/vst3_commands.h"
#include "tools/host/vst3_host.h"

namespace {

// 'k2qz' when the four bytes are printable, else the hexadecimal code.
std::string FourCharText(VstInt32 code) {
  const uint32_t bits = static_cast<uint32_t>(code);
  std::string text = "'";
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((bits >> shift) & 0xFF);
    if (!std::isprint(static_cast<unsigned char>(c))) {
      char hex[16];
      std::snprintf(hex, sizeof(hex), "0x%08X", bits);
      return hex;
    }
    text += c;
  }
  return text + "'";
}

std::string CategoryText(VstIntPtr category) {
  static const char* const kNames[] = {"unknown",     "effect",    "instrument",
                                       "analysis",    "mastering", "spatializer",
                                       "room effect", "surround",  "restoration",
                                       "offline",     "shell",     "generator"};
  if (category >= 0 && category < static_cast<VstIntPtr>(sizeof(kNames) / sizeof(kNames[0]))) {
    return kNames[category];
  }
  return "other";
}

std::string FlagsText(VstInt32 flags) {
  struct Named {
    VstInt32 bit;
    const char* name;
  };
  static const Named kFlags[] = {
      {effFlagsHasEditor, "HasEditor"},
      {effFlagsCanMono, "CanMono"},
      {effFlagsCanReplacing, "CanReplacing"},
      {effFlagsProgramChunks, "ProgramChunks"},
      {effFlagsIsSynth, "IsSynth"},
      {effFlagsNoSoundInStop, "NoSoundInStop"},
      {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
  };
  std::string text;
  VstInt32 rest = flags;
  for (const Named& flag : kFlags) {
    if (flags & flag.bit) {
      text += text.empty() ? "" : " ";
      text += flag.name;
      rest &= ~flag.bit;
    }
  }
  if (rest) {
    char other[32];
    std::snprintf(other, sizeof(other), "0x%X", static_cast<unsigned>(rest));
    text += text.empty() ? "" : " ";
    text += std::string("other:") + other;
  }
  return text.empty() ? "none" : text;
}

}  // namespace

Status RunInfo(const Options& options, std::FILE* out) {
  if (IsLv2Bundle(options.plugin)) return RunLv2Info(options, out);
  if (IsClapModule(options.plugin)) return RunClapInfo(options, out);
  if (IsVst3Bundle(options.plugin)) return RunVst3Info(options, out);
  HostContext context;
  PluginModule plugin;
  Status loaded = plugin.Load(options.plugin, &context);
  if (!loaded.ok()) return loaded;
  plugin.Open(context.SampleRate(), context.BlockSize());
  const AEffect* effect = plugin.Effect();

  std::fprintf(out, "Plug-in:       %s\n", options.plugin.c_str());
  std::fprintf(out, "Effect name:   %s\n", plugin.DispatchText(effGetEffectName).c_str());
  std::fprintf(out, "Vendor:        %s\n", plugin.DispatchText(effGetVendorString).c_str());
  std::fprintf(out, "Product:       %s\n", plugin.DispatchText(effGetProductString).c_str());
  std::fprintf(out, "Version:       %ld (record: %d)\n",
               static_cast<long>(plugin.Dispatch(effGetVendorVersion)), effect->version);
  std::fprintf(out, "Unique ID:     %s (%d)\n", FourCharText(effect->uniqueID).c_str(),
               effect->uniqueID);
  const VstIntPtr category = plugin.Dispatch(effGetPlugCategory);
  std::fprintf(out, "Category:      %s (%ld)\n", CategoryText(category).c_str(),
               static_cast<long>(category));
  std::fprintf(out, "VST version:   %ld\n", static_cast<long>(plugin.Dispatch(effGetVstVersion)));
  std::fprintf(out, "Channels:      %d in, %d out\n", effect->numInputs, effect->numOutputs);
  std::fprintf(out, "Latency:       %d samples\n", effect->initialDelay);
  std::fprintf(out, "Flags:         0x%X (%s)\n", static_cast<unsigned>(effect->flags),
               FlagsText(effect->flags).c_str());

  std::string editor = "no";
  if (effect->flags & effFlagsHasEditor) {
    editor = "yes";
    ERect* rect = nullptr;
    if (plugin.Dispatch(effEditGetRect, 0, 0, &rect) && rect) {
      const int width = rect->right - rect->left;
      const int height = rect->bottom - rect->top;
      if (width > 0 && height > 0) {
        editor += " (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)";
      }
    }
  }
  std::fprintf(out, "Editor:        %s\n", editor.c_str());

  std::fprintf(out, "\nParameters (%d):\n", effect->numParams);
  std::fprintf(out, "  %3s  %-24s %-16s %-8s %s\n", "#", "name", "value", "label", "normalized");
  for (int i = 0; i < effect->numParams; ++i) {
    std::fprintf(out, "  %3d  %-24s %-16s %-8s %.6f\n", i, plugin.ParameterName(i).c_str(),
                 plugin.ParameterDisplay(i).c_str(), plugin.ParameterLabel(i).c_str(),
                 static_cast<double>(plugin.GetParameter(i)));
  }

  const VstIntPtr current = plugin.Dispatch(effGetProgram);
  std::fprintf(out, "\nPrograms (%d, current %ld):\n", effect->numPrograms,
               static_cast<long>(current) + 1);
  for (int i = 0; i < effect->numPrograms; ++i) {
    std::fprintf(out, "  %3d  %s\n", i + 1, plugin.ProgramName(i).c_str());
  }
  plugin.Unload();
  return Status::Ok();
}
