#include "tools/host/block_renderer.h"

#include <algorithm>
#include <vector>

namespace {

// The input sample a plug-in input channel receives at frame f (0 beyond the input).
float InputSample(const AudioData& input, int pluginChannel, int pluginInputs, long long f) {
  if (f >= input.FrameCount()) return 0.0f;
  const int fileChannels = input.ChannelCount();
  if (fileChannels == 1) return input.channels[0][f];
  if (pluginInputs == 1) return 0.5f * (input.channels[0][f] + input.channels[1][f]);
  return pluginChannel < fileChannels ? input.channels[pluginChannel][f] : 0.0f;
}

template <typename Sample>
struct BlockBuffers {
  std::vector<std::vector<Sample>> inputs;
  std::vector<std::vector<Sample>> outputs;
  std::vector<Sample*> inputPointers;
  std::vector<Sample*> outputPointers;

  BlockBuffers(int inputCount, int outputCount, int blockSize)
      : inputs(inputCount, std::vector<Sample>(blockSize)),
        outputs(outputCount, std::vector<Sample>(blockSize)) {
    for (auto& channel : inputs) inputPointers.push_back(channel.data());
    for (auto& channel : outputs) outputPointers.push_back(channel.data());
    // Hosts hand plug-ins valid arrays even for zero channels.
    inputPointers.push_back(nullptr);
    outputPointers.push_back(nullptr);
  }
};

template <typename Sample, typename ProcessCall>
bool RunBlocks(const AEffect* effect, HostContext& context, const AudioData& input,
               const RenderSettings& settings, ProgressBar& progress, const BlockSink& sink,
               ProcessCall process) {
  const int inputCount = effect->numInputs;
  const int outputCount = effect->numOutputs;
  BlockBuffers<Sample> buffers(inputCount, outputCount, settings.blockSize);
  BlockBuffers<float> results(0, outputCount, settings.blockSize);
  context.StartTransport();
  for (long long start = 0; start < settings.totalFrames; start += settings.blockSize) {
    const int frames =
        static_cast<int>(std::min<long long>(settings.blockSize, settings.totalFrames - start));
    for (int c = 0; c < inputCount; ++c) {
      for (int f = 0; f < frames; ++f) {
        buffers.inputs[c][f] = static_cast<Sample>(InputSample(input, c, inputCount, start + f));
      }
    }
    for (auto& channel : buffers.outputs) std::fill(channel.begin(), channel.end(), Sample(0));

    process(buffers.inputPointers.data(), buffers.outputPointers.data(), frames);

    for (int c = 0; c < outputCount; ++c) {
      for (int f = 0; f < frames; ++f) {
        results.outputs[c][f] = static_cast<float>(buffers.outputs[c][f]);
      }
    }
    if (!sink(results.outputPointers.data(), frames)) {
      progress.Finish();
      return false;
    }
    context.AdvanceTransport(frames);
    progress.Update(start + frames, settings.totalFrames);
  }
  progress.Finish();
  return true;
}

}  // namespace

bool RenderThroughPlugin(const PluginModule& plugin, HostContext& context,
                         const AudioData& input, const RenderSettings& settings,
                         ProgressBar& progress, const BlockSink& sink) {
  AEffect* effect = plugin.Effect();
  if (settings.useDouble) {
    return RunBlocks<double>(effect, context, input, settings, progress, sink,
                      [effect](double** in, double** out, int frames) {
                        effect->processDoubleReplacing(effect, in, out, frames);
                      });
  }
  if ((effect->flags & effFlagsCanReplacing) && effect->processReplacing) {
    return RunBlocks<float>(effect, context, input, settings, progress, sink,
                     [effect](float** in, float** out, int frames) {
                       effect->processReplacing(effect, in, out, frames);
                     });
  }
  return RunBlocks<float>(effect, context, input, settings, progress, sink,
                          [effect](float** in, float** out, int frames) {
                            if (effect->process) effect->process(effect, in, out, frames);
                          });
}
