// The same audio from every vector unit the loops are built for: one scenario that reaches
// every loop variant (idle and crossfade spans in all four position modes, tap B fading in
// and out, spans whose taps read what they write, wraps inside blocks, tempo changes that
// clear a line full of old echoes, odd block lengths, all three processing calls) rendered
// under each unit this processor runs, compared bit for bit, and with a fingerprint of the
// samples the plain scalar loops produced.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "base/vector_unit.h"
#include "effect/quelora2.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"

namespace {

float Rate(int k) { return static_cast<float>(k) / 24.f; }
float Mode(int m) { return static_cast<float>(m) / 3.f; }

// Every output sample of the scenario, in the order produced, as raw bytes.
class Recording {
 public:
  template <class Sample>
  void Add(const std::vector<Sample>& samples, int count) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(samples.data());
    data.insert(data.end(), bytes, bytes + count * sizeof(Sample));
  }
  // FNV-1a over the bytes.
  uint64_t Fingerprint() const {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char byte : data) {
      h ^= byte;
      h *= 1099511628211ull;
    }
    return h;
  }
  std::vector<unsigned char> data;
};

class Scenario {
 public:
  Scenario() : random(2024), noise(-1.f, 1.f) {}

  Recording Render() {
    TestHost host;
    EXPECT_NE(host.Create(VSTPluginMain), nullptr);
    host.Start(44100.f, 512);
    effect = host.effect();
    host.SetParameter(kFeedback, 0.9f);
    host.SetParameter(kWetMix, 0.8f);

    // 480 BPM: an 8-whole-note line of 4 s, written through twice with long delays.
    host.tempo = 480.0;
    host.SetParameter(kDelayRate, Rate(24));
    host.SetParameter(kPosition, Mode(2));
    Blocks(44100 * 9, 512);
    // 500 BPM clears it; the longest pong delay (the whole line) and the others read
    // positions full of old echoes until the line is written again.
    host.tempo = 500.0;
    Blocks(9000, 333);
    host.SetParameter(kDelayRate, Rate(21));  // crossfade, odd blocks, all three calls
    Blocks(20000, 77);
    host.SetParameter(kPosition, Mode(0));  // pong to single: tap B fades out
    host.SetParameter(kDelayRate, Rate(18));
    Blocks(8000, 512);
    host.SetParameter(kPosition, Mode(3));  // single to pong: tap B fades in
    host.SetParameter(kDelayRate, Rate(15));
    Blocks(8000, 129);
    host.SetParameter(kPosition, Mode(1));
    host.SetParameter(kDelayRate, Rate(16));  // single to single: tap B held
    Blocks(8000, 1000);                       // longer than the block size: split calls

    // 2000 BPM: delays shorter than a block, so spans read what they write; crossfades
    // between them in every mode.
    host.tempo = 2000.0;
    for (int mode = 0; mode < 4; ++mode) {
      host.SetParameter(kPosition, Mode(mode));
      host.SetParameter(kDelayRate, Rate(0));
      Blocks(6000, 512);
      host.SetParameter(kDelayRate, Rate(3 + mode));
      Blocks(6000, 61);
    }
    // A tempo change during a crossfade, and one line so short it wraps inside a span.
    host.SetParameter(kDelayRate, Rate(9));
    Blocks(1000, 512);
    host.tempo = 1e7;
    Blocks(3000, 100);
    host.Close();
    return recording;
  }

 private:
  // count frames in blocks of up to block frames, the call cycling through the three kinds.
  void Blocks(int count, int block) {
    std::vector<float> f0(block), f1(block), g0(block), g1(block);
    std::vector<double> d0(block), d1(block), e0(block), e1(block);
    for (int done = 0; done < count; done += block) {
      const int n = count - done < block ? count - done : block;
      for (int i = 0; i < n; ++i) {
        f0[i] = noise(random);
        f1[i] = noise(random);
        d0[i] = f0[i];
        d1[i] = f1[i];
        g0[i] = 0.25f * f1[i];  // what an accumulating call adds to
        g1[i] = -0.5f * f0[i];
      }
      float* ins[2] = {f0.data(), f1.data()};
      float* outs[2] = {g0.data(), g1.data()};
      double* dins[2] = {d0.data(), d1.data()};
      double* douts[2] = {e0.data(), e1.data()};
      switch (call++ % 3) {
        case 0:
          effect->processReplacing(effect, ins, outs, n);
          break;
        case 1:
          effect->process(effect, ins, outs, n);
          break;
        default:
          effect->processDoubleReplacing(effect, dins, douts, n);
          recording.Add(e0, n);
          recording.Add(e1, n);
          continue;
      }
      recording.Add(g0, n);
      recording.Add(g1, n);
    }
  }

  std::mt19937 random;
  std::uniform_real_distribution<float> noise;
  AEffect* effect = nullptr;
  int call = 0;
  Recording recording;
};

// The samples of the scalar per-frame loops (before any vector unit was chosen at run
// time), for this scenario.
constexpr uint64_t kScalarFingerprint = 0x0776b357753c2fa4ull;

TEST(VectorUnitIdentity, EveryUnitRendersTheSameBits) {
  std::vector<Recording> renders;
  for (int u = 0; u < kVectorUnitCount; ++u) {
    const VectorUnit unit = static_cast<VectorUnit>(u);
    if (!VectorUnitSupported(unit)) {
      printf("%s: not supported here, skipped\n", VectorUnitName(unit));
      continue;
    }
    LimitVectorUnit(unit);
    EXPECT_EQ(ActiveVectorUnit(), unit);
    Scenario scenario;
    renders.push_back(scenario.Render());
    printf("%s: %zu bytes, fingerprint %016llx\n", VectorUnitName(unit), renders.back().data.size(),
           static_cast<unsigned long long>(renders.back().Fingerprint()));
  }
  LimitVectorUnit(static_cast<VectorUnit>(kVectorUnitCount - 1));
  ASSERT_FALSE(renders.empty());
  EXPECT_EQ(renders[0].Fingerprint(), kScalarFingerprint);
  for (size_t r = 1; r < renders.size(); ++r) {
    ASSERT_EQ(renders[r].data.size(), renders[0].data.size());
    EXPECT_EQ(memcmp(renders[r].data.data(), renders[0].data.data(), renders[0].data.size()), 0)
        << VectorUnitName(static_cast<VectorUnit>(r));
  }
}

}  // namespace
