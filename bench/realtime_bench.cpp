// The plug-in's audio thread as a real-time host sees it. Drives the built module through
// its VST 2.4 entry point (dlopen + VSTPluginMain) at 48 kHz with 64- and 512-frame blocks
// and records, for every processReplacing call: its wall time, the thread's CPU time,
// whether the thread slept inside the call (voluntary context switches), heap calls and
// minor page faults on the audio thread. A memcpy timed in the same loop shows the stalls
// this machine imposes on any running thread.
//
//   realtime_bench [module.so] [--quick] [--only steady|cold|step|ramp|program|editor]
//
// The editor scenarios need an X server (DISPLAY); without one they are left out. The
// host callback below neither allocates nor locks: the numbers are the plug-in's own.
#include <dlfcn.h>
#include <sys/resource.h>
#include <time.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/heap_calls.h"
#include "vst/aeffect.h"

namespace {

const double kSampleRate = 48000.0;

// ---------------------------------------------------------------------------------------
// The host side: a time record the audio thread rewrites before each block.

VstTimeInfo gTimeInfo;

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetTime:
      return reinterpret_cast<VstIntPtr>(&gTimeInfo);
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(kSampleRate);
    default:
      return 0;
  }
}

typedef AEffect* (*EntryPoint)(audioMasterCallback);
EntryPoint gEntry = nullptr;

AEffect* OpenInstance(int frames) {
  AEffect* effect = gEntry(HostCallback);
  if (!effect) return nullptr;
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
  effect->dispatcher(effect, effSetBlockSize, 0, frames, nullptr, 0.f);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.f);
  return effect;
}

void CloseInstance(AEffect* effect) {
  effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.f);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
}

double Seconds(const timespec& t) { return t.tv_sec + t.tv_nsec * 1e-9; }
double Now(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return Seconds(t);
}

// ---------------------------------------------------------------------------------------
// One block's record and the loop that fills them.

struct BlockRecord {
  float wallUs;
  float cpuUs;
  float memcpyUs;
  int heapCalls;
  int minorFaults;
  bool slept;
};

class Driver {
 public:
  Driver(AEffect* effect, int frames, int blocks)
      : mEffect(effect), mFrames(frames), mRecords(static_cast<size_t>(blocks)) {
    for (int c = 0; c < 2; ++c) {
      mIn[c].assign(static_cast<size_t>(frames), 0.f);
      mOut[c].assign(static_cast<size_t>(frames), 0.f);
    }
    mCopySource.assign(16384, 1);
    mCopyTarget.assign(16384, 0);
    std::memset(&gTimeInfo, 0, sizeof(gTimeInfo));
    gTimeInfo.sampleRate = kSampleRate;
    gTimeInfo.tempo = 120.0;
    gTimeInfo.timeSigNumerator = 4;
    gTimeInfo.timeSigDenominator = 4;
    gTimeInfo.flags = kVstTempoValid | kVstTimeSigValid | kVstTransportPlaying | kVstPpqPosValid;
  }

  // Runs one block with its measurements and stores them as record index.
  void Block(int index) {
    FillInput();
    gTimeInfo.samplePos = static_cast<double>(mPosition);
    gTimeInfo.ppqPos = mPosition / kSampleRate * gTimeInfo.tempo / 60.0;
    float* ins[2] = {mIn[0].data(), mIn[1].data()};
    float* outs[2] = {mOut[0].data(), mOut[1].data()};

    const double c0 = Now(CLOCK_MONOTONIC);
    std::memcpy(mCopyTarget.data(), mCopySource.data(), mCopySource.size());
    const double c1 = Now(CLOCK_MONOTONIC);

    rusage before, after;
    getrusage(RUSAGE_THREAD, &before);
    const double cpu0 = Now(CLOCK_THREAD_CPUTIME_ID);
    StartCountingHeapCalls();
    const double t0 = Now(CLOCK_MONOTONIC);
    mEffect->processReplacing(mEffect, ins, outs, mFrames);
    const double t1 = Now(CLOCK_MONOTONIC);
    StopCountingHeapCalls();
    const double cpu1 = Now(CLOCK_THREAD_CPUTIME_ID);
    getrusage(RUSAGE_THREAD, &after);

    BlockRecord& r = mRecords[static_cast<size_t>(index)];
    r.wallUs = static_cast<float>((t1 - t0) * 1e6);
    r.cpuUs = static_cast<float>((cpu1 - cpu0) * 1e6);
    r.memcpyUs = static_cast<float>((c1 - c0) * 1e6);
    r.heapCalls = static_cast<int>(CountedHeapCalls());
    r.minorFaults = static_cast<int>(after.ru_minflt - before.ru_minflt);
    r.slept = after.ru_nvcsw != before.ru_nvcsw;
    mPosition += mFrames;
    mCopySource[static_cast<size_t>(index) % mCopySource.size()] ^= 1;
  }

