// The LV2 build of the effect in-process: required features, the host transport read from
// the atom port, control ports applied as automation, and the state extension including
// hostile state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>

#include "effect/lv2_identity.h"
#include "effect/quelora2.h"
#include "tests/lv2/lv2_test_host.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

constexpr int kQuarter = 22050;  // "1/4" at 44100 Hz and 120 BPM

class Lv2Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Create(lv2_descriptor, 44100.0));
    for (int i = 0; i < kNumParams; ++i) host.SetControl(i, static_cast<float>(Plug()->ParamAt(i)->current));
  }
  VSTCLASS* Plug() { return static_cast<VSTCLASS*>(static_cast<IPlugLV2*>(host.handle())); }
  std::vector<float> Impulse(int n) {
    std::vector<float> v(n, 0.f);
    v[0] = 1.f;
    return v;
  }
  double Value(int i) { return Plug()->ParamAt(i)->current; }

  Lv2TestHost host;
};

TEST(Lv2Entry, OnlyDescriptorZeroAndOnlyWithUridMap) {
  ASSERT_NE(lv2_descriptor(0), nullptr);
  EXPECT_STREQ(lv2_descriptor(0)->URI, kLv2PluginUri);
  EXPECT_EQ(lv2_descriptor(1), nullptr);
  EXPECT_EQ(lv2_descriptor(0)->extension_data("urn:nothing"), nullptr);
  EXPECT_EQ(lv2_descriptor(0)->extension_data(nullptr), nullptr);

  Lv2TestHost noMap;
  EXPECT_FALSE(noMap.Create(lv2_descriptor, 44100.0, /*offerMap=*/false));
  const LV2_Descriptor* d = lv2_descriptor(0);
  EXPECT_EQ(d->instantiate(d, 44100.0, "/", nullptr), nullptr);

  // Every callback survives a null handle.
  d->connect_port(nullptr, 0, nullptr);
  d->activate(nullptr);
  d->run(nullptr, 64);
  d->deactivate(nullptr);
  d->cleanup(nullptr);
}

TEST(Lv2Options, AnnouncedBlockLengthSizesTheBuffers) {
  // A run as long as the announced maximum is one block of the effect (one pan glide step),
  // as it is for a VST 2.4 host that set that block size.
  for (int32_t announced : {0, 100, 10000, 1 << 20}) {
    Lv2TestHost host;
    ASSERT_TRUE(host.Create(lv2_descriptor, 44100.0, true, announced));
    auto* plug = static_cast<VSTCLASS*>(static_cast<IPlugLV2*>(host.handle()));
    const int expected = announced <= IPlugLV2::kDefaultBlockSize ? IPlugLV2::kDefaultBlockSize
                         : announced > IPlugLV2::kMaxBlockSize    ? IPlugLV2::kMaxBlockSize
                                                                  : announced;
    EXPECT_EQ(plug->MaxBlockSize(), expected) << announced;
  }
}

TEST_F(Lv2Adapter, WithoutTempoOnlyTheDrySignalPasses) {
  host.SetControl(kDryMix, 100.f);
  std::vector<float> in = Impulse(2 * kQuarter), o0, o1;
  host.Process(in, in, 512, &o0, &o1);
  EXPECT_EQ(Plug()->ReceivedTempo(), 0.0);
  EXPECT_FALSE(Plug()->HasLine());
  EXPECT_EQ(o0[0], 1.f);
  EXPECT_EQ(o1[0], 1.f);
  for (size_t n = 1; n < in.size(); ++n) ASSERT_EQ(o0[n] + o1[n], 0.f) << n;
}

TEST_F(Lv2Adapter, PositionTempoSetsSamplesPerBeatAndTheEchoLands) {
  host.SetTransport(120.0, 1.0, 0);
  std::vector<float> in = Impulse(2 * kQuarter + 10), o0, o1;
  host.Process(in, in, 512, &o0, &o1);
  EXPECT_EQ(Plug()->ReceivedTempo(), 120.0);
  EXPECT_EQ(Plug()->WholeNoteSamples(), 88200.0);
  EXPECT_EQ(Plug()->CurrentDelay(), kQuarter);
  for (int n = 1; n < kQuarter; ++n) ASSERT_EQ(o0[n] + o1[n], 0.f) << n;
  EXPECT_NEAR(o0[kQuarter], 0.475, 1e-6);
  EXPECT_NEAR(o1[kQuarter], 0.025, 1e-6);
  // The tempo stays known over later blocks without positions; the transport frame moves.
  EXPECT_EQ(Plug()->HostSamplePosition(), static_cast<int>(in.size()));

  // A later position at 60 BPM doubles the delay; activation keeps that tempo (the host
  // sends no new position while its transport stays as it was).
  host.SetTransport(60.0, 0.0, 0);
  host.Process(in, in, 512, &o0, &o1);
  EXPECT_EQ(Plug()->CurrentDelay(), 2 * kQuarter);
  host.descriptor()->deactivate(host.handle());
  host.descriptor()->activate(host.handle());
  host.SetTransport(0.0);
  host.Process(in, in, 512, &o0, &o1);
  EXPECT_EQ(Plug()->ReceivedTempo(), 60.0);
  EXPECT_EQ(Plug()->CurrentDelay(), 2 * kQuarter);
}

