// The CLAP adapter in-process, through the entry record and the project's CLAP host: what
// hosts see (entry, ports, parameters, texts), the thread and life-cycle rules, events,
// processing in place and without a tempo, the echoes forgotten on activate and reset,
// the tail, state in short pieces and hostile streams, editor edits reaching the host as
// gestures and values, and the editor before activation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "clap/IPlugCLAP.h"
#include "clap/clap_entry.h"
#include "tools/host/clap_host.h"

namespace {

constexpr uint32_t kBlock = 256;

std::vector<double> Impulses(uint32_t n) {
  std::vector<double> v(n, 0.0);
  for (uint32_t i = 0; i < n; i += 97) v[i] = 0.5;
  return v;
}

// One instance with an audio thread; audio calls go through Audio().
struct Session {
  ClapAudioThread audio;
  ClapPluginHost host;
  std::string error;

  Session() { host.SetAudioThread(audio.Id()); }
  ~Session() {
    if (processing) Audio([&] { host.StopProcessing(); });
  }
  bool Create(const ClapModuleFile& module) { return host.Create(module, nullptr, &error); }
  bool Start(const ClapModuleFile& module, double rate = 44100.0, uint32_t maxFrames = kBlock) {
    if (!Create(module) || !host.Activate(rate, 1, maxFrames)) return false;
    Audio([&] { processing = host.StartProcessing(); });
    return processing;
  }
  void Audio(const std::function<void()>& work) { audio.Run(work); }
  int32_t Run(std::vector<double>& l, std::vector<double>& r, std::vector<double>& outL,
              std::vector<double>& outR) {
    int32_t status = 0;
    Audio([&] {
      const double* in[2] = {l.data(), r.data()};
      double* out[2] = {outL.data(), outR.data()};
      status = host.Process(in, out, static_cast<uint32_t>(l.size()));
    });
    return status;
  }
  int32_t Run(std::vector<float>& l, std::vector<float>& r, std::vector<float>& outL,
              std::vector<float>& outR) {
    int32_t status = 0;
    Audio([&] {
      const float* in[2] = {l.data(), r.data()};
      float* out[2] = {outL.data(), outR.data()};
      status = host.Process(in, out, static_cast<uint32_t>(l.size()));
    });
    return status;
  }
  // Impulses through blocks of kBlock; the output of all blocks, left then right.
  std::vector<double> Render(int blocks) {
    std::vector<double> all;
    for (int b = 0; b < blocks; ++b) {
      std::vector<double> l = Impulses(kBlock), r = Impulses(kBlock), ol(kBlock), orr(kBlock);
      if (Run(l, r, ol, orr) != clapabi::kProcessContinue) return {};
      all.insert(all.end(), ol.begin(), ol.end());
      all.insert(all.end(), orr.begin(), orr.end());
    }
    return all;
  }
  double Value(clapabi::Id id) {
    double v = std::nan("");
    host.ParamValue(id, &v);
    return v;
  }
  bool processing = false;
};

class ClapAdapter : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module.Adopt(&clap_entry, "in-process", &error)) << error; }
  ClapModuleFile module;
  std::string error;
};

void QueueRaw(ClapPluginHost& host, uint32_t size, uint16_t space, uint16_t type, clapabi::Id id,
              double value) {
  clapabi::EventParamValue e;
  std::memset(&e, 0, sizeof(e));
  e.header = {size, 0, space, type, 0};
  e.paramId = id;
  e.value = value;
  host.QueueEvent(&e, size < sizeof(e) ? size : static_cast<uint32_t>(sizeof(e)));
}

// ---------------------------------------------------------------------------------------

