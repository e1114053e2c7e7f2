// The state extension against a running instance, as a host drives it: save and restore
// on one thread while run() (and connect_port) go on on another. A store() or retrieve()
// that blocks must never hold up a block; connect_port racing save must be free of data
// races (this program also runs in the ThreadSanitizer build, label tsan); hostile state
// restored while blocks run changes nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "effect/lv2_identity.h"
#include "effect/quelora2.h"
#include "tests/lv2/lv2_test_host.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

using Clock = std::chrono::steady_clock;

const LV2_State_Interface* StateOf(const Lv2TestHost& host) {
  return static_cast<const LV2_State_Interface*>(
      host.descriptor()->extension_data(LV2_STATE__interface));
}

VSTCLASS* PlugOf(const Lv2TestHost& host) {
  return static_cast<VSTCLASS*>(static_cast<IPlugLV2*>(host.handle()));
}

// The parameters and the program, read as the host's other threads would: under the lock.
std::vector<double> Snapshot(VSTCLASS* plug) {
  MutexGuard guard(plug->PluginLock());
  std::vector<double> values;
  for (int i = 0; i < kNumParams; ++i) values.push_back(plug->ParamAt(i)->current);
  values.push_back(plug->CurrentPreset());
  return values;
}

// A host's state handle whose store() and retrieve() can be held at their first call until
// the test lets them go.
struct GatedStore {
  std::map<uint32_t, Lv2TestHost::Property> properties;
  bool hold = false;
  std::atomic<bool> entered{false};
  std::atomic<bool> released{false};

  void WaitAtGate() {
    if (!hold || entered.exchange(true)) return;
    while (!released.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  static LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value,
                                size_t size, uint32_t type, uint32_t flags) {
    auto* self = static_cast<GatedStore*>(handle);
    self->WaitAtGate();
    const auto* bytes = static_cast<const uint8_t*>(value);
    self->properties[key] = {std::vector<uint8_t>(bytes, bytes + size), type, flags};
    return LV2_STATE_SUCCESS;
  }
  static const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size,
                              uint32_t* type, uint32_t* flags) {
    auto* self = static_cast<GatedStore*>(handle);
    self->WaitAtGate();
    auto it = self->properties.find(key);
    if (it == self->properties.end()) return nullptr;
    *size = it->second.bytes.size();
    *type = it->second.type;
    *flags = it->second.flags;
    return it->second.bytes.data();
  }
};

// Runs blocks on an audio thread of its own until told to stop, counting them.
class AudioThread {
 public:
  explicit AudioThread(Lv2TestHost* host) : mHost(host) {
    mThread = std::thread([this] {
      std::vector<float> in(256, 0.1f), out0, out1;
      while (!mStop.load()) {
        mHost->Process(in, in, 64, &out0, &out1);  // four runs
        mBlocks.fetch_add(4);
      }
    });
  }
  ~AudioThread() { Stop(); }
  void Stop() {
    mStop = true;
    if (mThread.joinable()) mThread.join();
  }
  long Blocks() const { return mBlocks.load(); }
  // True when count more blocks ran within the time limit.
  bool RunsMore(long count, std::chrono::milliseconds limit) const {
    const long target = Blocks() + count;
    const Clock::time_point end = Clock::now() + limit;
    while (Blocks() < target) {
      if (Clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

 private:
  Lv2TestHost* mHost;
  std::atomic<bool> mStop{false};
  std::atomic<long> mBlocks{0};
  std::thread mThread;
};

class Lv2StateThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Create(lv2_descriptor, 44100.0));
    for (int i = 0; i < kNumParams; ++i) {
      host.SetControl(i, static_cast<float>(PlugOf(host)->ParamAt(i)->current));
    }
    host.SetTransport(120.0);
    std::vector<float> in(256, 0.f), o0, o1;
    host.Process(in, in, 256, &o0, &o1);
  }
  uint32_t Key(const char* suffix) {
    return host.Map((std::string(kLv2PluginUri) + suffix).c_str());
  }
  double SavedValue(const GatedStore& store, int index) {
    const std::vector<uint8_t>& bytes = store.properties.at(Key("#chunk")).bytes;
    double v = 0.0;
    std::memcpy(&v, bytes.data() + 8 + 8 * index, 8);
    return v;
  }

