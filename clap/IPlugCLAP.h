// The CLAP host adapter: binds an IPlugBase to a CLAP plug-in record, its function tables
// (clap/clap_tables.cpp) and the host's extensions.
//
// What the host sees: one stereo main input and one stereo main output (64-bit capable,
// one sample size for both), one parameter per IPlugBase parameter (id = index, plain
// values), the program chunk of the VST 2.4 build as state, latency 0, the echo tail, and
// the editor embedded in the host's window ("x11" on Linux, "win32" on Windows).
//
// Processing. Parameter events of a block are applied in order before the block, the way
// the VST 2.4 build applies setParameter between blocks (the last value of a parameter
// wins): the engine reads the tempo and glides the pan once per block, so splitting blocks
// at event times would change the sound against the other builds. The tempo comes from
// the transport when it has one (HAS_TEMPO); without a transport or a tempo the effect
// passes the dry signal. 64-bit buffers are rendered into directly (IPlugBase::
// ProcessDouble), 32-bit buffers through IPlugBase::ProcessFloat, exactly as the VST 2.4
// build does for processDoubleReplacing and processReplacing.
//
// Editor edits. The editor's Host*ParamEdit calls only queue the edit (IPlugBase::
// DeferHostEdit); process and params.flush move the queue into the output events as
// GESTURE_BEGIN / PARAM_VALUE / GESTURE_END in order. When edits wait and the plug-in is
// not processing, the host is asked for a flush (params.request_flush) from the main
// thread: from HandleEditorIdle (an editor pass on the host's thread), or through
// request_callback -> on_main_thread when the edit came from the editor's own thread.
//
// Threading. Every operation below runs only on the thread CLAP assigns to it ([main] or
// [audio], as the tables document); when the host offers thread-check, a call on the
// wrong thread is refused (and logged), never asserted. Operations that touch parameters,
// presets, state or buffers take the plug-in lock (the recursive mutex of the base) for
// the exchange only; host callbacks are made without it, except the ones listed at
// RequestMainThreadCallback. Flags shared between the threads are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "clap/clap_abi.h"
#include "plug/IPlugBase.h"

// What the factory hands the effect's constructor: the host record (valid until after
// destroy; never called during construction) and the descriptor of the plug-in made.
struct ClapHostLink {
  const clapabi::Host* host;
  const clapabi::PluginDescriptor* descriptor;
};

class IPlugCLAP : public IPlugBase {
 public:
  // Scratch buffers hold at most this many frames; longer host blocks are processed in
  // pieces (as the VST 2.4 build does beyond its block size).
  static constexpr int kMaxScratchFrames = 1 << 16;
  // Events of one input list looked at, at most (a hostile size cannot loop for long).
  static constexpr uint32_t kMaxEventsPerList = 1u << 16;

  // Constructing thread (the factory's create_plugin, under the construction lock).
  // link may be null (no host: a description-only instance). Nothing calls the host here.
  IPlugCLAP(const ClapHostLink* link, int paramCount, const char* channelIoSpec,
            int presetCount, const char* effectName, const char* productName,
            const char* vendorName, int versionCode, int pluginId, int vendorId,
            int latencySamples, int midiMode, bool wantsChunks, bool isInstrument);
  ~IPlugCLAP() override;

  // The record handed to the host; its plugin_data points at this plug-in.
  const clapabi::Plugin* ClapRecord() const { return &mPlugin; }
  // The plug-in a record belongs to, or null for a null record or data pointer.
  static IPlugCLAP* FromClap(const clapabi::Plugin* plugin);

  // --- Plug-in functions (clap/clap_tables.cpp forwards the host's calls here) ---
  // [main] Records the main thread and asks the host for its extensions. Again: true.
  bool Init();
  // [main] Deactivates first when still active, closes the editor, then deletes this.
  void Destroy();
  // [main] Sample rate and block sizes; scratch buffers and the delay line are sized here,
  // the echoes forgotten (ClearHistory). False when active already or the values are
  // unusable (a rate that is no positive number, max frames 0).
  bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  // [main] Also ends processing when the host skipped stop_processing.
  void Deactivate();
  bool StartProcessing();  // [audio]; false while inactive
  void StopProcessing();   // [audio]
  void Reset();            // [audio]; ClearHistory while active
  // [audio] Error when inactive, for more frames than activate allowed, for 32-bit and
  // 64-bit ports mixed, or on the wrong thread. Takes the lock for events and rendering.
  int32_t Process(const clapabi::Process* process);
  const void* Extension(const char* id) const;  // [thread-safe]
  void OnMainThread();                          // [main]

