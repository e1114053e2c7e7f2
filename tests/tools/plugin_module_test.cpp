// The loader, program and parameter choice and block rendering against the stub plug-in
// (tests/tools/stub_plugin.cpp): only the old "main" entry, no text conversion.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/host/block_renderer.h"
#include "tools/host/host_context.h"
#include "tools/host/plugin_module.h"
#include "tools/host/plugin_settings.h"

namespace {

// Collects the rendered blocks.
BlockSink Collect(AudioData* output, int channels) {
  output->channels.assign(channels, {});
  return [output](const float* const* block, int frames) {
    for (size_t c = 0; c < output->channels.size(); ++c) {
      output->channels[c].insert(output->channels[c].end(), block[c], block[c] + frames);
    }
    return true;
  };
}

class StubPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Status s = plugin.Load(QUELORA_HOST_STUB, &context);
    ASSERT_TRUE(s.ok()) << s.message;
    plugin.Open(44100, 64);
  }
  HostContext context;
  PluginModule plugin;
};

TEST(PluginModuleLoad, RefusesWhatIsNoPlugin) {
  HostContext context;
  PluginModule plugin;
  EXPECT_EQ(plugin.Load("/no/such/plugin.so", &context).code, ExitCode::kMissingFile);
  EXPECT_EQ(plugin.Load("/", &context).code, ExitCode::kNotAPlugin);
  const std::string text = ::testing::TempDir() + "qh_not_a_plugin.so";
  std::ofstream(text) << "plain text";
  EXPECT_EQ(plugin.Load(text, &context).code, ExitCode::kNotAPlugin);
  Status bad = plugin.Load(QUELORA_HOST_BAD_MAGIC, &context);
  EXPECT_EQ(bad.code, ExitCode::kNotAPlugin);
  EXPECT_NE(bad.message.find("bad magic"), std::string::npos);
  EXPECT_EQ(plugin.Effect(), nullptr);
  EXPECT_EQ(ActiveHostContext(), nullptr);
}

TEST_F(StubPluginTest, LoadsThroughTheOldEntryPointAndUnloadsOnce) {
  ASSERT_NE(plugin.Effect(), nullptr);
  EXPECT_EQ(ActiveHostContext(), &context);
  EXPECT_EQ(plugin.DispatchText(effGetEffectName), "Stub Gain");
  EXPECT_EQ(plugin.ParameterName(1), "Mode");
  EXPECT_EQ(plugin.ProgramName(1), "Half");
  EXPECT_EQ(plugin.ProgramName(7), "");
  plugin.Resume();
  plugin.Unload();
  plugin.Unload();
  EXPECT_EQ(plugin.Effect(), nullptr);
  EXPECT_EQ(ActiveHostContext(), nullptr);
  EXPECT_EQ(plugin.Dispatch(effGetProgram), 0);  // no instance: nothing is called
}

TEST_F(StubPluginTest, ProgramsByNameOrNumber) {
  EXPECT_TRUE(SelectProgram(plugin, "Half").ok());
  EXPECT_EQ(plugin.Dispatch(effGetProgram), 1);
  EXPECT_TRUE(SelectProgram(plugin, "1").ok());
  EXPECT_EQ(plugin.Dispatch(effGetProgram), 0);
  for (const char* bad : {"half", "0", "3", "1.5", "-1", ""}) {
    EXPECT_EQ(SelectProgram(plugin, bad).code, ExitCode::kUnknownName) << bad;
  }
}

TEST_F(StubPluginTest, ParametersByNameAndValueWithoutConversion) {
  EXPECT_EQ(FindParameter(plugin, "Gain"), 0);
  EXPECT_EQ(FindParameter(plugin, "gAIN"), 0);
  EXPECT_EQ(FindParameter(plugin, "Volume"), -1);

  EXPECT_TRUE(ApplySetting(plugin, {"Gain", "0.25"}).ok());
  EXPECT_FLOAT_EQ(plugin.GetParameter(0), 0.25f);
  EXPECT_TRUE(ApplySetting(plugin, {"Mode", "on"}).ok());
  EXPECT_EQ(plugin.ParameterDisplay(1), "on");
  EXPECT_TRUE(ApplySetting(plugin, {"mode", "OFF"}).ok());
  EXPECT_EQ(plugin.ParameterDisplay(1), "off");
  EXPECT_TRUE(ApplySetting(plugin, {"Mode", "on"}).ok());

  Status unknown = ApplySetting(plugin, {"Volume", "1"});
  EXPECT_EQ(unknown.code, ExitCode::kUnknownName);
  EXPECT_NE(unknown.message.find("\"Gain\", \"Mode\""), std::string::npos);
  // A text that is no display text leaves the parameter as it was.
  Status maybe = ApplySetting(plugin, {"Mode", "maybe"});
  EXPECT_EQ(maybe.code, ExitCode::kUnknownName);
  EXPECT_NE(maybe.message.find("values: \"off\", \"on\""), std::string::npos) << maybe.message;
  EXPECT_EQ(plugin.ParameterDisplay(1), "on");
  EXPECT_EQ(ApplySetting(plugin, {"Gain", "2"}).code, ExitCode::kUnknownName);
  EXPECT_FLOAT_EQ(plugin.GetParameter(0), 0.25f);
}

TEST_F(StubPluginTest, RendersInputPlusTailInBlocksWithAShortLastOne) {
  AudioData input;
  input.sampleRate = 44100;
  input.channels = {std::vector<float>(150, 0.0f)};
  input.channels[0][0] = 0.5f;
  input.channels[0][149] = -0.5f;
  ASSERT_TRUE(ApplySetting(plugin, {"Gain", "0.5"}).ok());

  RenderSettings settings;
  settings.blockSize = 64;
  settings.totalFrames = 150 + 50;
  ProgressBar quiet(false);
  AudioData output;
  plugin.Resume();
  EXPECT_TRUE(RenderThroughPlugin(plugin, context, input, settings, quiet, Collect(&output, 2)));

  ASSERT_EQ(output.ChannelCount(), 2);
  ASSERT_EQ(output.FrameCount(), 200);
  for (int c = 0; c < 2; ++c) {  // the mono file feeds both inputs
    EXPECT_FLOAT_EQ(output.channels[c][0], 0.25f);
    EXPECT_FLOAT_EQ(output.channels[c][149], -0.25f);
    for (int f = 150; f < 200; ++f) ASSERT_EQ(output.channels[c][f], 0.0f);
  }
  EXPECT_EQ(context.SamplePosition(), 200.0);  // the transport moved with every block
}

TEST_F(StubPluginTest, StereoFileKeepsItsChannels) {
  AudioData input;
  input.sampleRate = 44100;
  input.channels = {{1.0f, 0.0f}, {0.0f, -1.0f}};
  RenderSettings settings;
  settings.totalFrames = 2;
  ProgressBar quiet(false);
  AudioData output;
  EXPECT_TRUE(RenderThroughPlugin(plugin, context, input, settings, quiet, Collect(&output, 2)));
  EXPECT_EQ(output.channels, input.channels);
}

TEST_F(StubPluginTest, ASinkFailureStopsTheRender) {
  AudioData input;
  input.channels = {std::vector<float>(1000, 0.1f)};
  RenderSettings settings;
  settings.blockSize = 100;
  settings.totalFrames = 1000;
  ProgressBar quiet(false);
  int blocks = 0;
  EXPECT_FALSE(RenderThroughPlugin(plugin, context, input, settings, quiet,
                                   [&blocks](const float* const*, int) { return ++blocks < 3; }));
  EXPECT_EQ(blocks, 3);
}

}  // namespace