TEST_F(ClapAdapter, EntryCountsInitsAndDescribesOnePlugin) {
  const int before = ClapModuleInitCount();
  {
    ClapModuleFile second;
    ASSERT_TRUE(second.Adopt(&clap_entry, "in-process", &error));
    EXPECT_EQ(ClapModuleInitCount(), before + 1);
  }
  EXPECT_EQ(ClapModuleInitCount(), before);
  EXPECT_EQ(clap_entry.getFactory("clap.no-such-factory"), nullptr);
  EXPECT_EQ(clap_entry.getFactory(nullptr), nullptr);

  ASSERT_EQ(module.PluginCount(), 1u);
  EXPECT_EQ(module.Descriptor(1), nullptr);
  const clapabi::PluginDescriptor* d = module.Descriptor(0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->id, "com.obvik.quelora-2");
  EXPECT_STREQ(d->name, "Quelora 2");
  EXPECT_STREQ(d->vendor, "Obvik");
  EXPECT_STREQ(d->versionText, "1.2.0");
  std::vector<std::string> features;
  for (const char* const* f = d->features; *f; ++f) features.push_back(*f);
  EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "delay", "stereo"}));

  // No instance for a foreign id, no host, or a host of another major version.
  const clapabi::PluginFactory* factory = module.Factory();
  clapabi::Host oldHost;
  std::memset(&oldHost, 0, sizeof(oldHost));
  oldHost.version = {0, 9, 0};
  EXPECT_EQ(factory->createPlugin(factory, &oldHost, d->id), nullptr);
  EXPECT_EQ(factory->createPlugin(factory, nullptr, d->id), nullptr);
  ClapPluginHost host;
  EXPECT_FALSE(host.Create(module, "com.obvik.other", &error));
  EXPECT_TRUE(host.Violations().empty());
}

TEST_F(ClapAdapter, PortsAndParametersAsHostsSeeThem) {
  Session s;
  ASSERT_TRUE(s.Create(module)) << s.error;
  const clapabi::PluginAudioPorts* ports = s.host.AudioPorts();
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(s.host.Plugin(), input), 1u);
    clapabi::AudioPortInfo info{};
    ASSERT_TRUE(ports->get(s.host.Plugin(), 0, input, &info));
    EXPECT_FALSE(ports->get(s.host.Plugin(), 1, input, &info));
    ASSERT_TRUE(ports->get(s.host.Plugin(), 0, input, &info));
    EXPECT_EQ(info.channelCount, 2u);
    EXPECT_STREQ(info.portType, "stereo");
    EXPECT_EQ(info.flags, clapabi::kPortIsMain | clapabi::kPortSupports64Bits |
                              clapabi::kPortRequiresCommonSampleSize);
    EXPECT_EQ(info.inPlacePair, input ? 1u : 0u);
  }
  ASSERT_EQ(s.host.ParamCount(), 6u);
  struct Expected {
    const char* name;
    double min, max, def;
    bool isEnum;
  };
  const Expected expected[6] = {{"Delay Rate", 0, 24, 12, true}, {"Position", 0, 3, 0, true},
                                {"Pan Width", 0, 100, 90, false}, {"Feedback", 0, 99, 60, false},
                                {"Dry Mix", 0, 100, 100, false},  {"Wet Mix", 0, 100, 50, false}};
  for (uint32_t i = 0; i < 6; ++i) {
    clapabi::ParamInfo info{};
    ASSERT_TRUE(s.host.ParamInfo(i, &info));
    EXPECT_EQ(info.id, i);
    EXPECT_STREQ(info.name, expected[i].name);
    EXPECT_EQ(info.minValue, expected[i].min);
    EXPECT_EQ(info.maxValue, expected[i].max);
    EXPECT_EQ(info.defaultValue, expected[i].def);
    EXPECT_EQ(s.Value(i), expected[i].def);
    uint32_t flags = clapabi::kParamIsAutomatable | clapabi::kParamIsStepped;
    if (expected[i].isEnum) flags |= clapabi::kParamIsEnum;
    EXPECT_EQ(info.flags, flags) << info.name;
  }
  clapabi::ParamInfo none{};
  EXPECT_FALSE(s.host.ParamInfo(6, &none));
  double v = 0;
  EXPECT_FALSE(s.host.ParamValue(6, &v));
  ASSERT_TRUE(s.host.Activate(48000.0, 32, 1024));
  EXPECT_EQ(s.host.Latency()->get(s.host.Plugin()), 0u);
  EXPECT_TRUE(s.host.Violations().empty());
}

