#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <cstring>
#include <vector>

#include "tests/support/mock_plug.h"

namespace {

TEST(PlugBaseTest, ConstructionAndIdentity) {
  TestPlug plug;
  EXPECT_EQ(plug.ParamCount(), 6);
  EXPECT_EQ(plug.ParamAt(-1), nullptr);
  EXPECT_EQ(plug.ParamAt(6), nullptr);
  EXPECT_EQ(plug.PresetCount(), 24);
  EXPECT_STREQ(plug.PresetName(0), "- 1 -");
  EXPECT_EQ(plug.CurrentPreset(), 0);
  EXPECT_EQ(plug.PendingEditParam(), -1);
  EXPECT_EQ(plug.HostCode(), -1);
  EXPECT_EQ(plug.HostIdentity(), -1);
  EXPECT_EQ(plug.SampleRate(), 44100.0);
  EXPECT_EQ(plug.MaxBlockSize(), 0);
  EXPECT_EQ(plug.Editor(), nullptr);
  EXPECT_STREQ(plug.EffectName(), "Test Delay");
  EXPECT_EQ(plug.EffectVersion(true), 10200);
  EXPECT_EQ(plug.EffectVersion(false), 66048);

  const std::string longName(200, 'q');
  // Names are cut at 127 characters by the base constructor.
  struct Direct : IPlugBase {
    explicit Direct(const char* n)
        : IPlugBase(0, nullptr, 0, n, nullptr, n, 1, 0, 0, 0, 0, false, false) {}
    void HostBeginParamEdit(int) override {}
    void HostBeginParamEditOnce(int) override {}
    void HostAutomateParam(int, double) override {}
    void HostEndParamEdit(int) override {}
    void HostRefreshDisplay() override {}
    int HostSamplePosition() override { return 0; }
    double HostTempo() override { return 0; }
    void HostTimeSignature(int*, int*) override {}
    void RefreshEditorRect() override {}
    void HostSpecificSetup() override {}
    bool SendMidiToHost(const IMidiMsg*) override { return true; }
    bool SendSysExToHost(const ISysEx*) override { return true; }
  };
  Direct direct(longName.c_str());
  EXPECT_EQ(std::string(direct.EffectName()), longName.substr(0, 127));
  EXPECT_STREQ(direct.ProductName(), "");
  EXPECT_EQ(direct.ChannelPairingCount(), 0);
  EXPECT_FALSE(direct.IsLegalChannelCount(-1, -1));
  EXPECT_EQ(direct.SamplesPerBeat(), 0.0);
}

TEST(PlugBaseTest, HostNamesMapToCodesInTableOrder) {
  TestPlug plug;
  struct Case {
    const char* name;
    int code;
  } cases[] = {{"REAPER", 1},           {"my ReApEr build", 1}, {"Cubase and Nuendo", 3},
               {"nuendo", 4},           {"OLIVER", 9},          {"Ableton Live 11", 9},
               {"Audition Live", 9},    {"Adobe Audition", 17}, {"Acoustica Mixcraft", 25},
               {"Ardour", 27},          {"", 0},                {"Some Host", 0},
               {nullptr, 0}};
  for (const Case& c : cases) {
    plug.RecordHost(c.name, 0x20300);
    EXPECT_EQ(plug.HostCode(), c.code) << (c.name ? c.name : "(null)");
    EXPECT_EQ(plug.HostIdentity(), c.code);
  }
  EXPECT_EQ(plug.HostVersion(), 0x20300);
}

TEST(PlugBaseTest, ChannelSpecifications) {
  TestPlug stereo;
  EXPECT_EQ(stereo.ChannelPairingCount(), 2);
  EXPECT_EQ(stereo.InputCount(), 2);
  EXPECT_EQ(stereo.OutputCount(), 2);
  EXPECT_TRUE(stereo.IsLegalChannelCount(1, -1));
  EXPECT_FALSE(stereo.IsLegalChannelCount(2, 1));
  EXPECT_TRUE(stereo.IsLegalChannelCount(-1, -1));
  EXPECT_TRUE(stereo.IsLegalChannelCount(2, 2));
  EXPECT_FALSE(stereo.InputLaneAt(0)->connected);

  TestPlug odd(24, "2 1-4 ");  // "2" lacks its outputs; the trailing space adds (0, 0)
  ASSERT_EQ(odd.ChannelPairingCount(), 3);
  EXPECT_EQ(odd.ChannelPairingAt(0)->inputs, 2);
  EXPECT_EQ(odd.ChannelPairingAt(0)->outputs, 0);
  EXPECT_EQ(odd.ChannelPairingAt(1)->outputs, 4);
  EXPECT_EQ(odd.ChannelPairingAt(2)->inputs, 0);
  EXPECT_EQ(odd.ChannelPairingAt(2)->outputs, 0);
  EXPECT_EQ(odd.InputCount(), 2);
  EXPECT_EQ(odd.OutputCount(), 4);
  EXPECT_TRUE(odd.IsLegalChannelCount(0, 0));

  TestPlug none(24, nullptr);
  EXPECT_EQ(none.ChannelPairingCount(), 0);
  EXPECT_EQ(none.InputCount(), 0);
  EXPECT_FALSE(none.IsLegalChannelCount(-1, -1));
  none.ChangeBlockSize(16);
  float* nothing[1] = {nullptr};
  none.ProcessFloat(nothing, nothing, 16, false);  // no channels: nothing to do

  TestPlug garbage(24, "x-y 99999999999-3");  // numbers saturate instead of overflowing
  EXPECT_EQ(garbage.ChannelPairingAt(0)->inputs, 0);
  EXPECT_EQ(garbage.ChannelPairingAt(1)->outputs, 3);

  TestPlug quirk(24, "4-4");
  quirk.ConnectInputs(0, INT_MAX, true);
  quirk.ApplyHostChannelQuirk();
  EXPECT_TRUE(quirk.InputLaneAt(1)->connected);
  EXPECT_FALSE(quirk.InputLaneAt(2)->connected);
  EXPECT_TRUE(quirk.OutputLaneAt(3)->connected);
  EXPECT_FALSE(quirk.OutputLaneAt(1)->connected);
}

TEST(PlugBaseTest, ChangeBlockSizeZeroesOnlyOnChange) {
  TestPlug plug;
  plug.ChangeBlockSize(8);
  ASSERT_EQ(plug.InputLaneAt(0)->scratch.Count(), 8);
  plug.InputLaneAt(0)->scratch.Items()[3] = 5.0;
  plug.ChangeBlockSize(8);
  EXPECT_EQ(plug.InputLaneAt(0)->scratch.Items()[3], 5.0);
  plug.ChangeBlockSize(4);
  EXPECT_EQ(plug.MaxBlockSize(), 4);
  EXPECT_EQ(plug.InputLaneAt(0)->scratch.Items()[3], 0.0);
  EXPECT_EQ(plug.OutputLaneAt(1)->scratch.Count(), 4);
  plug.ChangeBlockSize(-1);
  EXPECT_EQ(plug.MaxBlockSize(), 0);
}

// Stereo plug-in with both channels connected and room for 4-sample blocks.
struct Processing : ::testing::Test {
  void SetUp() override {
    plug.ChangeBlockSize(4);
    plug.ConnectInputs(0, 2, true);
    plug.ConnectOutputs(0, 2, true);
  }
  TestPlug plug;
  float inL[4] = {1, 2, 3, 4}, inR[4] = {-1, -2, -3, -4};
  float outL[4] = {9, 9, 9, 9}, outR[4] = {9, 9, 9, 9};
  float* ins[2] = {inL, inR};
  float* outs[2] = {outL, outR};
};

TEST_F(Processing, FloatReplacingAndAdding) {
  plug.BindInputBuffersFloat(0, 2, ins, 4);
  plug.BindOutputBuffersFloat(0, 2, outs);
  plug.RunBlockFloat(4);
  EXPECT_EQ(std::vector<float>(outL, outL + 4), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(std::vector<float>(outR, outR + 4), (std::vector<float>{-1, -2, -3, -4}));

  plug.BindInputBuffersFloat(0, 2, ins, 4);
  plug.BindOutputBuffersFloat(0, 2, outs);
  plug.RunBlockFloatAdding(4);
  EXPECT_EQ(std::vector<float>(outL, outL + 4), (std::vector<float>{2, 4, 6, 8}));
}

TEST_F(Processing, UnconnectedChannelsUseScratch) {
  // Output 1 unconnected: its host buffer stays untouched. Input 1 unconnected: the one
  // host input feeds channel 0 and channel 1 reads zeros.
  plug.ConnectOutputs(1, 1, false);
  plug.ConnectInputs(1, 1, false);
  float* oneIn[1] = {inL};
  float* oneOut[1] = {outL};
  plug.BindInputBuffersFloat(0, 2, oneIn, 4);
  plug.BindOutputBuffersFloat(0, 2, oneOut);
  plug.RunBlockFloat(4);
  EXPECT_EQ(std::vector<float>(outL, outL + 4), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(std::vector<float>(outR, outR + 4), (std::vector<float>{9, 9, 9, 9}));
  EXPECT_EQ(plug.OutputLaneAt(1)->scratch.Items()[2], 0.0);
}

TEST_F(Processing, DoubleBindingHandsHostBuffersToTheRenderer) {
  double dl[4] = {1, 2, 3, 4}, dr[4] = {5, 6, 7, 8}, ol[4] = {}, orr[4] = {};
  double* din[2] = {dl, dr};
  double* dout[2] = {ol, orr};
  plug.BindInputBuffers(0, 2, din);
  plug.BindOutputBuffers(0, 2, dout);
  EXPECT_EQ(*plug.InputLaneAt(1)->slot, dr);
  EXPECT_EQ(*plug.OutputLaneAt(0)->slot, ol);
  plug.RunBlock(4);
  EXPECT_EQ(orr[3], 8.0);

  // A null host pointer leaves the channel on its zeroed scratch buffer.
  double* holes[2] = {dl, nullptr};
  plug.BindInputBuffers(0, 2, holes);
  EXPECT_EQ(*plug.InputLaneAt(1)->slot, plug.InputLaneAt(1)->scratch.Items());
  plug.BindInputBuffers(0, 2, nullptr);
  plug.BindOutputBuffers(0, 2, nullptr);
  plug.RunBlock(4);
}

TEST_F(Processing, LongHostBlocksAreSplitIntoScratchSizedPieces) {
  float longIn[10], longOut[10], twice[10];
  for (int i = 0; i < 10; ++i) longIn[i] = static_cast<float>(i + 1);
  for (int i = 0; i < 10; ++i) twice[i] = 100;
  float* in2[2] = {longIn, longIn};
  float* out2[2] = {longOut, twice};
  plug.ProcessFloat(in2, out2, 10, false);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(longOut[i], longIn[i]) << i;
  plug.ProcessFloat(in2, out2, 10, true);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(twice[i], 2 * longIn[i]) << i;

  double din[10], dout[10] = {};
  for (int i = 0; i < 10; ++i) din[i] = i * 0.5;
  double* di[2] = {din, nullptr};
  double* dO[2] = {dout, nullptr};
  plug.ProcessDouble(di, dO, 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(dout[i], din[i]) << i;

  // RunBlock never renders more than the scratch buffers hold.
  plug.BindInputBuffersFloat(0, 2, ins, 100);
  plug.BindOutputBuffersFloat(0, 2, outs);
  plug.RunBlockFloat(100);

  TestPlug unsized;  // no block size yet: replacing calls output silence
  unsized.ConnectOutputs(0, 2, true);
  unsized.ProcessFloat(ins, outs, 4, false);
  EXPECT_EQ(outL[0], 0.0f);
}

// An adapter may send a whole list in one host call; the base reaches its version.
class ListSendingPlug : public TestPlug {
 public:
  bool SendMidiListToHost(const IMidiMsg* messages, int count) override {
    lists.push_back(count);
    return messages != nullptr;
  }
  std::vector<int> lists;
};

TEST(PlugBaseTest, MidiListSendingIsOverridable) {
  ListSendingPlug plug;
  IPlugBase& base = plug;
  IMidiMsg msgs[2] = {{0, 0x90, 60, 100}, {1, 0x80, 60, 0}};
  EXPECT_TRUE(base.SendMidiListToHost(msgs, 2));
  EXPECT_EQ(plug.lists, std::vector<int>{2});
  EXPECT_TRUE(plug.calls.empty());  // not split into single messages
}

TEST(PlugBaseTest, TimingAndMidiHelpers) {
  TestPlug plug;
  EXPECT_EQ(plug.SamplesPerBeat(), 22050.0);
  plug.tempo = 0;
  EXPECT_EQ(plug.SamplesPerBeat(), 0.0);
  plug.tempo = -5;
  EXPECT_EQ(plug.SamplesPerBeat(), 0.0);
  plug.tempo = 60;
  plug.SetSampleRate(48000);
  EXPECT_EQ(plug.SamplesPerBeat(), 48000.0);

  IMidiMsg msgs[3] = {{0, 0x90, 60, 100}, {1, 0xFF, 0, 0}, {2, 0x80, 60, 0}};
  EXPECT_FALSE(plug.SendMidiListToHost(msgs, 3));
  EXPECT_EQ(plug.calls.size(), 3u);  // every message is sent, in order
  EXPECT_EQ(plug.calls[2].index, 0x80);
  EXPECT_TRUE(plug.SendMidiListToHost(msgs, 1));
  EXPECT_TRUE(plug.SendMidiListToHost(nullptr, 0));

  char key[8] = "x";
  EXPECT_FALSE(plug.LookupMidiKeyName(60, key, sizeof(key)));
  EXPECT_STREQ(key, "");
  plug.ChangeLatency(32);
  EXPECT_EQ(plug.LatencySamples(), 32);
}

TEST(PlugBaseTest, EditorChangesAutomateBeforeNotifying) {
  TestPlug plug;
  plug.SetParamFromEditor(3, 0.5);
  EXPECT_EQ(plug.ParamAt(3)->current, 50.0);
  ASSERT_EQ(plug.calls.size(), 1u);
  EXPECT_EQ(plug.calls[0], (HostCall{"automate", 3, 0.5}));
  EXPECT_EQ(plug.changed, std::vector<int>{3});
  plug.SetParamFromEditor(6, 0.5);
  plug.SetParamFromEditor(2, std::nan(""));
  EXPECT_EQ(plug.calls.size(), 1u);

  // Without an editor a deferred end of edit is sent at once.
  plug.EndParamEditSoon(4);
  EXPECT_EQ(plug.calls.back(), (HostCall{"end", 4, 0}));
  EXPECT_EQ(plug.PendingEditParam(), -1);
  plug.NotifyAllParamsChanged();
  EXPECT_EQ(plug.changed.size(), 7u);
}

}  // namespace
