// quelora-host info and render for VST 3 bundles: the same output layout and the same
// block loop as for a VST 2.4 module (transport from sample 0, short last block, silent
// tail), through the one VST 3 host (tools/host/vst3_host.h).
#include "tools/host/vst3_commands.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/host/audio_file.h"
#include "tools/host/commands.h"
#include "tools/host/vst3_host.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

Status LoadInstance(const Options& options, Vst3Module* module, Vst3Plugin* plugin) {
  if (!IsVst3Bundle(options.plugin)) {
    return Status::Fail(ExitCode::kMissingFile, "VST 3 bundle not found: " + options.plugin);
  }
  std::string error;
  if (!module->Load(options.plugin, &error) || !plugin->Create(*module, &error)) {
    return Status::Fail(ExitCode::kNotAPlugin, "not a VST 3 plug-in (" + error + ")");
  }
  return Status::Ok();
}

// The program as 'info' lists it (exact name, else its number from 1), through the
// program-change parameter.
Status SelectProgram(Vst3Plugin& plugin, const std::string& nameOrNumber) {
  const std::vector<std::string> names = plugin.ProgramNames();
  v3::ParamId id = 0;
  int32_t steps = 0;
  if (names.empty() || !plugin.ProgramParam(&id, &steps) || steps <= 0) {
    return Status::Fail(ExitCode::kUnknownName, "the plug-in has no programs");
  }
  int index = -1;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == nameOrNumber) {
      index = static_cast<int>(i);
      break;
    }
  }
  double number = 0;
  if (index < 0 && ParseNumber(nameOrNumber, &number) && number == std::floor(number) &&
      number >= 1 && number <= static_cast<double>(names.size())) {
    index = static_cast<int>(number) - 1;
  }
  if (index < 0) {
    return Status::Fail(ExitCode::kUnknownName,
                        "unknown program " + Quoted(nameOrNumber) + " (give a name as 'info' " +
                            "lists it, or a number from 1 to " + std::to_string(names.size()) + ")");
  }
  plugin.QueueParam(id, static_cast<double>(std::min(index, steps)) / steps);
  return Status::Ok();
}

// A parameter by title; the value goes through the plug-in's own text parsing. A text
// that is no number must come back as the parameter's display text.
Status ApplySetting(Vst3Plugin& plugin, const ParameterSetting& setting) {
  const int index = plugin.FindParam(setting.name);
  Vst3ParamDescription param;
  if (index < 0 || !plugin.ParamInfo(index, &param)) {
    return Status::Fail(ExitCode::kUnknownName, "unknown parameter " + Quoted(setting.name));
  }
  std::string number = setting.value;
  if (!param.units.empty() && number.size() > param.units.size() &&
      number.compare(number.size() - param.units.size(), param.units.size(), param.units) == 0) {
    number = Trim(number.substr(0, number.size() - param.units.size()));
  }
  double value = 0;
  const bool numeric = ParseNumber(number, &value);
  double normalized = 0;
  if (!plugin.ParamFromText(param.id, numeric ? number : setting.value, &normalized) ||
      (!numeric && Trim(plugin.ParamText(param.id, normalized)) != setting.value)) {
    return Status::Fail(ExitCode::kUnknownName,
                        "parameter " + Quoted(param.title) + " has no value " + Quoted(setting.value));
  }
  plugin.QueueParam(param.id, normalized);
  return Status::Ok();
}

}  // namespace

Status RunVst3Info(const Options& options, std::FILE* out) {
  Vst3Module module;
  Vst3Plugin plugin;
  Status status = LoadInstance(options, &module, &plugin);
  if (!status.ok()) return status;
  v3::ClassInfo2 info = {};
  module.FindAudioClass(&info);
  char classId[33] = "";
  for (int i = 0; i < 16; ++i) {
    std::snprintf(classId + 2 * i, 3, "%02X", static_cast<unsigned char>(info.cid[i]));
  }
  std::fprintf(out, "Plug-in:       %s\n", options.plugin.c_str());
  std::fprintf(out, "Effect name:   %s\n", info.name);
  std::fprintf(out, "Vendor:        %s\n", info.vendor[0] ? info.vendor : module.Vendor().c_str());
  std::fprintf(out, "Version:       %s\n", info.version);
  std::fprintf(out, "Class ID:      %s (bytes as this system lays them out)\n", classId);
  std::fprintf(out, "Category:      %s\n", info.subCategories);
  std::fprintf(out, "SDK version:   %s\n", info.sdkVersion);
  std::fprintf(out, "Format:        VST 3 (%s)\n",
               plugin.SingleClass() ? "single class" : "separate controller");
  std::string error;
  plugin.Setup(44100.0, 512, false, &error);
  std::fprintf(out, "Channels:      %d in, %d out\n", plugin.InputChannels(), plugin.OutputChannels());
  std::fprintf(out, "Latency:       %u samples\n", plugin.Latency());
  std::fprintf(out, "Tail:          %u samples\n", plugin.Tail());

  std::string editor = "no";
  if (plugin.Controller()) {
    if (v3::PlugView* view = plugin.Controller()->createView(v3::kEditorViewType)) {
      editor = "yes";
      v3::Rect rect = {};
      if (view->getSize(&rect) == v3::kResultOk && rect.right > rect.left && rect.bottom > rect.top) {
        editor += " (" + std::to_string(rect.right - rect.left) + " x " +
                  std::to_string(rect.bottom - rect.top) + " pixels)";
      }
      view->release();
    }
  }
  std::fprintf(out, "Editor:        %s\n", editor.c_str());

  const int count = plugin.ParamCount();
  std::fprintf(out, "\nParameters (%d):\n", count);
  std::fprintf(out, "  %3s  %-10s %-24s %-16s %-8s %-6s %s\n", "#", "id", "name", "value", "label",
               "steps", "normalized");
  int currentProgram = -1;
  for (int i = 0; i < count; ++i) {
    Vst3ParamDescription param;
    if (!plugin.ParamInfo(i, &param)) continue;
    const double value = plugin.ParamNormalized(param.id);
    std::string name = param.title;
    if (param.flags & v3::kIsProgramChange) {
      name += " (program)";
      if (param.stepCount > 0) currentProgram = static_cast<int>(std::lround(value * param.stepCount));
    }
    std::fprintf(out, "  %3d  %-10u %-24s %-16s %-8s %-6d %.6f\n", i, param.id, name.c_str(),
                 plugin.ParamText(param.id, value).c_str(), param.units.c_str(), param.stepCount,
                 value);
  }

  const std::vector<std::string> programs = plugin.ProgramNames();
  std::fprintf(out, "\nPrograms (%zu, current %d):\n", programs.size(), currentProgram + 1);
  for (size_t i = 0; i < programs.size(); ++i) {
    std::fprintf(out, "  %3zu  %s\n", i + 1, programs[i].c_str());
  }
  return Status::Ok();
}