TEST_F(ClapAdapter, TextsFitTheCapacityAndParseBack) {
  Session s;
  ASSERT_TRUE(s.Create(module));
  std::string text;
  EXPECT_FALSE(s.host.ValueText(1, 2.0, &text, 0));
  EXPECT_FALSE(s.host.ValueText(1, 2.0, &text, 1));
  ASSERT_TRUE(s.host.ValueText(1, 2.0, &text, 4));
  EXPECT_EQ(text, "pin");
  ASSERT_TRUE(s.host.ValueText(1, 2.0, &text));
  EXPECT_EQ(text, "ping pong");
  EXPECT_FALSE(s.host.ValueText(1, std::nan(""), &text));
  EXPECT_FALSE(s.host.ValueText(9, 1.0, &text));
  // Outside the range: the text of the nearest bound.
  ASSERT_TRUE(s.host.ValueText(3, 1e9, &text));
  EXPECT_EQ(text, "99");
  for (uint32_t id = 0; id < 6; ++id) {
    clapabi::ParamInfo info{};
    ASSERT_TRUE(s.host.ParamInfo(id, &info));
    for (double v = info.minValue; v <= info.maxValue; v += 1.0) {
      double back = -1.0;
      ASSERT_TRUE(s.host.ValueText(id, v, &text));
      ASSERT_TRUE(s.host.TextValue(id, text.c_str(), &back)) << text;
      EXPECT_EQ(back, v) << info.name << " \"" << text << "\"";
    }
  }
  double v = 0.0;
  EXPECT_FALSE(s.host.TextValue(3, "loud", &v));
  EXPECT_FALSE(s.host.TextValue(3, "", &v));
  EXPECT_FALSE(s.host.TextValue(3, "nan", &v));
  EXPECT_FALSE(s.host.TextValue(3, nullptr, &v));
  ASSERT_TRUE(s.host.TextValue(3, "500", &v));
  EXPECT_EQ(v, 99.0);
  ASSERT_TRUE(s.host.TextValue(0, "1/8D", &v));
  EXPECT_EQ(v, 11.0);
  EXPECT_TRUE(s.host.Violations().empty());
}

// A plug-in whose display texts hold a two-byte character, to see the cut respect it.
class TextPlug : public IPlugCLAP {
 public:
  TextPlug() : IPlugCLAP(nullptr, 1, "2-2", 1, "t", "", "v", 0x10000, 1, 1, 0, 0, false, false) {
    ParamAt(0)->DefineEnum("Colour", 0, 2);
    ParamAt(0)->AddDisplayText(0, "Gr\xC3\xBCn");
    ParamAt(0)->AddDisplayText(1, "Blau");
  }
};

TEST(ClapAdapterText, CutsNeverSplitACharacter) {
  TextPlug plug;
  char out[8];
  ASSERT_TRUE(plug.ValueToText(0, 0.0, out, 4));
  EXPECT_STREQ(out, "Gr");
  ASSERT_TRUE(plug.ValueToText(0, 0.0, out, 5));
  EXPECT_STREQ(out, "Gr\xC3\xBC");
}

TEST_F(ClapAdapter, EventsApplyInOrderAndHostileOnesAreSkipped) {
  Session s;
  ASSERT_TRUE(s.Create(module));
  // Inactive: the flush runs on the main thread.
  s.host.QueueParamValue(3, 10.0);
  s.host.QueueParamValue(3, 20.0);
  s.host.QueueParamValue(2, std::nan(""));
  s.host.QueueParamValue(4, -7.0);
  s.host.QueueParamValue(5, 1e9);
  s.host.QueueParamValue(99, 5.0);
  QueueRaw(s.host, sizeof(clapabi::EventParamValue), 1, clapabi::kEventParamValue, 0, 3.0);
  QueueRaw(s.host, 20, 0, clapabi::kEventParamValue, 0, 4.0);
  QueueRaw(s.host, 8, 0, clapabi::kEventParamValue, 0, 5.0);
  QueueRaw(s.host, sizeof(clapabi::EventParamValue), 0, clapabi::kEventParamMod, 0, 6.0);
  QueueRaw(s.host, sizeof(clapabi::EventParamValue), 0, clapabi::kEventTransport, 0, 7.0);
  s.host.Flush();
  EXPECT_EQ(s.Value(3), 20.0);  // the last value wins
  EXPECT_EQ(s.Value(2), 90.0);  // NaN dropped
  EXPECT_EQ(s.Value(4), 0.0);  // out of range: the nearest bound
  EXPECT_EQ(s.Value(5), 100.0);
  EXPECT_EQ(s.Value(0), 12.0);  // foreign space, short records, PARAM_MOD, other types
  EXPECT_TRUE(s.host.outputEvents.empty());

  // Active: inside a block, at any offset, before the block's audio; a block of no frames
  // carries no audio but its events.
  ASSERT_TRUE(s.host.Activate(44100.0, 1, kBlock));
  s.Audio([&] { s.processing = s.host.StartProcessing(); });
  s.host.QueueParamValue(0, 3.0, 200);
  std::vector<double> none;
  EXPECT_EQ(s.Run(none, none, none, none), clapabi::kProcessContinue);
  EXPECT_EQ(s.Value(0), 3.0);
  EXPECT_TRUE(s.host.Violations().empty());
}

