// The VST 3 host adapter: one object that is the component, the audio processor and the
// edit controller of an IPlugBase (a "single class": hosts find the controller by asking
// the component for it), with its unit and program list, plus the editor's view
// (vst3/vst3_view.h).
//
// Parameters. Parameter i of the base has the ID i; one more parameter, kProgramParamId,
// selects a program exactly as a VST 2.4 host's effSetProgram does. Changes arriving in a
// process call's queues are applied before the block, each parameter at the last point
// of its queue, as a VST 2.4 host's setParameter between blocks: the effect reads the
// tempo and glides the pan once per block, so splitting blocks at the points would change
// its sound against the VST 2.4 build.
//
// Threading. The host reaches the object from its UI thread (everything but the two
// below; offline hosts may also save and restore state on the processing thread) and its
// processing thread (process, setProcessing). Every entry that touches the plug-in takes
// the plug-in lock (the recursive mutex of the base) for its work, so a block never sees
// half a state restore or half a program change. Calls to the host (the component
// handler, the streams, the frame) are made without that lock, on the UI thread only:
// edits made in the editor are queued under the lock (DeferHostEdit) and delivered by
// DeliverToHost, which the UI thread reaches through the editor's idle pass
// (HandleEditorIdle), the view's run-loop callbacks (Linux) and, as a fallback while the
// editor runs on a thread of its own, getParamNormalized.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "plug/IPlugBase.h"
#include "vst3/vst3_abi.h"

// What the factory hands the effect's constructor. Nothing is needed yet; a null link is
// a description-only instance (the moduleinfo generator).
struct Vst3HostLink {
  int reserved;
};

class Vst3View;

// Component and controller both have setState / getState with the same signature but
// different meanings: these two steps give each its own name.
class Vst3ComponentSide : public v3::Component {
 public:
  v3::Result V3_CALL setState(v3::Stream* state) final { return SetComponentState(state); }
  v3::Result V3_CALL getState(v3::Stream* state) final { return GetComponentState(state); }

 protected:
  virtual v3::Result SetComponentState(v3::Stream* state) = 0;
  virtual v3::Result GetComponentState(v3::Stream* state) = 0;
};

class Vst3ControllerSide : public v3::EditController {
 public:
  v3::Result V3_CALL setState(v3::Stream* state) final { return SetControllerState(state); }
  v3::Result V3_CALL getState(v3::Stream* state) final { return GetControllerState(state); }

 protected:
  virtual v3::Result SetControllerState(v3::Stream* state) = 0;
  virtual v3::Result GetControllerState(v3::Stream* state) = 0;
};