Status RunVst3Render(const Options& options, std::FILE* out) {
  Vst3Module module;
  Vst3Plugin plugin;
  Status status = LoadInstance(options, &module, &plugin);
  if (!status.ok()) return status;
  AudioData source;
  status = LoadRenderSource(options, &source);
  if (!status.ok()) return status;
  const int outputs = plugin.OutputChannels();
  if (outputs < 1 || outputs > 2) {
    return Status::Fail(ExitCode::kUnsupported, "plug-in has no stereo or mono output");
  }
  const int format = ChooseOutputFormat(options.output, source.format, outputs);
  if (format == 0) {
    return Status::Fail(ExitCode::kUsage, "no audio format fits output file " + options.output);
  }
  std::string error;
  if (!plugin.Setup(source.sampleRate, options.blockSize, options.useDouble, &error)) {
    return Status::Fail(ExitCode::kUnsupported, error);
  }
  if (!options.program.empty()) {
    status = SelectProgram(plugin, options.program);
    if (!status.ok()) return status;
  }
  for (const ParameterSetting& setting : options.settings) {
    status = ApplySetting(plugin, setting);
    if (!status.ok()) return status;
  }
  AudioFileWriter writer;
  status = writer.Open(options.output, format, outputs, source.sampleRate);
  if (!status.ok()) return status;

  const long long total =
      source.FrameCount() + std::llround(options.tailSeconds * source.sampleRate);
  const int block = options.blockSize;
  std::vector<std::vector<float>> in(2, std::vector<float>(block)), outF(2, std::vector<float>(block));
  std::vector<std::vector<double>> inD(2, std::vector<double>(block)), outD(2, std::vector<double>(block));
  float* inPointers[2] = {in[0].data(), in[1].data()};
  float* outPointers[2] = {outF[0].data(), outF[1].data()};
  double* inDouble[2] = {inD[0].data(), inD[1].data()};
  double* outDouble[2] = {outD[0].data(), outD[1].data()};
  const int fileChannels = source.ChannelCount();
  plugin.SetTempo(options.tempo, options.tempo > 0.0);
  plugin.SetPosition(0);
  plugin.Activate();
  bool written = true;
  for (long long start = 0; start < total && written; start += block) {
    const int frames = static_cast<int>(std::min<long long>(block, total - start));
    for (int c = 0; c < 2; ++c) {
      const int from = fileChannels == 1 ? 0 : c;
      for (int f = 0; f < frames; ++f) {
        in[c][f] = start + f < source.FrameCount() ? source.channels[from][start + f] : 0.f;
        inD[c][f] = in[c][f];
      }
    }
    for (auto& channel : outF) std::fill(channel.begin(), channel.end(), 0.f);
    if (options.useDouble) {
      plugin.ProcessDouble(inDouble, outDouble, frames);
      for (int c = 0; c < 2; ++c) {
        for (int f = 0; f < frames; ++f) outF[c][f] = static_cast<float>(outD[c][f]);
      }
    } else {
      plugin.Process(inPointers, outPointers, frames);
    }
    written = writer.Write(outPointers, frames);
  }
  plugin.Deactivate();
  status = writer.Close();
  if (!written || !status.ok()) {
    std::remove(options.output.c_str());
    return status.ok() ? Status::Fail(ExitCode::kFailure, "cannot write " + options.output) : status;
  }
  std::fprintf(out, "%s: %lld frames, %d channels, %.0f Hz, %.2f s\n", options.output.c_str(),
               total, outputs, source.sampleRate, static_cast<double>(total) / source.sampleRate);
  return Status::Ok();
}
