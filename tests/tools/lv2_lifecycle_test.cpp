// The LV2 bundle switched off and on through lilv, as a host does around a pause: the echoes
// heard before are gone afterwards, and the tempo the host sent before stays in force until
// it sends another (hosts send a position only when the transport or the tempo changes).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tools/host/lv2_plugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
// A quarter note at 120 BPM: the default program's echo ("1/4", "left").
constexpr int kBeat = 22050;

struct Stereo {
  std::vector<float> left, right;
  explicit Stereo(size_t n = 0) : left(n, 0.f), right(n, 0.f) {}
  size_t size() const { return left.size(); }
};

// Runs input through the plug-in in blocks of kBlock frames.
Stereo Process(Lv2Plugin& plugin, const Stereo& input) {
  Stereo out(input.size());
  for (size_t at = 0; at < input.size(); at += kBlock) {
    const int frames = static_cast<int>(std::min<size_t>(kBlock, input.size() - at));
    const float* in[2] = {input.left.data() + at, input.right.data() + at};
    float* o[2] = {out.left.data() + at, out.right.data() + at};
    plugin.Run(in, o, frames);
  }
  return out;
}

Stereo Impulse(size_t n) {
  Stereo s(n);
  s.left[0] = s.right[0] = 1.f;
  return s;
}

Stereo Noise(size_t n, unsigned seed) {
  Stereo s(n);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.f, 1.f);
  for (size_t i = 0; i < n; ++i) {
    s.left[i] = dist(rng);
    s.right[i] = dist(rng);
  }
  return s;
}

class Lv2Lifecycle : public ::testing::Test {
 protected:
  void Open(Lv2Plugin& plugin) {
    ASSERT_TRUE(plugin.Load(QUELORA_LV2_BUNDLE).ok());
    ASSERT_TRUE(plugin.Instantiate(kRate, kBlock).ok());
  }
};

TEST_F(Lv2Lifecycle, EchoesPlayedBeforeDeactivationNeverComeOut) {
  Lv2Plugin plugin;
  Open(plugin);
  plugin.SendTransport(120.0, 0);
  // The impulse is in the line; its echo is still a beat away when the host switches off.
  Process(plugin, Impulse(kBeat / 2));
  plugin.Deactivate();
  plugin.Activate();
  plugin.SendTransport(120.0, 0);
  const Stereo out = Process(plugin, Stereo(3 * kBeat));
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_EQ(out.left[i], 0.f) << "frame " << i;
    ASSERT_EQ(out.right[i], 0.f) << "frame " << i;
  }
}

TEST_F(Lv2Lifecycle, TheLastTempoHoldsAfterReactivationWithoutANewPosition) {
  Lv2Plugin plugin;
  Open(plugin);
  plugin.SendTransport(120.0, 0);
  Process(plugin, Stereo(4 * kBlock));
  plugin.Deactivate();
  plugin.Activate();
  plugin.SendTransport(0.0, 0);  // the host sends nothing: its transport has not changed
  const Stereo out = Process(plugin, Impulse(kBeat + kBlock));
  // The dry impulse, silence, then its echo exactly one beat later (95 % left at 90 %
  // width, at half the wet mix of the default program).
  EXPECT_EQ(out.left[0], 1.f);
  for (int i = 1; i < kBeat; ++i) ASSERT_EQ(out.left[i], 0.f) << "frame " << i;
  EXPECT_NEAR(out.left[kBeat], 0.5 * 0.95, 1e-6);
  EXPECT_NEAR(out.right[kBeat], 0.5 * 0.05, 1e-6);
}

TEST_F(Lv2Lifecycle, AfterReactivationTheEchoChainIsAFreshInstances) {
  for (const char* program : {"Classic Delay", "Etheric Room", "Distant Echoes 2"}) {
    SCOPED_TRACE(program);
    Lv2Plugin used;
    Open(used);
    ASSERT_TRUE(used.ApplyPreset(program).ok());
    used.SendTransport(97.0, 0);
    // Some history: noise, a rate change that starts a crossfade, a pan glide under way.
    Process(used, Noise(3 * kBeat, 1));
    ASSERT_TRUE(used.ApplySetting({"Delay Rate", "1/16"}).ok());
    ASSERT_TRUE(used.ApplySetting({"Pan Width", "10"}).ok());
    Process(used, Noise(kBlock * 3 + 100, 2));
    ASSERT_TRUE(used.ApplyPreset(program).ok());
    used.Deactivate();
    used.Activate();

    Lv2Plugin fresh;
    Open(fresh);
    ASSERT_TRUE(fresh.ApplyPreset(program).ok());
    fresh.SendTransport(97.0, 0);

    const Stereo input = Noise(5 * kBeat, 3);
    const Stereo a = Process(used, input);
    const Stereo b = Process(fresh, input);
    ASSERT_EQ(a.left, b.left);
    ASSERT_EQ(a.right, b.right);
  }
}

}  // namespace
