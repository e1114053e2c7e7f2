// The delay engine through the host interface of in-process instances: echo positions and
// levels, crossfades, pan glide, tempo handling and the three processing calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "effect/quelora2.h"
#include "tests/support/test_host.h"
#include "vst/entry.h"

namespace {

// Normalized values of the effect's parameters.
float Rate(int k) { return static_cast<float>(k) / 24.f; }
float Mode(int m) { return static_cast<float>(m) / 3.f; }

constexpr int kQuarter = 22050;  // "1/4" at 44100 Hz and 120 BPM
constexpr int kEighth = 11025;   // "1/8"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Create(VSTPluginMain), nullptr);
    host.Start(44100.f, 512);
  }

  VSTCLASS* Plug() { return static_cast<VSTCLASS*>(host.effect()->object); }

  // Processes input (both channels the same unless in1 is given) in blocks; returns both
  // output channels.
  void Run(const std::vector<double>& in0, const std::vector<double>& in1, int block,
           std::vector<double>* out0, std::vector<double>* out1) {
    out0->assign(in0.size(), 0.0);
    out1->assign(in0.size(), 0.0);
    for (size_t done = 0; done < in0.size(); done += block) {
      const int n = static_cast<int>(std::min<size_t>(block, in0.size() - done));
      double* ins[2] = {const_cast<double*>(in0.data()) + done,
                        const_cast<double*>(in1.data()) + done};
      double* outs[2] = {out0->data() + done, out1->data() + done};
      host.effect()->processDoubleReplacing(host.effect(), ins, outs, n);
    }
  }
  void Run(const std::vector<double>& in, int block, std::vector<double>* out0,
           std::vector<double>* out1) {
    Run(in, in, block, out0, out1);
  }

  // Pure wet signal with pan 1 in "left": out0 = tap A and out1 = tap B exactly.
  void IsolateTaps() {
    host.SetParameter(kPanWidth, 1.f);
    host.SetParameter(kFeedback, 0.f);
    host.SetParameter(kDryMix, 0.f);
    host.SetParameter(kWetMix, 1.f);
  }

  // A ramp makes every line position distinct: with no feedback, line[t] = t.
  static std::vector<double> Ramp(int from, int count) {
    std::vector<double> v(count);
    for (int i = 0; i < count; ++i) v[i] = from + i;
    return v;
  }

  TestHost host;
};

TEST_F(EngineTest, NoteLengthsFollowTheTable) {
  // Lengths in whole notes as fractions; triplets are the single-precision values.
  const int num[25] = {1, 1, 3, 1, 1, 3, 1, 1, 3, 1, 1, 3, 1, 1, 3, 1, 2, 3, 1, 4, 3, 2, 8, 3, 4};
  const int den[25] = {64, 48, 128, 32, 24, 64, 16, 12, 32, 8, 6, 16, 4,
                       3,  8,  2,   3,  4,  1,  3,  2,  1,  3, 1, 1};
  for (int k = 0; k < 25; ++k) {
    const float length = static_cast<float>(num[k]) / static_cast<float>(den[k]);
    EXPECT_EQ(VSTCLASS::NoteLength(k), length) << k;
  }
  EXPECT_EQ(VSTCLASS::NoteLength(-3), VSTCLASS::NoteLength(0));
  EXPECT_EQ(VSTCLASS::NoteLength(40), 4.0f);

  // Delays at 44100 Hz and 120 BPM (88200 samples per whole note), rounded half up.
  std::vector<double> in(64, 0.0), o0, o1;
  Run(in, 64, &o0, &o1);
  EXPECT_EQ(Plug()->WholeNoteSamples(), 88200.0);
  for (int k = 0; k < 25; ++k) {
    host.SetParameter(kDelayRate, Rate(k));
    const int expected =
        static_cast<int>(static_cast<double>(VSTCLASS::NoteLength(k)) * 88200.0 + 0.5);
    EXPECT_EQ(Plug()->TargetDelay(), expected) << k;
  }
  host.SetParameter(kDelayRate, Rate(11));
  EXPECT_EQ(Plug()->TargetDelay(), 16538);  // "1/8D": 16537.5 rounds up
  host.SetParameter(kPosition, Mode(2));
  EXPECT_EQ(Plug()->TargetDelay(), 2 * 16538);
}