  // Runs blocks without keeping records (a pass through the line before measuring).
  void Warm(int blocks) {
    for (int i = 0; i < blocks; ++i) {
      Block(0);
    }
  }

  std::vector<BlockRecord>& Records() { return mRecords; }
  int Frames() const { return mFrames; }

 private:
  void FillInput() {
    // A decaying click every half second over a quiet tone: something to echo.
    for (int i = 0; i < mFrames; ++i) {
      const long n = mPosition + i;
      const float tone = 0.1f * static_cast<float>(std::sin(n * 0.0575));
      const float click = (n % 24000) < 64 ? 0.8f : 0.f;
      mIn[0][static_cast<size_t>(i)] = tone + click;
      mIn[1][static_cast<size_t>(i)] = tone - click;
    }
  }

  AEffect* mEffect;
  int mFrames;
  long mPosition = 0;
  std::vector<float> mIn[2], mOut[2];
  std::vector<unsigned char> mCopySource, mCopyTarget;
  std::vector<BlockRecord> mRecords;
};

// ---------------------------------------------------------------------------------------
// Report.

double Percentile(std::vector<float> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  size_t i = static_cast<size_t>(std::ceil(p * values.size())) ;
  if (i > 0) --i;
  if (i >= values.size()) i = values.size() - 1;
  return values[i];
}

void PrintHeader() {
  std::printf("%-26s %5s %6s | %8s %8s %8s | %8s | %5s %8s | %6s %6s | %7s %7s %5s\n",
              "scenario", "frames", "blocks", "med_us", "p999_us", "max_us", "cpu999",
              "slept", "slpmax", "heap", "faults", "cpy999", "cpymax", "cpy50");
}

void Report(const char* name, const std::vector<BlockRecord>& records, size_t first,
            size_t end, int frames) {
  std::vector<float> wall, cpu, copy;
  long heap = 0, faults = 0;
  int slept = 0, copyStalls = 0;
  float sleptMax = 0.f;
  for (size_t i = first; i < end && i < records.size(); ++i) {
    const BlockRecord& r = records[i];
    wall.push_back(r.wallUs);
    cpu.push_back(r.cpuUs);
    copy.push_back(r.memcpyUs);
    heap += r.heapCalls;
    faults += r.minorFaults;
    if (r.slept) {
      ++slept;
      sleptMax = std::max(sleptMax, r.wallUs);
    }
    if (r.memcpyUs > 50.f) ++copyStalls;
  }
  std::printf("%-26s %5d %6zu | %8.2f %8.2f %8.1f | %8.2f | %5d %8.1f | %6ld %6ld | %7.2f %7.1f %5d\n",
              name, frames, wall.size(), Percentile(wall, 0.5), Percentile(wall, 0.999),
              Percentile(wall, 1.0), Percentile(cpu, 0.999), slept, sleptMax, heap, faults,
              Percentile(copy, 0.999), Percentile(copy, 1.0), copyStalls);
  std::fflush(stdout);
}

