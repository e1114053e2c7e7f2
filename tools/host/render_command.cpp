#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tools/host/audio_file.h"
#include "tools/host/block_renderer.h"
#include "tools/host/commands.h"
#include "tools/host/demo_synth.h"
#include "tools/host/host_context.h"
#include "tools/host/lv2_plugin.h"
#include "tools/host/plugin_module.h"
#include "tools/host/vst3_commands.h"
#include "tools/host/vst3_host.h"
#include "tools/host/plugin_settings.h"
#include "tools/host/progress_bar.h"

namespace {

// Renders shorter than this finish before a progress bar would tell anything.
constexpr double kProgressMinimumSeconds = 2.0;

}  // namespace

Status LoadRenderSource(const Options& options, AudioData* source) {
  if (options.input.empty()) {
    source->sampleRate = options.sampleRate;
    source->format = 0;
    source->channels.assign(1, RenderDemo(options.sampleRate, options.tempo,
                                          options.demoSeconds));
    return Status::Ok();
  }
  Status read = ReadAudioFile(options.input, source);
  if (!read.ok()) return read;
  if (source->ChannelCount() > 2) {
    return Status::Fail(ExitCode::kBadAudio,
                        "audio file has " + std::to_string(source->ChannelCount()) +
                            " channels; mono or stereo only: " + options.input);
  }
  return Status::Ok();
}

Status RunRender(const Options& options, std::FILE* out) {
  if (IsLv2Bundle(options.plugin)) return RunLv2Render(options, out);
  if (IsClapModule(options.plugin)) return RunClapRender(options, out);
  if (IsVst3Bundle(options.plugin)) return RunVst3Render(options, out);
  HostContext context;
  PluginModule plugin;
  Status status = plugin.Load(options.plugin, &context);
  if (!status.ok()) return status;

  AudioData source;
  status = LoadRenderSource(options, &source);
  if (!status.ok()) return status;

  const AEffect* effect = plugin.Effect();
  if (effect->numOutputs < 1) {
    return Status::Fail(ExitCode::kUnsupported, "plug-in has no audio outputs");
  }
  if (options.useDouble &&
      (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing)) {
    return Status::Fail(ExitCode::kUnsupported,
                        "plug-in cannot process in double precision (--double)");
  }
  const int format = ChooseOutputFormat(options.output, source.format, effect->numOutputs);
  if (format == 0) {
    return Status::Fail(ExitCode::kUsage, "no audio format fits output file " + options.output);
  }

  context.SetTempo(options.tempo);
  plugin.Open(source.sampleRate, options.blockSize);
  status = ApplyProgramAndSettings(plugin, options);
  if (!status.ok()) return status;

  // Created only now that everything was accepted, and before the render, so that an
  // unwritable output is told before a long render rather than after it.
  AudioFileWriter writer;
  status = writer.Open(options.output, format, effect->numOutputs, source.sampleRate);
  if (!status.ok()) return status;

  RenderSettings settings;
  settings.blockSize = options.blockSize;
  settings.useDouble = options.useDouble;
  settings.totalFrames =
      source.FrameCount() + std::llround(options.tailSeconds * source.sampleRate);
  const bool showProgress =
      isatty(STDERR_FILENO) &&
      settings.totalFrames > kProgressMinimumSeconds * source.sampleRate;
  ProgressBar progress(showProgress);

  const int channels = effect->numOutputs;
  plugin.Resume();
  RenderThroughPlugin(plugin, context, source, settings, progress,
                      [&writer](const float* const* block, int frames) {
                        return writer.Write(block, frames);
                      });
  plugin.Suspend();
  plugin.Unload();

  status = writer.Close();
  if (!status.ok()) {
    std::remove(options.output.c_str());
    return status;
  }
  std::fprintf(out, "%s: %lld frames, %d channels, %.0f Hz, %.2f s\n", options.output.c_str(),
               settings.totalFrames, channels, source.sampleRate,
               static_cast<double>(settings.totalFrames) / source.sampleRate);
  return Status::Ok();
}
