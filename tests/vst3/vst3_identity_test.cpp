// The VST 3 bundle against the VST 2.4 module, both loaded as a host loads them: every
// identity scenario (tests/vst3/vst3_scenarios.h) at block sizes 64, 333 and 4096, in
// 32-bit and in 64-bit processing, gives the same samples through both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/vst3/vst3_scenarios.h"

namespace {

class Vst3Identity : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(Vst3Identity, SameSamplesAsTheVst2Module) {
  const int block = std::get<0>(GetParam());
  const bool wide = std::get<1>(GetParam());
  for (const Scenario& s : IdentityScenarios()) {
    std::vector<double> vst2, vst3;
    std::string error;
    ASSERT_TRUE(RenderVst2Scenario(QUELORA_VST2_MODULE, s, block, wide, &vst2, &error)) << error;
    ASSERT_TRUE(RenderVst3Scenario(QUELORA_VST3_BUNDLE, s, block, wide, &vst3, &error)) << error;
    ASSERT_EQ(vst2.size(), vst3.size()) << s.name;
    size_t differing = 0;
    size_t first = vst2.size();
    double peak = 0;
    for (size_t i = 0; i < vst2.size(); ++i) {
      if (vst2[i] != vst3[i]) {
        ++differing;
        if (first == vst2.size()) first = i;
      }
      peak = std::max(peak, std::fabs(vst2[i]));
    }
    EXPECT_EQ(differing, 0u) << s.name << ": first difference at sample " << first;
    // Silence would compare equal too: the echoes (or the dry signal) are there.
    EXPECT_GT(peak, 0.05) << s.name;
  }
}

INSTANTIATE_TEST_SUITE_P(BlocksAndPrecisions, Vst3Identity,
                         ::testing::Combine(::testing::Values(64, 333, 4096),
                                            ::testing::Values(false, true)),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
                           return "block" + std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "_64bit" : "_32bit");
                         });

}  // namespace