TEST_F(ClapAdapter, CallsAgainstTheRulesAreRefused) {
  Session s;
  ASSERT_TRUE(s.Create(module));
  const clapabi::Plugin* p = s.host.Plugin();
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  EXPECT_EQ(s.Run(l, r, ol, orr), clapabi::kProcessError);  // not active
  s.Audio([&] { EXPECT_FALSE(p->startProcessing(p)); });
  EXPECT_FALSE(p->activate(p, 0.0, 1, 64));
  EXPECT_FALSE(p->activate(p, std::nan(""), 1, 64));
  EXPECT_FALSE(p->activate(p, 44100.0, 1, 0));
  // The audio thread may not activate; the main thread may not process.
  s.Audio([&] { EXPECT_FALSE(p->activate(p, 44100.0, 1, kBlock)); });
  ASSERT_TRUE(s.host.Activate(44100.0, 1, kBlock));
  EXPECT_FALSE(p->activate(p, 44100.0, 1, kBlock));  // already active
  s.Audio([&] { s.processing = s.host.StartProcessing(); });
  ASSERT_TRUE(s.processing);
  {
    const double* in[2] = {l.data(), r.data()};
    double* out[2] = {ol.data(), orr.data()};
    clapabi::AudioBuffer inBuffer{nullptr, const_cast<double**>(in), 2, 0, 0};
    clapabi::AudioBuffer outBuffer{nullptr, out, 2, 0, 0};
    clapabi::Process block{};
    block.framesCount = kBlock;
    block.audioInputs = &inBuffer;
    block.audioOutputs = &outBuffer;
    block.audioInputsCount = block.audioOutputsCount = 1;
    EXPECT_EQ(p->process(p, &block), clapabi::kProcessError);  // on the main thread
    s.Audio([&] {
      block.framesCount = kBlock + 1;  // more than activate allowed
      EXPECT_EQ(p->process(p, &block), clapabi::kProcessError);
      block.framesCount = kBlock;
      float* in32[2] = {nullptr, nullptr};
      inBuffer = {in32, nullptr, 2, 0, 0};  // 32-bit in, 64-bit out
      EXPECT_EQ(p->process(p, &block), clapabi::kProcessError);
      inBuffer = {nullptr, nullptr, 0, 0, 0};  // no input at all: silence in
      EXPECT_EQ(p->process(p, &block), clapabi::kProcessContinue);
    });
  }
  const std::vector<std::string> logs = s.host.LogMessages();
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_NE(logs[0].find("activate: not on the main thread"), std::string::npos);
  EXPECT_NE(logs[1].find("process: not on the audio thread"), std::string::npos);

  // Deactivated without stop_processing, then active and processing again.
  s.host.Deactivate();
  s.processing = false;
  EXPECT_FALSE(IPlugCLAP::FromClap(p)->IsProcessing());
  ASSERT_TRUE(s.host.Activate(44100.0, 1, kBlock));
  s.Audio([&] { s.processing = s.host.StartProcessing(); });
  EXPECT_EQ(s.Run(l, r, ol, orr), clapabi::kProcessContinue);
  EXPECT_TRUE(s.host.Violations().empty());
}

