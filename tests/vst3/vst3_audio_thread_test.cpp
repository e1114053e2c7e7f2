// The processing thread after its first block: no heap call while parameters change in
// the queues, programs change through the program parameter (empty program slots among
// them), the tempo rises and the host flushes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/heap_calls.h"
#include "tools/host/vst3_host.h"
#include "vst3/IPlugVST3.h"
#include "vst3/vst3_entry.h"

namespace {

TEST(Vst3AudioThread, NoHeapCallsAfterTheFirstBlock) {
  Vst3Module module;
  Vst3Plugin plugin;
  std::string error;
  ASSERT_TRUE(module.Attach(GetPluginFactory, &error)) << error;
  ASSERT_TRUE(plugin.Create(module, &error)) << error;
  for (bool wide : {false, true}) {
    ASSERT_TRUE(plugin.Setup(48000.0, 512, wide, &error)) << error;
    plugin.Activate();
    std::vector<float> l(512), r(512), ol(512), orr(512);
    std::vector<double> dl(512), dr(512), dol(512), dorr(512);
    for (int i = 0; i < 512; ++i) {
      l[i] = dl[i] = std::sin(0.01 * i);
      r[i] = dr[i] = std::cos(0.013 * i);
    }
    float* ins[2] = {l.data(), r.data()};
    float* outs[2] = {ol.data(), orr.data()};
    double* dins[2] = {dl.data(), dr.data()};
    double* douts[2] = {dol.data(), dorr.data()};
    auto block = [&]() { return wide ? plugin.ProcessDouble(dins, douts, 512) : plugin.Process(ins, outs, 512); };
    plugin.SetTempo(100.0, true);
    ASSERT_TRUE(block());

    StartCountingHeapCalls();
    for (int b = 0; b < 200; ++b) {
      if (b % 7 == 0) plugin.QueueParam(0, (b % 25) / 24.0, 13, true);
      if (b % 11 == 0) plugin.QueueParam(1, (b % 4) / 3.0, 0, true);
      if (b % 13 == 0) plugin.QueueParam(3, (b % 100) / 99.0, 400, true);
      if (b % 17 == 0) plugin.QueueParam(IPlugVST3::kProgramParamId, (b % 24) / 23.0, 0, true);
      if (b % 50 == 49) plugin.SetTempo(100.0 + b / 10.0, true);
      if (b % 19 == 0) plugin.Flush();
      ASSERT_TRUE(block());
    }
    StopCountingHeapCalls();
    EXPECT_EQ(CountedHeapCalls(), 0) << (wide ? "64-bit" : "32-bit");
    plugin.Deactivate();
  }
}

}  // namespace