int BlocksFor(double seconds, int frames) {
  return static_cast<int>(seconds * kSampleRate / frames);
}

// A whole pass through the line at 120 BPM (8 whole notes = 16 s), plus a little.
int LinePassBlocks(int frames) { return BlocksFor(17.0, frames); }

// ---------------------------------------------------------------------------------------
// Scenarios.

struct Options {
  bool quick = false;
  // Empty: every scenario.
  std::string only;
  bool Wants(const char* scenario) const { return only.empty() || only == scenario; }
};

void Steady(int frames, const Options& o) {
  AEffect* effect = OpenInstance(frames);
  const int blocks = o.quick ? 2000 : 20000;
  Driver driver(effect, frames, blocks);
  driver.Warm(LinePassBlocks(frames));
  for (int i = 0; i < blocks; ++i) driver.Block(i);
  Report("steady", driver.Records(), 0, static_cast<size_t>(blocks), frames);
  CloseInstance(effect);
}

void ColdStart(int frames, const Options& o) {
  AEffect* effect = OpenInstance(frames);
  const int blocks = BlocksFor(o.quick ? 2.0 : 20.0, frames);
  Driver driver(effect, frames, blocks);
  for (int i = 0; i < blocks; ++i) driver.Block(i);
  Report("cold start: first block", driver.Records(), 0, 1, frames);
  Report("cold start: the rest", driver.Records(), 1, static_cast<size_t>(blocks), frames);
  CloseInstance(effect);
}

void TempoStep(int frames, const Options& o) {
  AEffect* effect = OpenInstance(frames);
  const int blocks = o.quick ? 2000 : 20000;
  Driver driver(effect, frames, blocks);
  driver.Warm(LinePassBlocks(frames));
  for (int i = 0; i < blocks; ++i) {
    gTimeInfo.tempo = (i / 200) % 2 ? 121.0 : 120.0;
    driver.Block(i);
  }
  Report("tempo step 120<->121", driver.Records(), 0, static_cast<size_t>(blocks), frames);
  CloseInstance(effect);
}

void TempoRamp(int frames, const Options& o) {
  AEffect* effect = OpenInstance(frames);
  const int blocks = o.quick ? 1000 : 8000;
  Driver driver(effect, frames, blocks);
  driver.Warm(LinePassBlocks(frames));
  for (int i = 0; i < blocks; ++i) {
    // 120 up to 140 BPM and back, a new tempo at every block.
    const double phase = static_cast<double>(i) / blocks;
    gTimeInfo.tempo = 120.0 + 20.0 * std::sin(phase * 3.14159265358979);
    driver.Block(i);
  }
  Report("tempo ramp 120..140", driver.Records(), 0, static_cast<size_t>(blocks), frames);
  CloseInstance(effect);
}