TEST_F(EngineTest, ImpulseWithDefaultsEchoesAfterAQuarterNote) {
  std::vector<double> in(50000, 0.0), o0, o1;
  in[0] = 1.0;
  Run(in, 512, &o0, &o1);
  EXPECT_EQ(Plug()->LineLength(), 8 * 88200);
  // Dry at full level, then silence until the echo: 95 % left, 5 % right at wet 50 %.
  EXPECT_EQ(o0[0], 1.0);
  EXPECT_EQ(o1[0], 1.0);
  for (int n = 1; n < kQuarter; ++n) ASSERT_EQ(o0[n] + o1[n], 0.0) << n;
  const double p = 0.95f;
  const double q = 1.0f - 0.95f;
  EXPECT_EQ(o0[kQuarter], p * 0.5f);
  EXPECT_EQ(o1[kQuarter], q * 0.5f);
  EXPECT_NEAR(o0[kQuarter], 0.475, 1e-7);
  EXPECT_NEAR(o1[kQuarter], 0.025, 1e-7);
  for (int n = kQuarter + 1; n < 2 * kQuarter; ++n) ASSERT_EQ(o0[n] + o1[n], 0.0) << n;
  // The feedback repeats it; gains are whole percentages times 0.01f.
  const double feedback = 60.f * 0.01f;
  EXPECT_EQ(o0[2 * kQuarter], p * feedback * 0.5f);
}

TEST_F(EngineTest, RateChangeCrossfadesOverExactly4410Frames) {
  IsolateTaps();
  const int t0 = 30000;
  std::vector<double> in = Ramp(0, t0), o0, o1;
  Run(in, 500, &o0, &o1);
  ASSERT_EQ(o0[t0 - 1], t0 - 1 - kQuarter);

  host.SetParameter(kDelayRate, Rate(9));  // "1/8"
  EXPECT_EQ(Plug()->CrossfadeCountdown(), 4410);
  in = Ramp(t0, 6000);
  Run(in, 500, &o0, &o1);
  for (int j = 1; j <= 4410; ++j) {
    const double t = t0 + j - 1;
    const float old = static_cast<float>(4410 - j) / 4410.f;
    const double expected =
        static_cast<double>(1.0f - old) * (t - kEighth) + static_cast<double>(old) * (t - kQuarter);
    ASSERT_EQ(o0[j - 1], expected) << j;
  }
  EXPECT_EQ(static_cast<float>(4409) / 4410.f, 4409.f / 4410.f);
  for (int j = 4411; j <= 6000; ++j) ASSERT_EQ(o0[j - 1], t0 + j - 1 - kEighth) << j;
  EXPECT_EQ(Plug()->CurrentDelay(), kEighth);
  EXPECT_EQ(Plug()->CrossfadeCountdown(), -1);
  for (double v : o1) ASSERT_EQ(v, 0.0);  // tap B stays silent in "left"
}

TEST_F(EngineTest, ChangeDuringAFadeDoesNotRestartIt) {
  IsolateTaps();
  const int t0 = 30000;
  std::vector<double> in = Ramp(0, t0), o0, o1;
  Run(in, 500, &o0, &o1);
  host.SetParameter(kDelayRate, Rate(9));
  in = Ramp(t0, 1000);
  Run(in, 500, &o0, &o1);
  host.SetParameter(kDelayRate, Rate(15));  // "1/2" arrives mid-fade
  EXPECT_EQ(Plug()->TargetDelay(), 44100);
  EXPECT_EQ(Plug()->NewDelay(), kEighth);
  EXPECT_EQ(Plug()->CrossfadeCountdown(), 3410);
  in = Ramp(t0 + 1000, 5000);
  Run(in, 500, &o0, &o1);
  // The first fade runs to its end and the line settles on its delay.
  for (int j = 1001; j <= 4410; ++j) {
    const double t = t0 + j - 1;
    const float old = static_cast<float>(4410 - j) / 4410.f;
    ASSERT_EQ(o0[j - 1001], static_cast<double>(1.0f - old) * (t - kEighth) +
                                static_cast<double>(old) * (t - kQuarter));
  }
  EXPECT_EQ(o0.back(), t0 + 5999 - kEighth);
  EXPECT_EQ(Plug()->CurrentDelay(), kEighth);
  // Any later change finds the engine idle and fades to the recorded target.
  host.SetParameter(kWetMix, 1.f);
  EXPECT_EQ(Plug()->NewDelay(), 44100);
  EXPECT_EQ(Plug()->CrossfadeCountdown(), 4410);
}