TEST_F(Lv2Adapter, HostileTransportCountsAsNoTempo) {
  for (double bpm : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    host.SetTransport(120.0);
    std::vector<float> in(64, 0.f), o0, o1;
    host.Process(in, in, 64, &o0, &o1);
    ASSERT_EQ(Plug()->ReceivedTempo(), 120.0);
    host.SetTransport(bpm);
    host.Process(in, in, 64, &o0, &o1);
    EXPECT_EQ(Plug()->ReceivedTempo(), 0.0) << bpm;
  }
  // An atom that is not an object and a position whose bpm is a string leave the tempo
  // as it was.
  host.SetTransport(90.0);
  std::vector<float> in(64, 0.f), o0, o1;
  host.Process(in, in, 64, &o0, &o1);
  std::vector<uint8_t> raw(sizeof(LV2_Atom) + 8, 0);
  auto* atom = reinterpret_cast<LV2_Atom*>(raw.data());
  atom->size = 8;
  atom->type = host.Map(LV2_ATOM__Int);
  host.SetRawEvent(raw);
  host.Process(in, in, 64, &o0, &o1);
  std::vector<uint8_t> object(sizeof(LV2_Atom_Object) + sizeof(LV2_Atom_Property_Body) + 8, 0);
  auto* obj = reinterpret_cast<LV2_Atom_Object*>(object.data());
  obj->atom.type = host.Map(LV2_ATOM__Object);
  obj->atom.size = static_cast<uint32_t>(object.size() - sizeof(LV2_Atom));
  obj->body.otype = host.Map(LV2_TIME__Position);
  auto* prop = reinterpret_cast<LV2_Atom_Property_Body*>(obj + 1);
  prop->key = host.Map(LV2_TIME__beatsPerMinute);
  prop->value.type = host.Map(LV2_ATOM__String);
  prop->value.size = 8;
  host.SetRawEvent(object);
  host.Process(in, in, 64, &o0, &o1);
  EXPECT_EQ(Plug()->ReceivedTempo(), 90.0);
}

TEST_F(Lv2Adapter, ControlPortsApplyOnceAsAutomation) {
  host.SetTransport(120.0);
  std::vector<float> in(256, 0.f), o0, o1;
  host.Process(in, in, 256, &o0, &o1);
  host.SetControl(kDelayRate, 9.f);  // "1/8"
  host.SetControl(kWetMix, 70.f);
  host.SetControl(kFeedback, std::numeric_limits<float>::quiet_NaN());
  host.Process(in, in, 256, &o0, &o1);
  EXPECT_EQ(Value(kDelayRate), 9.0);
  EXPECT_EQ(Value(kWetMix), 70.0);
  EXPECT_EQ(Value(kFeedback), 60.0);  // NaN changes nothing
  EXPECT_EQ(Plug()->TargetDelay(), kQuarter / 2);
  // The crossfade started when the port changed and runs on; an unchanged port does not
  // restart it.
  const int countdown = Plug()->CrossfadeCountdown();
  EXPECT_GT(countdown, 0);
  host.Process(in, in, 256, &o0, &o1);
  EXPECT_EQ(Plug()->CrossfadeCountdown(), countdown - 256);
  // Out-of-range plain values land on the bounds, as normalized automation does.
  host.SetControl(kPanWidth, 250.f);
  host.SetControl(kPosition, -3.f);
  host.Process(in, in, 256, &o0, &o1);
  EXPECT_EQ(Value(kPanWidth), 100.0);
  EXPECT_EQ(Value(kPosition), 0.0);
}

