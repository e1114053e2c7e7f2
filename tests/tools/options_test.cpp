#include "tools/host/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Status Parse(std::vector<const char*> args, Options* out) {
  args.insert(args.begin(), "quelora-host");
  return ParseOptions(static_cast<int>(args.size()), args.data(), out);
}

TEST(Options, RenderDemoWithDefaults) {
  Options o;
  ASSERT_TRUE(Parse({"render", "p.so", "out.wav"}, &o).ok());
  EXPECT_EQ(o.command, Command::kRender);
  EXPECT_EQ(o.plugin, "p.so");
  EXPECT_EQ(o.input, "");
  EXPECT_EQ(o.output, "out.wav");
  EXPECT_EQ(o.tempo, 120.0);
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_EQ(o.tailSeconds, 2.0);
  EXPECT_EQ(o.sampleRate, 44100.0);
  EXPECT_FALSE(o.useDouble);
  EXPECT_TRUE(o.program.empty());
  EXPECT_TRUE(o.settings.empty());
}

TEST(Options, OptionsMixWithFilesInBothSpellings) {
  Options o;
  ASSERT_TRUE(Parse({"render", "--tempo=93.5", "p.so", "in.flac", "--set", " Dry Mix = 0 ",
                     "out.flac", "--set=Delay Rate=1/4", "--program", "Classic Delay",
                     "--double", "--block", "100", "--tail", "0"},
                    &o)
                  .ok());
  EXPECT_EQ(o.input, "in.flac");
  EXPECT_EQ(o.output, "out.flac");
  EXPECT_EQ(o.tempo, 93.5);
  EXPECT_EQ(o.program, "Classic Delay");
  EXPECT_TRUE(o.useDouble);
  EXPECT_EQ(o.blockSize, 100);
  EXPECT_EQ(o.tailSeconds, 0.0);
  ASSERT_EQ(o.settings.size(), 2u);
  EXPECT_EQ(o.settings[0].name, "Dry Mix");
  EXPECT_EQ(o.settings[0].value, "0");
  EXPECT_EQ(o.settings[1].name, "Delay Rate");
  EXPECT_EQ(o.settings[1].value, "1/4");
}

TEST(Options, ScreenshotScaleIsAFactorFromOneToThree) {
  Options o;
  ASSERT_TRUE(Parse({"screenshot", "p.so", "out.png"}, &o).ok());
  EXPECT_EQ(o.scale, 1.0);
  ASSERT_TRUE(Parse({"screenshot", "p.so", "out.png", "--scale", "1.5"}, &o).ok());
  EXPECT_EQ(o.scale, 1.5);
  ASSERT_TRUE(Parse({"screenshot", "--scale=3", "p.so", "out.png"}, &o).ok());
  EXPECT_EQ(o.scale, 3.0);
  for (const char* bad : {"0.5", "3.01", "two", "nan"}) {
    Status s = Parse({"screenshot", "p.so", "out.png", "--scale", bad}, &o);
    EXPECT_EQ(s.code, ExitCode::kUsage) << bad;
  }
  // Only the screenshot is drawn at a scale: the editor follows the desktop.
  EXPECT_EQ(Parse({"edit", "p.so", "--scale", "2"}, &o).code, ExitCode::kUsage);
  EXPECT_EQ(Parse({"render", "p.so", "out.wav", "--scale", "2"}, &o).code, ExitCode::kUsage);
}

TEST(Options, HelpWinsAnywhere) {
  Options o;
  ASSERT_TRUE(Parse({"render", "--bogus", "--tempo", "-3", "--help"}, &o).ok());
  EXPECT_EQ(o.command, Command::kHelp);
  ASSERT_TRUE(Parse({"info", "-h"}, &o).ok());
  EXPECT_EQ(o.command, Command::kHelp);
  ASSERT_TRUE(Parse({"help"}, &o).ok());
  EXPECT_EQ(o.command, Command::kHelp);
}

TEST(Options, BadArgumentsAreUsageErrors) {
  const std::vector<std::vector<const char*>> bad = {
      {},
      {"play", "p.so"},
      {"info"},
      {"info", "a.so", "b.so"},
      {"render", "p.so"},
      {"render", "p.so", "a", "b", "c"},
      {"render", "p.so", "o.wav", "--tempo", "0"},
      {"render", "p.so", "o.wav", "--tempo", "fast"},
      {"render", "p.so", "o.wav", "--tempo", "nan"},
      {"render", "p.so", "o.wav", "--block", "0"},
      {"render", "p.so", "o.wav", "--block", "1.5"},
      {"render", "p.so", "o.wav", "--tail", "-1"},
      {"render", "p.so", "o.wav", "--rate", "1000"},
      {"render", "p.so", "o.wav", "--seconds", "0"},
      {"render", "p.so", "o.wav", "--set", "Dry Mix"},
      {"render", "p.so", "o.wav", "--set", "=3"},
      {"render", "p.so", "o.wav", "--set", "Dry Mix="},
      {"render", "p.so", "o.wav", "--program"},
      {"render", "p.so", "o.wav", "--double=yes"},
      {"render", "p.so", "o.wav", "--colour", "red"},
      {"render", "p.so", "in.wav", "o.wav", "--rate", "48000"},
      {"render", "p.so", "in.wav", "o.wav", "--seconds", "3"},
  };
  for (const auto& args : bad) {
    Options o;
    Status s = Parse(args, &o);
    std::string joined;
    for (const char* a : args) joined += std::string(a) + " ";
    EXPECT_EQ(s.code, ExitCode::kUsage) << joined;
    EXPECT_FALSE(s.message.empty()) << joined;
  }
}

TEST(Options, StrictNumbers) {
  double v = 0;
  EXPECT_TRUE(ParseNumber(" 12.5 ", &v));
  EXPECT_EQ(v, 12.5);
  EXPECT_TRUE(ParseNumber("-1e2", &v));
  EXPECT_EQ(v, -100.0);
  EXPECT_FALSE(ParseNumber("1/4", &v));
  EXPECT_FALSE(ParseNumber("50%", &v));
  EXPECT_FALSE(ParseNumber("", &v));
  EXPECT_FALSE(ParseNumber("inf", &v));
}

}  // namespace
