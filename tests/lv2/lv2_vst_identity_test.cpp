// The LV2 module against the VST 2.4 build: for the same settings, tempo, sample rate and
// block sizes (including changes while audio runs) both give the same samples, and the
// LV2 state holds the VST 2.4 program chunk's bytes.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>

#include <cstring>
#include <random>
#include <vector>

#include "effect/lv2_identity.h"
#include "effect/quelora2.h"
#include "tests/lv2/lv2_test_host.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"

namespace {

using DescriptorEntry = const LV2_Descriptor* (*)(uint32_t);

// The built module, loaded privately: its symbols stay out of this program's.
class Lv2Module {
 public:
  Lv2Module() {
    mLib = dlopen(QUELORA_LV2_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (mLib) mEntry = reinterpret_cast<DescriptorEntry>(dlsym(mLib, "lv2_descriptor"));
  }
  ~Lv2Module() {
    if (mLib) dlclose(mLib);
  }
  DescriptorEntry entry() const { return mEntry; }

 private:
  void* mLib = nullptr;
  DescriptorEntry mEntry = nullptr;
};

struct Change {
  size_t atFrame;  // applied before the block that starts at or after this frame
  int param;
  int plain;
};

struct Scenario {
  double sampleRate;
  double bpm;  // 0: no tempo
  int blockSize;
  std::vector<int> initial;  // plain values of the six parameters
  std::vector<Change> changes;
};

std::vector<float> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.f, 1.f);
  std::vector<float> v(n);
  for (float& x : v) x = dist(rng);
  // Silence after the first half lets the echoes ring out alone.
  for (size_t i = n / 2; i < n; ++i) v[i] = 0.f;
  return v;
}

// Normalized value a VST 2.4 host sends for a plain value.
float Normalized(int param, int plain) {
  static const int kHighest[kNumParams] = {24, 3, 100, 99, 100, 100};
  return static_cast<float>(plain) / static_cast<float>(kHighest[param]);
}

void RenderVst(const Scenario& s, const std::vector<float>& in0, const std::vector<float>& in1,
               std::vector<float>* out0, std::vector<float>* out1) {
  TestHost host;
  ASSERT_NE(host.Create(VSTPluginMain), nullptr);
  host.tempo = s.bpm;
  host.tempoValid = s.bpm > 0.0;
  host.Start(static_cast<float>(s.sampleRate), s.blockSize);
  for (int i = 0; i < kNumParams; ++i) host.SetParameter(i, Normalized(i, s.initial[i]));
  out0->assign(in0.size(), 0.f);
  out1->assign(in0.size(), 0.f);
  size_t next = 0;
  for (size_t done = 0; done < in0.size(); done += s.blockSize) {
    while (next < s.changes.size() && s.changes[next].atFrame <= done) {
      host.SetParameter(s.changes[next].param, Normalized(s.changes[next].param, s.changes[next].plain));
      ++next;
    }
    const size_t n = std::min(static_cast<size_t>(s.blockSize), in0.size() - done);
    float* ins[2] = {const_cast<float*>(in0.data()) + done, const_cast<float*>(in1.data()) + done};
    float* outs[2] = {out0->data() + done, out1->data() + done};
    host.effect()->processReplacing(host.effect(), ins, outs, static_cast<VstInt32>(n));
  }
}

void RenderLv2(DescriptorEntry entry, const Scenario& s, const std::vector<float>& in0,
               const std::vector<float>& in1, std::vector<float>* out0,
               std::vector<float>* out1) {
  Lv2TestHost host;
  ASSERT_TRUE(host.Create(entry, s.sampleRate));
  for (int i = 0; i < kNumParams; ++i) host.SetControl(i, static_cast<float>(s.initial[i]));
  host.SetTransport(s.bpm);
  out0->assign(in0.size(), 0.f);
  out1->assign(in0.size(), 0.f);
  size_t next = 0;
  std::vector<float> piece0, piece1, r0, r1;
  for (size_t done = 0; done < in0.size(); done += s.blockSize) {
    while (next < s.changes.size() && s.changes[next].atFrame <= done) {
      host.SetControl(s.changes[next].param, static_cast<float>(s.changes[next].plain));
      ++next;
    }
    const size_t n = std::min(static_cast<size_t>(s.blockSize), in0.size() - done);
    piece0.assign(in0.begin() + done, in0.begin() + done + n);
    piece1.assign(in1.begin() + done, in1.begin() + done + n);
    host.Process(piece0, piece1, static_cast<int>(n), &r0, &r1);
    std::copy(r0.begin(), r0.end(), out0->begin() + done);
    std::copy(r1.begin(), r1.end(), out1->begin() + done);
  }
}