TEST_F(Lv2Adapter, StateRoundTripsValuesAndProgram) {
  host.SetControl(kFeedback, 77.f);
  std::vector<float> in(64, 0.f), o0, o1;
  host.Process(in, in, 64, &o0, &o1);
  Plug()->SelectPreset(3);
  Plug()->SetParamFromHost(kWetMix, 0.33);
  ASSERT_EQ(host.Save(), LV2_STATE_SUCCESS);
  ASSERT_EQ(host.store.size(), 2u);
  std::vector<double> saved;
  for (int i = 0; i < kNumParams; ++i) saved.push_back(Value(i));

  Lv2TestHost other;
  ASSERT_TRUE(other.Create(lv2_descriptor, 48000.0));
  auto* restored = static_cast<VSTCLASS*>(static_cast<IPlugLV2*>(other.handle()));
  // The ports hold the defaults, as in a fresh instance.
  for (int i = 0; i < kNumParams; ++i) {
    other.SetControl(i, static_cast<float>(restored->ParamAt(i)->current));
  }
  other.store = host.store;
  ASSERT_EQ(other.Restore(), LV2_STATE_SUCCESS);
  EXPECT_EQ(restored->CurrentPreset(), 3);
  for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(restored->ParamAt(i)->current, saved[i]) << i;
  EXPECT_EQ(saved[kWetMix], 33.0);
  // The restored values stand on the next run while the ports keep their values; a port
  // the host then sets wins.
  other.Process(in, in, 64, &o0, &o1);
  for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(restored->ParamAt(i)->current, saved[i]) << i;
  other.SetControl(kDryMix, 10.f);
  other.Process(in, in, 64, &o0, &o1);
  EXPECT_EQ(restored->ParamAt(kDryMix)->current, 10.0);
}

TEST_F(Lv2Adapter, SaveTakesPortValuesSetBeforeAnyRun) {
  // A host may set ports and save without running the plug-in in between.
  host.SetControl(kDelayRate, 9.f);
  host.SetControl(kFeedback, 77.f);
  ASSERT_EQ(host.Save(), LV2_STATE_SUCCESS);
  const uint32_t chunkKey = host.Map((std::string(kLv2PluginUri) + "#chunk").c_str());
  const std::vector<uint8_t>& bytes = host.store[chunkKey].bytes;
  ASSERT_EQ(bytes.size(), 8u + 8u * kNumParams);
  double rate = 0.0, feedback = 0.0;
  std::memcpy(&rate, bytes.data() + 8 + 8 * kDelayRate, 8);
  std::memcpy(&feedback, bytes.data() + 8 + 8 * kFeedback, 8);
  EXPECT_EQ(rate, 9.0);
  EXPECT_EQ(feedback, 77.0);
}

TEST_F(Lv2Adapter, HostileStateRestoresNothing) {
  ASSERT_EQ(host.Save(), LV2_STATE_SUCCESS);
  const auto good = host.store;
  const uint32_t chunkKey = host.Map((std::string(kLv2PluginUri) + "#chunk").c_str());
  const uint32_t programKey = host.Map((std::string(kLv2PluginUri) + "#program").c_str());
  ASSERT_EQ(good.count(chunkKey), 1u);
  ASSERT_EQ(good.count(programKey), 1u);

  // Move away from the saved values so that any partial restore shows.
  Plug()->SelectPreset(5);
  std::vector<double> before;
  for (int i = 0; i < kNumParams; ++i) before.push_back(Value(i));
  auto expectUnchanged = [&](const char* what) {
    EXPECT_EQ(Plug()->CurrentPreset(), 5) << what;
    for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(Value(i), before[i]) << what << " " << i;
  };
  auto attempt = [&](const char* what, auto edit) {
    host.store = good;
    edit();
    EXPECT_NE(host.Restore(), LV2_STATE_SUCCESS) << what;
    expectUnchanged(what);
  };

  attempt("no chunk", [&] { host.store.erase(chunkKey); });
  attempt("no program", [&] { host.store.erase(programKey); });
  attempt("chunk as string", [&] { host.store[chunkKey].type = host.Map(LV2_ATOM__String); });
  attempt("program as float", [&] { host.store[programKey].type = host.Map(LV2_ATOM__Float); });
  attempt("program out of range", [&] {
    int32_t bad = 999;
    std::memcpy(host.store[programKey].bytes.data(), &bad, 4);
  });
  for (size_t cut : {0u, 4u, 8u, 20u, 55u}) {
    attempt("truncated", [&] { host.store[chunkKey].bytes.resize(cut); });
  }
  attempt("one byte too many", [&] { host.store[chunkKey].bytes.push_back(0); });
  attempt("bad magic", [&] { host.store[chunkKey].bytes[0] ^= 0xFF; });
  attempt("NaN value", [&] {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(host.store[chunkKey].bytes.data() + 8 + 8 * kFeedback, &nan, 8);
  });
  attempt("value out of range", [&] {
    const double big = 1000.0;
    std::memcpy(host.store[chunkKey].bytes.data() + 8 + 8 * kWetMix, &big, 8);
  });

  // The untouched state still restores.
  host.store = good;
  EXPECT_EQ(host.Restore(), LV2_STATE_SUCCESS);
  EXPECT_EQ(Plug()->CurrentPreset(), 0);
}

}  // namespace
