// quelora-host info and render for CLAP modules (.clap): the same output layout and block
// loop as for a VST 2.4 module (transport from sample 0, short last block, silent tail),
// through the project's CLAP host (tools/host/clap_host.h). The audio-thread calls run on
// an audio thread of their own, as in a DAW.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/host/audio_file.h"
#include "tools/host/clap_host.h"
#include "tools/host/commands.h"
#include "tools/host/progress_bar.h"

namespace {

// Info activates at this rate and block size to read the latency and the tail.
constexpr double kInfoSampleRate = 44100.0;
constexpr uint32_t kInfoBlock = 512;
// Renders shorter than this finish before a progress bar would tell anything.
constexpr double kProgressMinimumSeconds = 2.0;

Status OpenPlugin(const Options& options, ClapModuleFile* module, ClapPluginHost* host) {
  if (access(options.plugin.c_str(), F_OK) != 0) {
    return Status::Fail(ExitCode::kMissingFile, "plug-in not found: " + options.plugin);
  }
  std::string error;
  if (!module->Open(options.plugin, &error)) {
    return Status::Fail(ExitCode::kNotAPlugin, "not a CLAP module (" + error + "): " + options.plugin);
  }
  if (!host->Create(*module, nullptr, &error)) {
    return Status::Fail(ExitCode::kNotAPlugin, error + ": " + options.plugin);
  }
  return Status::Ok();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string FlagsText(uint32_t flags) {
  struct Named {
    uint32_t bit;
    const char* name;
  };
  static const Named kFlags[] = {
      {clapabi::kParamIsStepped, "stepped"},   {clapabi::kParamIsPeriodic, "periodic"},
      {clapabi::kParamIsHidden, "hidden"},     {clapabi::kParamIsReadonly, "readonly"},
      {clapabi::kParamIsBypass, "bypass"},     {clapabi::kParamIsAutomatable, "automatable"},
      {clapabi::kParamIsModulatable, "modulatable"}, {clapabi::kParamIsEnum, "enum"},
  };
  std::string text;
  for (const Named& flag : kFlags) {
    if (!(flags & flag.bit)) continue;
    text += text.empty() ? "" : ",";
    text += flag.name;
  }
  return text.empty() ? "-" : text;
}

std::string PortText(const ClapPluginHost& host, bool isInput) {
  const clapabi::PluginAudioPorts* ports = host.AudioPorts();
  if (!ports || !ports->count) return "none";
  const uint32_t count = ports->count(host.Plugin(), isInput);
  std::string text = std::to_string(count);
  for (uint32_t i = 0; i < count; ++i) {
    clapabi::AudioPortInfo info{};
    if (!ports->get || !ports->get(host.Plugin(), i, isInput, &info)) continue;
    info.name[sizeof(info.name) - 1] = '\0';
    text += std::string(i ? "; " : " (") + info.name + ", " + std::to_string(info.channelCount) +
            " channels";
    if (info.flags & clapabi::kPortIsMain) text += ", main";
    if (info.flags & clapabi::kPortSupports64Bits) text += ", 64-bit";
    if (i + 1 == count) text += ")";
  }
  return text;
}

// The parameter's index by exact name, else by a unique case-blind match; -1 otherwise.
int FindParameter(const ClapPluginHost& host, const std::string& name, std::string* known) {
  const uint32_t count = host.ParamCount();
  int exact = -1;
  int blind = -1;
  int blindMatches = 0;
  for (uint32_t i = 0; i < count; ++i) {
    clapabi::ParamInfo info{};
    if (!host.ParamInfo(i, &info)) continue;
    info.name[sizeof(info.name) - 1] = '\0';
    *known += std::string(known->empty() ? "" : ", ") + "\"" + info.name + "\"";
    if (name == info.name && exact < 0) exact = static_cast<int>(i);
    if (Lower(name) == Lower(info.name)) {
      blind = static_cast<int>(i);
      ++blindMatches;
    }
  }
  if (exact >= 0) return exact;
  return blindMatches == 1 ? blind : -1;
}

// A --set: the plug-in parses the text (text_to_value); the value is queued as a parameter
// event, applied by the flush before activation.
Status ApplySetting(ClapPluginHost& host, const ParameterSetting& setting) {
  std::string known;
  const int index = FindParameter(host, setting.name, &known);
  if (index < 0) {
    return Status::Fail(ExitCode::kUnknownName, "unknown parameter \"" + setting.name +
                                                    "\" (parameters: " + (known.empty() ? "none" : known) + ")");
  }
  clapabi::ParamInfo info{};
  host.ParamInfo(static_cast<uint32_t>(index), &info);
  double plain = 0.0;
  if (!host.TextValue(info.id, setting.value.c_str(), &plain)) {
    return Status::Fail(ExitCode::kUnknownName,
                        "\"" + setting.value + "\" is no value of \"" + setting.name + "\"");
  }
  host.QueueParamValue(info.id, plain);
  host.Flush();
  return Status::Ok();
}

}  // namespace

bool IsClapModule(const std::string& path) {
  const std::string suffix = ".clap";
  return path.size() > suffix.size() &&
         Lower(path.substr(path.size() - suffix.size())) == suffix;
}

Status RunClapInfo(const Options& options, std::FILE* out) {
  ClapModuleFile module;
  ClapPluginHost host;
  Status status = OpenPlugin(options, &module, &host);
  if (!status.ok()) return status;
  const clapabi::PluginDescriptor* d = module.Descriptor(0);
  const clapabi::Version& v = module.Entry()->version;
  auto text = [](const char* s) { return s ? s : ""; };
  std::fprintf(out, "Plug-in:       %s\n", options.plugin.c_str());
  std::fprintf(out, "Format:        CLAP %u.%u.%u, %u plug-in(s)\n", v.major, v.minor, v.revision,
               module.PluginCount());
  std::fprintf(out, "Effect name:   %s\n", text(d->name));
  std::fprintf(out, "Vendor:        %s\n", text(d->vendor));
  std::fprintf(out, "Identifier:    %s\n", text(d->id));
  std::fprintf(out, "Version:       %s\n", text(d->versionText));
  std::string features;
  for (const char* const* f = d->features; f && *f; ++f) features += std::string(features.empty() ? "" : " ") + *f;
  std::fprintf(out, "Features:      %s\n", features.c_str());
  std::fprintf(out, "Description:   %s\n", text(d->description));
  std::fprintf(out, "Audio inputs:  %s\n", PortText(host, true).c_str());
  std::fprintf(out, "Audio outputs: %s\n", PortText(host, false).c_str());

  std::string editor = "no";
  if (const clapabi::PluginGui* gui = host.Gui()) {
    const char* api = nullptr;
    bool floating = false;
    if (gui->getPreferredApi && gui->getPreferredApi(host.Plugin(), &api, &floating) && api) {
      editor = std::string("yes (") + api + (floating ? ", floating" : ", embedded");
      uint32_t width = 0;
      uint32_t height = 0;
      if (gui->create && gui->create(host.Plugin(), api, floating)) {
        if (gui->getSize && gui->getSize(host.Plugin(), &width, &height)) {
          editor += ", " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        }
        gui->destroy(host.Plugin());
      }
      editor += ")";
    }
  }
  std::fprintf(out, "Editor:        %s\n", editor.c_str());
  std::fprintf(out, "State:         %s\n", host.State() ? "yes" : "no");

  if (host.Activate(kInfoSampleRate, 1, kInfoBlock)) {
    const uint32_t latency = host.Latency() ? host.Latency()->get(host.Plugin()) : 0;
    const uint32_t tail = host.Tail() ? host.Tail()->get(host.Plugin()) : 0;
    std::fprintf(out, "Latency:       %u samples\n", latency);
    std::fprintf(out, "Tail:          %u samples at %.0f Hz\n", tail, kInfoSampleRate);
    host.Deactivate();
  }

  const uint32_t count = host.ParamCount();
  std::fprintf(out, "\nParameters (%u):\n", count);
  std::fprintf(out, "  %3s  %-4s %-20s %-12s %10s %10s %10s  %s\n", "#", "id", "name", "value",
               "min", "max", "default", "flags");
  for (uint32_t i = 0; i < count; ++i) {
    clapabi::ParamInfo info{};
    if (!host.ParamInfo(i, &info)) continue;
    info.name[sizeof(info.name) - 1] = '\0';
    double value = 0.0;
    std::string shown = "?";
    if (host.ParamValue(info.id, &value)) host.ValueText(info.id, value, &shown);
    std::fprintf(out, "  %3u  %-4u %-20s %-12s %10g %10g %10g  %s\n", i, info.id, info.name,
                 shown.c_str(), info.minValue, info.maxValue, info.defaultValue,
                 FlagsText(info.flags).c_str());
  }
  host.Destroy();
  const std::vector<std::string> violations = host.Violations();
  for (const std::string& violation : violations) std::fprintf(stderr, "thread rule: %s\n", violation.c_str());
  return Status::Ok();
}

Status RunClapRender(const Options& options, std::FILE* out) {
  if (!options.program.empty()) {
    return Status::Fail(ExitCode::kUnsupported,
                        "CLAP modules list no programs to this host (--program); use --set");
  }
  ClapModuleFile module;
  ClapPluginHost host;
  Status status = OpenPlugin(options, &module, &host);
  if (!status.ok()) return status;

  AudioData source;
  status = LoadRenderSource(options, &source);
  if (!status.ok()) return status;

  const clapabi::PluginAudioPorts* ports = host.AudioPorts();
  clapabi::AudioPortInfo in{};
  clapabi::AudioPortInfo outPort{};
  const bool hasOut = ports && ports->count && ports->get && ports->count(host.Plugin(), false) > 0 &&
                      ports->get(host.Plugin(), 0, false, &outPort) && outPort.channelCount > 0;
  if (!hasOut) return Status::Fail(ExitCode::kUnsupported, "plug-in has no audio outputs");
  if (outPort.channelCount != 2) {
    return Status::Fail(ExitCode::kUnsupported, "only stereo CLAP plug-ins are rendered");
  }
  const bool hasIn = ports->count(host.Plugin(), true) > 0 && ports->get(host.Plugin(), 0, true, &in);
  if (options.useDouble && (!(outPort.flags & clapabi::kPortSupports64Bits) ||
                            (hasIn && !(in.flags & clapabi::kPortSupports64Bits)))) {
    return Status::Fail(ExitCode::kUnsupported, "plug-in cannot process in double precision (--double)");
  }
  const int channels = 2;
  const int format = ChooseOutputFormat(options.output, source.format, channels);
  if (format == 0) {
    return Status::Fail(ExitCode::kUsage, "no audio format fits output file " + options.output);
  }
  for (const ParameterSetting& setting : options.settings) {
    status = ApplySetting(host, setting);
    if (!status.ok()) return status;
  }
  AudioFileWriter writer;
  status = writer.Open(options.output, format, channels, source.sampleRate);
  if (!status.ok()) return status;

  const int block = options.blockSize;
  if (!host.Activate(source.sampleRate, 1, static_cast<uint32_t>(block))) {
    return Status::Fail(ExitCode::kFailure, "the plug-in refused to activate");
  }
  host.transport.hasTempo = options.tempo > 0.0;
  host.transport.tempo = options.tempo;

  const long long total = source.FrameCount() + std::llround(options.tailSeconds * source.sampleRate);
  const bool showProgress =
      isatty(STDERR_FILENO) && total > kProgressMinimumSeconds * source.sampleRate;
  ProgressBar progress(showProgress);
  std::vector<std::vector<float>> in32(2, std::vector<float>(block)), out32(2, std::vector<float>(block));
  std::vector<std::vector<double>> in64(2, std::vector<double>(block)), out64(2, std::vector<double>(block));
  const int fileChannels = source.ChannelCount();
  bool written = true;
  bool processed = true;

  ClapAudioThread audio;
  host.SetAudioThread(audio.Id());
  audio.Run([&] {
    if (!host.StartProcessing()) {
      processed = false;
      return;
    }
    for (long long start = 0; start < total && written && processed; start += block) {
      const int frames = static_cast<int>(std::min<long long>(block, total - start));
      for (int c = 0; c < 2; ++c) {
        const int from = fileChannels == 1 ? 0 : c;
        for (int f = 0; f < frames; ++f) {
          const float x = start + f < source.FrameCount() ? source.channels[from][start + f] : 0.f;
          in32[c][f] = x;
          in64[c][f] = x;
        }
      }
      if (options.useDouble) {
        const double* ins[2] = {in64[0].data(), in64[1].data()};
        double* outs[2] = {out64[0].data(), out64[1].data()};
        processed = host.Process(ins, outs, static_cast<uint32_t>(frames)) != clapabi::kProcessError;
        for (int c = 0; c < 2; ++c) {
          for (int f = 0; f < frames; ++f) out32[c][f] = static_cast<float>(out64[c][f]);
        }
      } else {
        const float* ins[2] = {in32[0].data(), in32[1].data()};
        float* outs[2] = {out32[0].data(), out32[1].data()};
        processed = host.Process(ins, outs, static_cast<uint32_t>(frames)) != clapabi::kProcessError;
      }
      const float* results[2] = {out32[0].data(), out32[1].data()};
      written = writer.Write(results, frames);
      progress.Update(start + frames, total);
    }
    host.StopProcessing();
  });
  progress.Finish();
  host.Deactivate();
  host.Destroy();

  status = writer.Close();
  if (!processed || !written || !status.ok()) {
    std::remove(options.output.c_str());
    if (!processed) return Status::Fail(ExitCode::kFailure, "the plug-in failed to process");
    return status.ok() ? Status::Fail(ExitCode::kFailure, "cannot write " + options.output) : status;
  }
  for (const std::string& violation : host.Violations()) {
    std::fprintf(stderr, "thread rule: %s\n", violation.c_str());
  }
  std::fprintf(out, "%s: %lld frames, %d channels, %.0f Hz, %.2f s\n", options.output.c_str(),
               total, channels, source.sampleRate, static_cast<double>(total) / source.sampleRate);
  return Status::Ok();
}
