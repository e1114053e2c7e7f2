// The LV2 host adapter: binds an IPlugBase to an LV2 instance (ports, run, the host
// transport read from an atom port, the state extension).
//
// Ports, in index order (lv2/lv2_ports.h): two audio inputs, two audio outputs, one atom
// input receiving time:Position, then one control input per parameter carrying its plain
// (real) value.
//
// Threading. An LV2 host calls an instance from two classes of threads: the audio class
// (run, connect_port) and the instantiation class (instantiate, activate, deactivate,
// cleanup); the state extension's save and restore may run at the same time as either
// audio-class call. Run and the instantiation calls take the plug-in lock (the recursive
// mutex of the base) for their whole run. Save and restore hold it only to take a snapshot
// or to apply what they read, and never call the host with it held, so that a slow
// store() or retrieve() never keeps a block waiting. connect_port takes no lock: the
// parameter ports' pointers are atomics, stored with release and loaded with acquire, so a
// save on another thread sees either the old or the new buffer, each fully set up. The
// host-facing overrides are documented where declared.
//
// An instance serving the LV2 UI (AttachUiHost) is reached from the host's UI thread and
// from the editor's own thread. The host's UI functions (write, touch) may be called only
// on the host's UI thread, so the edits the editor makes are only queued (the plug-in
// lock held, as for every edit) and DeliverUiEdits hands them over from the UI's idle call,
// without the plug-in lock: a host whose write feeds its own UI thread's structures, or
// waits for that thread, sees every call there.
#pragma once

#include <atomic>
#include <cstdint>

#include "lv2/lv2_ports.h"
#include "plug/IPlugBase.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

// What the entry point hands the effect's constructor: the host's sample rate and
// features, and the plug-in's URI (for the state keys).
struct Lv2HostLink {
  double sampleRate;
  const LV2_Feature* const* features;
  const char* pluginUri;
};

// What an instance serving an LV2 UI reports edits to: the host's write function (port
// writes of plain values) and, when offered, the touch feature (gesture begin and end).
struct Lv2UiLink {
  LV2UI_Write_Function write;
  LV2UI_Controller controller;
  const LV2UI_Touch* touch;
};

class IPlugLV2 : public IPlugBase {
 public:
  // Block size the scratch buffers get unless the host's options announce a longer
  // bufsz:maxBlockLength (up to kMaxBlockSize); longer run() calls are processed in pieces.
  static constexpr int kDefaultBlockSize = 4096;
  static constexpr int kMaxBlockSize = 1 << 16;

  // Instantiation thread. link may be null (no host: a description-only instance, for
  // example the Turtle generator); then no URID is mapped and Ready() is false.
  IPlugLV2(const Lv2HostLink* link, int paramCount, const char* channelIoSpec,
           int presetCount, const char* effectName, const char* productName,
           const char* vendorName, int versionCode, int pluginId, int vendorId,
           int latencySamples, int midiMode, bool wantsChunks, bool isInstrument);
  ~IPlugLV2() override;

  // True when the host gave urid:map (the one required feature).
  bool Ready() const { return mMap != nullptr; }

  // Audio class, no lock. Stores the port's buffer (a parameter port's with release, see
  // the top of this file); unknown ports are ignored.
  void ConnectPort(uint32_t port, void* data);
  // Instantiation class; takes the lock. Everything heard so far is forgotten (the effect's
  // ClearHistory: the echoes start over as in a fresh instance, without allocating), the
  // effect prepares for processing off the audio thread (as a VST 2.4 host's switch-on
  // does), and the transport last received stays: hosts send a position only when it
  // changes, so the tempo before the deactivation is still the tempo.
  void Activate();
  // Instantiation class: the effect is switched off and reset, as at a VST 2.4 host's
  // switch-off.
  void Deactivate();
  // Audio class; takes the lock. Reads the transport, applies changed control ports as
  // host automation, then processes frames samples.
  void Run(uint32_t frames);