class IPlugVST3 : public IPlugBase,
                  public Vst3ComponentSide,
                  public v3::AudioProcessor,
                  public Vst3ControllerSide,
                  public v3::UnitInfo,
                  public v3::ContextRequirements {
 public:
  // The program-change parameter's ID (beyond every base parameter's index) and the one
  // program list's ID.
  static constexpr v3::ParamId kProgramParamId = 0x50524F47;  // 'PROG'
  static constexpr int32_t kProgramListId = 1;
  // Largest maxSamplesPerBlock taken over; longer process calls run in pieces.
  static constexpr int kMaxBlockSize = 1 << 16;
  // Longest text read from a host's UTF-16 argument.
  static constexpr int kMaxHostTextUnits = 128;

  // Constructing thread (the factory's createInstance, under its construction lock). The
  // reference count starts at 1, owned by the creator.
  IPlugVST3(const Vst3HostLink* link, int paramCount, const char* channelIoSpec,
            int presetCount, const char* effectName, const char* productName,
            const char* vendorName, int versionCode, int pluginId, int vendorId,
            int latencySamples, int midiMode, bool wantsChunks, bool isInstrument);
  // The last release; no view exists any more (each holds a reference).
  ~IPlugVST3() override;

  // --- Unknown (any thread) ---
  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override;
  uint32_t V3_CALL addRef() override;
  uint32_t V3_CALL release() override;

  // --- PluginBase, shared by the component and the controller (UI thread). A single
  // class is initialized and terminated once as each; the first initialize and the last
  // terminate count. ---
  v3::Result V3_CALL initialize(v3::Unknown* context) override;
  v3::Result V3_CALL terminate() override;

  // --- Component (UI thread) ---
  // No separate controller class: kResultFalse.
  v3::Result V3_CALL getControllerClassId(v3::RawId classId) override;
  v3::Result V3_CALL setIoMode(int32_t mode) override;
  int32_t V3_CALL getBusCount(int32_t type, int32_t direction) override;
  v3::Result V3_CALL getBusInfo(int32_t type, int32_t direction, int32_t index,
                                v3::BusInfo* info) override;
  v3::Result V3_CALL getRoutingInfo(v3::RoutingInfo* in, v3::RoutingInfo* out) override;
  v3::Result V3_CALL activateBus(int32_t type, int32_t direction, int32_t index,
                                 uint8_t state) override;
  // Takes the lock. On: the effect prepares (as at a VST 2.4 switch-on) and forgets its
  // echoes (ClearHistory, no allocation on the audio thread later); off: switched off and
  // reset. The last tempo received is kept.
  v3::Result V3_CALL setActive(uint8_t state) override;

  // --- AudioProcessor ---
  // UI thread. Only one stereo input and one stereo output bus: anything else is refused.
  v3::Result V3_CALL setBusArrangements(v3::SpeakerMask* inputs, int32_t numIns,
                                        v3::SpeakerMask* outputs, int32_t numOuts) override;
  v3::Result V3_CALL getBusArrangement(int32_t direction, int32_t index,
                                       v3::SpeakerMask* arrangement) override;
  v3::Result V3_CALL canProcessSampleSize(int32_t symbolicSampleSize) override;
  v3::Result V3_CALL setupProcessing(v3::ProcessSetup* setup) override;
  uint32_t V3_CALL getLatencySamples() override;
  // UI or processing thread; takes the lock. On: the echoes start over (ClearHistory).
  v3::Result V3_CALL setProcessing(uint8_t state) override;
  // Processing thread; takes the lock for the whole call. Reads the context's tempo (only
  // when flagged valid), applies the queues, then processes numSamples (none for a
  // parameter flush). Allocates nothing after the first block.
  v3::Result V3_CALL process(v3::ProcessData* data) override;
  // UI thread; takes the lock to read TailSamples.
  uint32_t V3_CALL getTailSamples() override;

  // --- ContextRequirements (UI thread) ---
  uint32_t V3_CALL getProcessContextRequirements() override;

  // --- EditController (UI thread; the lock is taken where the plug-in is touched) ---
  // The component's own state bytes: validated completely, then applied as setState does
  // (a single class: this is the same object, so it is the same state).
  v3::Result V3_CALL setComponentState(v3::Stream* state) override;
  int32_t V3_CALL getParameterCount() override;
  v3::Result V3_CALL getParameterInfo(int32_t index, v3::ParamInfo* info) override;
  v3::Result V3_CALL getParamStringByValue(v3::ParamId id, v3::ParamValue normalized,
                                           v3::Text128 text) override;
  v3::Result V3_CALL getParamValueByString(v3::ParamId id, char16_t* text,
                                           v3::ParamValue* normalized) override;
  v3::ParamValue V3_CALL normalizedParamToPlain(v3::ParamId id, v3::ParamValue normalized) override;
  v3::ParamValue V3_CALL plainParamToNormalized(v3::ParamId id, v3::ParamValue plain) override;
  // Also the fallback delivery of the editor's edits (editor on its own thread only).
  v3::ParamValue V3_CALL getParamNormalized(v3::ParamId id) override;
  // Host automation shown and applied; the program parameter selects the program. Never
  // calls the host back: the values a program sets are reported later (restartComponent
  // from the UI thread's next idle moment, and the next block's output changes).
  v3::Result V3_CALL setParamNormalized(v3::ParamId id, v3::ParamValue value) override;
  v3::Result V3_CALL setComponentHandler(v3::ComponentHandler* handler) override;
  // A new view (one reference for the caller) for "editor", or null.
  v3::PlugView* V3_CALL createView(const char* name) override;

  // --- UnitInfo (UI thread): one root unit with one program list of every program ---
  int32_t V3_CALL getUnitCount() override;
  v3::Result V3_CALL getUnitInfo(int32_t index, v3::UnitDesc* info) override;
  int32_t V3_CALL getProgramListCount() override;
  v3::Result V3_CALL getProgramListInfo(int32_t index, v3::ProgramListDesc* info) override;
  v3::Result V3_CALL getProgramName(int32_t listId, int32_t index, v3::Text128 name) override;
  v3::Result V3_CALL getProgramInfo(int32_t listId, int32_t index, const char* attribute,
                                    v3::Text128 value) override;
  v3::Result V3_CALL hasProgramPitchNames(int32_t listId, int32_t index) override;
  v3::Result V3_CALL getProgramPitchName(int32_t listId, int32_t index, int16_t pitch,
                                         v3::Text128 name) override;
  int32_t V3_CALL getSelectedUnit() override;
  v3::Result V3_CALL selectUnit(int32_t unitId) override;
  v3::Result V3_CALL getUnitByBus(int32_t type, int32_t direction, int32_t busIndex,
                                  int32_t channel, int32_t* unitId) override;
  v3::Result V3_CALL setUnitProgramData(int32_t listOrUnitId, int32_t index,
                                        v3::Stream* data) override;

  // --- Host-facing overrides of IPlugBase ---
  // Editor (its own thread or the UI thread), lock held: queued for DeliverToHost.
  void HostBeginParamEdit(int index) override;
  void HostAutomateParam(int index, double normalized) override;
  void HostEndParamEdit(int index) override;
  void HostRefreshDisplay() override {}
  // Processing thread, lock held: from the last process call's context.
  int HostSamplePosition() override;
  // The context's tempo when it was flagged valid, finite and >= 0; else 0.
  double HostTempo() override { return mTempo; }
  void HostTimeSignature(int* numerator, int* denominator) override;
  // Any thread, lock held (the editor changed its size): the view asks the host's frame
  // for the new size at the UI thread's next idle moment.
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
  // UI thread, no lock (the editor's idle pass): DeliverToHost.
  void HandleEditorIdle() override;

  // UI thread, plug-in lock NOT held: hands the queued editor edits to the component
  // handler (begin / perform / end), then, when withRestart, tells it about values a
  // program set (restartComponent) and asks the frame for a changed editor size. Nothing
  // happens on another thread than the one that initialized the object, or when called
  // again from inside one of these host calls.
  void DeliverToHost(bool withRestart);

  // The host's context given at initialize (borrowed; null before, after the last
  // terminate, or when none was given). UI thread.
  v3::Unknown* HostContext() const { return mHostContext; }
  // The view whose editor is open, set by the view (UI thread, lock held).
  Vst3View* EditorView() const { return mEditorView; }
  void SetEditorView(Vst3View* view) { mEditorView = view; }

  // Inspection for tests (lock held): the sample size setupProcessing chose, and the
  // initialize calls not yet matched by terminate.
  int32_t SymbolicSampleSize() const { return mSampleSize; }
  int InitializeCount() const { return mInitCount; }

 protected:
  // The pieces of a process call (processing thread, lock held).
  // The tempo, position and signature of the block.
  void ReadProcessContext(const v3::ProcessContext* context);
  // Every queue's last point: the program first, then the parameters.
  void ApplyInputChanges(v3::ParamChanges* changes);
  // frames samples of the host's buses from sample offset on.
  void RenderBuses(const v3::ProcessData& data, int offset, int frames);
  // After a program change: every value into the host's output queues (at offset 0).
  void ReportOutputChanges(v3::ParamChanges* changes);

 private:
  // The base parameter index of an ID, or -1 (also for the program parameter).
  int IndexOfParam(v3::ParamId id) const;
  int ProgramIndexFor(double normalized) const;
  // True on the thread that initialized the object (and before any initialize).
  bool OnUiThread() const;
  double NormalizedProgram(int program) const;
  // Reads and validates a component state from the stream, then applies it in one step
  // under the lock.
  v3::Result RestoreState(v3::Stream* stream);
  // Lock held: every preset slot gets room for one program's values, so that a program
  // change on the audio thread writes into storage that exists.
  void ReservePresetStorage();
  // Lock held: SelectPreset, and the host hears about the new values later.
  void SelectProgram(int program);

  v3::Result SetComponentState(v3::Stream* state) override;
  v3::Result GetComponentState(v3::Stream* state) override;
  v3::Result SetControllerState(v3::Stream* state) override;
  v3::Result GetControllerState(v3::Stream* state) override;

  std::atomic<uint32_t> mRefCount;
  // UI thread.
  int mInitCount;
  std::thread::id mUiThread;
  v3::Unknown* mHostContext;
  v3::ComponentHandler* mHandler;
  HostEditQueue mOutgoing;
  bool mDelivering;
  Vst3View* mEditorView;
  // Lock held.
  double mTempo;
  int64_t mProjectSamples;
  int mTimeSigNumerator;
  int mTimeSigDenominator;
  int32_t mSampleSize;
  int32_t mProcessMode;
  bool mBusActive[2];
  bool mReportProgramValues;
  // Set under the lock or on the UI thread, taken by DeliverToHost.
  std::atomic<bool> mValuesChangedPending;
  std::atomic<bool> mResizePending;
};