  // --- params ([main] unless noted) ---
  uint32_t ParamsCount() const;
  bool ParamInfoAt(uint32_t index, clapabi::ParamInfo* info);
  bool ParamValue(clapabi::Id id, double* value);
  // The VST 2.4 build's display text of a plain value, cut to capacity on a character
  // boundary; false for capacity <= 1, a bad id or a value that is no number.
  bool ValueToText(clapabi::Id id, double value, char* out, uint32_t capacity);
  // The typed-value parse of the editor and the VST 2.4 build (IParam::NormalizedFromText);
  // false for a text that is neither a display text nor starts with a number.
  bool TextToValue(clapabi::Id id, const char* text, double* value);
  // [audio] while active, else [main]: applies the input events, then delivers edits.
  void Flush(const clapabi::InputEvents* in, const clapabi::OutputEvents* out);

  // --- audio ports, latency, tail ---
  uint32_t AudioPortCount(bool isInput) const;
  bool AudioPortInfoAt(uint32_t index, bool isInput, clapabi::AudioPortInfo* info) const;
  uint32_t Latency();  // [main]
  uint32_t Tail();     // [main, audio]; takes the lock to read the tail

  // --- state [main]: see clap/clap_state_stream.h for the layout ---
  bool SaveState(const clapabi::OStream* stream);
  // Reads everything first, validates it all, then applies it in one step under the lock;
  // a short, hostile or foreign stream changes nothing and gives false. params.rescan
  // (VALUES) follows a load.
  bool LoadState(const clapabi::IStream* stream);

  // --- gui [main] (clap/clap_plug_gui.cpp) ---
  bool GuiIsApiSupported(const char* api, bool isFloating) const;
  bool GuiPreferredApi(const char** api, bool* isFloating) const;
  bool GuiCreate(const char* api, bool isFloating);
  void GuiDestroy();
  bool GuiSetScale(double scale);
  bool GuiSize(uint32_t* width, uint32_t* height);
  bool GuiCanResize() const { return false; }
  bool GuiResizeHints(clapabi::GuiResizeHints* hints) const;
  bool GuiAdjustSize(uint32_t* width, uint32_t* height);
  bool GuiSetSize(uint32_t width, uint32_t height);
  bool GuiSetParent(const clapabi::Window* window);
  bool GuiShow();
  bool GuiHide();
  void OnTimer(clapabi::Id timerId);        // [main]
  void OnFd(int fd, uint32_t flags);        // [main]

  // Inspection (tests): state flags as the threads see them.
  bool IsActive() const { return mActive.load(); }
  bool IsProcessing() const { return mProcessing.load(); }
  bool EditorDrivenByHost() const { return mGuiDriven; }
  double ReceivedTempo() const { return mTempo; }

  // --- Host-facing overrides of IPlugBase ---
  // UI thread (editor): a pending wheel end goes out first, then the begin is queued.
  void HostBeginParamEdit(int index) override;
  // UI thread, lock held: the value is queued (get_value shows it at once).
  void HostAutomateParam(int index, double normalized) override;
  // UI thread: the end is queued.
  void HostEndParamEdit(int index) override;
  void HostRefreshDisplay() override {}
  // Audio thread, lock held: the transport's seconds position in samples, 0 when unknown.
  int HostSamplePosition() override;
  // Audio thread, lock held: the tempo of this block's transport, 0 without one.
  double HostTempo() override { return mTempo; }
  void HostTimeSignature(int* numerator, int* denominator) override;
  // Editor resize (lock or editor mutex held): the host is asked to resize from the main
  // thread (on_main_thread), never with the lock held.
  void RefreshEditorRect() override;
  void HostSpecificSetup() override {}
  bool SendMidiToHost(const IMidiMsg* message) override {
    (void)message;
    return false;
  }
  bool SendSysExToHost(const ISysEx* message) override {
    (void)message;
    return false;
  }
  // Host's UI thread, no lock: delivers what waits for the main thread (see
  // ServiceMainThread).
  void HandleEditorIdle() override;

