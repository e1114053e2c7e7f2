#include "tools/host/audio_file.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <fstream>

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "qh_" + name; }

TEST(OutputFormat, ExtensionPicksTheContainerAndSourceTheEncoding) {
  EXPECT_EQ(ChooseOutputFormat("out.wav", 0, 2), SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  EXPECT_EQ(ChooseOutputFormat("dir.v2/OUT.FLAC", 0, 2), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(ChooseOutputFormat("out.wav", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2),
            SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  // FLAC holds no float samples: 24-bit instead.
  EXPECT_EQ(ChooseOutputFormat("out.flac", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1),
            SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(ChooseOutputFormat("out.aif", 0, 2), SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
  EXPECT_EQ(ChooseOutputFormat("out.ogg", 0, 2), SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  EXPECT_EQ(ChooseOutputFormat("out.oga", 0, 2), SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  EXPECT_EQ(ChooseOutputFormat("out.w64", 0, 2), SF_FORMAT_W64 | SF_FORMAT_PCM_24);
  // Unknown or missing extension: the source's format, else 24-bit WAV.
  EXPECT_EQ(ChooseOutputFormat("out.xyz", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2),
            SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  EXPECT_EQ(ChooseOutputFormat("dir.d/out", 0, 2), SF_FORMAT_WAV | SF_FORMAT_PCM_24);
}

TEST(AudioFile, IntegerOutputClipsInsteadOfWrapping) {
  AudioData data;
  data.sampleRate = 44100;
  data.channels = {{0.5f, 1.5f, -2.0f, 0.0f}, {-0.25f, 0.0f, 1.0f, 3.0f}};
  const std::string path = TempPath("clip.wav");
  ASSERT_TRUE(WriteAudioFile(path, data, SF_FORMAT_WAV | SF_FORMAT_PCM_16).ok());

  AudioData back;
  ASSERT_TRUE(ReadAudioFile(path, &back).ok());
  ASSERT_EQ(back.ChannelCount(), 2);
  ASSERT_EQ(back.FrameCount(), 4);
  EXPECT_EQ(back.sampleRate, 44100);
  EXPECT_EQ(back.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_NEAR(back.channels[0][0], 0.5f, 1e-4);
  EXPECT_GT(back.channels[0][1], 0.99f);
  EXPECT_LE(back.channels[0][2], -0.99f);
  EXPECT_GT(back.channels[1][3], 0.99f);
  EXPECT_NEAR(back.channels[1][0], -0.25f, 1e-4);
  std::remove(path.c_str());
}

TEST(AudioFile, FloatOutputKeepsValuesAboveFullScale) {
  AudioData data;
  data.sampleRate = 96000;
  data.channels = {{1.5f, -2.0f, 0.125f}};
  const std::string path = TempPath("float.wav");
  ASSERT_TRUE(WriteAudioFile(path, data, SF_FORMAT_WAV | SF_FORMAT_FLOAT).ok());
  AudioData back;
  ASSERT_TRUE(ReadAudioFile(path, &back).ok());
  EXPECT_EQ(back.channels, data.channels);
  EXPECT_EQ(back.sampleRate, 96000);
  std::remove(path.c_str());
}

TEST(AudioFile, ReadFailuresAreTold) {
  AudioData data;
  EXPECT_EQ(ReadAudioFile(TempPath("does_not_exist.wav"), &data).code, ExitCode::kMissingFile);
  const std::string text = TempPath("text.wav");
  std::ofstream(text) << "RIFF but not really a wave file";
  Status s = ReadAudioFile(text, &data);
  EXPECT_EQ(s.code, ExitCode::kBadAudio);
  EXPECT_NE(s.message.find(text), std::string::npos);
  std::remove(text.c_str());
  EXPECT_EQ(WriteAudioFile(TempPath("no/such/dir/out.wav"), AudioData{44100, {{0.0f}}, 0},
                           SF_FORMAT_WAV | SF_FORMAT_PCM_24)
                .code,
            ExitCode::kFailure);
}

}  // namespace