TEST_F(EngineTest, PongModesFadeTapBInAndOut) {
  IsolateTaps();  // "inv pong" at width 100 pans like "left": out0 = tap A, out1 = tap B
  const int t0 = 50000;
  std::vector<double> in = Ramp(0, t0), o0, o1;
  Run(in, 512, &o0, &o1);

  host.SetParameter(kPosition, Mode(3));
  EXPECT_EQ(Plug()->TargetDelay(), 2 * kQuarter);
  in = Ramp(t0, 5000);
  Run(in, 512, &o0, &o1);
  for (int j = 1; j <= 4410; ++j) {
    const double t = t0 + j - 1;
    const float old = static_cast<float>(4410 - j) / 4410.f;
    const double wNew = 1.0f - old;
    ASSERT_EQ(o0[j - 1], wNew * (t - 2 * kQuarter) + static_cast<double>(old) * (t - kQuarter));
    ASSERT_EQ(o1[j - 1], wNew * (t - kQuarter)) << j;  // fades in from 0
  }
  EXPECT_EQ(o1[4500], t0 + 4500 - kQuarter);

  const int t1 = t0 + 5000;
  host.SetParameter(kPosition, Mode(0));
  in = Ramp(t1, 6000);
  Run(in, 512, &o0, &o1);
  for (int j = 1; j <= 4410; ++j) {
    const double t = t1 + j - 1;
    const float old = static_cast<float>(4410 - j) / 4410.f;
    ASSERT_EQ(o1[j - 1], static_cast<double>(old) * (t - kQuarter)) << j;  // fades out
  }
  for (int j = 4411; j <= 6000; ++j) ASSERT_EQ(o1[j - 1], 0.0) << j;  // then held at 0
  EXPECT_EQ(o0.back(), t1 + 5999 - kQuarter);
}

TEST_F(EngineTest, RateChangeAfterSwitchingSidesKeepsTapBSilent) {
  // "left" -> "right" changes only the pan; a later rate change must not bring back a
  // half-delay tap in a single mode.
  IsolateTaps();
  std::vector<double> in = Ramp(0, 30000), o0, o1;
  Run(in, 512, &o0, &o1);
  host.SetParameter(kPosition, Mode(1));
  in = Ramp(30000, 512 * 25);  // the pan glides 1 -> 0 in 20 blocks
  Run(in, 512, &o0, &o1);
  ASSERT_EQ(Plug()->CurrentPan(), 0.f);
  host.SetParameter(kDelayRate, Rate(9));
  in = Ramp(30000 + 512 * 25, 5000);
  Run(in, 512, &o0, &o1);
  for (double v : o0) ASSERT_EQ(v, 0.0);  // out0 = tap B at pan 0
}

TEST_F(EngineTest, RateChangeBetweenPongModesCrossfadesTapB) {
  IsolateTaps();
  host.SetParameter(kPosition, Mode(3));
  host.SetParameter(kPanWidth, 1.f);
  std::vector<double> in = Ramp(0, 60000), o0, o1;
  Run(in, 512, &o0, &o1);
  host.SetParameter(kPosition, Mode(2));  // pan only: glides 1 -> 0 in 20 blocks
  in = Ramp(60000, 512 * 25);
  Run(in, 512, &o0, &o1);
  const int t0 = 60000 + 512 * 25;
  host.SetParameter(kDelayRate, Rate(9));
  in = Ramp(t0, 4410);
  Run(in, 490, &o0, &o1);
  // Pan 0: out0 = tap B, crossfading from the old half delay to the new one.
  for (int j = 1; j <= 4410; ++j) {
    const double t = t0 + j - 1;
    const float old = static_cast<float>(4410 - j) / 4410.f;
    ASSERT_EQ(o0[j - 1], static_cast<double>(1.0f - old) * (t - kEighth) +
                             static_cast<double>(old) * (t - kQuarter))
        << j;
  }
}

