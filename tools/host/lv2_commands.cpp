// quelora-host info and render for LV2 bundles: the same output layout and the same block
// loop as for a VST 2.4 module (transport from sample 0, short last block, silent tail).
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/host/audio_file.h"
#include "tools/host/commands.h"
#include "tools/host/lv2_plugin.h"

Status RunLv2Info(const Options& options, std::FILE* out) {
  Lv2Plugin plugin;
  Status status = plugin.Load(options.plugin);
  if (!status.ok()) return status;
  plugin.PrintInfo(out);
  return Status::Ok();
}

Status RunLv2Render(const Options& options, std::FILE* out) {
  if (options.useDouble) {
    return Status::Fail(ExitCode::kUnsupported, "LV2 plug-ins process in single precision (--double)");
  }
  Lv2Plugin plugin;
  Status status = plugin.Load(options.plugin);
  if (!status.ok()) return status;
  AudioData source;
  status = LoadRenderSource(options, &source);
  if (!status.ok()) return status;
  const int outputs = plugin.AudioOutputCount();
  if (outputs < 1) return Status::Fail(ExitCode::kUnsupported, "plug-in has no audio outputs");
  const int format = ChooseOutputFormat(options.output, source.format, outputs);
  if (format == 0) {
    return Status::Fail(ExitCode::kUsage, "no audio format fits output file " + options.output);
  }
  status = plugin.Instantiate(source.sampleRate, options.blockSize);
  if (!status.ok()) return status;
  if (!options.program.empty()) {
    status = plugin.ApplyPreset(options.program);
    if (!status.ok()) return status;
  }
  for (const ParameterSetting& setting : options.settings) {
    status = plugin.ApplySetting(setting);
    if (!status.ok()) return status;
  }
  AudioFileWriter writer;
  status = writer.Open(options.output, format, outputs, source.sampleRate);
  if (!status.ok()) return status;

  const long long total =
      source.FrameCount() + std::llround(options.tailSeconds * source.sampleRate);
  const int block = options.blockSize;
  std::vector<std::vector<float>> in(2, std::vector<float>(block)), outBuffers(2, std::vector<float>(block));
  const float* inPointers[2] = {in[0].data(), in[1].data()};
  float* outPointers[2] = {outBuffers[0].data(), outBuffers[1].data()};
  const int fileChannels = source.ChannelCount();
  plugin.SendTransport(options.tempo, 0);
  bool written = true;
  for (long long start = 0; start < total && written; start += block) {
    const int frames = static_cast<int>(std::min<long long>(block, total - start));
    for (int c = 0; c < 2; ++c) {
      const int from = fileChannels == 1 ? 0 : c;
      for (int f = 0; f < frames; ++f) {
        in[c][f] = start + f < source.FrameCount() ? source.channels[from][start + f] : 0.f;
      }
    }
    for (auto& channel : outBuffers) std::fill(channel.begin(), channel.end(), 0.f);
    plugin.Run(inPointers, outPointers, frames);
    written = writer.Write(outPointers, frames);
  }
  status = writer.Close();
  if (!written || !status.ok()) {
    std::remove(options.output.c_str());
    return status.ok() ? Status::Fail(ExitCode::kFailure, "cannot write " + options.output) : status;
  }
  std::fprintf(out, "%s: %lld frames, %d channels, %.0f Hz, %.2f s\n", options.output.c_str(),
               total, outputs, source.sampleRate, static_cast<double>(total) / source.sampleRate);
  return Status::Ok();
}