  Lv2TestHost host;
};

TEST_F(Lv2StateThreads, ABlockedStoreNeverHoldsUpABlock) {
  // A port the host set before the save is saved as the value the next block plays.
  host.SetControl(kFeedback, 77.f);
  GatedStore store;
  store.hold = true;
  LV2_State_Status status = LV2_STATE_ERR_UNKNOWN;
  std::thread saver([&] {
    status = StateOf(host)->save(host.handle(), GatedStore::Store, &store, LV2_STATE_IS_POD,
                                 nullptr);
  });
  while (!store.entered.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  {
    AudioThread audio(&host);
    // store() is held: blocks still run, and the port set before the save is applied by
    // them (the save took it without applying it).
    const bool ran = audio.RunsMore(200, std::chrono::seconds(10));
    store.released = true;  // everything unwinds before any assertion can end the test
    audio.Stop();
    saver.join();
    EXPECT_TRUE(ran) << "a block waited for the host's store()";
  }
  ASSERT_EQ(status, LV2_STATE_SUCCESS);
  EXPECT_EQ(SavedValue(store, kFeedback), 77.0);
  EXPECT_EQ(Snapshot(PlugOf(host))[kFeedback], 77.0);
}

TEST_F(Lv2StateThreads, SaveAppliesNothingItself) {
  host.SetControl(kDelayRate, 9.f);  // "1/8": a crossfade once a block applies it
  const int countdown = PlugOf(host)->CrossfadeCountdown();
  GatedStore store;
  ASSERT_EQ(StateOf(host)->save(host.handle(), GatedStore::Store, &store, 0, nullptr),
            LV2_STATE_SUCCESS);
  EXPECT_EQ(SavedValue(store, kDelayRate), 9.0);
  // The engine is as it was until the next block, which applies the port once.
  EXPECT_EQ(PlugOf(host)->CrossfadeCountdown(), countdown);
  EXPECT_EQ(PlugOf(host)->ParamAt(kDelayRate)->current, 12.0);
  std::vector<float> in(64, 0.f), o0, o1;
  host.Process(in, in, 64, &o0, &o1);
  EXPECT_EQ(PlugOf(host)->ParamAt(kDelayRate)->current, 9.0);
  EXPECT_EQ(PlugOf(host)->CrossfadeCountdown(), VSTCLASS::kDelayCrossfadeSamples - 64);
}

TEST_F(Lv2StateThreads, ABlockedRetrieveNeverHoldsUpABlock) {
  GatedStore saved;
  PlugOf(host)->SetParamFromHost(kWetMix, 0.25);
  ASSERT_EQ(StateOf(host)->save(host.handle(), GatedStore::Store, &saved, 0, nullptr),
            LV2_STATE_SUCCESS);
  PlugOf(host)->SetParamFromHost(kWetMix, 0.75);

  GatedStore store;
  store.properties = saved.properties;
  store.hold = true;
  LV2_State_Status status = LV2_STATE_ERR_UNKNOWN;
  std::thread restorer([&] {
    status = StateOf(host)->restore(host.handle(), GatedStore::Retrieve, &store, 0, nullptr);
  });
  while (!store.entered.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  {
    AudioThread audio(&host);
    const bool ran = audio.RunsMore(200, std::chrono::seconds(10));
    store.released = true;  // everything unwinds before any assertion can end the test
    audio.Stop();
    restorer.join();
    EXPECT_TRUE(ran) << "a block waited for the host's retrieve()";
  }
  ASSERT_EQ(status, LV2_STATE_SUCCESS);
  EXPECT_EQ(Snapshot(PlugOf(host))[kWetMix], 25.0);
}

TEST_F(Lv2StateThreads, ConnectPortRacesSaveWithoutADataRace) {
  // Two sets of control buffers, filled before the threads start; the audio thread
  // reconnects the parameter ports between them around its runs while another thread
  // saves. Every saved value is one of the two.
  std::vector<float> first(kMaxLv2Params, 0.f), second(kMaxLv2Params, 0.f);
  for (int i = 0; i < kNumParams; ++i) {
    first[i] = static_cast<float>(PlugOf(host)->ParamAt(i)->Lowest());
    second[i] = static_cast<float>(PlugOf(host)->ParamAt(i)->Highest());
  }
  const LV2_Descriptor* d = host.descriptor();
  LV2_Handle h = host.handle();
  std::atomic<bool> stop(false);
  std::atomic<int> rounds(0);
  std::thread audio([&] {
    std::vector<float> in(64, 0.1f), out0(64), out1(64);
    d->connect_port(h, kPortAudioInLeft, in.data());
    d->connect_port(h, kPortAudioInRight, in.data());
    d->connect_port(h, kPortAudioOutLeft, out0.data());
    d->connect_port(h, kPortAudioOutRight, out1.data());
    for (int round = 0; !stop.load(); ++round) {
      std::vector<float>& ports = round % 2 ? second : first;
      for (int i = 0; i < kNumParams; ++i) d->connect_port(h, kPortFirstParam + i, &ports[i]);
      d->run(h, 64);
      rounds.fetch_add(1);
    }
  });
  // From the second run on, every parameter holds one of the two sets.
  while (rounds.load() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  int saves = 0;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(1500);
  while (Clock::now() < end || saves < 50) {
    GatedStore store;
    ASSERT_EQ(StateOf(host)->save(h, GatedStore::Store, &store, 0, nullptr), LV2_STATE_SUCCESS);
    for (int i = 0; i < kNumParams; ++i) {
      const double v = SavedValue(store, i);
      EXPECT_TRUE(v == first[i] || v == second[i]) << i << ": " << v;
    }
    ++saves;
  }
  stop = true;
  audio.join();
}

TEST_F(Lv2StateThreads, HostileStateRestoredWhileBlocksRunChangesNothing) {
  GatedStore good;
  PlugOf(host)->SelectPreset(4);
  ASSERT_EQ(StateOf(host)->save(host.handle(), GatedStore::Store, &good, 0, nullptr),
            LV2_STATE_SUCCESS);
  PlugOf(host)->SelectPreset(7);
  const std::vector<double> before = Snapshot(PlugOf(host));
  const uint32_t chunkKey = Key("#chunk");
  const uint32_t programKey = Key("#program");
  const uint32_t stringType = host.Map(LV2_ATOM__String);  // mapped before the audio starts

  AudioThread audio(&host);
  ASSERT_TRUE(audio.RunsMore(8, std::chrono::seconds(10)));
  // Seeded damage: a byte changed, bytes cut or added, a value replaced by NaN, infinity or
  // a value outside its range, a wrong type, a program out of range.
  uint32_t seed = 12345u;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int attempt = 0; attempt < 400; ++attempt) {
    GatedStore store;
    store.properties = good.properties;
    std::vector<uint8_t>& chunk = store.properties[chunkKey].bytes;
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(), -1.0, 1e9};
    switch (attempt % 6) {
      case 0: chunk[next() % 8] ^= static_cast<uint8_t>(1 + next() % 255); break;
      case 1: chunk.resize(next() % chunk.size()); break;
      case 2: chunk.resize(chunk.size() + 1 + next() % 16, 0); break;
      case 3:
        std::memcpy(chunk.data() + 8 + 8 * (next() % kNumParams), &bad[next() % 4], 8);
        break;
      case 4:
        store.properties[next() % 2 ? chunkKey : programKey].type = stringType;
        break;
      default: {
        const int32_t program = next() % 2 ? -1 : kNumPresets + static_cast<int32_t>(next() % 9);
        std::memcpy(store.properties[programKey].bytes.data(), &program, 4);
        break;
      }
    }
    EXPECT_NE(StateOf(host)->restore(host.handle(), GatedStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_SUCCESS)
        << attempt;
  }
  audio.Stop();
  EXPECT_EQ(Snapshot(PlugOf(host)), before);
}

}  // namespace