TEST_F(EngineTest, PanGlidesInStepsPerBlock) {
  std::vector<double> in(64, 0.0), o0, o1;
  Run(in, 64, &o0, &o1);
  EXPECT_EQ(Plug()->CurrentPan(), 0.95f);
  host.SetParameter(kPanWidth, 0.1f);
  EXPECT_EQ(Plug()->TargetPan(), 0.55f);
  for (int block = 1; block <= 8; ++block) {
    Run(in, 64, &o0, &o1);
    EXPECT_NEAR(Plug()->CurrentPan(), 0.95f - 0.05f * block, 1e-6) << block;
  }
  EXPECT_EQ(Plug()->CurrentPan(), 0.55f);
  // Block length does not matter: one long call in pieces glides once per piece.
  host.SetParameter(kPanWidth, 0.9f);
  std::vector<double> longIn(512 * 3, 0.0);
  Run(longIn, 512 * 3, &o0, &o1);
  EXPECT_NEAR(Plug()->CurrentPan(), 0.70f, 1e-6);
}

TEST_F(EngineTest, TempoChangeClearsTheLineAndAppliesTheDelayAtOnce) {
  std::vector<double> in(30000, 0.0), o0, o1;
  in[0] = 1.0;
  Run(in, 512, &o0, &o1);  // an echo is pending in the line
  host.tempo = 60.0;
  std::vector<double> in2(50000, 0.0);
  in2[0] = 1.0;
  Run(in2, 512, &o0, &o1);
  EXPECT_EQ(Plug()->LineLength(), 8 * 176400);
  EXPECT_EQ(Plug()->CrossfadeCountdown(), -1);
  EXPECT_EQ(Plug()->CurrentDelay(), 44100);
  EXPECT_EQ(o0[0], 1.0);
  for (int n = 1; n < 44100; ++n) ASSERT_EQ(o0[n] + o1[n], 0.0) << n;  // old echoes gone
  EXPECT_EQ(o0[44100], static_cast<double>(0.95f) * 0.5f);             // full level, no fade
}

TEST_F(EngineTest, SampleRateChangeResizesAtTheNextBlock) {
  std::vector<double> in(512, 0.0), o0, o1;
  Run(in, 512, &o0, &o1);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.f);
  EXPECT_EQ(Plug()->LineLength(), 8 * 88200);  // notifications do not clear the line
  Run(in, 512, &o0, &o1);
  EXPECT_EQ(Plug()->LineLength(), 8 * 96000);
  EXPECT_EQ(Plug()->CurrentDelay(), 24000);
}

TEST_F(EngineTest, WithoutTempoOnlyTheDryPathSounds) {
  host.tempoValid = false;  // a tempo value without its validity flag counts as none
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  std::vector<double> a(30000), b(30000), o0, o1;
  for (auto& v : a) v = noise(random);
  for (auto& v : b) v = noise(random);
  Run(a, b, 512, &o0, &o1);
  EXPECT_FALSE(Plug()->HasLine());
  for (size_t n = 0; n < a.size(); ++n) {
    ASSERT_EQ(o0[n], a[n]);  // dry 100 %
    ASSERT_EQ(o1[n], b[n]);
  }
  // A tempo arriving sizes the line like a tempo change.
  host.tempoValid = true;
  std::vector<double> in(30000, 0.0);
  in[0] = 1.0;
  Run(in, 512, &o0, &o1);
  EXPECT_TRUE(Plug()->HasLine());
  EXPECT_EQ(o0[kQuarter], static_cast<double>(0.95f) * 0.5f);
}

