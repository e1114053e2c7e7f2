// The built CLAP module against the built VST 2.4 module, both loaded as a host loads
// them: for the same settings, programs, tempi, sample rates and block sizes (64, 333,
// 4096) the CLAP module's 32-bit output equals processReplacing and its 64-bit output
// equals processDoubleReplacing, sample for sample; its state holds the VST 2.4 program
// chunk's bytes; its parameter texts are the VST 2.4 build's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/clap/clap_scenarios.h"
#include "tests/support/test_host.h"
#include "tools/host/clap_host.h"
#include "tools/host/shared_library.h"

namespace {

class ClapMatchesVst : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(clap.Open(QUELORA_CLAP_MODULE, &error)) << error;
    ASSERT_TRUE(vstLibrary.Open(QUELORA_VST_MODULE, &error)) << error;
    vstEntry = reinterpret_cast<VstPluginMainProc>(vstLibrary.Symbol("VSTPluginMain"));
    ASSERT_NE(vstEntry, nullptr);
  }

  void CompareEveryScenario(bool use64) {
    for (const Scenario& s : IdentityScenarios()) {
      for (int block : IdentityBlockSizes()) {
        SCOPED_TRACE(std::string(s.name) + ", block " + std::to_string(block));
        Rendered v;
        Rendered c;
        std::string error;
        ASSERT_TRUE(RenderVstScenario(vstEntry, s, block, use64, &v, &error)) << error;
        ASSERT_TRUE(RenderClapScenario(clap, s, block, use64, &c, &error)) << error;
        ASSERT_EQ(v.left.size(), c.left.size());
        double echoes = 0.0;
        for (size_t n = 0; n < v.left.size(); ++n) {
          ASSERT_EQ(std::memcmp(&v.left[n], &c.left[n], sizeof(double)), 0) << "left, frame " << n;
          ASSERT_EQ(std::memcmp(&v.right[n], &c.right[n], sizeof(double)), 0) << "right, frame " << n;
          if (n >= v.left.size() * 2 / 3) echoes += v.left[n] * v.left[n] + v.right[n] * v.right[n];
        }
        // Echoes ring out after the input stops: the comparison saw more than silence.
        EXPECT_GT(echoes, 0.01);
      }
    }
  }

  ClapModuleFile clap;
  SharedLibrary vstLibrary;
  VstPluginMainProc vstEntry = nullptr;
};

TEST_F(ClapMatchesVst, Blocks32BitEqualProcessReplacing) { CompareEveryScenario(false); }

TEST_F(ClapMatchesVst, Blocks64BitEqualProcessDoubleReplacing) { CompareEveryScenario(true); }

TEST_F(ClapMatchesVst, StateHoldsTheProgramChunkBytesAndTheProgram) {
  TestHost vst;
  ASSERT_NE(vst.Create(vstEntry), nullptr);
  vst.Start();
  ClapPluginHost host;
  std::string error;
  ASSERT_TRUE(host.Create(clap, nullptr, &error)) << error;
  const double plain[6] = {20, 1, 33, 44, 55, 66};
  const double highest[6] = {24, 3, 100, 99, 100, 100};
  vst.Dispatch(effSetProgram, 0, 7);
  ASSERT_TRUE(host.LoadState(ClapStateForProgram(6)));  // another program first
  for (int i = 0; i < 6; ++i) {
    vst.SetParameter(i, static_cast<float>(plain[i] / highest[i]));
    host.QueueParamValue(static_cast<clapabi::Id>(i), plain[i]);
  }
  host.Flush();
  void* data = nullptr;
  const VstIntPtr size = vst.Dispatch(effGetChunk, /*isPreset=*/1, 0, &data);
  ASSERT_GT(size, 0);
  std::vector<uint8_t> state;
  ASSERT_TRUE(host.SaveState(&state));
  ASSERT_EQ(state.size(), 16u + static_cast<size_t>(size));
  EXPECT_EQ(std::memcmp(state.data() + 16, data, static_cast<size_t>(size)), 0);
  // The program index (6) follows the magic and the version.
  EXPECT_EQ(state[8], 6);
  EXPECT_TRUE(host.Violations().empty());
}

TEST_F(ClapMatchesVst, DisplayTextsAndTypedValuesAreTheVstOnes) {
  TestHost vst;
  AEffect* e = vst.Create(vstEntry);
  ASSERT_NE(e, nullptr);
  vst.Start();
  ClapPluginHost host;
  std::string error;
  ASSERT_TRUE(host.Create(clap, nullptr, &error)) << error;
  ASSERT_EQ(host.ParamCount(), static_cast<uint32_t>(e->numParams));
  for (uint32_t i = 0; i < host.ParamCount(); ++i) {
    clapabi::ParamInfo info{};
    ASSERT_TRUE(host.ParamInfo(i, &info));
    EXPECT_EQ(vst.Text(effGetParamName, static_cast<VstInt32>(i)), info.name);
    const double range = info.maxValue - info.minValue;
    for (double v = info.minValue; v <= info.maxValue; v += 1.0) {
      vst.SetParameter(static_cast<int>(i), static_cast<float>((v - info.minValue) / range));
      std::string text;
      ASSERT_TRUE(host.ValueText(info.id, v, &text));
      EXPECT_EQ(vst.ParamDisplay(static_cast<int>(i)), text) << info.name << " = " << v;
    }
    // Typed texts: the VST 2.4 build's effString2Parameter sets the value the CLAP
    // build's text_to_value gives.
    for (const char* typed : {"1/8D", "ping pong", "inv pong", "60", "60 %", " 7", "-5", "500",
                              "12.6", "2/1T"}) {
      double plain = 0.0;
      if (!host.TextValue(info.id, typed, &plain)) continue;
      vst.Dispatch(effString2Parameter, static_cast<VstInt32>(i), 0, const_cast<char*>(typed));
      const double set = info.minValue + vst.GetParameter(static_cast<int>(i)) * range;
      EXPECT_NEAR(plain, set, 1e-4) << info.name << " typed \"" << typed << "\"";
    }
  }
  EXPECT_TRUE(host.Violations().empty());
}

}  // namespace
