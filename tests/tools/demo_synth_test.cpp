#include "tools/host/demo_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

double Rms(const std::vector<float>& s, double fromSeconds, double toSeconds, double rate) {
  size_t from = static_cast<size_t>(fromSeconds * rate);
  size_t to = static_cast<size_t>(toSeconds * rate);
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

TEST(DemoSynth, LengthIsExactlyTheRequestedDuration) {
  EXPECT_EQ(RenderDemo(44100, 120, 4.0).size(), 176400u);
  EXPECT_EQ(RenderDemo(48000, 97, 1.5).size(), 72000u);
  EXPECT_EQ(RenderDemo(22050, 120, 0.001).size(), 22u);
  EXPECT_TRUE(RenderDemo(44100, 120, 0).empty());
  EXPECT_TRUE(RenderDemo(44100, 0, 4).empty());
  EXPECT_TRUE(RenderDemo(std::nan(""), 120, 4).empty());
}

TEST(DemoSynth, AudibleBelowFullScaleAndEndsSilent) {
  std::vector<float> demo = RenderDemo(44100, 120, 4.0);
  float peak = 0;
  for (float s : demo) {
    ASSERT_TRUE(std::isfinite(s));
    peak = std::fmax(peak, std::fabs(s));
  }
  EXPECT_GT(peak, 0.1f);
  EXPECT_LT(peak, 1.0f);
  EXPECT_EQ(demo.back(), 0.0f);
  EXPECT_EQ(demo, RenderDemo(44100, 120, 4.0));  // the same every run
}

TEST(DemoSynth, NotesFollowTheTempoAndLeaveRests) {
  const double rate = 44100;
  // The first pluck sounds alone until the second note: beat 0.5 is 0.5 s at 60 BPM and
  // 0.25 s at 120 BPM. Before 0.25 s both renders hold the same lone pluck; after it the
  // faster one has its second note.
  std::vector<float> slow = RenderDemo(rate, 60, 8.0);
  std::vector<float> fast = RenderDemo(rate, 120, 8.0);
  EXPECT_TRUE(std::equal(slow.begin(), slow.begin() + 11025, fast.begin()));
  EXPECT_FALSE(std::equal(slow.begin() + 11025, slow.begin() + 11125, fast.begin() + 11025));
  // At 120 BPM the phrase rests from beat 5.5 to 8 (2.75 s to 4 s): the last notes die
  // away there, so the end of the rest is far quieter than the phrase.
  EXPECT_LT(Rms(fast, 3.6, 4.0, rate), 0.3 * Rms(fast, 0.0, 2.5, rate));
  EXPECT_GT(Rms(fast, 4.0, 4.5, rate), 2.0 * Rms(fast, 3.6, 4.0, rate));  // phrase repeats
}

}  // namespace