TEST_F(ClapAdapter, InPlaceGivesTheSameSamplesInBothPrecisions) {
  Session apart, inPlace;
  ASSERT_TRUE(apart.Start(module));
  ASSERT_TRUE(inPlace.Start(module));
  for (int b = 0; b < 6; ++b) {
    std::vector<double> l = Impulses(kBlock), r(kBlock, 0.125), ol(kBlock), orr(kBlock);
    std::vector<double> il = l, ir = r;
    ASSERT_EQ(apart.Run(l, r, ol, orr), clapabi::kProcessContinue);
    ASSERT_EQ(inPlace.Run(il, ir, il, ir), clapabi::kProcessContinue);
    EXPECT_EQ(il, ol);
    EXPECT_EQ(ir, orr);
    std::vector<float> fl(kBlock, 0.25f), fr(kBlock, -0.5f), gl(kBlock), gr(kBlock);
    std::vector<float> hl = fl, hr = fr;
    ASSERT_EQ(apart.Run(fl, fr, gl, gr), clapabi::kProcessContinue);
    ASSERT_EQ(inPlace.Run(hl, hr, hl, hr), clapabi::kProcessContinue);
    EXPECT_EQ(hl, gl);
    EXPECT_EQ(hr, gr);
  }
  EXPECT_TRUE(apart.host.Violations().empty() && inPlace.host.Violations().empty());
}

TEST_F(ClapAdapter, WithoutATransportOrItsTempoFlagOnlyTheDrySignalPasses) {
  for (int variant = 0; variant < 2; ++variant) {
    Session s;
    ASSERT_TRUE(s.Create(module));
    s.host.QueueParamValue(4, 70.0);  // dry 70 %
    s.host.Flush();
    if (variant == 0) {
      s.host.transport.present = false;
    } else {
      s.host.transport.hasTempo = false;  // the tempo field still says 120
    }
    ASSERT_TRUE(s.host.Activate(44100.0, 1, kBlock));
    s.Audio([&] { s.processing = s.host.StartProcessing(); });
    const double dry = static_cast<float>(70) * 0.01f;
    for (int b = 0; b < 20; ++b) {
      std::vector<double> l = Impulses(kBlock), r(kBlock, 0.25), ol(kBlock), orr(kBlock);
      ASSERT_EQ(s.Run(l, r, ol, orr), clapabi::kProcessContinue);
      for (uint32_t i = 0; i < kBlock; ++i) {
        ASSERT_EQ(ol[i], dry * l[i]);
        ASSERT_EQ(orr[i], dry * r[i]);
      }
    }
    EXPECT_EQ(IPlugCLAP::FromClap(s.host.Plugin())->ReceivedTempo(), 0.0);
  }
}

TEST_F(ClapAdapter, ActivateAndResetForgetTheEchoes) {
  Session fresh, reused;
  ASSERT_TRUE(fresh.Start(module));
  ASSERT_TRUE(reused.Start(module));
  const std::vector<double> first = fresh.Render(12);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(reused.Render(12), first);
  // reset: the next blocks sound like a fresh instance's first blocks.
  reused.Audio([&] { reused.host.Reset(); });
  EXPECT_EQ(reused.Render(12), first);
  // deactivate (without stop_processing) and activate again: the same.
  reused.Render(3);
  reused.host.Deactivate();
  ASSERT_TRUE(reused.host.Activate(44100.0, 1, kBlock));
  reused.Audio([&] { reused.processing = reused.host.StartProcessing(); });
  EXPECT_EQ(reused.Render(12), first);
  EXPECT_TRUE(reused.host.Violations().empty());
}

