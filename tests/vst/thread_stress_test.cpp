// Two host threads on one instance: the audio thread processes blocks while the
// user-interface thread automates parameters, switches programs and moves chunks. The
// plug-in lock must keep both consistent (checked by ThreadSanitizer in the TSan build).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/support/test_host.h"
#include "vst/entry.h"

namespace {

TEST(ThreadStress, ProcessingWhileTheUserInterfaceThreadChangesState) {
  TestHost host;
  AEffect* e = host.Create(VSTPluginMain);
  ASSERT_NE(e, nullptr);
  host.Start(44100.f, 256);

  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::atomic<bool> finite{true};

  std::thread audio([&] {
    std::vector<float> a(256), b(256), o0(256), o1(256);
    for (int i = 0; i < 256; ++i) a[i] = b[i] = std::sin(0.05f * static_cast<float>(i));
    while (!stop.load()) {
      float* ins[2] = {a.data(), b.data()};
      float* outs[2] = {o0.data(), o1.data()};
      e->processReplacing(e, ins, outs, 256);
      double* dummy[2] = {nullptr, nullptr};
      e->processDoubleReplacing(e, dummy, dummy, 0);
      for (float v : o0) {
        if (!std::isfinite(v)) finite.store(false);
      }
      blocks.fetch_add(1);
    }
  });

  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  unsigned step = 0;
  while (std::chrono::steady_clock::now() < end) {
    ++step;
    e->setParameter(e, static_cast<VstInt32>(step % 6), static_cast<float>(step % 97) / 96.f);
    (void)e->getParameter(e, static_cast<VstInt32>(step % 6));
    if (step % 7 == 0)
      e->dispatcher(e, effSetProgram, 0, static_cast<VstIntPtr>(step % 24), nullptr, 0.f);
    if (step % 11 == 0) {
      void* data = nullptr;
      const VstIntPtr size = e->dispatcher(e, effGetChunk, 0, 0, &data, 0.f);
      if (size > 0) {
        std::vector<unsigned char> copy(static_cast<const unsigned char*>(data),
                                        static_cast<const unsigned char*>(data) + size);
        e->dispatcher(e, effSetChunk, 0, size, copy.data(), 0.f);
      }
    }
    if (step % 13 == 0) {
      void* data = nullptr;
      const VstIntPtr size = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.f);
      if (size > 0) e->dispatcher(e, effSetChunk, 1, size, data, 0.f);
    }
    if (step % 17 == 0) {
      char text[64];
      e->dispatcher(e, effGetParamDisplay, static_cast<VstInt32>(step % 6), 0, text, 0.f);
    }
    if (step % 101 == 0)
      e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, step % 2 ? 48000.f : 44100.f);
  }
  stop.store(true);
  audio.join();
  EXPECT_GT(blocks.load(), 10);
  EXPECT_TRUE(finite.load());
}

}  // namespace