TEST_F(EngineTest, AbsurdTemposCountAsNoTempo) {
  std::vector<double> in(2000, 0.25), o0, o1;
  // 4.36 BPM at 44.1 kHz needs the line 19 BPM at 192 kHz would: past the bound.
  for (double tempo :
       {0.001, 19.0 * 44100.0 / 192000.0, -5.0, 0.0, double(NAN), double(INFINITY)}) {
    host.tempo = tempo;
    Run(in, 512, &o0, &o1);
    EXPECT_FALSE(Plug()->HasLine()) << tempo;
    for (double v : o0) ASSERT_EQ(v, 0.25);
  }
  // 20 BPM at 44.1 kHz is within the bound; a huge tempo gives a tiny line.
  host.tempo = 20.0;
  Run(in, 512, &o0, &o1);
  EXPECT_TRUE(Plug()->HasLine());
  EXPECT_EQ(Plug()->LineLength(), 8 * 529200);
  host.tempo = 1e9;
  host.SetParameter(kPosition, Mode(2));
  Run(in, 512, &o0, &o1);
  EXPECT_TRUE(Plug()->HasLine());
  EXPECT_EQ(Plug()->LineLength(), 1);
  for (double v : o0) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(EngineTest, MonoInputEntersTheLineHalved) {
  VstSpeakerArrangement inArr, outArr;
  memset(&inArr, 0, sizeof(inArr));
  memset(&outArr, 0, sizeof(outArr));
  inArr.numChannels = 1;
  outArr.numChannels = 2;
  EXPECT_EQ(
      host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inArr), &outArr), 1);
  std::vector<float> in(30000, 0.f), o0(30000), o1(30000);
  in[0] = 1.f;
  AEffect* e = host.effect();
  for (int done = 0; done < 30000; done += 500) {
    float* ins[1] = {in.data() + done};  // the host hands one input
    float* outs[2] = {o0.data() + done, o1.data() + done};
    e->processReplacing(e, ins, outs, 500);
  }
  EXPECT_EQ(o0[0], 1.f);
  EXPECT_EQ(o1[0], 0.f);  // the unconnected input reads silence
  EXPECT_EQ(o0[kQuarter], static_cast<float>(0.5 * static_cast<double>(0.95f) * 0.5f));
}

TEST_F(EngineTest, DisconnectedInputForgetsItsLastBlock) {
  std::vector<float> a(512, 0.7f), b(512, 0.7f), o0(512), o1(512);
  float* ins[2] = {a.data(), b.data()};
  float* outs[2] = {o0.data(), o1.data()};
  host.effect()->processReplacing(host.effect(), ins, outs, 512);
  VstSpeakerArrangement mono;
  memset(&mono, 0, sizeof(mono));
  mono.numChannels = 1;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), nullptr);
  host.effect()->processReplacing(host.effect(), ins, outs, 512);
  EXPECT_EQ(o1[100], 0.f);  // dry path of channel 1: silence, not the stale 0.7
}