TEST_F(ClapAdapter, TheTailFollowsTheTempoAndTheHostHearsOfIt) {
  Session s;
  ASSERT_TRUE(s.Start(module));
  const clapabi::PluginTail* tail = s.host.Tail();
  ASSERT_NE(tail, nullptr);
  // 1/4 at 120 BPM is 22050 samples; 60 % feedback takes 21 repeats to fall below -96 dB
  // from a wet level of 50 %; one crossfade on top.
  EXPECT_EQ(tail->get(s.host.Plugin()), 22050u * 22u + 4410u);
  s.Render(2);
  EXPECT_EQ(s.host.calls.tailChanged.load(), 0);
  s.host.transport.tempo = 60.0;
  s.Render(2);
  EXPECT_EQ(s.host.calls.tailChanged.load(), 1);
  uint32_t slower = 0;
  s.Audio([&] { slower = tail->get(s.host.Plugin()); });  // [audio] as well as [main]
  EXPECT_EQ(slower, 44100u * 22u + 4410u);
  s.host.QueueParamValue(5, 0.0);  // no wet signal: no tail
  s.Render(1);
  EXPECT_EQ(s.host.calls.tailChanged.load(), 2);
  EXPECT_EQ(tail->get(s.host.Plugin()), 0u);
  EXPECT_TRUE(s.host.Violations().empty());
}

TEST_F(ClapAdapter, StateTravelsInShortPiecesAndDamageChangesNothing) {
  Session a, b;
  ASSERT_TRUE(a.Create(module));
  ASSERT_TRUE(b.Create(module));
  const double values[6] = {20, 3, 33, 44, 55, 66};
  for (uint32_t i = 0; i < 6; ++i) a.host.QueueParamValue(i, values[i]);
  a.host.Flush();
  std::vector<uint8_t> whole, pieces;
  ASSERT_TRUE(a.host.SaveState(&whole));
  ASSERT_TRUE(a.host.SaveState(&pieces, 23));
  EXPECT_EQ(whole, pieces);
  ASSERT_EQ(whole.size(), 16u + 8u + 48u);

  const std::vector<double> defaults = {12, 0, 90, 60, 100, 50};
  auto valuesOf = [](Session& s) {
    std::vector<double> v;
    for (uint32_t i = 0; i < 6; ++i) v.push_back(s.Value(i));
    return v;
  };
  // Cut short anywhere, the stream changes nothing, whether its end reads as 0 or -1.
  for (size_t n = 0; n < whole.size(); ++n) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
    EXPECT_FALSE(b.host.LoadState(cut, 17)) << n;
    EXPECT_FALSE(b.host.LoadState(cut, 0, true)) << n;
  }
  EXPECT_EQ(valuesOf(b), defaults);
  // Damaged fields: magic, version, program, length, a value out of range, a NaN.
  auto damaged = [&](size_t at, uint8_t byte) {
    std::vector<uint8_t> d = whole;
    d[at] = byte;
    return d;
  };
  EXPECT_FALSE(b.host.LoadState(damaged(0, 'X')));
  EXPECT_FALSE(b.host.LoadState(damaged(4, 2)));
  EXPECT_FALSE(b.host.LoadState(damaged(8, 99)));
  EXPECT_FALSE(b.host.LoadState(damaged(11, 0x80)));
  EXPECT_FALSE(b.host.LoadState(damaged(12, 55)));
  EXPECT_FALSE(b.host.LoadState(damaged(15, 0xFF)));
  EXPECT_FALSE(b.host.LoadState(damaged(16 + 8 + 7, 0x47)));  // Delay Rate ~1e35, far out
  EXPECT_FALSE(b.host.LoadState(damaged(16 + 8 + 7, 0xFF)));  // a NaN
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> noise(static_cast<size_t>(rng() % 200));
    for (uint8_t& x : noise) x = static_cast<uint8_t>(rng());
    if (round % 2) std::memcpy(noise.data(), whole.data(), std::min<size_t>(noise.size(), 8));
    EXPECT_FALSE(b.host.LoadState(noise, 1 + rng() % 30));
  }
  EXPECT_EQ(valuesOf(b), defaults);
  EXPECT_EQ(b.host.calls.rescan.load(), 0);

  // Whole, in 17-byte and in 1-byte pieces: the values, and a rescan of them.
  ASSERT_TRUE(b.host.LoadState(whole, 17));
  EXPECT_EQ(valuesOf(b), std::vector<double>(values, values + 6));
  ASSERT_TRUE(b.host.LoadState(whole, 1, true));
  EXPECT_EQ(b.host.calls.rescan.load(), 2);
  EXPECT_EQ(b.host.calls.rescanFlags.load(), clapabi::kParamRescanValues);
  std::vector<uint8_t> again;
  ASSERT_TRUE(b.host.SaveState(&again, 5));
  EXPECT_EQ(again, whole);
  EXPECT_TRUE(a.host.Violations().empty() && b.host.Violations().empty());
}

