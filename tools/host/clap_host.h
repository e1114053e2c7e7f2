// The one CLAP host of this project, used by quelora-host, the tests, the benchmarks, the
// fuzz target and the Windows test programs: a module file opened the way a DAW opens it
// (ClapModuleFile), an audio thread to run the audio-thread calls on (ClapAudioThread),
// and the host side of one plug-in instance (ClapPluginHost) with the host extensions a
// plug-in may ask for: log, thread-check, params, state, gui, timer-support,
// posix-fd-support, tail and latency.
//
// Thread rules. The host's main thread is the thread that constructed ClapPluginHost; the
// audio thread is the one given to SetAudioThread (without one, the main thread plays
// both roles, as an offline render on the main thread does). thread-check answers
// accordingly. Every call the plug-in makes into the host is checked against the thread
// CLAP assigns to it, and so is every call this class makes into the plug-in on behalf of
// its user; a breach is recorded in Violations(), which tests require to be empty.
// SimulateThreads replaces the measured answers by given ones and turns the host's own
// checks off (the fuzz target calls on purpose what the rules forbid).
//
// Threading of this class: its functions run on the main or the audio thread as marked;
// the plug-in may call the host's extension functions from any thread (the records of
// those calls are atomics or guarded by a mutex).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "clap/clap_abi.h"
#include "tools/host/shared_library.h"

// A module file (.clap) or an entry record linked into this program.
class ClapModuleFile {
 public:
  ClapModuleFile() = default;
  ~ClapModuleFile() { Close(); }
  ClapModuleFile(const ClapModuleFile&) = delete;
  ClapModuleFile& operator=(const ClapModuleFile&) = delete;

  // Loads the file, finds the entry record "clap_entry", checks its version, calls init
  // with the path and gets the plug-in factory. False with a reason in *error.
  bool Open(const std::string& path, std::string* error);
  // The same with an entry record linked into this program.
  bool Adopt(const clapabi::PluginEntry* entry, const std::string& path, std::string* error);
  // deinit (once for the init made), then unload. Every instance must be gone.
  void Close();

  const clapabi::PluginEntry* Entry() const { return entry_; }
  const clapabi::PluginFactory* Factory() const { return factory_; }
  uint32_t PluginCount() const;
  // Null for a bad index.
  const clapabi::PluginDescriptor* Descriptor(uint32_t index) const;
  const std::string& Path() const { return path_; }

 private:
  bool Start(const std::string& path, std::string* error);

  SharedLibrary library_;
  const clapabi::PluginEntry* entry_ = nullptr;
  const clapabi::PluginFactory* factory_ = nullptr;
  bool initialised_ = false;
  std::string path_;
};

// A thread that runs one piece of work at a time for its caller, who waits for it: the
// audio thread of a host. The OS thread is the same for the object's whole life.
class ClapAudioThread {
 public:
  ClapAudioThread();
  ~ClapAudioThread();
  ClapAudioThread(const ClapAudioThread&) = delete;
  ClapAudioThread& operator=(const ClapAudioThread&) = delete;

  // Runs work on the thread and returns when it has finished.
  void Run(const std::function<void()>& work);
  std::thread::id Id() const { return thread_.get_id(); }

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void()>* work_ = nullptr;
  bool stop_ = false;
  std::thread thread_;
};

class ClapPluginHost {
 public:
  // Host extensions the plug-in gets when it asks (all by default); set before Create.
  struct Offer {
    bool log = true;
    bool threadCheck = true;
    bool params = true;
    bool state = true;
    bool gui = true;
    bool timerSupport = true;
    bool posixFdSupport = true;
    bool tail = true;
    bool latency = true;
  };

  // The transport each Process reports. The position starts at 0 with the first block
  // after activation and advances by each block while playing.
  struct Transport {
    bool present = true;  // false: a free-running host (no transport at all)
    bool hasTempo = true;
    double tempo = 120.0;
    bool playing = true;
    uint16_t numerator = 4;
    uint16_t denominator = 4;
  };

  // An event the plug-in pushed into an output list.
  struct OutputEvent {
    uint16_t type;
    uint32_t time;
    clapabi::Id paramId;
    double value;  // PARAM_VALUE only
  };

  // What the plug-in asked of the host (any thread).
  struct Calls {
    std::atomic<int> rescan{0};
    std::atomic<uint32_t> rescanFlags{0};
    std::atomic<int> requestFlush{0};
    std::atomic<int> requestCallback{0};
    std::atomic<int> requestRestart{0};
    std::atomic<int> requestProcess{0};
    std::atomic<int> markDirty{0};
    std::atomic<int> tailChanged{0};
    std::atomic<int> requestResize{0};
    std::atomic<uint32_t> resizeWidth{0};
    std::atomic<uint32_t> resizeHeight{0};
  };