  // State extension: any thread, also while run() runs. The program chunk (the same bytes
  // as the VST 2.4 program chunk: the header and one double per parameter) and the current
  // program index. The values are what the next block plays: the parameters, with each
  // control port the host set since the last run (a finite value other than the last one
  // applied) in place of its parameter. They are copied under the plug-in lock, which is
  // then released before the chunk is built and store() is called; nothing is applied to
  // the parameters (the next run does that, as for any port change).
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
  // State extension: any thread, also while run() runs. Everything is retrieved and checked
  // without the lock; then, under the lock in one step, the program index and the values
  // are applied. Restores nothing and fails when a key is missing, of the wrong type, or
  // when the chunk is not exactly one header and one finite in-range double per
  // parameter. A control port the host sets to another value than last applied wins on
  // the next run.
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // UI thread, before the editor opens. From then on this instance serves an LV2 UI: its
  // editor's edits go to the host as port writes and touch gestures, from DeliverUiEdits.
  void AttachUiHost(const Lv2UiLink& link);
  // The host's UI thread (the UI's idle call, cleanup), plug-in lock NOT held. Hands the
  // queued edits to the host in their order: touch (grabbed), port writes of the plain
  // values, touch (released). The lock is held only to swap the queue. Returns the number
  // of edits delivered.
  int DeliverUiEdits();
  // UI thread (port_event): a control port's new plain value is shown, not written back.
  void ReceivePortValue(uint32_t port, float plain);

  // Transport as last received (for tests): 0 without a tempo.
  double ReceivedTempo() const { return mTempo; }

  // --- Host-facing overrides of IPlugBase (the DSP instance has no automation channel
  // back to the host; an instance serving a UI queues its edits for DeliverUiEdits) ---
  // Editor work (editor thread or UI thread), lock held. Flushes a pending deferred end,
  // then queues the begin of a gesture.
  void HostBeginParamEdit(int index) override;
  // Editor work, lock held. A UI instance queues the value for a port write.
  void HostAutomateParam(int index, double normalized) override;
  // Editor work, lock held. Queues the end of a gesture.
  void HostEndParamEdit(int index) override;
  // UI thread, no lock: a pass of the editor ran on the host's thread; queued edits go out.
  void HandleEditorIdle() override;
  void HostRefreshDisplay() override {}
  // Audio thread, lock held. The transport frame, 0 when unknown or beyond int.
  int HostSamplePosition() override;
  // Audio thread, lock held. The last time:beatsPerMinute received, 0 without one.
  double HostTempo() override { return mTempo; }
  void HostTimeSignature(int* numerator, int* denominator) override;
  void RefreshEditorRect() override {}
  void HostSpecificSetup() override {}
  bool SendMidiToHost(const IMidiMsg* message) override {
    (void)message;
    return false;
  }
  bool SendSysExToHost(const ISysEx* message) override {
    (void)message;
    return false;
  }

 private:
  struct Urids {
    LV2_URID atomBlank, atomObject, atomFloat, atomDouble, atomInt, atomLong, atomChunk;
    LV2_URID timePosition, timeBpm, timeSpeed, timeFrame, timeBeatsPerBar, timeBeatUnit;
    LV2_URID stateChunk, stateProgram;
  };
  void MapUrids(const char* pluginUri);
  void ReadTransport();
  void ApplyControlPorts();
  // Lock held. Once: the last applied port values become the parameters' values.
  void PrimeLastPortValues();
  // Any thread, no lock needed: reads only what construction fixed (the parameter count
  // and ranges). True when chunk is a complete program chunk of this plug-in.
  bool IsWellFormedProgram(const StateChunk& chunk) const;
  // Lock held. The plain value parameter index's control port holds when the host set it
  // since the last run (finite and other than the last value applied); false otherwise.
  bool PendingPortValue(int index, double* plain) const;

  LV2_URID_Map* mMap;
  Urids mUrid;
  float* mAudioIn[2];
  float* mAudioOut[2];
  const void* mControlIn;
  // Written by connect_port (release), read by run and save (acquire).
  std::atomic<const float*> mParamPorts[kMaxLv2Params];
  // Lock held: the plain value of each port as last applied.
  double mLastPort[kMaxLv2Params];
  double mTempo;
  double mSpeed;
  double mFrame;
  int mBeatsPerBar;
  int mBeatUnit;
  bool mPortsPrimed;
  Lv2UiLink mUi;
  // The host's UI thread only: the queue DeliverUiEdits swaps in and empties.
  HostEditQueue mUiOutbox;
};