TEST_F(ClapAdapter, EditorEditsReachTheHostAsGesturesAndValues) {
  Session s;
  ASSERT_TRUE(s.Create(module));
  IPlugCLAP* plug = IPlugCLAP::FromClap(s.host.Plugin());
  auto edit = [plug](int index, double normalized) {
    plug->HostBeginParamEdit(index);
    plug->SetParamFromEditor(index, normalized);
    plug->HostEndParamEdit(index);
  };
  // On the main thread, an editor pass ends in HandleEditorIdle: the host is asked for a
  // flush and told the state changed; get_value shows the edit at once.
  edit(3, 0.5);
  EXPECT_EQ(s.Value(3), 50.0);
  EXPECT_EQ(s.host.calls.requestFlush.load(), 0);
  plug->HandleEditorIdle();
  EXPECT_EQ(s.host.calls.requestFlush.load(), 1);
  EXPECT_EQ(s.host.calls.markDirty.load(), 1);
  EXPECT_EQ(s.host.calls.requestCallback.load(), 0);
  s.host.Flush();
  ASSERT_EQ(s.host.outputEvents.size(), 3u);
  EXPECT_EQ(s.host.outputEvents[0].type, clapabi::kEventParamGestureBegin);
  EXPECT_EQ(s.host.outputEvents[1].type, clapabi::kEventParamValue);
  EXPECT_EQ(s.host.outputEvents[1].value, 50.0);
  EXPECT_EQ(s.host.outputEvents[2].type, clapabi::kEventParamGestureEnd);
  for (const auto& e : s.host.outputEvents) EXPECT_EQ(e.paramId, 3u);
  s.host.outputEvents.clear();
  plug->HandleEditorIdle();  // nothing waits any more
  EXPECT_EQ(s.host.calls.requestFlush.load(), 1);

  // From the editor's own thread: on_main_thread is requested and asks for the flush.
  std::thread([&] { edit(0, 1.0); }).join();
  EXPECT_EQ(s.host.calls.requestCallback.load(), 1);
  EXPECT_TRUE(s.host.RunMainThreadCallback());
  EXPECT_EQ(s.host.calls.requestFlush.load(), 2);

  // While processing, the next block delivers (no flush is asked for).
  ASSERT_TRUE(s.host.Activate(44100.0, 1, kBlock));
  s.Audio([&] { s.processing = s.host.StartProcessing(); });
  edit(1, 1.0);
  plug->HandleEditorIdle();
  EXPECT_EQ(s.host.calls.requestFlush.load(), 2);
  s.Render(1);
  ASSERT_EQ(s.host.outputEvents.size(), 6u);
  EXPECT_EQ(s.host.outputEvents[1].paramId, 0u);
  EXPECT_EQ(s.host.outputEvents[1].value, 24.0);
  EXPECT_EQ(s.host.outputEvents[4].paramId, 1u);
  EXPECT_EQ(s.host.outputEvents[4].value, 3.0);
  // A host whose list is full loses those events, not the values.
  s.host.outputEvents.clear();
  s.host.outputRoom = 1;
  edit(2, 0.0);
  s.Render(1);
  EXPECT_EQ(s.host.outputEvents.size(), 1u);
  EXPECT_EQ(s.Value(2), 0.0);
  EXPECT_TRUE(s.host.Violations().empty());
}