 private:
  // The host's extensions, asked once in Init; each may be null.
  struct HostExtensions {
    const clapabi::HostLog* log = nullptr;
    const clapabi::HostThreadCheck* threadCheck = nullptr;
    const clapabi::HostParams* params = nullptr;
    const clapabi::HostState* state = nullptr;
    const clapabi::HostGui* gui = nullptr;
    const clapabi::HostTimerSupport* timers = nullptr;
    const clapabi::HostPosixFdSupport* fds = nullptr;
    const clapabi::HostTail* tail = nullptr;
  };

  // Thread checks through the host's thread-check (true when it offers none). A refused
  // call is logged with what.
  bool CheckMainThread(const char* what) const;
  bool CheckAudioThread(const char* what) const;
  // Whether this OS thread is the one Init ran on (the main thread).
  bool OnMainThreadNow() const { return std::this_thread::get_id() == mMainThread; }
  void Log(int32_t severity, const char* message) const;

  // Lock held. The transport of this block: tempo, position, time signature.
  void ReadTransport(const clapabi::EventTransport* transport);
  // Lock held. PARAM_VALUE events of the core space, in order; everything else is skipped.
  void ApplyInputEvents(const clapabi::InputEvents* in);
  void ApplyParamValue(clapabi::Id id, double plain);
  // No lock held: the deferred edits as output events (gesture begin, plain value, end).
  void DeliverEdits(const clapabi::OutputEvents* out);
  // Lock held (any thread): an edit was queued; the main thread is told when needed.
  void NoteEditQueued();
  // Asks for on_main_thread (once until it runs). The one host call this adapter makes
  // with the plug-in lock held: from NoteEditQueued on the editor's own thread and from
  // RefreshEditorRect, whose callers hold the lock by the base's contract. The call is
  // [thread-safe] and only schedules.
  void RequestMainThreadCallback();
  // Main thread, no lock: a pending resize request, then, with edits waiting, mark_dirty
  // and (while not processing) params.request_flush.
  void ServiceMainThread();
  // Lock held, after a block: whether what the tail depends on (the tempo, the sample rate,
  // the parameters) changed since the tail was last computed; the new inputs are kept.
  bool TailInputsChanged();
  // Lock held. A complete program chunk of this plug-in (header, one finite in-range
  // value per parameter, nothing else).
  bool IsWellFormedProgram(const StateChunk& chunk) const;
  // Renders one block: 64-bit or 32-bit host buffers (channel pointer lists may be null).
  void RenderBlock(const clapabi::Process* process, bool use64, uint32_t frames);
  // [main] Editor window bookkeeping.
  void CloseGuiWindow();
  void UnregisterGuiHooks();

  clapabi::Plugin mPlugin;
  const clapabi::Host* mHost;
  HostExtensions mExt;
  std::thread::id mMainThread;
  bool mInitDone;

  std::atomic<bool> mActive;
  std::atomic<bool> mProcessing;
  // Frames per process call the host promised at activation.
  uint32_t mMaxFrames;

  // This block's transport (lock held).
  double mTempo;
  double mSongSeconds;
  int mTsigNumerator;
  int mTsigDenominator;

  // Edits taken from the base's queue for delivery; guarded by mDelivering (process and
  // flush never overlap, but a host that breaks that rule must not corrupt the queue).
  HostEditQueue mOutgoing;
  std::atomic_flag mDelivering = ATOMIC_FLAG_INIT;
  std::atomic<bool> mEditsWaiting;
  std::atomic<bool> mDirtyPending;
  std::atomic<bool> mCallbackRequested;
  std::atomic<bool> mResizePending;
  // The tail the host was last told about (-1: not yet).
  std::atomic<int> mReportedTail;
  // What the tail was last computed from (audio thread, lock held): computing it takes
  // two logarithms, comparing these a few loads.
  double mTailTempo;
  double mTailRate;
  std::vector<double> mTailParams;

  // Editor state (main thread).
  bool mGuiCreated;
  bool mGuiOpen;
  bool mGuiDriven;
  bool mTimerRegistered;
  clapabi::Id mTimerId;
  int mFd;
};