  struct Timer {
    clapabi::Id id;
    uint32_t periodMs;
  };

  ClapPluginHost();
  ~ClapPluginHost();  // Destroy()
  ClapPluginHost(const ClapPluginHost&) = delete;
  ClapPluginHost& operator=(const ClapPluginHost&) = delete;

  Offer offer;
  Transport transport;
  // Output events pushed (by Process and Flush); room for at most outputRoom of them per
  // list, further pushes fail as a full host list would.
  std::vector<OutputEvent> outputEvents;
  size_t outputRoom = SIZE_MAX;
  Calls calls;

  // The audio thread (see the thread rules above).
  void SetAudioThread(std::thread::id id) { audioThread_ = id; hasAudioThread_ = true; }
  void SimulateThreads(bool isMain, bool isAudio);

  // [main] create_plugin (the first plug-in when pluginId is null), then init, then the
  // plug-in's extensions are asked for. False with a reason.
  bool Create(const ClapModuleFile& module, const char* pluginId, std::string* error);
  // [main] What a host does when it closes the plug-in: the editor goes, an active
  // plug-in is deactivated, then destroy. Processing must have been stopped on the audio
  // thread before. Safe to call more than once.
  void Destroy();

  // [main] Hands the instance over without destroying it: the caller calls its destroy
  // (to see the plug-in end itself from any state). The host forgets it.
  const clapabi::Plugin* Release();

  const clapabi::Plugin* Plugin() const { return plugin_; }
  const clapabi::PluginAudioPorts* AudioPorts() const { return audioPorts_; }
  const clapabi::PluginParams* Params() const { return params_; }
  const clapabi::PluginState* State() const { return state_; }
  const clapabi::PluginGui* Gui() const { return gui_; }
  const clapabi::PluginLatency* Latency() const { return latency_; }
  const clapabi::PluginTail* Tail() const { return tail_; }
  const clapabi::PluginTimerSupport* TimerSupport() const { return timerSupport_; }
  const clapabi::PluginPosixFdSupport* PosixFdSupport() const { return posixFdSupport_; }

  // [main]
  bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  void Deactivate();
  bool IsActive() const { return active_; }
  double SampleRate() const { return sampleRate_; }

  // [audio] Stereo blocks: two channel pointers each way (the same pointers in and out
  // process in place). The queued events go with the block, then are dropped.
  bool StartProcessing();
  void StopProcessing();
  void Reset();
  int32_t Process(const float* const* inputs, float* const* outputs, uint32_t frames);
  int32_t Process(const double* const* inputs, double* const* outputs, uint32_t frames);

  // Events for the next Process or Flush, in the order queued (times as given).
  void QueueParamValue(clapabi::Id id, double plain, uint32_t time = 0);
  // Any bytes as an event record (at least a header's worth is stored; size is as given).
  void QueueEvent(const void* bytes, uint32_t size);
  size_t QueuedEventCount() const { return eventOffsets_.size(); }
  // The host's own lists, for process records made by hand (the fuzz target): the input
  // list holds the queued events, the output list records into outputEvents.
  const clapabi::InputEvents* InputList() const { return &inEvents_; }
  const clapabi::OutputEvents* OutputList() { pushedThisList_ = 0; return &outEvents_; }
  void ClearQueuedEvents();
  // params.flush with the queued events: [audio] while active, else [main].
  void Flush();

  // [main] Parameter helpers (false / empty for a plug-in without params).
  uint32_t ParamCount() const;
  bool ParamInfo(uint32_t index, clapabi::ParamInfo* info) const;
  bool ParamValue(clapabi::Id id, double* value) const;
  bool ValueText(clapabi::Id id, double value, std::string* text, uint32_t capacity = 256) const;
  bool TextValue(clapabi::Id id, const char* text, double* value) const;

  // [main] State through streams moving at most piece bytes per call (0: no limit);
  // errorAtEnd makes the input stream answer -1 instead of 0 once it is exhausted.
  bool SaveState(std::vector<uint8_t>* bytes, size_t piece = 0) const;
  bool LoadState(const std::vector<uint8_t>& bytes, size_t piece = 0, bool errorAtEnd = false);

  // [main] The host's run loop: on_main_thread when it was requested; on_timer for every
  // registered timer; on_fd for the registered descriptors that are readable within
  // timeoutMs (Linux). Pump does all three.
  bool RunMainThreadCallback();
  void FireTimers();
  int PollFds(int timeoutMs);
  void Pump(int timeoutMs);
  std::vector<Timer> Timers() const;
  std::vector<int> Fds() const;