TEST_F(ClapAdapter, TheEditorExistsBeforeActivationAndTakesTheHostsScale) {
  Session s;
  ASSERT_TRUE(s.Create(module));
  const clapabi::PluginGui* gui = s.host.Gui();
  ASSERT_NE(gui, nullptr);
  const clapabi::Plugin* p = s.host.Plugin();
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->getPreferredApi(p, &api, &floating));
  EXPECT_FALSE(floating);
  const std::string ours = api;
  const std::string other = ours == "x11" ? "win32" : "x11";
  EXPECT_TRUE(gui->isApiSupported(p, ours.c_str(), false));
  EXPECT_FALSE(gui->isApiSupported(p, ours.c_str(), true));
  EXPECT_FALSE(gui->isApiSupported(p, other.c_str(), false));
  EXPECT_FALSE(gui->isApiSupported(p, nullptr, false));
  EXPECT_FALSE(gui->setScale(p, 1.0));  // not created yet
  EXPECT_FALSE(gui->create(p, ours.c_str(), true));
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(gui->create(p, ours.c_str(), false));
    EXPECT_FALSE(gui->create(p, ours.c_str(), false));
    EXPECT_TRUE(gui->setScale(p, 2.0));
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->getSize(p, &w, &h));
    EXPECT_EQ(w, 1100u);
    EXPECT_EQ(h, 418u);
    EXPECT_TRUE(gui->setScale(p, 150.0));  // percent
    EXPECT_FALSE(gui->setScale(p, std::nan("")));
    EXPECT_FALSE(gui->setScale(p, 0.0));
    // The editor's size at the host's scale (1.5: 825 x 314) is the one size it has.
    ASSERT_TRUE(gui->getSize(p, &w, &h));
    EXPECT_EQ(w, 825u);
    EXPECT_EQ(h, 314u);
    EXPECT_FALSE(gui->canResize(p));
    uint32_t aw = 900, ah = 900;
    EXPECT_TRUE(gui->adjustSize(p, &aw, &ah));
    EXPECT_EQ(aw, 825u);
    EXPECT_TRUE(gui->setSize(p, 825, 314));
    EXPECT_FALSE(gui->setSize(p, 550, 209));
    clapabi::Window foreign = {other.c_str(), {nullptr}};
    clapabi::Window empty = {ours.c_str(), {nullptr}};
    EXPECT_FALSE(gui->setParent(p, &foreign));
    EXPECT_FALSE(gui->setParent(p, &empty));
    EXPECT_FALSE(gui->setParent(p, nullptr));
    EXPECT_FALSE(gui->show(p));
    gui->destroy(p);
  }
  // The scale changes above asked the host to resize (from the main thread). A resize of
  // the editor on its own thread reaches the host from the main thread too.
  const int before = s.host.calls.requestResize.load();
  EXPECT_GE(before, 1);
  std::thread([p] { IPlugCLAP::FromClap(p)->RefreshEditorRect(); }).join();
  EXPECT_EQ(s.host.calls.requestResize.load(), before);
  EXPECT_TRUE(s.host.RunMainThreadCallback());
  EXPECT_EQ(s.host.calls.requestResize.load(), before + 1);
  EXPECT_EQ(s.host.calls.resizeWidth.load(), 825u);
  EXPECT_EQ(s.host.calls.resizeHeight.load(), 314u);
  EXPECT_TRUE(s.host.Violations().empty());
}

TEST_F(ClapAdapter, DestroyWhileActiveAndProcessingEndsEverythingFirst) {
  ClapAudioThread audio;
  ClapPluginHost host;
  host.SetAudioThread(audio.Id());
  ASSERT_TRUE(host.Create(module, nullptr, &error));
  ASSERT_TRUE(host.Activate(44100.0, 1, kBlock));
  audio.Run([&] { ASSERT_TRUE(host.StartProcessing()); });
  const clapabi::PluginGui* gui = host.Gui();
  const char* api = nullptr;
  bool floating = false;
  ASSERT_TRUE(gui->getPreferredApi(host.Plugin(), &api, &floating));
  ASSERT_TRUE(gui->create(host.Plugin(), api, false));
  host.QueueParamValue(3, 12.0);
  audio.Run([&] {
    std::vector<float> l(kBlock, 0.5f), r(kBlock), ol(kBlock), orr(kBlock);
    const float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    EXPECT_EQ(host.Process(in, out, kBlock), clapabi::kProcessContinue);
  });
  // Straight to destroy, as a host tearing down in a hurry (the sanitizers watch).
  const clapabi::Plugin* p = host.Release();
  p->destroy(p);
  EXPECT_TRUE(host.Violations().empty());
}

}  // namespace
