// The processing thread after its first block: no heap call and (almost) no page fault, at
// steady state, through a tempo step and a tempo ramp within lengths already used, and while
// another thread changes programs, loads chunks and sets parameters.
//
// Heap calls are counted by this program's own malloc family, which forwards to the C
// library and counts only while the processing thread is inside a processing call. Page
// faults are the processing thread's minor faults (getrusage(RUSAGE_THREAD)) over the same
// calls. Blocks are handed to one long-lived processing thread and run one at a time, so
// the other thread's work lies strictly between them.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "effect/quelora2.h"
#include "tests/support/heap_calls.h"
#include "vst/entry.h"

namespace {

// The transport the host reports; written by the controlling thread between blocks.
VstTimeInfo gTime;

// Answers without allocating or locking: it runs inside the counted calls.
VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&gTime);
  if (opcode == audioMasterVersion) return 2400;
  return 0;
}

long ThreadMinorFaults() {
  rusage usage;
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_minflt;
}

enum class Call { kReplacing, kAccumulating, kDouble };

// One processing thread that runs the blocks it is handed, one at a time, and adds up the
// heap calls and page faults inside the processing calls.
class ProcessingThread {
 public:
  ProcessingThread(AEffect* effect, int block)
      : effect(effect), in0(block), in1(block), out0(block), out1(block), din0(block),
        din1(block), dout0(block), dout1(block), frames(block), thread([this] { Loop(); }) {
    for (int i = 0; i < block; ++i) {
      in0[i] = std::sin(0.05f * static_cast<float>(i));
      in1[i] = std::cos(0.031f * static_cast<float>(i));
      din0[i] = in0[i];
      din1[i] = in1[i];
    }
  }
  ~ProcessingThread() {
    {
      std::lock_guard<std::mutex> guard(mutex);
      quit = true;
    }
    wake.notify_all();
    thread.join();
  }

  // Runs one block on the processing thread and returns when it is done.
  void Run(Call call) {
    std::unique_lock<std::mutex> guard(mutex);
    pending = call;
    hasWork = true;
    wake.notify_all();
    done.wait(guard, [this] { return !hasWork; });
  }

  long heapCalls = 0;
  long pageFaults = 0;

 private:
  void Loop() {
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
      wake.wait(guard, [this] { return hasWork || quit; });
      if (quit) return;
      Process(pending);
      hasWork = false;
      done.notify_all();
    }
  }

  void Process(Call call) {
    float* ins[2] = {in0.data(), in1.data()};
    float* outs[2] = {out0.data(), out1.data()};
    double* dins[2] = {din0.data(), din1.data()};
    double* douts[2] = {dout0.data(), dout1.data()};
    const long faultsBefore = ThreadMinorFaults();
    StartCountingHeapCalls();
    switch (call) {
      case Call::kReplacing:
        effect->processReplacing(effect, ins, outs, frames);
        break;
      case Call::kAccumulating:
        effect->process(effect, ins, outs, frames);
        break;
      case Call::kDouble:
        effect->processDoubleReplacing(effect, dins, douts, frames);
        break;
    }
    StopCountingHeapCalls();
    pageFaults += ThreadMinorFaults() - faultsBefore;
    heapCalls += CountedHeapCalls();
  }

  AEffect* effect;
  std::vector<float> in0, in1, out0, out1;
  std::vector<double> din0, din1, dout0, dout1;
  int frames;
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable done;
  Call pending = Call::kReplacing;
  bool hasWork = false;
  bool quit = false;
  std::thread thread;
};

// Counts of one scenario.
struct Counts {
  long heapCalls;
  long pageFaults;
};

class AudioThreadQuietTest : public ::testing::TestWithParam<int> {
 protected:
  static constexpr float kSampleRate = 48000.f;
  // The slowest tempo of every scenario, set before the first block: the line then never
  // needs to grow later.
  static constexpr double kSlowest = 100.0;