void ProgramChanges(int frames, const Options& o) {
  AEffect* effect = OpenInstance(frames);
  const int blocks = o.quick ? 2000 : 20000;
  Driver driver(effect, frames, blocks);
  driver.Warm(LinePassBlocks(frames));
  std::atomic<int> done(0);
  std::atomic<bool> stop(false);
  std::thread ui([&] {
    int next = 100, program = 0;
    const int programs = effect->numPrograms > 0 ? effect->numPrograms : 1;
    while (!stop.load()) {
      if (done.load() >= next) {
        program = (program + 1) % programs;
        effect->dispatcher(effect, effSetProgram, 0, program, nullptr, 0.f);
        next += 100;
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
    }
  });
  for (int i = 0; i < blocks; ++i) {
    driver.Block(i);
    done.store(i + 1);
  }
  stop.store(true);
  ui.join();
  Report("program change /100 blocks", driver.Records(), 0, static_cast<size_t>(blocks),
         frames);
  CloseInstance(effect);
}

// Audio paced in real time while another thread automates every parameter at 1 kHz and the
// host's user-interface thread calls effEditIdle at 30 Hz, with the editor open or closed.
// One connection for the whole run: a server started without -noreset restarts when its
// last client leaves, and would refuse the next one for a moment.
Display* gDisplay = nullptr;

void EditorRun(int frames, bool editorOpen, const Options& o) {
  Display* display = gDisplay;
  if (!display) {
    std::printf("%-26s %5d   (no X server: left out)\n", editorOpen ? "editor open" : "editor closed",
                frames);
    return;
  }
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 600, 300,
                                            0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);

  AEffect* effect = OpenInstance(frames);
  const double seconds = o.quick ? 3.0 : 10.0;
  const int blocks = BlocksFor(seconds, frames);
  Driver driver(effect, frames, blocks);
  driver.Warm(LinePassBlocks(frames));

  std::atomic<bool> stop(false);
  std::atomic<bool> opened(false);
  std::thread ui([&] {
    if (editorOpen) {
      effect->dispatcher(effect, effEditOpen, 0, 0,
                         reinterpret_cast<void*>(static_cast<uintptr_t>(parent)), 0.f);
    }
    opened.store(true);
    while (!stop.load()) {
      effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.f);
      std::this_thread::sleep_for(std::chrono::microseconds(33333));
    }
    if (editorOpen) effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.f);
  });
  while (!opened.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::thread automation([&] {
    long n = 0;
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    while (!stop.load()) {
      for (int p = 0; p < effect->numParams; ++p) {
        const float v = static_cast<float>(0.5 + 0.5 * std::sin(n * 0.003 + p));
        effect->setParameter(effect, p, v);
      }
      ++n;
      next.tv_nsec += 1000000;
      if (next.tv_nsec >= 1000000000) {
        next.tv_nsec -= 1000000000;
        ++next.tv_sec;
      }
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
  });

  // The audio thread: one block per block period, like a host's callback.
  const long periodNs = static_cast<long>(1e9 * frames / kSampleRate);
  timespec next;
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (int i = 0; i < blocks; ++i) {
    driver.Block(i);
    next.tv_nsec += periodNs;
    while (next.tv_nsec >= 1000000000) {
      next.tv_nsec -= 1000000000;
      ++next.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  stop.store(true);
  automation.join();
  ui.join();
  Report(editorOpen ? "editor open, automated" : "editor closed, automated", driver.Records(), 0,
         static_cast<size_t>(blocks), frames);
  CloseInstance(effect);
  XDestroyWindow(display, parent);
  XSync(display, False);
}

}  // namespace

int main(int argc, char** argv) {
  std::string module = QUELORA_MODULE_PATH;
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      options.quick = true;
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      options.only = argv[++i];
    } else {
      module = argv[i];
    }
  }
  XInitThreads();
  gDisplay = XOpenDisplay(nullptr);
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "cannot load %s: %s\n", module.c_str(), dlerror());
    return 1;
  }
  gEntry = reinterpret_cast<EntryPoint>(dlsym(handle, "VSTPluginMain"));
  if (!gEntry) {
    std::fprintf(stderr, "%s has no VSTPluginMain\n", module.c_str());
    return 1;
  }
  std::printf("module %s, 48 kHz; times in microseconds per processReplacing call\n",
              module.c_str());
  std::printf("slept: blocks with a voluntary context switch inside the call (slpmax: the\n"
              "longest of them); heap/faults: heap calls and minor page faults on the audio\n"
              "thread; cpy*: a 16 KB memcpy in the same loop (cpy50: copies over 50 us)\n\n");
  PrintHeader();
  for (int frames : {64, 512}) {
    if (options.Wants("steady")) Steady(frames, options);
    if (options.Wants("cold")) ColdStart(frames, options);
    if (options.Wants("step")) TempoStep(frames, options);
    if (options.Wants("ramp")) TempoRamp(frames, options);
    if (options.Wants("program")) ProgramChanges(frames, options);
    if (options.Wants("editor")) {
      EditorRun(frames, false, options);
      EditorRun(frames, true, options);
    }
  }
  if (gDisplay) XCloseDisplay(gDisplay);
  return 0;
}