TEST_F(EngineTest, FloatAccumulatingAndDoubleCallsAgree) {
  TestHost hostAdd, hostDouble;
  ASSERT_NE(hostAdd.Create(VSTPluginMain), nullptr);
  ASSERT_NE(hostDouble.Create(VSTPluginMain), nullptr);
  for (TestHost* h : {&host, &hostAdd, &hostDouble}) {
    h->Start(44100.f, 512);
    h->Dispatch(effSetProgram, 0, 1);  // "Classic Delay": ping pong with feedback
  }
  std::mt19937 random(3);
  std::uniform_real_distribution<float> noise(-1.f, 1.f);
  const int total = 512 * 60;
  std::vector<float> a(total), b(total);
  for (auto& v : a) v = noise(random);
  for (auto& v : b) v = noise(random);
  int mismatches = 0;
  for (int done = 0; done < total; done += 512) {
    std::vector<float> i0(a.begin() + done, a.begin() + done + 512);
    std::vector<float> i1(b.begin() + done, b.begin() + done + 512);
    std::vector<float> r0(512), r1(512), s0(512, 0.25f), s1(512, -0.5f);
    host.ProcessFloat(i0, i1, r0, r1);
    float* ins[2] = {i0.data(), i1.data()};
    float* sums[2] = {s0.data(), s1.data()};
    hostAdd.effect()->process(hostAdd.effect(), ins, sums, 512);
    std::vector<double> d0(i0.begin(), i0.end()), d1(i1.begin(), i1.end()), e0(512), e1(512);
    hostDouble.ProcessDouble(d0, d1, e0, e1);
    for (int n = 0; n < 512; ++n) {
      mismatches += r0[n] != static_cast<float>(e0[n]) || r1[n] != static_cast<float>(e1[n]);
      mismatches += s0[n] != 0.25f + r0[n] || s1[n] != -0.5f + r1[n];
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(EngineTest, OnlyDelayPresetIsWetOnly) {
  host.Dispatch(effSetProgram, 0, 13);
  std::vector<double> in(30000, 0.0), o0, o1;
  in[0] = 1.0;
  Run(in, 512, &o0, &o1);
  EXPECT_EQ(o0[0], 0.0);
  EXPECT_EQ(o1[0], 0.0);
  // Ping pong: the first echo (tap B at one quarter) comes from the left.
  const float width = 90.f * 0.01f;
  const float p = (1.0f - width) * 0.5f;
  const double wet = 90.f * 0.01f;
  EXPECT_EQ(o0[kQuarter], static_cast<double>(1.0f - p) * wet);
  EXPECT_EQ(o1[kQuarter], static_cast<double>(p) * wet);
  EXPECT_NEAR(o1[kQuarter], 0.045, 1e-7);
  double energy = 0;
  for (int n = 0; n < kQuarter; ++n) energy += o0[n] * o0[n] + o1[n] * o1[n];
  EXPECT_EQ(energy, 0.0);
}

TEST_F(EngineTest, OversizeCallEqualsTheSameAudioInHostBlocks) {
  TestHost other;
  ASSERT_NE(other.Create(VSTPluginMain), nullptr);
  other.Start(44100.f, 512);
  for (TestHost* h : {&host, &other}) {
    h->SetParameter(kPosition, Mode(2));
    h->SetParameter(kDelayRate, Rate(3));
  }
  std::mt19937 random(11);
  std::uniform_real_distribution<float> noise(-1.f, 1.f);
  const int total = 512 * 9 + 77;
  std::vector<float> a(total), b(total);
  for (auto& v : a) v = noise(random);
  for (auto& v : b) v = noise(random);

  std::vector<float> big0(total), big1(total);
  std::vector<float> ca = a, cb = b;
  host.ProcessFloat(ca, cb, big0, big1);   // one call, 9.15 host blocks long
  host.SetParameter(kDelayRate, Rate(6));  // and a fade across the next long call
  std::vector<float> big2(total), big3(total);
  host.ProcessFloat(ca, cb, big2, big3);

  std::vector<float> small0(total), small1(total), small2(total), small3(total);
  AEffect* e = other.effect();
  for (int round = 0; round < 2; ++round) {
    if (round == 1) other.SetParameter(kDelayRate, Rate(6));
    float* o0 = round == 0 ? small0.data() : small2.data();
    float* o1 = round == 0 ? small1.data() : small3.data();
    for (int done = 0; done < total; done += 512) {
      float* ins[2] = {a.data() + done, b.data() + done};
      float* outs[2] = {o0 + done, o1 + done};
      e->processReplacing(e, ins, outs, std::min(512, total - done));
    }
  }
  EXPECT_EQ(big0, small0);
  EXPECT_EQ(big1, small1);
  EXPECT_EQ(big2, small2);
  EXPECT_EQ(big3, small3);
}

TEST_F(EngineTest, ShortDelaysGiveTheSameSamplesInAnyBlockLength) {
  // At 600 BPM "1/64" is 276 samples: in 512-frame blocks the line is read where the same
  // block wrote it, in 1-frame blocks never. Both must agree sample for sample.
  TestHost other;
  ASSERT_NE(other.Create(VSTPluginMain), nullptr);
  other.Start(44100.f, 512);
  for (TestHost* h : {&host, &other}) {
    h->tempo = 600.0;
    h->SetParameter(kDelayRate, Rate(0));
    h->SetParameter(kPanWidth, 0.f);  // pan 0.5 in every mode: no glide to differ
    h->SetParameter(kFeedback, 0.9f);
  }
  std::mt19937 random(5);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (int mode = 0; mode < 4; ++mode) {
    host.SetParameter(kPosition, Mode(mode));
    other.SetParameter(kPosition, Mode(mode));
    std::vector<double> a(512 * 20), b(512 * 20), x0, x1;
    for (auto& v : a) v = noise(random);
    for (auto& v : b) v = noise(random);
    Run(a, b, 512, &x0, &x1);
    std::vector<double> y0(a.size()), y1(a.size());
    for (size_t n = 0; n < a.size(); ++n) {
      double* ins[2] = {&a[n], &b[n]};
      double* outs[2] = {&y0[n], &y1[n]};
      other.effect()->processDoubleReplacing(other.effect(), ins, outs, 1);
    }
    EXPECT_EQ(Plug()->LineLength(), 8 * 17640);
    ASSERT_EQ(x0, y0) << mode;
    ASSERT_EQ(x1, y1) << mode;
  }
}

TEST_F(EngineTest, AdapterAsksTheHostForTransportAndSendsEvents) {
  int numerator = -1, denominator = -1;
  host.samplePos = 1234.5;
  EXPECT_EQ(Plug()->HostSamplePosition(), 1235);
  host.samplePos = -8.0;
  EXPECT_EQ(Plug()->HostSamplePosition(), 0);
  Plug()->HostTimeSignature(&numerator, &denominator);
  EXPECT_EQ(numerator, 3);
  EXPECT_EQ(denominator, 4);
  host.tempo = 97.5;
  EXPECT_EQ(Plug()->HostTempo(), 97.5);
  host.tempoValid = false;
  EXPECT_EQ(Plug()->HostTempo(), 0.0);

  const IMidiMsg note = {17, 0x90, 60, 100};
  EXPECT_TRUE(Plug()->SendMidiToHost(&note));
  const unsigned char dump[3] = {0xF0, 0x01, 0xF7};
  const ISysEx sysex = {5, dump, 3};
  EXPECT_TRUE(Plug()->SendSysExToHost(&sysex));
  ASSERT_EQ(host.sentEvents.size(), 2u);
  EXPECT_EQ(host.sentEvents[0].type, kVstMidiType);
  EXPECT_EQ(host.sentEvents[0].byteSize, 32);
  EXPECT_EQ(host.sentEvents[0].deltaFrames, 17);
  EXPECT_EQ(host.sentEvents[1].type, kVstSysExType);
  EXPECT_EQ(host.sentEvents[1].byteSize, 48);
  EXPECT_FALSE(Plug()->SendMidiToHost(nullptr));
  // The host's version arrives as 0xMMmmpp: 1.2.3 from 10203.
  EXPECT_EQ(Plug()->HostVersion(), 0x010203);
}

TEST_F(EngineTest, EveryBlockAsksTheTempoOnce) {
  std::vector<float> a(512, 0.f), b(512, 0.f), o0(512), o1(512);
  host.timeRequests = 0;
  for (int i = 0; i < 5; ++i) host.ProcessFloat(a, b, o0, o1);
  EXPECT_EQ(host.timeRequests, 5);
}

// A call without frames is a block all the same: it asks the tempo, follows a tempo change
// and glides the pan one step, whichever of the three calls the host makes.
TEST_F(EngineTest, EmptyBlocksAskTheTempoAndGlideThePan) {
  std::vector<double> in(64, 0.0), o0, o1;
  Run(in, 64, &o0, &o1);
  host.SetParameter(kPanWidth, 0.1f);
  AEffect* e = host.effect();
  host.timeRequests = 0;
  e->processReplacing(e, nullptr, nullptr, 0);
  e->process(e, nullptr, nullptr, 0);
  e->processDoubleReplacing(e, nullptr, nullptr, 0);
  EXPECT_EQ(host.timeRequests, 3);
  EXPECT_NEAR(Plug()->CurrentPan(), 0.95f - 3 * 0.05f, 1e-6);
  host.tempo = 60.0;
  e->processDoubleReplacing(e, nullptr, nullptr, 0);
  EXPECT_EQ(Plug()->LineLength(), 8 * 176400);
  EXPECT_EQ(Plug()->CurrentDelay(), 44100);
  // A negative count is no block: no tempo request, no glide.
  host.timeRequests = 0;
  const float pan = Plug()->CurrentPan();
  e->processReplacing(e, nullptr, nullptr, -5);
  EXPECT_EQ(host.timeRequests, 0);
  EXPECT_EQ(Plug()->CurrentPan(), pan);
}

}  // namespace
