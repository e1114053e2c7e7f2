// The CLAP plug-in's audio thread after its first block: no heap call in process, in either
// sample size, while every block carries parameter events, the tempo steps among lengths
// already used, and the main thread makes editor edits that the blocks deliver as output
// events. Heap calls are counted by this program's own malloc family (tests/support/
// heap_calls.h) on the audio thread, inside the process calls only; the host's own lists
// are sized beforehand so that only the plug-in can be counted.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "clap/IPlugCLAP.h"
#include "clap/clap_entry.h"
#include "tests/support/heap_calls.h"
#include "tools/host/clap_host.h"

namespace {

constexpr uint32_t kBlock = 512;

TEST(ClapAudioThread, ProcessMakesNoHeapCallAfterTheFirstBlock) {
  ClapModuleFile module;
  std::string error;
  ASSERT_TRUE(module.Adopt(&clap_entry, "in-process", &error)) << error;
  ClapAudioThread audio;
  ClapPluginHost host;
  host.SetAudioThread(audio.Id());
  host.outputEvents.reserve(1 << 16);
  ASSERT_TRUE(host.Create(module, nullptr, &error)) << error;
  // The slowest tempo first: the line is sized for it at activation and never grows.
  host.transport.tempo = 100.0;
  ASSERT_TRUE(host.Activate(48000.0, 1, kBlock));
  IPlugCLAP* plug = IPlugCLAP::FromClap(host.Plugin());

  std::vector<float> f0(kBlock), f1(kBlock), g0(kBlock), g1(kBlock);
  std::vector<double> d0(kBlock), d1(kBlock), h0(kBlock), h1(kBlock);
  for (uint32_t i = 0; i < kBlock; ++i) {
    f0[i] = std::sin(0.05f * static_cast<float>(i));
    f1[i] = std::cos(0.031f * static_cast<float>(i));
    d0[i] = f0[i];
    d1[i] = f1[i];
  }
  long heapCalls = 0;
  auto block = [&](bool use64, bool counted) {
    audio.Run([&] {
      if (counted) StartCountingHeapCalls();
      if (use64) {
        const double* in[2] = {d0.data(), d1.data()};
        double* out[2] = {h0.data(), h1.data()};
        EXPECT_EQ(host.Process(in, out, kBlock), clapabi::kProcessContinue);
      } else {
        const float* in[2] = {f0.data(), f1.data()};
        float* out[2] = {g0.data(), g1.data()};
        EXPECT_EQ(host.Process(in, out, kBlock), clapabi::kProcessContinue);
      }
      if (counted) {
        StopCountingHeapCalls();
        heapCalls += CountedHeapCalls();
      }
    });
  };
  audio.Run([&] { ASSERT_TRUE(host.StartProcessing()); });
  block(false, false);

  const double tempi[] = {140.0, 100.0, 120.0, 180.0};
  for (int b = 0; b < 400; ++b) {
    if (b % 50 == 0) host.transport.tempo = tempi[(b / 50) % 4];
    host.QueueParamValue(b % 6, static_cast<double>(b % 24), static_cast<uint32_t>(b % kBlock));
    host.QueueParamValue(2, static_cast<double>(b % 100), 7);
    if (b % 10 == 0) {
      plug->HostBeginParamEdit(3);
      plug->SetParamFromEditor(3, (b % 20) / 20.0);
      plug->HostEndParamEdit(3);
    }
    block(b % 2 == 1, true);
  }
  audio.Run([&] { host.StopProcessing(); });
  EXPECT_EQ(heapCalls, 0);
  EXPECT_GE(host.outputEvents.size(), 120u);  // the edits went out with the blocks
  EXPECT_TRUE(host.Violations().empty());
}

}  // namespace