  void SetUp() override {
    memset(&gTime, 0, sizeof(gTime));
    gTime.tempo = kSlowest;
    gTime.sampleRate = kSampleRate;
    gTime.flags = kVstTempoValid;
    effect = VSTPluginMain(QuietHost);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, kSampleRate);
    effect->dispatcher(effect, effSetBlockSize, 0, GetParam(), nullptr, 0.f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.f);
    audio = new ProcessingThread(effect, GetParam());
    audio->Run(Call::kReplacing);  // the first block sizes the line: not counted
    audio->heapCalls = 0;
    audio->pageFaults = 0;
  }
  void TearDown() override {
    delete audio;
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
  }

  // Blocks for seconds of audio at the current block size.
  int BlocksFor(double seconds) const {
    return static_cast<int>(std::ceil(seconds * kSampleRate / GetParam()));
  }

  // The counts since the last call.
  Counts Take() {
    const Counts counts = {audio->heapCalls, audio->pageFaults};
    audio->heapCalls = 0;
    audio->pageFaults = 0;
    return counts;
  }

  AEffect* effect = nullptr;
  ProcessingThread* audio = nullptr;
};

// Page faults over all scenarios together: a handful for code paths run for the first time
// after the first block. Faulting in the line as it is written takes one per 4 KB page, a
// reallocation at a tempo change more than a thousand.
constexpr long kHandfulOfFaults = 16;

TEST_P(AudioThreadQuietTest, NoHeapCallsAndAlmostNoPageFaultsAfterTheFirstBlock) {
  long faults = 0;

  // Steady state: once through the whole line (8 whole notes at 100 BPM: 19.2 s) and on.
  for (int n = BlocksFor(20.0); n > 0; --n) audio->Run(Call::kReplacing);
  Counts steady = Take();
  EXPECT_EQ(steady.heapCalls, 0) << "steady state";
  faults += steady.pageFaults;

  // Tempo step: 120 <-> 121 BPM every 200 blocks; the line is cleared at every step.
  for (int step = 0; step < 6; ++step) {
    gTime.tempo = step % 2 == 0 ? 120.0 : 121.0;
    for (int n = 0; n < 200; ++n) audio->Run(Call::kReplacing);
  }
  Counts tempoStep = Take();
  EXPECT_EQ(tempoStep.heapCalls, 0) << "tempo step";
  faults += tempoStep.pageFaults;

  // Tempo ramp within the lengths used: 100 ... 140 BPM and back, a new tempo every block,
  // through all three processing calls.
  for (int n = 0; n < 800; ++n) {
    const int k = n < 400 ? n : 800 - n;
    gTime.tempo = kSlowest + 0.1 * k;
    audio->Run(n % 3 == 0 ? Call::kReplacing : n % 3 == 1 ? Call::kAccumulating : Call::kDouble);
  }
  Counts ramp = Take();
  EXPECT_EQ(ramp.heapCalls, 0) << "tempo ramp";
  faults += ramp.pageFaults;

  // Program changes from this thread between blocks, each starting a crossfade.
  gTime.tempo = 120.0;
  for (int n = 0; n < 24 * 20; ++n) {
    if (n % 20 == 0) effect->dispatcher(effect, effSetProgram, 0, n / 20, nullptr, 0.f);
    audio->Run(Call::kReplacing);
  }
  Counts programs = Take();
  EXPECT_EQ(programs.heapCalls, 0) << "program changes";
  faults += programs.pageFaults;

  // Chunk loads: the state of one program and of the bank, read back while audio runs.
  effect->dispatcher(effect, effSetProgram, 0, 3, nullptr, 0.f);
  void* data = nullptr;
  const VstIntPtr programSize = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.f);
  ASSERT_GT(programSize, 0);
  std::vector<unsigned char> program(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + programSize);
  const VstIntPtr bankSize = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.f);
  ASSERT_GT(bankSize, 0);
  std::vector<unsigned char> bank(static_cast<unsigned char*>(data),
                                  static_cast<unsigned char*>(data) + bankSize);
  for (int n = 0; n < 400; ++n) {
    if (n % 10 == 0) {
      const bool isBank = n % 20 == 0;
      std::vector<unsigned char>& chunk = isBank ? bank : program;
      effect->dispatcher(effect, effSetChunk, isBank ? 0 : 1,
                         static_cast<VstIntPtr>(chunk.size()), chunk.data(), 0.f);
    }
    audio->Run(Call::kReplacing);
  }
  Counts chunks = Take();
  EXPECT_EQ(chunks.heapCalls, 0) << "chunk loads";
  faults += chunks.pageFaults;

  // Parameter changes: every parameter, every block, as host automation does it.
  for (int n = 0; n < 1000; ++n) {
    for (int p = 0; p < kNumParams; ++p) {
      const float v = 0.5f + 0.5f * std::sin(0.01f * static_cast<float>(n) + static_cast<float>(p));
      effect->setParameter(effect, p, v);
    }
    audio->Run(n % 2 == 0 ? Call::kReplacing : Call::kDouble);
  }
  Counts parameters = Take();
  EXPECT_EQ(parameters.heapCalls, 0) << "parameter changes";
  faults += parameters.pageFaults;

  EXPECT_LE(faults, kHandfulOfFaults)
      << "steady " << steady.pageFaults << ", tempo step " << tempoStep.pageFaults
      << ", tempo ramp " << ramp.pageFaults << ", programs " << programs.pageFaults
      << ", chunks " << chunks.pageFaults << ", parameters " << parameters.pageFaults;
  RecordProperty("page_faults", static_cast<int>(faults));
}