class Lv2MatchesVst : public ::testing::Test {
 protected:
  void Compare(const Scenario& s, size_t frames) {
    ASSERT_NE(module.entry(), nullptr) << "cannot load " << QUELORA_LV2_MODULE;
    const std::vector<float> in0 = Noise(frames, 1), in1 = Noise(frames, 2);
    std::vector<float> v0, v1, l0, l1;
    RenderVst(s, in0, in1, &v0, &v1);
    RenderLv2(module.entry(), s, in0, in1, &l0, &l1);
    ASSERT_EQ(v0.size(), l0.size());
    double energy = 0.0;
    for (size_t n = 0; n < frames; ++n) {
      ASSERT_EQ(std::memcmp(&v0[n], &l0[n], sizeof(float)), 0) << "left, frame " << n;
      ASSERT_EQ(std::memcmp(&v1[n], &l1[n], sizeof(float)), 0) << "right, frame " << n;
      if (n >= frames / 2) energy += static_cast<double>(v0[n]) * v0[n] + v1[n] * v1[n];
    }
    // Something other than silence was compared after the input stopped (unless no tempo).
    if (s.bpm > 0.0) {
      EXPECT_GT(energy, 1.0);
    } else {
      EXPECT_EQ(energy, 0.0);
    }
  }
  Lv2Module module;
};

TEST_F(Lv2MatchesVst, FactoryStyleSettingsAtSeveralRatesAndBlocks) {
  Compare({44100.0, 120.0, 512, {9, 2, 90, 60, 70, 60}, {}}, 60000);
  Compare({48000.0, 97.5, 256, {11, 3, 100, 90, 90, 50}, {}}, 60000);
  Compare({96000.0, 140.0, 1000, {6, 0, 40, 80, 50, 30}, {}}, 60000);
}

TEST_F(Lv2MatchesVst, ChangesWhileRunningCrossfadeAndGlideAlike) {
  // Rate and mode changes start crossfades (one lands inside a running fade); width and
  // mix changes glide per block.
  Compare({44100.0, 120.0, 333,
           {12, 2, 90, 60, 100, 50},
           {{3000, kDelayRate, 9}, {4000, kPosition, 3}, {9000, kPanWidth, 10},
            {20000, kDelayRate, 4}, {21000, kWetMix, 90}, {30000, kPosition, 1},
            {31000, kFeedback, 95}}},
          80000);
}

TEST_F(Lv2MatchesVst, NoTempoIsDryOnlyInBoth) {
  Compare({44100.0, 0.0, 512, {12, 2, 90, 60, 80, 50}, {}}, 20000);
}

TEST_F(Lv2MatchesVst, StateHoldsTheProgramChunkBytes) {
  ASSERT_NE(module.entry(), nullptr);
  TestHost vst;
  ASSERT_NE(vst.Create(VSTPluginMain), nullptr);
  vst.Start();
  Lv2TestHost lv2;
  ASSERT_TRUE(lv2.Create(module.entry(), 44100.0));
  const int values[kNumParams] = {20, 1, 33, 44, 55, 66};
  vst.Dispatch(effSetProgram, 0, 7);
  for (int i = 0; i < kNumParams; ++i) {
    vst.SetParameter(i, Normalized(i, values[i]));
    lv2.SetControl(i, static_cast<float>(values[i]));
  }
  std::vector<float> in(16, 0.f), o0, o1;
  lv2.Process(in, in, 16, &o0, &o1);
  void* data = nullptr;
  const VstIntPtr size = vst.Dispatch(effGetChunk, /*isPreset=*/1, 0, &data);
  ASSERT_GT(size, 0);
  ASSERT_EQ(lv2.Save(), LV2_STATE_SUCCESS);
  const uint32_t chunkKey = lv2.Map((std::string(kLv2PluginUri) + "#chunk").c_str());
  ASSERT_EQ(lv2.store.count(chunkKey), 1u);
  const std::vector<uint8_t>& bytes = lv2.store[chunkKey].bytes;
  ASSERT_EQ(bytes.size(), static_cast<size_t>(size));
  EXPECT_EQ(std::memcmp(bytes.data(), data, bytes.size()), 0);
  EXPECT_STREQ(lv2.Unmap(lv2.store[chunkKey].type), LV2_ATOM__Chunk);
}

}  // namespace