  std::vector<std::string> Violations() const;
  std::vector<std::string> LogMessages() const;
  void Violation(const std::string& what) const;

  // Thread-check's answers (also used by the host's own checks).
  bool IsMainThread() const;
  bool IsAudioThread() const;

 private:
  static ClapPluginHost* From(const clapabi::Host* host);
  static const void* HostGetExtension(const clapabi::Host* host, const char* id);
  static void HostRequestRestart(const clapabi::Host* host);
  static void HostRequestProcess(const clapabi::Host* host);
  static void HostRequestCallback(const clapabi::Host* host);
  static void HostLog(const clapabi::Host* host, int32_t severity, const char* message);
  static bool HostIsMainThread(const clapabi::Host* host);
  static bool HostIsAudioThread(const clapabi::Host* host);
  static void HostParamsRescan(const clapabi::Host* host, uint32_t flags);
  static void HostParamsClear(const clapabi::Host* host, clapabi::Id id, uint32_t flags);
  static void HostParamsRequestFlush(const clapabi::Host* host);
  static void HostStateMarkDirty(const clapabi::Host* host);
  static void HostGuiResizeHintsChanged(const clapabi::Host* host);
  static bool HostGuiRequestResize(const clapabi::Host* host, uint32_t width, uint32_t height);
  static bool HostGuiRequestShow(const clapabi::Host* host);
  static bool HostGuiRequestHide(const clapabi::Host* host);
  static void HostGuiClosed(const clapabi::Host* host, bool wasDestroyed);
  static bool HostRegisterTimer(const clapabi::Host* host, uint32_t periodMs, clapabi::Id* id);
  static bool HostUnregisterTimer(const clapabi::Host* host, clapabi::Id id);
  static bool HostRegisterFd(const clapabi::Host* host, int fd, uint32_t flags);
  static bool HostModifyFd(const clapabi::Host* host, int fd, uint32_t flags);
  static bool HostUnregisterFd(const clapabi::Host* host, int fd);
  static void HostTailChanged(const clapabi::Host* host);
  static void HostLatencyChanged(const clapabi::Host* host);
  static uint32_t InputSize(const clapabi::InputEvents* list);
  static const clapabi::EventHeader* InputGet(const clapabi::InputEvents* list, uint32_t index);
  static bool OutputTryPush(const clapabi::OutputEvents* list, const clapabi::EventHeader* event);

  // Records a violation unless the caller is on the thread the rule names.
  void RequireMain(const char* what) const;
  void RequireAudio(const char* what) const;
  template <class Sample>
  int32_t ProcessBlock(const Sample* const* inputs, Sample* const* outputs, uint32_t frames,
                       bool use64);
  void FillTransport(clapabi::EventTransport* t) const;

  clapabi::Host host_;
  const clapabi::Plugin* plugin_ = nullptr;
  const clapabi::PluginAudioPorts* audioPorts_ = nullptr;
  const clapabi::PluginParams* params_ = nullptr;
  const clapabi::PluginState* state_ = nullptr;
  const clapabi::PluginGui* gui_ = nullptr;
  const clapabi::PluginLatency* latency_ = nullptr;
  const clapabi::PluginTail* tail_ = nullptr;
  const clapabi::PluginTimerSupport* timerSupport_ = nullptr;
  const clapabi::PluginPosixFdSupport* posixFdSupport_ = nullptr;

  std::thread::id mainThread_;
  std::thread::id audioThread_;
  bool hasAudioThread_ = false;
  bool simulated_ = false;
  bool simulatedMain_ = true;
  bool simulatedAudio_ = true;

  // The plug-in's init has been called: host extensions may be asked for from then on.
  std::atomic<bool> initCalled_{false};
  std::atomic<bool> inActivate_{false};
  std::atomic<bool> callbackRequested_{false};
  bool active_ = false;
  double sampleRate_ = 44100.0;
  int64_t steadyTime_ = 0;
  int64_t playedFrames_ = 0;

  // Queued input events: 8-byte aligned records in one store, and where each starts.
  std::vector<uint64_t> eventStore_;
  std::vector<uint32_t> eventOffsets_;
  std::vector<uint32_t> eventSizes_;
  clapabi::InputEvents inEvents_;
  clapabi::OutputEvents outEvents_;
  size_t pushedThisList_ = 0;

  mutable std::mutex recordMutex_;
  mutable std::vector<std::string> violations_;
  std::vector<std::string> logMessages_;
  std::vector<Timer> timers_;
  std::vector<std::pair<int, uint32_t>> fds_;
  clapabi::Id nextTimerId_ = 1;
};