// The one allocation left: a tempo slower than any this instance has seen grows the line,
// and only then; going back to a faster tempo uses the storage it has.
TEST_P(AudioThreadQuietTest, OnlyGrowthBeyondEveryUsedLengthAllocates) {
  gTime.tempo = 80.0;
  audio->Run(Call::kReplacing);
  EXPECT_GT(Take().heapCalls, 0);
  for (double tempo : {140.0, 80.0, 90.0}) {
    gTime.tempo = tempo;
    for (int n = 0; n < 50; ++n) audio->Run(Call::kReplacing);
    EXPECT_EQ(Take().heapCalls, 0) << tempo;
  }
}

// Activation prepares the line: for 120 BPM before any tempo is known, then for the tempo
// last seen at the new rate, so that not even the first block allocates while it stays.
TEST_P(AudioThreadQuietTest, ActivationPreparesTheLineForTheFirstBlock) {
  AEffect* fresh = VSTPluginMain(QuietHost);
  ASSERT_NE(fresh, nullptr);
  fresh->dispatcher(fresh, effOpen, 0, 0, nullptr, 0.f);
  fresh->dispatcher(fresh, effSetSampleRate, 0, 0, nullptr, kSampleRate);
  fresh->dispatcher(fresh, effSetBlockSize, 0, GetParam(), nullptr, 0.f);
  fresh->dispatcher(fresh, effMainsChanged, 0, 1, nullptr, 0.f);
  {
    ProcessingThread first(fresh, GetParam());
    gTime.tempo = 120.0;
    for (int n = 0; n < 10; ++n) first.Run(Call::kReplacing);
    EXPECT_EQ(first.heapCalls, 0);
    gTime.tempo = 90.0;  // slower than prepared: grows on the processing thread
    first.Run(Call::kReplacing);
    EXPECT_GT(first.heapCalls, 0);
  }
  // A higher rate while switched off: switching on grows the line for 90 BPM there.
  fresh->dispatcher(fresh, effMainsChanged, 0, 0, nullptr, 0.f);
  fresh->dispatcher(fresh, effSetSampleRate, 0, 0, nullptr, 96000.f);
  fresh->dispatcher(fresh, effMainsChanged, 0, 1, nullptr, 0.f);
  {
    ProcessingThread after(fresh, GetParam());
    for (int n = 0; n < 10; ++n) after.Run(Call::kReplacing);
    EXPECT_EQ(after.heapCalls, 0);
    EXPECT_EQ(static_cast<VSTCLASS*>(fresh->object)->LineLength(), 8 * 256000);
  }
  fresh->dispatcher(fresh, effClose, 0, 0, nullptr, 0.f);
}

// The counting itself: a heap call inside a processing call is seen.
TEST(AudioThreadCounting, SeesHeapCallsOnTheCountingThreadOnly) {
  static void* volatile sink = nullptr;
  StartCountingHeapCalls();
  sink = malloc(64);
  free(sink);
  StopCountingHeapCalls();
  EXPECT_EQ(CountedHeapCalls(), 2);
  std::thread other([] {
    sink = malloc(64);
    free(sink);
    EXPECT_EQ(CountedHeapCalls(), 0);
  });
  other.join();
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, AudioThreadQuietTest, ::testing::Values(64, 512),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Block" + std::to_string(info.param);
                         });

}  // namespace
